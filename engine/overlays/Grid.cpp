#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/overlays/Overlays.h"

namespace {

ColorVertex At(float x, float y, DWORD colour) { return {x, y, 0.0f, 1.0f, colour}; }

// No texture, colour and alpha from the vertices.
void UntexturedState(IDirect3DDevice9* device) {
  device->SetTexture(0, nullptr);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  device->SetFVF(kColorVertexFormat);
}

}  // namespace

// ---- Grid ---------------------------------------------------------------------

void CDTGrid::Draw() {
  if (!m_bShow || !m_pCanvas || !m_pCanvas->m_pDevice) return;
  // A spacing below 1 would never reach the window's edge.
  if (m_nWeight < 1) return;
  IDirect3DDevice9* device = m_pCanvas->m_pDevice;
  UntexturedState(device);
  const float s = static_cast<float>(m_nWeight);
  const float w = static_cast<float>(m_pCanvas->BackBufferWidth());
  const float h = static_cast<float>(m_pCanvas->BackBufferHeight());
  m_line[0].color = m_clrLine;
  m_line[1].color = m_clrLine2;
  for (float k = s; k < h; k += s) {
    m_line[0] = At(0.0f, k, m_clrLine);
    m_line[1] = At(w, k, m_clrLine2);
    device->DrawPrimitiveUP(D3DPT_LINELIST, 1, m_line, sizeof(ColorVertex));
  }
  for (float k = s; k < w; k += s) {
    m_line[0] = At(k, 0.0f, m_clrLine);
    m_line[1] = At(k, h, m_clrLine2);
    device->DrawPrimitiveUP(D3DPT_LINELIST, 1, m_line, sizeof(ColorVertex));
  }
}

// ---- Cross-hair ----------------------------------------------------------------

CDTCross::CDTCross() {
  for (ColorVertex& v : m_v) v = At(0.0f, 0.0f, 0xFFFF0000);
}

void CDTCross::Attach(CDirectUI* canvas) {
  m_pCanvas = canvas;
  if (canvas) Resize(static_cast<float>(canvas->BackBufferWidth()), static_cast<float>(canvas->BackBufferHeight()));
}

void CDTCross::Resize(float width, float height) {
  m_fWidth = width;
  m_fHeight = height;
  const float cx = static_cast<float>(static_cast<int>(width * 0.5f)) - 0.5f;
  const float cy = static_cast<float>(static_cast<int>(height * 0.5f)) - 0.5f;
  m_v[0].x = 0.0f;
  m_v[0].y = cy;
  m_v[1].x = width;
  m_v[1].y = cy;
  m_v[2].x = cx;
  m_v[2].y = 0.0f;
  m_v[3].x = cx;
  m_v[3].y = height;
  m_v[5].x = width;
  m_v[7].y = height;
}

void CDTCross::SetColor(DWORD argb) {
  m_clrLine = argb;
  for (ColorVertex& v : m_v) v.color = argb;
}

void CDTCross::Track(POINT p) {
  m_pt = p;
  if (!m_bTrack) return;
  m_v[4].y = m_v[5].y = static_cast<float>(p.y) - 0.5f;
  m_v[6].x = m_v[7].x = static_cast<float>(p.x) - 0.5f;
}

void CDTCross::Draw() {
  if (!m_bShow || !m_pCanvas || !m_pCanvas->m_pDevice) return;
  if (m_bTrack && !m_bInWindow) return;
  // The colour may have been stored before the window existed.
  for (ColorVertex& v : m_v) v.color = m_clrLine;
  IDirect3DDevice9* device = m_pCanvas->m_pDevice;
  UntexturedState(device);
  device->DrawPrimitiveUP(D3DPT_LINELIST, 2, m_bTrack ? &m_v[4] : &m_v[0], sizeof(ColorVertex));
}

// ---- Magnifier -----------------------------------------------------------------

CDTMagnifier::CDTMagnifier() {
  m_v[0] = m_v[1] = At(0.0f, 0.0f, 0xFFFF0000);
  for (int i = 2; i < 7; ++i) m_v[i] = At(0.0f, 0.0f, 0xFF808080);
}

void CDTMagnifier::CreateDeviceObjects(CDirectUI* canvas) {
  m_pCanvas = canvas;
  m_pDevice = canvas ? static_cast<IDirect3DDevice9*>(canvas->m_pDevice) : nullptr;
  m_pQuad.Release();
  // Without the buffer the magnifier draws nothing.
  if (m_pDevice)
    m_pDevice->CreateVertexBuffer(4 * sizeof(TexturedVertex), D3DUSAGE_WRITEONLY, kTexturedVertexFormat,
                                  D3DPOOL_MANAGED, &m_pQuad, nullptr);
}

void CDTMagnifier::ReleaseDeviceObjects() {
  m_pQuad.Release();
  m_pDevice = nullptr;
}

