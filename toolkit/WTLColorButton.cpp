#include "toolkit/WTLColorButton.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

// Visual styles are optional: the theme functions are looked up at run time.
using OpenThemeDataFn = HANDLE(WINAPI*)(HWND, LPCWSTR);
using CloseThemeDataFn = HRESULT(WINAPI*)(HANDLE);
using DrawThemeBackgroundFn = HRESULT(WINAPI*)(HANDLE, HDC, int, int, const RECT*, const RECT*);
using GetThemeBackgroundContentRectFn = HRESULT(WINAPI*)(HANDLE, HDC, int, int, const RECT*, RECT*);

struct ThemeApi {
  OpenThemeDataFn open = nullptr;
  CloseThemeDataFn close = nullptr;
  DrawThemeBackgroundFn drawBackground = nullptr;
  GetThemeBackgroundContentRectFn contentRect = nullptr;
  bool Usable() const { return open && close && drawBackground && contentRect; }
};

template <class F>
F Lookup(HMODULE module, const char* name) {
  F f;
  FARPROC p = ::GetProcAddress(module, name);
  static_assert(sizeof f == sizeof p, "function pointer sizes");
  std::memcpy(&f, &p, sizeof f);
  return f;
}

const ThemeApi& Theme() {
  static const ThemeApi api = [] {
    ThemeApi a;
    if (HMODULE module = ::LoadLibraryW(L"uxtheme.dll")) {
      a.open = Lookup<OpenThemeDataFn>(module, "OpenThemeData");
      a.close = Lookup<CloseThemeDataFn>(module, "CloseThemeData");
      a.drawBackground = Lookup<DrawThemeBackgroundFn>(module, "DrawThemeBackground");
      a.contentRect = Lookup<GetThemeBackgroundContentRectFn>(module, "GetThemeBackgroundContentRect");
    }
    return a;
  }();
  return api;
}

bool WindowsAtLeast(int major, int minor) {
  const DWORD version = ::GetVersion();
  const int v0 = LOBYTE(LOWORD(version)), v1 = HIBYTE(LOWORD(version));
  return v0 > major || (v0 == major && v1 >= minor);
}

void Fill(HDC dc, const RECT& rc, COLORREF colour) {
  const COLORREF old = ::SetBkColor(dc, colour);
  ::ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &rc, nullptr, 0, nullptr);
  ::SetBkColor(dc, old);
}

wchar_t* Copy(const wchar_t* text) {
  const size_t n = wcslen(text) + 1;
  auto* copy = static_cast<wchar_t*>(std::malloc(n * sizeof(wchar_t)));
  if (copy) std::memcpy(copy, text, n * sizeof(wchar_t));
  return copy;
}

// The dialog asks for a hook; the default handling is all it needs.
UINT_PTR CALLBACK ColorDialogHook(HWND, UINT, WPARAM, LPARAM) { return 0; }

constexpr wchar_t kPickerClass[] = L"ColorPicker";
constexpr int kBlendMenu = 207, kBlendHighlight = 48;

}  // namespace

const ColorTableEntry CWTLColorButton::gm_sColors[kColorCount] = {
    {0x000000, L"Black"},
    {0x002AA5, L"Brown"},
    {0x404000, L"Dark Olive Green"},
    {0x005500, L"Dark Green"},
    {0x5E0000, L"Dark Teal"},
    {0x8B0000, L"Dark blue"},
    {0x82004B, L"Indigo"},
    {0x282828, L"Dark grey"},
    {0x00008B, L"Dark red"},
    {0x2068FF, L"Orange"},
    {0x008B8B, L"Dark yellow"},
    {0x009300, L"Green"},
    {0x8E8E38, L"Teal"},
    {0xFF0000, L"Blue"},
    {0xC07B7B, L"Blue-grey"},
    {0x666666, L"Grey - 40"},
    {0x0000FF, L"Red"},
    {0x5BADFF, L"Light orange"},
    {0x32CD32, L"Lime"},
    {0x71B33C, L"Sea green"},
    {0xD4FF7F, L"Aqua"},
    {0xC09E7D, L"Light blue"},
    {0x800080, L"Violet"},
    {0x7F7F7F, L"Grey - 50"},
    {0xCBC0FF, L"Pink"},
    {0x00D7FF, L"Gold"},
    {0x00FFFF, L"Yellow"},
    {0x00FF00, L"Bright green"},
    {0xD0E040, L"Turquoise"},
    {0xFFFFC0, L"Skyblue"},
    {0x480048, L"Plum"},
    {0xC0C0C0, L"Light grey"},
    {0xE1E4FF, L"Rose"},
    {0x8CB4D2, L"Tan"},
    {0xE0FFFF, L"Light yellow"},
    {0x98FB98, L"Pale green "},
    {0xEEEEAF, L"Pale turquoise"},
    {0x8B8368, L"Pale blue"},
    {0xFAE6E6, L"Lavender"},
    {0xFFFFFF, L"White"},
};

