// The frame's opening of files: every way of opening a picture or video ends
// in CMainFrame::OpenFile, on the main thread or a camera's streaming thread.
#include "app/OpenFiles.h"

#include <cwchar>
#include <memory>

#include "app/MainFrame.h"
#include "app/ProjectManager.h"
#include "app/RawImport.h"
#include "capture/ProjectVideo.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "image/Image.h"
#include "panels/ThumbnailStrip.h"

namespace {

constexpr size_t kOpenBufferChars = 260;

OpenDialogFunction g_pfnOpenDialog = ::GetOpenFileNameW;
RawImportFunction g_pfnRawImport = ImportRawImage;

bool HasSize(const CDTImage* document) { return document && document->m_nWidth > 0 && document->m_nHeight > 0; }

// Puts a picture into a fresh document on the canvas.
void FillDocument(CDTImage* document, const wchar_t* path, const ZEvuvoro::CImage& image) {
  const RECT bounds{0, 0, image.GetWidth(), image.GetHeight()};
  if (FAILED(document->Create(g_pDirectUI, nullptr, path, &bounds))) return;
  document->UploadFrame(image.GetData(), image.GetWidth(), image.GetHeight(), image.GetStride(), nullptr);
}

// Adds the project's strip item; a project the strip refused is removed.
bool AddStripItem(ZEvuvoro::CImage* image, CProject* project, CProjectManager* manager) {
  if (!g_pWndImageList || g_pWndImageList->AddImage(image, project)) return true;
  manager->Remove(project);
  return false;
}

}  // namespace

bool OpenPictureProject(CProjectManager& manager, const wchar_t* path, CProjectManager::CHold* project, int* added) {
  *added = 0;
  ZEvuvoro::CImage picture;
  picture.LoadFile(path);
  if (!picture.IsValid() || picture.GetWidth() <= 0 || picture.GetHeight() <= 0) return false;
  bool created = false;
  *project = manager.OpenImageHeld(path, &created);
  if (!*project) return false;
  // Another thread listed it meanwhile: show that one.
  if (!created) return true;
  (*project)->m_bNoReload = 0;
  FillDocument((*project)->m_pDocument, path, picture);
  if (!AddStripItem(&picture, project->Get(), &manager)) return false;
  *added = 1;
  return true;
}

void SetOpenDialogFunction(OpenDialogFunction show) { g_pfnOpenDialog = show ? show : ::GetOpenFileNameW; }
void SetRawImportFunction(RawImportFunction import) { g_pfnRawImport = import ? import : ImportRawImage; }

OpenKind OpenFileKind(const wchar_t* path) {
  if (!path) return OpenKind::Picture;
  const wchar_t* dot = std::wcsrchr(path, L'.');
  if (!dot || std::wcslen(dot) != 4) return OpenKind::Picture;
  if (_wcsicmp(dot, L".avi") == 0 || _wcsicmp(dot, L".wmv") == 0) return OpenKind::Video;
  if (_wcsicmp(dot, L".raw") == 0) return OpenKind::Raw;
  return OpenKind::Picture;
}

std::vector<std::wstring> SelectedPaths(const wchar_t* buffer, size_t capacity, size_t fileOffset) {
  std::vector<std::wstring> paths;
  if (!buffer || capacity == 0) return paths;
  const size_t first = wcsnlen(buffer, capacity);
  if (first == capacity) return paths;  // not ended: nothing trustworthy
  if (fileOffset == first + 1) {
    std::wstring folder(buffer, first);
    if (folder.empty() || folder.back() != L'\\') folder += L'\\';
    // Names up to the empty one, never past the buffer.
    for (size_t at = first + 1; at < capacity && buffer[at];) {
      const size_t length = wcsnlen(buffer + at, capacity - at);
      if (at + length == capacity) break;
      paths.push_back(folder + std::wstring(buffer + at, length));
      at += length + 1;
    }
  } else if (first > 3) {
    paths.emplace_back(buffer, first);
  }
  return paths;
}

bool IsLiveDocumentPath(const wchar_t* path) { return path && std::wcscmp(path, kLiveDocumentName) == 0; }

