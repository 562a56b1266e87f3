#include <cstdio>

#include "../Image.h"
#include "JpegError.h"

namespace ZEvuvoro {

namespace {

// Writes the picture into an open file; false on any library error.
bool CompressInto(FILE* file, const uint8_t* data, int width, int height, int stride, int flip) {
  jpeg_compress_struct info;
  JpegErrorManager errors;
  info.err = InstallJpegErrorManager(errors);
  if (setjmp(errors.m_jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = JDIMENSION(width);
  info.image_height = JDIMENSION(height);
  // The library reads blue, green, red and skips alpha itself; the result is
  // the same as handing it red, green, blue rows.
  info.input_components = 4;
  info.in_color_space = JCS_EXT_BGRA;
  jpeg_set_defaults(&info);
  jpeg_start_compress(&info, TRUE);
  while (info.next_scanline < info.image_height) {
    const int i = int(info.next_scanline);
    const int row = flip ? height - 1 - i : i;
    JSAMPROW pointer = const_cast<JSAMPROW>(data + ptrdiff_t(row) * stride);
    jpeg_write_scanlines(&info, &pointer, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

}  // namespace

int CImage::SaveJpeg(const wchar_t* path, int flip) const {
  if (path == nullptr || m_pData == nullptr || m_nWidth < 1 || m_nHeight < 1) return 0;
  if (m_nWidth > JPEG_MAX_DIMENSION || m_nHeight > JPEG_MAX_DIMENSION) return 0;
  FILE* file = _wfopen(path, L"wb");
  if (file == nullptr) return 0;
  bool written = CompressInto(file, m_pData, m_nWidth, m_nHeight, m_nStride, flip);
  if (std::ferror(file)) written = false;
  if (std::fclose(file) != 0) written = false;
  // A failed save leaves no half-written picture behind.
  if (!written) _wremove(path);
  return written ? 1 : 0;
}

}  // namespace ZEvuvoro
