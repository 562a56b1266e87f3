// The collapsible bars that frame the canvas (the splitter bar beside it and
// the status strip under it) and the strip's status cells.
#pragma once

#include <windows.h>

#include "engine/MeasureObserver.h"
#include "toolkit/SkinWindow.h"
#include "win32/Paint.h"

class CDTImage;

// Tells a bar whether its pane is shown (wParam 1) or hidden (0).
constexpr UINT WM_RULER_SETSTATE = WM_USER + 101;

// A strip of background with one glyph in its middle; a click near the glyph
// asks the parent to hide or show a pane.
class CWndRuler : public AvlfWindowImpl<CWndRuler>, public win32::CDoubleBufferImpl<CWndRuler> {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();

  BEGIN_MSG_MAP(CWndRuler)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnSkinInit)
  MESSAGE_HANDLER(WM_SIZE, OnSizeMessage)
  MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
  MESSAGE_HANDLER(WM_LBUTTONUP, OnLButtonUp)
  MESSAGE_HANDLER(WM_RULER_SETSTATE, OnSetState)
  MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
  CHAIN_MSG_MAP(win32::CDoubleBufferImpl<CWndRuler>)
  CHAIN_MSG_MAP(AvlfWindowImpl<CWndRuler>)
  END_MSG_MAP()

  LRESULT OnSkinInit(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnSizeMessage(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnLButtonUp(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnSetState(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled) {
    handled = FALSE;
    return 0;
  }
  void DoPaint(HDC hdc);

  // The glyph box widened by 80 pixels each way along the bar.
  RECT HitZone() const;

  int m_nClientHeight = 0;
  int m_nClientWidth = 0;
  BOOL m_bHorizontal = TRUE;
  RECT m_rcGlyph{};
  int m_nState = 1;
  BOOL m_bPressed = FALSE;

 private:
  void UpdateGlyphBox();
};

// One cell of the status strip: a line of text over the strip's background.
class CWndStatus : public AvlfWindowImpl<CWndStatus>, public win32::CDoubleBufferImpl<CWndStatus> {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();

  BEGIN_MSG_MAP(CWndStatus)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnSkinInit)
  MESSAGE_HANDLER(WM_SIZE, OnSizeMessage)
  MESSAGE_HANDLER(WM_STATUS_REPAINT, OnRepaint)
  CHAIN_MSG_MAP(win32::CDoubleBufferImpl<CWndStatus>)
  CHAIN_MSG_MAP(AvlfWindowImpl<CWndStatus>)
  END_MSG_MAP()

  void ShowImageSize(CDTImage* document);
  // Safe on any thread: the text is stored under the cell's lock and a
  // thread that does not own the window has the main thread paint it.
  void ShowFrameRate(float rate);
  void ShowCursorPosition(const CursorPosition* position, CDTImage* document);
  // The text shown, as a copy.
  void GetText(wchar_t* out, size_t count) const;

  LRESULT OnSkinInit(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnSizeMessage(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnRepaint(UINT, WPARAM, LPARAM, BOOL&);
  void DoPaint(HDC hdc);

  static constexpr UINT WM_STATUS_REPAINT = WM_USER + 102;

  RECT m_rcClient{};
  Gdiplus::RectF m_rcLayout{};
  wchar_t m_szText[256]{};
  BOOL m_bRightAligned = FALSE;

 private:
  // Stores the text (cut at 255 characters) and repaints the cell at once.
  void SetTextAndRepaint(const wchar_t* text);
  void RepaintNow();

  mutable SRWLOCK m_textLock = SRWLOCK_INIT;
};

// The status strip under the canvas: a horizontal bar with the cursor,
// frame-rate and image-size cells and three zoom buttons.
class CWndHorizontalRuler : public CWndRuler {
 public:
  CWndHorizontalRuler();
  ~CWndHorizontalRuler() override;

  BEGIN_MSG_MAP(CWndHorizontalRuler)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnStripSkinInit)
  COMMAND_ID_HANDLER(4, OnZoomStep)
  COMMAND_ID_HANDLER(5, OnZoomStep)
  COMMAND_ID_HANDLER(6, OnZoomFit)
  CHAIN_MSG_MAP(CWndRuler)
  END_MSG_MAP()

  LRESULT OnStripSkinInit(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& handled);
  LRESULT OnZoomStep(WORD, WORD id, HWND, BOOL&);
  LRESULT OnZoomFit(WORD, WORD, HWND, BOOL&);

  CWndStatus m_wndCursor;
  CWndStatus m_wndFrameRate;
  CWndStatus m_wndSize;
};

extern CWndHorizontalRuler* g_pWndHorizontalRuler;
