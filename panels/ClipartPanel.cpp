#include "panels/ClipartPanel.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

#include "app/OpenFiles.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/Types.h"
#include "engine/figures/Clipart.h"
#include "settings/Configuration.h"
#include "toolkit/Buttons.h"
#include "toolkit/DoubleBuffer.h"
#include "toolkit/SkinUi.h"
#include "toolkit/Slider.h"
#include "toolkit/Static.h"

namespace {

// The held element when it is a clip-art figure.
CDTClipart* HeldClipart(CDTElement* element) {
  if (!element || element->m_nKind != 1) return nullptr;
  auto* figure = static_cast<CDTDraw*>(element);
  return figure->m_nType == DRAW_CLIPART ? static_cast<CDTClipart*>(figure) : nullptr;
}

bool PictureShown(const CDirectUI& canvas) {
  const CDTImage* document = canvas.m_pActiveImage;
  return document && document->m_nWidth > 0 && document->m_nHeight > 0;
}

}  // namespace

int ClipartOpacityPercent(DWORD argb) {
  const float alpha = static_cast<float>(argb >> 24);
  return static_cast<int>(std::round(alpha * 100.0f / 255.0f));
}

BYTE ClipartAlphaFromPercent(int percent) {
  const float pos = static_cast<float>(std::clamp(percent, 0, 100));
  return static_cast<BYTE>(std::round(pos * 255.0f / 100.0f));
}

const wchar_t* ClipartFileName(const wchar_t* path) {
  if (!path || std::wcslen(path) <= 3) return path;
  const wchar_t* slash = std::wcsrchr(path, L'\\');
  if (!slash) return path;
  return slash[1] ? slash + 1 : path;
}

