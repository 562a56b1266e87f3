#include "image/codecs/DecodePNG.h"

#include <cstring>
#include <new>

#include <png.h>

namespace ZEvuvoro {

namespace {

// Deflate packs at most about 1032 bytes into one, so a file much smaller than
// its rows divided by that cannot hold them; it is refused before the picture
// is allocated.
constexpr uint64_t kMaxDeflateRatio = 1100;

// Where libpng's read function takes its bytes from.
struct PngMemoryReader {
  const uint8_t* m_pPosition;
  uint64_t m_nLeft;
};

void ReadFromMemory(png_structp png, png_bytep out, size_t count) {
  auto* reader = static_cast<PngMemoryReader*>(png_get_io_ptr(png));
  if (reader->m_nLeft < count) png_error(png, "read png error");
  std::memcpy(out, reader->m_pPosition, count);
  reader->m_pPosition += count;
  reader->m_nLeft -= count;
}

// Errors jump back to the decoder; neither errors nor warnings are printed.
void JumpOnError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

void IgnoreWarning(png_structp, png_const_charp) {}

}  // namespace

bool CDecodePNG::DoDecode() {
  // The library refuses structures created for another version than its own.
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpOnError, IgnoreWarning);
  if (png == nullptr) return false;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return false;
  }
  png_bytep* volatile rows = nullptr;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    delete[] rows;
    return false;
  }
  PngMemoryReader reader{m_pInput, m_nInputSize};
  png_set_read_fn(png, &reader, ReadFromMemory);
  png_read_info(png, info);

  const png_uint_32 fileWidth = png_get_image_width(png, info);
  const png_uint_32 fileHeight = png_get_image_height(png, info);
  const int bitDepth = png_get_bit_depth(png, info);
  const int colourType = png_get_color_type(png, info);
  const uint64_t rowBytes = (uint64_t(fileWidth) * png_get_channels(png, info) * bitDepth + 7) / 8 + 1;
  if (!SizeAllowed(fileWidth, fileHeight) || m_nInputSize * kMaxDeflateRatio < rowBytes * fileHeight) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  const bool hasTransparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if ((colourType == PNG_COLOR_TYPE_PALETTE && bitDepth <= 8) || (colourType == PNG_COLOR_TYPE_GRAY && bitDepth < 8) ||
      hasTransparency)
    png_set_expand(png);
  else if (bitDepth < 8)
    png_set_packing(png);
  if (bitDepth == 16) png_set_strip_16(png);
  if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  if ((colourType & PNG_COLOR_MASK_ALPHA) == 0) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  double fileGamma = 0.45455;
  if (!png_get_valid(png, info, PNG_INFO_sRGB)) png_get_gAMA(png, info, &fileGamma);
  png_set_gamma(png, 2.2, fileGamma);
  // Blue, green, red, alpha straight from the library instead of a reordering pass.
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);

  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  if (png_get_rowbytes(png, info) != size_t(width) * 4) {
    png_destroy_read_struct(&png, &info, nullptr);
    return false;
  }
  uint8_t* out = AllocateOutput(width, height);
  rows = new (std::nothrow) png_bytep[height];
  if (out == nullptr || rows == nullptr) {
    png_destroy_read_struct(&png, &info, nullptr);
    delete[] rows;
    return false;
  }
  for (png_uint_32 i = 0; i < height; ++i) rows[i] = out + size_t(i) * width * 4;
  png_read_image(png, rows);
  delete[] rows;
  rows = nullptr;
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  m_nWidth = int(width);
  m_nHeight = int(height);
  return true;
}

}  // namespace ZEvuvoro
