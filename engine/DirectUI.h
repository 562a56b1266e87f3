// The measuring canvas: a child window that owns the Direct3D 9 device, shows
// the active document with its figures and overlays, keeps the defaults for
// new figures and turns every outside request into a command to itself.
#pragma once

#include <windows.h>
#include <d3d9.h>

#include <string>
#include <vector>

#include "engine/Command.h"
#include "engine/Direct3DStarter.h"
#include "engine/DragRectangle.h"
#include "engine/MeasureObserver.h"
#include "engine/Types.h"
#include "engine/PictureCache.h"
#include "engine/figures/LabelBatch.h"
#include "engine/overlays/Overlays.h"
#include "engine/text/FTFontFactory.h"
#include "win32/ComPtr.h"
#include "win32/Window.h"

class CDTElement;
class CDTImage;
class CDTDraw;
class CDTLabel;

class CDirectUI : public win32::CWindowImpl<CDirectUI, win32::CWinTraits<WS_CHILD | WS_VISIBLE>> {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();

  CDirectUI();
  ~CDirectUI() override;

  HWND Create(HINSTANCE instance, HWND parent, HWND frame);
  // Begins making the Direct3D object on a worker, for the device that the
  // window's creation makes later.
  void StartDirect3D() { m_d3dStarter.Start(); }

  // Hooks for canvases that derive from this one (the off-screen renderer).
  virtual LRESULT OnDeviceCreated(WPARAM, LPARAM) { return 0; }
  virtual LRESULT OnSize(WPARAM, LPARAM) { return 0; }
  virtual LRESULT OnDestroy(WPARAM, LPARAM) { return 0; }
  virtual int AfterRenderStates() { return 0; }
  // Shows the finished frame, or only DrawArea() of it; a derived canvas may
  // read the back buffer first.
  virtual HRESULT PresentFrame() { return m_pDevice->Present(m_pDrawArea, m_pDrawArea, nullptr, nullptr); }
  // Makes the shared 256 x 256 staging texture.
  virtual HRESULT CreateStagingTexture();

  // One frame: clear, the active document with its figures, region, overlays, present.
  // Nothing while repaints are held back.
  HRESULT Repaint();
  // The frame again within `area` (window pixels) only, when nothing outside
  // it changed since the last frame: the back buffer keeps that frame, so
  // only the area is drawn and shown. Else, or while the mouse drives an
  // overlay, a whole frame.
  HRESULT RepaintArea(const RECT& area);
  // The part of the back buffer the frame being drawn touches; null for all.
  const RECT* DrawArea() const { return m_pDrawArea; }
  // Holds back repaints while many figures change at once (a load of thousands
  // would otherwise draw once per figure); the last release draws one frame.
  void HoldRepaint() { ++m_nRepaintHeld; }
  // With an area, the frame of the last release draws only that part (see
  // RepaintArea): the caller vouches that nothing else changed while held.
  void ReleaseRepaint(const RECT* area = nullptr);
  HRESULT ResetDevice(UINT width, UINT height);
  LRESULT SendCommand(CDTElement* target, int command, int value, void* data);

  void SetAntialias(BOOL on);
  const wchar_t* GetValueFormat();
  void SetDecimalPrecision(int digits) { m_nDecimalPrecision = digits; }
  void SetRulerColors(DWORD line, DWORD text, DWORD textBackground);
  void SetRulerFontSize(int size) { m_nRulerFontSize = size; }
  void SetMagnifierPoint(int x, int y) { m_magnifier.m_pt = {x, y}; }
  void ForgetElement(CDTElement* element);
  void ResetTool(int tool);
  BOOL IsHistogramShown() const { return m_histogram.m_bShow; }
  BOOL IsMagnifierShown() const { return m_magnifier.m_bShow; }
  BOOL GetMagnifierMouse() const { return m_magnifier.m_bMouse; }
  void SetAutoNamePrefix(int type, const wchar_t* text);

