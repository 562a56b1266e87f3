// File > Save and File > Save As: the current document's picture with its
// figures drawn in by the off-screen renderer, cropped to the region.
#include "app/SavePicture.h"

#include <shlwapi.h>

#include <algorithm>
#include <cwctype>
#include <memory>

#include "app/MainFrame.h"
#include "app/OpenFiles.h"
#include "app/MeasureFiles.h"
#include "capture/Project.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/Print.h"
#include "image/Image.h"
#include "panels/ThumbnailStrip.h"
#include "settings/Configuration.h"

namespace {

bool EqualsNoCase(const std::wstring& a, const wchar_t* b) {
  const size_t n = wcslen(b);
  if (a.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return true;
}

bool HasPicture(const CDTImage* document) { return document && document->m_nWidth > 0 && document->m_nHeight > 0; }

bool DefaultExists(const wchar_t* path) { return ::PathFileExistsW(path) != FALSE; }

// Set when RenderToImage has already told the user what failed.
bool g_bFailureShown = false;

}  // namespace

bool IsBmpTarget(const wchar_t* path) {
  const wchar_t* dot = path ? wcsrchr(path, L'.') : nullptr;
  return dot && _wcsnicmp(dot, L".bmp", 4) == 0;
}

bool CanSaveInPlace(const wchar_t* path) {
  if (!path) return false;
  const wchar_t* dot = wcsrchr(path, L'.');
  const wchar_t* slash = wcsrchr(path, L'\\');
  if (!dot || (slash && dot < slash)) return false;
  const std::wstring extension(dot);
  return EqualsNoCase(extension, L".bmp") || EqualsNoCase(extension, L".jpg") || EqualsNoCase(extension, L".jpeg");
}

std::wstring FreeSaveName(const std::wstring& chosen, int filterIndex, bool (*exists)(const wchar_t*)) {
  if (!exists) exists = DefaultExists;
  const size_t dot = chosen.rfind(L'.');
  const size_t slash = chosen.rfind(L'\\');
  const bool usable = dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash) &&
                      chosen.size() - dot == 4 &&
                      (EqualsNoCase(chosen.substr(dot), L".bmp") || EqualsNoCase(chosen.substr(dot), L".jpg"));
  const std::wstring stem = usable ? chosen.substr(0, chosen.size() - 4) : chosen;
  const std::wstring extension = usable ? chosen.substr(dot) : (filterIndex == 1 ? L".bmp" : L".jpg");
  for (unsigned i = 0;; ++i) {
    const std::wstring candidate = stem + (i ? L"(" + std::to_wstring(i) + L")" : L"") + extension;
    if (!exists(candidate.c_str()) || i == 0xFFFFFFFFu) return candidate;
  }
}

int CMainFrame::RenderToImage(const wchar_t* path) {
  CDTImage* document = m_pCurrentDocument;
  g_bFailureShown = false;
  if (!path || !document) return 0;
  const std::wstring folder = g_Config.CopyTempDir();
  const std::wstring project = folder + L"\\print.prj";
  const std::wstring rendered = folder + L"\\print.bmp";
  if (!document->SaveFile(project.c_str())) {
    const std::wstring text =
        L"Save project file '" + project + L"' failed.\nPlease check you have right to write the directory";
    FileMessageBox(nullptr, text.c_str(), nullptr, MB_OK);
    g_bFailureShown = true;
    return 0;
  }
  if (!wcsrchr(path, L'.')) return 0;
  const bool bmp = IsBmpTarget(path);

  CDirectUI* canvas = m_ProjectManager.GetCanvas();
  RECT crop{0, 0, document->m_nWidth, document->m_nHeight};
  RECT region{};
  if (canvas && canvas->m_region.GetRegion(document, &region)) {
    RECT inside{};
    if (::IntersectRect(&inside, &region, &crop) && inside.right - inside.left >= 1 && inside.bottom - inside.top >= 1)
      crop = inside;
  }
  {
    auto print = std::make_unique<CDTPrint>();
    if (!print->Create(canvas, project.c_str(), rendered.c_str(), 0)) return 0;
    const BOOL ok = print->Render();
    print->DestroyWindow();
    if (!ok) return 0;
  }

  ZEvuvoro::CImage picture(rendered.c_str());
  if (!picture.IsValid()) return 0;
  const int width = picture.GetWidth(), height = picture.GetHeight();
  const bool whole =
      crop.left == 0 && crop.top == 0 && crop.right == document->m_nWidth && crop.bottom == document->m_nHeight;
  ZEvuvoro::CImage view;
  const ZEvuvoro::CImage* out = &picture;
  if (!whole && crop.left >= 0 && crop.top >= 0 && crop.right <= width && crop.bottom <= height &&
      crop.right > crop.left && crop.bottom > crop.top) {
    view.Attach(crop.right - crop.left, crop.bottom - crop.top, picture.GetStride(),
                picture.GetData() + static_cast<ptrdiff_t>(crop.top) * picture.GetStride() +
                    static_cast<ptrdiff_t>(crop.left) * 4);
    out = &view;
  }
  // Both writers fill a file beside the target and replace it only when complete.
  return bmp ? (out->SaveBmp(path, 1) ? 1 : 0) : (out->SaveJpeg(path, 0) ? 1 : 0);
}

