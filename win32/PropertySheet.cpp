#include "win32/PropertySheet.h"

#include <algorithm>
#include <mutex>
#include <set>
#include <utility>

namespace win32 {

namespace {

// Page objects alive now. The sheet keeps its own copy of a page's
// description, whose lParam may outlive the object: a page is bound only
// while its object still exists.
std::mutex g_pagesLock;
std::set<const CPropertyPage*> g_livePages;

bool IsLivePage(const CPropertyPage* page) {
  std::lock_guard<std::mutex> guard(g_pagesLock);
  return g_livePages.count(page) != 0;
}

// The sheet whose PropertySheetW call runs on this thread.
thread_local CPropertySheet* t_pStartingSheet = nullptr;

}  // namespace

CPropertyPage::CPropertyPage(const wchar_t* resource, const wchar_t* title) : m_psp{} {
  m_psp.dwSize = sizeof m_psp;
  m_psp.hInstance = ::GetModuleHandleW(nullptr);
  m_psp.pszTemplate = resource;
  m_psp.pfnDlgProc = &CPropertyPage::PageDialogProc;
  m_psp.lParam = reinterpret_cast<LPARAM>(this);
  if (title) SetTitle(title);
  std::lock_guard<std::mutex> guard(g_pagesLock);
  g_livePages.insert(this);
}

CPropertyPage::~CPropertyPage() {
  std::lock_guard<std::mutex> guard(g_pagesLock);
  g_livePages.erase(this);
}

void CPropertyPage::SetTemplate(const DLGTEMPLATE* dialogTemplate) {
  m_psp.pResource = dialogTemplate;
  m_psp.dwFlags |= PSP_DLGINDIRECT;
}

void CPropertyPage::SetTitle(const wchar_t* title) {
  m_title = title ? title : L"";
  m_psp.pszTitle = m_title.c_str();
  m_psp.dwFlags |= PSP_USETITLE;
}

HPROPSHEETPAGE CPropertyPage::Create() { return ::CreatePropertySheetPageW(&m_psp); }

void CPropertyPage::SetModified(BOOL changed) {
  HWND sheet = GetParent();
  if (sheet) ::SendMessageW(sheet, changed ? PSM_CHANGED : PSM_UNCHANGED, reinterpret_cast<WPARAM>(m_hWnd), 0);
}

INT_PTR CALLBACK CPropertyPage::PageDialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<CPropertyPage*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
  if (!self) {
    // Messages before WM_INITDIALOG, and a page whose object is gone, stay
    // with the dialog manager.
    if (uMsg != WM_INITDIALOG || !lParam) return FALSE;
    const auto* psp = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    auto* page = reinterpret_cast<CPropertyPage*>(psp->lParam);
    if (psp->pfnDlgProc != &CPropertyPage::PageDialogProc || !IsLivePage(page) || page->m_hWnd) return FALSE;
    self = page;
    self->BindWindow(hWnd);
  }
  return self->DialogMessage(hWnd, uMsg, wParam, lParam);
}

LRESULT CPropertyPage::OnSheetNotify(UINT, WPARAM, LPARAM lParam, BOOL& handled) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (header->hwndFrom != GetParent()) {
    handled = FALSE;
    return 0;
  }
  switch (header->code) {
    case PSN_SETACTIVE:
      return OnSetActive() ? 0 : -1;
    case PSN_KILLACTIVE:
      return OnKillActive() ? FALSE : TRUE;
    case PSN_APPLY:
      return OnApply();
    case PSN_RESET:
      OnReset();
      return 0;
    case PSN_QUERYCANCEL:
      return OnQueryCancel() ? FALSE : TRUE;
    default:
      handled = FALSE;
      return 0;
  }
}

CPropertySheet::CPropertySheet(const wchar_t* caption, UINT startPage, HWND parent) : m_psh{} {
  m_psh.dwSize = sizeof m_psh;
  m_psh.dwFlags = PSH_USECALLBACK | PSH_NOCONTEXTHELP;
  m_psh.hInstance = ::GetModuleHandleW(nullptr);
  m_psh.hwndParent = parent;
  m_psh.nStartPage = startPage;
  m_psh.pfnCallback = &CPropertySheet::SheetCallback;
  SetCaption(caption);
}

