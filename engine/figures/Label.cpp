#include "engine/figures/Label.h"

#include <d3d9.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>

#include "engine/DirectUI.h"
#include "engine/figures/Draw.h"
#include "engine/figures/LabelBatch.h"
#include "engine/text/FTFontFactory.h"
#include "win32/ComPtr.h"

namespace {

void ShowFontMessageBox(const wchar_t* text) { ::MessageBoxW(nullptr, text, nullptr, MB_ICONERROR); }

FontMessageFunction g_fontMessage = ShowFontMessageBox;

const wchar_t kFontMissing[] = L"Make sure you have the font file";

}  // namespace

FontMessageFunction SetFontMessageFunction(FontMessageFunction function) {
  FontMessageFunction previous = g_fontMessage;
  g_fontMessage = function ? function : ShowFontMessageBox;
  return previous;
}

void ShowFontMissingMessage() { g_fontMessage(kFontMissing); }

CDTLabel::CDTLabel() {
  for (ColorVertex& v : m_box) v = {0.0f, 0.0f, 0.0f, 1.0f, 0x80000000};
}

CDTLabel::~CDTLabel() { ReleaseDeviceObjects(); }

FTFont* CDTLabel::ObtainFont(const wchar_t* face, int size) {
  if (!m_pCanvas) return nullptr;
  FTFont* font = m_pCanvas->m_fontFactory.CreateFaceFont(face, size, 0, 0, false);
  if (!font) ShowFontMissingMessage();
  return font;
}

void CDTLabel::Init(CDirectUI* canvas, const wchar_t* face, DWORD textColour, int fontSize) {
  for (int i = 4; i < 9; ++i) m_box[i].color = textColour;
  m_clrText = textColour;
  m_pCanvas = canvas;
  m_nFontSize = fontSize;
  m_strFontFace = face ? face : L"";
  if (m_pFont && m_pCanvas) m_pCanvas->m_fontFactory.ReleaseFont(m_pFont);
  m_pFont = nullptr;
  m_bRendered = false;
  if (m_pCanvas) m_pFont = ObtainFont(m_strFontFace.c_str(), m_nFontSize);
}

void CDTLabel::Attach(CDTDraw* figure) {
  m_pFigure = figure;
  if (figure) figure->m_pLabel = this;
}

void CDTLabel::SetText(const wchar_t* text) {
  if (!text) return;
  const size_t length = std::min<size_t>(std::wcslen(text), 255);
  // A figure measures on every mouse move: the same text in the same font is not drawn again.
  if (m_bRendered && m_pFont && (m_pSurface || m_nCells == 0) && m_szText[length] == 0 &&
      std::wmemcmp(m_szText, text, length) == 0)
    return;
  std::memset(m_szText, 0, sizeof m_szText);
  std::wmemcpy(m_szText, text, length);
  if (!m_pFont) return;
  Render();
}

