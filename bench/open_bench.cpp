// Opening a 24-megapixel JPEG and a 24-bit BMP the way File > Open does, up
// to the first frame the canvas presents, against CImage::LoadFile of the same
// file in the same run. The open starts with a picture of the same size shown,
// as a second open does. The whole open runs the program's own opener
// (decode, project, document upload, strip item with its thumbnail file); the
// same steps are also timed one by one: decode, upload, thumbnail, first
// present (the upload repaints the shown picture once, open_shown_repaint
// alone).
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "app/OpenFiles.h"
#include "app/ProjectManager.h"
#include "app/RecentImages.h"
#include "bench/bench_timer.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "image/Image.h"
#include "panels/ThumbnailStrip.h"
#include "settings/RegisteredMessages.h"
#include "win32/Window.h"

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;
constexpr int kRuns = 5;

class CHost : public win32::CWindowImpl<CHost, win32::CWinTraits<WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN>> {
 public:
  BEGIN_MSG_MAP(CHost)
  END_MSG_MAP()
};

double Now() {
  LARGE_INTEGER t, f;
  QueryPerformanceCounter(&t);
  QueryPerformanceFrequency(&f);
  return double(t.QuadPart) * 1000.0 / double(f.QuadPart);
}

void FillPicture(ZEvuvoro::CImage& image) {
  std::mt19937 random(7);
  for (int y = 0; y < image.GetHeight(); ++y) {
    uint8_t* row = image.GetData() + ptrdiff_t(y) * image.GetStride();
    for (int x = 0; x < image.GetWidth(); ++x) {
      const int noise = int(random() & 7);
      row[x * 4 + 0] = uint8_t((x / 24 + noise) & 0xFF);
      row[x * 4 + 1] = uint8_t((y / 16 + noise) & 0xFF);
      row[x * 4 + 2] = uint8_t(((x + y) / 40) & 0xFF);
      row[x * 4 + 3] = 0xFF;
    }
  }
}

bool WriteBmp24(const ZEvuvoro::CImage& image, const wchar_t* path) {
  const int width = image.GetWidth(), height = image.GetHeight();
  const int stride = (width * 3 + 3) & ~3;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biSizeImage = DWORD(stride) * DWORD(height);
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + info.biSizeImage;
  std::vector<uint8_t> rows(info.biSizeImage);
  for (int y = 0; y < height; ++y) {
    const uint8_t* src = image.GetData() + ptrdiff_t(height - 1 - y) * image.GetStride();
    uint8_t* dst = &rows[size_t(y) * stride];
    for (int x = 0; x < width; ++x) {
      dst[x * 3] = src[x * 4];
      dst[x * 3 + 1] = src[x * 4 + 1];
      dst[x * 3 + 2] = src[x * 4 + 2];
    }
  }
  FILE* out = _wfopen(path, L"wb");
  if (!out) return false;
  bool ok = fwrite(&file, sizeof file, 1, out) == 1 && fwrite(&info, sizeof info, 1, out) == 1 &&
            fwrite(rows.data(), 1, rows.size(), out) == rows.size();
  return fclose(out) == 0 && ok;
}

// Waits until the device has done everything asked of it so far: Wine runs
// Direct3D calls on a thread of its own, so a present returns before the
// frame is drawn.
void Finish(CDirectUI& canvas) {
  IDirect3DQuery9* query = nullptr;
  if (FAILED(canvas.m_pDevice->CreateQuery(D3DQUERYTYPE_EVENT, &query)) || !query) return;
  query->Issue(D3DISSUE_END);
  while (query->GetData(nullptr, 0, D3DGETDATA_FLUSH) == S_FALSE) {}
  query->Release();
}

void ClearStrip() { ::SendMessageW(g_pWndImageList->m_wndImages.m_hWnd, WM_IMAGES_CLEAR, 0, 0); }

struct Stages {
  double decode = 1e30, upload = 1e30, thumbnail = 1e30, present = 1e30, total = 1e30, plain = 1e30;
};

// Opens the file as the opener does while `shown` is on the canvas, up to the
// first present.
double OpenOnce(CDirectUI& canvas, CDTImage* shown, const std::wstring& path) {
  canvas.SetActiveImage(shown, TRUE);
  Finish(canvas);
  CProjectManager manager;
  manager.m_pCanvas = &canvas;
  const double t0 = Now();
  {
    CProjectManager::CHold project;
    int added = 0;
    if (!OpenPictureProject(manager, path.c_str(), &project, &added) || !added) {
      std::fprintf(stderr, "the picture did not open\n");
      std::exit(1);
    }
    canvas.SetActiveImage(project->m_pDocument, TRUE);
  }
  Finish(canvas);
  const double t1 = Now();
  canvas.SetActiveImage(shown, FALSE);
  ClearStrip();
  manager.CloseAll();
  return t1 - t0;
}

