// The skinned button family: owner-drawn superclasses of the native button
// that share hot tracking, the state taken from draw requests, the grey
// background and the reflected click. The icon button draws its text in its
// skin font, the text-and-image button FontAwesome glyphs and a text, the
// geometry button a figure glyph, the colour button a framed swatch.
#pragma once

// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <commctrl.h>
// clang-format on

#include <cstdint>
#include <string>

#include "toolkit/GeometryGlyph.h"
#include "toolkit/SkinWindow.h"
#include "toolkit/StyleNames.h"
#include "toolkit/TextLayout.h"
#include "win32/Controls.h"

// The names of the skin attribute Layout.
extern const StyleNameEntry LayoutNameTable[];
extern const size_t kLayoutNameCount;

enum AvlfLayoutOrder : uint32_t {
  ORDER_H_TEXT_IMAGE = 0,
  ORDER_H_IMAGE_TEXT = 0x1,
  ORDER_V_TEXT_IMAGE = 0x2,
  ORDER_V_IMAGE_TEXT = 0x4,
};

// ORs the values of the '|'-joined names; blanks are skipped, unknown names
// and tokens of 64 characters or more add nothing.
uint32_t ParseLayoutNames(const wchar_t* value);

// The text key's text for the attribute Url, cut at 259 characters; empty
// when the element has no Url or the skin lacks the key.
std::wstring ReadSkinUrl(const AvlfUiWindow* element);

// Opens a web address; tests replace it so that no browser starts.
using AvlfShellOpen = void (*)(const wchar_t* address, int showCommand);
void SetAvlfShellOpen(AvlfShellOpen open);
void AvlfOpenAddress(const wchar_t* address, int showCommand = SW_SHOWMAXIMIZED);

// Paints through a memory DC of the item rectangle's size.
class AvlfItemCanvas {
 public:
  explicit AvlfItemCanvas(const DRAWITEMSTRUCT* item);
  AvlfItemCanvas(const AvlfItemCanvas&) = delete;
  AvlfItemCanvas& operator=(const AvlfItemCanvas&) = delete;
  ~AvlfItemCanvas();  // copies the picture to the item's DC
  HDC dc() const { return m_dc; }
  int width() const { return m_width; }
  int height() const { return m_height; }

 private:
  const DRAWITEMSTRUCT* m_item;
  HDC m_dc = nullptr;
  HBITMAP m_bitmap = nullptr;
  HGDIOBJ m_old = nullptr;
  int m_width = 0;
  int m_height = 0;
};

constexpr Gdiplus::ARGB kButtonPressed = 0xFF005098;
constexpr Gdiplus::ARGB kButtonHot = 0xFF007AE0;
constexpr Gdiplus::ARGB kButtonNormal = 0xFF404040;
constexpr Gdiplus::ARGB kButtonDisabled = 0xFF808080;
constexpr Gdiplus::ARGB kButtonSelectedFill = 0xFFC9DEF5;

// What every member of the family shares. T supplies OnCreate and OnDrawItem.
template <class T>
class AvlfButtonFamily : public AvlfWindowImpl<T, win32::CButtonT<AvlfWindowBase>>, public CTransparentImpl<T> {
 public:
  // Each member's own map relays the mouse to the tooltip first, then
  // chains here.
  BEGIN_MSG_MAP(AvlfButtonFamily)
  MESSAGE_HANDLER(WM_LBUTTONDBLCLK, OnDoubleClick)
  MESSAGE_HANDLER(WM_CREATE, OnCreateMessage)
  MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
  MESSAGE_HANDLER(WM_ACTIVATE, OnActivate)
  MESSAGE_HANDLER(WM_ENABLE, OnEnable)
  MESSAGE_HANDLER(WM_KILLFOCUS, OnLoseHot)
  MESSAGE_HANDLER(WM_CANCELMODE, OnLoseHot)
  MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
  MESSAGE_HANDLER(WM_CAPTURECHANGED, OnCaptureChanged)
  MESSAGE_HANDLER(win32::Reflected(WM_DRAWITEM), OnDrawItemMessage)
  MESSAGE_HANDLER(win32::Reflected(WM_CTLCOLORBTN), OnCtlColorButton)
  END_MSG_MAP()