void CDTLabel::Render() {
  m_bRendered = true;
  m_bAtlasStale = true;
  m_pFont->MeasureText(m_szText, -1, &m_nTextWidth, &m_nTextHeight);
  m_nTextWidth = std::max(0, m_nTextWidth);
  m_nTextHeight = std::max(0, m_nTextHeight);
  const int cells = m_nTextWidth / kCellSize + (m_nTextWidth % kCellSize ? 1 : 0);
  // The surface holds only the rows that are drawn: a slice never shows more than 256.
  const int rows = std::min(m_nTextHeight, kCellSize);
  if (cells != m_nCells) {
    delete[] m_pCells;
    m_pCells = nullptr;
    if (m_pSurface) m_pSurface->Release();
    m_pSurface = nullptr;
    m_nCells = cells;
    if (cells > 0) {
      m_pCells = new CCell[static_cast<size_t>(cells)];
      for (int i = 0; i < cells; ++i) m_pCells[i].m_pLabel = this;
    }
  }
  if (m_pSurface && rows != m_nSurfaceRows) {
    m_pSurface->Release();
    m_pSurface = nullptr;
  }
  IDirect3DDevice9* device = m_pCanvas ? static_cast<IDirect3DDevice9*>(m_pCanvas->m_pDevice) : nullptr;
  if (!m_pSurface && device && cells > 0 && rows > 0) {
    if (SUCCEEDED(device->CreateOffscreenPlainSurface(static_cast<UINT>(cells * kCellSize), static_cast<UINT>(rows),
                                                      D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &m_pSurface, nullptr)))
      m_nSurfaceRows = rows;
    else
      m_pSurface = nullptr;
  }
  if (m_pSurface) {
    D3DLOCKED_RECT locked{};
    if (SUCCEEDED(m_pSurface->LockRect(&locked, nullptr, 0))) {
      auto* bits = static_cast<unsigned char*>(locked.pBits);
      const size_t rowBytes = static_cast<size_t>(m_nCells) * kCellSize * 4;
      for (int y = 0; y < m_nSurfaceRows; ++y)
        std::memset(bits + static_cast<ptrdiff_t>(y) * locked.Pitch, 0, rowBytes);
      m_pFont->SetTarget(static_cast<uint32_t*>(locked.pBits), m_nCells * kCellSize, m_nSurfaceRows, locked.Pitch);
      m_pFont->DrawText(m_szText, -1, 0, 0);
      m_pFont->SetTarget(nullptr, 0, 0, 0);
      m_pSurface->UnlockRect();
    }
  }
  Layout();
}

void CDTLabel::Layout() {
  for (int i = 0; i < m_nCells; ++i) {
    CCell& cell = m_pCells[i];
    const int remaining = m_nTextWidth - kCellSize * i;
    const int width = std::min(kCellSize, remaining);
    cell.m_rcSource = {kCellSize * i, 0, kCellSize * i + width, std::min(kCellSize, m_nTextHeight)};
    cell.m_rcScreen = {m_ptPosition.x + kCellSize * i, m_ptPosition.y, m_ptPosition.x + kCellSize * i + width,
                       m_ptPosition.y + m_nTextHeight};
    const float u = remaining >= kCellSize ? 1.0f : static_cast<float>(remaining) / kCellSize;
    const float v = m_nTextHeight >= kCellSize ? 1.0f : static_cast<float>(m_nTextHeight) / kCellSize;
    const float l = cell.m_rcScreen.left - 0.5f, t = cell.m_rcScreen.top - 0.5f;
    const float r = cell.m_rcScreen.right - 0.5f, b = cell.m_rcScreen.bottom - 0.5f;
    cell.m_quad[0] = {l, t, 0.0f, 1.0f, m_clrText, 0.0f, 0.0f};
    cell.m_quad[1] = {r, t, 0.0f, 1.0f, m_clrText, u, 0.0f};
    cell.m_quad[2] = {l, b, 0.0f, 1.0f, m_clrText, 0.0f, v};
    cell.m_quad[3] = {r, b, 0.0f, 1.0f, m_clrText, u, v};
  }
  const float l = static_cast<float>(m_ptPosition.x - 5), t = static_cast<float>(m_ptPosition.y - 2);
  const float r = static_cast<float>(m_ptPosition.x + m_nTextWidth + 4);
  const float b = static_cast<float>(m_ptPosition.y + m_nTextHeight + 1);
  const float xs[9] = {l, r, l, r, l, r, r, l, l};
  const float ys[9] = {t, t, b, b, t, t, b, b, t};
  for (int i = 0; i < 9; ++i) {
    m_box[i].x = xs[i];
    m_box[i].y = ys[i];
  }
}

void CDTLabel::SetFontFace(const wchar_t* face) {
  if (!face || m_strFontFace == face) return;
  m_strFontFace = face;
  if (!m_pCanvas || !face[0]) return;
  FTFont* font = ObtainFont(face, m_nFontSize);
  if (!font) return;
  if (m_pFont) m_pCanvas->m_fontFactory.ReleaseFont(m_pFont);
  m_pFont = font;
  if (m_szText[0]) Render();
}