win32::CWndClassInfo& CWndSettingsClipart::GetWndClassInfo() {
  static win32::CWndClassInfo info = {L"WndSettingsClipart", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

CWndSettingsClipart::CWndSettingsClipart() = default;

LRESULT CWndSettingsClipart::OnInit(UINT, WPARAM, LPARAM, BOOL&) {
  m_pName = FindChildByCommandId(CLIPART_NAME);
  m_pScale = dynamic_cast<AvlfIconBtn*>(FindChildByCommandId(CLIPART_SCALE));
  m_pPercent = FindChildByCommandId(CLIPART_OPACITY_TEXT);
  m_pOpacity = dynamic_cast<AvlfSlider*>(FindChildByCommandId(CLIPART_OPACITY));
  for (int i = 0; i < kTileCount; ++i) AttachSkinChild(this, *m_pTiles[i], CLIPART_TILE1 + i);
  if (g_pDirectUI) {
    m_pDocument = g_pDirectUI->m_pActiveImage;
    m_pFigure = m_pDocument ? m_pDocument->m_pSelected : nullptr;
    Update();
  }
  return 0;
}

const wchar_t* CWndSettingsClipart::GetCaption() { return m_pCaption ? m_pCaption->GetText() : nullptr; }

void CWndSettingsClipart::SetFigure(CDTElement* element) {
  m_pFigure = element;
  Update();
}

void CWndSettingsClipart::SetDocument(CDTImage* document) {
  m_pDocument = document;
  m_pFigure = document ? document->m_pSelected : nullptr;
  Update();
}

void CWndSettingsClipart::Update() {
  if (!g_pDirectUI || !m_pName) return;
  int fixed = static_cast<int>(g_Config.m_ClipartFixS);
  DWORD colour = g_Config.m_ClipartColor;
  if (CDTClipart* clipart = HeldClipart(m_pFigure)) {
    fixed = clipart->m_bFixed;
    colour = clipart->m_clrLine;
  }
  if (m_pScale) m_pScale->SetCheck(fixed == 0, true);
  const int percent = ClipartOpacityPercent(colour);
  if (m_pPercent && m_pPercent->m_hWnd) ::SetDlgItemInt(m_hWnd, CLIPART_OPACITY_TEXT, percent, TRUE);
  if (m_pOpacity && m_pOpacity->m_hWnd) m_pOpacity->SetPos(percent);
}

LRESULT CWndSettingsClipart::OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
  switch (LOWORD(wParam)) {
    case CLIPART_IMPORT:
      ImportClipart(nullptr);
      return 0;
    case CLIPART_SCALE:
      ToggleScale();
      return 0;
    default:
      handled = FALSE;  // on to the reflection
      return 0;
  }
}

void CWndSettingsClipart::ToggleScale() {
  if (!g_pDirectUI) return;
  g_Config.m_ClipartFixS = g_Config.m_ClipartFixS ? 0 : 1;
  if (m_pScale) m_pScale->SetCheck(g_Config.m_ClipartFixS == 0, true);
  g_pDirectUI->SetClipartFixedSize(g_Config.m_ClipartFixS ? TRUE : FALSE, HeldClipart(m_pFigure));
}

LRESULT CWndSettingsClipart::OnHScroll(UINT, WPARAM wParam, LPARAM, BOOL&) {
  if (!m_pDocument || !g_pDirectUI) return 0;
  const int code = LOWORD(wParam);
  if (code != SB_THUMBPOSITION && code != SB_ENDSCROLL) return 0;
  // A stray position past the slider's range would wrap the alpha byte.
  const int pos = std::clamp(static_cast<int>(HIWORD(wParam)), 0, 100);
  const BYTE alpha = ClipartAlphaFromPercent(pos);
  if (m_pPercent && m_pPercent->m_hWnd) ::SetDlgItemInt(m_hWnd, CLIPART_OPACITY_TEXT, pos, FALSE);
  CDTClipart* clipart = HeldClipart(m_pFigure);
  const DWORD base = clipart ? clipart->m_clrLine : g_pDirectUI->m_clrClipart;
  const DWORD colour = (base & 0x00FFFFFFu) | (static_cast<DWORD>(alpha) << 24);
  g_pDirectUI->SetClipartColor(colour, clipart);
  g_Config.m_ClipartColor = colour;
  return 0;
}

BOOL CWndSettingsClipart::ImportClipart(HWND target) {
  wchar_t file[260] = {};
  wchar_t title[256] = {};
  static const wchar_t kFilter[] = L"Image Files\0*.bmp;*.jpg;*.png;\0";
  OPENFILENAMEW dialog = ShellFileDialog(file, 260, kFilter, OFN_HIDEREADONLY | OFN_FILEMUSTEXIST);
  dialog.lpstrFileTitle = title;
  dialog.nMaxFileTitle = 256;
  if (auto* caption = static_cast<AvlfUiElementText*>(GetSkinUi()->FindElement(L"ClipartImport", 5)))
    dialog.lpstrTitle = caption->GetText();
  if (!m_pfnOpenDialog || !m_pfnOpenDialog(&dialog)) return FALSE;
  return AddClipartFile(file, target);
}

CWndIcon* CWndSettingsClipart::TargetTile(HWND target) {
  for (CWndIcon* tile : m_pTiles)
    if (target && tile->m_hWnd == target) return tile;
  for (CWndIcon* tile : m_pTiles)
    if (tile->m_strPath.empty()) return tile;
  for (CWndIcon* tile : m_pTiles)
    if (tile->m_bSelected) return tile;
  return m_pTiles[0];
}

BOOL CWndSettingsClipart::AddClipartFile(const wchar_t* path, HWND target) {
  if (!path || !g_pDirectUI || !g_pDirectUI->SetClipartFile(path)) return FALSE;
  ShowName(path);
  CWndIcon* tile = TargetTile(target);
  if (tile->m_hWnd) tile->LoadImageFile(path);
  for (CWndIcon* other : m_pTiles)
    if (other != tile) other->SetSelected(FALSE);
  return TRUE;
}

void CWndSettingsClipart::ShowName(const wchar_t* path) {
  if (!m_pName || !path) return;
  const wchar_t* name = ClipartFileName(path);
  m_pName->m_strText = name;
  if (auto* label = dynamic_cast<AvlfStatic*>(m_pName)) label->m_bLayoutValid = false;
  if (m_pName->m_hWnd) ::SetWindowTextW(m_pName->m_hWnd, name);
}

void CWndSettingsClipart::OnTileSelected(CWndIcon* tile) {
  if (!tile) return;
  if (std::find(std::begin(m_pTiles), std::end(m_pTiles), tile) != std::end(m_pTiles)) {
    if (g_pDirectUI) g_pDirectUI->SetClipartFile(tile->m_strPath.c_str());
    for (CWndIcon* other : m_pTiles)
      if (other != tile) other->SetSelected(FALSE);
  }
  ShowName(tile->m_strPath.c_str());
}

void CWndSettingsClipart::PlaceClipart() {
  const bool anyPicture =
      std::any_of(std::begin(m_pTiles), std::end(m_pTiles), [](const CWndIcon* t) { return !t->m_strPath.empty(); });
  if (!anyPicture) {
    if (ImportClipart(nullptr) && g_pDirectUI && g_pDirectUI->m_nTool == DRAW_CLIPART && PictureShown(*g_pDirectUI))
      g_pDirectUI->AddFigureAtCenter();
    return;
  }
  if (!g_pDirectUI || !g_pDirectUI->m_pszClipartFile) return;
  if (g_pDirectUI->m_nTool == DRAW_CLIPART && PictureShown(*g_pDirectUI)) g_pDirectUI->AddFigureAtCenter();
}

void CWndSettingsClipart::DrawBackground(HDC hdc) {
  AvlfWindowImpl<CWndSettingsClipart>::DrawBackground(hdc);
  RECT rc{};
  ::GetClientRect(m_hWnd, &rc);
  RECT band{4, 114, rc.right - 4, 114 + 48};
  if (band.right <= band.left) return;
  ::FillRect(hdc, &band, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
}

LRESULT CWndSettingsClipart::OnPaintMessage(UINT, WPARAM wParam, LPARAM, BOOL&) {
  AvlfPaintDoubleBuffered(m_hWnd, wParam, [this](HDC hdc) { DrawBackground(hdc); });
  return 0;
}
