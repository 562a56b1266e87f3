#include "engine/figures/Ruler.h"

#include <cmath>

#include "engine/DirectUI.h"
#include "engine/Image.h"

int CDTRuler::CreateDeviceObjects() {
  if (m_pOwner) {
    m_nFontSize = m_pOwner->m_nRulerFontSize;
    m_clrText = m_pOwner->m_clrRulerText;
    m_clrLine = m_pOwner->m_clrRulerLine;
    m_label.SetBackgroundColor(m_pOwner->m_clrRulerTextBk);
  }
  m_vertices = {{100.0f, 100.0f}, {300.0f, 100.0f}};
  m_handles.clear();
  for (const PointF& v : m_vertices) AddHandle(v.x, v.y);
  UpdateBounds();
  Measure();
  return 0;
}

double CDTRuler::PixelLength() const {
  if (m_handles.size() < 2) return 0.0;
  float x0, y0, x1, y1;
  GetVertexPixel(0, &x0, &y0);
  GetVertexPixel(1, &x1, &y1);
  double dx = static_cast<double>(x1) - x0, dy = static_cast<double>(y1) - y0;
  return std::sqrt(dx * dx + dy * dy);
}

void CDTRuler::Measure() {
  m_vertices.resize(m_handles.size());
  for (size_t i = 0; i < m_handles.size(); ++i) GetVertexPixel(static_cast<int>(i), &m_vertices[i].x, &m_vertices[i].y);
  const CDTImage* doc = Document();
  if (!doc || m_vertices.size() < 2) {
    m_dValue = 0.0;
    return;
  }
  double dx = static_cast<double>(m_vertices[1].x) - m_vertices[0].x;
  double dy = static_cast<double>(m_vertices[1].y) - m_vertices[0].y;
  m_dValue = std::sqrt(dx * dx + dy * dy) * doc->ReferenceScale;
  if (std::fabs(doc->MultiPower) > kTinyDivisor) m_dValue /= doc->MultiPower;
}

void CDTRuler::TurnTo(double oldScale, double newScale, const double ends[4]) {
  const CDTImage* doc = Document();
  if (!doc || m_handles.size() < 2) return;
  double angle = std::atan2(doc->m_nHeight * (ends[3] - ends[1]), doc->m_nWidth * (ends[2] - ends[0]));
  double dx = static_cast<double>(m_vertices[1].x) - m_vertices[0].x;
  double dy = static_cast<double>(m_vertices[1].y) - m_vertices[0].y;
  double v = std::sqrt(dx * dx + dy * dy) * oldScale;
  if (std::fabs(doc->MultiPower) > kTinyDivisor) v /= doc->MultiPower;
  double length = doc->m_fZoom * v * doc->MultiPower / newScale;
  SetVertexScreen(1, static_cast<float>(m_handles[0]->cx + std::cos(angle) * length),
                  static_cast<float>(m_handles[0]->cy + std::sin(angle) * length));
}
