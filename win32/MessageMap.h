// Message maps: a window class lists the messages it handles, each with a
// short handler, in the order they are tried.
//
//   BEGIN_MSG_MAP(CMyWindow)
//     MESSAGE_HANDLER(WM_PAINT, OnPaint)
//     COMMAND_ID_HANDLER(IDOK, OnOk)
//     NOTIFY_CODE_HANDLER(NM_CLICK, OnClick)
//     CHAIN_MSG_MAP(CBase)
//     REFLECT_NOTIFICATIONS()
//   END_MSG_MAP()
//
// Handlers:
//   LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);
//   LRESULT OnCommand(WORD code, WORD id, HWND control, BOOL& handled);
//   LRESULT OnNotify(int id, LPNMHDR header, BOOL& handled);
// A handler that clears `handled` lets the search go on to the next entry.
#pragma once

#include <windows.h>

namespace win32 {

// A parent sends a control's notification back to the control under this
// number plus the original message, so the control can handle it itself.
constexpr UINT kReflectedBase = WM_USER + 0x1C00;
constexpr UINT Reflected(UINT msg) { return kReflectedBase + msg; }

class CMessageMap {
 public:
  virtual BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult,
                                    DWORD dwMsgMapID = 0) = 0;

 protected:
  ~CMessageMap() = default;
};

}  // namespace win32

#define BEGIN_MSG_MAP(theClass)                                                                   \
 public:                                                                                          \
  BOOL ProcessWindowMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& lResult, \
                            DWORD dwMsgMapID = 0) {                                               \
    BOOL bHandled = TRUE;                                                                         \
    (void)hWnd;                                                                                   \
    (void)uMsg;                                                                                   \
    (void)wParam;                                                                                 \
    (void)lParam;                                                                                 \
    (void)lResult;                                                                                \
    (void)bHandled;                                                                               \
    switch (dwMsgMapID) {                                                                         \
      case 0:

#define ALT_MSG_MAP(mapId) \
  break;                   \
  case mapId:

#define MESSAGE_HANDLER(msg, func)                  \
  if (uMsg == (msg)) {                              \
    bHandled = TRUE;                                \
    lResult = func(uMsg, wParam, lParam, bHandled); \
    if (bHandled) return TRUE;                      \
  }

#define MESSAGE_RANGE_HANDLER(msgFirst, msgLast, func) \
  if (uMsg >= (msgFirst) && uMsg <= (msgLast)) {       \
    bHandled = TRUE;                                   \
    lResult = func(uMsg, wParam, lParam, bHandled);    \
    if (bHandled) return TRUE;                         \
  }

#define WIN32_COMMAND_ENTRY(test, func)                                                       \
  if (uMsg == WM_COMMAND && (test)) {                                                         \
    bHandled = TRUE;                                                                          \
    lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled); \
    if (bHandled) return TRUE;                                                                \
  }

#define COMMAND_HANDLER(id, code, func) WIN32_COMMAND_ENTRY(LOWORD(wParam) == (id) && HIWORD(wParam) == (code), func)
#define COMMAND_ID_HANDLER(id, func) WIN32_COMMAND_ENTRY(LOWORD(wParam) == (id), func)
#define COMMAND_CODE_HANDLER(code, func) WIN32_COMMAND_ENTRY(HIWORD(wParam) == (code), func)
#define COMMAND_RANGE_HANDLER(idFirst, idLast, func) \
  WIN32_COMMAND_ENTRY(LOWORD(wParam) >= (idFirst) && LOWORD(wParam) <= (idLast), func)

#define WIN32_NOTIFY_ENTRY(msg, test, func)                                                  \
  if (uMsg == (msg)) {                                                                       \
    const NMHDR* pnmh_ = reinterpret_cast<const NMHDR*>(lParam);                             \
    if (test) {                                                                              \
      bHandled = TRUE;                                                                       \
      lResult = func(static_cast<int>(wParam), reinterpret_cast<LPNMHDR>(lParam), bHandled); \
      if (bHandled) return TRUE;                                                             \
    }                                                                                        \
  }

#define NOTIFY_HANDLER(ctrlId, notifyCode, func) \
  WIN32_NOTIFY_ENTRY(WM_NOTIFY, pnmh_->idFrom == (UINT_PTR)(ctrlId) && pnmh_->code == (UINT)(notifyCode), func)
#define NOTIFY_ID_HANDLER(ctrlId, func) WIN32_NOTIFY_ENTRY(WM_NOTIFY, pnmh_->idFrom == (UINT_PTR)(ctrlId), func)
#define NOTIFY_CODE_HANDLER(notifyCode, func) WIN32_NOTIFY_ENTRY(WM_NOTIFY, pnmh_->code == (UINT)(notifyCode), func)

// Entries for the reflected forms, used in the control's own map.
#define REFLECTED_COMMAND_CODE_HANDLER(code, func)                                            \
  if (uMsg == ::win32::Reflected(WM_COMMAND) && HIWORD(wParam) == (code)) {                   \
    bHandled = TRUE;                                                                          \
    lResult = func(HIWORD(wParam), LOWORD(wParam), reinterpret_cast<HWND>(lParam), bHandled); \
    if (bHandled) return TRUE;                                                                \
  }
#define REFLECTED_NOTIFY_CODE_HANDLER(notifyCode, func) \
  WIN32_NOTIFY_ENTRY(::win32::Reflected(WM_NOTIFY), pnmh_->code == (UINT)(notifyCode), func)

#define CHAIN_MSG_MAP(theChainClass) \
  if (theChainClass::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult)) return TRUE;
#define CHAIN_MSG_MAP_ALT(theChainClass, mapId) \
  if (theChainClass::ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult, mapId)) return TRUE;
#define CHAIN_MSG_MAP_MEMBER(theChainMember) \
  if ((theChainMember).ProcessWindowMessage(hWnd, uMsg, wParam, lParam, lResult)) return TRUE;

// Sends notifications back to the control they came from (see CWindowImplRoot).
#define REFLECT_NOTIFICATIONS()                                           \
  {                                                                       \
    bHandled = TRUE;                                                      \
    lResult = this->ReflectNotifications(uMsg, wParam, lParam, bHandled); \
    if (bHandled) return TRUE;                                            \
  }

// In a control's map: reflected messages nobody handled get the answer the
// system would have given the parent.
#define DEFAULT_REFLECTION_HANDLER() \
  if (::win32::DefaultReflectionHandler(hWnd, uMsg, wParam, lParam, lResult)) return TRUE;

#define END_MSG_MAP() \
  break;              \
  default:            \
    break;            \
    }                 \
    return FALSE;     \
    }
