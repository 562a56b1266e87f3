#include "engine/figures/Draw.h"

#include <cmath>

#include "engine/DirectUI.h"
#include "engine/Image.h"

CDTDraw::~CDTDraw() = default;

CDTImage* CDTDraw::Document() const {
  return m_pParent && m_pParent->m_nKind == 0 ? static_cast<CDTImage*>(m_pParent) : nullptr;
}

void CDTDraw::ScreenToPixel(float sx, float sy, float* px, float* py) const {
  const CDTImage* doc = Document();
  float ox = doc ? static_cast<float>(doc->m_rcBounds.left) : 0.0f;
  float oy = doc ? static_cast<float>(doc->m_rcBounds.top) : 0.0f;
  float zoom = doc ? doc->m_fZoom : 1.0f;
  *px = sx - ox;
  *py = sy - oy;
  if (std::fabs(zoom) > kTinyDivisor) {
    *px /= zoom;
    *py /= zoom;
  }
}

void CDTDraw::PixelToScreen(float px, float py, float* sx, float* sy) const {
  const CDTImage* doc = Document();
  float ox = doc ? static_cast<float>(doc->m_rcBounds.left) : 0.0f;
  float oy = doc ? static_cast<float>(doc->m_rcBounds.top) : 0.0f;
  float zoom = doc ? doc->m_fZoom : 1.0f;
  *sx = px * zoom + ox;
  *sy = py * zoom + oy;
}

void CDTDraw::Reposition(float, float, BOOL) {
  for (size_t i = 0; i < m_handles.size() && i < m_vertices.size(); ++i)
    PixelToScreen(m_vertices[i].x, m_vertices[i].y, &m_handles[i].x, &m_handles[i].y);
  UpdateBounds();
}

void CDTDraw::Measure() {
  m_vertices.resize(m_handles.size());
  for (size_t i = 0; i < m_handles.size(); ++i)
    ScreenToPixel(m_handles[i].x, m_handles[i].y, &m_vertices[i].x, &m_vertices[i].y);
}

void CDTDraw::SetVertexScreen(int index, float x, float y) {
  m_handles[static_cast<size_t>(index)] = {x, y};
  UpdateBounds();
}

void CDTDraw::UpdateBounds() {
  if (m_handles.empty()) {
    m_rcBounds = {};
    return;
  }
  float l = m_handles[0].x, t = m_handles[0].y, r = l, b = t;
  for (const PointF& h : m_handles) {
    l = std::fmin(l, h.x);
    t = std::fmin(t, h.y);
    r = std::fmax(r, h.x);
    b = std::fmax(b, h.y);
  }
  m_rcBounds = {static_cast<LONG>(l), static_cast<LONG>(t), static_cast<LONG>(r), static_cast<LONG>(b)};
}

void CDTDraw::AfterStyleChange(BOOL repaint) {
  if (m_pOwner && repaint) m_pOwner->Repaint();
}

void CDTDraw::SetLineColor(DWORD argb, BOOL repaint) {
  if (argb == m_clrLine) return;
  m_clrLine = argb;
  AfterStyleChange(repaint);
}

void CDTDraw::SetPenWeight(int weight, BOOL repaint) {
  if (weight == m_nPenWeight) return;
  m_nPenWeight = weight;
  AfterStyleChange(repaint);
}

void CDTDraw::SetLineCap(int cap, BOOL repaint) {
  if (cap == m_nLineCap) return;
  m_nLineCap = cap;
  AfterStyleChange(repaint);
}

void CDTDraw::SetSolid(BOOL solid, BOOL repaint) {
  if (solid == m_bSolid) return;
  m_bSolid = solid;
  AfterStyleChange(repaint);
}

void CDTDraw::SetTextColor(DWORD argb, BOOL repaint) {
  if (argb == m_clrText) return;
  m_clrText = argb;
  m_label.m_clrText = argb;
  AfterStyleChange(repaint);
}

int CDTDraw::SetFontSize(int size, BOOL repaint) {
  if (size == m_nFontSize) return 0;
  m_nFontSize = size;
  m_label.m_nFontSize = size;
  AfterStyleChange(repaint);
  return 0;
}

void CDTDraw::SetTextBackgroundColor(DWORD argb, BOOL repaint) {
  if (argb == m_label.m_clrBackground) return;
  m_label.m_clrBackground = argb;
  AfterStyleChange(repaint);
}

void CDTDraw::SetTextBackground(BOOL on, BOOL repaint) {
  if ((on != 0) == (m_label.m_bBackground != 0)) return;
  m_label.m_bBackground = on != 0;
  AfterStyleChange(repaint);
}

void CDTDraw::SetTextBorder(BOOL on, BOOL repaint) {
  if ((on != 0) == (m_label.m_bBorder != 0)) return;
  m_label.m_bBorder = on != 0;
  AfterStyleChange(repaint);
}
