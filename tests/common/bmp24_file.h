#pragma once

// Just enough of 24-bit BMP files for the fusion tests and benchmark: rows top
// first, each padded to a multiple of 4 bytes, blue, green, red, as the fusion
// takes them.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct Bmp24Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rows;

  size_t RowBytes() const { return (static_cast<size_t>(width) * 3 + 3) / 4 * 4; }
};

inline uint32_t Bmp24Le32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// Reads a bottom-up or top-down file into `picture`, reusing its buffer; rows
// are read straight into place so that a large picture is held only once.
inline bool ReadBmp24(const std::string& path, Bmp24Picture& picture) {
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return false;
  uint8_t header[54];
  bool ok = std::fread(header, 1, sizeof header, file) == sizeof header && header[0] == 'B' && header[1] == 'M' &&
            header[28] == 24;
  int32_t height = 0;
  if (ok) {
    const int32_t width = static_cast<int32_t>(Bmp24Le32(header + 18));
    height = static_cast<int32_t>(Bmp24Le32(header + 22));
    ok = width > 0 && height != 0 && std::fseek(file, static_cast<long>(Bmp24Le32(header + 10)), SEEK_SET) == 0;
    picture.width = width;
    picture.height = height < 0 ? -height : height;
  }
  if (ok) {
    const size_t row = picture.RowBytes();
    picture.rows.resize(row * picture.height);
    for (int i = 0; i < picture.height && ok; ++i) {
      const int y = height < 0 ? i : picture.height - 1 - i;
      ok = std::fread(&picture.rows[row * y], 1, row, file) == row;
    }
  }
  std::fclose(file);
  return ok;
}

inline bool WriteBmp24(const std::string& path, const Bmp24Picture& picture) {
  const size_t row = picture.RowBytes();
  const uint32_t imageBytes = static_cast<uint32_t>(row * picture.height);
  uint8_t header[54] = {'B', 'M'};
  auto put32 = [&](int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) header[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  put32(2, 54 + imageBytes);
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(picture.width));
  put32(22, static_cast<uint32_t>(picture.height));
  header[26] = 1;
  header[28] = 24;
  put32(34, imageBytes);
  FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header;
  for (int y = picture.height - 1; y >= 0 && ok; --y) ok = std::fwrite(&picture.rows[row * y], 1, row, file) == row;
  return std::fclose(file) == 0 && ok;
}
