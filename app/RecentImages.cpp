#include "app/RecentImages.h"

#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <vector>

#include <gdiplus.h>
#include <cstdint>

#include "app/ProjectManager.h"
#include "capture/ProjectVideo.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "image/Image.h"
#include "panels/ThumbnailStrip.h"
#include "settings/Configuration.h"
#include "settings/RegisteredMessages.h"

std::wstring g_ThumbnailFolder;
CLSID g_PngEncoderClsid{};

namespace {

bool HasSize(const CDTImage* document) { return document && document->m_nWidth > 0 && document->m_nHeight > 0; }

bool IsVideoPath(const wchar_t* path) {
  const wchar_t* dot = std::wcsrchr(path, L'.');
  return dot && std::wcslen(dot) == 4 && (_wcsicmp(dot, L".avi") == 0 || _wcsicmp(dot, L".wmv") == 0);
}

void FindPngEncoder() {
  UINT count = 0, bytes = 0;
  if (Gdiplus::DllExports::GdipGetImageEncodersSize(&count, &bytes) != Gdiplus::Ok || !count || !bytes) return;
  std::vector<BYTE> storage(bytes);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(storage.data());
  if (Gdiplus::DllExports::GdipGetImageEncoders(count, bytes, codecs) != Gdiplus::Ok) return;
  for (UINT i = 0; i < count; ++i)
    if (codecs[i].MimeType && std::wcscmp(codecs[i].MimeType, L"image/png") == 0) {
      g_PngEncoderClsid = codecs[i].Clsid;
      return;
    }
}

// Puts a picture into a fresh document on the canvas, opaque.
void FillDocument(CDTImage* document, const wchar_t* path, const ZEvuvoro::CImage& image) {
  const RECT bounds{0, 0, image.GetWidth(), image.GetHeight()};
  if (FAILED(document->Create(g_pDirectUI, nullptr, path, &bounds))) return;
  SetOpaqueAlpha(image.GetData(), image.GetWidth(), image.GetHeight(), image.GetStride());
  document->UploadFrame(image.GetData(), image.GetWidth(), image.GetHeight(), image.GetStride(), nullptr);
}

}  // namespace

std::wstring GetThumbnailPath(const wchar_t* path) {
  if (g_ThumbnailFolder.empty() || !path || !*path) return {};
  // In lower case throughout: one file, one thumbnail, whatever letter case
  // it was opened in. The hash is FNV-1a over the whole path.
  std::wstring lower(path);
  ::CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
  const size_t slash = lower.rfind(L'\\');
  const std::wstring name = slash != std::wstring::npos && slash + 1 < lower.size() ? lower.substr(slash + 1) : lower;
  uint64_t hash = 0xCBF29CE484222325ull;
  for (wchar_t c : lower) {
    hash = (hash ^ (static_cast<uint64_t>(c) & 0xFF)) * 0x100000001B3ull;
    hash = (hash ^ (static_cast<uint64_t>(c) >> 8)) * 0x100000001B3ull;
  }
  wchar_t digits[17];
  std::swprintf(digits, 17, L"%016llx", static_cast<unsigned long long>(hash));
  return g_ThumbnailFolder + L"\\" + name + L"." + digits + L".png";
}

void SaveImageAsPng(Gdiplus::Image* image, const wchar_t* path) {
  if (!image || !path || !*path) return;
  const std::wstring temporary = std::wstring(path) + L".tmp";
  Gdiplus::Status status = image->Save(temporary.c_str(), &g_PngEncoderClsid, nullptr);
  if (status == Gdiplus::Ok && !::MoveFileExW(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING))
    status = Gdiplus::Win32Error;
  if (status != Gdiplus::Ok) {
    ::DeleteFileW(temporary.c_str());
    // The wrapper keeps a failed call's status as the image's last one.
    image->Save(L"", &g_PngEncoderClsid, nullptr);
  }
}

bool SaveFrameAsPng(const ZEvuvoro::CImage& frame, const wchar_t* path) {
  if (!frame.IsValid() || frame.GetWidth() <= 0 || frame.GetHeight() <= 0 || !path || !*path) return false;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = frame.GetWidth();
  info.bmiHeader.biHeight = -frame.GetHeight();  // rows top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  info.bmiHeader.biSizeImage = static_cast<DWORD>(frame.GetHeight()) * static_cast<DWORD>(frame.GetStride());
  Gdiplus::Bitmap bitmap(&info, frame.GetData());
  if (bitmap.GetLastStatus() != Gdiplus::Ok) return false;
  SaveImageAsPng(&bitmap, path);
  return bitmap.GetLastStatus() == Gdiplus::Ok;
}

bool LoadThumbnail(const wchar_t* thumbnailPath, ZEvuvoro::CImage* out) {
  if (!thumbnailPath || !*thumbnailPath || !::PathFileExistsW(thumbnailPath)) return false;
  out->LoadFile(thumbnailPath);
  if (out->IsValid() && out->GetWidth() > 0 && out->GetHeight() > 0) return true;
  ::DeleteFileW(thumbnailPath);
  return false;
}

CRecentImages::CRecentImages() : m_pManager(g_pProjectManager) {
  if (!g_ThumbnailFolder.empty()) return;
  wchar_t folder[2048] = {};
  if (SUCCEEDED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, folder))) {
    g_ThumbnailFolder = std::wstring(folder) + L"\\Quorvex\\Mensaro\\thumbnails";
    ::SHCreateDirectoryExW(nullptr, g_ThumbnailFolder.c_str(), nullptr);
  }
  FindPngEncoder();
}

