#include "toolkit/HyperLinker.h"

#include <commctrl.h>

#include "toolkit/Buttons.h"

namespace {

constexpr UINT_PTR kLinkSubclassId = 0x4C4E4B;  // one link per control

}  // namespace

CHyperLinker::CHyperLinker() : m_strAddress(L"https://www.mensaro.example/") {}

CHyperLinker::~CHyperLinker() = default;

BOOL CHyperLinker::Attach(HWND staticControl, const wchar_t* address) {
  HFONT font = reinterpret_cast<HFONT>(::SendMessageW(staticControl, WM_GETFONT, 0, 0));
  if (!font) return FALSE;
  LOGFONTW logFont{};
  if (!::GetObjectW(font, sizeof logFont, &logFont)) return FALSE;
  if (m_hWnd) Detach();
  logFont.lfUnderline = TRUE;
  m_hLinkFont = ::CreateFontIndirectW(&logFont);
  m_hBackBrush = ::CreateSolidBrush(::GetSysColor(COLOR_BTNFACE));
  wchar_t text[256] = {};
  ::GetWindowTextW(staticControl, text, 256);
  m_strText = text;
  m_hWnd = staticControl;
  // The subclass chain carries the object, so the control's own user data
  // stays the control's, and a 64-bit pointer is never cut.
  m_bSubclassed = ::SetWindowSubclass(staticControl, &CHyperLinker::LinkProc, kLinkSubclassId,
                                      reinterpret_cast<DWORD_PTR>(this)) != FALSE;
  if (address) m_strAddress = address;
  return TRUE;
}

BOOL CHyperLinker::Detach() {
  if (!m_hWnd) return FALSE;
  if (m_bSubclassed) ::RemoveWindowSubclass(m_hWnd, &CHyperLinker::LinkProc, kLinkSubclassId);
  m_bSubclassed = false;
  if (m_hLinkFont) ::DeleteObject(m_hLinkFont);
  if (m_hBackBrush) ::DeleteObject(m_hBackBrush);
  m_hLinkFont = nullptr;
  m_hBackBrush = nullptr;
  if (::IsWindow(m_hWnd)) ::InvalidateRect(m_hWnd, nullptr, TRUE);
  m_hWnd = nullptr;
  return TRUE;
}

void CHyperLinker::Paint(HDC dc) {
  RECT rc{};
  ::GetClientRect(m_hWnd, &rc);
  HGDIOBJ old = ::SelectObject(dc, m_hLinkFont);
  ::SetTextColor(dc, 0xFF0000);
  ::SetBkMode(dc, TRANSPARENT);
  ::DrawTextW(dc, m_strText.c_str(), static_cast<int>(m_strText.size()), &rc, DT_VCENTER);
  ::SelectObject(dc, old);
}

LRESULT CHyperLinker::OnMessage(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  switch (uMsg) {
    case WM_SETTEXT:
      m_strText = lParam ? reinterpret_cast<const wchar_t*>(lParam) : L"";
      break;
    case WM_PAINT:
    case WM_PRINTCLIENT:
      // A DC in wParam is painted into directly (WM_PRINTCLIENT, back buffers).
      if (wParam) {
        Paint(reinterpret_cast<HDC>(wParam));
      } else {
        PAINTSTRUCT ps;
        if (HDC dc = ::BeginPaint(hWnd, &ps)) Paint(dc);
        ::EndPaint(hWnd, &ps);
      }
      return 0;
    case WM_ERASEBKGND: {
      RECT rc{};
      ::GetClientRect(hWnd, &rc);
      ::FillRect(reinterpret_cast<HDC>(wParam), &rc, m_hBackBrush);
      break;
    }
    case WM_SETCURSOR:
      ::SetCursor(::LoadCursorW(nullptr, IDC_HAND));
      return 0;
    case WM_LBUTTONDOWN:
      AvlfOpenAddress(m_strAddress.c_str(), SW_SHOWNORMAL);
      break;
    case WM_NCDESTROY:
      // The window goes before its link was detached: forget it.
      ::RemoveWindowSubclass(hWnd, &CHyperLinker::LinkProc, kLinkSubclassId);
      m_bSubclassed = false;
      break;
    default:
      break;
  }
  return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
}

LRESULT CALLBACK CHyperLinker::LinkProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR refData) {
  auto* self = reinterpret_cast<CHyperLinker*>(refData);
  if (!self) return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
  return self->OnMessage(hWnd, uMsg, wParam, lParam);
}
