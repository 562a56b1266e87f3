#include "win32/Dialog.h"

#include <utility>

namespace win32 {

namespace {

// The parameters of the dialog whose creation runs on this thread; the
// dialog binds to its object when WM_INITDIALOG brings exactly these.
thread_local CDialogImplRoot* t_pStarting = nullptr;
thread_local const void* t_pStartingParams = nullptr;

}  // namespace

CDialogImplRoot::~CDialogImplRoot() { DetachObject(m_hWnd, DWLP_USER, this); }

template <class Start>
auto CDialogImplRoot::RunBound(CInitParams& params, Start start) {
  CDialogImplRoot* outerObject = std::exchange(t_pStarting, this);
  const void* outerParams = std::exchange(t_pStartingParams, &params);
  auto result = start(reinterpret_cast<LPARAM>(&params));
  t_pStarting = outerObject;
  t_pStartingParams = outerParams;
  return result;
}

INT_PTR CDialogImplRoot::DoModalIndirect(const DLGTEMPLATE* dialogTemplate, HWND parent, LPARAM initParam) {
  if (m_hWnd) return -1;
  CInitParams params{this, initParam};
  return RunBound(params, [&](LPARAM p) {
    return ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), dialogTemplate, parent, &CDialogImplRoot::DialogProc,
                                     p);
  });
}

HWND CDialogImplRoot::CreateIndirect(const DLGTEMPLATE* dialogTemplate, HWND parent, LPARAM initParam) {
  if (m_hWnd) return nullptr;
  CInitParams params{this, initParam};
  return RunBound(params, [&](LPARAM p) {
    return ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), dialogTemplate, parent,
                                        &CDialogImplRoot::DialogProc, p);
  });
}

INT_PTR CDialogImplRoot::DoModalResource(const wchar_t* resource, HWND parent, LPARAM initParam) {
  if (m_hWnd) return -1;
  CInitParams params{this, initParam};
  return RunBound(params, [&](LPARAM p) {
    return ::DialogBoxParamW(::GetModuleHandleW(nullptr), resource, parent, &CDialogImplRoot::DialogProc, p);
  });
}

HWND CDialogImplRoot::CreateResource(const wchar_t* resource, HWND parent, LPARAM initParam) {
  if (m_hWnd) return nullptr;
  CInitParams params{this, initParam};
  return RunBound(params, [&](LPARAM p) {
    return ::CreateDialogParamW(::GetModuleHandleW(nullptr), resource, parent, &CDialogImplRoot::DialogProc, p);
  });
}

void CDialogImplRoot::BindWindow(HWND hWnd) {
  m_hWnd = hWnd;
  ::SetWindowLongPtrW(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(this));
}

INT_PTR CALLBACK CDialogImplRoot::DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<CDialogImplRoot*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
  if (!self) {
    // Messages before WM_INITDIALOG (WM_SETFONT) stay with the dialog manager,
    // and so does a dialog whose object is gone.
    if (uMsg != WM_INITDIALOG || !t_pStarting || t_pStarting->m_hWnd ||
        reinterpret_cast<const void*>(lParam) != t_pStartingParams)
      return FALSE;
    self = t_pStarting;
    lParam = static_cast<const CInitParams*>(t_pStartingParams)->user;
    self->BindWindow(hWnd);
  }
  return self->DialogMessage(hWnd, uMsg, wParam, lParam);
}

INT_PTR CDialogImplRoot::DialogMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  MSG msg{hWnd, uMsg, wParam, lParam, 0, {0, 0}};
  const MSG* outer = std::exchange(m_pCurrentMsg, &msg);
  LRESULT result = 0;
  BOOL handled = ProcessWindowMessage(hWnd, uMsg, wParam, lParam, result, 0);

  INT_PTR answer = FALSE;
  if (uMsg == WM_NCDESTROY) {
    ::SetWindowLongPtrW(hWnd, DWLP_USER, 0);
    m_bFinalPending = true;
  } else if (handled) {
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
        answer = static_cast<INT_PTR>(result);
        break;
      default:
        ::SetWindowLongPtrW(hWnd, DWLP_MSGRESULT, result);
        answer = TRUE;
        break;
    }
  }
  // A dialog destroyed in a handler keeps its object until the outermost message returns.
  m_pCurrentMsg = outer;
  if (m_bFinalPending && !outer) {
    m_bFinalPending = false;
    m_hWnd = nullptr;
    OnFinalMessage(hWnd);  // may delete this
  }
  return answer;
}

}  // namespace win32