void CDTLabel::SetFontSize(int size) {
  if (size == m_nFontSize) return;
  m_nFontSize = size;
  if (!m_pCanvas || m_strFontFace.empty()) return;
  FTFont* font = ObtainFont(m_strFontFace.c_str(), size);
  if (!font) return;
  if (m_pFont) m_pCanvas->m_fontFactory.ReleaseFont(m_pFont);
  m_pFont = font;
  if (m_szText[0]) Render();
}

void CDTLabel::UseCanvasFontFace() {
  if (m_pCanvas) SetFontFace(m_pCanvas->m_strFontFace.c_str());
}

void CDTLabel::SetTextColor(DWORD argb) {
  m_clrText = argb;
  for (int i = 0; i < m_nCells; ++i)
    for (TexturedVertex& v : m_pCells[i].m_quad) v.color = argb;
  for (int i = 4; i < 9; ++i) m_box[i].color = argb;
}

void CDTLabel::SetBackgroundColor(DWORD argb) {
  m_clrBackground = argb;
  for (int i = 0; i < 4; ++i) m_box[i].color = argb;
}

void CDTLabel::FigureCenter(float* x, float* y) const {
  const RECT& rc = m_pFigure->m_rcBounds;
  m_pFigure->ScreenToPixel((rc.left + rc.right) * 0.5f, (rc.top + rc.bottom) * 0.5f, x, y);
}

void CDTLabel::LabelCenter(float* x, float* y) const {
  m_pFigure->ScreenToPixel(m_ptPosition.x + m_nTextWidth * 0.5f, m_ptPosition.y + m_nTextHeight * 0.5f, x, y);
}

void CDTLabel::PlaceAt(int x, int y) {
  if (m_bFollows) {
    UpdatePosition();
    return;
  }
  m_ptPosition = {x, y};
  if (m_pFigure) LabelCenter(&m_fOffsetX, &m_fOffsetY);
  Layout();
}

void CDTLabel::MoveTo(int x, int y) {
  m_ptPosition = {x, y};
  if (m_pFigure) RecordOffset();
  Layout();
  if (m_pFigure && m_pFigure->m_bComplete) m_bFollows = 1;
}

void CDTLabel::RecordOffset() {
  if (!m_pFigure) return;
  float lx, ly, fx, fy;
  LabelCenter(&lx, &ly);
  FigureCenter(&fx, &fy);
  m_fOffsetX = lx - fx;
  m_fOffsetY = ly - fy;
}

void CDTLabel::UpdatePosition() {
  if (!m_pFigure) return;
  if (m_bFollows) {
    float fx, fy, sx, sy;
    FigureCenter(&fx, &fy);
    m_pFigure->PixelToScreen(fx + m_fOffsetX, fy + m_fOffsetY, &sx, &sy);
    // Rounded down, not toward zero: the renderer moves the picture by whole
    // tiles to negative offsets, and a label must land on the same pixel there.
    m_ptPosition = {static_cast<LONG>(std::floor(sx - m_nTextWidth * 0.5f)),
                    static_cast<LONG>(std::floor(sy - m_nTextHeight * 0.5f))};
  }
  Layout();
}

BOOL CDTLabel::HitTest(const POINT* point) const {
  if (!point) return FALSE;
  return point->x >= m_ptPosition.x && point->x < m_ptPosition.x + m_nTextWidth && point->y >= m_ptPosition.y &&
         point->y < m_ptPosition.y + m_nTextHeight;
}