  // Canvas operations: a command with a window, the stored value without one.
  void SetBackgroundColor(DWORD argb);
  void SetActiveImage(CDTImage* document, BOOL redraw);
  void SetTool(int tool);
  void SetSolid(BOOL solid, CDTDraw* figure);
  void SetPenWeight(int weight, CDTDraw* figure);
  void SetLineColor(DWORD argb, CDTDraw* figure);
  void SetClipartColor(DWORD argb, CDTDraw* figure);
  void SetClipartFixedSize(BOOL fixed, CDTDraw* figure);
  void SetTextColor(DWORD argb, CDTDraw* figure);
  void SetTextBackgroundColor(DWORD argb, CDTDraw* figure);
  void SetTextBorder(BOOL on, CDTDraw* figure);
  void SetTextBackground(BOOL on, CDTDraw* figure);
  void SetFont(int size, const wchar_t* face);
  void SetFontSize(int size, CDTDraw* figure);
  void SetFontFace(const wchar_t* face);
  BOOL SetClipartFile(const wchar_t* path);
  void SetText(const wchar_t* text);
  void SetLineCap(int cap, CDTDraw* figure);
  void SetShowMeasureResult(BOOL show, CDTDraw* figure);
  void ShowGrid(BOOL show);
  void SetGridWeight(int weight);
  void SetGridColor(DWORD argb);
  void ShowCross(BOOL show);
  void SetCrossColor(DWORD argb);
  void SetCrossTrack(BOOL track);
  void ShowMagnifier(BOOL show);
  void SetMagnifierWeight(int weight);
  void SetMagnifierDisplay(int size);
  void SetMagnifierMouse(BOOL follow);
  void ShowHistogram(BOOL show);
  void SetAngle4Pts(BOOL on);
  void ShowInfoLines(BOOL show);
  int AddFigureAtCenter();
  // A figure of the current tool begins at p (window pixels): 1 when one was made.
  int CreateFigureForTool(const POINT* p);
  // The topmost visible figure of the active document within 5 pixels of p;
  // with label set, an unlocked figure's label under p comes first and is
  // returned there.
  CDTElement* HitTest(POINT p, CDTLabel** label) const;
  void ResetDevice();
  HRESULT DetachElement(CDTElement* element);
  void SetZoomMode(int mode, float zoom);

  // Input routing state shared with documents and figures.
  void SetCapturedElement(CDTElement* element);  // previous gets OnCaptureEnd, new OnCaptureBegin
  void ReleaseCapturedElement();                 // OnCaptureEnd, then none
  void ForgetInput(CDTElement* element);         // a hidden element stops getting input
  void ReportCursor(POINT point);
  // Shows the canvas alone on a popup covering the display, or puts it back.
  void EnterFullScreen();
  void LeaveFullScreen();
  bool IsFullScreen() const { return m_hWndFullScreen != nullptr; }
  UINT BackBufferWidth() const { return m_d3dpp.BackBufferWidth; }
  UINT BackBufferHeight() const { return m_d3dpp.BackBufferHeight; }

