#include "win32/Dialog.h"

namespace win32 {

CDialogImplRoot::~CDialogImplRoot() { DetachObject(m_hWnd, DWLP_USER, this); }

INT_PTR CDialogImplRoot::DoModalIndirect(const DLGTEMPLATE* dialogTemplate, HWND parent, LPARAM initParam) {
  if (m_hWnd) return -1;
  CInitParams params{this, initParam};
  return ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), dialogTemplate, parent, &CDialogImplRoot::DialogProc,
                                   reinterpret_cast<LPARAM>(&params));
}

HWND CDialogImplRoot::CreateIndirect(const DLGTEMPLATE* dialogTemplate, HWND parent, LPARAM initParam) {
  if (m_hWnd) return nullptr;
  CInitParams params{this, initParam};
  return ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), dialogTemplate, parent, &CDialogImplRoot::DialogProc,
                                      reinterpret_cast<LPARAM>(&params));
}

INT_PTR CDialogImplRoot::DoModalResource(const wchar_t* resource, HWND parent, LPARAM initParam) {
  if (m_hWnd) return -1;
  CInitParams params{this, initParam};
  return ::DialogBoxParamW(::GetModuleHandleW(nullptr), resource, parent, &CDialogImplRoot::DialogProc,
                           reinterpret_cast<LPARAM>(&params));
}

HWND CDialogImplRoot::CreateResource(const wchar_t* resource, HWND parent, LPARAM initParam) {
  if (m_hWnd) return nullptr;
  CInitParams params{this, initParam};
  return ::CreateDialogParamW(::GetModuleHandleW(nullptr), resource, parent, &CDialogImplRoot::DialogProc,
                              reinterpret_cast<LPARAM>(&params));
}

INT_PTR CALLBACK CDialogImplRoot::DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<CDialogImplRoot*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
  if (!self) {
    // Messages before WM_INITDIALOG (WM_SETFONT) stay with the dialog manager.
    if (uMsg != WM_INITDIALOG) return FALSE;
    auto* params = reinterpret_cast<CInitParams*>(lParam);
    self = params->self;
    self->m_hWnd = hWnd;
    ::SetWindowLongPtrW(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    lParam = params->user;
  }

  LRESULT result = 0;
  BOOL handled = DispatchAsCurrent(*self, self->m_pCurrentMsg, hWnd, uMsg, wParam, lParam, result);

  if (uMsg == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hWnd, DWLP_USER, 0);
    self->m_hWnd = nullptr;
    self->OnFinalMessage(hWnd);  // may delete self
    return FALSE;
  }
  if (!handled) return FALSE;
  switch (uMsg) {
    // These answer through the return value, not DWLP_MSGRESULT.
    case WM_INITDIALOG:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return static_cast<INT_PTR>(result);
    default:
      ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, result);
      return TRUE;
  }
}

}  // namespace win32