  // The grey under every button that is not transparent.
  void OnDrawBackground(HDC dc, RECT* rect) {
    HBRUSH brush = ::CreateSolidBrush(0x808080);
    ::FillRect(dc, rect, brush);
    ::DeleteObject(brush);
  }
  // A 3-D frame; no member of the family draws one.
  void OnDrawBorder(HDC dc, RECT* rect) {
    const COLORREF light = ::GetSysColor(COLOR_BTNHIGHLIGHT), dark = ::GetSysColor(COLOR_BTNSHADOW);
    HPEN pen1 = ::CreatePen(PS_SOLID, 1, m_bPressed ? dark : light);
    HPEN pen2 = ::CreatePen(PS_SOLID, 1, m_bPressed ? light : dark);
    HGDIOBJ old = ::SelectObject(dc, pen1);
    ::MoveToEx(dc, rect->left, rect->bottom - 1, nullptr);
    ::LineTo(dc, rect->left, rect->top);
    ::LineTo(dc, rect->right - 1, rect->top);
    ::SelectObject(dc, pen2);
    ::LineTo(dc, rect->right - 1, rect->bottom - 1);
    ::LineTo(dc, rect->left - 1, rect->bottom - 1);
    ::SelectObject(dc, old);
    ::DeleteObject(pen1);
    ::DeleteObject(pen2);
  }

  bool IsHot() const { return m_bHot; }
  bool IsCheckBox() const { return m_bCheckBox; }

  BOOL m_bMsgHandled = FALSE;
  bool m_bHot = false;
  bool m_bPressed = false;
  bool m_bFocused = false;
  bool m_bDisabled = false;
  bool m_bCheckBox = false;
  bool m_bChecked = false;

 protected:
  // Keeps the capture while the mouse is over the button; whether losing
  // it clears hot differs between members.
  static constexpr bool kCaptureLossClearsHot = true;

  void Repaint() {
    if (this->m_hWnd) ::InvalidateRect(this->m_hWnd, nullptr, FALSE);
  }
  void DropHot() {
    if (!m_bHot) return;
    m_bHot = false;
    Repaint();
  }
  // Creation steps every member shares: the tooltip, the check-box bit of
  // the style and the owner-draw type.
  void FinishCreation(bool readsCheckBox) {
    if (!this->m_strToolTip.empty()) this->SetToolTipText(this->m_strToolTip.c_str());
    const LONG_PTR style = ::GetWindowLongPtrW(this->m_hWnd, GWL_STYLE);
    if (readsCheckBox) m_bCheckBox = (style & 0x2) != 0;
    if ((style & BS_OWNERDRAW) != BS_OWNERDRAW) ::SetWindowLongPtrW(this->m_hWnd, GWL_STYLE, style | BS_OWNERDRAW);
  }
  // State bits of a draw request; a checked check button counts as pressed.
  void TakeItemState(const DRAWITEMSTRUCT* item) {
    m_bPressed = (item->itemState & ODS_SELECTED) || (m_bCheckBox && m_bChecked);
    m_bFocused = (item->itemState & ODS_FOCUS) != 0;
    m_bDisabled = (item->itemState & ODS_DISABLED) != 0;
  }
  void PaintBackground(HDC dc, RECT client) {
    if (this->m_bTransparent && CopyTransparentBackground(*this, dc)) return;
    if (!this->m_bTransparent) static_cast<T*>(this)->OnDrawBackground(dc, &client);
  }
  void FillSelected(Gdiplus::Graphics& g, const RECT& client) {
    Gdiplus::SolidBrush brush{Gdiplus::Color(kButtonSelectedFill)};
    g.FillRectangle(&brush, 2, 2, static_cast<INT>(client.right - 5), static_cast<INT>(client.bottom - 5));
  }