COLORREF CWTLColorButton::gm_clrCustom[16] = {0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
                                              0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF,
                                              0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF};

CWTLColorButton::CWTLColorButton()
    : m_clrDefault(::GetSysColor(COLOR_APPWORKSPACE)),
      m_pszDefaultText(Copy(L"Automatic")),
      m_pszCustomText(Copy(L"More Colors...")) {
  m_rectMargins = RECT{::GetSystemMetrics(SM_CXEDGE), ::GetSystemMetrics(SM_CYEDGE), ::GetSystemMetrics(SM_CXEDGE),
                       ::GetSystemMetrics(SM_CYEDGE)};
}

CWTLColorButton::~CWTLColorButton() {
  std::free(m_pszDefaultText);
  std::free(m_pszCustomText);
  if (m_hPalette) ::DeleteObject(m_hPalette);
  if (m_hFont) ::DeleteObject(m_hFont);
  CloseTheme();
}

BOOL CWTLColorButton::SubclassWindow(HWND button) {
  const LONG_PTR style = ::GetWindowLongPtrW(button, GWL_STYLE);
  if ((style & BS_OWNERDRAW) != BS_OWNERDRAW) ::SetWindowLongPtrW(button, GWL_STYLE, style | BS_OWNERDRAW);
  if (!CWindowImplCore::SubclassWindow(button)) return FALSE;
  OpenTheme();
  return TRUE;
}

void CWTLColorButton::OpenTheme() {
  CloseTheme();
  if (Theme().Usable()) m_hTheme = Theme().open(m_hWnd, L"Button");
}

void CWTLColorButton::CloseTheme() {
  if (m_hTheme && Theme().close) Theme().close(m_hTheme);
  m_hTheme = nullptr;
}

LRESULT CWTLColorButton::OnThemeCreate(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  OpenTheme();
  bHandled = FALSE;
  return 0;
}

LRESULT CWTLColorButton::OnThemeChanged(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  OpenTheme();
  bHandled = FALSE;
  return 0;
}

LRESULT CWTLColorButton::OnThemeDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  CloseTheme();
  bHandled = FALSE;
  return 0;
}

LRESULT CWTLColorButton::OnMouseMove(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  if (!m_fMouseOver) {
    m_fMouseOver = TRUE;
    TRACKMOUSEEVENT track{};
    track.cbSize = sizeof track;
    track.dwFlags = TME_LEAVE;
    track.hwndTrack = m_hWnd;
    ::TrackMouseEvent(&track);
    Invalidate(FALSE);
  }
  bHandled = FALSE;
  return 0;
}

LRESULT CWTLColorButton::OnMouseLeave(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  if (m_fMouseOver) {
    m_fMouseOver = FALSE;
    Invalidate(FALSE);
  }
  bHandled = FALSE;
  return 0;
}

LRESULT CWTLColorButton::OnDrawItem(UINT, WPARAM, LPARAM lParam, BOOL&) {
  DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
  return TRUE;
}

LRESULT CWTLColorButton::OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
  if (HIWORD(wParam) != BN_CLICKED) {
    bHandled = FALSE;
    return 0;
  }
  OnClicked();
  return 0;
}

