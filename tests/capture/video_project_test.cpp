// The video-file project on files that gen_videos.py made with ffmpeg: each
// frame carries its number in blocks, so the picture says which frame it is.
// The window layer comes before dshow.h, whose windowsx.h macros clash with it.
#include "win32/Window.h"

#include <windows.h>
#include <dshow.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "capture/ProjectVideo.h"
#include "engine/Command.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "tests/common/pump.h"

namespace {

struct ComScope {
  ComScope() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
  ~ComScope() { CoUninitialize(); }
};

std::wstring Here(const wchar_t* name) {
  wchar_t folder[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, folder);
  return std::wstring(folder) + L"\\" + name;
}

template <class Done>
bool PumpUntil(Done done, DWORD ms) {
  const DWORD end = GetTickCount() + ms;
  while (!done()) {
    if (static_cast<LONG>(end - GetTickCount()) <= 0) return false;
    PumpFor(10);
  }
  return true;
}

// What a picture of gen_videos.py says: its frame number, or -1 when the
// bands are not where an upright picture has them.
int FrameNumber(const BYTE* pixels, int width, int height, int stride) {
  const int bw = width / 8, bh = height / 4;
  auto grey = [&](int x, int y) { return pixels[ptrdiff_t(y) * stride + x * 4 + 1]; };
  if (grey(width / 2, bh / 2) < 200 || grey(width / 2, 3 * bh + bh / 2) > 55) return -1;
  int number = 0;
  for (int bit = 0; bit < 16; ++bit) {
    const int row = 1 + bit / 8, col = bit % 8;
    number = number * 2 + (grey(col * bw + bw / 2, row * bh + bh / 2) > 128 ? 1 : 0);
  }
  return number;
}

bool AllOpaque(const ZEvuvoro::CImage& image) {
  for (int y = 0; y < image.GetHeight(); ++y)
    for (int x = 0; x < image.GetWidth(); ++x)
      if (image.GetData()[ptrdiff_t(y) * image.GetStride() + x * 4 + 3] != 0xFF) return false;
  return true;
}

// The image/video panel: the slider's position reaches the main thread by a
// sent message, as the real slider's does.
class CFakePanel : public CVideoPanelSink {
 public:
  CFakePanel() {
    m_hWnd = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_prev = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Proc)));
    g_pVideoPanelSink = this;
  }
  ~CFakePanel() override {
    g_pVideoPanelSink = nullptr;
    DestroyWindow(m_hWnd);
    CloseHandle(m_hSending);
  }
  void SetDuration(LONGLONG duration) override { m_durations.push_back(duration); }
  void SetPos(int percent) override {
    SetEvent(m_hSending);
    SendMessageW(m_hWnd, WM_USER + 2, static_cast<WPARAM>(percent), 0);
  }
  // Returns once a streaming thread waits in SetPos for this (main) thread,
  // which must not dispatch messages in between.
  bool WaitForWaitingFrame() {
    ResetEvent(m_hSending);
    return WaitForSingleObject(m_hSending, 5000) == WAIT_OBJECT_0;
  }

  HWND m_hWnd;
  std::vector<LONGLONG> m_durations;
  std::vector<int> m_positions;  // main thread only
  HANDLE m_hSending = CreateEventW(nullptr, FALSE, FALSE, nullptr);

 private:
  static LRESULT CALLBACK Proc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<CFakePanel*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (msg == WM_USER + 2 && self) {
      self->m_positions.push_back(static_cast<int>(wParam));
      return 0;
    }
    return CallWindowProcW(self ? self->m_prev : DefWindowProcW, hWnd, msg, wParam, lParam);
  }
  WNDPROC m_prev = nullptr;
};

