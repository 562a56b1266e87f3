// Dialog objects: a dialog from a resource or an in-memory template whose
// messages go to the object's message map.
#pragma once

#include <windows.h>

#include "win32/Window.h"

namespace win32 {

class CDialogImplRoot : public CWindow, public CMessageMap {
 public:
  CDialogImplRoot() = default;
  CDialogImplRoot(const CDialogImplRoot&) = delete;
  CDialogImplRoot& operator=(const CDialogImplRoot&) = delete;
  virtual ~CDialogImplRoot();

  // Modal from an in-memory template; returns what EndDialog was given, -1 on failure.
  INT_PTR DoModalIndirect(const DLGTEMPLATE* dialogTemplate, HWND parent, LPARAM initParam = 0);
  // Modeless from an in-memory template; the loop needs IsDialogMessage in a filter.
  HWND CreateIndirect(const DLGTEMPLATE* dialogTemplate, HWND parent, LPARAM initParam = 0);
  BOOL EndDialog(INT_PTR result) { return ::EndDialog(m_hWnd, result); }

  const MSG* GetCurrentMessage() const { return m_pCurrentMsg; }
  LRESULT ReflectNotifications(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    return ReflectNotificationsOf(m_hWnd, uMsg, wParam, lParam, bHandled);
  }
  // Called once WM_NCDESTROY and every message it was nested in have
  // returned; the object may delete itself (a modeless dialog closing).
  virtual void OnFinalMessage(HWND) {}

 protected:
  // Passed as the dialog's parameter; only its address is compared.
  struct CInitParams {
    CDialogImplRoot* self;
    LPARAM user;
  };
  INT_PTR DoModalResource(const wchar_t* resource, HWND parent, LPARAM initParam);
  HWND CreateResource(const wchar_t* resource, HWND parent, LPARAM initParam);
  static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

  // Makes hWnd this object's window (at WM_INITDIALOG).
  void BindWindow(HWND hWnd);
  // Runs the map on one message of the bound window and gives the dialog
  // manager its answer.
  INT_PTR DialogMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);

 private:
  template <class Start>
  auto RunBound(CInitParams& params, Start start);

  const MSG* m_pCurrentMsg = nullptr;
  bool m_bFinalPending = false;  // WM_NCDESTROY came inside another message
};

// T names its dialog resource as `enum { IDD = ... };`. Handlers of
// WM_INITDIALOG receive the caller's initParam as lParam; unhandled messages
// get the dialog manager's default processing.
template <class T>
class CDialogImpl : public CDialogImplRoot {
 public:
  INT_PTR DoModal(HWND parent = ::GetActiveWindow(), LPARAM initParam = 0) {
    return DoModalResource(MAKEINTRESOURCEW(T::IDD), parent, initParam);
  }
  HWND Create(HWND parent, LPARAM initParam = 0) { return CreateResource(MAKEINTRESOURCEW(T::IDD), parent, initParam); }
};

}  // namespace win32
