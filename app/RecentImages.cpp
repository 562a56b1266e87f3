#include "app/RecentImages.h"

#include "app/StandInCalls.h"

#include <cstring>
#include <vector>

void CRecentImages::Start() { StandInCall(L"CRecentImages::Start"); }
void CRecentImages::Stop() { StandInCall(L"CRecentImages::Stop"); }

std::wstring g_ThumbnailFolder;
CLSID g_PngEncoderClsid = {};

std::wstring GetThumbnailPath(const wchar_t* path) {
  std::wstring result = g_ThumbnailFolder + L"\\";
  const wchar_t* slash = path ? wcsrchr(path, L'\\') : nullptr;
  if (slash && slash[1]) {
    result += slash + 1;
    result += L".png";
  }
  return result;
}

namespace {
// The PNG encoder's class id; looked up on first use when the recent
// pictures have not done it yet.
const CLSID& PngEncoder() {
  static const CLSID zero = {};
  if (memcmp(&g_PngEncoderClsid, &zero, sizeof zero) != 0) return g_PngEncoderClsid;
  UINT count = 0;
  UINT size = 0;
  if (Gdiplus::DllExports::GdipGetImageEncodersSize(&count, &size) != Gdiplus::Ok || size == 0)
    return g_PngEncoderClsid;
  std::vector<unsigned char> storage(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(storage.data());
  if (Gdiplus::DllExports::GdipGetImageEncoders(count, size, codecs) != Gdiplus::Ok) return g_PngEncoderClsid;
  for (UINT i = 0; i < count; ++i)
    if (codecs[i].MimeType && wcscmp(codecs[i].MimeType, L"image/png") == 0) {
      g_PngEncoderClsid = codecs[i].Clsid;
      break;
    }
  return g_PngEncoderClsid;
}
}  // namespace

void SaveImageAsPng(Gdiplus::Image* image, const wchar_t* path) {
  if (!image) return;
  image->Save(path, &PngEncoder(), nullptr);
}
