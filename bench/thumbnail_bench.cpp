// A strip thumbnail of a 12- and a 24-megapixel picture, as adding a picture
// makes it: a GDI+ bitmap over the pixels, the 48 x 27 cover crop reduced
// (MakeThumbnail) and the PNG file written. thumbnail_bench.sh times PIL doing
// the same crop, bilinear reduction and PNG in the same run.
#include <windows.h>
#include <objidl.h>

#include <gdiplus.h>

#include <cstdio>
#include <vector>

#include "app/RecentImages.h"
#include "bench/bench_timer.h"
#include "panels/ThumbnailStrip.h"

namespace {

double ThumbnailMs(int width, int height) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
      p[0] = static_cast<uint8_t>(x * 7 + y);
      p[1] = static_cast<uint8_t>(y * 3);
      p[2] = static_cast<uint8_t>(x ^ y);
      p[3] = 255;
    }
  return BestMs(5, [&] {
    Gdiplus::Bitmap source(width, height, width * 4, PixelFormat32bppRGB, pixels.data());
    Gdiplus::Bitmap* thumbnail = MakeThumbnail(&source, kThumbWidth, kThumbHeight);
    SaveImageAsPng(thumbnail, L"thumbnail_bench.png");
    delete thumbnail;
  });
}

}  // namespace

int main() {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return 1;
  std::printf("thumbnail_12mp: %.2f ms\n", ThumbnailMs(4000, 3000));
  std::printf("thumbnail_24mp: %.2f ms\n", ThumbnailMs(6000, 4000));
  Gdiplus::GdiplusShutdown(token);
  ::CoUninitialize();
  return 0;
}