bool CDTMagnifier::Prepare(CDTImage* doc) {
  if (!m_pQuad || !m_pCanvas || !m_pCanvas->m_pStaging || !m_pCanvas->m_pBlack) return false;
  std::lock_guard<std::recursive_mutex> guard(doc->m_frameLock);
  if (!doc->m_pFrame || doc->m_nWidth <= 0 || doc->m_nHeight <= 0) return false;
  const float zoom = doc->m_fZoom;
  if (!(zoom > 0.0f)) return false;
  const float px = static_cast<float>(m_pt.x - doc->m_rcBounds.left) / zoom;
  const float py = static_cast<float>(m_pt.y - doc->m_rcBounds.top) / zoom;
  const int half = m_nDisplay;
  const float exact = static_cast<float>(half) / static_cast<float>(std::max(m_nWeight, 1)) / zoom;
  const int hs = std::clamp(static_cast<int>(std::lround(exact)), 1, 128);
  RECT src{static_cast<LONG>(px - static_cast<float>(hs)), static_cast<LONG>(py - static_cast<float>(hs)),
           static_cast<LONG>(static_cast<float>(hs) + px), static_cast<LONG>(static_cast<float>(hs) + py)};
  if (src.right < 0 || src.left >= doc->m_nWidth || src.bottom < 0 || src.top >= doc->m_nHeight) return false;
  const float tu = static_cast<float>(src.right - src.left) / kCellSize;
  const float tv = static_cast<float>(src.bottom - src.top) / kCellSize;
  POINT shift{0, 0};
  if (src.left < 0) {
    shift.x = -src.left;
    src.left = 0;
  }
  if (src.top < 0) {
    shift.y = -src.top;
    src.top = 0;
  }
  if (src.right >= doc->m_nWidth) src.right = doc->m_nWidth - 1;
  if (src.bottom >= doc->m_nHeight) src.bottom = doc->m_nHeight - 1;
  m_rcSource = src;

  win32::CComPtr<IDirect3DSurface9> level;
  if (SUCCEEDED(m_pCanvas->m_pStaging->GetSurfaceLevel(0, &level))) {
    m_pDevice->UpdateSurface(m_pCanvas->m_pBlack, nullptr, level, nullptr);
    if (src.right > src.left && src.bottom > src.top) m_pDevice->UpdateSurface(doc->m_pFrame, &src, level, &shift);
  }

  float left, top, right, bottom;
  if (m_bMouse) {
    left = static_cast<float>(m_pt.x - half);
    top = static_cast<float>(m_pt.y - half);
    right = static_cast<float>(m_pt.x + half);
    bottom = static_cast<float>(m_pt.y + half);
  } else {
    const float h = static_cast<float>(m_pCanvas->BackBufferHeight());
    left = 0.0f;
    right = static_cast<float>(2 * half);
    top = h - static_cast<float>(2 * half);
    bottom = h;
    m_fCentreX = static_cast<float>(half);
    m_fCentreY = h - static_cast<float>(half);
  }
  void* bits = nullptr;
  if (SUCCEEDED(m_pQuad->Lock(0, 0, &bits, 0))) {
    const TexturedVertex quad[4] = {{left - 0.5f, top - 0.5f, 0.0f, 1.0f, 0xFFFFFFFF, 0.0f, 0.0f},
                                    {right - 0.5f, top - 0.5f, 0.0f, 1.0f, 0xFFFFFFFF, tu, 0.0f},
                                    {left - 0.5f, bottom - 0.5f, 0.0f, 1.0f, 0xFFFFFFFF, 0.0f, tv},
                                    {right - 0.5f, bottom - 0.5f, 0.0f, 1.0f, 0xFFFFFFFF, tu, tv}};
    std::memcpy(bits, quad, sizeof quad);
    m_pQuad->Unlock();
  }
  const float corners[5][2] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}, {left, top}};
  for (int i = 0; i < 5; ++i) {
    m_v[2 + i].x = corners[i][0];
    m_v[2 + i].y = corners[i][1];
  }
  return true;
}

void CDTMagnifier::Draw(CDTImage* document) {
  if (!document || !m_pDevice || !Prepare(document)) return;
  IDirect3DDevice9* device = m_pDevice;
  device->SetTexture(0, m_pCanvas->m_pStaging);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  device->SetFVF(kTexturedVertexFormat);
  device->SetStreamSource(0, m_pQuad, 0, sizeof(TexturedVertex));
  device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);

  UntexturedState(device);
  if (!m_bMouse) {
    const float e = static_cast<float>(m_nDisplay / 2);
    const float cx = m_fCentreX, cy = m_fCentreY;
    m_v[0] = At(cx - e - 0.5f, cy - 0.5f, m_v[0].color);
    m_v[1] = At(cx + e - 0.5f, cy - 0.5f, m_v[1].color);
    device->DrawPrimitiveUP(D3DPT_LINELIST, 1, m_v, sizeof(ColorVertex));
    m_v[0] = At(cx - 0.5f, cy - e - 0.5f, m_v[0].color);
    m_v[1] = At(cx - 0.5f, cy + e - 0.5f, m_v[1].color);
    device->DrawPrimitiveUP(D3DPT_LINELIST, 1, m_v, sizeof(ColorVertex));
  }
  device->DrawPrimitiveUP(D3DPT_LINESTRIP, 4, &m_v[2], sizeof(ColorVertex));
}
