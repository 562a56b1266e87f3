// The fuse command: the strip's checked pictures, taken at different focus
// depths, combined into one picture that is sharp throughout and opened as a
// new project.
#include <cstdint>
#include <string>
#include <vector>

#include "app/MainFrame.h"
#include "capture/Project.h"
#include "image/BmpWriter.h"
#include "image/fusion/FusionImage.h"
#include "panels/Fusion.h"
#include "panels/ThumbnailStrip.h"
#include "settings/Configuration.h"

namespace {

StripClockFunction g_pfnFusionClock = ::GetLocalTime;

// Puts the previous cursor back however the command ends.
class CWaitCursor {
 public:
  CWaitCursor() : m_previous(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {}
  ~CWaitCursor() { ::SetCursor(m_previous); }
  CWaitCursor(const CWaitCursor&) = delete;
  CWaitCursor& operator=(const CWaitCursor&) = delete;

 private:
  HCURSOR m_previous;
};

// Destroys the fusion object on every way out.
class CFusionHolder {
 public:
  CFusionHolder() = default;
  ~CFusionHolder() { Reset(); }
  CFusionHolder(const CFusionHolder&) = delete;
  CFusionHolder& operator=(const CFusionHolder&) = delete;
  void Reset(CGPUFusionImage* fusion = nullptr) {
    if (m_fusion) DestroyFusionImage(m_fusion);
    m_fusion = fusion;
  }
  CGPUFusionImage* Get() const { return m_fusion; }

 private:
  CGPUFusionImage* m_fusion = nullptr;
};

class CGdipBitmapHolder {
 public:
  explicit CGdipBitmapHolder(const wchar_t* path) {
    if (!path || Gdiplus::DllExports::GdipCreateBitmapFromFile(path, &m_bitmap) != Gdiplus::Ok) m_bitmap = nullptr;
  }
  ~CGdipBitmapHolder() {
    if (m_bitmap) Gdiplus::DllExports::GdipDisposeImage(m_bitmap);
  }
  CGdipBitmapHolder(const CGdipBitmapHolder&) = delete;
  CGdipBitmapHolder& operator=(const CGdipBitmapHolder&) = delete;
  Gdiplus::GpBitmap* Get() const { return m_bitmap; }

 private:
  Gdiplus::GpBitmap* m_bitmap = nullptr;
};

void ShowFusionError(HWND owner) { StripMessageBox(owner, SkinTextOrKey(L"eFuseImage"), L"", MB_ICONERROR); }

bool WriteAll(HANDLE file, const void* data, size_t size) {
  const auto* bytes = static_cast<const uint8_t*>(data);
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(size > 0x40000000u ? 0x40000000u : size);
    DWORD written = 0;
    if (!::WriteFile(file, bytes, chunk, &written, nullptr) || written != chunk) return false;
    bytes += chunk;
    size -= chunk;
  }
  return true;
}

}  // namespace

void SetFusionClockFunction(StripClockFunction clock) { g_pfnFusionClock = clock ? clock : ::GetLocalTime; }

uint32_t FusedRowBytes(int width) { return ((static_cast<uint32_t>(width) * 24 + 31) / 32) * 4; }

std::wstring FusedFileStem(const wchar_t* folder, const SYSTEMTIME& time) {
  std::vector<wchar_t> text(wcslen(folder ? folder : L"") + 256);
  swprintf(text.data(), text.size(), L"%ls\\fused-%d.%d-%d;%d;%d", folder ? folder : L"", time.wMonth, time.wDay,
           time.wHour, time.wMinute, time.wSecond);
  return text.data();
}

HANDLE CreateFusedFile(const std::wstring& stem, std::wstring* path) {
  // A second fusion in the same second gets a numbered name instead of
  // replacing the first one's picture.
  for (int copy = 0; copy < 1000; ++copy) {
    std::wstring name = stem;
    if (copy > 0) name += L"(" + std::to_wstring(copy) + L")";
    name += L".bmp";
    HANDLE file = ::CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      *path = name;
      return file;
    }
    const DWORD error = ::GetLastError();
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) break;
  }
  return INVALID_HANDLE_VALUE;
}