void CRecentImages::Start() {
  if (m_bStarted || !m_bRun) return;
  m_bStarted = true;
  // Suspended until the handle is stored, so that a loader ending at once
  // finds it and closes it.
  HANDLE thread = ::CreateThread(nullptr, 0, LoaderThread, this, CREATE_SUSPENDED, nullptr);
  if (!thread) return;
  m_hThread = thread;
  ::ResumeThread(thread);
}

DWORD WINAPI CRecentImages::LoaderThread(LPVOID parameter) {
  auto* self = static_cast<CRecentImages*>(parameter);
  const HRESULT com = ::CoInitialize(nullptr);
  self->LoadRecents();
  if (g_pWndImageList) g_pWndImageList->OnLoadingDone();
  // Last touch of the object: Stop may be rewriting the list right after.
  if (HANDLE own = self->m_hThread.exchange(nullptr)) ::CloseHandle(own);
  if (SUCCEEDED(com)) ::CoUninitialize();
  return 0;
}

void CRecentImages::LoadRecents() {
  CProjectManager* manager = m_pManager;
  CWndImageList* strip = g_pWndImageList;
  if (!manager) return;
  for (unsigned slot = 0; slot < kRecentCount && m_bRun; ++slot) {
    const std::wstring path = g_Config.CopyRecent(slot);
    if (path.empty() || manager->Find(path.c_str())) continue;
    const std::wstring thumbnailPath = GetThumbnailPath(path.c_str());
    if (!::PathFileExistsW(path.c_str())) {
      if (!thumbnailPath.empty()) ::DeleteFileW(thumbnailPath.c_str());
      continue;
    }
    ZEvuvoro::CImage thumbnail;
    const bool hasThumbnail = LoadThumbnail(thumbnailPath.c_str(), &thumbnail);
    bool added = false;
    if (IsVideoPath(path.c_str())) {
      CProjectManager::CHold project = manager->OpenVideoHeld(path.c_str());
      if (!project || !project->m_bVideo) continue;
      auto* video = static_cast<CProjectVideo*>(project.Get());
      if (hasThumbnail) {
        FillDocument(video->m_pDocument, path.c_str(), thumbnail);
        if (strip && strip->AddThumbnail(thumbnailPath.c_str(), video, nullptr)) {
          video->m_strThumbnail = thumbnailPath;
          added = true;
        }
      } else if (video->LoadFirstFrame() && video->m_FrameImage.IsValid()) {
        FillDocument(video->m_pDocument, path.c_str(), video->m_FrameImage);
        const ZEvuvoro::CImage& frame = video->m_FrameImage;
        if (SaveFrameAsPng(frame, thumbnailPath.c_str())) video->m_strThumbnail = thumbnailPath;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = frame.GetWidth();
        info.bmiHeader.biHeight = -frame.GetHeight();
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        info.bmiHeader.biSizeImage = static_cast<DWORD>(frame.GetHeight()) * static_cast<DWORD>(frame.GetStride());
        Gdiplus::Bitmap bitmap(&info, frame.GetData());
        if (strip && strip->AddThumbnail(nullptr, video, &bitmap)) added = true;
      }
      // A project without a strip item would break "list order is strip order".
      if (!added) manager->Remove(video);
      continue;
    }
    CProjectManager::CHold project = manager->OpenImageHeld(path.c_str());
    if (!project) continue;
    project->m_bNoReload = 0;
    if (hasThumbnail) {
      // The picture itself is read when its item is picked.
      if (strip && strip->AddThumbnail(thumbnailPath.c_str(), project.Get(), nullptr)) {
        project->m_strThumbnail = thumbnailPath;
        added = true;
      }
    } else {
      ZEvuvoro::CImage picture;
      picture.LoadFile(path.c_str());
      if (picture.IsValid() && picture.GetWidth() > 0 && picture.GetHeight() > 0) {
        FillDocument(project->m_pDocument, path.c_str(), picture);
        if (strip && strip->AddImage(&picture, project.Get())) added = true;
      }
    }
    if (!added) manager->Remove(project.Get());
  }
  // The most recent picture of the last run becomes the current document.
  if (!m_bRun || !g_pDirectUI || !strip) return;
  const int count = strip->GetCount();
  if (count <= 0) return;
  CWndImages::IMAGE_ITEM* item = strip->GetItem(count - 1);
  CProjectManager::CHold project = manager->Hold(item ? item->m_pProject : nullptr);
  if (!project || project->m_bVideo || !project->m_pDocument) return;
  if (!HasSize(project->m_pDocument) && !project->LoadDocument(g_pDirectUI)) return;
  if (!HasSize(project->m_pDocument)) return;
  g_pDirectUI->SetActiveImage(project->m_pDocument, TRUE);
  strip->SelectItem(count - 1);
}

void CRecentImages::Stop() {
  m_bRun = 0;
  // Taking the handle out first means the loader will not close it.
  if (HANDLE thread = m_hThread.exchange(nullptr)) {
    bool quit = false;
    int quitCode = 0;
    for (;;) {
      MSG msg;
      while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
          quit = true;
          quitCode = static_cast<int>(msg.wParam);
          break;
        }
        ::DispatchMessageW(&msg);
      }
      const DWORD waited = ::MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT);
      if (waited != WAIT_OBJECT_0 + 1) break;
    }
    ::CloseHandle(thread);
    // Handed back to the loop that ends the program.
    if (quit) ::PostQuitMessage(quitCode);
  }
  g_Config.ClearRecents();
  if (!m_pManager) return;
  const std::vector<std::wstring> paths = m_pManager->CopyPaths();
  const size_t n = paths.size();
  if (n == 0) return;
  const size_t first = n > kRecentCount ? n - kRecentCount : 0;
  for (size_t k = 0; first + k < n; ++k)
    if (!paths[first + k].empty()) g_Config.SetRecent(static_cast<unsigned>(k), paths[first + k].c_str());
}