// A document that reads each uploaded frame back out of its frame surface.
class CWatchedDocument : public CDTImage {
 public:
  LRESULT Command(int command, int value, void* data, int* handled) override {
    const LRESULT result = CDTImage::Command(command, value, data, handled);
    if (command == IMAGE_FRAME) {
      D3DLOCKED_RECT lr;
      if (LockFrame(&lr)) {
        m_frames.push_back(FrameNumber(static_cast<const BYTE*>(lr.pBits), m_nWidth, m_nHeight, lr.Pitch));
        if (m_bKeepLast) {
          m_last.Create(m_nWidth, m_nHeight);
          for (int y = 0; y < m_nHeight; ++y)
            std::memcpy(m_last.GetData() + ptrdiff_t(y) * m_last.GetStride(),
                        static_cast<const BYTE*>(lr.pBits) + ptrdiff_t(y) * lr.Pitch, size_t(m_nWidth) * 4);
        }
        UnlockFrame();
      }
      const auto* frame = static_cast<const ImageFrameData*>(data);
      if (frame->infoText) m_texts.push_back(frame->infoText);
    } else if (command == IMAGE_INFO_LINE) {
      m_infoLine.push_back(value);
    }
    return result;
  }
  std::vector<int> m_frames;
  std::vector<std::wstring> m_texts;
  std::vector<int> m_infoLine;  // 1 shown, 0 hidden
  bool m_bKeepLast = false;
  ZEvuvoro::CImage m_last;
};

class CHost : public win32::CWindowImpl<CHost, win32::CWinTraits<WS_POPUP | WS_CLIPCHILDREN>> {
 public:
  BEGIN_MSG_MAP(CHost)
  END_MSG_MAP()
};

// A hidden canvas with one document on it, on this (the main) thread.
class CScene {
 public:
  CScene() {
    RECT rc{0, 0, 320, 240};
    m_host.Create(nullptr, &rc, L"host", 0);
    m_canvas.Create(nullptr, m_host, m_host);
    RECT docRect{0, 0, 320, 240};
    m_document.Create(&m_canvas, nullptr, L"video", &docRect);
    m_canvas.SetActiveImage(&m_document, TRUE);
  }
  ~CScene() {
    if (m_canvas.m_hWnd) m_canvas.DetachElement(&m_document);
    m_canvas.DestroyWindow();
    m_host.DestroyWindow();
  }
  bool Ready() const { return m_canvas.m_hWnd && m_canvas.m_pDevice; }
  CHost m_host;
  CDirectUI m_canvas;
  CWatchedDocument m_document;
};

// A project shown on a scene; closed the way the project manager closes one,
// the document staying with the scene.
struct CShownVideo {
  CShownVideo(const wchar_t* name, CDTImage* document) : project(nullptr, Here(name).c_str()) {
    project.m_pDocument = document;
  }
  ~CShownVideo() {
    project.OnDestroy();
    project.m_pDocument = nullptr;
  }
  CProjectVideo project;
};

// Ends the process when the test is not over in time: a lock-up between two
// threads leaves nothing else to do.
class CWatchdog {
 public:
  explicit CWatchdog(DWORD ms)
      : m_thread([this, ms] {
          if (WaitForSingleObject(m_hDone, ms) == WAIT_OBJECT_0) return;
          std::fprintf(stderr, "video playback locked up against a waiting frame\n");
          std::fflush(stderr);
          ExitProcess(3);
        }) {}
  ~CWatchdog() {
    SetEvent(m_hDone);
    m_thread.join();
    CloseHandle(m_hDone);
  }

 private:
  HANDLE m_hDone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread m_thread;
};

bool HasNoGraph(const CProjectVideo& video) {
  return !video.m_pGraph && !video.m_pMediaControl && !video.m_pSourceFilter && !video.m_pGrabber &&
         !video.m_pGrabberFilter && !video.m_pMediaEvents && !video.m_pSeeking && !video.m_EventWnd.m_hWnd;
}

