// A dialog push button turned into an Office-style colour drop-down: the face
// shows a colour box and an arrow; a click opens a palette popup with
// "Automatic", 40 named colours and "More Colors..." (the system colour
// dialog). Drawn with system colours, themed when visual styles are there.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include "win32/Window.h"

// Sent with WM_NOTIFY, wParam the button's control id.
enum ColorPickNotifyCode : UINT {
  COLORPICK_CHANGED = 0x8000,
  COLORPICK_OPENED = 0x8001,
  COLORPICK_CLOSED = 0x8002,
  COLORPICK_PICKED = 0x8003,
  COLORPICK_CANCELLED = 0x8004,
};

struct ColorPickNotify {
  NMHDR hdr;
  BOOL bValid;
  COLORREF clr;
};

struct ColorTableEntry {
  COLORREF clrColor;
  const wchar_t* pszName;
};

class CWTLColorButton : public win32::CWindowImpl<CWTLColorButton> {
 public:
  // Entry codes besides the colour indices 0..39.
  static constexpr int kNone = -1;
  static constexpr int kCustom = -2;
  static constexpr int kAutomatic = -3;
  static constexpr int kColumns = 8;
  static constexpr int kColorCount = 40;
  static const ColorTableEntry gm_sColors[kColorCount];
  // The colour dialog's custom colours, kept between uses.
  static COLORREF gm_clrCustom[16];

  CWTLColorButton();
  ~CWTLColorButton() override;

  BEGIN_MSG_MAP(CWTLColorButton)
  MESSAGE_HANDLER(WM_CREATE, OnThemeCreate)
  MESSAGE_HANDLER(WM_THEMECHANGED, OnThemeChanged)
  MESSAGE_HANDLER(WM_DESTROY, OnThemeDestroy)
  MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
  MESSAGE_HANDLER(WM_MOUSELEAVE, OnMouseLeave)
  MESSAGE_HANDLER(win32::Reflected(WM_DRAWITEM), OnDrawItem)
  MESSAGE_HANDLER(win32::Reflected(WM_COMMAND), OnCommand)
  ALT_MSG_MAP(1)
  MESSAGE_HANDLER(WM_PAINT, OnPickerPaint)
  MESSAGE_HANDLER(WM_QUERYNEWPALETTE, OnPickerQueryNewPalette)
  MESSAGE_HANDLER(WM_PALETTECHANGED, OnPickerPaletteChanged)
  END_MSG_MAP()

  // Takes over a dialog push button and makes it owner-drawn.
  BOOL SubclassWindow(HWND button);

  void DrawItem(const DRAWITEMSTRUCT* item);
  void OnClicked();
  BOOL RunPicker();
  void LayoutPicker();
  // Entry at a point in popup client coordinates.
  int HitTest(POINT pt) const;
  void SetHotEntry(int entry);
  // Where an arrow key moves the hot entry by step (-1, +1, -8, +8).
  static int StepEntry(int entry, int step, int count);

  COLORREF m_clrCurrent = CLR_DEFAULT;
  COLORREF m_clrDefault;
  wchar_t* m_pszDefaultText = nullptr;
  wchar_t* m_pszCustomText = nullptr;
  BOOL m_fPopupActive = FALSE;
  BOOL m_fMouseOver = FALSE;
  HWND m_hPicker = nullptr;
  int m_nNumColumns = kColumns;
  int m_nNumRows = (kColorCount + kColumns - 1) / kColumns;
  int m_nNumColors = kColorCount;
  HFONT m_hFont = nullptr;
  HPALETTE m_hPalette = nullptr;
  COLORREF m_clrPicker = CLR_DEFAULT;
  RECT m_rectMargins{};
  RECT m_rectCustomText{};
  RECT m_rectDefaultText{};
  RECT m_rectBoxes{};
  BOOL m_fPickerFlat = FALSE;
  SIZE m_sizeBox{18, 18};
  int m_nHotEntry = kNone;
  int m_nCurrentEntry = kNone;
  BOOL m_fOkay = FALSE;
  COLORREF m_clrBackground = 0, m_clrHiLightBorder = 0, m_clrHiLight = 0, m_clrLoLight = 0, m_clrHiLightText = 0,
           m_clrText = 0;
  HANDLE m_hTheme = nullptr;

 private:
  void SendNotification(UINT code, COLORREF colour, BOOL valid);
  void DrawEntry(HDC dc, int entry, bool hot, bool current);
  bool EntryRect(int entry, RECT* rect) const;
  void InvalidateEntry(int entry);
  void OpenTheme();
  void CloseTheme();

  LRESULT OnThemeCreate(UINT, WPARAM, LPARAM, BOOL& bHandled);
  LRESULT OnThemeChanged(UINT, WPARAM, LPARAM, BOOL& bHandled);
  LRESULT OnThemeDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled);
  LRESULT OnMouseMove(UINT, WPARAM, LPARAM, BOOL& bHandled);
  LRESULT OnMouseLeave(UINT, WPARAM, LPARAM, BOOL& bHandled);
  LRESULT OnDrawItem(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& bHandled);
  LRESULT OnPickerPaint(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnPickerQueryNewPalette(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnPickerPaletteChanged(UINT, WPARAM wParam, LPARAM, BOOL&);
  static LRESULT CALLBACK PickerProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam);
};
