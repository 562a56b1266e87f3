#include "image/FormatProbe.h"

#include <cstring>

#include <png.h>

namespace ZEvuvoro {

bool IsPngData(const uint8_t* data, uint64_t size) {
  return data != nullptr && size >= 9 && png_sig_cmp(data, 0, 8) == 0;
}

bool IsGifData(const uint8_t* data, uint64_t size) {
  return data != nullptr && size >= 7 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0);
}

bool IsJpegData(const uint8_t* data, uint64_t size) {
  return data != nullptr && size >= 5 && data[0] == 0xFF && data[1] == 0xD8;
}

// Only files with the 40-byte information header count.
bool IsBmpData(const uint8_t* data, uint64_t size) {
  return data != nullptr && size >= 55 && data[0] == 'B' && data[1] == 'M' && data[14] == 40 && data[15] == 0 &&
         data[16] == 0 && data[17] == 0;
}

bool IsTiffData(const uint8_t* data, uint64_t size) {
  if (data == nullptr || size < 5) return false;
  return (data[0] == 'I' && data[1] == 'I' && data[2] == 42 && data[3] == 0) ||
         (data[0] == 'M' && data[1] == 'M' && data[2] == 0 && data[3] == 42);
}

}  // namespace ZEvuvoro
