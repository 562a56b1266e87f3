// The grabber in a DirectShow graph: a source of the test's own pushes frames
// of each accepted format; the grabber must hand out 32-bit BGRA, bottom row
// first, as independent decoders see the frames (grabber_fixtures.py).
#include <windows.h>
#include <dshow.h>
#include <dvdmedia.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <vector>

#include "tests/vendor/frame_pattern.h"
#include "tests/vendor/test_source.h"
#include "vendor/vidmill/Vidmill.h"

namespace {

constexpr int W = 320, H = 240;
const GUID kSubtypeMjpg = {0x47504A4D, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

std::vector<BYTE> ReadFile(const std::string& name) {
  std::ifstream f(name, std::ios::binary);
  return std::vector<BYTE>(std::istreambuf_iterator<char>(f), {});
}

// One video type with its VIDEOINFOHEADER, kept alive by the holder.
struct VideoType {
  AM_MEDIA_TYPE mt = {};
  VIDEOINFOHEADER vih = {};
  VideoType(const GUID& subtype, WORD bits, DWORD compression, LONG height) {
    vih.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    vih.bmiHeader.biWidth = W;
    vih.bmiHeader.biHeight = height;
    vih.bmiHeader.biPlanes = 1;
    vih.bmiHeader.biBitCount = bits;
    vih.bmiHeader.biCompression = compression;
    vih.bmiHeader.biSizeImage = W * (bits / 8) * H;
    vih.AvgTimePerFrame = 400000;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = subtype;
    mt.bFixedSizeSamples = compression != MAKEFOURCC('M', 'J', 'P', 'G');
    mt.lSampleSize = vih.bmiHeader.biSizeImage;
    mt.formattype = FORMAT_VideoInfo;
    mt.cbFormat = sizeof vih;
    mt.pbFormat = reinterpret_cast<BYTE*>(&vih);
  }
};

class CCollector : public CMediaGrabberCallback {
 public:
  void OnSample(const BYTE* pixels, int flag) override {
    std::lock_guard<std::mutex> hold(m_Mutex);
    m_Frames.emplace_back(pixels, pixels + size_t(W) * H * 4);
    m_Flags.push_back(flag);
  }
  size_t Count() {
    std::lock_guard<std::mutex> hold(m_Mutex);
    return m_Frames.size();
  }
  std::mutex m_Mutex;
  std::vector<std::vector<BYTE>> m_Frames;
  std::vector<int> m_Flags;
};

// A graph of the test source and the grabber, connected and ready to run.
class GrabberGraph : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))); }
  void TearDown() override {
    if (m_Control) m_Control->Stop();
    if (m_Grabber) {
      m_Grabber->SetCallback(nullptr);
      m_Grabber->Release();
    }
    if (m_Events) m_Events->Release();
    if (m_Control) m_Control->Release();
    if (m_GrabberFilter) m_GrabberFilter->Release();
    if (m_Source) m_Source->Release();
    if (m_Graph) m_Graph->Release();
    ::CoUninitialize();
  }

  void Build(const AM_MEDIA_TYPE& type, long bufferSize) {
    ASSERT_EQ(::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                 reinterpret_cast<void**>(&m_Graph)),
              S_OK);
    m_Source = new CTestSource(type, bufferSize, false);
    ASSERT_EQ(m_Graph->AddFilter(m_Source, L"Source"), S_OK);
    m_Grabber = CreateMediaGrabber();
    ASSERT_NE(m_Grabber, nullptr);
    ASSERT_EQ(m_Grabber->GetFilter(&m_GrabberFilter), S_OK);
    ASSERT_EQ(m_Graph->AddFilter(m_GrabberFilter, L"SampleGrabber"), S_OK);
    IEnumPins* pins = nullptr;
    ASSERT_EQ(m_GrabberFilter->EnumPins(&pins), S_OK);
    IPin* input = nullptr;
    ASSERT_EQ(pins->Next(1, &input, nullptr), S_OK);
    pins->Release();
    const HRESULT hr = m_Graph->ConnectDirect(m_Source->OutputPin(), input, nullptr);
    input->Release();
    ASSERT_EQ(hr, S_OK);
    m_Graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m_Control));
    m_Graph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&m_Events));
    ASSERT_NE(m_Control, nullptr);
    ASSERT_NE(m_Events, nullptr);
    m_Grabber->m_Flag = 7;
    m_Grabber->SetCallback(&m_Collector);
    int w = 0, h = 0;
    m_Grabber->GetFrameSize(&w, &h);
    EXPECT_EQ(w, W);
    EXPECT_EQ(h, H);
  }

  IGraphBuilder* m_Graph = nullptr;
  CTestSource* m_Source = nullptr;
  CMediaGrabber* m_Grabber = nullptr;
  IBaseFilter* m_GrabberFilter = nullptr;
  IMediaControl* m_Control = nullptr;
  IMediaEventEx* m_Events = nullptr;
  CCollector m_Collector;
};