int CMainFrame::OnFileSave() {
  CDTImage* document = m_pCurrentDocument;
  if (!HasPicture(document)) {
    FileMessageBox(m_hWnd, SkinText(L"eEmptyImage").c_str(), SkinText(L"Prompt").c_str(), MB_ICONERROR);
    return 0;
  }
  const wchar_t* name = document->m_pszName;
  CProject* project = name ? m_ProjectManager.Find(name) : nullptr;
  // Only the picture formats the writers produce are written in place: JPEG
  // bytes under another extension (a raw dump, a .png, a .tga) would no longer
  // open as what they claim to be.
  if (!name || !name[0] || document->m_bLive || (project && project->m_bVideo) || !CanSaveInPlace(name))
    return OnFileSaveAs();
  const int result = RenderToImage(name);
  // The strip's item and its thumbnail file show what is now on disk.
  if (result == 1 && project && !project->m_strThumbnail.empty() && g_pWndImageList &&
      g_pWndImageList->m_wndImages.m_hWnd) {
    ZEvuvoro::CImage saved;
    saved.LoadFile(name);
    if (saved.IsValid()) {
      SetOpaqueAlpha(saved.GetData(), saved.GetWidth(), saved.GetHeight(), saved.GetStride());
      ImageItemSource source{&saved, project};
      ::SendMessageW(g_pWndImageList->m_wndImages.m_hWnd, WM_IMAGES_UPDATETHUMBNAIL, 0,
                     reinterpret_cast<LPARAM>(&source));
    }
  }
  return result;
}

int CMainFrame::OnFileSaveAs() {
  CDTImage* document = m_pCurrentDocument;
  if (!HasPicture(document)) {
    FileMessageBox(m_hWnd, SkinText(L"eEmptyImage").c_str(), SkinText(L"Prompt").c_str(), MB_ICONERROR);
    return 0;
  }
  wchar_t file[MAX_PATH] = {};
  OPENFILENAMEW dialog =
      ShellFileDialog(file, MAX_PATH, L"Bitmap Files (*.bmp)\0*.bmp\0Jpeg Files (*.jpg)\0*.jpg\0", OFN_OVERWRITEPROMPT);
  dialog.nFilterIndex = g_Config.m_ImageFormat != 0 ? 2 : 1;
  if (!RunSaveFileDialog(&dialog)) return 1;
  file[MAX_PATH - 1] = 0;
  if (!file[0]) {
    FileMessageBox(m_hWnd, SkinText(L"eInvalidFilename").c_str(), L"", MB_OK);
    return 0;
  }
  const std::wstring target = FreeSaveName(file, static_cast<int>(dialog.nFilterIndex), nullptr);
  if (!RenderToImage(target.c_str())) {
    if (!g_bFailureShown) ShowWriteFailure(L"picture file", target.c_str(), L"folder");
    return 0;
  }
  OpenFile(target.c_str());
  if (g_pWndImageList) {
    const int count = g_pWndImageList->GetCount();
    if (count > 0) g_pWndImageList->SelectItem(count - 1);
  }
  return 1;
}
