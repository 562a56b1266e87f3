// Window objects: a thin handle wrapper, and the template that binds a C++
// object to a window so that its message map receives the window's messages.
//
// A window created by Create() finds its object through GWLP_USERDATA, set at
// WM_NCCREATE from the creation parameters; an existing window taken over by
// SubclassWindow() finds it through the common-controls subclass chain.
// Neither needs generated code.
#pragma once

#include <windows.h>

#include <string>

#include "win32/MessageMap.h"

namespace win32 {

class CWindow {
 public:
  CWindow(HWND hWnd = nullptr) : m_hWnd(hWnd) {}
  operator HWND() const { return m_hWnd; }

  BOOL IsWindow() const { return ::IsWindow(m_hWnd); }
  BOOL DestroyWindow() { return ::DestroyWindow(m_hWnd); }
  LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendMessageW(m_hWnd, msg, wParam, lParam);
  }
  BOOL PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::PostMessageW(m_hWnd, msg, wParam, lParam);
  }

  // Styles. Modify* return TRUE when the style changed; flags other than 0
  // apply the change with SetWindowPos (SWP_FRAMECHANGED for frame styles).
  DWORD GetStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_STYLE)); }
  DWORD GetExStyle() const { return static_cast<DWORD>(::GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE)); }
  BOOL ModifyStyle(DWORD remove, DWORD add, UINT flags = 0) { return ModifyLong(GWL_STYLE, remove, add, flags); }
  BOOL ModifyStyleEx(DWORD remove, DWORD add, UINT flags = 0) { return ModifyLong(GWL_EXSTYLE, remove, add, flags); }

  // Position and state.
  BOOL GetClientRect(RECT* rc) const { return ::GetClientRect(m_hWnd, rc); }
  BOOL GetWindowRect(RECT* rc) const { return ::GetWindowRect(m_hWnd, rc); }
  BOOL MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE) {
    return ::MoveWindow(m_hWnd, x, y, width, height, repaint);
  }
  BOOL SetWindowPos(HWND insertAfter, int x, int y, int width, int height, UINT flags) {
    return ::SetWindowPos(m_hWnd, insertAfter, x, y, width, height, flags);
  }
  BOOL SetWindowPos(HWND insertAfter, const RECT* rc, UINT flags) {
    return ::SetWindowPos(m_hWnd, insertAfter, rc->left, rc->top, rc->right - rc->left, rc->bottom - rc->top, flags);
  }
  // Centres a child in its parent's client area, a top-level window over its
  // owner, or over the work area of its monitor when there is no visible
  // window to centre over (or center gives another); a top-level window
  // stays inside the work area.
  BOOL CenterWindow(HWND center = nullptr);
  BOOL GetWindowPlacement(WINDOWPLACEMENT* placement) const {
    placement->length = sizeof *placement;
    return ::GetWindowPlacement(m_hWnd, placement);
  }
  BOOL ShowWindow(int cmd) { return ::ShowWindow(m_hWnd, cmd); }
  BOOL IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
  BOOL IsIconic() const { return ::IsIconic(m_hWnd); }
  BOOL IsZoomed() const { return ::IsZoomed(m_hWnd); }
  BOOL EnableWindow(BOOL enable = TRUE) { return ::EnableWindow(m_hWnd, enable); }
  BOOL IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }
  HWND SetFocus() { return ::SetFocus(m_hWnd); }
  BOOL BringWindowToTop() { return ::BringWindowToTop(m_hWnd); }

  // Coordinates.
  BOOL ScreenToClient(POINT* pt) const { return ::ScreenToClient(m_hWnd, pt); }
  BOOL ClientToScreen(POINT* pt) const { return ::ClientToScreen(m_hWnd, pt); }
  void ScreenToClient(RECT* rc) const { ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(rc), 2); }
  void ClientToScreen(RECT* rc) const { ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(rc), 2); }
  int MapWindowPoints(HWND to, POINT* pts, UINT count) const { return ::MapWindowPoints(m_hWnd, to, pts, count); }
  int MapWindowPoints(HWND to, RECT* rc) const {
    return ::MapWindowPoints(m_hWnd, to, reinterpret_cast<POINT*>(rc), 2);
  }

  // Painting.
  BOOL Invalidate(BOOL erase = TRUE) { return ::InvalidateRect(m_hWnd, nullptr, erase); }
  BOOL InvalidateRect(const RECT* rc, BOOL erase = TRUE) { return ::InvalidateRect(m_hWnd, rc, erase); }
  BOOL UpdateWindow() { return ::UpdateWindow(m_hWnd); }
  void SetRedraw(BOOL redraw = TRUE) { SendMessage(WM_SETREDRAW, static_cast<WPARAM>(redraw)); }

  // Relatives.
  HWND GetParent() const { return ::GetParent(m_hWnd); }
  HWND GetWindow(UINT cmd) const { return ::GetWindow(m_hWnd, cmd); }
  HWND GetTopLevelParent() const { return ::GetAncestor(m_hWnd, GA_ROOT); }
  HWND GetDlgItem(int id) const { return ::GetDlgItem(m_hWnd, id); }
  int GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }

  // Text, font, icon, menu.
  BOOL SetWindowText(const wchar_t* text) { return ::SetWindowTextW(m_hWnd, text); }
  int GetWindowText(wchar_t* text, int maxCount) const { return ::GetWindowTextW(m_hWnd, text, maxCount); }
  std::wstring GetWindowText() const;
  int GetWindowTextLength() const { return ::GetWindowTextLengthW(m_hWnd); }
  void SetFont(HFONT font, BOOL redraw = TRUE) {
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font), MAKELPARAM(redraw, 0));
  }
  HFONT GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }
  // Returns the icon it replaces; the window does not own either.
  HICON SetIcon(HICON icon, BOOL big = TRUE) {
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, big ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(icon)));
  }
  HICON GetIcon(BOOL big = TRUE) const {
    return reinterpret_cast<HICON>(SendMessage(WM_GETICON, big ? ICON_BIG : ICON_SMALL));
  }
  HMENU GetMenu() const { return ::GetMenu(m_hWnd); }
  BOOL SetMenu(HMENU menu) { return ::SetMenu(m_hWnd, menu); }
  BOOL DrawMenuBar() { return ::DrawMenuBar(m_hWnd); }

  // Timers.
  UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs) { return ::SetTimer(m_hWnd, id, elapseMs, nullptr); }
  BOOL KillTimer(UINT_PTR id) { return ::KillTimer(m_hWnd, id); }

  // Dialog items.
  LRESULT SendDlgItemMessage(int id, UINT msg, WPARAM wParam = 0, LPARAM lParam = 0) const {
    return ::SendDlgItemMessageW(m_hWnd, id, msg, wParam, lParam);
  }
  BOOL SetDlgItemText(int id, const wchar_t* text) { return ::SetDlgItemTextW(m_hWnd, id, text); }
  UINT GetDlgItemText(int id, wchar_t* text, int maxCount) const {
    return ::GetDlgItemTextW(m_hWnd, id, text, maxCount);
  }
  BOOL SetDlgItemInt(int id, UINT value, BOOL isSigned = TRUE) { return ::SetDlgItemInt(m_hWnd, id, value, isSigned); }
  UINT GetDlgItemInt(int id, BOOL* translated = nullptr, BOOL isSigned = TRUE) const {
    return ::GetDlgItemInt(m_hWnd, id, translated, isSigned);
  }
  BOOL CheckDlgButton(int id, UINT check) { return ::CheckDlgButton(m_hWnd, id, check); }
  UINT IsDlgButtonChecked(int id) const { return ::IsDlgButtonChecked(m_hWnd, id); }

  HWND m_hWnd;

 private:
  BOOL ModifyLong(int index, DWORD remove, DWORD add, UINT flags);
};

