#pragma once

#include <cstdint>

namespace ZEvuvoro {

// Little-endian fields of the file formats, read byte by byte so that any
// alignment works.
inline uint16_t ReadLe16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }

inline uint32_t ReadLe32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// A 15-bit colour: five bits each of blue, green and red from the low bits up,
// every field scaled by 8; bit 15 is not a colour bit.
inline void Expand555(uint16_t v, uint8_t* bgr) {
  bgr[0] = uint8_t((v & 31) << 3);
  bgr[1] = uint8_t(((v >> 5) & 31) << 3);
  bgr[2] = uint8_t(((v >> 10) & 31) << 3);
}

}  // namespace ZEvuvoro
