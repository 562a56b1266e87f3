#include "capture/PropertySheet.h"

#include <objbase.h>

#include "win32/ComPtr.h"

using win32::CComPtr;

namespace {

constexpr int kIconProgram = 128;
constexpr int kPropSheetDialog = 1006;  // comctl32's own property sheet template

int g_nBaseUnitX = 0;
int g_nBaseUnitY = 0;

// The point size of a plain dialog template's font, 0 when it names none.
int TemplatePointSize(const BYTE* data, DWORD size) {
  if (size < sizeof(DLGTEMPLATE) + 8) return 0;
  const auto* words = reinterpret_cast<const WORD*>(data);
  if (words[1] == 0xFFFF) return 0;  // an extended template
  const WORD* end = words + size / sizeof(WORD);
  const WORD* p = words + sizeof(DLGTEMPLATE) / sizeof(WORD);
  // Menu, class and title: each a zero-terminated wide string (or an ordinal).
  for (int field = 0; field < 3; ++field) {
    if (p >= end) return 0;
    if (field < 2 && *p == 0xFFFF) {
      p += 2;
      continue;
    }
    while (p < end && *p) ++p;
    ++p;
  }
  return p < end ? *p : 0;
}

}  // namespace

void InitPropSheetBaseUnits() {
  if (g_nBaseUnitX > 0 && g_nBaseUnitY > 0) return;
  HMODULE comctl = ::LoadLibraryW(L"comctl32.dll");
  if (!comctl) return;
  HRSRC found = ::FindResourceW(comctl, MAKEINTRESOURCEW(kPropSheetDialog), reinterpret_cast<LPCWSTR>(RT_DIALOG));
  HGLOBAL loaded = found ? ::LoadResource(comctl, found) : nullptr;
  const auto* data = loaded ? static_cast<const BYTE*>(::LockResource(loaded)) : nullptr;
  const int points = data ? TemplatePointSize(data, ::SizeofResource(comctl, found)) : 0;
  if (points > 0) {
    HDC screen = ::GetDC(nullptr);
    HFONT font = ::CreateFontW(-::MulDiv(points, ::GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                               DEFAULT_CHARSET, 0, 0, 0, 0, nullptr);
    HGDIOBJ old = ::SelectObject(screen, font);
    static const wchar_t kAlphabet[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
    SIZE extent{};
    if (::GetTextExtentPointW(screen, kAlphabet, 52, &extent)) {
      g_nBaseUnitY = extent.cy;
      g_nBaseUnitX = (extent.cx / 26 + 1) / 2;
    } else {
      g_nBaseUnitX = 0;
    }
    ::SelectObject(screen, old);
    ::DeleteObject(font);
    ::ReleaseDC(nullptr, screen);
  }
  ::FreeLibrary(comctl);
}

void GetPropSheetBaseUnits(int* x, int* y) {
  *x = g_nBaseUnitX;
  *y = g_nBaseUnitY;
}

void SetPropSheetBaseUnits(int x, int y) {
  g_nBaseUnitX = x;
  g_nBaseUnitY = y;
}

COlePropertyPage::COlePropertyPage(IPropertyPage* page) : m_pPage(page) {
  if (m_pPage) m_pPage->AddRef();
}

COlePropertyPage::~COlePropertyPage() {
  if (m_pPage) {
    if (m_bSiteSet) {
      // Let the page drop the filter and its site before it goes.
      m_pPage->SetObjects(0, nullptr);
      m_pPage->SetPageSite(nullptr);
    }
    m_pPage->Release();
  }
}

void COlePropertyPage::GetPageSize(int* cx, int* cy) {
  if (g_nBaseUnitX < 1 || g_nBaseUnitY < 1) {
    const LONG units = ::GetDialogBaseUnits();
    g_nBaseUnitX = LOWORD(units);
    g_nBaseUnitY = HIWORD(units);
  }
  *cx = ::MulDiv(m_nPageWidth, 4, g_nBaseUnitX);
  *cy = ::MulDiv(m_nPageHeight, 8, g_nBaseUnitY);
}

LRESULT COlePropertyPage::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  RECT rc{};
  GetClientRect(&rc);
  if (m_pPage) {
    m_pPage->Activate(m_hWnd, &rc, TRUE);
    m_pPage->Show(SW_SHOW);
  }
  return 1;
}

LRESULT COlePropertyPage::OnNotify(UINT, WPARAM, LPARAM lParam, BOOL& handled) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (header->hwndFrom != m_hWnd && header->hwndFrom != GetParent()) {
    handled = FALSE;
    return 1;
  }
  const int code = static_cast<int>(header->code);
  if (code < -213 || code > -200) {
    handled = FALSE;
    return 0;
  }
  if (code == static_cast<int>(PSN_APPLY) && m_pPage) m_pPage->Apply();
  // PSN_GETOBJECT and its two neighbours keep the default answer.
  if (code == -211 || code == -210 || code == -204) {
    handled = FALSE;
    return 0;
  }
  return PSNRET_NOERROR;
}

