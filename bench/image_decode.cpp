// Decoding speed of 12-megapixel JPEG, PNG and 24-bit BMP files through
// CImage::LoadFile, against the bare libraries in the same process, and
// LoadFile's cost against reading the file into memory once.

#include <windows.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include <jpeglib.h>
#include <png.h>

#include "image/Image.h"

using ZEvuvoro::CImage;

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kRounds = 9;
constexpr double kMegapixels = kWidth * double(kHeight) / 1e6;

double Now() {
  LARGE_INTEGER t, f;
  QueryPerformanceCounter(&t);
  QueryPerformanceFrequency(&f);
  return double(t.QuadPart) / double(f.QuadPart);
}

// A photograph-like picture: smooth shading with some sensor noise.
void FillPicture(CImage& image) {
  std::mt19937 random(7);
  for (int y = 0; y < image.m_nHeight; ++y) {
    uint8_t* row = image.m_pData + size_t(y) * image.m_nStride;
    for (int x = 0; x < image.m_nWidth; ++x) {
      const int noise = int(random() % 9);
      row[x * 4 + 0] = uint8_t((x / 16 + noise) & 255);
      row[x * 4 + 1] = uint8_t((y / 12 + noise) & 255);
      row[x * 4 + 2] = uint8_t(((x + y) / 28 + noise) & 255);
      row[x * 4 + 3] = 255;
    }
  }
}

std::vector<uint8_t> ReadOnce(const wchar_t* path) {
  std::vector<uint8_t> bytes;
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  LARGE_INTEGER size;
  GetFileSizeEx(file, &size);
  bytes.resize(size_t(size.QuadPart));
  DWORD got = 0;
  ReadFile(file, bytes.data(), DWORD(bytes.size()), &got, nullptr);
  bytes.resize(got);
  CloseHandle(file);
  return bytes;
}

bool WritePng(const wchar_t* path, const CImage& image) {
  FILE* f = _wfopen(path, L"wb");
  if (!f) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return false;
  }
  png_init_io(png, f);
  png_set_IHDR(png, info, image.m_nWidth, image.m_nHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_set_filler(png, 0, PNG_FILLER_AFTER);
  png_set_bgr(png);
  for (int y = 0; y < image.m_nHeight; ++y) png_write_row(png, image.m_pData + size_t(y) * image.m_nStride);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
  return true;
}

bool WriteBmp24(const wchar_t* path, const CImage& image) {
  const int rowBytes = (image.m_nWidth * 3 + 3) / 4 * 4;
  std::vector<uint8_t> b(54 + size_t(rowBytes) * image.m_nHeight);
  auto put = [&](size_t at, uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + i] = uint8_t(v >> (8 * i));
  };
  b[0] = 'B';
  b[1] = 'M';
  put(2, uint32_t(b.size()), 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, uint32_t(image.m_nWidth), 4);
  put(22, uint32_t(image.m_nHeight), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  for (int y = 0; y < image.m_nHeight; ++y)
    for (int x = 0; x < image.m_nWidth; ++x)
      std::memcpy(&b[54 + size_t(y) * rowBytes + x * 3], image.m_pData + size_t(y) * image.m_nStride + x * 4, 3);
  FILE* f = _wfopen(path, L"wb");
  if (!f) return false;
  const bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
  return std::fclose(f) == 0 && ok;
}