UINT_PTR CALLBACK FileDialogHookProc(HWND hookDialog, UINT message, WPARAM, LPARAM) {
  if (message != WM_INITDIALOG) return 0;
  HWND dialog = ::GetParent(hookDialog);
  if (!dialog) return 0;
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT around = work;
  if (HWND owner = ::GetWindow(dialog, GW_OWNER)) ::GetWindowRect(owner, &around);
  RECT rc{};
  ::GetWindowRect(dialog, &rc);
  const int width = rc.right - rc.left, height = rc.bottom - rc.top;
  int x = around.left + (around.right - around.left - width) / 2;
  int y = around.top + (around.bottom - around.top - height) / 2;
  // Kept inside the work area, its top-left corner first.
  if (x + width > work.right) x = work.right - width;
  if (y + height > work.bottom) y = work.bottom - height;
  if (x < work.left) x = work.left;
  if (y < work.top) y = work.top;
  ::SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  return 0;
}

int CMainFrame::OpenFile(const wchar_t* path) {
  if (!path || !*path) return 0;
  int result = 0;
  CProjectManager::CHold project = m_ProjectManager.FindHeld(path);
  switch (OpenFileKind(path)) {
    case OpenKind::Video: {
      // A listed video whose first grab failed earlier tries again.
      if (project && HasSize(project->m_pDocument)) break;
      if (!project) project = m_ProjectManager.OpenVideoHeld(path);
      if (!project || !project->m_bVideo) return 0;
      auto* video = static_cast<CProjectVideo*>(project.Get());
      // A project without a strip item would break "list order is strip
      // order": it goes, and opening the file again tries anew.
      if (!video->LoadFirstFrame() || !video->m_FrameImage.IsValid()) {
        m_ProjectManager.Remove(video);
        return 0;
      }
      FillDocument(video->m_pDocument, path, video->m_FrameImage);
      if (!AddStripItem(&video->m_FrameImage, video, &m_ProjectManager)) return 0;
      result = 1;
      break;
    }
    case OpenKind::Raw: {
      if (project) break;
      std::unique_ptr<ZEvuvoro::CImage> picture(g_pfnRawImport(path, ::GetActiveWindow()));
      if (!picture || !picture->IsValid()) return 0;
      project = m_ProjectManager.OpenImageHeld(path);
      if (!project) return 0;
      // The raw file keeps its no-reload flag: it is never read as a picture.
      FillDocument(project->m_pDocument, path, *picture);
      if (!AddStripItem(picture.get(), project.Get(), &m_ProjectManager)) return 0;
      result = 1;
      break;
    }
    case OpenKind::Picture: {
      if (project) break;
      if (!OpenPictureProject(m_ProjectManager, path, &project, &result)) return 0;
      break;
    }
  }
  if (m_CameraFactory.GetState() == CameraRunning) return result;
  CDTImage* document = project->m_pDocument;
  if (!document) return result;
  if (!HasSize(document)) project->LoadDocument(g_pDirectUI);
  if (!HasSize(document)) return result;
  if (g_pDirectUI) g_pDirectUI->SetActiveImage(document, TRUE);
  return result;
}

OPENFILENAMEW ShellFileDialog(wchar_t* file, DWORD fileChars, const wchar_t* filter, DWORD flags) {
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = ::GetActiveWindow();
  dialog.lpstrFilter = filter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file;
  dialog.nMaxFile = fileChars;
  dialog.Flags = flags | OFN_EXPLORER | OFN_ENABLEHOOK | OFN_ENABLESIZING;
  dialog.lpfnHook = FileDialogHookProc;
  return dialog;
}

void CMainFrame::OnFileOpen() {
  wchar_t buffer[kOpenBufferChars] = {};
  static const wchar_t kFilter[] =
      L"Media Files\0*.bmp;*.jpg;*.png;*.avi;*.wmv;\0Image Files\0*.bmp;*.jpg;*.png;\0Avi Files\0*.avi\0"
      L"Raw Files\0*.raw\0";
  OPENFILENAMEW dialog =
      ShellFileDialog(buffer, kOpenBufferChars, kFilter, OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST);
  if (!g_pfnOpenDialog(&dialog)) return;
  const std::vector<std::wstring> paths = SelectedPaths(buffer, kOpenBufferChars, dialog.nFileOffset);
  HCURSOR previous = ::SetCursor(::LoadCursorW(nullptr, IDC_WAIT));
  for (const std::wstring& path : paths) OpenFile(path.c_str());
  ::SetCursor(previous);
}