struct FormatCase {
  const char* name;
  GUID subtype;
  WORD bits;
  DWORD compression;
  bool topDown;  // RGB with a negative height
  int tolerance;
};

class GrabberFormats : public GrabberGraph, public ::testing::WithParamInterface<FormatCase> {};

// The input bytes of frame n and the picture it must give, top row first.
void Frame(const FormatCase& c, int n, std::vector<BYTE>& input, std::vector<BYTE>& bgr) {
  const std::string stem = std::string("grab_") + c.name + "_" + std::to_string(n);
  if (c.subtype == MEDIASUBTYPE_YUY2) {
    input = ReadFile(stem + ".raw");
    bgr = ReadFile(stem + ".bgr");
    return;
  }
  if (c.subtype == kSubtypeMjpg) {
    input = ReadFile(stem + ".jpg");
    bgr = ReadFile(stem + ".bgr");
    return;
  }
  std::vector<BYTE> bgra(size_t(W) * H * 4), top(size_t(W) * H * 4);
  PaintFrame(bgra.data(), W, H, W * 4, n + 1, c.topDown);
  PaintFrame(top.data(), W, H, W * 4, n + 1, true);
  const int bytes = c.bits / 8;
  input.assign(size_t(W) * H * bytes, 0);
  for (size_t i = 0; i < size_t(W) * H; ++i)
    for (int k = 0; k < bytes; ++k) input[i * bytes + k] = k < 3 ? bgra[i * 4 + k] : 0x11;
  bgr.resize(size_t(W) * H * 3);
  for (size_t i = 0; i < size_t(W) * H; ++i)
    for (int k = 0; k < 3; ++k) bgr[i * 3 + k] = top[i * 4 + k];
}