COlePropertySheet::COlePropertySheet(const wchar_t* caption, UINT startPage, HWND parent)
    : CPropertySheet(caption, startPage, parent) {
  InitPropSheetBaseUnits();
}

COlePropertySheet::~COlePropertySheet() {
  for (COlePropertyPage* page : m_Pages) delete page;
}

bool COlePropertySheet::AddObjectPages(IBaseFilter* filter) {
  if (!filter) return false;
  CComPtr<ISpecifyPropertyPages> specify;
  if (FAILED(filter->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&specify))) || !specify)
    return false;
  FILTER_INFO info{};
  if (SUCCEEDED(filter->QueryFilterInfo(&info))) {
    if (info.achName[0]) SetCaption(info.achName);
    if (info.pGraph) info.pGraph->Release();
  }
  CAUUID ids{};
  const HRESULT listed = specify->GetPages(&ids);
  specify.Release();
  if (FAILED(listed) || ids.cElems == 0 || !ids.pElems) {
    if (ids.pElems) ::CoTaskMemFree(ids.pElems);
    return false;
  }
  CComPtr<IMalloc> allocator;
  ::CoGetMalloc(1, &allocator);
  for (ULONG i = 0; i < ids.cElems; ++i) {
    CComPtr<IPropertyPage> ole;
    if (FAILED(::CoCreateInstance(ids.pElems[i], nullptr, CLSCTX_INPROC_SERVER, IID_IPropertyPage,
                                  reinterpret_cast<void**>(&ole))) ||
        !ole)
      continue;
    IUnknown* object = filter;
    ole->SetObjects(1, &object);
    auto* page = new COlePropertyPage(ole);
    page->m_bSiteSet = SUCCEEDED(ole->SetPageSite(static_cast<IPropertyPageSite*>(this)));
    if (allocator) {
      auto* pageInfo = static_cast<PROPPAGEINFO*>(allocator->Alloc(sizeof(PROPPAGEINFO)));
      if (pageInfo) {
        ZeroMemory(pageInfo, sizeof(PROPPAGEINFO));
        pageInfo->cb = sizeof(PROPPAGEINFO);
        if (SUCCEEDED(ole->GetPageInfo(pageInfo))) {
          if (pageInfo->pszTitle) page->SetTitle(pageInfo->pszTitle);
          page->m_nPageWidth = pageInfo->size.cx;
          page->m_nPageHeight = pageInfo->size.cy;
        }
        allocator->Free(pageInfo->pszTitle);
        allocator->Free(pageInfo->pszDocString);
        allocator->Free(pageInfo->pszHelpFile);
        allocator->Free(pageInfo);
      }
    }
    m_Pages.push_back(page);
    // A page without a handle, or one the sheet refuses, is left out.
    AddPage(page->CreatePage());
  }
  ::CoTaskMemFree(ids.pElems);
  return true;
}

STDMETHODIMP COlePropertySheet::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  if (iid == IID_IPropertyPageSite || iid == IID_IUnknown) {
    *out = static_cast<IPropertyPageSite*>(this);
    return S_OK;
  }
  *out = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP COlePropertySheet::OnStatusChange(DWORD flags) {
  if (flags & PROPPAGESTATUS_DIRTY)
    for (COlePropertyPage* page : m_Pages)
      if (page->m_pPage) page->m_pPage->Apply();
  return S_OK;
}

STDMETHODIMP COlePropertySheet::GetLocaleID(LCID* locale) {
  if (!locale) return E_POINTER;
  *locale = ::GetUserDefaultLCID();
  return S_OK;
}

STDMETHODIMP COlePropertySheet::GetPageContainer(IUnknown** container) {
  if (container) *container = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP COlePropertySheet::TranslateAccelerator(MSG*) { return E_NOTIMPL; }

LRESULT COlePropertySheet::OnShowWindow(UINT, WPARAM, LPARAM, BOOL& handled) {
  if (m_bIconSet) {
    handled = FALSE;
    return 0;
  }
  m_bIconSet = TRUE;
  if (HICON icon = ::LoadIconW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kIconProgram))) SetIcon(icon, TRUE);
  CenterWindow(GetParent());
  return 0;
}
