#pragma once

// Just enough of 24-bit BMP files for the fusion tests: rows top first, each
// padded to a multiple of 4 bytes, blue, green, red, as the fusion takes them.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct FusionTestPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rows;

    size_t RowBytes() const { return (static_cast<size_t>(width) * 3 + 3) / 4 * 4; }
};

inline uint32_t FusionTestLe32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline bool ReadFusionTestBmp(const std::string& path, FusionTestPicture& picture)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    std::vector<uint8_t> data;
    uint8_t buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        data.insert(data.end(), buffer, buffer + got);
    std::fclose(file);
    if (data.size() < 54 || data[0] != 'B' || data[1] != 'M' || data[28] != 24)
        return false;
    const uint32_t offset = FusionTestLe32(&data[10]);
    const int32_t width = static_cast<int32_t>(FusionTestLe32(&data[18]));
    const int32_t height = static_cast<int32_t>(FusionTestLe32(&data[22]));
    if (width <= 0 || height == 0)
        return false;
    picture.width = width;
    picture.height = height < 0 ? -height : height;
    const size_t row = picture.RowBytes();
    if (offset + row * picture.height > data.size())
        return false;
    picture.rows.assign(row * picture.height, 0);
    for (int y = 0; y < picture.height; ++y) {
        const int from = height < 0 ? y : picture.height - 1 - y;
        std::copy_n(&data[offset + row * from], row, &picture.rows[row * y]);
    }
    return true;
}

inline bool WriteFusionTestBmp(const std::string& path, const FusionTestPicture& picture)
{
    const size_t row = picture.RowBytes();
    const uint32_t imageBytes = static_cast<uint32_t>(row * picture.height);
    uint8_t header[54] = {'B', 'M'};
    auto put32 = [&](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            header[at + i] = static_cast<uint8_t>(v >> (8 * i));
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
    if (!file)
        return false;
    bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header;
    for (int y = picture.height - 1; y >= 0 && ok; --y)
        ok = std::fwrite(&picture.rows[row * y], 1, row, file) == row;
    return std::fclose(file) == 0 && ok;
}
