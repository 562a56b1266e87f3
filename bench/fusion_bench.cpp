// Fuses a focus series of 24-bit BMP files with our engine, as the thumbnail
// strip does (one picture in memory at a time), and prints the wall time and
// the peak memory of the process.
//
//   fusion_bench.exe OUT.bmp IN.bmp...        fuse files (times include reading and writing)
//   fusion_bench.exe --synthetic W H N        fuse N generated W x H pictures (no files)

#include "FusionImage.h"

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

double Now()
{
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

uint32_t Le32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rows; // top row first, as the fusion takes them
    size_t RowBytes() const { return (static_cast<size_t>(width) * 3 + 3) / 4 * 4; }
};

// Reads a bottom-up 24-bit BMP into `picture`, reusing its buffer.
bool ReadBmp(const char* path, Picture& picture)
{
    FILE* file = std::fopen(path, "rb");
    if (!file)
        return false;
    uint8_t header[54];
    bool ok = std::fread(header, 1, sizeof header, file) == sizeof header && header[0] == 'B' && header[1] == 'M' &&
              header[28] == 24;
    if (ok) {
        picture.width = static_cast<int32_t>(Le32(header + 18));
        picture.height = static_cast<int32_t>(Le32(header + 22));
        ok = picture.width > 0 && picture.height > 0 && std::fseek(file, Le32(header + 10), SEEK_SET) == 0;
    }
    if (ok) {
        const size_t row = picture.RowBytes();
        picture.rows.resize(row * picture.height);
        for (int y = picture.height - 1; y >= 0 && ok; --y)
            ok = std::fread(&picture.rows[row * y], 1, row, file) == row;
    }
    std::fclose(file);
    return ok;
}

bool WriteBmp(const char* path, const Picture& picture)
{
    const size_t row = picture.RowBytes();
    uint8_t header[54] = {'B', 'M'};
    auto put32 = [&](int at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            header[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put32(2, static_cast<uint32_t>(54 + row * picture.height));
    put32(10, 54);
    put32(14, 40);
    put32(18, picture.width);
    put32(22, picture.height);
    header[26] = 1;
    header[28] = 24;
    FILE* file = std::fopen(path, "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(header, 1, sizeof header, file) == sizeof header;
    for (int y = picture.height - 1; y >= 0 && ok; --y)
        ok = std::fwrite(&picture.rows[row * y], 1, row, file) == row;
    return std::fclose(file) == 0 && ok;
}

void Synthesize(Picture& picture, int index)
{
    const size_t row = picture.RowBytes();
    uint32_t state = 2463534242u + index;
    for (int y = 0; y < picture.height; ++y) {
        uint8_t* p = &picture.rows[row * y];
        for (int x = 0; x < picture.width * 3; ++x) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            p[x] = static_cast<uint8_t>(((x / 3 + y) & 0x7F) + (state & 0x7F));
        }
    }
}

void PrintMemory()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        std::printf("peak_working_set: %.1f MB\n", counters.PeakWorkingSetSize / 1048576.0);
    }
}

int Fail(const char* what, const char* detail)
{
    std::fprintf(stderr, "fusion_bench: %s %s\n", what, detail);
    return 1;
}

} // namespace

int main(int argc, char** argv)
{
    const bool synthetic = argc == 5 && std::strcmp(argv[1], "--synthetic") == 0;
    if (!synthetic && argc < 3)
        return Fail("usage:", "OUT.bmp IN.bmp... | --synthetic W H N");
    const int count = synthetic ? std::atoi(argv[4]) : argc - 2;
    Picture picture;
    if (synthetic) {
        picture.width = std::atoi(argv[2]);
        picture.height = std::atoi(argv[3]);
        picture.rows.resize(picture.RowBytes() * picture.height);
    }

    double converting = 0.0;
    const double start = Now();
    CGPUFusionImage* fusion = nullptr;
    for (int i = 0; i < count; ++i) {
        const double readStart = Now();
        if (synthetic)
            Synthesize(picture, i);
        else if (!ReadBmp(argv[2 + i], picture))
            return Fail("cannot read", argv[2 + i]);
        converting += Now() - readStart;
        if (!fusion && !(fusion = CreateFusionImage(picture.width, picture.height, 0)))
            return Fail("cannot create the fusion", "");
        if (!FusionAddImage(fusion, 24, picture.rows.data()))
            return Fail("cannot add", synthetic ? "" : argv[2 + i]);
    }
    if (!FusionGetResult(fusion, 24, picture.rows.data()))
        return Fail("no result", "");
    DestroyFusionImage(fusion);
    const double writeStart = Now();
    if (!synthetic && !WriteBmp(argv[1], picture))
        return Fail("cannot write", argv[1]);
    const double end = Now();
    converting += end - writeStart;

    std::printf("pictures: %d\n", count);
    std::printf("megapixels: %.1f MP\n", picture.width * static_cast<double>(picture.height) / 1e6);
    std::printf("fusion_time: %.0f ms\n", (end - start - converting) * 1000.0);
    std::printf("wall_time: %.0f ms\n", (end - start) * 1000.0);
    PrintMemory();
    return 0;
}