CPropertySheet::~CPropertySheet() {
  for (HPROPSHEETPAGE page : m_pages) ::DestroyPropertySheetPage(page);
}

void CPropertySheet::SetCaption(const wchar_t* caption) {
  m_caption = caption ? caption : L"";
  m_psh.pszCaption = m_caption.c_str();
  if (m_hWnd) ::SendMessageW(m_hWnd, PSM_SETTITLEW, 0, reinterpret_cast<LPARAM>(m_caption.c_str()));
}

BOOL CPropertySheet::AddPage(HPROPSHEETPAGE page) {
  if (!page) return FALSE;
  if (m_hWnd) {
    if (SendMessage(PSM_ADDPAGE, 0, reinterpret_cast<LPARAM>(page))) return TRUE;
    ::DestroyPropertySheetPage(page);
    return FALSE;
  }
  m_pages.push_back(page);
  return TRUE;
}

BOOL CPropertySheet::AddPage(CPropertyPage& page) { return AddPage(page.Create()); }

int CPropertySheet::GetPageCount() const {
  if (!m_hWnd) return static_cast<int>(m_pages.size());
  HWND tabs = reinterpret_cast<HWND>(SendMessage(PSM_GETTABCONTROL));
  return tabs ? static_cast<int>(::SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0)) : 0;
}

INT_PTR CPropertySheet::DoModal(HWND parent) { return Run(parent, false); }

HWND CPropertySheet::Create(HWND parent) {
  INT_PTR result = Run(parent, true);
  return result > 0 ? reinterpret_cast<HWND>(result) : nullptr;
}

INT_PTR CPropertySheet::Run(HWND parent, bool modeless) {
  if (m_hWnd) return -1;
  if (parent) m_psh.hwndParent = parent;
  m_bModeless = modeless;
  if (modeless)
    m_psh.dwFlags |= PSH_MODELESS;
  else
    m_psh.dwFlags &= ~PSH_MODELESS;
  m_psh.dwFlags &= ~PSH_PROPSHEETPAGE;
  m_psh.dwFlags |= PSH_USECALLBACK;
  m_psh.pfnCallback = &CPropertySheet::SheetCallback;
  m_psh.nPages = static_cast<UINT>(m_pages.size());
  m_psh.phpage = m_pages.data();

  CPropertySheet* outer = std::exchange(t_pStartingSheet, this);
  INT_PTR result = ::PropertySheetW(&m_psh);
  t_pStartingSheet = outer;
  m_psh.nPages = 0;
  m_psh.phpage = nullptr;
  return result;
}

int CALLBACK CPropertySheet::SheetCallback(HWND hWnd, UINT uMsg, LPARAM) {
  CPropertySheet* self = t_pStartingSheet;
  if (uMsg == PSCB_INITIALIZED && self && !self->m_hWnd) {
    // The window owns the page handles from now on.
    self->m_pages.clear();
    self->SubclassWindow(hWnd);
  }
  return 0;
}

LRESULT CPropertySheet::OnMayEnd(UINT, WPARAM, LPARAM, BOOL&) {
  LRESULT result = DefWindowProc();
  // OK or Cancel ended a modeless sheet: it has no current page any more.
  if (m_bModeless && m_hWnd && ::IsWindow(m_hWnd) && !GetActivePage()) DestroyWindow();
  return result;
}

BOOL CPropertySheet::PreTranslateMessage(MSG* msg) {
  if (!m_hWnd || !::IsWindow(m_hWnd) || (msg->hwnd != m_hWnd && !::IsChild(m_hWnd, msg->hwnd))) return FALSE;
  return static_cast<BOOL>(SendMessage(PSM_ISDIALOGMESSAGE, 0, reinterpret_cast<LPARAM>(msg)));
}

}  // namespace win32
