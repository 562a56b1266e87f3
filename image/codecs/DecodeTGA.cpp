#include "image/codecs/DecodeTGA.h"

#include <cstring>
#include <memory>
#include <new>

#include "image/codecs/ByteRead.h"
#include "image/codecs/PixelConvert.h"

namespace ZEvuvoro {

namespace {

constexpr uint64_t kHeaderSize = 18;
constexpr uint64_t kFooterSize = 26;
constexpr uint64_t kExtensionNeeded = 499;
constexpr uint64_t kAttributesTypeOffset = 494;
// One run-length packet of 1 + depth / 8 bytes yields at most 128 pixels.
constexpr uint64_t kMaxPixelsPerPacket = 128;

bool IsRunLength(int imageType) { return imageType == 9 || imageType == 10 || imageType == 11; }

int EntryBytes(int entrySize) {
  switch (entrySize) {
    case 15:
    case 16:
      return 2;
    case 24:
      return 3;
    case 32:
      return 4;
    default:
      return 0;
  }
}

uint32_t PackBgra(uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
  return uint32_t(b) | uint32_t(g) << 8 | uint32_t(r) << 16 | uint32_t(a) << 24;
}

bool EqualsNoCase(const uint8_t* bytes, const char* text, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    uint8_t c = bytes[i];
    if (c >= 'a' && c <= 'z') c = uint8_t(c - 'a' + 'A');
    if (c != uint8_t(text[i])) return false;
  }
  return true;
}

// Expands run-length packets into total pixels of pixelBytes each. Packets
// run on across row ends; a packet reaching past the picture is cut short,
// data ending before the picture is full is a failure.
bool ExpandRunLength(const uint8_t* in, uint64_t size, uint64_t position, uint8_t* out, uint64_t total,
                     int pixelBytes) {
  uint64_t filled = 0;
  while (filled < total) {
    if (position >= size) return false;
    const uint8_t h = in[position++];
    uint64_t count = (h & 127) + 1;
    if (count > total - filled) count = total - filled;
    uint8_t* to = out + filled * pixelBytes;
    if (h & 128) {
      if (size - position < uint64_t(pixelBytes)) return false;
      for (uint64_t i = 0; i < count; ++i) std::memcpy(to + i * pixelBytes, in + position, pixelBytes);
      position += pixelBytes;
    } else {
      const uint64_t bytes = count * pixelBytes;
      if (size - position < bytes) return false;
      std::memcpy(to, in + position, bytes);
      position += bytes;
    }
    filled += count;
  }
  return true;
}

}  // namespace

CDecodeTGA::CDecodeTGA() { Reset(); }

void CDecodeTGA::Reset() {
  m_pFooter = nullptr;
  m_pHeader = nullptr;
  m_bAlpha = 0;
  m_nTopDown = -1;
  m_nAttributesType = 0;
}

void CDecodeTGA::ReadFooter() {
  if (m_pInput == nullptr || m_nInputSize < kFooterSize) return;
  const uint8_t* footer = m_pInput + m_nInputSize - kFooterSize;
  if (!EqualsNoCase(footer + 8, "TRUEVISION-XFILE", 16)) return;
  m_pFooter = footer;
  const uint64_t extension = ReadLe32(footer);
  if (extension != 0 && extension <= m_nInputSize && m_nInputSize - extension >= kExtensionNeeded) {
    m_nAttributesType = m_pInput[extension + kAttributesTypeOffset];
    m_bAlpha = m_nAttributesType == 3 ? 1 : 0;
  }
}

