#include "app/AboutDlg.h"

#include <cwchar>
#include <string>

#include "app/MainFrame.h"
#include "settings/FileVersionInfo.h"

LRESULT CAboutDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  CFileVersionInfo info;
  info.Create(m_hVersionModule ? m_hVersionModule : ::GetModuleHandleW(nullptr));
  const VS_FIXEDFILEINFO& fixed = info.GetFixedInfo();
  wchar_t version[256] = {};
  std::swprintf(version, 256, L"%ls %d.%d.%d.%d", SkinTextOrKey(L"Version"), HIWORD(fixed.dwFileVersionMS),
                LOWORD(fixed.dwFileVersionMS), HIWORD(fixed.dwFileVersionLS), LOWORD(fixed.dwFileVersionLS));

  m_HomePage.Attach(GetDlgItem(IDC_ABOUT_HOMEPAGE), kHomePageAddress);
  ::SetWindowTextW(m_hWnd, SkinTextOrKey(L"AboutProduct"));
  // The version line and the owner's notice, one under the other.
  const std::wstring about = std::wstring(version) + L"\r\n" + kOwnerNotice;
  ::SetDlgItemTextW(m_hWnd, IDC_ABOUT_TEXT, about.c_str());
  ::SetDlgItemTextW(m_hWnd, IDC_ABOUT_HOMEPAGE, SkinTextOrKey(L"HomePage"));
  ::SetDlgItemTextW(m_hWnd, IDOK, SkinTextOrKey(L"OK"));
  if (HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME)))
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  CenterWindow(GetParent());
  return TRUE;
}

LRESULT CAboutDlg::OnClose(WORD, WORD id, HWND, BOOL&) {
  m_HomePage.Detach();
  EndDialog(id);
  return 0;
}