TEST(VideoProject, FirstPictureIsTakenAtHalfTheLengthAtMostOneSecondIn) {
  ComScope com;
  struct Case {
    const wchar_t* file;
    int width, height;
    int frame;  // the frame at min(length / 2, 1 s)
    double seconds;
  };
  const Case cases[] = {
      {L"short_mjpeg.avi", 160, 120, 15, 1.5},  // 20 fps: 0.75 s
      {L"short_raw.avi", 160, 120, 15, 1.5},
      {L"long.avi", 64, 48, 5, 600.0},  // 5 fps: 1.0 s
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::string(c.file, c.file + wcslen(c.file)));
    CProjectVideo video(nullptr, Here(c.file).c_str());
    EXPECT_EQ(video.m_bVideo, 1);
    ASSERT_TRUE(video.LoadFirstFrame());
    EXPECT_EQ(video.m_nFrameWidth, c.width);
    EXPECT_EQ(video.m_nFrameHeight, c.height);
    EXPECT_NEAR(video.m_nDuration / 1e7, c.seconds, 0.11);
    const ZEvuvoro::CImage& image = video.m_FrameImage;
    ASSERT_EQ(image.GetWidth(), c.width);
    const int number = FrameNumber(image.GetData(), image.GetWidth(), image.GetHeight(), image.GetStride());
    EXPECT_NE(number, -1) << "not upright";
    EXPECT_NEAR(number, c.frame, 1);
    EXPECT_TRUE(AllOpaque(image));
    EXPECT_TRUE(HasNoGraph(video));
    EXPECT_EQ(video.m_nFirstFrame, 0);
    video.OnDestroy();
  }
}

TEST(VideoProject, FilesWithoutPicturesFailAndLeaveNothingBehind) {
  ComScope com;
  for (const wchar_t* file : {L"audio_only.avi", L"truncated.avi", L"not_video.avi", L"missing.avi"}) {
    SCOPED_TRACE(testing::Message() << std::string(file, file + wcslen(file)));
    CProjectVideo video(nullptr, Here(file).c_str());
    EXPECT_FALSE(video.LoadFirstFrame());
    EXPECT_TRUE(HasNoGraph(video));
    EXPECT_EQ(video.m_nFirstFrame, 0);
    // Playing it shows nothing and does no harm.
    EXPECT_EQ(video.Play(), 1);
    EXPECT_TRUE(HasNoGraph(video));
    video.OnDestroy();
    EXPECT_EQ(g_pActiveVideo, nullptr);
  }
  CProjectVideo nameless(nullptr, nullptr);
  EXPECT_FALSE(nameless.LoadFirstFrame());
}

TEST(VideoProject, PlaybackAfterAFailedFirstPictureStillReachesTheDocument) {
  ComScope com;
  CScene scene;
  ASSERT_TRUE(scene.Ready());
  CFakePanel panel;
  const std::wstring path = Here(L"late_arrival.avi");
  DeleteFileW(path.c_str());
  CShownVideo shown(L"late_arrival.avi", &scene.m_document);
  EXPECT_FALSE(shown.project.LoadFirstFrame());
  // The file turns up afterwards (a copy that was still running, say).
  ASSERT_TRUE(CopyFileW(Here(L"short_mjpeg.avi").c_str(), path.c_str(), FALSE));
  ASSERT_EQ(shown.project.Play(), 1);
  EXPECT_TRUE(PumpUntil([&] { return scene.m_document.m_frames.size() >= 5; }, 5000));
  shown.project.OnDestroy();
  DeleteFileW(path.c_str());
}

