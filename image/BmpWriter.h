#pragma once

#include <cstdint>

#include "image/FileOutput.h"

namespace ZEvuvoro {

// Uncompressed BMP files with the 40-byte information header, all fields
// little-endian; the structures are written as they lie in memory.
#pragma pack(push, 1)
struct BmpFileHeader {
  uint16_t type;
  uint32_t fileSize;
  uint16_t reserved1;
  uint16_t reserved2;
  uint32_t dataOffset;
};
struct BmpInfoHeader {
  uint32_t headerSize;
  int32_t width;
  int32_t height;
  uint16_t planes;
  uint16_t bitCount;
  uint32_t compression;
  uint32_t imageSize;
  int32_t xPixelsPerMetre;
  int32_t yPixelsPerMetre;
  uint32_t coloursUsed;
  uint32_t coloursImportant;
};
#pragma pack(pop)
static_assert(sizeof(BmpFileHeader) == 14);
static_assert(sizeof(BmpInfoHeader) == 40);

// A 32-bit BMP: rows of width x 4 bytes as stored; flip 0 writes memory row 0
// first (it becomes the bottom of the picture), flip non-zero the last row first.
bool WriteBmp32(CByteSink& sink, int width, int height, int stride, const uint8_t* data, int flip);

// An 8-bit BMP with a grey palette: rows of stride bytes, last memory row first.
bool WriteBmp8(CByteSink& sink, int width, int height, int stride, const uint8_t* data);

}  // namespace ZEvuvoro
