// The clip-art panel: four tiles of recently used pictures, the import of a
// picture file, the opacity of the held clip-art (or of new ones) and whether
// clip-art keeps its picture size or scales with its handles.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include "panels/ClipartTile.h"
#include "panels/PanelBase.h"
#include "toolkit/SkinWindow.h"

class AvlfIconBtn;
class AvlfSlider;

enum ClipartPanelControlId {
  CLIPART_NAME = 1,
  CLIPART_IMPORT = 2,
  CLIPART_SCALE = 4,
  CLIPART_OPACITY = 6,
  CLIPART_OPACITY_TEXT = 7,
  CLIPART_TILE1 = 10,
  CLIPART_TILE2 = 11,
  CLIPART_TILE3 = 12,
  CLIPART_TILE4 = 13
};

// Percent of an opacity byte and back, each rounded half away from zero.
int ClipartOpacityPercent(DWORD argb);
BYTE ClipartAlphaFromPercent(int percent);
// What the name label shows of a path: the part after its last backslash.
const wchar_t* ClipartFileName(const wchar_t* path);

class CWndSettingsClipart : public AvlfWindowImpl<CWndSettingsClipart>, public CWndSettingsBase {
 public:
  static constexpr int kTileCount = 4;
  using OpenDialogFunction = BOOL(WINAPI*)(OPENFILENAMEW* dialog);

  static win32::CWndClassInfo& GetWndClassInfo();
  CWndSettingsClipart();
  CWndSettingsClipart(const CWndSettingsClipart&) = delete;
  CWndSettingsClipart& operator=(const CWndSettingsClipart&) = delete;

  BEGIN_MSG_MAP(CWndSettingsClipart)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnInit)
  MESSAGE_HANDLER(WM_COMMAND, OnCommand)
  MESSAGE_HANDLER(WM_HSCROLL, OnHScroll)
  MESSAGE_HANDLER(WM_PAINT, OnPaintMessage)
  MESSAGE_HANDLER(WM_PRINTCLIENT, OnPaintMessage)
  MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBkgnd)
  CHAIN_MSG_MAP(AvlfWindowImpl<CWndSettingsClipart>)
  END_MSG_MAP()

  const wchar_t* GetCaption() override;
  void Update() override;
  // Takes any element and reloads, also when it is the one held.
  void SetFigure(CDTElement* element) override;
  void SetDocument(CDTImage* document) override;

  // The import dialog; the file goes into `target` (a tile's window) or,
  // without one, into the first empty tile or the selected one.
  BOOL ImportClipart(HWND target);
  BOOL AddClipartFile(const wchar_t* path, HWND target);
  void OnTileSelected(CWndIcon* tile);
  // The clip-art tool was chosen: a clip-art at the canvas centre,
  // imported first when no tile holds one.
  void PlaceClipart();
  // Background, then the white band under the tiles.
  void DrawBackground(HDC hdc);

  CWndIcon* Tile(int index) { return m_pTiles[index]; }

  AvlfWindowBase* m_pName = nullptr;
  AvlfIconBtn* m_pScale = nullptr;
  AvlfWindowBase* m_pPercent = nullptr;
  AvlfSlider* m_pOpacity = nullptr;
  CWndIcon m_wndTile1{this}, m_wndTile2{this}, m_wndTile3{this}, m_wndTile4{this};
  CWndIcon* const m_pTiles[kTileCount] = {&m_wndTile1, &m_wndTile2, &m_wndTile3, &m_wndTile4};
  // The open dialog; tests put their own in.
  OpenDialogFunction m_pfnOpenDialog = ::GetOpenFileNameW;

 private:
  LRESULT OnInit(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled);
  LRESULT OnHScroll(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled);
  LRESULT OnPaintMessage(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnEraseBkgnd(UINT, WPARAM, LPARAM, BOOL&) { return 1; }
  void ToggleScale();
  void ShowName(const wchar_t* path);
  CWndIcon* TargetTile(HWND target);
};