  BEGIN_MSG_MAP(CDirectUI)
  MESSAGE_HANDLER(WM_DIRECTUI_COMMAND, OnCommandMessage)
  MESSAGE_HANDLER(WM_CREATE, OnCreateMessage)
  MESSAGE_HANDLER(WM_DESTROY, OnDestroyMessage)
  MESSAGE_HANDLER(WM_SIZE, OnSizeMessage)
  MESSAGE_HANDLER(WM_PAINT, OnPaintMessage)
  MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
  MESSAGE_HANDLER(WM_ENTERSIZEMOVE, OnEnterSizeMove)
  MESSAGE_HANDLER(WM_EXITSIZEMOVE, OnExitSizeMove)
  MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMoveMessage)
  MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDownMessage)
  MESSAGE_HANDLER(WM_LBUTTONUP, OnLButtonUpMessage)
  MESSAGE_HANDLER(WM_LBUTTONDBLCLK, OnLButtonDblClkMessage)
  MESSAGE_HANDLER(WM_RBUTTONDOWN, OnRButtonMessage)
  MESSAGE_HANDLER(WM_RBUTTONUP, OnRButtonMessage)
  MESSAGE_HANDLER(WM_RBUTTONDBLCLK, OnRButtonDblClkMessage)
  MESSAGE_HANDLER(WM_MOUSEWHEEL, OnMouseWheelMessage)
  MESSAGE_HANDLER(WM_KEYDOWN, OnKeyDownMessage)
  MESSAGE_HANDLER(WM_KEYUP, OnKeyUpMessage)
  MESSAGE_HANDLER(WM_CHAR, OnCharMessage)
  MESSAGE_HANDLER(WM_SETCURSOR, OnSetCursorMessage)
  MESSAGE_HANDLER(WM_KILLFOCUS, OnEndTrackingMessage)
  MESSAGE_HANDLER(WM_CAPTURECHANGED, OnEndTrackingMessage)
  MESSAGE_HANDLER(WM_ENABLE, OnEndTrackingMessage)
  END_MSG_MAP()

  CDirectUIMeasureObserver* m_pObserver = nullptr;
  HINSTANCE m_hInstance = nullptr;
  HMODULE m_hD3DLibrary = nullptr;  // kept for the process
  HWND m_hWndParent = nullptr;
  HWND m_hWndFrame = nullptr;
  HWND m_hWndFullScreen = nullptr;
  DWORD m_clrBackground = 0xFF000000;
  D3DVIEWPORT9 m_viewport{};
  D3DPRESENT_PARAMETERS m_d3dpp{};
  win32::CComPtr<IDirect3DTexture9> m_pStaging;
  win32::CComPtr<IDirect3DSurface9> m_pBlack;
  win32::CComPtr<IDirect3DDevice9> m_pDevice;
  win32::CComPtr<IDirect3D9> m_pD3D;
  CDirect3DStarter m_d3dStarter;
  CLabelBatch m_labelBatch{this};  // after the device: its textures go first
  CPictureCache m_pictureCache;    // likewise
  std::vector<CDTElement*> m_elements;
  int m_nAntialias = 0;
  int m_nRepaintHeld = 0;
  int m_nTool = DRAW_SELECT;
  int m_bAngle4Pts = 0;
  CDTImage* m_pActiveImage = nullptr;
  int m_bMouseCaptured = 0;
  CDTElement* m_pCaptured = nullptr;
  int m_bLButtonDown = 0;
  POINT m_ptLButtonDown{};  // where the left button last went down
  CDTElement* m_pHovered = nullptr;
  CDTLabel* m_pDraggedLabel = nullptr;
  POINT m_ptLabelGrab{};  // press point minus the label's position
  int m_bSolid = 1;
  int m_nPenWeight = 4;
  DWORD m_clrLine = 0xE0FF0000;
  DWORD m_clrClipart = 0xFFFFFFFF;
  DWORD m_clrText = 0xE0FF0000;
  DWORD m_clrTextBk = 0x80000000;
  int m_bTextBackground = 1;
  int m_bTextBorder = 1;
  DWORD m_clrRulerLine = 0xFFFF0000;
  DWORD m_clrRulerText = 0xFFFF0000;
  DWORD m_clrRulerTextBk = 0x80000000;
  int m_nRulerFontSize = 22;
  int m_nDecimalPrecision = 3;
  int m_bShowResult = 1;
  int m_bClipartFixed = 1;
  wchar_t* m_pszClipartFile = nullptr;
  std::wstring m_strFontFace;
  FTFontFactory m_fontFactory;  // fonts of labels and text boxes
  wchar_t m_szNewText[256]{};
  int m_nFontSize = 16;
  int m_nLineCap = 0;
  HWND m_hWndHost = nullptr;
  CDTDragRectangle m_region;
  CDTGrid m_grid;
  CDTCross m_cross;
  CDTMagnifier m_magnifier;
  CHistogram m_histogram;
  CursorPosition m_cursor{};
  CInfoLine m_infoLines[4];
  int m_bShowInfoLines = 1;
  wchar_t* m_pszPrefix[12]{};
  HCURSOR m_hCursorArrow = nullptr;
  HCURSOR m_hCursorCross = nullptr;
  HCURSOR m_hCursorSizeAll = nullptr;
  HCURSOR m_hCursorText = nullptr;
  HCURSOR m_hCursorClipart = nullptr;
  HCURSOR m_hCursor = nullptr;

 private:
  LRESULT OnCommandMessage(UINT, WPARAM, LPARAM lParam, BOOL& handled);
  LRESULT OnCreateMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled);
  LRESULT OnDestroyMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled);
  LRESULT OnSizeMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled);
  LRESULT OnPaintMessage(UINT, WPARAM, LPARAM, BOOL& handled);
  LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL&) { return 1; }
  LRESULT OnEnterSizeMove(UINT, WPARAM, LPARAM, BOOL&) { return 1; }
  LRESULT OnExitSizeMove(UINT, WPARAM, LPARAM, BOOL&) {
    Repaint();
    return 1;
  }
  LRESULT OnMouseMoveMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled);
  LRESULT OnLButtonDownMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled);
  LRESULT OnLButtonUpMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled);
  LRESULT OnLButtonDblClkMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled);
  LRESULT OnRButtonMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled);
  LRESULT OnRButtonDblClkMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled);
  LRESULT OnMouseWheelMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled);
  LRESULT OnKeyDownMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled);
  LRESULT OnKeyUpMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled);
  LRESULT OnCharMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled);
  LRESULT OnSetCursorMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled);
  LRESULT OnEndTrackingMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled);

  HRESULT CreateDevice();
  HRESULT DrawFrame(const RECT* area);
  void SetRenderStates();
  void ReleaseDevice();
  LRESULT Dispatch(int command, int value, void* data);
  void ChangeTool(int tool);
  void UpdateToolCursor();
  // Input helpers.
  bool InViewport(POINT p) const;
  bool PictureHasSize() const;
  HCURSOR ToolCursor() const;
  HCURSOR HoverCursor() const;
  HCURSOR FigureCursor(const CDTElement* element, POINT p) const;
  void ChangeCursor(HCURSOR cursor);
  void ClearSelection();
  void EndMouseTracking();
  bool TracksMouseOverlay() const;
  bool IsActiveRuler(const CDTDraw* figure) const;
  void PushActive();

  wchar_t m_szValueFormat[16]{};
  RECT m_rcDrawArea{};
  const RECT* m_pDrawArea = nullptr;  // &m_rcDrawArea while a part is drawn
  // The back buffer holds the whole present frame: kept by the copy swap
  // effect, lost with a reset or a frame that was not shown.
  bool m_bFrameKept = false;
  // What that frame showed: a part drawn over another picture or place would not fit.
  CDTImage* m_pKeptImage = nullptr;
  uint64_t m_nKeptPicture = 0;
  RECT m_rcKeptImage{};
};

// Holds back a canvas's repaints for its lifetime.
class CRepaintHold {
 public:
  explicit CRepaintHold(CDirectUI* canvas) : m_pCanvas(canvas) {
    if (m_pCanvas) m_pCanvas->HoldRepaint();
  }
  ~CRepaintHold() {
    if (m_pCanvas) m_pCanvas->ReleaseRepaint(m_bArea ? &m_rcArea : nullptr);
  }
  // The frame at the end draws only this part (see ReleaseRepaint).
  void DrawOnly(const RECT& area) {
    m_rcArea = area;
    m_bArea = true;
  }
  CRepaintHold(const CRepaintHold&) = delete;
  CRepaintHold& operator=(const CRepaintHold&) = delete;

 private:
  CDirectUI* m_pCanvas;
  RECT m_rcArea{};
  bool m_bArea = false;
};

// The one canvas of the program, set by its host; null before.
extern CDirectUI* g_pDirectUI;