  // The double-click is relayed as the press it becomes (OnDoubleClick).
  LRESULT OnRelayToolTip(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    if (this->m_wndToolTip && uMsg != WM_LBUTTONDBLCLK) {
      MSG msg{this->m_hWnd, uMsg, wParam, lParam, 0, {}};
      ::SendMessageW(this->m_wndToolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
    }
    bHandled = FALSE;
    return 0;
  }
  // A double-click is a second press, so it gives a second click.
  LRESULT OnDoubleClick(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
    LRESULT result = 0;
    if (!static_cast<T*>(this)->ProcessWindowMessage(this->m_hWnd, WM_LBUTTONDOWN, wParam, lParam, result, 0))
      result = this->DefWindowProc(WM_LBUTTONDOWN, wParam, lParam);
    return result;
  }
  LRESULT OnCreateMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    this->OnCreate(uMsg, wParam, lParam, bHandled);
    static_cast<T*>(this)->OnCreateButton();
    return 0;
  }
  LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL&) { return 1; }
  LRESULT OnActivate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
    const LRESULT result = this->DefWindowProc(uMsg, wParam, lParam);
    if (LOWORD(wParam) == WA_INACTIVE) DropHot();
    return result;
  }
  LRESULT OnEnable(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
    const LRESULT result = this->DefWindowProc(uMsg, wParam, lParam);
    if (!wParam) DropHot();
    return result;
  }
  LRESULT OnLoseHot(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
    const LRESULT result = this->DefWindowProc(uMsg, wParam, lParam);
    DropHot();
    return result;
  }
  LRESULT OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
    const LRESULT result = this->DefWindowProc(uMsg, wParam, lParam);
    if ((wParam & MK_LBUTTON) && !m_bHot) return result;
    if (::GetCapture() != this->m_hWnd && ::GetActiveWindow() && ::IsWindow(::GetParent(this->m_hWnd))) {
      m_bHot = true;
      ::SetCapture(this->m_hWnd);
      Repaint();
      return result;
    }
    POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ::ClientToScreen(this->m_hWnd, &pt);
    HWND under = ::WindowFromPoint(pt);
    if (!under || under == this->m_hWnd) return result;
    DropHot();
    if (!(wParam & MK_LBUTTON)) ::ReleaseCapture();
    return result;
  }
  LRESULT OnCaptureChanged(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
    if (m_bHot) {
      if (T::kCaptureLossClearsHot) {
        DropHot();
      } else {
        ::ReleaseCapture();
        Repaint();
      }
    }
    return this->DefWindowProc(uMsg, wParam, lParam);
  }
  LRESULT OnDrawItemMessage(UINT, WPARAM, LPARAM lParam, BOOL&) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (!item) return TRUE;
    AvlfItemCanvas canvas(item);
    if (canvas.dc()) {
      ::SetBkMode(canvas.dc(), TRANSPARENT);
      static_cast<T*>(this)->OnDrawItem(item, canvas);
    }
    return TRUE;
  }
  LRESULT OnCtlColorButton(UINT, WPARAM, LPARAM, BOOL&) {
    return reinterpret_cast<LRESULT>(::GetStockObject(NULL_BRUSH));
  }

  // Shared by the icon and geometry buttons: the client rectangle of the
  // last WM_SIZE, and the click that toggles a check button.
  RECT m_rcClient{};
  LRESULT OnSizeClient(UINT, WPARAM, LPARAM lParam, BOOL&) {
    m_rcClient = RECT{0, 0, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    this->m_bLayoutValid = false;
    Repaint();
    return 0;
  }
  // Runs the click action of a reflected BN_CLICKED; other codes get the
  // native processing.
  LRESULT OnReflectedCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
    if (HIWORD(wParam) != BN_CLICKED) return this->DefWindowProc(uMsg, wParam, lParam);
    if (m_bCheckBox) {
      m_bChecked = !m_bChecked;
      Repaint();
    } else {
      static_cast<T*>(this)->OpenAddress();
    }
    return 0;
  }
  LRESULT OnSetTextMessage(UINT, WPARAM, LPARAM lParam, BOOL&) {
    const auto* text = reinterpret_cast<const wchar_t*>(lParam);
    this->m_strText = text ? text : L"";
    Repaint();
    return 0;
  }
  void OpenAddress() {}
};

// Text (or a row of icon-font glyphs) in the skin font; a check button shows
// one of two glyphs; can be marked as the selected tool.
class AvlfIconBtn : public AvlfButtonFamily<AvlfIconBtn> {
  using Family = AvlfButtonFamily<AvlfIconBtn>;

 public:
  DECLARE_WND_SUPERCLASS(L"AvlfIconBtn", L"BUTTON")
  AvlfIconBtn();
  ~AvlfIconBtn() override;

  BEGIN_MSG_MAP(AvlfIconBtn)
  MESSAGE_RANGE_HANDLER(WM_MOUSEFIRST, 0x020D, OnRelayToolTip)
  MESSAGE_HANDLER(WM_SIZE, OnSizeClient)
  MESSAGE_HANDLER(WM_SETTEXT, OnSetTextMessage)
  MESSAGE_HANDLER(WM_KEYDOWN, OnKeyDown)
  MESSAGE_HANDLER(WM_RBUTTONDOWN, OnRightButtonDown)
  MESSAGE_HANDLER(win32::Reflected(WM_COMMAND), OnReflectedCommand)
  CHAIN_MSG_MAP(Family)
  END_MSG_MAP()

  bool GetCheck() const { return m_bChecked; }
  void SetCheck(bool check, bool repaint);
  void SetSelected(bool selected);
  bool GetSelected() const { return m_bSelected; }