Stages Measure(CDirectUI& canvas, CDTImage* shown, const std::wstring& path) {
  Stages best;
  for (int run = 0; run < kRuns; ++run) {
    // The opener's steps one by one.
    {
      canvas.SetActiveImage(shown, TRUE);
      Finish(canvas);
      CProjectManager manager;
      manager.m_pCanvas = &canvas;
      const double t0 = Now();
      ZEvuvoro::CImage picture;
      picture.LoadFile(path.c_str());
      const double t1 = Now();
      CProjectManager::CHold project = manager.OpenImageHeld(path.c_str());
      project->m_bNoReload = 0;
      const RECT bounds{0, 0, picture.GetWidth(), picture.GetHeight()};
      project->m_pDocument->Create(&canvas, nullptr, path.c_str(), &bounds);
      project->m_pDocument->UploadFrame(picture.GetData(), picture.GetWidth(), picture.GetHeight(), picture.GetStride(),
                                        nullptr);
      const double t2 = Now();
      g_pWndImageList->AddImage(&picture, project.Get());
      const double t3 = Now();
      canvas.SetActiveImage(project->m_pDocument, TRUE);
      Finish(canvas);
      const double t4 = Now();
      best.decode = std::min(best.decode, t1 - t0);
      best.upload = std::min(best.upload, t2 - t1);
      best.thumbnail = std::min(best.thumbnail, t3 - t2);
      best.present = std::min(best.present, t4 - t3);
      canvas.SetActiveImage(shown, FALSE);
      ClearStrip();
      project.Release();
      manager.CloseAll();
    }
    best.total = std::min(best.total, OpenOnce(canvas, shown, path));
    best.plain = std::min(best.plain, BestMs(1, [&] {
                            ZEvuvoro::CImage plain;
                            plain.LoadFile(path.c_str());
                            SinkBytes(plain.GetData(), size_t(plain.GetStride()) * plain.GetHeight());
                          }));
  }
  return best;
}

}  // namespace

int main() {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
    std::fprintf(stderr, "no GDI+\n");
    return 1;
  }
  wchar_t here[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, here);
  g_ThumbnailFolder = here;
  CRecentImages encoderLookup;
  ZEvuvoro::CImage picture(kWidth, kHeight);
  FillPicture(picture);
  const std::wstring jpeg = std::wstring(here) + L"\\open_bench.jpg", bmp = std::wstring(here) + L"\\open_bench.bmp";
  if (!picture.SaveJpeg(jpeg.c_str(), 0) || !WriteBmp24(picture, bmp.c_str())) {
    std::fprintf(stderr, "cannot write the pictures\n");
    return 1;
  }
  CHost host;
  RECT rc{0, 0, 1280, 800};
  if (!host.Create(nullptr, &rc, L"bench")) return 1;
  CDirectUI canvas;
  if (!canvas.Create(nullptr, host, host)) return 1;
  ::MoveWindow(canvas.m_hWnd, 0, 0, 1280, 800, FALSE);
  g_pDirectUI = &canvas;
  // The strip the opener adds to: hidden, so that only its items and files count.
  CWndImageList strip;
  using StripWindow = win32::CWindowImplBaseT<CWndImages, AvlfWindowBase, AvlfWinTraits>;
  RECT stripRect{0, 0, 800, 60};
  if (!static_cast<StripWindow&>(strip.m_wndImages).Create(host, &stripRect, nullptr, WS_CHILD)) return 1;
  // The picture already shown when the file is opened, as the user's
  // previous one would be.
  CProjectManager resident;
  resident.m_pCanvas = &canvas;
  CProjectManager::CHold shown = resident.OpenImageHeld(L"shown.bmp");
  const RECT shownBounds{0, 0, picture.GetWidth(), picture.GetHeight()};
  shown->m_pDocument->Create(&canvas, nullptr, L"shown.bmp", &shownBounds);
  shown->m_pDocument->UploadFrame(picture.GetData(), picture.GetWidth(), picture.GetHeight(), picture.GetStride(),
                                  nullptr);
  // One repaint of the shown picture, as the upload of a new document draws it.
  double shownRepaint = 1e30;
  canvas.SetActiveImage(shown->m_pDocument, TRUE);
  Finish(canvas);
  for (int run = 0; run < kRuns; ++run) {
    const double t0 = Now();
    canvas.Repaint();
    Finish(canvas);
    shownRepaint = std::min(shownRepaint, Now() - t0);
  }
  std::printf("open_shown_repaint: %.1f ms\n", shownRepaint);
  const struct {
    const char* name;
    std::wstring path;
  } kinds[] = {{"jpeg", jpeg}, {"bmp24", bmp}};
  for (const auto& kind : kinds) {
    const Stages s = Measure(canvas, shown->m_pDocument, kind.path);
    std::printf("open_%s_decode: %.1f ms\n", kind.name, s.decode);
    std::printf("open_%s_upload: %.1f ms\n", kind.name, s.upload);
    std::printf("open_%s_thumbnail: %.1f ms\n", kind.name, s.thumbnail);
    std::printf("open_%s_first_present: %.1f ms\n", kind.name, s.present);
    std::printf("open_%s_total: %.1f ms\n", kind.name, s.total);
    std::printf("loadfile_%s: %.1f ms\n", kind.name, s.plain);
    std::printf("open_%s_vs_loadfile: %.2f x\n", kind.name, s.total / s.plain);
  }
  canvas.SetActiveImage(nullptr, FALSE);
  shown.Release();
  resident.CloseAll();
  g_pDirectUI = nullptr;
  strip.m_wndImages.DestroyWindow();
  canvas.DestroyWindow();
  host.DestroyWindow();
  DeleteFileW(jpeg.c_str());
  DeleteFileW(bmp.c_str());
  Gdiplus::GdiplusShutdown(token);
  return 0;
}
