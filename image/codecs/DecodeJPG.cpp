#include "image/codecs/DecodeJPG.h"

#include <cstring>
#include <new>

#include "image/codecs/JpegError.h"

namespace ZEvuvoro {

namespace {

// A progressive file costs a pass over the whole picture per scan; a file
// made of endless tiny scans would never finish.
constexpr int kMaxScans = 500;

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

// libjpeg source over one block of memory. Running short supplies an
// end-of-image marker, so a cut-off file decodes with the rows it has.
struct JpegMemorySource {
  jpeg_source_mgr m_pub;
};

void InitSource(j_decompress_ptr) {}

boolean FillInputBuffer(j_decompress_ptr info) {
  info->src->next_input_byte = kEndOfImage;
  info->src->bytes_in_buffer = 2;
  return TRUE;
}

void SkipInputData(j_decompress_ptr info, long count) {
  if (count <= 0) return;
  if (size_t(count) < info->src->bytes_in_buffer) {
    info->src->next_input_byte += count;
    info->src->bytes_in_buffer -= size_t(count);
  } else {
    FillInputBuffer(info);
  }
}

void TermSource(j_decompress_ptr) {}

void LimitScans(j_common_ptr info) {
  auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
  if (decompress->input_scan_number > kMaxScans) info->err->error_exit(info);
}

// Rows read per call: as many as libjpeg hands out at once.
constexpr int kRowBatch = 16;

}  // namespace

bool CDecodeJPG::DoDecode() {
  jpeg_decompress_struct info;
  JpegErrorManager errors;
  JpegMemorySource source;
  jpeg_progress_mgr progress;
  // Plain pointers only: the error jump lands here.
  uint8_t* volatile samples = nullptr;

  info.err = InstallJpegErrorManager(errors);
  if (setjmp(errors.m_jump)) {
    jpeg_destroy_decompress(&info);
    delete[] samples;
    return false;
  }
  jpeg_create_decompress(&info);
  info.mem->max_memory_to_use = long(kMaxDecodedBytes);
  progress.progress_monitor = LimitScans;
  info.progress = &progress;

  source.m_pub.init_source = InitSource;
  source.m_pub.fill_input_buffer = FillInputBuffer;
  source.m_pub.skip_input_data = SkipInputData;
  source.m_pub.resync_to_restart = jpeg_resync_to_restart;
  source.m_pub.term_source = TermSource;
  source.m_pub.next_input_byte = m_pInput;
  source.m_pub.bytes_in_buffer = size_t(m_nInputSize);
  info.src = &source.m_pub;

  jpeg_read_header(&info, TRUE);
  const int components = info.num_components;
  // Colour and grey pictures come out as blue, green, red, alpha 255 straight
  // from the library; four components keep their samples unchanged.
  if (components == 3 || components == 1) info.out_color_space = JCS_EXT_BGRA;
  if (info.image_width == 0 || info.image_height == 0 || !SizeAllowed(info.image_width, info.image_height)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  jpeg_start_decompress(&info);
  const uint64_t width = info.output_width;
  const uint64_t height = info.output_height;
  uint8_t* out = AllocateOutput(width, height);
  if (out == nullptr) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  const int outputComponents = info.output_components;
  if (outputComponents == 4) {
    JSAMPROW rows[kRowBatch];
    while (info.output_scanline < info.output_height) {
      const JDIMENSION first = info.output_scanline;
      int n = 0;
      for (; n < kRowBatch && first + n < info.output_height; ++n) rows[n] = out + (first + n) * width * 4;
      jpeg_read_scanlines(&info, rows, JDIMENSION(n));
    }
  } else {
    // Any other layout: the samples in file order, one byte per pixel read as grey.
    if (SizeAllowed(width * outputComponents, height))
      samples = new (std::nothrow) uint8_t[size_t(width * height * outputComponents)];
    if (samples == nullptr) {
      jpeg_destroy_decompress(&info);
      return false;
    }
    while (info.output_scanline < info.output_height) {
      JSAMPROW row = samples + uint64_t(info.output_scanline) * width * outputComponents;
      jpeg_read_scanlines(&info, &row, 1);
    }
    for (uint64_t i = 0; i < width * height; ++i) {
      out[i * 4 + 0] = out[i * 4 + 1] = out[i * 4 + 2] = samples[i];
      out[i * 4 + 3] = 255;
    }
    delete[] samples;
    samples = nullptr;
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  m_nWidth = int(width);
  m_nHeight = int(height);
  return true;
}

}  // namespace ZEvuvoro