TEST(VideoProject, PlaysEveryFrameInOrderThenRewindsOnTheNextPlay) {
  ComScope com;
  CScene scene;
  ASSERT_TRUE(scene.Ready());
  CFakePanel panel;
  CShownVideo shown(L"short_mjpeg.avi", &scene.m_document);
  CWatchedDocument& doc = scene.m_document;
  doc.m_bKeepLast = true;
  CProjectVideo& video = shown.project;

  // The sound stream finds no device under Wine: the picture must play anyway.
  ASSERT_EQ(video.Play(), 1);
  EXPECT_EQ(g_pActiveVideo, &video);
  ASSERT_EQ(panel.m_durations.size(), 1u);
  EXPECT_NEAR(panel.m_durations[0] / 1e7, 1.5, 0.06);
  auto ended = [&] { return !panel.m_positions.empty() && panel.m_positions.back() == 0 && doc.m_frames.size() > 5; };
  ASSERT_TRUE(PumpUntil(ended, 10000));

  const std::vector<int> first = doc.m_frames;
  ASSERT_GE(first.size(), 28u);
  EXPECT_LE(first.front(), 1);
  EXPECT_EQ(first.back(), 29);
  for (size_t i = 1; i < first.size(); ++i) EXPECT_GT(first[i], first[i - 1]) << "at " << i;
  // The slider rose with the frames and went to 0 at the end.
  std::vector<int> rising(panel.m_positions.begin(), panel.m_positions.end() - 1);
  ASSERT_GE(rising.size(), 20u);
  for (size_t i = 1; i < rising.size(); ++i) EXPECT_GE(rising[i], rising[i - 1]);
  EXPECT_GE(rising.back(), 85);
  EXPECT_LE(rising.front(), 25);  // the graph starts a little after Run
  // Info line 0 showed, then hid at the end; the time since Play was sent
  // once, with the first frame a second after the start.
  EXPECT_EQ(doc.m_infoLine, (std::vector<int>{1, 0}));
  EXPECT_EQ(doc.m_texts, (std::vector<std::wstring>{L"0:00:01"}));
  // The canvas holds the last picture, upright and opaque.
  EXPECT_TRUE(AllOpaque(doc.m_last));
  doc.m_last.SaveBmp(L"video_last_frame.bmp", 1);  // top row first

  // The graph stays built at the end; the next Play starts from the beginning.
  EXPECT_NE(video.m_pMediaControl, nullptr);
  doc.m_frames.clear();
  panel.m_positions.clear();
  ASSERT_EQ(video.Play(), 1);
  ASSERT_TRUE(PumpUntil([&] { return doc.m_frames.size() >= 3; }, 5000));
  EXPECT_LE(doc.m_frames.front(), 1);
  EXPECT_EQ(panel.m_durations.size(), 1u);  // the graph was not built again
}

TEST(VideoProject, SeekToHalfOfAMinuteLandsAtThirtySeconds) {
  ComScope com;
  CScene scene;
  ASSERT_TRUE(scene.Ready());
  CFakePanel panel;
  CShownVideo shown(L"minute.avi", &scene.m_document);
  CProjectVideo& video = shown.project;
  CWatchedDocument& doc = scene.m_document;
  video.SeekPercent(50);  // no graph yet: nothing happens
  EXPECT_TRUE(HasNoGraph(video));

  ASSERT_EQ(video.Play(), 1);
  ASSERT_TRUE(PumpUntil([&] { return doc.m_frames.size() >= 2; }, 5000));
  video.SeekPercent(50);
  LONGLONG current = 0, stop = 0;
  video.m_pSeeking->GetPositions(&current, &stop);
  EXPECT_NEAR(current / 1e7, 30.0, 0.1);
  doc.m_frames.clear();
  panel.m_positions.clear();
  ASSERT_TRUE(PumpUntil([&] { return doc.m_frames.size() >= 3 && !panel.m_positions.empty(); }, 5000));
  EXPECT_NEAR(doc.m_frames.front(), 300, 1);  // 10 fps
  EXPECT_NEAR(panel.m_positions.front(), 50, 1);
}

TEST(VideoProject, ASecondVideoReleasesTheFirstGraph) {
  ComScope com;
  CScene scene;
  ASSERT_TRUE(scene.Ready());
  CFakePanel panel;
  CShownVideo first(L"minute.avi", &scene.m_document);
  CShownVideo second(L"short_mjpeg.avi", &scene.m_document);
  ASSERT_EQ(first.project.Play(), 1);
  ASSERT_NE(first.project.m_pGraph, nullptr);
  PumpFor(300);
  ASSERT_EQ(second.project.Play(), 1);
  EXPECT_EQ(g_pActiveVideo, &second.project);
  EXPECT_TRUE(HasNoGraph(first.project));
  EXPECT_NE(second.project.m_pGraph, nullptr);
  scene.m_document.m_frames.clear();
  ASSERT_TRUE(PumpUntil([&] { return scene.m_document.m_frames.size() >= 3; }, 5000));
  EXPECT_LT(scene.m_document.m_frames.back(), 30);  // frames of the second file only
  // Closing the first changes nothing for the second; closing the second clears it.
  first.project.OnDestroy();
  EXPECT_EQ(g_pActiveVideo, &second.project);
  second.project.OnDestroy();
  EXPECT_EQ(g_pActiveVideo, nullptr);
}