// The outline as four one-pixel bars rather than a line strip: where the box
// crosses the edge of the target, the clipped strip loses a corner pixel that
// the unclipped one keeps, and a label across a tile seam would differ.
int CDTLabel::BorderTriangles(ColorVertex (&v)[24]) const {
  const float l = m_box[4].x, t = m_box[4].y, r = m_box[5].x, b = m_box[6].y;
  const D3DCOLOR c = m_box[4].color;
  // Pixel-centred corners: the bars cover columns l..r and rows t..b.
  const float bars[4][4] = {{l, t, r, t}, {l, b, r, b}, {l, t + 1.0f, l, b - 1.0f}, {r, t + 1.0f, r, b - 1.0f}};
  int n = 0;
  for (const auto& bar : bars) {
    if (bar[2] < bar[0] || bar[3] < bar[1]) continue;
    const float x0 = bar[0] - 0.5f, y0 = bar[1] - 0.5f, x1 = bar[2] + 0.5f, y1 = bar[3] + 0.5f;
    const ColorVertex quad[6] = {{x0, y0, 0.0f, 1.0f, c}, {x1, y0, 0.0f, 1.0f, c}, {x0, y1, 0.0f, 1.0f, c},
                                 {x1, y0, 0.0f, 1.0f, c}, {x1, y1, 0.0f, 1.0f, c}, {x0, y1, 0.0f, 1.0f, c}};
    for (const ColorVertex& q : quad) v[n++] = q;
  }
  return n;
}

void CDTLabel::DrawBorder(IDirect3DDevice9* device) const {
  ColorVertex v[24];
  if (const int n = BorderTriangles(v))
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(n / 3), v, sizeof(ColorVertex));
}

int CDTLabel::Draw() {
  if (!m_pCanvas || !m_pCanvas->m_pDevice) return 0;
  if (!m_pCanvas->m_labelBatch.Add(this)) DrawAlone();
  return 0;
}

void CDTLabel::DrawAlone() {
  IDirect3DDevice9* device = m_pCanvas->m_pDevice;
  if (m_bBackground) {
    // Colour and alpha from the box's vertices, whatever the last draw left on the stage.
    device->SetTexture(0, nullptr);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
    device->SetFVF(kColorVertexFormat);
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, m_box, sizeof(ColorVertex));
    if (m_bBorder) DrawBorder(device);
  }
  if (!m_pSurface || !m_pCanvas->m_pStaging || !m_pCanvas->m_pBlack) return;
  device->SetTexture(0, m_pCanvas->m_pStaging);
  device->SetFVF(kTexturedVertexFormat);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  for (int i = 0; i < m_nCells; ++i) {
    win32::CComPtr<IDirect3DSurface9> staging;
    if (FAILED(m_pCanvas->m_pStaging->GetSurfaceLevel(0, &staging))) break;
    const RECT& source = m_pCells[i].m_rcSource;
    // Blank only what the quad can sample: the slice and one texel beyond it.
    const RECT blank{0, 0, std::min<LONG>(kCellSize, source.right - source.left + 1),
                     std::min<LONG>(kCellSize, source.bottom - source.top + 1)};
    const POINT corner{0, 0};
    device->UpdateSurface(m_pCanvas->m_pBlack, &blank, staging, &corner);
    if (source.right > source.left && source.bottom > source.top) {
      const POINT origin{0, 0};
      device->UpdateSurface(m_pSurface, &source, staging, &origin);
    }
    staging.Release();
    device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, m_pCells[i].m_quad, sizeof(TexturedVertex));
  }
}

void CDTLabel::ReleaseDeviceObjects() {
  m_pAtlasOwner = nullptr;
  m_nAtlasPage = -1;
  if (m_pSurface) m_pSurface->Release();
  m_pSurface = nullptr;
  m_nSurfaceRows = 0;
  delete[] m_pCells;
  m_pCells = nullptr;
  m_nCells = 0;
  if (m_pFont && m_pCanvas) m_pCanvas->m_fontFactory.ReleaseFont(m_pFont);
  m_pFont = nullptr;
  m_bRendered = false;
}
