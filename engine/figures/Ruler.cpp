#include "engine/figures/Ruler.h"

#include <d3d9.h>

#include <cmath>
#include <cstring>
#include <cwchar>

#include "engine/DirectUI.h"
#include "engine/Image.h"

namespace {

constexpr float kTick = 6.0f;

}  // namespace

CDTRuler::CDTRuler() {
  m_nType = DRAW_RULER;
  // The ruler's label is neither hit nor dragged: the element has none.
  m_pLabel = nullptr;
}

CDTRuler::~CDTRuler() {
  if (m_pVertexBuffer) m_pVertexBuffer->Release();
  m_pVertexBuffer = nullptr;
}

int CDTRuler::CreateDeviceObjects() {
  if (m_pOwner) {
    m_label.SetBackgroundColor(m_pOwner->m_clrRulerTextBk);
    m_label.SetBackground(m_pOwner->m_bTextBackground);
    m_label.SetBorder(m_pOwner->m_bTextBorder);
    m_label.Init(m_pOwner, m_pOwner->m_strFontFace.c_str(), m_pOwner->m_clrRulerText, m_pOwner->m_nRulerFontSize);
    m_nFontSize = m_pOwner->m_nRulerFontSize;
    m_clrText = m_pOwner->m_clrRulerText;
    m_clrLine = m_pOwner->m_clrRulerLine;
  }
  m_vertices = {{100.0f, 100.0f}, {300.0f, 100.0f}};
  m_outline = {{100.0f, 100.0f}, {100.0f, 100.0f}, {300.0f, 100.0f}, {300.0f, 100.0f}};
  m_handles.clear();
  AddHandle(100.0f, 100.0f);
  AddHandle(300.0f, 100.0f);
  UpdateBounds();
  BuildBracket();
  Measure();
  return 0;
}

int CDTRuler::ReleaseDeviceObjects() {
  if (m_pVertexBuffer) m_pVertexBuffer->Release();
  m_pVertexBuffer = nullptr;
  return CDTDraw::ReleaseDeviceObjects();
}

int CDTRuler::OnResetDevice() {
  if (m_pVertexBuffer) WriteBracket();
  Measure();
  return 0;
}

int CDTRuler::OnFontFaceChanged() {
  m_label.UseCanvasFontFace();
  PlaceLabelAbove();
  return 0;
}

void CDTRuler::OnVertexMoved(int) { BuildBracket(); }

void CDTRuler::BuildBracket() {
  if (m_handles.size() < 2) return;
  const float x0 = m_handles[0]->cx, y0 = m_handles[0]->cy;
  const float x1 = m_handles[1]->cx, y1 = m_handles[1]->cy;
  const double dx = static_cast<double>(x1) - x0, dy = static_cast<double>(y1) - y0;
  const double d = std::sqrt(dx * dx + dy * dy);
  if (d <= 1.0) {
    m_tickFirst = {x0, y0};
    m_tickSecond = {x1, y1};
  } else {
    // Perpendicular, on the same side: above a ruler that runs left to right.
    const float nx = static_cast<float>(kTick * dy / d), ny = static_cast<float>(-kTick * dx / d);
    m_tickFirst = {x0 + nx, y0 + ny};
    m_tickSecond = {x1 + nx, y1 + ny};
  }
  m_outline = {m_tickFirst, {x0, y0}, {x1, y1}, m_tickSecond};
  if (!m_pVertexBuffer && m_pOwner && m_pOwner->m_pDevice) {
    if (FAILED(m_pOwner->m_pDevice->CreateVertexBuffer(4 * sizeof(ColorVertex), D3DUSAGE_WRITEONLY, kColorVertexFormat,
                                                       D3DPOOL_MANAGED, &m_pVertexBuffer, nullptr)))
      m_pVertexBuffer = nullptr;
  }
  WriteBracket();
}

void CDTRuler::WriteBracket() {
  if (!m_pVertexBuffer || m_outline.size() != 4) return;
  void* data = nullptr;
  if (FAILED(m_pVertexBuffer->Lock(0, 0, &data, 0)) || !data) return;
  auto* v = static_cast<ColorVertex*>(data);
  for (size_t i = 0; i < 4; ++i) v[i] = {m_outline[i].x - 0.5f, m_outline[i].y - 0.5f, 0.0f, 1.0f, m_clrLine};
  m_pVertexBuffer->Unlock();
}

