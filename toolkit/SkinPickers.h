// Picker buttons and their popups: a weight or font-size ramp with a
// draggable handle, and a colour grid with an opacity bar. A press on a
// button opens the process's one popup of its kind under the cursor and runs
// a local message loop until the popup gives up the mouse capture.
#pragma once

#include <windows.h>

#include <gdiplus.h>

#include "toolkit/SkinUi.h"
#include "toolkit/SkinWindow.h"
#include "win32/Controls.h"
#include "win32/Paint.h"
#include "win32/Window.h"

constexpr UINT WM_PICKBUTTON_SETVALUE = WM_USER + 129;
constexpr UINT WM_PICKBUTTON_SETRANGE = WM_USER + 130;

// Room for "%d" of any 32-bit value and its terminator.
constexpr int kPickerValueTextSize = 16;

// The ramp popup shared by the weight buttons (one instance) and the font
// buttons (another).
class CWeightPicker : public win32::CWindowImpl<CWeightPicker, win32::CNullTraits>,
                      public win32::CDoubleBufferImpl<CWeightPicker> {
 public:
  ~CWeightPicker() override;

  static constexpr int kWidth = 240;
  static constexpr int kHeight = 42;

  BEGIN_MSG_MAP(CWeightPicker)
  MESSAGE_HANDLER(WM_CREATE, OnCreate)
  MESSAGE_HANDLER(WM_SIZE, OnSize)
  MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
  MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
  MESSAGE_HANDLER(WM_LBUTTONUP, OnLButtonUp)
  MESSAGE_HANDLER(WM_KEYDOWN, OnKeyDown)
  MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
  CHAIN_MSG_MAP(win32::CDoubleBufferImpl<CWeightPicker>)
  END_MSG_MAP()

  // Opens the popup at the screen point, holding the capture; false when
  // its window cannot be made.
  bool Popup(const POINT* screenPoint, HWND owner);
  void UpdateLayout();
  void DoPaint(HDC hdc);
  // Moves the handle to follow the cursor and takes the value from it.
  void DragTo(int x);

  int32_t m_nValue = 16;
  int32_t m_nMin = 1;
  int32_t m_nMax = 64;
  Gdiplus::Bitmap* m_pHandleImage = nullptr;
  Gdiplus::GraphicsPath* m_pRamp = nullptr;
  Gdiplus::Font* m_pValueFont = nullptr;
  RECT m_rcClient{};
  RECT m_rcHandle{};
  RECT m_rcTrack{};
  int32_t m_bDragging = 0;
  int32_t m_nGrabOffset = 0;

 private:
  LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnSize(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnLButtonUp(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnKeyDown(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
  int HandleWidth() const;
  int HandleHeight() const;
};

struct ColorPickerCell {
  uint8_t red, green, blue;
  RECT rect;
};

extern const uint8_t g_ColorPickerPalette[40][3];

class CColorPicker : public win32::CWindowImpl<CColorPicker, win32::CNullTraits>,
                     public win32::CDoubleBufferImpl<CColorPicker> {
 public:
  CColorPicker();
  ~CColorPicker() override;

  static constexpr int kWidth = 230;
  static constexpr int kHeight = 168;
  enum Result { kPicked = 1, kNothing = 2, kMoreColors = 3 };

  BEGIN_MSG_MAP(CColorPicker)
  MESSAGE_HANDLER(WM_CREATE, OnCreate)
  MESSAGE_HANDLER(WM_SIZE, OnSize)
  MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
  MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
  MESSAGE_HANDLER(WM_LBUTTONUP, OnLButtonUp)
  MESSAGE_HANDLER(WM_KEYDOWN, OnKeyDown)
  MESSAGE_HANDLER(WM_CAPTURECHANGED, OnCaptureChanged)
  MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
  CHAIN_MSG_MAP(win32::CDoubleBufferImpl<CColorPicker>)
  END_MSG_MAP()

  bool Popup(const POINT* screenPoint, HWND owner);
  void UpdateLayout();
  void UpdateAlpha();
  void DoPaint(HDC hdc);
  void MoveHandle(int x);

  RECT m_rcClient{};
  RECT m_rcBar{};
  RECT m_rcHandle{};
  RECT m_rcMore{};
  ColorPickerCell m_cells[40];
  int32_t m_bDragging = 0;
  Gdiplus::Bitmap* m_pHandleImage = nullptr;
  Gdiplus::Bitmap* m_pMoreImage = nullptr;
  Gdiplus::LinearGradientBrush* m_pGradient = nullptr;
  int32_t m_nGradientX = 0, m_nGradientY = 0, m_nGradientWidth = 0, m_nGradientHeight = 0;
  int32_t m_nOpacity = 128;
  int32_t m_nOpacityMin = 5;
  int32_t m_nOpacityMax = 255;
  int32_t m_nGrabOffset = 0;
  ColorPickerCell* m_pHovered = nullptr;
  int32_t m_bMoreHot = 0;
  int32_t m_nResult = kNothing;

 private:
  LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnSize(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnLButtonUp(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnKeyDown(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnCaptureChanged(UINT, WPARAM, LPARAM, BOOL&) { return 0; }
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
  int HandleWidth() const;
  int HandleHeight() const;
};

// The process-wide popups.
extern CWeightPicker g_WeightPicker;
extern CWeightPicker g_FontSizePicker;
extern CColorPicker g_ColorPicker;

// What the three picker buttons share: glyph font, hover tracking, the
// press that opens a popup, and the drawing scaffold.
template <class T>
class CPickerButtonImpl : public AvlfWindowImpl<T, win32::CButtonT<AvlfWindowBase>>, public CTransparentImpl<T> {
  using Base = AvlfWindowImpl<T, win32::CButtonT<AvlfWindowBase>>;

 public:
  DECLARE_WND_SUPERCLASS(nullptr, L"BUTTON")
  ~CPickerButtonImpl() override { delete m_pGlyphFont; }

  BEGIN_MSG_MAP(CPickerButtonImpl)
  MESSAGE_RANGE_HANDLER(0x0200, 0x020D, OnRelayMouse)
  MESSAGE_HANDLER(WM_CREATE, OnCreateButton)
  MESSAGE_HANDLER(WM_DESTROY, OnDestroyButton)
  MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
  MESSAGE_HANDLER(WM_SIZE, OnSizeButton)
  MESSAGE_HANDLER(WM_ACTIVATE, OnLoseHot)
  MESSAGE_HANDLER(WM_KILLFOCUS, OnLoseHot)
  MESSAGE_HANDLER(WM_CANCELMODE, OnLoseHot)
  MESSAGE_HANDLER(WM_ENABLE, OnLoseHot)
  MESSAGE_HANDLER(WM_CAPTURECHANGED, OnCaptureChanged)
  MESSAGE_HANDLER(win32::Reflected(WM_DRAWITEM), OnDrawItem)
  END_MSG_MAP()

  // The native button's answer, then the message counts as handled.
  LRESULT DefaultFirst(UINT uMsg, WPARAM wParam, LPARAM lParam) { return this->DefWindowProc(uMsg, wParam, lParam); }

  void OnDrawBackground(HDC hdc, const RECT* rc) {
    HBRUSH brush = ::CreateSolidBrush(RGB(128, 128, 128));
    ::FillRect(hdc, rc, brush);
    ::DeleteObject(brush);
  }
  void NotifyParent() {
    ::SendMessageW(::GetParent(this->m_hWnd), WM_COMMAND,
                   MAKEWPARAM(static_cast<WORD>(this->GetDlgCtrlID()), BN_CLICKED),
                   reinterpret_cast<LPARAM>(this->m_hWnd));
  }
  // The press point of lParam in screen coordinates.
  POINT PressPoint(LPARAM lParam) const {
    POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ::ClientToScreen(this->m_hWnd, &pt);
    return pt;
  }
  // Hover tracking: the button holds the capture while the cursor is over it.
  void TrackHover(WPARAM wParam, LPARAM lParam) {
    if ((wParam & MK_LBUTTON) && !m_bHot) return;
    if (::GetCapture() != this->m_hWnd && ::IsWindow(::GetParent(this->m_hWnd))) {
      m_bHot = true;
      ::SetCapture(this->m_hWnd);
      this->Invalidate(FALSE);
      return;
    }
    POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ::ClientToScreen(this->m_hWnd, &pt);
    HWND under = ::WindowFromPoint(pt);
    if (!under || under == this->m_hWnd) return;
    if (m_bHot) {
      m_bHot = false;
      this->Invalidate(FALSE);
    }
    if (!(wParam & MK_LBUTTON)) ::ReleaseCapture();
  }
  // The state colour of the glyph and text.
  uint32_t StateColour() const {
    if (m_bPressed) return 0xFF005098;
    if (m_bHot) return 0xFF007AE0;
    if (m_bDisabled) return 0xFF808080;
    return 0xFF404040;
  }
  // Memory DC, state and background of one draw request; T's Draw adds the
  // glyph and its own part.
  LRESULT OnDrawItem(UINT, WPARAM, LPARAM lParam, BOOL&) {
    const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
    if (!item) return TRUE;
    const RECT& r = item->rcItem;
    const int width = r.right - r.left, height = r.bottom - r.top;
    if (width <= 0 || height <= 0) return TRUE;
    HDC memory = ::CreateCompatibleDC(item->hDC);
    HBITMAP bitmap = ::CreateCompatibleBitmap(item->hDC, width, height);
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::SetBkMode(memory, TRANSPARENT);
    m_bPressed = (item->itemState & ODS_SELECTED) != 0;
    m_bDisabled = (item->itemState & ODS_DISABLED) != 0;
    RECT client{0, 0, width, height};
    if (this->m_bTransparent)
      this->DrawTransparentBackground(memory);
    else
      OnDrawBackground(memory, &client);
    {
      Gdiplus::Graphics graphics(memory);
      static_cast<T*>(this)->Draw(graphics, width, height, StateColour());
    }
    ::BitBlt(item->hDC, r.left, r.top, width, height, memory, 0, 0, SRCCOPY);
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
    ::DeleteDC(memory);
    return TRUE;
  }

  bool m_bMsgHandled = false;
  bool m_bHot = false;
  bool m_bPressed = false;
  bool m_bDisabled = false;
  Gdiplus::Font* m_pGlyphFont = nullptr;
  RECT m_rcClient{};
  int32_t m_nGlyphWidth = 0;

 protected:
  LRESULT OnRelayMouse(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    if (this->m_wndToolTip) {
      MSG msg{this->m_hWnd, uMsg, wParam, lParam, 0, {}};
      ::SendMessageW(this->m_wndToolTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
    }
    if (uMsg == WM_MOUSEMOVE) {
      DefaultFirst(uMsg, wParam, lParam);
      TrackHover(wParam, lParam);
      return 0;
    }
    if (uMsg == WM_LBUTTONDOWN) {
      DefaultFirst(uMsg, wParam, lParam);
      static_cast<T*>(this)->OnPress(lParam);
      return 0;
    }
    bHandled = FALSE;
    return 0;
  }
  LRESULT OnCreateButton(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    delete m_pGlyphFont;
    m_pGlyphFont = GetSkinUi()->FindFont(L"FontAwesome", 14);
    if (!this->m_strIconChar.empty() && m_pGlyphFont) {
      HDC hdc = ::GetDC(this->m_hWnd);
      {
        Gdiplus::Graphics graphics(hdc);
        Gdiplus::RectF bounds;
        graphics.MeasureString(this->m_strIconChar.c_str(), 1, m_pGlyphFont, Gdiplus::PointF(0, 0), &bounds);
        m_nGlyphWidth = static_cast<int32_t>(bounds.Width + 0.5f);
      }
      ::ReleaseDC(this->m_hWnd, hdc);
    }
    Base::OnCreate(uMsg, wParam, lParam, bHandled);
    static_cast<T*>(this)->AfterSkinCreate();
    const DWORD style = this->GetStyle();
    if ((style & BS_OWNERDRAW) != BS_OWNERDRAW) ::SetWindowLongPtrW(this->m_hWnd, GWL_STYLE, style | BS_OWNERDRAW);
    return 0;
  }
  void AfterSkinCreate() {}
  LRESULT OnDestroyButton(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
    delete m_pGlyphFont;
    m_pGlyphFont = nullptr;
    return DefaultFirst(uMsg, wParam, lParam);
  }
  LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL&) { return 1; }
  LRESULT OnSizeButton(UINT, WPARAM, LPARAM lParam, BOOL&) {
    m_rcClient = {0, 0, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    this->Invalidate(FALSE);
    return 0;
  }
  LRESULT OnLoseHot(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
    const LRESULT result = DefaultFirst(uMsg, wParam, lParam);
    const bool loses = (uMsg == WM_ACTIVATE) ? LOWORD(wParam) == WA_INACTIVE : (uMsg == WM_ENABLE) ? !wParam : true;
    if (loses && m_bHot) {
      m_bHot = false;
      this->Invalidate(FALSE);
    }
    return result;
  }
  LRESULT OnCaptureChanged(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
    if (m_bHot) {
      m_bHot = false;
      this->Invalidate(FALSE);
    }
    return DefaultFirst(uMsg, wParam, lParam);
  }
  // The glyph: first character of IconChar, near and vertically centred.
  void DrawGlyph(Gdiplus::Graphics& graphics, int width, int height, Gdiplus::Brush* brush,
                 const Gdiplus::StringFormat& format) {
    if (this->m_strIconChar.empty() || !m_pGlyphFont) return;
    graphics.DrawString(this->m_strIconChar.c_str(), 1, m_pGlyphFont,
                        Gdiplus::RectF(0, 0, static_cast<float>(width), static_cast<float>(height)), &format, brush);
  }
};

// Runs the popup's local loop until it gives up the capture, then destroys
// its window. Keys go to the popup as well; nothing is translated.
void RunPickerLoop(HWND popup);

class CWeightButton : public CPickerButtonImpl<CWeightButton> {
 public:
  BEGIN_MSG_MAP(CWeightButton)
  MESSAGE_HANDLER(WM_PICKBUTTON_SETVALUE, OnSetValue)
  MESSAGE_HANDLER(WM_PICKBUTTON_SETRANGE, OnSetRange)
  CHAIN_MSG_MAP(CPickerButtonImpl<CWeightButton>)
  END_MSG_MAP()

  void SetValue(int value);
  void SetRange(int min, int max);
  void OnPress(LPARAM lParam);
  void Draw(Gdiplus::Graphics& graphics, int width, int height, uint32_t colour);

  int32_t m_nValue = 4;
  int32_t m_nMin = 1;
  int32_t m_nMax = 64;
  wchar_t m_szValue[kPickerValueTextSize] = L"4";

 private:
  LRESULT OnSetValue(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnSetRange(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
};

class CFontButton : public CPickerButtonImpl<CFontButton> {
 public:
  BEGIN_MSG_MAP(CFontButton)
  MESSAGE_HANDLER(WM_PICKBUTTON_SETVALUE, OnSetValue)
  CHAIN_MSG_MAP(CPickerButtonImpl<CFontButton>)
  END_MSG_MAP()

  void SetValue(int value);
  void OnPress(LPARAM lParam);
  void Draw(Gdiplus::Graphics& graphics, int width, int height, uint32_t colour);

  int32_t m_nValue = 24;
  wchar_t m_szValue[kPickerValueTextSize] = L"24";

 private:
  LRESULT OnSetValue(UINT, WPARAM wParam, LPARAM, BOOL&);
};

class CColorButton : public CPickerButtonImpl<CColorButton> {
 public:
  BEGIN_MSG_MAP(CColorButton)
  MESSAGE_HANDLER(WM_PICKBUTTON_SETVALUE, OnSetValue)
  CHAIN_MSG_MAP(CPickerButtonImpl<CColorButton>)
  END_MSG_MAP()

  uint32_t GetColor() const;
  void SetColor(uint32_t argb);
  void OnPress(LPARAM lParam);
  void AfterSkinCreate();
  void Draw(Gdiplus::Graphics& graphics, int width, int height, uint32_t colour);
  // The system colour dialog over the press point; true when a colour was
  // chosen.
  bool ChooseMoreColors(POINT press);

  int32_t m_nAlpha = 200;
  int32_t m_nRed = 255;
  int32_t m_nGreen = 0;
  int32_t m_nBlue = 0;
  int32_t m_nHorzAlign = 1;
  int32_t m_nVertAlign = 1;

 private:
  LRESULT OnSetValue(UINT, WPARAM, LPARAM lParam, BOOL&);
};

// Places the colour dialog with its top-left corner at the press point kept
// in the custom data, moved back onto the screen.
UINT_PTR CALLBACK ColorDialogHook(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);

// The ALIGN_ bits of a Layout attribute (names joined by "|"); other names
// and tokens of 64 characters or more add nothing.
uint32_t ParseLayoutAlign(const wchar_t* layout);
