// The slide show on a real canvas: frame-rate arithmetic, the plug-in's
// failures, the transition order, preview pacing and stop, and a burn whose
// AVI file check_slides.py decodes and compares with a numpy model.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "capture/CaptureShell.h"
#include "capture/SlideShow.h"
#include "engine/DirectUI.h"
#include "image/Image.h"
#include "settings/Configuration.h"
#include "tests/engine/canvas_fixture.h"

namespace {

using canvas_test::CPicture;

std::wstring ExeFolder() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.find_last_of(L'\\'));
}

// A show whose plug-in folder and random seed the test chooses.
class CTestShow : public CSlideShow {
 public:
  std::wstring m_folder = ExeFolder();
  DWORD m_seed = 1;

 protected:
  std::wstring PluginFolder() override { return m_folder; }
  DWORD RandomSeed() override { return m_seed; }
};

// A seed whose first rand() modulo count is wanted, as the show draws it.
DWORD SeedFor(int wanted, int count) {
  for (DWORD seed = 1;; ++seed) {
    std::srand(seed);
    if (std::rand() % count == wanted) return seed;
  }
}

CPicture Solid(int width, int height, uint32_t argb) {
  return CPicture{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height, argb)};
}

// Notes the active document and the centre of every presented frame.
class CShowCanvas : public CDirectUI {
 public:
  struct Shown {
    DWORD time;
    CDTImage* active;
    uint32_t centre;  // 0x00RRGGBB
  };
  HRESULT PresentFrame() override {
    canvas_test::CReadBack back;
    if (canvas_test::ReadBackBuffer(m_pDevice, &back) && back.width > 0) {
      m_shown.push_back({timeGetTime(), m_pActiveImage, back.At(back.width / 2, back.height / 2)});
      if (m_pActiveImage == m_pWatched) m_watched.push_back(std::move(back));
    }
    return CDirectUI::PresentFrame();
  }
  std::vector<Shown> m_shown;
  CDTImage* m_pWatched = nullptr;  // whole frames are kept while it is shown
  std::vector<canvas_test::CReadBack> m_watched;
};

// A frame as the canvas showed it, kept in the test's folder to look at.
void SaveFrame(const canvas_test::CReadBack& frame, const wchar_t* name) {
  ZEvuvoro::CImage image(frame.width, frame.height);
  for (int y = 0; y < frame.height; ++y)
    for (int x = 0; x < frame.width; ++x)
      reinterpret_cast<uint32_t*>(image.m_pData + static_cast<ptrdiff_t>(y) * image.m_nStride)[x] =
          frame.At(x, y) | 0xFF000000u;
  image.SaveBmp(name, 0);
}

// A canvas with a document that was current before the show, and slides.
class SlideShowTest : public ::testing::Test {
 protected:
  static constexpr uint32_t kBackground = 0xFF406080;
  static constexpr uint32_t kPrevious = 0xFF10F010;

  void SetUp() override {
    RECT rc{0, 0, 64, 48};
    m_host.Create(nullptr, &rc, L"host", 0);
    m_canvas.Create(nullptr, m_host, m_host);
    ASSERT_TRUE(m_canvas.m_hWnd && m_canvas.m_pDevice) << "no Direct3D canvas";
    m_canvas.SetBackgroundColor(kBackground);
    g_pDirectUI = &m_canvas;
    m_previous = AddDocument(Solid(64, 48, kPrevious));
    m_canvas.SetActiveImage(m_previous, TRUE);
  }
  void TearDown() override {
    g_pDirectUI = nullptr;
    if (m_canvas.m_hWnd) {
      for (auto& document : m_documents) m_canvas.DetachElement(document.get());
      m_canvas.DestroyWindow();
    }
    m_host.DestroyWindow();
  }

  CDTImage* AddDocument(const CPicture& picture) {
    m_documents.push_back(std::make_unique<CDTImage>());
    CDTImage* document = m_documents.back().get();
    RECT rc{0, 0, picture.width, picture.height};
    document->Create(&m_canvas, nullptr, L"slide", &rc);
    document->UploadFrame(picture.pixels.data(), picture.width, picture.height, picture.width * 4, nullptr);
    return document;
  }