  void OnCreateButton();
  void OnDrawItem(const DRAWITEMSTRUCT* item, AvlfItemCanvas& canvas);
  void OpenAddress();
  // The characters drawn now: the whole text, or one glyph of a check button.
  std::wstring ShownText() const;
  // The colour the text takes in the current state.
  Gdiplus::ARGB TextColour() const;
  LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnRightButtonDown(UINT, WPARAM wParam, LPARAM lParam, BOOL&);

  uint32_t m_dwLayout = 0;
  bool m_bSelected = false;
  bool m_bClearType = false;
  wchar_t m_szUrl[260] = {};
  Gdiplus::StringFormat* m_pFormat = nullptr;
  int m_nRepaints = 0;  // repaint requests made by SetSelected; read by tests
};

// FontAwesome glyphs from IconChar at the left, then the text.
class AvlfButton : public AvlfButtonFamily<AvlfButton> {
  using Family = AvlfButtonFamily<AvlfButton>;

 public:
  DECLARE_WND_SUPERCLASS(L"AvlfButton", L"BUTTON")
  ~AvlfButton() override;

  BEGIN_MSG_MAP(AvlfButton)
  MESSAGE_RANGE_HANDLER(WM_MOUSEFIRST, 0x020D, OnRelayToolTip)
  MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
  MESSAGE_HANDLER(WM_SETTEXT, OnSetTextMessage)
  MESSAGE_HANDLER(win32::Reflected(WM_COMMAND), OnReflectedCommand)
  CHAIN_MSG_MAP(Family)
  END_MSG_MAP()

  void SetCheck(bool check, bool repaint);
  bool GetCheck() const { return m_bChecked; }

  void OnCreateButton();
  void OnDrawItem(const DRAWITEMSTRUCT* item, AvlfItemCanvas& canvas);
  void OpenAddress();
  bool Layout(Gdiplus::Graphics& graphics);
  // The glyphs drawn now: all of IconChar, or one glyph of a check button.
  std::wstring ShownGlyphs() const;
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);

  static constexpr bool kCaptureLossClearsHot = false;

  wchar_t m_szUrl[260] = {};
  Gdiplus::RectF m_rcText;
  Gdiplus::RectF m_rcGlyph;
  Gdiplus::Font* m_pGlyphFont = nullptr;
};

// A figure glyph chosen by the first character of the text.
class AvlfGeomeryBtn : public AvlfButtonFamily<AvlfGeomeryBtn> {
  using Family = AvlfButtonFamily<AvlfGeomeryBtn>;

 public:
  DECLARE_WND_SUPERCLASS(L"AvlfGeomeryBtn", L"BUTTON")

  BEGIN_MSG_MAP(AvlfGeomeryBtn)
  MESSAGE_RANGE_HANDLER(WM_MOUSEFIRST, 0x020D, OnRelayToolTip)
  MESSAGE_HANDLER(WM_SIZE, OnSizeClient)
  MESSAGE_HANDLER(WM_SETTEXT, OnSetTextMessage)
  MESSAGE_HANDLER(WM_KEYDOWN, OnKeyDown)
  MESSAGE_HANDLER(WM_RBUTTONDOWN, OnRightButtonDown)
  MESSAGE_HANDLER(win32::Reflected(WM_COMMAND), OnReflectedCommand)
  CHAIN_MSG_MAP(Family)
  END_MSG_MAP()

  void SetSelected(bool selected);
  bool GetSelected() const { return m_bSelected; }

  void OnCreateButton();
  void OnDrawItem(const DRAWITEMSTRUCT* item, AvlfItemCanvas& canvas);
  Gdiplus::ARGB GlyphColour() const;
  // The item rectangle, moved in by 2 on every side from 40 pixels wide.
  static RECT GlyphArea(const RECT& item);
  LRESULT OnKeyDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnRightButtonDown(UINT, WPARAM wParam, LPARAM lParam, BOOL&);

  bool m_bSelected = false;
};

// A swatch of ClBkGround framed in ClText.
class AvlfColorButton : public AvlfButtonFamily<AvlfColorButton> {
  using Family = AvlfButtonFamily<AvlfColorButton>;

 public:
  DECLARE_WND_SUPERCLASS(L"AvlfColorButton", L"BUTTON")
  ~AvlfColorButton() override;

  BEGIN_MSG_MAP(AvlfColorButton)
  MESSAGE_RANGE_HANDLER(WM_MOUSEFIRST, 0x020D, OnRelayToolTip)
  CHAIN_MSG_MAP(Family)
  END_MSG_MAP()

  void OnCreateButton();
  void OnDrawItem(const DRAWITEMSTRUCT* item, AvlfItemCanvas& canvas);

  static constexpr bool kCaptureLossClearsHot = false;

  Gdiplus::Pen* m_pFramePen = nullptr;
};
