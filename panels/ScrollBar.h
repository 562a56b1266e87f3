// The thumbnail strip's horizontal scroll bar, invisible until the mouse is
// over it, and the two-pixel separator line of the options dialog.
#pragma once

#include <windows.h>

#include "toolkit/SkinWindow.h"
#include "win32/Paint.h"
#include "win32/Window.h"

class CWndScrollBar : public AvlfWindowImpl<CWndScrollBar>, public win32::CDoubleBufferImpl<CWndScrollBar> {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();

  BEGIN_MSG_MAP(CWndScrollBar)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnSkinInit)
  MESSAGE_HANDLER(WM_SIZE, OnSizeMessage)
  MESSAGE_HANDLER(SBM_SETRANGE, OnSetRange)
  MESSAGE_HANDLER(SBM_SETPOS, OnSetPos)
  MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
  MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
  MESSAGE_HANDLER(WM_LBUTTONUP, OnLButtonUp)
  MESSAGE_HANDLER(WM_ACTIVATE, OnLeaveState)
  MESSAGE_HANDLER(WM_KILLFOCUS, OnLeaveState)
  MESSAGE_HANDLER(WM_CANCELMODE, OnLeaveState)
  MESSAGE_HANDLER(WM_ENABLE, OnLeaveState)
  MESSAGE_HANDLER(WM_CAPTURECHANGED, OnCaptureChanged)
  CHAIN_MSG_MAP(win32::CDoubleBufferImpl<CWndScrollBar>)
  CHAIN_MSG_MAP(AvlfWindowImpl<CWndScrollBar>)
  END_MSG_MAP()

  LRESULT OnSkinInit(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnSizeMessage(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnSetRange(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnSetPos(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnLButtonUp(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnLeaveState(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnCaptureChanged(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&);
  void DoPaint(HDC hdc);

  enum ThumbState { ThumbNormal = 0, ThumbHot = 1, ThumbPressed = 2 };

  int m_nRange = 0;
  int m_nPage = 0;
  int m_nPosition = 0;
  int m_bHover = 0;
  int m_bDragging = 0;
  RECT m_rcThumb{};
  POINT m_ptTrack{};
  int m_nClientWidth = 0;
  int m_nClientHeight = 0;
  int m_nDragOffset = 0;
  int m_nThumbState = ThumbNormal;

 private:
  // Sizes the thumb to the page and places it for the position.
  void UpdateThumb();
  void Resize(int width, int height);
  // Moves the thumb to left keeping its width, inside 0 .. client width - 1.
  void PlaceThumb(int left);
  void Notify();
  void LeaveHover();
};

class CWndLine : public win32::CWindowImpl<CWndLine> {
 public:
  DECLARE_WND_CLASS_EX(L"WndLine", CS_HREDRAW | CS_VREDRAW, COLOR_WINDOW)
  ~CWndLine() override;

  BEGIN_MSG_MAP(CWndLine)
  MESSAGE_HANDLER(WM_CREATE, OnCreate)
  MESSAGE_HANDLER(WM_PAINT, OnPaint)
  MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
  END_MSG_MAP()

  LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);

  HPEN m_hPenFace = nullptr;
  HPEN m_hPenShadow = nullptr;
};