  // Dispatches messages until the worker has ended, at most timeoutMs.
  static bool PumpUntilEnded(CSlideShow& show, DWORD timeoutMs) {
    const DWORD start = timeGetTime();
    while (show.m_hThread && WaitForSingleObject(show.m_hThread, 0) != WAIT_OBJECT_0) {
      if (timeGetTime() - start > timeoutMs) return false;
      MsgWaitForMultipleObjects(1, &show.m_hThread, FALSE, 10, QS_ALLINPUT);
      canvas_test::Pump();
    }
    return true;
  }
  template <class Done>
  static bool PumpUntil(Done done, DWORD timeoutMs) {
    const DWORD start = timeGetTime();
    while (!done()) {
      if (timeGetTime() - start > timeoutMs) return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
      canvas_test::Pump();
    }
    return true;
  }

  // The main frame's order up to Begin.
  void Prepare(CTestShow& show, int showTime, int transitionTime, int fps, int width, int height) {
    ASSERT_TRUE(show.LoadTransitions());
    show.SetShowTime(showTime);
    show.SetTransitionTime(transitionTime);
    show.SetFrameRate(fps);
    for (size_t i = 1; i < m_documents.size(); ++i) show.AddSlide(m_documents[i].get(), static_cast<int>(i));
    show.SetSize(width, height);
  }

  canvas_test::CHost m_host;
  CShowCanvas m_canvas;
  CDTImage* m_previous = nullptr;
  std::vector<std::unique_ptr<CDTImage>> m_documents;  // [0] is the previous document
};

TEST(SlideShowSettings, FrameRateGivesStepAndProgress) {
  struct Case {
    int transitionTime, fps;
    int frameRate;
    DWORD step;
    int progressStep;
  } cases[] = {
      {500, 30, 30, 33, 7},     // the defaults: 15 transition frames
      {2000, 100, 100, 10, 1},  // 0.5 rounds up to 1
      {100, 15, 15, 66, 30},    // 66 is capped
      {500, 5, 10, 100, 20},    // below 10 fps
      {500, 200, 100, 10, 2},   // above 100 fps
      {1000, 60, 60, 16, 2},    // 1.6 + 0.5 truncates to 2
      {0, 30, 30, 33, 30},      // no transition time: the quickest change, no division by zero
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.transitionTime << " ms at " << c.fps << " fps");
    CSlideShow show;
    show.SetTransitionTime(c.transitionTime);
    show.SetFrameRate(c.fps);
    EXPECT_EQ(show.m_nFrameRate, c.frameRate);
    EXPECT_EQ(show.m_dwFrameStep, c.step);
    EXPECT_EQ(show.m_nProgressStep, c.progressStep);
  }
  CSlideShow fresh;
  EXPECT_EQ(fresh.m_nFrameRate, 30);
  EXPECT_EQ(fresh.m_dwFrameStep, 33u);
  EXPECT_EQ(fresh.m_nProgressStep, 7);
  EXPECT_EQ(fresh.m_nShowTime, 1500);
}