// Styles a window type is created with when the caller gives none.
template <DWORD Style, DWORD ExStyle = 0>
struct CWinTraits {
  static DWORD GetWndStyle(DWORD style) { return style ? style : Style; }
  static DWORD GetWndExStyle(DWORD exStyle) { return exStyle ? exStyle : ExStyle; }
};
using CControlWinTraits = CWinTraits<WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS>;
using CFrameWinTraits =
    CWinTraits<WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, WS_EX_APPWINDOW | WS_EX_WINDOWEDGE>;
using CNullTraits = CWinTraits<0, 0>;

// One window class, registered on first use. A superclass copies a native
// class (BUTTON, EDIT, ...) under its own name; the native procedure then gets
// every message the object leaves unhandled.
struct CWndClassInfo {
  const wchar_t* name;  // null: a name unique to this class information is generated
  UINT style;
  HBRUSH background;
  const wchar_t* cursor;        // system cursor id, null for none
  const wchar_t* superclassOf;  // native class to copy, null for a plain window
  ATOM atom;
  WNDPROC superProc;
  wchar_t generatedName[32];

  // Returns the class atom, or 0 when registration failed. Serialised across threads.
  ATOM Register(HINSTANCE instance, WNDPROC windowProc);
  const wchar_t* ClassName() const { return name ? name : generatedName; }
};

