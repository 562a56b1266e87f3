// Decoding speed of 12-megapixel JPEG, PNG and 24-bit BMP files through
// CImage::LoadFile, against the bare libraries in the same process, and
// LoadFile's cost against reading the file into memory once. Every buffer is
// allocated fresh and left unset, as a real load's is, and the bare library's
// blue, green, red, alpha pixels must equal LoadMemory's.

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
constexpr int kRounds = 5;
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

// A buffer that is not cleared when allocated (std::vector would zero it,
// which no load does).
struct Buffer {
  std::unique_ptr<uint8_t[]> data;
  size_t size = 0;

  uint8_t* Allocate(size_t n) {
    data.reset(new uint8_t[n]);
    size = n;
    return data.get();
  }
};

bool ReadOnce(const wchar_t* path, Buffer& bytes) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  LARGE_INTEGER size;
  DWORD got = 0;
  const bool ok = GetFileSizeEx(file, &size) &&
                  ReadFile(file, bytes.Allocate(size_t(size.QuadPart)), DWORD(size.QuadPart), &got, nullptr) &&
                  got == size.QuadPart;
  CloseHandle(file);
  return ok;
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
bool BareJpegAs(const Buffer& file, Buffer& out, bool bgra) {
  jpeg_decompress_struct info;
  BareJpegError errors;
  info.err = jpeg_std_error(&errors.pub);
  errors.pub.error_exit = BareJpegExit;
  if (setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, file.data.get(), (unsigned long)file.size);
  jpeg_read_header(&info, TRUE);
  if (bgra) info.out_color_space = JCS_EXT_BGRA;
  jpeg_start_decompress(&info);
  if (info.output_components != (bgra ? 4 : 3)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  const size_t rowBytes = size_t(info.output_width) * info.output_components;
  uint8_t* pixels = out.Allocate(rowBytes * info.output_height);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = pixels + rowBytes * info.output_scanline;
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

bool BarePngAs(const Buffer& file, Buffer& out, bool bgra) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  BareReader reader{file.data.get(), file.size};
  png_set_read_fn(png, &reader, BareRead);
  png_read_info(png, info);
  if (bgra) {
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_bgr(png);
  }
  png_read_update_info(png, info);
  const size_t rowBytes = png_get_rowbytes(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  uint8_t* pixels = out.Allocate(rowBytes * height);
  rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels + rowBytes * y;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

bool BareJpeg(const Buffer& file, Buffer& out) { return BareJpegAs(file, out, false); }
bool BareJpegBgra(const Buffer& file, Buffer& out) { return BareJpegAs(file, out, true); }
bool BarePng(const Buffer& file, Buffer& out) { return BarePngAs(file, out, false); }
bool BarePngBgra(const Buffer& file, Buffer& out) { return BarePngAs(file, out, true); }

void Report(const char* format, const char* name, double seconds) {
  std::printf("%s_%s: %.1f Mpix/s\n", format, name, kMegapixels / seconds);
}

// Our pixels against the bare library's: the comparison only holds if both did the same work.
bool SamePixels(const Buffer& file, bool (*bareBgra)(const Buffer&, Buffer&)) {
  CImage image;
  Buffer bare;
  image.LoadMemory(file.data.get(), file.size);
  if (!image.m_bValid || !bareBgra(file, bare)) return false;
  if (bare.size != size_t(image.m_nHeight) * image.m_nStride) return false;
  return std::memcmp(bare.data.get(), image.m_pData, bare.size) == 0;
}

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
    bool (*bare)(const Buffer&, Buffer&);
    bool (*bareBgra)(const Buffer&, Buffer&);
  };
  const Format formats[] = {{"jpeg", jpegPath, BareJpeg, BareJpegBgra},
                            {"png", pngPath, BarePng, BarePngBgra},
                            {"bmp", bmpPath, nullptr, nullptr}};
  // The variants of one format run in turns, round after round, and each
  // keeps its best time, so that load from elsewhere on the machine hits
  // them alike.
  bool failed = false;
  auto fail = [&](const char* what, const char* format) {
    if (!failed) std::printf("error: %s %s\n", format, what);
    failed = true;
  };
  for (const Format& f : formats) {
    Buffer bytes;
    if (!ReadOnce(f.path, bytes)) fail("file cannot be read", f.name);
    if (f.bareBgra != nullptr && !SamePixels(bytes, f.bareBgra)) fail("pixels differ from the bare library's", f.name);
    std::vector<std::function<void()>> work = {
        [&] {
          CImage image;
          image.LoadFile(f.path);
          if (!image.m_bValid) fail("file did not decode", f.name);
        },
        [&] {
          Buffer again;
          if (!ReadOnce(f.path, again)) fail("file cannot be read", f.name);
        },
        [&] {
          CImage image;
          image.LoadMemory(bytes.data.get(), bytes.size);
          if (!image.m_bValid) fail("file did not decode from memory", f.name);
        },
    };
    if (f.bare != nullptr) {
      // A fresh output buffer per run, as a real load has.
      work.push_back([&] {
        Buffer out;
        if (!f.bare(bytes, out)) fail("bare library decode failed", f.name);
      });
      work.push_back([&] {
        Buffer out;
        if (!f.bareBgra(bytes, out)) fail("bare library decode failed", f.name);
      });
    }
    std::vector<double> best(work.size(), 1e30);
    for (int round = 0; round < kRounds; ++round)
      for (size_t i = 0; i < work.size(); ++i) {
        const double start = Now();
        work[i]();
        best[i] = std::min(best[i], Now() - start);
      }
    if (failed) break;
    const double loadFile = best[0], readOnce = best[1], loadMemory = best[2];
    Report(f.name, "loadfile", loadFile);
    Report(f.name, "loadmemory", loadMemory);
    std::printf("%s_read_once: %.2f ms\n", f.name, readOnce * 1e3);
    std::printf("%s_loadfile_vs_read_once_plus_loadmemory: %.3f x\n", f.name, loadFile / (readOnce + loadMemory));
    if (f.bare != nullptr) {
      Report(f.name, "bare_library_rgb", best[3]);
      Report(f.name, "bare_library_bgra", best[4]);
      // Against the library writing 3-byte pixels, and writing the same 4-byte pixels as ours.
      std::printf("%s_loadmemory_vs_bare_library_rgb: %.3f x\n", f.name, loadMemory / best[3]);
      std::printf("%s_loadmemory_vs_bare_library_bgra: %.3f x\n", f.name, loadMemory / best[4]);
    }
  }
  DeleteFileW(jpegPath);
  DeleteFileW(pngPath);
  DeleteFileW(bmpPath);
  return failed ? 1 : 0;
}