TEST_F(SlideShowTest, LoadTransitionsRefusesBrokenPlugins) {
  const std::wstring plugins = ExeFolder() + L"\\plugins\\";
  struct Case {
    const char* name;
    std::wstring folder;
    bool canvas;
    BOOL loaded;
  } cases[] = {
      {"no program folder", L"", true, FALSE},
      {"no library", plugins + L"absent", true, FALSE},
      {"an export missing", plugins + L"missing", true, FALSE},
      {"no transitions", plugins + L"empty", true, FALSE},
      {"no canvas", ExeFolder(), false, FALSE},
      {"the program's plug-in", ExeFolder(), true, TRUE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g_pDirectUI = c.canvas ? &m_canvas : nullptr;
    {
      CTestShow show;
      show.m_folder = c.folder;
      EXPECT_EQ(show.LoadTransitions(), c.loaded);
      EXPECT_EQ(show.m_bAttached, c.loaded);
      // Stopping a show that never started releases what loading took.
      show.Stop();
      EXPECT_EQ(show.m_bAttached, 0);
    }
    EXPECT_EQ(m_canvas.m_pActiveImage, m_previous);
  }
}

TEST_F(SlideShowTest, TransitionsCycleFromTheSeededStart) {
  for (int i = 0; i < 5; ++i) AddDocument(Solid(64, 48, 0xFF000000u | (0x203040u * (i + 1))));
  using LogFn = int (*)(int*, int);
  CTestShow show;
  show.m_folder = ExeFolder() + L"\\plugins\\log";
  show.m_seed = SeedFor(2, 3);
  Prepare(show, 20, 100, 100, 64, 48);
  auto logged = reinterpret_cast<LogFn>(reinterpret_cast<void*>(GetProcAddress(show.m_hPlugin, "CreatedTransitions")));
  ASSERT_NE(logged, nullptr);
  int before[64];
  const int already = logged(before, 64);
  show.Start(FALSE, nullptr);
  show.Begin(m_previous);
  ASSERT_TRUE(PumpUntilEnded(show, 10000));
  show.Stop();
  int order[64];
  const int count = logged(order, 64);
  EXPECT_EQ(std::vector<int>(order + already, order + count), (std::vector<int>{2, 0, 1, 2, 0}));
  EXPECT_EQ(m_canvas.m_pActiveImage, m_previous);
}

TEST_F(SlideShowTest, StopDuringTheShowTimeEndsAtOnce) {
  const uint32_t first = 0xFFC02040, second = 0xFF2040C0;
  AddDocument(Solid(64, 48, first));
  AddDocument(Solid(64, 48, second));
  CTestShow show;
  show.m_seed = SeedFor(FADEWORKS_CROSSFADE, FADEWORKS_COUNT);  // the centre reaches the picture only at the end
  Prepare(show, 9000, 100, 100, 64, 48);
  show.Start(FALSE, nullptr);
  show.Begin(m_previous);
  EXPECT_EQ(m_canvas.m_pActiveImage, &show.m_Document);
  // The first picture is in and its 9 s have begun.
  ASSERT_TRUE(PumpUntil(
      [&] { return !m_canvas.m_shown.empty() && m_canvas.m_shown.back().centre == (first & 0xFFFFFF); }, 5000));
  PumpUntil([] { return false; }, 100);
  const DWORD before = timeGetTime();
  show.Stop();
  EXPECT_LT(timeGetTime() - before, 2000u);
  EXPECT_EQ(show.m_hThread, nullptr);
  EXPECT_EQ(m_canvas.m_pActiveImage, m_previous);
  for (const auto& shown : m_canvas.m_shown) EXPECT_NE(shown.centre, second & 0xFFFFFF);
  EXPECT_EQ(m_canvas.m_shown.back().centre, kPrevious & 0xFFFFFF);
}

TEST_F(SlideShowTest, SingleSlideGoesBlackPictureEnd) {
  const uint32_t picture = 0xFFE0A020;
  AddDocument(Solid(64, 48, picture));
  CTestShow show;
  show.m_seed = SeedFor(FADEWORKS_CROSSFADE, FADEWORKS_COUNT);
  Prepare(show, 400, 200, 30, 64, 48);
  m_canvas.m_pWatched = &show.m_Document;
  show.Start(FALSE, nullptr);
  show.Begin(m_previous);
  ASSERT_TRUE(PumpUntilEnded(show, 10000));
  const DWORD ended = timeGetTime();
  canvas_test::Pump();
  show.Stop();
  EXPECT_EQ(m_canvas.m_pActiveImage, m_previous);

  // The show's own frames, in order: black first, the picture last.
  std::vector<CShowCanvas::Shown> own;
  for (const auto& shown : m_canvas.m_shown)
    if (shown.active == &show.m_Document) own.push_back(shown);
  ASSERT_GE(own.size(), 3u);
  size_t firstFrame = 0;
  while (firstFrame < own.size() && own[firstFrame].centre == (kBackground & 0xFFFFFF)) ++firstFrame;
  ASSERT_LT(firstFrame, own.size());
  EXPECT_EQ(own[firstFrame].centre, 0u);
  EXPECT_EQ(own.back().centre, picture & 0xFFFFFF);
  // The picture stays for the show time before the previous document returns.
  DWORD pictureShown = 0;
  for (const auto& shown : own)
    if (shown.centre == (picture & 0xFFFFFF)) {
      pictureShown = shown.time;
      break;
    }
  ASSERT_NE(pictureShown, 0u);
  EXPECT_GE(ended - pictureShown, 350u);
  EXPECT_EQ(m_canvas.m_shown.back().centre, kPrevious & 0xFFFFFF);
  // A frame halfway through the fade, for a person to look at.
  ASSERT_FALSE(m_canvas.m_watched.empty());
  SaveFrame(m_canvas.m_watched[m_canvas.m_watched.size() / 2], L"slideshow_preview.bmp");
  m_canvas.m_pWatched = nullptr;
}

TEST_F(SlideShowTest, NullTransitionsCutStraightToThePictures) {
  const uint32_t first = 0xFFC02040, second = 0xFF2040C0;
  AddDocument(Solid(64, 48, first));
  AddDocument(Solid(64, 48, second));
  CTestShow show;
  show.m_folder = ExeFolder() + L"\\plugins\\nullobjects";
  Prepare(show, 100, 500, 30, 64, 48);
  show.Start(FALSE, nullptr);
  show.Begin(m_previous);
  ASSERT_TRUE(PumpUntilEnded(show, 10000));
  show.Stop();
  std::vector<uint32_t> seen;
  for (const auto& shown : m_canvas.m_shown)
    if (shown.active == &show.m_Document && (seen.empty() || seen.back() != shown.centre)) seen.push_back(shown.centre);
  if (!seen.empty() && seen.front() == (kBackground & 0xFFFFFF)) seen.erase(seen.begin());
  EXPECT_EQ(seen, (std::vector<uint32_t>{first & 0xFFFFFF, second & 0xFFFFFF}));
  EXPECT_EQ(m_canvas.m_pActiveImage, m_previous);
}

// Stop at any moment, also while the worker ends by itself: the clean-up
// runs once and the show can go at once.
TEST_F(SlideShowTest, StopRacesTheShowsOwnEnd) {
  AddDocument(Solid(64, 48, 0xFF808000));
  for (int delay = 0; delay < 120; delay += 6) {
    SCOPED_TRACE(delay);
    auto show = std::make_unique<CTestShow>();
    Prepare(*show, 10, 100, 100, 64, 48);
    show->Start(FALSE, nullptr);
    show->Begin(m_previous);
    PumpUntil([] { return false; }, static_cast<DWORD>(delay));
    show->Stop();
    EXPECT_EQ(show->m_hThread, nullptr);
    EXPECT_EQ(show->m_pTransition, nullptr);
    EXPECT_EQ(show->m_bAttached, 0);
    show.reset();
    EXPECT_EQ(m_canvas.m_pActiveImage, m_previous);
  }
}

// Notes the folder view's request and whether COM was ready on its thread.
class CFolderShell : public CCaptureShell {
 public:
  void ShowInFolder(const wchar_t* path) override {
    const HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    comReady = hr == S_FALSE;
    if (SUCCEEDED(hr)) CoUninitialize();
    shown.push_back(path);
  }
  std::vector<std::wstring> shown;
  bool comReady = false;
};

void WriteRaw(const char* name, const CPicture& picture) {
  FILE* f = std::fopen(name, "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(picture.pixels.data(), 4, picture.pixels.size(), f);
  std::fclose(f);
}

TEST_F(SlideShowTest, BurnWritesEveryFrameAtItsStamp) {
  const CPicture slides[] = {canvas_test::Noise(96, 72, 11), canvas_test::Noise(61, 43, 12),
                             canvas_test::Noise(96, 72, 13)};
  for (const CPicture& picture : slides) AddDocument(picture);
  wchar_t folder[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, folder);
  const std::wstring avi = std::wstring(folder) + L"\\slides.avi";
  DeleteFileW(avi.c_str());

  CFolderShell shell;
  CCaptureShell* const oldShell = SetCaptureShell(&shell);
  const DWORD oldFormat = g_Config.m_MovieFormat;
  g_Config.m_MovieFormat = 0;  // Bitmap: the frames arrive unchanged
  CTestShow show;
  show.m_seed = 20261211;
  Prepare(show, 1500, 500, 30, 96, 72);
  show.Start(TRUE, avi.c_str());
  show.Begin(m_previous);
  const bool ended = PumpUntilEnded(show, 60000);
  show.Stop();
  g_Config.m_MovieFormat = oldFormat;
  SetCaptureShell(oldShell);
  ASSERT_TRUE(ended);

  EXPECT_EQ(m_canvas.m_pActiveImage, m_previous);
  ASSERT_EQ(shell.shown.size(), 1u);
  EXPECT_EQ(shell.shown[0], avi);
  EXPECT_TRUE(shell.comReady) << "the folder view ran on a thread without COM";
  EXPECT_NE(GetFileAttributesW(avi.c_str()), INVALID_FILE_ATTRIBUTES);

  for (int i = 0; i < 3; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "slide%d.bgra", i);
    WriteRaw(name, slides[i]);
  }
  FILE* f = std::fopen("slides.json", "w");
  ASSERT_NE(f, nullptr);
  std::fprintf(f,
               "{\"avi\": \"slides.avi\", \"width\": 96, \"height\": 72, \"fps\": 30, \"transition_ms\": 500, "
               "\"show_ms\": 1500, \"seed\": %lu, \"transitions\": %d, \"slides\": [",
               static_cast<unsigned long>(show.m_seed), FADEWORKS_COUNT);
  for (int i = 0; i < 3; ++i)
    std::fprintf(f, "%s{\"file\": \"slide%d.bgra\", \"width\": %d, \"height\": %d}", i ? ", " : "", i, slides[i].width,
                 slides[i].height);
  std::fprintf(f, "]}\n");
  std::fclose(f);
}

}  // namespace