#define DECLARE_WND_CLASS_EX(className, classStyle, backgroundColor)                                                 \
  static ::win32::CWndClassInfo& GetWndClassInfo() {                                                                 \
    static ::win32::CWndClassInfo info = {                                                                           \
        className, classStyle, reinterpret_cast<HBRUSH>((backgroundColor) + 1), IDC_ARROW, nullptr, 0, nullptr, {}}; \
    return info;                                                                                                     \
  }
#define DECLARE_WND_CLASS(className) DECLARE_WND_CLASS_EX(className, CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, COLOR_WINDOW)
#define DECLARE_WND_SUPERCLASS(className, nativeClassName)                                                  \
  static ::win32::CWndClassInfo& GetWndClassInfo() {                                                        \
    static ::win32::CWndClassInfo info = {className, 0, nullptr, nullptr, nativeClassName, 0, nullptr, {}}; \
    return info;                                                                                            \
  }

// Sends a notification that parent received back to the control it concerns,
// as Reflected(msg); bHandled is cleared when no control is concerned.
LRESULT ReflectNotificationsOf(HWND parent, UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);

// The answer DefWindowProc would give a parent for a reflected message.
BOOL DefaultReflectionHandler(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult);

// The id for a child created without one: it fits the 16 bits that WM_COMMAND
// carries and no sibling under parent has it. Ids come from a block above the
// dialog and skin control ids and below the menu commands.
constexpr int kFirstGeneratedId = 0x7000;
constexpr int kLastGeneratedId = 0x7FFF;
int GenerateChildId(HWND parent);

// Clears the window's pointer to object at index (GWLP_USERDATA, DWLP_USER)
// unless the window is gone or points elsewhere: the window may outlive its
// object, and later messages must not reach a dead one.
void DetachObject(HWND hWnd, int index, const void* object);

// The part of every window object that depends neither on its class nor on
// its base. The handle itself lives in the base (CWindow, or a class over it
// that carries more per-window data), so one object keeps one m_hWnd.
class CWindowImplCore : public CMessageMap {
 public:
  CWindowImplCore(const CWindowImplCore&) = delete;
  CWindowImplCore& operator=(const CWindowImplCore&) = delete;
  virtual ~CWindowImplCore();

  // The message being handled (null outside a handler).
  const MSG* GetCurrentMessage() const { return m_pCurrentMsg; }

  // What happens to a message the map leaves unhandled: the superclass or
  // subclassed procedure, else DefWindowProcW.
  LRESULT DefWindowProc(UINT uMsg, WPARAM wParam, LPARAM lParam);
  LRESULT DefWindowProc();

  // Sends a control notification back to the control it concerns, as
  // Reflected(msg). Not handled when there is no such control.
  LRESULT ReflectNotifications(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);

  // Takes over an existing window: its messages reach this object's map
  // first, then the window's own procedure.
  BOOL SubclassWindow(HWND hWnd);
  HWND UnsubclassWindow();

