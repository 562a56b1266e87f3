// Property sheets: the standard Windows property sheet, modal or modeless,
// whose pages are dialog objects with handlers for the sheet's notifications.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "win32/Dialog.h"
#include "win32/MessageLoop.h"
#include "win32/Window.h"

namespace win32 {

// One page. The sheet creates its dialog when the page is first shown; the
// page's WM_INITDIALOG lParam is the PROPSHEETPAGEW the sheet made it from.
// A derived page chains this map (CHAIN_MSG_MAP(CPropertyPage)) to get the
// sheet's notifications through the handlers below.
class CPropertyPage : public CDialogImplRoot {
 public:
  // resource: a dialog resource of the module; or use SetTemplate.
  explicit CPropertyPage(const wchar_t* resource = nullptr, const wchar_t* title = nullptr);
  ~CPropertyPage() override;

  // An in-memory template, kept alive by the caller while the page's handle exists.
  void SetTemplate(const DLGTEMPLATE* dialogTemplate);
  void SetTitle(const wchar_t* title);

  // The handle a sheet takes; the page object must outlive the sheet's use of it.
  HPROPSHEETPAGE Create();

  // Enables the sheet's Apply button for this page's changes, or withdraws them.
  void SetModified(BOOL changed = TRUE);

  // TRUE: the page may be shown; FALSE: the sheet skips it.
  virtual BOOL OnSetActive() { return TRUE; }
  // TRUE: the page may be left; FALSE keeps it (its data is not valid).
  virtual BOOL OnKillActive() { return TRUE; }
  // OK or Apply: PSNRET_NOERROR, or PSNRET_INVALID / PSNRET_INVALID_NOCHANGEPAGE to keep the sheet open.
  virtual int OnApply() { return PSNRET_NOERROR; }
  // The sheet closes without applying.
  virtual void OnReset() {}
  // TRUE: Cancel may close the sheet.
  virtual BOOL OnQueryCancel() { return TRUE; }

  BEGIN_MSG_MAP(CPropertyPage)
  MESSAGE_HANDLER(WM_NOTIFY, OnSheetNotify)
  END_MSG_MAP()

  PROPSHEETPAGEW m_psp;

 private:
  LRESULT OnSheetNotify(UINT, WPARAM, LPARAM lParam, BOOL& handled);
  static INT_PTR CALLBACK PageDialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

  std::wstring m_title;
};

// T names its dialog resource as `enum { IDD = ... };`.
template <class T>
class CPropertyPageImpl : public CPropertyPage {
 public:
  explicit CPropertyPageImpl(const wchar_t* title = nullptr) : CPropertyPage(MAKEINTRESOURCEW(T::IDD), title) {}
};

// The sheet. Its window is taken over (subclassed) as soon as the sheet has
// created it, so a derived sheet's map sees its messages; a derived map
// chains this one. A modeless sheet destroys its window once OK or Cancel
// ended it; the thread's loop gives it its keyboard through the sheet's
// filter (AddMessageFilter(&sheet)).
class CPropertySheet : public CWindowImplRoot, public CMessageFilter {
 public:
  explicit CPropertySheet(const wchar_t* caption = nullptr, UINT startPage = 0, HWND parent = nullptr);
  ~CPropertySheet() override;

  // Takes the page's handle: into the sheet before it runs, or at once into a running one.
  BOOL AddPage(HPROPSHEETPAGE page);
  BOOL AddPage(CPropertyPage& page);
  int GetPageCount() const;
  void SetCaption(const wchar_t* caption);

  // PropertySheetW's answer: positive when changes were applied, 0 when none, -1 on failure.
  INT_PTR DoModal(HWND parent = ::GetActiveWindow());
  // The sheet's window, or null.
  HWND Create(HWND parent = nullptr);

  HWND GetActivePage() const { return reinterpret_cast<HWND>(SendMessage(PSM_GETCURRENTPAGEHWND)); }
  BOOL SetActivePage(int index) { return static_cast<BOOL>(SendMessage(PSM_SETCURSEL, index)); }
  void PressButton(int button) { SendMessage(PSM_PRESSBUTTON, button); }

  BOOL PreTranslateMessage(MSG* msg) override;

  BEGIN_MSG_MAP(CPropertySheet)
  MESSAGE_HANDLER(WM_COMMAND, OnMayEnd)
  MESSAGE_HANDLER(PSM_PRESSBUTTON, OnMayEnd)
  MESSAGE_HANDLER(WM_SYSCOMMAND, OnMayEnd)
  END_MSG_MAP()

  PROPSHEETHEADERW m_psh;

 private:
  INT_PTR Run(HWND parent, bool modeless);
  LRESULT OnMayEnd(UINT, WPARAM, LPARAM, BOOL&);
  static int CALLBACK SheetCallback(HWND hWnd, UINT uMsg, LPARAM lParam);

  std::vector<HPROPSHEETPAGE> m_pages;  // until the sheet's window owns them
  std::wstring m_caption;
  bool m_bModeless = false;
};

}  // namespace win32