// Seeks and the final stop on the main thread while a frame waits for it in
// the slider message: none of them may lock up.
TEST(VideoProject, SeekAndStopDoNotWaitForAFrameThatWaitsForThem) {
  ComScope com;
  CScene scene;
  ASSERT_TRUE(scene.Ready());
  CFakePanel panel;
  CWatchdog watchdog(60000);
  {
    CShownVideo shown(L"minute.avi", &scene.m_document);
    ASSERT_EQ(shown.project.Play(), 1);
    for (int percent : {40, 10, 70, 20}) {
      ASSERT_TRUE(panel.WaitForWaitingFrame());
      shown.project.SeekPercent(percent);
    }
    // Still playing after all that; then closed while a frame waits.
    scene.m_document.m_frames.clear();
    EXPECT_TRUE(PumpUntil([&] { return scene.m_document.m_frames.size() >= 3; }, 5000));
    EXPECT_NEAR(scene.m_document.m_frames.front(), 120, 2);  // 20 % of 60 s at 10 fps
    ASSERT_TRUE(panel.WaitForWaitingFrame());
    shown.project.OnDestroy();
    EXPECT_TRUE(HasNoGraph(shown.project));
  }
}

TEST(VideoProject, ElapsedTimeText) {
  CProjectVideo video(nullptr, L"x.avi");
  struct Case {
    DWORD ms;
    const wchar_t* text;
  };
  const Case cases[] = {
      {0, L"0:00:00"},
      {999, L"0:00:00"},
      {59999, L"0:00:59"},
      {60000, L"0:01:00"},
      {(3 * 3600 + 5 * 60 + 7) * 1000u, L"3:05:07"},
      {(99 * 3600 + 59 * 60 + 10) * 1000u, L"99:59:10"},
      {100 * 3600 * 1000u, L"0:00:00"},
      {(100 * 3600 + 61) * 1000u, L"0:01:01"},
  };
  for (const Case& c : cases) {
    video.FormatElapsed(c.ms);
    EXPECT_STREQ(video.m_szElapsed, c.text) << c.ms;
  }
}

TEST(VideoProject, FrameCopyFlipsAndMakesOpaqueLikeThePlainLoop) {
  std::mt19937 random(3);
  for (int width : {1, 3, 4, 5, 15, 16, 17, 33, 64, 127}) {
    const int height = 7;
    std::vector<BYTE> src(size_t(width) * height * 4);
    for (BYTE& b : src) b = static_cast<BYTE>(random());
    const int stride = width * 4 + 12;  // a padded target
    std::vector<BYTE> fast(size_t(stride) * height, 0x55), plain(fast);
    CopyFrameFlippedOpaque(src.data(), width, height, fast.data(), stride);
    CopyFrameFlippedOpaqueScalar(src.data(), width, height, plain.data(), stride);
    EXPECT_EQ(fast, plain) << width;
    // The oracle of both: source row r is target row height-1-r, alpha 0xFF.
    for (int r = 0; r < height; ++r)
      for (int x = 0; x < width; ++x)
        for (int c = 0; c < 4; ++c) {
          const BYTE want = c == 3 ? 0xFF : src[(size_t(r) * width + x) * 4 + c];
          ASSERT_EQ(plain[size_t(height - 1 - r) * stride + x * 4 + c], want);
        }
    // The padding past each row stays untouched.
    for (int r = 0; r < height; ++r)
      for (int p = width * 4; p < stride; ++p) ASSERT_EQ(fast[size_t(r) * stride + p], 0x55);
  }
}

TEST(VideoProject, CloseRunsTheHookAndFreesPathAndDocument) {
  ComScope com;
  auto* video = new CProjectVideo(nullptr, Here(L"short_mjpeg.avi").c_str());
  video->m_pDocument = new CDTImage();
  g_pActiveVideo = video;
  video->Close();
  EXPECT_EQ(g_pActiveVideo, nullptr);
  EXPECT_EQ(video->m_pszPath, nullptr);
  EXPECT_EQ(video->m_pDocument, nullptr);
  EXPECT_FALSE(video->LoadFirstFrame());  // no path any more
  delete video;
}

}  // namespace
