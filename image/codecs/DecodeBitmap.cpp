#include "image/codecs/DecodeBitmap.h"

#include <cstring>

#include "image/codecs/ByteRead.h"
#include "image/codecs/PixelConvert.h"

namespace ZEvuvoro {

namespace {

constexpr uint64_t kHeadersSize = 54;

struct PaletteEntry {
  uint8_t blue, green, red;
};

void ConvertRow(const uint8_t* from, uint8_t* to, int width, int bitCount, const PaletteEntry* palette) {
  switch (bitCount) {
    case 1:
    case 4:
    case 8: {
      const int perByte = 8 / bitCount;
      const unsigned mask = (1u << bitCount) - 1;
      for (int x = 0; x < width; ++x) {
        const int shift = (perByte - 1 - x % perByte) * bitCount;
        const PaletteEntry& e = palette[(from[x / perByte] >> shift) & mask];
        to[0] = e.blue;
        to[1] = e.green;
        to[2] = e.red;
        to[3] = 255;
        to += 4;
      }
      break;
    }
    case 16:
      for (int x = 0; x < width; ++x, to += 4) {
        Expand555(ReadLe16(from + size_t(x) * 2), to);
        to[3] = 255;
      }
      break;
    case 24:
      ExpandBgrRow(from, to, width);
      break;
    case 32:
      std::memcpy(to, from, size_t(width) * 4);
      break;
  }
}

}  // namespace

bool CDecodeBitmap::DoDecode() {
  const uint8_t* in = m_pInput;
  if (m_nInputSize < kHeadersSize || ReadLe32(in + 30) != 0) return false;
  const int32_t width = int32_t(ReadLe32(in + 18));
  int32_t height = int32_t(ReadLe32(in + 22));
  const int bitCount = ReadLe16(in + 28);
  const uint32_t coloursUsed = ReadLe32(in + 46);
  if (width < 0 || height == INT32_MIN) return false;
  if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 && bitCount != 32)
    return false;

  PaletteEntry palette[256] = {};
  uint64_t dataOffset = kHeadersSize;
  if (bitCount <= 8) {
    const uint64_t entries = coloursUsed != 0 ? coloursUsed : uint64_t(1) << bitCount;
    dataOffset = kHeadersSize + entries * 4;
    if (dataOffset > m_nInputSize) return false;
    // Only 256 colours have a use; further entries are skipped.
    const uint64_t kept = entries < 256 ? entries : 256;
    for (uint64_t i = 0; i < kept; ++i) {
      const uint8_t* e = in + kHeadersSize + i * 4;
      palette[i] = {e[0], e[1], e[2]};
    }
  }

  const bool topDown = height < 0;
  if (topDown) height = -height;
  if (width == 0 || height == 0) return false;
  const uint64_t rowBytes = ((uint64_t(width) * bitCount + 31) / 32) * 4;
  if (rowBytes * uint64_t(height) > m_nInputSize - dataOffset) return false;
  uint8_t* out = AllocateOutput(uint64_t(width), uint64_t(height));
  if (out == nullptr) return false;

  for (int32_t r = 0; r < height; ++r) {
    const int32_t outRow = topDown ? r : height - 1 - r;
    ConvertRow(in + dataOffset + uint64_t(r) * rowBytes, out + size_t(outRow) * width * 4, width, bitCount, palette);
  }
  m_nWidth = width;
  m_nHeight = height;
  return true;
}

}  // namespace ZEvuvoro
