#include "panels/ClipartTile.h"

#include <algorithm>

#include "engine/DirectUI.h"
#include "engine/Types.h"
#include "panels/ClipartPanel.h"
#include "panels/ToolPalette.h"
#include "toolkit/DoubleBuffer.h"

namespace {
constexpr int kClipartButton = 22;
}

win32::CWndClassInfo& CWndIcon::GetWndClassInfo() {
  static win32::CWndClassInfo info = {L"WndIcon", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

CWndIcon::CWndIcon(CWndSettingsClipart* panel) : m_pPanel(panel) {}

CWndIcon::~CWndIcon() { delete m_pPicture; }

void CWndIcon::PlaceTile() {
  m_nTileWidth = m_nTileHeight = kTileSide;
  m_nTileX = std::max((static_cast<int>(m_rcClient.right) - kTileSide) / 2, 0);
  m_nTileY = std::max((static_cast<int>(m_rcClient.bottom) - kTileSide) / 2, 0);
}

void CWndIcon::FitPicture(int width, int height, int* x, int* y, int* dw, int* dh) {
  int w = width;
  int h = height;
  if (width > kTileSide || height > kTileSide) {
    const float ratio = static_cast<float>(width) / static_cast<float>(height);
    float fw = ratio * kTileSide;
    float fh = kTileSide;
    if (fw > kTileSide) {
      fw = kTileSide;
      fh = kTileSide / ratio;
    }
    w = static_cast<int>(fw);
    h = static_cast<int>(fh);
  }
  *dw = w;
  *dh = h;
  *x = std::max((kTileSide - w) / 2, 0);
  *y = std::max((kTileSide - h) / 2, 0);
}

LRESULT CWndIcon::LoadImageFile(const wchar_t* path) {
  return ::SendMessageW(m_hWnd, WM_ICON_LOADIMAGE, 0, reinterpret_cast<LPARAM>(path));
}

void CWndIcon::SetSelected(BOOL selected) {
  if ((selected ? 1 : 0) == m_bSelected) return;
  m_bSelected = selected ? 1 : 0;
  if (m_hWnd) Invalidate(FALSE);
}

LRESULT CWndIcon::OnRegisteredMessage(UINT msg, WPARAM, LPARAM lParam, BOOL& handled) {
  if (msg == WM_ICON_LOADIMAGE) return OnLoadImage(reinterpret_cast<const wchar_t*>(lParam));
  handled = FALSE;
  return 0;
}

LRESULT CWndIcon::OnLoadImage(const wchar_t* path) {
  if (!path) return 0;
  m_strPath = path;
  Gdiplus::Bitmap image(path);
  if (image.GetLastStatus() != Gdiplus::Ok || !m_pPicture) return 0;
  const int width = static_cast<int>(image.GetWidth());
  const int height = static_cast<int>(image.GetHeight());
  if (width <= 1 || height <= 1) return 0;
  int x, y, dw, dh;
  FitPicture(width, height, &x, &y, &dw, &dh);
  {
    Gdiplus::Graphics graphics(m_pPicture);
    graphics.Clear(Gdiplus::Color(0x00FFFFFF));
    graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBilinear);
    graphics.DrawImage(&image, Gdiplus::Rect(x, y, dw, dh), 0, 0, width, height, Gdiplus::UnitPixel);
  }
  m_bLoaded = 1;
  m_bSelected = 1;
  Invalidate(FALSE);
  return 0;
}

LRESULT CWndIcon::OnSkinInit(UINT, WPARAM, LPARAM, BOOL&) {
  ::GetClientRect(m_hWnd, &m_rcClient);
  if (!m_pPicture) {
    m_pPicture = new Gdiplus::Bitmap(kTileSide, kTileSide, PixelFormat32bppARGB);
    if (m_pPicture->GetLastStatus() != Gdiplus::Ok) {
      delete m_pPicture;
      m_pPicture = nullptr;
    }
  }
  PlaceTile();
  return 0;
}

LRESULT CWndIcon::OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled) {
  delete m_pPicture;
  m_pPicture = nullptr;
  handled = FALSE;
  return 0;
}

LRESULT CWndIcon::OnSizeMessage(UINT, WPARAM, LPARAM lParam, BOOL&) {
  const int width = static_cast<short>(LOWORD(lParam));
  const int height = static_cast<short>(HIWORD(lParam));
  if (width > 0 && height > 0) {
    m_rcClient = RECT{0, 0, width, height};
    PlaceTile();
  }
  return 0;
}

LRESULT CWndIcon::OnLButtonDown(UINT, WPARAM, LPARAM, BOOL&) {
  if (m_strPath.empty()) return 0;
  if (g_pWndTool) g_pWndTool->SelectButton(kClipartButton);
  if (g_pDirectUI) g_pDirectUI->SetTool(DRAW_CLIPART);
  if (!m_bSelected && m_pPicture) {
    m_bSelected = 1;
    Invalidate(FALSE);
    if (m_pPanel) m_pPanel->OnTileSelected(this);
  }
  return 0;
}

LRESULT CWndIcon::OnLButtonDblClk(UINT, WPARAM, LPARAM, BOOL&) {
  if (m_pPanel) m_pPanel->ImportClipart(m_hWnd);
  return 0;
}

LRESULT CWndIcon::OnPaintMessage(UINT, WPARAM wParam, LPARAM, BOOL&) {
  AvlfPaintDoubleBuffered(m_hWnd, wParam, [this](HDC hdc) { DoPaint(hdc); });
  return 0;
}

void CWndIcon::DoPaint(HDC hdc) {
  CopyTransparentBackground(*this, hdc);
  if (!m_pPicture) return;
  Gdiplus::Graphics graphics(hdc);
  if (m_bLoaded) graphics.DrawImage(m_pPicture, m_nTileX, m_nTileY, kTileSide, kTileSide);
  if (m_bSelected) {
    Gdiplus::Pen pen(Gdiplus::Color(0xFF005098), 2.0f);
    const int y = static_cast<int>(m_rcClient.bottom) - 3;
    graphics.DrawLine(&pen, m_nTileX, y, m_nTileX + kTileSide, y);
  }
}
