#include <memory>

#include "image/FileOutput.h"
#include "image/Image.h"
#include "image/codecs/JpegError.h"

namespace ZEvuvoro {

namespace {

constexpr size_t kDestinationBuffer = 64 * 1024;

// libjpeg destination writing into our file output; a failed write is a
// fatal library error, so the compression stops at once.
struct JpegFileDestination {
  jpeg_destination_mgr m_pub;
  CFileOutput* m_pFile;
  JOCTET m_buffer[kDestinationBuffer];
};

void InitDestination(j_compress_ptr info) {
  auto* destination = reinterpret_cast<JpegFileDestination*>(info->dest);
  destination->m_pub.next_output_byte = destination->m_buffer;
  destination->m_pub.free_in_buffer = kDestinationBuffer;
}

boolean EmptyOutputBuffer(j_compress_ptr info) {
  auto* destination = reinterpret_cast<JpegFileDestination*>(info->dest);
  if (!destination->m_pFile->Write(destination->m_buffer, kDestinationBuffer))
    info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
  destination->m_pub.next_output_byte = destination->m_buffer;
  destination->m_pub.free_in_buffer = kDestinationBuffer;
  return TRUE;
}

void TermDestination(j_compress_ptr info) {
  auto* destination = reinterpret_cast<JpegFileDestination*>(info->dest);
  const size_t used = kDestinationBuffer - destination->m_pub.free_in_buffer;
  if (used > 0 && !destination->m_pFile->Write(destination->m_buffer, used))
    info->err->error_exit(reinterpret_cast<j_common_ptr>(info));
}

// Compresses the picture into the file; false on any library error.
bool CompressInto(JpegFileDestination& destination, const uint8_t* data, int width, int height, int stride, int flip) {
  jpeg_compress_struct info;
  JpegErrorManager errors;
  info.err = InstallJpegErrorManager(errors);
  if (setjmp(errors.m_jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  destination.m_pub.init_destination = InitDestination;
  destination.m_pub.empty_output_buffer = EmptyOutputBuffer;
  destination.m_pub.term_destination = TermDestination;
  info.dest = &destination.m_pub;
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
  CFileOutput file(path);
  if (!file.IsOpen()) return 0;
  auto destination = std::make_unique<JpegFileDestination>();
  destination->m_pFile = &file;
  // Unless everything was written the file output removes the file again.
  if (!CompressInto(*destination, m_pData, m_nWidth, m_nHeight, m_nStride, flip)) return 0;
  return file.Commit() ? 1 : 0;
}

}  // namespace ZEvuvoro