bool CDecodeTGA::DoDecode() {
  Reset();
  if (m_nInputSize <= kHeaderSize) return false;
  const uint8_t* in = m_pInput;
  m_pHeader = in;
  const int idLength = in[0];
  const int mapType = in[1];
  const int imageType = in[2];
  const uint64_t mapLength = ReadLe16(in + 5);
  const int entrySize = in[7];
  const uint64_t width = ReadLe16(in + 12);
  const uint64_t height = ReadLe16(in + 14);
  const int depth = in[16];
  const uint8_t descriptor = in[17];
  if (depth != 8 && depth != 16 && depth != 24 && depth != 32) return false;
  m_nTopDown = (descriptor >> 5) & 1;
  m_bAlpha = (descriptor & 15) != 0 ? 1 : 0;
  ReadFooter();

  uint32_t table[256] = {};
  bool haveTable = false;
  const int entryBytes = EntryBytes(entrySize);
  if (imageType == 1 || imageType == 9) {
    if (mapType != 1) return false;
    if (mapLength > 0) {
      if (mapLength > 256 || entryBytes == 0) return false;
      const uint64_t start = kHeaderSize + idLength;
      if (start + mapLength * entryBytes > m_nInputSize) return false;
      for (uint64_t i = 0; i < mapLength; ++i) {
        const uint8_t* e = in + start + i * entryBytes;
        if (entryBytes == 2) {
          const uint16_t v = ReadLe16(e);
          uint8_t bgr[3];
          Expand555(v, bgr);
          table[i] = PackBgra(bgr[0], bgr[1], bgr[2], (v & 0x8000) ? 255 : 0);
        } else if (entryBytes == 3) {
          table[i] = PackBgra(e[0], e[1], e[2], 255);
        } else {
          table[i] = PackBgra(e[0], e[1], e[2], e[3]);
        }
      }
      haveTable = true;
    }
  }
  if (mapLength != 0 && haveTable && m_nAttributesType <= 1)
    for (uint32_t& entry : table) entry |= 0xFF000000u;
  if (mapLength == 0 && depth == 8 && (imageType == 3 || imageType == 11)) {
    for (uint32_t i = 0; i < 256; ++i) table[i] = PackBgra(uint8_t(i), uint8_t(i), uint8_t(i), 255);
    haveTable = true;
  }
  if (depth == 8 && !haveTable) return false;
  if (width == 0 || height == 0 || !SizeAllowed(width, height)) return false;

  const int pixelBytes = depth / 8;
  const uint64_t total = width * height;
  const uint64_t dataOffset = kHeaderSize + idLength + mapLength * entryBytes;
  if (dataOffset >= m_nInputSize) return false;
  const uint8_t* pixels = in + dataOffset;
  std::unique_ptr<uint8_t[]> expanded;
  if (IsRunLength(imageType)) {
    // Refuse before allocating when the packets cannot possibly fill the picture.
    if ((m_nInputSize - dataOffset) * kMaxPixelsPerPacket < total) return false;
    expanded.reset(new (std::nothrow) uint8_t[static_cast<size_t>(total * pixelBytes)]);
    if (!expanded || !ExpandRunLength(in, m_nInputSize, dataOffset, expanded.get(), total, pixelBytes)) return false;
    pixels = expanded.get();
  } else if (total * pixelBytes > m_nInputSize - dataOffset) {
    return false;
  }

  uint8_t* out = AllocateOutput(width, height);
  if (out == nullptr) return false;
  const bool keepAlpha = m_bAlpha == 1;
  for (uint64_t r = 0; r < height; ++r) {
    const uint8_t* from = pixels + r * width * pixelBytes;
    uint8_t* to = out + (m_nTopDown == 1 ? r : height - 1 - r) * width * 4;
    switch (depth) {
      case 8:
        for (uint64_t x = 0; x < width; ++x) std::memcpy(to + x * 4, &table[from[x]], 4);
        break;
      case 16:
        for (uint64_t x = 0; x < width; ++x, to += 4) {
          Expand555(ReadLe16(from + x * 2), to);
          to[3] = 255;
        }
        break;
      case 24:
        ExpandBgrRow(from, to, int(width));
        break;
      case 32:
        std::memcpy(to, from, width * 4);
        if (!keepAlpha)
          for (uint64_t x = 0; x < width; ++x) to[x * 4 + 3] = 255;
        break;
    }
  }
  m_nWidth = int(width);
  m_nHeight = int(height);
  return true;
}

}  // namespace ZEvuvoro
