#include "vendor/vidmill/FrameEncoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <algorithm>
#include <cmath>

#include <jpeglib.h>

#include "vendor/vidmill/PixelConvert.h"

namespace vidmill {

struct CFrameEncoder::ErrorManager {
  jpeg_error_mgr base;
  jmp_buf jump;
};

namespace {
// libjpeg's default would end the process.
void JpegErrorExit(j_common_ptr cinfo) {
  auto* error = reinterpret_cast<CFrameEncoder::ErrorManager*>(cinfo->err);
  longjmp(error->jump, 1);
}
void JpegQuiet(j_common_ptr, int) {}
}  // namespace

CFrameEncoder::CFrameEncoder() = default;

CFrameEncoder::~CFrameEncoder() {
  if (m_Jpeg) {
    jpeg_destroy_compress(m_Jpeg);
    delete m_Jpeg;
  }
  delete m_Error;
}

int CFrameEncoder::JpegQuality(int quality) { return quality <= 0 ? 90 : quality == 1 ? 75 : 50; }

bool CFrameEncoder::Configure(int width, int height, bool mjpeg, int quality) {
  if (width <= 0 || height <= 0) return false;
  m_Width = width;
  m_Height = height;
  m_Mjpeg = mjpeg;
  m_Quality = JpegQuality(quality);
  const size_t stride24 = (size_t(width) * 3 + 3) & ~size_t(3);
  // A JPEG never comes near 4 bytes a pixel: the buffer is never outgrown.
  const size_t bytes = mjpeg ? size_t(width) * height * 4 + (1 << 16) : stride24 * height;
  m_Out.resize(bytes);
  m_Size = 0;
  m_Rows.resize(size_t(height));
  if (mjpeg && !m_Jpeg) {
    m_Jpeg = new jpeg_compress_struct;
    m_Error = new ErrorManager;
    m_Jpeg->err = jpeg_std_error(&m_Error->base);
    m_Error->base.error_exit = JpegErrorExit;
    m_Error->base.emit_message = JpegQuiet;
    if (setjmp(m_Error->jump)) {
      delete m_Jpeg;
      m_Jpeg = nullptr;
      return false;
    }
    jpeg_create_compress(m_Jpeg);
  }
  return true;
}

bool CFrameEncoder::Encode(const BYTE* bottom, ptrdiff_t stride) {
  if (!m_Mjpeg) {
    const size_t stride24 = (size_t(m_Width) * 3 + 3) & ~size_t(3);
    for (int y = 0; y < m_Height; ++y) {
      BYTE* dst = m_Out.data() + stride24 * y;
      BgraToBgr24Row(bottom + stride * y, dst, m_Width);
      std::memset(dst + size_t(m_Width) * 3, 0, stride24 - size_t(m_Width) * 3);
    }
    m_Size = DWORD(stride24 * m_Height);
    return true;
  }
  if (!m_Jpeg) return false;
  for (int i = 0; i < m_Height; ++i) m_Rows[size_t(i)] = bottom + stride * (m_Height - 1 - i);
  unsigned char* out = m_Out.data();
  unsigned long size = static_cast<unsigned long>(m_Out.size());
  if (setjmp(m_Error->jump)) {
    jpeg_abort_compress(m_Jpeg);
    if (out != m_Out.data()) std::free(out);
    return false;
  }
  jpeg_mem_dest(m_Jpeg, &out, &size);
  m_Jpeg->image_width = JDIMENSION(m_Width);
  m_Jpeg->image_height = JDIMENSION(m_Height);
  m_Jpeg->input_components = 4;
  m_Jpeg->in_color_space = JCS_EXT_BGRX;
  jpeg_set_defaults(m_Jpeg);
  jpeg_set_quality(m_Jpeg, m_Quality, TRUE);
  jpeg_start_compress(m_Jpeg, TRUE);
  while (m_Jpeg->next_scanline < m_Jpeg->image_height) {
    JSAMPROW row = const_cast<JSAMPROW>(m_Rows[m_Jpeg->next_scanline]);
    jpeg_write_scanlines(m_Jpeg, &row, 1);
  }
  jpeg_finish_compress(m_Jpeg);
  if (out != m_Out.data()) {  // outgrown after all: keep the bigger picture
    m_Out.assign(out, out + size);
    std::free(out);
  }
  m_Size = DWORD(size);
  return true;
}

CFrameClock::CFrameClock(const std::vector<DWORD>& firstStamps, int64_t longestGapMs) : m_LongestGapMs(longestGapMs) {
  std::vector<int64_t> steps;
  for (size_t i = 1; i < firstStamps.size(); ++i) {
    const int32_t d = int32_t(firstStamps[i] - firstStamps[i - 1]);
    if (d > 0) steps.push_back(d);
  }
  if (steps.empty()) return;
  std::vector<int64_t> sorted = steps;
  std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
  const int64_t median = sorted[sorted.size() / 2];
  // The mean of the steps near the median: a clock in whole milliseconds
  // gives 33 and 34 for 30 frames a second; a pause is left out.
  int64_t sum = 0, n = 0;
  for (int64_t s : steps) {
    if (2 * s >= median && 2 * s <= 3 * median) {
      sum += s;
      ++n;
    }
  }
  const int64_t micros = (sum * 1000 + n / 2) / n;
  m_MicrosPerFrame = DWORD(std::clamp<int64_t>(micros, 1000, 10000000));
}

bool CFrameClock::Place(DWORD stamp, int* repeats) {
  *repeats = 0;
  if (!m_HaveFirst) {
    m_HaveFirst = true;
    m_First = stamp;
    return m_Next == 0;
  }
  const int64_t elapsedUs = int64_t(int32_t(stamp - m_First)) * 1000 - m_ShiftUs;
  if (elapsedUs < 0) return false;
  const uint64_t place = uint64_t((elapsedUs + m_MicrosPerFrame / 2) / m_MicrosPerFrame);
  if (place < m_Next) return false;
  const uint64_t gap = place - m_Next;
  if (int64_t(gap) * m_MicrosPerFrame > m_LongestGapMs * 1000) {
    m_ShiftUs += int64_t(gap) * m_MicrosPerFrame;
    return true;
  }
  *repeats = int(gap);
  return true;
}

}  // namespace vidmill
