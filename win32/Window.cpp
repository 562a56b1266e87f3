#include "win32/Window.h"

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cwchar>
#include <mutex>
#include <utility>

namespace win32 {

ATOM CWndClassInfo::Register(HINSTANCE instance, WNDPROC windowProc) {
  static std::mutex registration;
  std::lock_guard<std::mutex> guard(registration);
  if (atom) return atom;

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  if (superclassOf) {
    if (!::GetClassInfoExW(nullptr, superclassOf, &wc) && !::GetClassInfoExW(instance, superclassOf, &wc)) return 0;
    superProc = wc.lpfnWndProc;
    wc.style &= ~CS_GLOBALCLASS;
  } else {
    wc.style = style;
    wc.hbrBackground = background;
    wc.hCursor = cursor ? ::LoadCursorW(nullptr, cursor) : nullptr;
  }
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = windowProc;
  wc.hInstance = instance;
  if (!name)
    std::swprintf(generatedName, sizeof generatedName / sizeof generatedName[0], L"W32:%p", static_cast<void*>(this));
  wc.lpszClassName = ClassName();

  ATOM result = ::RegisterClassExW(&wc);
  if (!result && ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    result = static_cast<ATOM>(::GetClassInfoExW(instance, ClassName(), &existing));
  }
  atom = result;
  return atom;
}

BOOL DefaultReflectionHandler(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult) {
  if (uMsg < kReflectedBase) return FALSE;
  switch (uMsg - kReflectedBase) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_PARENTNOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_COMPAREITEM:
    case WM_DELETEITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      lResult = ::DefWindowProcW(hWnd, uMsg - kReflectedBase, wParam, lParam);
      return TRUE;
    default:
      return FALSE;
  }
}

namespace {

// The object whose Create() runs on this thread; its window binds to it at WM_NCCREATE.
thread_local CWindowImplCore* t_pCreating = nullptr;

}  // namespace

BOOL CWindow::ModifyLong(int index, DWORD remove, DWORD add, UINT flags) {
  DWORD old = static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, index));
  DWORD changed = (old & ~remove) | add;
  if (changed == old) return FALSE;
  ::SetWindowLongPtrW(m_hWnd, index, static_cast<LONG_PTR>(changed));
  if (flags)
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
  return TRUE;
}

std::wstring CWindow::GetWindowText() const {
  std::wstring text(static_cast<size_t>(std::max(GetWindowTextLength(), 0)) + 1, L'\0');
  int length = ::GetWindowTextW(m_hWnd, text.data(), static_cast<int>(text.size()));
  text.resize(static_cast<size_t>(std::max(length, 0)));
  return text;
}