TEST_P(GrabberFormats, DeliversBottomUpBgra) {
  const FormatCase& c = GetParam();
  VideoType type(c.subtype, c.bits, c.compression, c.topDown ? -H : H);
  Build(type.mt, W * H * 4);
  ASSERT_EQ(m_Control->Run(), S_OK);
  std::vector<std::vector<BYTE>> wanted;
  for (int n = 0; n < 3; ++n) {
    std::vector<BYTE> input, bgr;
    Frame(c, n, input, bgr);
    ASSERT_FALSE(input.empty()) << "fixture of frame " << n;
    ASSERT_EQ(bgr.size(), size_t(W) * H * 3);
    ASSERT_EQ(m_Source->Push(input.data(), long(input.size())), S_OK);
    wanted.push_back(bgr);
  }
  ASSERT_EQ(m_Source->SendEndOfStream(), S_OK);
  LONG code = 0;
  EXPECT_EQ(m_Events->WaitForCompletion(5000, &code), S_OK);
  EXPECT_EQ(code, EC_COMPLETE);
  ASSERT_EQ(m_Collector.m_Frames.size(), 3u);
  for (int n = 0; n < 3; ++n) {
    SCOPED_TRACE(n);
    EXPECT_EQ(m_Collector.m_Flags[size_t(n)], 7);
    const std::vector<BYTE>& got = m_Collector.m_Frames[size_t(n)];
    int worst = 0, opaque = 1;
    for (int y = 0; y < H; ++y) {
      const BYTE* g = got.data() + size_t(H - 1 - y) * W * 4;  // bottom row first
      const BYTE* w = wanted[size_t(n)].data() + size_t(y) * W * 3;
      for (int x = 0; x < W; ++x) {
        for (int k = 0; k < 3; ++k) worst = std::max(worst, std::abs(int(g[4 * x + k]) - int(w[3 * x + k])));
        opaque &= g[4 * x + 3] == 255;
      }
    }
    EXPECT_LE(worst, c.tolerance);
    EXPECT_TRUE(opaque);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, GrabberFormats,
    ::testing::Values(FormatCase{"rgb32", MEDIASUBTYPE_RGB32, 32, BI_RGB, false, 0},
                      FormatCase{"rgb32_topdown", MEDIASUBTYPE_RGB32, 32, BI_RGB, true, 0},
                      FormatCase{"rgb24", MEDIASUBTYPE_RGB24, 24, BI_RGB, false, 0},
                      FormatCase{"yuy2", MEDIASUBTYPE_YUY2, 16, MAKEFOURCC('Y', 'U', 'Y', '2'), false, 2},
                      FormatCase{"mjpg", kSubtypeMjpg, 24, MAKEFOURCC('M', 'J', 'P', 'G'), false, 2}),
    [](const ::testing::TestParamInfo<FormatCase>& info) { return std::string(info.param.name); });

// Streaming threads of the tests: one sample, or samples until told to stop.
struct PushOne {
  CTestSource* source;
  std::vector<BYTE>* frame;
  HRESULT hr;
  static DWORD WINAPI Run(void* p) {
    auto* push = static_cast<PushOne*>(p);
    push->hr = push->source->Push(push->frame->data(), long(push->frame->size()));
    return 0;
  }
};

struct Feed {
  CTestSource* source;
  std::atomic<bool> run{true};
  static DWORD WINAPI Run(void* p) {
    auto* feed = static_cast<Feed*>(p);
    std::vector<BYTE> frame(size_t(W) * H * 4);
    while (feed->run) feed->source->Push(frame.data(), long(frame.size()));
    return 0;
  }
};

// A paused renderer holds the sample; a flush lets it go undelivered.
TEST_F(GrabberGraph, FlushReleasesAHeldSample) {
  VideoType type(MEDIASUBTYPE_RGB32, 32, BI_RGB, H);
  Build(type.mt, W * H * 4);
  ASSERT_TRUE(SUCCEEDED(m_Control->Pause()));
  std::vector<BYTE> frame(size_t(W) * H * 4);
  PushOne push = {m_Source, &frame, E_PENDING};
  HANDLE thread = ::CreateThread(nullptr, 0, &PushOne::Run, &push, 0, nullptr);
  EXPECT_EQ(::WaitForSingleObject(thread, 300), DWORD(WAIT_TIMEOUT)) << "a paused renderer holds the sample";
  EXPECT_EQ(m_Collector.Count(), 0u);
  ASSERT_EQ(m_Source->Flush(), S_OK);
  EXPECT_EQ(::WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  ::CloseHandle(thread);
  EXPECT_EQ(push.hr, S_FALSE);
  EXPECT_EQ(m_Collector.Count(), 0u);
  ASSERT_EQ(m_Control->Run(), S_OK);
  EXPECT_EQ(m_Source->Push(frame.data(), long(frame.size())), S_OK);
  EXPECT_EQ(m_Collector.Count(), 1u);
}

// The camera detaches its callback on the main thread while the streaming
// thread may be inside it, sending a message to the main thread: the detach
// must serve that message, and no callback may run once it has returned.
class CSendingCallback : public CMediaGrabberCallback {
 public:
  void OnSample(const BYTE*, int) override {
    ++m_Running;
    ::SetEvent(m_Entered);
    ::SendMessageW(m_Window, WM_USER, 0, 0);
    ::Sleep(50);
    ++m_Calls;
    --m_Running;
  }
  HWND m_Window = nullptr;
  HANDLE m_Entered = ::CreateEventW(nullptr, FALSE, FALSE, nullptr);
  std::atomic<int> m_Running{0}, m_Calls{0};
};

TEST_F(GrabberGraph, DetachServesSentMessagesAndEndsCallbacks) {
  VideoType type(MEDIASUBTYPE_RGB32, 32, BI_RGB, H);
  Build(type.mt, W * H * 4);
  CSendingCallback callback;
  callback.m_Window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(callback.m_Window, nullptr);
  m_Grabber->SetCallback(&callback);
  ASSERT_EQ(m_Control->Run(), S_OK);
  Feed feed{m_Source};
  HANDLE thread = ::CreateThread(nullptr, 0, &Feed::Run, &feed, 0, nullptr);
  ASSERT_EQ(::WaitForSingleObject(callback.m_Entered, 5000), WAIT_OBJECT_0);
  m_Grabber->SetCallback(nullptr);  // would hang if it did not serve the SendMessage
  EXPECT_EQ(callback.m_Running, 0);
  const int calls = callback.m_Calls;
  ::Sleep(200);
  EXPECT_EQ(callback.m_Calls, calls) << "a callback after SetCallback(null) returned";
  feed.run = false;
  m_Control->Stop();
  EXPECT_EQ(::WaitForSingleObject(thread, 5000), WAIT_OBJECT_0);
  ::CloseHandle(thread);
  ::DestroyWindow(callback.m_Window);
  ::CloseHandle(callback.m_Entered);
}

// The frame number that frame_pattern.h spells in the top band, read from a
// bottom-up BGRA frame.
int BandNumber(const std::vector<BYTE>& frame) {
  int number = 0;
  const BYTE* row = frame.data() + size_t(H - 1 - 8) * W * 4;  // 8 rows below the top
  for (int k = 0; k < 16; ++k)
    if (row[4 * (16 * k + 8) + 1] > 128) number |= 1 << k;
  return number;
}

// A recording of ours played through the platform's own file source into the
// grabber, the way the video project plays files: every frame arrives, in
// order and upright; the graph's seeking reaches the source through the
// grabber; the end of the file completes the graph.
TEST_F(GrabberGraph, PlaysARecordingThroughTheFileSource) {
  const wchar_t* file = L"grabber_playback.avi";
  {
    std::vector<BYTE> frame(size_t(W) * H * 4);
    CVidmill* recorder = CreateVidmill();
    recorder->SetDestinationFileName(file);
    recorder->SetInputMediaFormat(W, H, 32);
    ASSERT_EQ(recorder->Start(), 1);
    for (int i = 0; i < 15; ++i) {
      PaintFrame(frame.data(), W, H, W * 4, i + 1, false);
      recorder->WriteFrame(frame.data(), W * 4, DWORD(i) * 40, 0);
    }
    ASSERT_EQ(recorder->Stop(), 1);
    DeleteVidmill(recorder);
  }
  ASSERT_EQ(::CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                               reinterpret_cast<void**>(&m_Graph)),
            S_OK);
  IBaseFilter* source = nullptr;
  ASSERT_EQ(m_Graph->AddSourceFilter(file, nullptr, &source), S_OK);
  m_Grabber = CreateMediaGrabber();
  ASSERT_EQ(m_Grabber->GetFilter(&m_GrabberFilter), S_OK);
  ASSERT_EQ(m_Graph->AddFilter(m_GrabberFilter, L"SampleGrabber"), S_OK);
  IPin* input = nullptr;
  ASSERT_EQ(m_GrabberFilter->FindPin(L"In", &input), S_OK);
  IEnumPins* pins = nullptr;
  ASSERT_EQ(source->EnumPins(&pins), S_OK);
  IPin* out = nullptr;
  HRESULT connected = E_FAIL;
  while (FAILED(connected) && pins->Next(1, &out, nullptr) == S_OK) {
    PIN_DIRECTION dir;
    if (SUCCEEDED(out->QueryDirection(&dir)) && dir == PINDIR_OUTPUT) connected = m_Graph->Connect(out, input);
    out->Release();
  }
  pins->Release();
  input->Release();
  source->Release();
  ASSERT_EQ(connected, S_OK);
  int w = 0, h = 0;
  m_Grabber->GetFrameSize(&w, &h);
  EXPECT_EQ(w, W);
  EXPECT_EQ(h, H);
  m_Grabber->SetCallback(&m_Collector);
  IMediaSeeking* seeking = nullptr;
  ASSERT_EQ(m_Graph->QueryInterface(IID_IMediaSeeking, reinterpret_cast<void**>(&seeking)), S_OK);
  LONGLONG duration = 0;
  EXPECT_EQ(seeking->GetDuration(&duration), S_OK);
  EXPECT_EQ(duration, 15 * 400000);
  seeking->Release();
  m_Graph->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&m_Control));
  m_Graph->QueryInterface(IID_IMediaEventEx, reinterpret_cast<void**>(&m_Events));
  const DWORD start = ::GetTickCount();
  ASSERT_TRUE(SUCCEEDED(m_Control->Run()));
  LONG code = 0;
  EXPECT_EQ(m_Events->WaitForCompletion(10000, &code), S_OK);
  EXPECT_EQ(code, EC_COMPLETE);
  EXPECT_GE(::GetTickCount() - start, 400u) << "frames are presented at their time, not as fast as they come";
  m_Control->Stop();
  ASSERT_EQ(m_Collector.m_Frames.size(), 15u);
  for (int i = 0; i < 15; ++i) EXPECT_EQ(BandNumber(m_Collector.m_Frames[size_t(i)]), i + 1) << "frame " << i;
}

}  // namespace