bool WriteFusedBmp(HANDLE file, int width, int height, const uint8_t* pixels) {
  const uint32_t imageSize = FusedRowBytes(width) * static_cast<uint32_t>(height);
  const ZEvuvoro::BmpFileHeader header{0x4D42, 54 + imageSize, 0, 0, 54};
  const ZEvuvoro::BmpInfoHeader info{40, width, -height, 1, 24, BI_RGB, imageSize, 3780, 3780, 0, 0};
  return WriteAll(file, &header, sizeof(header)) && WriteAll(file, &info, sizeof(info)) &&
         WriteAll(file, pixels, imageSize);
}

void CWndImages::FuseCheckedImages() {
  CWaitCursor wait;
  int checked = 0;
  for (IMAGE_ITEM* item : m_items)
    if (item->m_nState == LVIS_SELECTED && ++checked == 2) break;
  if (checked < 2) {
    ShowFusionError(m_hWnd);
    return;
  }

  CFusionHolder fusion;
  int width = 0;
  int height = 0;
  int added = 0;
  for (IMAGE_ITEM* item : m_items) {
    if (item->m_nState != LVIS_SELECTED) continue;
    CGdipBitmapHolder bitmap(item->m_pProject ? item->m_pProject->m_pszPath : nullptr);
    UINT pictureWidth = 0;
    UINT pictureHeight = 0;
    if (bitmap.Get()) {
      Gdiplus::DllExports::GdipGetImageWidth(bitmap.Get(), &pictureWidth);
      Gdiplus::DllExports::GdipGetImageHeight(bitmap.Get(), &pictureHeight);
    }
    if (width == 0 || height == 0) {
      // An unreadable picture sets no size; the next readable one does.
      if (pictureWidth == 0 || pictureHeight == 0) continue;
      fusion.Reset(CreateFusionImage(static_cast<int>(pictureWidth), static_cast<int>(pictureHeight), 0));
      if (!fusion.Get()) return;
      width = static_cast<int>(pictureWidth);
      height = static_cast<int>(pictureHeight);
    } else if (static_cast<int>(pictureWidth) != width || static_cast<int>(pictureHeight) != height) {
      fusion.Reset();
      ShowFusionError(m_hWnd);
      return;
    }
    Gdiplus::BitmapData data{};
    if (Gdiplus::DllExports::GdipBitmapLockBits(bitmap.Get(), nullptr, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB,
                                                &data) != Gdiplus::Ok)
      continue;
    // The fusion reads rows top-down at its own padded length, which a
    // locked 24-bit bitmap has unless its stride says otherwise.
    const uint32_t rowBytes = FusedRowBytes(width);
    bool ok;
    if (data.Stride == static_cast<INT>(rowBytes)) {
      ok = FusionAddImage(fusion.Get(), 24, static_cast<const uint8_t*>(data.Scan0));
    } else {
      std::vector<uint8_t> rows(static_cast<size_t>(rowBytes) * static_cast<size_t>(height));
      for (int y = 0; y < height; ++y)
        memcpy(rows.data() + static_cast<size_t>(y) * rowBytes,
               static_cast<const uint8_t*>(data.Scan0) + static_cast<ptrdiff_t>(y) * data.Stride,
               static_cast<size_t>(width) * 3);
      ok = FusionAddImage(fusion.Get(), 24, rows.data());
    }
    Gdiplus::DllExports::GdipBitmapUnlockBits(bitmap.Get(), &data);
    if (ok) ++added;
  }
  if (added < 2) return;

  const uint32_t rowBytes = FusedRowBytes(width);
  std::vector<uint8_t> result(static_cast<size_t>(rowBytes) * static_cast<size_t>(height));
  const bool fused = FusionGetResult(fusion.Get(), 24, result.data());
  fusion.Reset();
  if (!fused) return;

  SYSTEMTIME now{};
  g_pfnFusionClock(&now);
  const std::wstring folder = g_Config.CopyImageDir();
  std::wstring path;
  HANDLE file = CreateFusedFile(FusedFileStem(folder.c_str(), now), &path);
  if (file == INVALID_HANDLE_VALUE) return;
  const bool written = WriteFusedBmp(file, width, height, result.data());
  ::CloseHandle(file);
  if (!written) {
    ::DeleteFileW(path.c_str());
    return;
  }
  if (g_pMainFrame) g_pMainFrame->OpenFile(path.c_str());
  if (!m_items.empty()) ::SendMessageW(m_hWnd, WM_IMAGES_SELECTITEM, 0, static_cast<LPARAM>(m_items.size()) - 1);
}