struct BareJpegError {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

void BareJpegExit(j_common_ptr info) { std::longjmp(reinterpret_cast<BareJpegError*>(info->err)->jump, 1); }

// The library alone: decode from memory to its default RGB rows, or to the
// blue, green, red, alpha rows that the image holds.
bool BareJpegAs(const std::vector<uint8_t>& file, std::vector<uint8_t>& out, bool bgra) {
  jpeg_decompress_struct info;
  BareJpegError errors;
  info.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = BareJpegExit;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, file.data(), (unsigned long)file.size());
  jpeg_read_header(&info, TRUE);
  if (bgra) info.out_color_space = JCS_EXT_BGRA;
  jpeg_start_decompress(&info);
  const size_t rowBytes = size_t(info.output_width) * info.output_components;
  out.resize(rowBytes * info.output_height);
  if (info.output_components != (bgra ? 4 : 3)) return false;
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = out.data() + rowBytes * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

struct BareReader {
  const uint8_t* p;
  size_t left;
};

void BareRead(png_structp png, png_bytep out, size_t n) {
  auto* r = static_cast<BareReader*>(png_get_io_ptr(png));
  if (r->left < n) png_error(png, "short");
  std::memcpy(out, r->p, n);
  r->p += n;
  r->left -= n;
}

bool BarePngAs(const std::vector<uint8_t>& file, std::vector<uint8_t>& out, bool bgra) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  BareReader reader{file.data(), file.size()};
  png_set_read_fn(png, &reader, BareRead);
  png_read_info(png, info);
  if (bgra) {
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(png);
  }
  png_read_update_info(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  out.resize(rowBytes * height);
  rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = out.data() + rowBytes * y;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

bool BareJpeg(const std::vector<uint8_t>& file, std::vector<uint8_t>& out) { return BareJpegAs(file, out, false); }
bool BareJpegBgra(const std::vector<uint8_t>& file, std::vector<uint8_t>& out) { return BareJpegAs(file, out, true); }
bool BarePng(const std::vector<uint8_t>& file, std::vector<uint8_t>& out) { return BarePngAs(file, out, false); }
bool BarePngBgra(const std::vector<uint8_t>& file, std::vector<uint8_t>& out) { return BarePngAs(file, out, true); }

void Report(const char* name, double seconds) { std::printf("%s: %.1f MP/s\n", name, kMegapixels / seconds); }

}  // namespace

int main() {
  CImage picture(kWidth, kHeight);
  FillPicture(picture);
  const wchar_t* jpegPath = L"bench_12mp.jpg";
  const wchar_t* pngPath = L"bench_12mp.png";
  const wchar_t* bmpPath = L"bench_12mp.bmp";
  if (!picture.SaveJpeg(jpegPath, 0) || !WritePng(pngPath, picture) || !WriteBmp24(bmpPath, picture)) {
    std::printf("error: cannot write the test files\n");
    return 1;
  }

  struct Format {
    const char* name;
    const wchar_t* path;
    bool (*bare)(const std::vector<uint8_t>&, std::vector<uint8_t>&);
    bool (*bareBgra)(const std::vector<uint8_t>&, std::vector<uint8_t>&);
  };
  const Format formats[] = {{"jpeg", jpegPath, BareJpeg, BareJpegBgra},
                            {"png", pngPath, BarePng, BarePngBgra},
                            {"bmp", bmpPath, nullptr, nullptr}};
  // The variants of one format run in turns, round after round, and each
  // keeps its best time, so that load from elsewhere on the machine hits
  // them alike.
  for (const Format& f : formats) {
    std::vector<uint8_t> bytes = ReadOnce(f.path);
    std::vector<std::function<void()>> work = {
        [&] {
          CImage image;
          image.LoadFile(f.path);
          if (!image.m_bValid) std::printf("error: %s did not decode\n", f.name);
        },
        [&] { std::vector<uint8_t> again = ReadOnce(f.path); },
        [&] {
          CImage image;
          image.LoadMemory(bytes.data(), bytes.size());
        },
    };
    if (f.bare != nullptr) {
      // A fresh output buffer per run, as a real load has.
      work.push_back([&] {
        std::vector<uint8_t> out;
        if (!f.bare(bytes, out)) std::printf("error: the bare %s decode failed\n", f.name);
      });
      work.push_back([&] {
        std::vector<uint8_t> out;
        if (!f.bareBgra(bytes, out)) std::printf("error: the bare %s decode failed\n", f.name);
      });
    }
    std::vector<double> best(work.size(), 1e30);
    for (int round = 0; round < kRounds; ++round)
      for (size_t i = 0; i < work.size(); ++i) {
        const double start = Now();
        work[i]();
        best[i] = std::min(best[i], Now() - start);
      }
    const double loadFile = best[0], readOnce = best[1], loadMemory = best[2];
    char name[64];
    std::snprintf(name, sizeof name, "%s_loadfile", f.name);
    Report(name, loadFile);
    std::snprintf(name, sizeof name, "%s_loadmemory", f.name);
    Report(name, loadMemory);
    std::printf("%s_read_once: %.2f ms\n", f.name, readOnce * 1e3);
    std::printf("ratio: %.3f (%s LoadFile against one read plus LoadMemory)\n", loadFile / (readOnce + loadMemory),
                f.name);
    if (f.bare != nullptr) {
      std::snprintf(name, sizeof name, "%s_bare_library_rgb", f.name);
      Report(name, best[3]);
      std::printf("ratio: %.3f (%s LoadMemory against the bare library writing 3-byte RGB)\n", loadMemory / best[3],
                  f.name);
      std::snprintf(name, sizeof name, "%s_bare_library_bgra", f.name);
      Report(name, best[4]);
      std::printf("ratio: %.3f (%s LoadMemory against the bare library writing the same 4-byte pixels)\n",
                  loadMemory / best[4], f.name);
    }
  }
  DeleteFileW(jpegPath);
  DeleteFileW(pngPath);
  DeleteFileW(bmpPath);
  return 0;
}
