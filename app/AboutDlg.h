// The About dialog: the program's icon, name and version, the owner's notice
// and a link to the program's home page.
#pragma once

#include <windows.h>

#include "toolkit/HyperLinker.h"
#include "win32/Dialog.h"
#include "win32/MessageMap.h"

inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDC_ABOUT_ICON = 1059;
inline constexpr int IDC_ABOUT_TEXT = 1002;
inline constexpr int IDC_ABOUT_HOMEPAGE = 1000;

inline constexpr wchar_t kHomePageAddress[] = L"https://example.com/mensaro/";
inline constexpr wchar_t kOwnerNotice[] = L"Copyright \u00A9 Quorvex. All rights reserved.";

class CAboutDlg : public win32::CDialogImpl<CAboutDlg> {
 public:
  enum { IDD = IDD_ABOUTBOX };
  // The version comes from the module's version resource; null is the program.
  explicit CAboutDlg(HMODULE versionModule = nullptr) : m_hVersionModule(versionModule) {}

  BEGIN_MSG_MAP(CAboutDlg)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  COMMAND_ID_HANDLER(IDOK, OnClose)
  COMMAND_ID_HANDLER(IDCANCEL, OnClose)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()

  CHyperLinker m_HomePage;

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnClose(WORD, WORD id, HWND, BOOL&);

  HMODULE m_hVersionModule;
};
