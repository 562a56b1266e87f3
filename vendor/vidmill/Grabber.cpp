// The grabber: a renderer filter that turns each frame of RGB32, RGB24, YUY2
// or MJPG video into 32-bit BGRA, bottom row first, and hands it to a callback.
#include <windows.h>
#include <dshow.h>
#include <dvdmedia.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <jpeglib.h>

#include "vendor/vidmill/PixelConvert.h"
#include "vendor/vidmill/SinkFilter.h"
#include "vendor/vidmill/Vidmill.h"
#include "vendor/vidmill/Wait.h"

using namespace vidmill;

namespace {

// {5A3B7C10-6E42-4C1B-9D5E-2F8A61C0B7E4}
const CLSID kClsidGrabber = {0x5a3b7c10, 0x6e42, 0x4c1b, {0x9d, 0x5e, 0x2f, 0x8a, 0x61, 0xc0, 0xb7, 0xe4}};
// MEDIASUBTYPE_MJPG: the FourCC-based subtype of "MJPG".
const GUID kSubtypeMjpg = {0x47504A4D, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
constexpr int kLargestSide = 16384;

enum class Source { None, Rgb32, Rgb24, Yuy2, Mjpg };

struct JpegError {
  jpeg_error_mgr base;
  jmp_buf jump;
};

void JpegErrorExit(j_common_ptr cinfo) { longjmp(reinterpret_cast<JpegError*>(cinfo->err)->jump, 1); }
void JpegQuiet(j_common_ptr, int) {}

const BITMAPINFOHEADER* HeaderOf(const AM_MEDIA_TYPE& mt) {
  if (!mt.pbFormat) return nullptr;
  if (mt.formattype == FORMAT_VideoInfo && mt.cbFormat >= sizeof(VIDEOINFOHEADER))
    return &reinterpret_cast<const VIDEOINFOHEADER*>(mt.pbFormat)->bmiHeader;
  if (mt.formattype == FORMAT_VideoInfo2 && mt.cbFormat >= sizeof(VIDEOINFOHEADER2))
    return &reinterpret_cast<const VIDEOINFOHEADER2*>(mt.pbFormat)->bmiHeader;
  return nullptr;
}

Source SourceOf(const AM_MEDIA_TYPE& mt) {
  if (mt.majortype != MEDIATYPE_Video) return Source::None;
  if (mt.subtype == MEDIASUBTYPE_RGB32 || mt.subtype == MEDIASUBTYPE_ARGB32) return Source::Rgb32;
  if (mt.subtype == MEDIASUBTYPE_RGB24) return Source::Rgb24;
  if (mt.subtype == MEDIASUBTYPE_YUY2) return Source::Yuy2;
  if (mt.subtype == kSubtypeMjpg) return Source::Mjpg;
  return Source::None;
}

class CGrabberFilter : public CSinkFilter {
 public:
  CGrabberFilter() : CSinkFilter(kClsidGrabber, L"In", true) {
    ::InitializeCriticalSection(&m_CallbackLock);
    m_Idle = ::CreateEventW(nullptr, TRUE, TRUE, nullptr);
  }

  void SetCallback(CMediaGrabberCallback* callback, const int* flag) {
    ::EnterCriticalSection(&m_CallbackLock);
    m_Callback = callback;
    m_FlagSource = flag;
    const bool wait = m_InCallback > 0 && m_CallbackThread != ::GetCurrentThreadId();
    ::LeaveCriticalSection(&m_CallbackLock);
    // A frame handed out before the change may still be in the old callback.
    if (wait && !callback) WaitPumpingSent(m_Idle);
  }

  void FrameSize(int* width, int* height) {
    ::EnterCriticalSection(&m_Lock);
    if (width) *width = m_Width;
    if (height) *height = m_Height;
    ::LeaveCriticalSection(&m_Lock);
  }

 protected:
  ~CGrabberFilter() override {
    if (m_Jpeg) {
      jpeg_destroy_decompress(m_Jpeg);
      delete m_Jpeg;
    }
    delete m_JpegError;
    ::CloseHandle(m_Idle);
    ::DeleteCriticalSection(&m_CallbackLock);
  }

  bool Accept(const AM_MEDIA_TYPE& mt) override {
    const BITMAPINFOHEADER* h = HeaderOf(mt);
    const Source source = SourceOf(mt);
    if (!h || source == Source::None) return false;
    const LONG height = h->biHeight < 0 ? -h->biHeight : h->biHeight;
    if (h->biWidth <= 0 || height <= 0 || h->biWidth > kLargestSide || height > kLargestSide) return false;
    switch (source) {
      case Source::Rgb32:
        return h->biBitCount == 32;
      case Source::Rgb24:
        return h->biBitCount == 24;
      case Source::Yuy2:
        return h->biWidth % 2 == 0;
      default:
        return true;
    }
  }

  // Sizes the buffers for a new type; the frame path itself never allocates.
  bool Prepare(const AM_MEDIA_TYPE& mt) override {
    const BITMAPINFOHEADER* h = HeaderOf(mt);
    const Source source = SourceOf(mt);
    const int width = h->biWidth;
    const int height = h->biHeight < 0 ? -h->biHeight : h->biHeight;
    if (source == Source::Mjpg && !CreateDecoder()) return false;
    try {
      m_Frame.resize(size_t(width) * height * 4);
      m_Rows.resize(size_t(height));
    } catch (const std::bad_alloc&) {
      return false;
    }
    m_Source = source;
    m_Width = width;
    m_Height = height;
    // RGB rows are bottom-up unless the height is negative; YUY2 and JPEG
    // pictures are always top-down.
    m_TopDown = source == Source::Yuy2 || source == Source::Mjpg || h->biHeight < 0;
    const int bits = source == Source::Rgb32 ? 32 : source == Source::Rgb24 ? 24 : 16;
    m_SourceStride = ((size_t(width) * bits / 8) + 3) & ~size_t(3);
    return true;
  }

  void Deliver(const BYTE* data, long size) override {
    if (!Convert(data, size)) return;
    ::EnterCriticalSection(&m_CallbackLock);
    CMediaGrabberCallback* callback = m_Callback;
    const int flag = m_FlagSource ? *m_FlagSource : 0;
    if (callback) {
      ++m_InCallback;
      m_CallbackThread = ::GetCurrentThreadId();
      ::ResetEvent(m_Idle);
    }
    ::LeaveCriticalSection(&m_CallbackLock);
    if (!callback) return;
    callback->OnSample(m_Frame.data(), flag);
    ::EnterCriticalSection(&m_CallbackLock);
    if (--m_InCallback == 0) {
      m_CallbackThread = 0;
      ::SetEvent(m_Idle);
    }
    ::LeaveCriticalSection(&m_CallbackLock);
  }

 private:
  bool CreateDecoder() {
    if (m_Jpeg) return true;
    m_JpegError = new JpegError;
    m_JpegError->base.error_exit = JpegErrorExit;
    jpeg_decompress_struct* jpeg = new jpeg_decompress_struct;
    jpeg->err = jpeg_std_error(&m_JpegError->base);
    m_JpegError->base.error_exit = JpegErrorExit;
    m_JpegError->base.emit_message = JpegQuiet;
    if (setjmp(m_JpegError->jump)) {
      delete jpeg;
      return false;
    }
    jpeg_create_decompress(jpeg);
    m_Jpeg = jpeg;
    return true;
  }

  BYTE* OutRow(int sourceRow) {
    const int y = m_TopDown ? m_Height - 1 - sourceRow : sourceRow;
    return m_Frame.data() + size_t(y) * m_Width * 4;
  }

  bool Convert(const BYTE* data, long size) {
    if (m_Source == Source::Mjpg) return DecodeJpeg(data, size);
    if (size < 0 ||
        size_t(size) < m_SourceStride * (m_Height - 1) + size_t(m_Width) * (m_Source == Source::Rgb32   ? 4
                                                                            : m_Source == Source::Rgb24 ? 3
                                                                                                        : 2))
      return false;  // a short sample is dropped
    for (int y = 0; y < m_Height; ++y) {
      const BYTE* src = data + m_SourceStride * y;
      BYTE* dst = OutRow(y);
      switch (m_Source) {
        case Source::Rgb32:
          BgrxToBgraRow(src, dst, m_Width);
          break;
        case Source::Rgb24:
          Bgr24ToBgraRow(src, dst, m_Width);
          break;
        case Source::Yuy2:
          Yuy2ToBgraRow(src, dst, m_Width);
          break;
        default:
          return false;
      }
    }
    return true;
  }

  bool DecodeJpeg(const BYTE* data, long size) {
    if (!m_Jpeg || size <= 0) return false;
    if (setjmp(m_JpegError->jump)) {
      jpeg_abort_decompress(m_Jpeg);
      return false;
    }
    jpeg_mem_src(m_Jpeg, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(m_Jpeg, TRUE) != JPEG_HEADER_OK) {
      jpeg_abort_decompress(m_Jpeg);
      return false;
    }
    m_Jpeg->out_color_space = JCS_EXT_BGRA;
    jpeg_start_decompress(m_Jpeg);
    if (int(m_Jpeg->output_width) != m_Width || int(m_Jpeg->output_height) != m_Height) {
      jpeg_abort_decompress(m_Jpeg);
      return false;  // a picture of another size than the stream's
    }
    for (int y = 0; y < m_Height; ++y) m_Rows[size_t(y)] = OutRow(y);
    while (m_Jpeg->output_scanline < m_Jpeg->output_height) {
      JSAMPROW row = m_Rows[m_Jpeg->output_scanline];
      jpeg_read_scanlines(m_Jpeg, &row, 1);
    }
    jpeg_finish_decompress(m_Jpeg);
    return true;
  }

  Source m_Source = Source::None;
  int m_Width = 0, m_Height = 0;
  bool m_TopDown = false;
  size_t m_SourceStride = 0;
  std::vector<BYTE> m_Frame;
  std::vector<BYTE*> m_Rows;
  jpeg_decompress_struct* m_Jpeg = nullptr;
  JpegError* m_JpegError = nullptr;

  CRITICAL_SECTION m_CallbackLock;
  CMediaGrabberCallback* m_Callback = nullptr;
  const int* m_FlagSource = nullptr;
  int m_InCallback = 0;
  DWORD m_CallbackThread = 0;
  HANDLE m_Idle;
};

class CGrabber : public CMediaGrabber {
 public:
  CGrabber() : m_Filter(new CGrabberFilter) {}
  void SetCallback(CMediaGrabberCallback* callback) override { m_Filter->SetCallback(callback, &m_Flag); }
  HRESULT GetFilter(IBaseFilter** filter) override {
    if (!filter) return E_POINTER;
    *filter = m_Filter;
    m_Filter->AddRef();
    return S_OK;
  }
  void Release() override {
    // The filter may outlive us in a graph: it must not call back or read our flag.
    m_Filter->SetCallback(nullptr, nullptr);
    m_Filter->Release();
    delete this;
  }
  void GetFrameSize(int* width, int* height) override { m_Filter->FrameSize(width, height); }

 private:
  CGrabberFilter* m_Filter;
};

}  // namespace

CMediaGrabber* CreateMediaGrabber() { return new CGrabber; }
