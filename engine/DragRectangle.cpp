#include "engine/DragRectangle.h"

#include <algorithm>

#include "engine/DirectUI.h"
#include "engine/Image.h"

void CDTDragRectangle::SetActive(BOOL on) {
  m_bActive = on;
  if (m_pCanvas && m_pCanvas->m_pObserver) m_pCanvas->m_pObserver->OnRegionChanged(on);
}

void CDTDragRectangle::Track(BOOL start, const POINT* point) {
  if (!point) {
    m_bDragging = start;
    return;
  }
  if (start) {
    m_nAnchorX = m_nCurrentX = point->x;
    m_nAnchorY = m_nCurrentY = point->y;
    m_bDragging = 1;
  } else {
    m_nCurrentX = point->x;
    m_nCurrentY = point->y;
    m_bDragging = 0;
  }
}

void CDTDragRectangle::DragTo(const POINT* point) {
  if (!point) return;
  m_nCurrentX = point->x;
  m_nCurrentY = point->y;
  CDTImage* doc = m_pCanvas ? m_pCanvas->m_pActiveImage : nullptr;
  if (doc) {
    float zoom = doc->m_fZoom;
    float l = static_cast<float>(m_nAnchorX - doc->m_rcBounds.left);
    float t = static_cast<float>(m_nAnchorY - doc->m_rcBounds.top);
    float w = static_cast<float>(m_nCurrentX - m_nAnchorX);
    float h = static_cast<float>(m_nCurrentY - m_nAnchorY);
    if (zoom > 0.0000001f) {
      l /= zoom;
      t /= zoom;
      w /= zoom;
      h /= zoom;
    }
    doc->m_rcRegion = {static_cast<LONG>(l), static_cast<LONG>(t), static_cast<LONG>(l + w + 0.5f),
                       static_cast<LONG>(t + h + 0.5f)};
  }
  if (m_pCanvas && m_pCanvas->m_pObserver) m_pCanvas->m_pObserver->OnRegionChanged(m_bActive);
}

BOOL CDTDragRectangle::GetRegion(const CDTImage* document, RECT* out) const {
  if (!out) return FALSE;
  *out = {};
  if (!m_bActive || !document) return FALSE;
  const RECT& r = document->m_rcRegion;
  *out = {std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right), std::max(r.top, r.bottom)};
  return out->right - out->left > 15 && out->bottom - out->top > 16 && out->right >= 0 &&
         out->left < document->m_nWidth && out->bottom >= 0 && out->top < document->m_nHeight;
}

int CDTDragRectangle::Draw(CDTImage* document) {
  if (!m_bActive || !document || !m_pCanvas || !m_pCanvas->m_pDevice) return 0;
  IDirect3DDevice9* device = m_pCanvas->m_pDevice;
  const float zoom = document->m_fZoom;
  const float ox = static_cast<float>(document->m_rcBounds.left);
  const float oy = static_cast<float>(document->m_rcBounds.top);
  const RECT& rg = document->m_rcRegion;
  const int L = static_cast<int>(rg.left * zoom + ox), T = static_cast<int>(rg.top * zoom + oy);
  const int R = static_cast<int>(rg.right * zoom + ox), B = static_cast<int>(rg.bottom * zoom + oy);

  auto set = [this](int i, int x, int y, DWORD color) {
    m_vertices[i] = {static_cast<float>(x), static_cast<float>(y), 0.0f, 1.0f, color};
  };
  set(0, L, T, 0xFF808080);
  set(1, R, T, 0xFF808080);
  set(2, R, B, 0xFF808080);
  set(3, L, B, 0xFF808080);
  set(4, L, T, 0xFF808080);

  device->SetTexture(0, nullptr);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  device->SetFVF(kColorVertexFormat);
  device->DrawPrimitiveUP(D3DPT_LINESTRIP, 4, m_vertices, sizeof(ColorVertex));

  const RECT& P = document->m_rcBounds;
  const int minX = std::max<int>(P.left, std::min(L, R)), maxX = std::max(L, R) + 1;
  const int minY = std::max<int>(P.top, std::min(T, B)), maxY = std::max(T, B) + 1;
  const int rightX = std::min<int>(P.right, maxX), bottomY = std::min<int>(P.bottom, maxY);
  const bool overlaps =
      std::min(L, R) < P.right && std::max(L, R) >= P.left && std::min(T, B) < P.bottom && std::max(T, B) >= P.top;
  if (overlaps) {
    auto band = [&](int l, int t, int r, int b) {
      set(5, l, t, 0x80000000);
      set(6, r, t, 0x80000000);
      set(7, l, b, 0x80000000);
      set(8, r, b, 0x80000000);
      device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, m_vertices + 5, sizeof(ColorVertex));
    };
    band(P.left, P.top, P.right, minY);
    band(P.left, minY, minX, bottomY);
    band(rightX, minY, P.right, bottomY);
    band(P.left, bottomY, P.right, P.bottom);
  }
  // Back to the picture's stage set-up.
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  return 0;
}