void CDTRuler::MoveBy(float dx, float dy) {
  if (!m_pVertexBuffer) return;
  for (PointF& p : m_outline) {
    p.x += dx;
    p.y += dy;
  }
  if (m_outline.size() == 4) {
    m_tickFirst = m_outline[0];
    m_tickSecond = m_outline[3];
  }
  WriteBracket();
}

void CDTRuler::OnLineColorChanged() { WriteBracket(); }

int CDTRuler::Draw() {
  if (!m_pVertexBuffer || !m_pOwner || !m_pOwner->m_pDevice) return 0;
  IDirect3DDevice9* device = m_pOwner->m_pDevice;
  device->SetTexture(0, nullptr);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  device->SetFVF(kColorVertexFormat);
  device->SetStreamSource(0, m_pVertexBuffer, 0, sizeof(ColorVertex));
  device->DrawPrimitive(D3DPT_LINESTRIP, 0, 3);
  if (m_szValue[0] && m_bShowResult) m_label.Draw();
  const CDTImage* doc = Document();
  if (m_bHover || (doc && doc->m_pSelected == this)) {
    for (size_t i = 0; i < m_handles.size(); ++i)
      DrawHandle(m_handles[i].get(), static_cast<int>(i) == m_nSelectedHandle);
  }
  return 0;
}

double CDTRuler::PixelLength() const {
  if (m_handles.size() < 2) return 0.0;
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  GetVertexPixel(0, &x0, &y0);
  GetVertexPixel(1, &x1, &y1);
  const double dx = static_cast<double>(x1) - x0, dy = static_cast<double>(y1) - y0;
  return std::sqrt(dx * dx + dy * dy);
}

void CDTRuler::PlaceLabelAbove() {
  const int width = m_label.m_nTextWidth, height = m_label.m_nTextHeight;
  if (width < 1 || height <= 0) return;
  m_label.PlaceAt((m_rcBounds.left + m_rcBounds.right - width) / 2,
                  (m_rcBounds.top + m_rcBounds.bottom) / 2 - height - 5);
}

void CDTRuler::Measure() {
  m_vertices.resize(m_handles.size());
  for (size_t i = 0; i < m_handles.size(); ++i) GetVertexPixel(static_cast<int>(i), &m_vertices[i].x, &m_vertices[i].y);
  UpdateBounds();
  const CDTImage* doc = Document();
  if (!doc || m_vertices.size() < 2) {
    m_dValue = 0.0;
    return;
  }
  const double dx = static_cast<double>(m_vertices[1].x) - m_vertices[0].x;
  const double dy = static_cast<double>(m_vertices[1].y) - m_vertices[0].y;
  m_dValue = CalibratedLength(std::sqrt(dx * dx + dy * dy));
  if (m_pOwner) {
    wchar_t format[32];
    std::swprintf(format, 32, L"%ls %%ls", m_pOwner->GetValueFormat());
    if (std::swprintf(m_szValue, 256, format, m_dValue, doc->m_szUnit) < 0) m_szValue[255] = 0;
  }
  if (m_szValue[0]) m_label.SetText(m_szValue);
  PlaceLabelAbove();
}

void CDTRuler::TurnTo(double oldScale, double newScale, const double ends[4]) {
  const CDTImage* doc = Document();
  if (!doc || m_handles.size() < 2 || m_vertices.size() < 2) return;
  const double angle = std::atan2(doc->m_nHeight * (ends[3] - ends[1]), doc->m_nWidth * (ends[2] - ends[0]));
  const double dx = static_cast<double>(m_vertices[1].x) - m_vertices[0].x;
  const double dy = static_cast<double>(m_vertices[1].y) - m_vertices[0].y;
  double v = std::sqrt(dx * dx + dy * dy) * oldScale;
  if (std::fabs(doc->MultiPower) > kTinyDivisor) v /= doc->MultiPower;
  const double length = doc->m_fZoom * v * doc->MultiPower / newScale;
  SetVertexScreen(1, static_cast<float>(m_handles[0]->cx + std::cos(angle) * length),
                  static_cast<float>(m_handles[0]->cy + std::sin(angle) * length));
}
