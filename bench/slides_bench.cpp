// The slide show's costs at the largest show size, 1600 x 1200: one Render of
// each transition of Fadeworks.dll against a memcpy of the output (a
// transition reads two pictures and writes one, a copy reads one and writes
// one), and a whole burn of three slides through the canvas into an MJPEG
// AVI file in frames per second, and its time per frame against the frame's 33 ms.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_timer.h"
#include "capture/CaptureShell.h"
#include "capture/SlideShow.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "settings/Configuration.h"
#include "win32/Window.h"

namespace {

constexpr int kWidth = 1600, kHeight = 1200;

class CHost : public win32::CWindowImpl<CHost, win32::CWinTraits<WS_POPUP | WS_CLIPCHILDREN>> {
 public:
  BEGIN_MSG_MAP(CHost)
  END_MSG_MAP()
};

std::wstring ExeFolder() {
  wchar_t path[MAX_PATH];
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.find_last_of(L'\\'));
}

class CBenchShow : public CSlideShow {
 protected:
  std::wstring PluginFolder() override { return ExeFolder(); }
};

// The burn opens no folder view.
class CQuietShell : public CCaptureShell {
 public:
  void ShowInFolder(const wchar_t*) override {}
};

void Fill(ZEvuvoro::CImage& image, uint32_t seed) {
  std::mt19937 random(seed);
  auto* p = reinterpret_cast<uint32_t*>(image.m_pData);
  for (size_t i = 0; i < static_cast<size_t>(image.m_nWidth) * image.m_nHeight; ++i) p[i] = random() | 0xFF000000u;
}

const char* const kNames[] = {"crossfade", "wipe", "push", "boxin"};

int Transitions() {
  HMODULE module = ::LoadLibraryW((ExeFolder() + L"\\Fadeworks.dll").c_str());
  if (!module) {
    std::printf("error: no Fadeworks.dll\n");
    return 1;
  }
  auto create =
      reinterpret_cast<CreateTransitionFn>(reinterpret_cast<void*>(::GetProcAddress(module, "CreateTransition")));
  auto destroy =
      reinterpret_cast<DeleteTransitionFn>(reinterpret_cast<void*>(::GetProcAddress(module, "DeleteTransition")));
  ZEvuvoro::CImage from(kWidth, kHeight), to(kWidth, kHeight), output(kWidth, kHeight);
  Fill(from, 1);
  Fill(to, 2);
  const size_t bytes = static_cast<size_t>(kWidth) * kHeight * 4;
  const double copyMs = BestMs(30, [&] {
    std::memcpy(output.m_pData, to.m_pData, bytes);
    SinkBytes(output.m_pData, bytes);
  });
  std::printf("slides_memcpy: %.3f ms\n", copyMs);
  for (int index = 0; index < FADEWORKS_COUNT; ++index) {
    CTransition* transition = create(index);
    int percent = 0;
    const double ms = BestMs(30, [&] {
      transition->Render(&output, &from, &to, 7 + percent);
      percent = (percent + 13) % 90;
      SinkBytes(output.m_pData, bytes);
    });
    destroy(transition);
    std::printf("slides_%s_render: %.3f ms\n", kNames[index], ms);
    std::printf("slides_%s_vs_memcpy: %.2f x\n", kNames[index], ms / copyMs);
  }
  return 0;
}

int Burn() {
  CHost host;
  RECT rc{0, 0, 800, 600};
  if (!host.Create(nullptr, &rc, L"bench")) {
    std::printf("error: no host window\n");
    return 1;
  }
  CDirectUI canvas;
  if (!canvas.Create(nullptr, host, host) || !canvas.m_pDevice) {
    std::printf("error: no canvas\n");
    return 1;
  }
  g_pDirectUI = &canvas;
  std::vector<std::unique_ptr<CDTImage>> slides;
  ZEvuvoro::CImage picture(kWidth, kHeight);
  for (int i = 0; i < 3; ++i) {
    slides.push_back(std::make_unique<CDTImage>());
    RECT docRect{0, 0, kWidth, kHeight};
    slides.back()->Create(&canvas, nullptr, L"slide", &docRect);
    Fill(picture, 10 + i);
    slides.back()->UploadFrame(picture.m_pData, kWidth, kHeight, picture.m_nStride, nullptr);
  }
  canvas.SetActiveImage(slides[0].get(), TRUE);

  CQuietShell shell;
  CCaptureShell* old = SetCaptureShell(&shell);
  wchar_t folder[MAX_PATH];
  ::GetCurrentDirectoryW(MAX_PATH, folder);
  const std::wstring avi = std::wstring(folder) + L"\\slides_bench.avi";
  double seconds = 0;
  int frames = 0;
  {
    CBenchShow show;
    if (!show.LoadTransitions()) {
      std::printf("error: no transitions\n");
      return 1;
    }
    // A short show time: the burn's cost is in its frames, not its stamps.
    show.SetShowTime(100);
    show.SetTransitionTime(500);
    show.SetFrameRate(30);
    for (int i = 0; i < 3; ++i) show.AddSlide(slides[static_cast<size_t>(i)].get(), i);
    show.SetSize(kWidth, kHeight);
    frames = 3 * ((100 + show.m_nProgressStep - 1) / show.m_nProgressStep + 1);
    LARGE_INTEGER f, a, b;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&a);
    show.Start(TRUE, avi.c_str());
    show.Begin(slides[0].get());
    // The show ends by itself after the last slide, with the file finished.
    while (::WaitForSingleObject(show.m_hThread, 0) != WAIT_OBJECT_0) {
      ::MsgWaitForMultipleObjects(1, &show.m_hThread, FALSE, INFINITE, QS_ALLINPUT);
      MSG msg;
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    }
    show.Stop();
    ::QueryPerformanceCounter(&b);
    seconds = static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
  }
  SetCaptureShell(old);
  ::DeleteFileW(avi.c_str());
  const double fps = frames / seconds;
  std::printf("slides_burn: %.1f frames/s\n", fps);
  // Time per burnt frame over the 33 ms a frame lasts in the file.
  std::printf("slides_burn_frame_vs_step: %.2f x\n", 30.0 / fps);
  g_pDirectUI = nullptr;
  for (auto& slide : slides) canvas.DetachElement(slide.get());
  canvas.DestroyWindow();
  host.DestroyWindow();
  return 0;
}

}  // namespace

int main() {
  if (Transitions()) return 1;
  return Burn();
}