BOOL CWindow::CenterWindow(HWND center) {
  const bool child = (GetStyle() & WS_CHILD) != 0;
  HWND parent = ::GetParent(m_hWnd);
  if (!center) center = child ? parent : ::GetWindow(m_hWnd, GW_OWNER);
  if (center && (!::IsWindowVisible(center) || ::IsIconic(center))) center = nullptr;

  RECT area{};  // screen coordinates where the window may go
  if (child) {
    if (!parent) return FALSE;
    ::GetClientRect(parent, &area);
    ::MapWindowPoints(parent, nullptr, reinterpret_cast<POINT*>(&area), 2);
  } else {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!::GetMonitorInfoW(::MonitorFromWindow(center ? center : m_hWnd, MONITOR_DEFAULTTONEAREST), &monitor))
      return FALSE;
    area = monitor.rcWork;
  }
  RECT over = area;
  if (center && !(child && center == parent)) ::GetWindowRect(center, &over);

  RECT rc{};
  GetWindowRect(&rc);
  const int width = rc.right - rc.left, height = rc.bottom - rc.top;
  int x = over.left + ((over.right - over.left) - width) / 2;
  int y = over.top + ((over.bottom - over.top) - height) / 2;
  if (!child) {
    x = std::max(std::min(x, static_cast<int>(area.right) - width), static_cast<int>(area.left));
    y = std::max(std::min(y, static_cast<int>(area.bottom) - height), static_cast<int>(area.top));
  }
  POINT at{x, y};
  if (child) ::ScreenToClient(parent, &at);
  return ::SetWindowPos(m_hWnd, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

int GenerateChildId(HWND parent) {
  static std::atomic<int> next{0};
  constexpr int kBlock = kLastGeneratedId - kFirstGeneratedId + 1;
  int id = kFirstGeneratedId;
  for (int tries = 0; tries < kBlock; ++tries) {
    id = kFirstGeneratedId + next.fetch_add(1) % kBlock;
    if (!parent || !::GetDlgItem(parent, id)) break;
  }
  return id;
}

void DetachObject(HWND hWnd, int index, const void* object) {
  if (hWnd && ::IsWindow(hWnd) && ::GetWindowLongPtrW(hWnd, index) == reinterpret_cast<LONG_PTR>(object))
    ::SetWindowLongPtrW(hWnd, index, 0);
}

CWindowImplCore::~CWindowImplCore() {
  if (m_bSubclassed)
    UnsubclassWindow();
  else
    DetachObject(m_rhWnd, GWLP_USERDATA, this);
}

LRESULT CWindowImplCore::DefWindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (m_bSubclassed) return ::DefSubclassProc(m_rhWnd, uMsg, wParam, lParam);
  return ::CallWindowProcW(m_pfnSuperWindowProc, m_rhWnd, uMsg, wParam, lParam);
}

LRESULT CWindowImplCore::DefWindowProc() {
  const MSG* msg = m_pCurrentMsg;
  return msg ? DefWindowProc(msg->message, msg->wParam, msg->lParam) : 0;
}

LRESULT CWindowImplCore::ReflectNotifications(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  return ReflectNotificationsOf(m_rhWnd, uMsg, wParam, lParam, bHandled);
}

LRESULT ReflectNotificationsOf(HWND parent, UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  HWND child = nullptr;
  switch (uMsg) {
    case WM_COMMAND:
      child = reinterpret_cast<HWND>(lParam);  // null for menus and accelerators
      break;
    case WM_NOTIFY:
      child = reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
      break;
    case WM_PARENTNOTIFY:
      if (LOWORD(wParam) == WM_CREATE || LOWORD(wParam) == WM_DESTROY)
        child = reinterpret_cast<HWND>(lParam);
      else
        child = ::GetDlgItem(parent, HIWORD(wParam));
      break;
    case WM_DRAWITEM:
      if (wParam) child = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem;
      break;
    case WM_MEASUREITEM:
      if (wParam) child = ::GetDlgItem(parent, reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam)->CtlID);
      break;
    case WM_COMPAREITEM:
      if (wParam) child = reinterpret_cast<const COMPAREITEMSTRUCT*>(lParam)->hwndItem;
      break;
    case WM_DELETEITEM:
      if (wParam) child = reinterpret_cast<const DELETEITEMSTRUCT*>(lParam)->hwndItem;
      break;
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      child = reinterpret_cast<HWND>(lParam);
      break;
    default:
      break;
  }
  if (!child) {
    bHandled = FALSE;
    return 1;
  }
  return ::SendMessageW(child, Reflected(uMsg), wParam, lParam);
}

BOOL CWindowImplCore::SubclassWindow(HWND hWnd) {
  if (m_rhWnd || !::IsWindow(hWnd)) return FALSE;
  if (!::SetWindowSubclass(hWnd, &CWindowImplCore::SubclassProc, reinterpret_cast<UINT_PTR>(this),
                           reinterpret_cast<DWORD_PTR>(this)))
    return FALSE;
  m_rhWnd = hWnd;
  m_bSubclassed = true;
  return TRUE;
}

