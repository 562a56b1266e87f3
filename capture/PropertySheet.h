#pragma once
// A capture driver's OLE property pages as the tabs of one standard property
// sheet. Each OLE page lives in an empty page of exactly the size it asks
// for; the sheet is the pages' site and applies every page as soon as one
// reports a change.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <strmif.h>

#include <string>
#include <vector>

// The DirectShow headers bring windowsx.h, whose SubclassWindow macro would
// rename the window layer's method.
#ifdef SubclassWindow
#undef SubclassWindow
#endif
#include "win32/DynamicDialog.h"
#include "win32/PropertySheet.h"

class COlePropertySheet;

class COlePropertyPage : public win32::CDynamicPropertyPageImpl<COlePropertyPage> {
 public:
  // Takes one reference to the page.
  explicit COlePropertyPage(IPropertyPage* page);
  ~COlePropertyPage() override;

  // The dialog-unit size of the page's template, from its pixel size and the
  // sheet's base units.
  void GetPageSize(int* cx, int* cy);

  IPropertyPage* GetOlePage() const { return m_pPage; }
  int GetPageWidth() const { return m_nPageWidth; }
  int GetPageHeight() const { return m_nPageHeight; }
  const std::wstring& GetTitle() const { return m_Title; }

  BEGIN_MSG_MAP(COlePropertyPage)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  MESSAGE_HANDLER(WM_NOTIFY, OnNotify)
  END_MSG_MAP()

 private:
  friend class COlePropertySheet;
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnNotify(UINT, WPARAM, LPARAM lParam, BOOL& handled);

  IPropertyPage* m_pPage = nullptr;
  std::wstring m_Title;
  BOOL m_bSiteSet = FALSE;
  int m_nPageWidth = 320;  // pixels, until the page reports its size
  int m_nPageHeight = 240;
};

class COlePropertySheet : public win32::CPropertySheet, public IPropertyPageSite {
 public:
  COlePropertySheet(const wchar_t* caption, UINT startPage = 0, HWND parent = nullptr);
  ~COlePropertySheet() override;

  // One tab for each page the filter names that can be created; false when
  // the filter offers no pages at all.
  bool AddObjectPages(IBaseFilter* filter);

  const std::vector<COlePropertyPage*>& GetPages() const { return m_Pages; }
  std::wstring GetCaption() const { return m_psh.pszCaption ? m_psh.pszCaption : L""; }

  // IPropertyPageSite; the site lives as long as the sheet and counts nothing.
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 1; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP OnStatusChange(DWORD flags) override;
  STDMETHODIMP GetLocaleID(LCID* locale) override;
  STDMETHODIMP GetPageContainer(IUnknown** container) override;
  STDMETHODIMP TranslateAccelerator(MSG* msg) override;

  BEGIN_MSG_MAP(COlePropertySheet)
  MESSAGE_HANDLER(WM_SHOWWINDOW, OnShowWindow)
  CHAIN_MSG_MAP(win32::CPropertySheet)
  END_MSG_MAP()

 private:
  LRESULT OnShowWindow(UINT, WPARAM, LPARAM, BOOL&);

  std::vector<COlePropertyPage*> m_Pages;
  BOOL m_bIconSet = FALSE;
};

// The dialog base units the page templates are measured in: those of the
// property sheet's own font, found once per process.
void InitPropSheetBaseUnits();
void GetPropSheetBaseUnits(int* x, int* y);
// Replaces the base units (0 and 0: found again on next use).
void SetPropSheetBaseUnits(int x, int y);