void CWTLColorButton::DrawItem(const DRAWITEMSTRUCT* item) {
  HDC dc = item->hDC;
  const int saved = ::SaveDC(dc);
  RECT rc = item->rcItem;
  const UINT state = item->itemState;
  const bool selected = (state & ODS_SELECTED) != 0, disabled = (state & ODS_DISABLED) != 0;
  if (m_hTheme) {
    int themeState = selected ? 3 : 0;
    if (disabled) themeState |= 4;
    if ((state & ODS_HOTLIGHT) || m_fMouseOver)
      themeState |= 2;
    else if (state & ODS_DEFAULT)
      themeState |= 5;
    Theme().drawBackground(m_hTheme, dc, 1, themeState, &rc, nullptr);
    Theme().contentRect(m_hTheme, dc, 1, themeState, &rc, &rc);
  } else {
    UINT flags = DFCS_BUTTONPUSH | DFCS_ADJUSTRECT;
    if (selected) flags |= DFCS_PUSHED;
    if (disabled) flags |= DFCS_INACTIVE;
    ::DrawFrameControl(dc, &rc, DFC_BUTTON, flags);
    if (selected || m_fPopupActive) ::OffsetRect(&rc, 1, 1);
  }
  if ((state & ODS_FOCUS) || m_fPopupActive) {
    RECT focus{rc.left, rc.top, rc.right - 1, rc.bottom};
    ::DrawFocusRect(dc, &focus);
  }
  const int cx = ::GetSystemMetrics(SM_CXEDGE), cy = ::GetSystemMetrics(SM_CYEDGE);
  ::InflateRect(&rc, -cx, -cy);

  const int x = rc.right - cx / 2, y = (rc.top + rc.bottom) / 2;
  const POINT arrow[3] = {{x - 4, y - 1}, {x, y - 1}, {x - 2, y + 1}};
  const COLORREF ink = disabled ? ::GetSysColor(COLOR_GRAYTEXT) : RGB(0, 0, 0);
  HBRUSH brush = ::CreateSolidBrush(ink);
  HPEN pen = ::CreatePen(PS_SOLID, 0, ink);
  HGDIOBJ oldBrush = ::SelectObject(dc, brush), oldPen = ::SelectObject(dc, pen);
  ::Polygon(dc, arrow, 3);
  ::SelectObject(dc, oldBrush);
  ::SelectObject(dc, oldPen);
  ::DeleteObject(brush);
  ::DeleteObject(pen);

  rc.right = x - 4 - cx / 2;
  ::DrawEdge(dc, &rc, EDGE_ETCHED, BF_RIGHT);
  rc.right -= 2 * cx + 1;
  if (!disabled) {
    Fill(dc, rc, m_clrCurrent == CLR_DEFAULT ? m_clrDefault : m_clrCurrent);
    ::FrameRect(dc, &rc, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
  }
  ::RestoreDC(dc, saved);
}

void CWTLColorButton::SendNotification(UINT code, COLORREF colour, BOOL valid) {
  ColorPickNotify nm{};
  nm.hdr.hwndFrom = m_hWnd;
  nm.hdr.idFrom = static_cast<UINT_PTR>(::GetDlgCtrlID(m_hWnd));
  nm.hdr.code = code;
  nm.bValid = valid;
  nm.clr = colour;
  ::SendMessageW(::GetParent(m_hWnd), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
}

void CWTLColorButton::OnClicked() {
  m_fPopupActive = TRUE;
  Invalidate(FALSE);
  SendNotification(COLORPICK_OPENED, m_clrCurrent, TRUE);
  const COLORREF before = m_clrCurrent;
  const BOOL picked = RunPicker();
  m_fPopupActive = FALSE;
  if (picked) {
    if (m_clrCurrent != before) SendNotification(COLORPICK_CHANGED, m_clrCurrent, TRUE);
    SendNotification(COLORPICK_CLOSED, m_clrCurrent, TRUE);
    SendNotification(COLORPICK_PICKED, m_clrCurrent, TRUE);
  } else {
    SendNotification(COLORPICK_CLOSED, m_clrCurrent, TRUE);
    SendNotification(COLORPICK_CANCELLED, m_clrCurrent, TRUE);
  }
  if (::IsWindow(m_hWnd)) Invalidate(FALSE);
}

int CWTLColorButton::StepEntry(int entry, int step, int count) {
  if (entry == kNone) return step > 0 ? kAutomatic : kCustom;
  if (entry == kAutomatic) return step > 0 ? 0 : kCustom;
  if (entry == kCustom) return step > 0 ? kAutomatic : count - 1;
  const int next = entry + step;
  if (next < 0) return kAutomatic;
  if (next >= count) return kCustom;
  return next;
}

BOOL CWTLColorButton::RunPicker() {
  // A popup that never opens chooses nothing, whatever the last one chose.
  m_fOkay = FALSE;
  const bool xp = WindowsAtLeast(5, 1);
  BOOL flag = FALSE;
  m_fPickerFlat = xp && ::SystemParametersInfoW(SPI_GETFLATMENU, 0, &flag, 0) && flag;
  m_clrBackground = ::GetSysColor(COLOR_MENU);
  m_clrHiLightBorder = ::GetSysColor(COLOR_HIGHLIGHT);
  m_clrHiLight = ::GetSysColor(COLOR_HIGHLIGHT);
  m_clrHiLightText = ::GetSysColor(COLOR_HIGHLIGHTTEXT);
  m_clrText = ::GetSysColor(COLOR_MENUTEXT);
  m_clrLoLight = RGB((GetRValue(m_clrBackground) * kBlendMenu + GetRValue(m_clrHiLight) * kBlendHighlight) / 256,
                     (GetGValue(m_clrBackground) * kBlendMenu + GetGValue(m_clrHiLight) * kBlendHighlight) / 256,
                     (GetBValue(m_clrBackground) * kBlendMenu + GetBValue(m_clrHiLight) * kBlendHighlight) / 256);
  m_rectMargins = RECT{::GetSystemMetrics(SM_CXEDGE), ::GetSystemMetrics(SM_CYEDGE), ::GetSystemMetrics(SM_CXEDGE),
                       ::GetSystemMetrics(SM_CYEDGE)};
  m_clrPicker = m_clrCurrent;
  m_nNumColors = kColorCount;
  m_nNumRows = (m_nNumColors + m_nNumColumns - 1) / m_nNumColumns;
  m_nHotEntry = m_nCurrentEntry = kNone;

  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  if (m_hFont) ::DeleteObject(m_hFont);
  m_hFont = ::CreateFontIndirectW(&metrics.lfMessageFont);
  std::vector<BYTE> paletteBlock(sizeof(LOGPALETTE) + kColorCount * sizeof(PALETTEENTRY));
  auto* palette = reinterpret_cast<LOGPALETTE*>(paletteBlock.data());
  palette->palVersion = 0x300;
  palette->palNumEntries = kColorCount;
  for (int i = 0; i < kColorCount; ++i)
    palette->palPalEntry[i] = PALETTEENTRY{GetRValue(gm_sColors[i].clrColor), GetGValue(gm_sColors[i].clrColor),
                                           GetBValue(gm_sColors[i].clrColor), 0};
  if (m_hPalette) ::DeleteObject(m_hPalette);
  m_hPalette = ::CreatePalette(palette);

  HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_VREDRAW | CS_HREDRAW | CS_CLASSDC | CS_SAVEBITS;
  BOOL shadow = FALSE;
  if (xp && ::SystemParametersInfoW(SPI_GETDROPSHADOW, 0, &shadow, 0) && shadow) wc.style |= CS_DROPSHADOW;
  wc.lpfnWndProc = &PickerProc;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_MENU + 1);
  wc.lpszClassName = kPickerClass;
  const bool registered = ::RegisterClassExW(&wc) != 0;

  RECT button{};
  ::GetWindowRect(m_hWnd, &button);
  m_hPicker = ::CreateWindowExW(0, kPickerClass, L"", WS_POPUP, button.left, button.bottom, 100, 100,
                                ::GetParent(m_hWnd), nullptr, instance, this);
  if (m_hPicker) {
    LayoutPicker();
    HWND tooltip =
        ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hPicker, nullptr, instance, nullptr);
    if (tooltip) {
      for (int i = 0; i < m_nNumColors; ++i) {
        TTTOOLINFOW tool{};
        tool.cbSize = WindowsAtLeast(6, 0) ? sizeof tool : TTTOOLINFOW_V2_SIZE;
        tool.hwnd = m_hPicker;
        tool.uId = static_cast<UINT_PTR>(i) + 1;
        EntryRect(i, &tool.rect);
        tool.lpszText = const_cast<wchar_t*>(gm_sColors[i].pszName);
        ::SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
      }
    }

    if (m_clrCurrent == CLR_DEFAULT) {
      m_nCurrentEntry = kAutomatic;
    } else {
      m_nCurrentEntry = kCustom;
      for (int i = 0; i < m_nNumColors; ++i)
        if (gm_sColors[i].clrColor == m_clrCurrent) {
          m_nCurrentEntry = i;
          break;
        }
    }

    ::ShowWindow(m_hPicker, SW_SHOWNA);
    MSG msg;
    while (::PeekMessageW(&msg, m_hPicker, WM_PAINT, WM_PAINT, PM_REMOVE)) ::DispatchMessageW(&msg);
    ::SetCapture(m_hPicker);

    while (::GetCapture() == m_hPicker) {
      if (!::GetMessageW(&msg, nullptr, 0, 0)) {
        ::PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      if (tooltip) ::SendMessageW(tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
      switch (msg.message) {
        case WM_MOUSEMOVE:
        case WM_LBUTTONUP: {
          POINT pt{static_cast<short>(LOWORD(msg.lParam)), static_cast<short>(HIWORD(msg.lParam))};
          if (msg.hwnd && msg.hwnd != m_hPicker) ::MapWindowPoints(msg.hwnd, m_hPicker, &pt, 1);
          const int hit = HitTest(pt);
          if (hit != m_nHotEntry) SetHotEntry(hit);
          if (msg.message == WM_LBUTTONUP) {
            ::ReleaseCapture();
            m_fOkay = hit != kNone;
          }
          break;
        }
        case WM_RBUTTONDOWN:
          ::ReleaseCapture();
          m_fOkay = FALSE;
          break;
        case WM_KEYDOWN:
          switch (msg.wParam) {
            case VK_RETURN:
            case VK_SPACE:
              if (m_nHotEntry == kNone) m_clrPicker = m_clrCurrent;
              ::ReleaseCapture();
              m_fOkay = m_nHotEntry != kNone;
              break;
            case VK_ESCAPE:
              m_clrPicker = m_clrCurrent;
              ::ReleaseCapture();
              m_fOkay = FALSE;
              break;
            case VK_LEFT:
              SetHotEntry(StepEntry(m_nHotEntry, -1, m_nNumColors));
              break;
            case VK_RIGHT:
              SetHotEntry(StepEntry(m_nHotEntry, 1, m_nNumColors));
              break;
            case VK_UP:
              SetHotEntry(StepEntry(m_nHotEntry, -m_nNumColumns, m_nNumColors));
              break;
            case VK_DOWN:
              SetHotEntry(StepEntry(m_nHotEntry, m_nNumColumns, m_nNumColors));
              break;
            default:
              break;
          }
          break;
        case WM_KEYUP:
          break;
        default:
          ::DispatchMessageW(&msg);
          break;
      }
    }
    ::ReleaseCapture();
    if (tooltip) ::DestroyWindow(tooltip);
    ::DestroyWindow(m_hPicker);
    m_hPicker = nullptr;

    if (m_fOkay) {
      if (m_nHotEntry == kCustom) {
        CHOOSECOLORW cc{};
        cc.lStructSize = sizeof cc;
        cc.hwndOwner = m_hWnd;
        cc.lpCustColors = gm_clrCustom;
        cc.Flags = CC_FULLOPEN | CC_ENABLEHOOK | CC_ANYCOLOR;
        cc.lpfnHook = &ColorDialogHook;
        if (m_clrCurrent != 0) {
          cc.Flags |= CC_RGBINIT;
          cc.rgbResult = m_clrCurrent;
        }
        if (::ChooseColorW(&cc))
          m_clrCurrent = cc.rgbResult;
        else
          m_fOkay = FALSE;
      } else {
        m_clrCurrent = m_clrPicker;
      }
    }
  }

  if (m_hFont) ::DeleteObject(m_hFont);
  m_hFont = nullptr;
  if (m_hPalette) ::DeleteObject(m_hPalette);
  m_hPalette = nullptr;
  if (registered) ::UnregisterClassW(kPickerClass, instance);
  return m_fOkay;
}

void CWTLColorButton::LayoutPicker() {
  HDC dc = ::GetDC(m_hPicker);
  HGDIOBJ oldFont = ::SelectObject(dc, m_hFont);
  SIZE custom{}, automatic{};
  ::GetTextExtentPoint32W(dc, m_pszCustomText, static_cast<int>(wcslen(m_pszCustomText)), &custom);
  ::GetTextExtentPoint32W(dc, m_pszDefaultText, static_cast<int>(wcslen(m_pszDefaultText)), &automatic);
  ::SelectObject(dc, oldFont);
  ::ReleaseDC(m_hPicker, dc);
  const int textWidth = std::max(custom.cx, automatic.cx) + 10;
  const int textHeight = std::max(custom.cy, automatic.cy) + 10;

  const int grid = m_nNumColumns * m_sizeBox.cx;
  const int width = std::max(grid, textWidth);
  m_rectDefaultText = RECT{0, 0, width, textHeight};
  m_rectBoxes.left = (width - grid) / 2;
  m_rectBoxes.top = m_rectDefaultText.bottom;
  m_rectBoxes.right = m_rectBoxes.left + grid;
  m_rectBoxes.bottom = m_rectBoxes.top + m_nNumRows * m_sizeBox.cy;
  m_rectCustomText = RECT{0, m_rectBoxes.bottom, width, m_rectBoxes.bottom + textHeight};
  for (RECT* r : {&m_rectDefaultText, &m_rectBoxes, &m_rectCustomText})
    ::OffsetRect(r, m_rectMargins.left, m_rectMargins.top);

  RECT window{};
  ::GetWindowRect(m_hPicker, &window);
  window.right = window.left + width + m_rectMargins.left + m_rectMargins.right;
  window.bottom = window.top + m_rectCustomText.bottom + m_rectMargins.bottom;

  RECT area{0, 0, ::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (::GetMonitorInfoW(::MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTONEAREST), &info)) area = info.rcWork;
  const int w = window.right - window.left, h = window.bottom - window.top;
  if (window.right > area.right)
    ::OffsetRect(&window, area.right - window.right, 0);
  else if (window.left < area.left)
    ::OffsetRect(&window, area.left - window.left, 0);
  if (window.bottom > area.bottom) {
    RECT button{};
    ::GetWindowRect(m_hWnd, &button);
    window.top = button.top - h;
    window.bottom = button.top;
  }
  ::MoveWindow(m_hPicker, window.left, window.top, w, h, TRUE);
}

int CWTLColorButton::HitTest(POINT pt) const {
  if (::PtInRect(&m_rectCustomText, pt)) return kCustom;
  if (::PtInRect(&m_rectDefaultText, pt)) return kAutomatic;
  if (!::PtInRect(&m_rectBoxes, pt)) return kNone;
  const int row = (pt.y - m_rectBoxes.top) / m_sizeBox.cy;
  const int column = (pt.x - m_rectBoxes.left) / m_sizeBox.cx;
  const int index = column + row * m_nNumColumns;
  return index < m_nNumColors ? index : kNone;
}

bool CWTLColorButton::EntryRect(int entry, RECT* rect) const {
  if (entry == kCustom) {
    *rect = m_rectCustomText;
  } else if (entry == kAutomatic) {
    *rect = m_rectDefaultText;
  } else if (entry >= 0 && entry < m_nNumColors) {
    const int x = m_rectBoxes.left + (entry % m_nNumColumns) * m_sizeBox.cx;
    const int y = m_rectBoxes.top + (entry / m_nNumColumns) * m_sizeBox.cy;
    *rect = RECT{x, y, x + m_sizeBox.cx, y + m_sizeBox.cy};
  } else {
    return false;
  }
  return true;
}

void CWTLColorButton::SetHotEntry(int entry) {
  if (entry >= m_nNumColors) entry = kCustom;
  const int old = m_nHotEntry;
  m_nHotEntry = entry;
  if (entry >= 0)
    m_clrPicker = gm_sColors[entry].clrColor;
  else if (entry == kAutomatic)
    m_clrPicker = CLR_DEFAULT;
  if (!m_hPicker) return;
  HDC dc = ::GetDC(m_hPicker);
  if (old != kNone) DrawEntry(dc, old, false, old == m_nCurrentEntry);
  if (entry != kNone) DrawEntry(dc, entry, true, entry == m_nCurrentEntry);
  ::ReleaseDC(m_hPicker, dc);
}

void CWTLColorButton::DrawEntry(HDC dc, int entry, bool hot, bool current) {
  RECT rc{};
  if (!EntryRect(entry, &rc)) return;
  const bool text = entry < 0;
  const int outer = text ? 2 : 0, inner = text ? 3 : 2;
  if (hot || current) {
    if (outer > 0) {
      Fill(dc, rc, m_clrBackground);
      ::InflateRect(&rc, -outer, -outer);
    }
    Fill(dc, rc, m_clrHiLightBorder);
    ::InflateRect(&rc, -1, -1);
    Fill(dc, rc, hot ? m_clrHiLight : m_clrLoLight);
    ::InflateRect(&rc, -(inner - 1), -(inner - 1));
  } else {
    Fill(dc, rc, m_clrBackground);
    ::InflateRect(&rc, -(outer + inner), -(outer + inner));
  }
  if (text) {
    const int mode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = ::SetTextColor(dc, hot ? m_clrHiLightText : m_clrText);
    HGDIOBJ oldFont = ::SelectObject(dc, m_hFont);
    ::DrawTextW(dc, entry == kCustom ? m_pszCustomText : m_pszDefaultText, -1, &rc,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    ::SelectObject(dc, oldFont);
    ::SetTextColor(dc, oldColour);
    ::SetBkMode(dc, mode);
    return;
  }
  Fill(dc, rc, ::GetSysColor(COLOR_BTNSHADOW));
  ::InflateRect(&rc, -1, -1);
  HPALETTE oldPalette = nullptr;
  const bool paletteDevice = m_hPalette && (::GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE);
  if (paletteDevice) {
    oldPalette = ::SelectPalette(dc, m_hPalette, FALSE);
    ::RealizePalette(dc);
  }
  Fill(dc, rc, gm_sColors[entry].clrColor);
  if (paletteDevice) ::SelectPalette(dc, oldPalette, FALSE);
}

LRESULT CWTLColorButton::OnPickerPaint(UINT, WPARAM, LPARAM, BOOL&) {
  PAINTSTRUCT ps;
  HDC dc = ::BeginPaint(m_hPicker, &ps);
  RECT client{};
  ::GetClientRect(m_hPicker, &client);
  if (m_fPickerFlat) {
    HBRUSH frame = ::CreateSolidBrush(::GetSysColor(COLOR_GRAYTEXT));
    ::FrameRect(dc, &client, frame);
    ::DeleteObject(frame);
  } else {
    ::DrawEdge(dc, &client, EDGE_RAISED, BF_RECT);
  }
  DrawEntry(dc, kAutomatic, m_nHotEntry == kAutomatic, m_nCurrentEntry == kAutomatic);
  for (int i = 0; i < m_nNumColors; ++i) DrawEntry(dc, i, m_nHotEntry == i, m_nCurrentEntry == i);
  DrawEntry(dc, kCustom, m_nHotEntry == kCustom, m_nCurrentEntry == kCustom);
  ::EndPaint(m_hPicker, &ps);
  return 0;
}

LRESULT CWTLColorButton::OnPickerQueryNewPalette(UINT, WPARAM, LPARAM, BOOL& bHandled) {
  Invalidate(FALSE);
  bHandled = FALSE;
  return 0;
}

LRESULT CWTLColorButton::OnPickerPaletteChanged(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
  if (reinterpret_cast<HWND>(wParam) != m_hWnd) Invalidate(FALSE);
  bHandled = FALSE;
  return 0;
}

LRESULT CALLBACK CWTLColorButton::PickerProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam) {
  if (uMsg == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    ::SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* button = reinterpret_cast<CWTLColorButton*>(::GetWindowLongPtrW(hWnd, GWLP_USERDATA));
  LRESULT result = 0;
  if (button && button->m_hPicker == hWnd && button->ProcessWindowMessage(hWnd, uMsg, wParam, lParam, result, 1))
    return result;
  return ::DefWindowProcW(hWnd, uMsg, wParam, lParam);
}