HWND CWindowImplCore::UnsubclassWindow() {
  if (!m_bSubclassed) return nullptr;
  HWND hWnd = m_rhWnd;
  ::RemoveWindowSubclass(hWnd, &CWindowImplCore::SubclassProc, reinterpret_cast<UINT_PTR>(this));
  m_rhWnd = nullptr;
  m_bSubclassed = false;
  return hWnd;
}

HWND CWindowImplCore::CreateImpl(ATOM atom, HWND parent, const RECT* rect, const wchar_t* name, DWORD style,
                                 DWORD exStyle, HMENU menuOrId, void* createParam) {
  if (m_rhWnd) return nullptr;
  int x = CW_USEDEFAULT, y = CW_USEDEFAULT, width = CW_USEDEFAULT, height = CW_USEDEFAULT;
  if (rect) {
    x = rect->left;
    y = rect->top;
    width = rect->right - rect->left;
    height = rect->bottom - rect->top;
  } else if (style & WS_CHILD) {
    x = y = width = height = 0;
  }
  CCreateParams params{createParam};
  m_pCreating = &params;
  CWindowImplCore* outer = std::exchange(t_pCreating, this);
  HWND hWnd = ::CreateWindowExW(exStyle, MAKEINTATOM(atom), name, style, x, y, width, height, parent, menuOrId,
                                ::GetModuleHandleW(nullptr), &params);
  t_pCreating = outer;
  m_pCreating = nullptr;
  return hWnd;
}

CWindowImplCore* CWindowImplCore::BindCreatingObject(HWND hWnd, UINT uMsg, LPARAM lParam) {
  // Messages before WM_NCCREATE (WM_GETMINMAXINFO) have no object yet.
  CWindowImplCore* self = t_pCreating;
  if (uMsg != WM_NCCREATE || !self || self->m_rhWnd || !self->m_pCreating) return nullptr;
  if (reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams != self->m_pCreating) return nullptr;
  self->m_rhWnd = hWnd;
  ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  return self;
}

LRESULT CWindowImplCore::RouteMessage(ClassInfoFunction classInfo, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<CWindowImplCore*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
  if (!self) self = BindCreatingObject(hWnd, uMsg, lParam);
  if (self) return self->Dispatch(hWnd, uMsg, wParam, lParam);
  WNDPROC native = classInfo().superProc;
  return native ? ::CallWindowProcW(native, hWnd, uMsg, wParam, lParam) : ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

LRESULT CALLBACK CWindowImplCore::SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                               DWORD_PTR refData) {
  return reinterpret_cast<CWindowImplCore*>(refData)->Dispatch(hWnd, uMsg, wParam, lParam);
}

LRESULT CWindowImplCore::Dispatch(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if ((uMsg == WM_NCCREATE || uMsg == WM_CREATE) && m_pCreating) {
    // Handlers see the caller's creation parameter, not ours.
    auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
    if (cs->lpCreateParams == m_pCreating) cs->lpCreateParams = m_pCreating->user;
  }
  // The message stays current through the default processing too: a window
  // destroyed there or in a handler keeps its object until the outermost
  // message returns.
  MSG msg{hWnd, uMsg, wParam, lParam, 0, {0, 0}};
  const MSG* outer = std::exchange(m_pCurrentMsg, &msg);
  LRESULT result = 0;
  if (!ProcessWindowMessage(hWnd, uMsg, wParam, lParam, result, 0)) result = DefWindowProc(uMsg, wParam, lParam);

  if (uMsg == WM_NCDESTROY) {
    if (m_bSubclassed)
      ::RemoveWindowSubclass(hWnd, &CWindowImplCore::SubclassProc, reinterpret_cast<UINT_PTR>(this));
    else
      ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, 0);
    m_bFinalPending = true;
  }
  m_pCurrentMsg = outer;
  if (m_bFinalPending && !outer) {
    m_bFinalPending = false;
    m_bSubclassed = false;
    m_rhWnd = nullptr;
    OnFinalMessage(hWnd);  // may delete this
  }
  return result;
}

}  // namespace win32