  // Called once the window's last message (WM_NCDESTROY) and every message
  // it was nested in have returned; the object may delete itself.
  virtual void OnFinalMessage(HWND) {}

  WNDPROC m_pfnSuperWindowProc = ::DefWindowProcW;

 protected:
  explicit CWindowImplCore(HWND& hWnd) : m_rhWnd(hWnd) {}

  using ClassInfoFunction = CWndClassInfo& (*)();
  // The window-procedure body shared by every class. A window of the class
  // without an object (created by class name, or outliving its object) gets
  // the class's native procedure.
  static LRESULT RouteMessage(ClassInfoFunction classInfo, HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK SubclassProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR refData);
  HWND CreateImpl(ATOM atom, HWND parent, const RECT* rect, const wchar_t* name, DWORD style, DWORD exStyle,
                  HMENU menuOrId, void* createParam);

 private:
  // Passed as the creation parameter; only its address is compared, never
  // the contents of a parameter the layer did not make.
  struct CCreateParams {
    void* user;
  };
  static CWindowImplCore* BindCreatingObject(HWND hWnd, UINT uMsg, LPARAM lParam);
  LRESULT Dispatch(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

  HWND& m_rhWnd;  // the base's m_hWnd
  const MSG* m_pCurrentMsg = nullptr;
  CCreateParams* m_pCreating = nullptr;
  bool m_bSubclassed = false;
  bool m_bFinalPending = false;  // WM_NCDESTROY came inside another message
};

// A window object over TBase, which must derive from CWindow.
template <class TBase = CWindow>
class CWindowImplRootT : public TBase, public CWindowImplCore {
 public:
  CWindowImplRootT() : TBase(), CWindowImplCore(this->m_hWnd) {}
};

using CWindowImplRoot = CWindowImplRootT<CWindow>;

// The class-dependent part: window class, creation and window procedure.
template <class T, class TBase = CWindow, class TWinTraits = CControlWinTraits>
class CWindowImplBaseT : public CWindowImplRootT<TBase> {
 public:
  static CWndClassInfo& GetWndClassInfo() {
    static CWndClassInfo info = {nullptr,
                                 CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS,
                                 reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1),
                                 IDC_ARROW,
                                 nullptr,
                                 0,
                                 nullptr,
                                 {}};
    return info;
  }

  // rect null: CW_USEDEFAULT for a top-level window, empty for a child. A child
  // created with id 0 gets a generated one (GenerateChildId).
  HWND Create(HWND parent, const RECT* rect = nullptr, const wchar_t* name = nullptr, DWORD style = 0,
              DWORD exStyle = 0, UINT_PTR menuOrId = 0, void* createParam = nullptr) {
    CWndClassInfo& info = T::GetWndClassInfo();
    ATOM atom = info.Register(::GetModuleHandleW(nullptr), &CWindowImplBaseT::WindowProc);
    if (!atom) return nullptr;
    this->m_pfnSuperWindowProc = info.superProc ? info.superProc : ::DefWindowProcW;
    style = TWinTraits::GetWndStyle(style);
    exStyle = TWinTraits::GetWndExStyle(exStyle);
    if ((style & WS_CHILD) && menuOrId == 0) menuOrId = static_cast<UINT_PTR>(GenerateChildId(parent));
    return this->CreateImpl(atom, parent, rect, name, style, exStyle, reinterpret_cast<HMENU>(menuOrId), createParam);
  }

 protected:
  static LRESULT CALLBACK WindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
    return CWindowImplCore::RouteMessage(&T::GetWndClassInfo, hWnd, uMsg, wParam, lParam);
  }
};

// Control wrappers (button, edit, ...) are mix-ins over a base: CEditT<CWindow>
// wraps a handle, and a window object passes its own base to share m_hWnd.
template <class T, class TWinTraits = CControlWinTraits>
class CWindowImpl : public CWindowImplBaseT<T, CWindow, TWinTraits> {};

}  // namespace win32
