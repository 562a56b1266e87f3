// A clip-art tile: one picture fitted into a 36 x 36 square centred in a
// small skinned window, underlined while it is the current clip-art.
#pragma once

#include <windows.h>

#include <gdiplus.h>

#include <string>

#include "settings/RegisteredMessages.h"
#include "toolkit/SkinWindow.h"

class CWndIcon;

// The clip-art panel that holds the tiles (panels/ClipartPanel.h).
class CWndSettingsClipart;

inline constexpr int kTileSide = 36;

class CWndIcon : public AvlfWindowImpl<CWndIcon> {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();
  explicit CWndIcon(CWndSettingsClipart* panel = nullptr);
  ~CWndIcon() override;
  CWndIcon(const CWndIcon&) = delete;
  CWndIcon& operator=(const CWndIcon&) = delete;

  LRESULT LoadImageFile(const wchar_t* path);
  void SetSelected(BOOL selected);
  void DoPaint(HDC hdc);

  BEGIN_MSG_MAP(CWndIcon)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnSkinInit)
  MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
  MESSAGE_HANDLER(WM_SIZE, OnSizeMessage)
  MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
  MESSAGE_HANDLER(WM_LBUTTONDBLCLK, OnLButtonDblClk)
  MESSAGE_HANDLER(WM_PAINT, OnPaintMessage)
  MESSAGE_HANDLER(WM_PRINTCLIENT, OnPaintMessage)
  MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBkgnd)
  MESSAGE_RANGE_HANDLER(0xC000, 0xFFFF, OnRegisteredMessage)
  CHAIN_MSG_MAP(AvlfWindowImpl<CWndIcon>)
  END_MSG_MAP()

  LRESULT OnSkinInit(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled);
  LRESULT OnSizeMessage(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnLButtonDown(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnLButtonDblClk(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnPaintMessage(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnEraseBkgnd(UINT, WPARAM, LPARAM, BOOL&) { return 1; }
  LRESULT OnRegisteredMessage(UINT msg, WPARAM, LPARAM lParam, BOOL& handled);
  LRESULT OnLoadImage(const wchar_t* path);

  RECT m_rcClient{};
  int m_nTileX = 0, m_nTileY = 0, m_nTileWidth = 0, m_nTileHeight = 0;
  Gdiplus::Bitmap* m_pPicture = nullptr;
  int m_bLoaded = 0;
  int m_bSelected = 0;
  std::wstring m_strPath;
  // The panel told of double clicks and selections; null in a bare tile.
  CWndSettingsClipart* m_pPanel = nullptr;

  // Drawn size and place of a width x height picture in the 36 x 36 square.
  static void FitPicture(int width, int height, int* x, int* y, int* dw, int* dh);

 private:
  void PlaceTile();
};
