#include <algorithm>
#include <cstring>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/overlays/Overlays.h"
#include "engine/text/FTFont.h"

CInfoLine::CInfoLine() {
  for (TexturedVertex& v : m_quad) v = {0.0f, 0.0f, 0.0f, 1.0f, 0xFFFF0000, 0.0f, 0.0f};
}

CInfoLine::~CInfoLine() { ReleaseDeviceObjects(); }

void CInfoLine::CreateDeviceObjects(CDirectUI* canvas) {
  m_pCanvas = canvas;
  if (!canvas || !canvas->m_pDevice) return;
  if (!m_pFont) {
    try {
      m_pFont = canvas->m_fontFactory.CreateFaceFont(canvas->m_strFontFace.c_str(), kFontSize, 0, 0, false);
    } catch (...) {
      m_pFont = nullptr;
    }
  }
  if (!m_pSurface)
    canvas->m_pDevice->CreateOffscreenPlainSurface(kWidth, kHeight, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &m_pSurface,
                                                   nullptr);
  if (!m_pSurface) return;
  D3DLOCKED_RECT lr;
  if (SUCCEEDED(m_pSurface->LockRect(&lr, nullptr, D3DLOCK_DISCARD))) {
    Clear(lr);
    m_pSurface->UnlockRect();
  }
}

void CInfoLine::ReleaseDeviceObjects() {
  m_pSurface.Release();
  if (m_pFont && m_pCanvas) m_pCanvas->m_fontFactory.ReleaseFont(m_pFont);
  m_pFont = nullptr;
}

void CInfoLine::Clear(const D3DLOCKED_RECT& lr) {
  auto* row = static_cast<BYTE*>(lr.pBits);
  for (int y = 0; y < kHeight; ++y, row += lr.Pitch) std::memset(row, 0, kWidth * 4);
}

void CInfoLine::LayoutQuad() {
  const float right = 12.0f + static_cast<float>(m_nTextWidth) - 0.5f;
  const float tu = m_nTextWidth > 255 ? 1.0f : static_cast<float>(m_nTextWidth) / kWidth;
  const float tv = static_cast<float>(kHeight) / kWidth;
  m_quad[0] = {11.5f, m_fY - 0.5f, 0.0f, 1.0f, 0xFFFF0000, 0.0f, 0.0f};
  m_quad[1] = {right, m_fY - 0.5f, 0.0f, 1.0f, 0xFFFF0000, tu, 0.0f};
  m_quad[2] = {11.5f, m_fY + 47.5f, 0.0f, 1.0f, 0xFFFF0000, 0.0f, tv};
  m_quad[3] = {right, m_fY + 47.5f, 0.0f, 1.0f, 0xFFFF0000, tu, tv};
}

void CInfoLine::Show(const CDTImage* document, int index) {
  m_pDocument = document;
  m_fY = static_cast<float>(index * kHeight + 12);
  // The whole quad moves with the line, so text drawn for another line does not stretch across.
  LayoutQuad();
  m_rcSource.bottom = kHeight;
  m_bShown = 1;
}

void CInfoLine::Hide() {
  m_bShown = 0;
  m_pDocument = nullptr;
  m_strText.clear();
}

void CInfoLine::SetText(const wchar_t* text) {
  if (!m_pSurface) {
    if (text) m_strText = text;
    return;
  }
  D3DLOCKED_RECT lr;
  if (FAILED(m_pSurface->LockRect(&lr, nullptr, D3DLOCK_DISCARD))) return;
  Clear(lr);
  if (text) m_strText = text;
  if (text && m_pFont) {
    int width = 0, height = 0;
    m_pFont->MeasureText(text, -1, &width, &height);
    m_nTextWidth = std::clamp(width, 1, kWidth);
    m_rcSource.right = m_nTextWidth;
    m_pFont->SetColor(255, 255, 255);
    m_pFont->SetTarget(static_cast<uint32_t*>(lr.pBits), kWidth, kHeight, lr.Pitch);
    m_pFont->DrawText(text, -1, 0, 0);
    m_pFont->SetTarget(nullptr, 0, 0, 0);
    LayoutQuad();
  }
  m_pSurface->UnlockRect();
}

void CInfoLine::Draw(const CDTImage* document) {
  if (!m_bShown || !m_pSurface || !document || document != m_pDocument) return;
  if (!m_pCanvas || !m_pCanvas->m_pDevice || !m_pCanvas->m_pStaging || !m_pCanvas->m_pBlack) return;
  IDirect3DDevice9* device = m_pCanvas->m_pDevice;
  win32::CComPtr<IDirect3DSurface9> level;
  if (FAILED(m_pCanvas->m_pStaging->GetSurfaceLevel(0, &level))) return;
  device->SetTexture(0, m_pCanvas->m_pStaging);
  device->UpdateSurface(m_pCanvas->m_pBlack, nullptr, level, nullptr);
  const POINT corner{0, 0};
  device->UpdateSurface(m_pSurface, &m_rcSource, level, &corner);
  level.Release();
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  device->SetFVF(kTexturedVertexFormat);
  device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, m_quad, sizeof(TexturedVertex));
  // Later draws expect alpha from the vertices again.
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
}

void CInfoLine::OnFontFaceChanged() {
  if (!m_pCanvas) return;
  FTFont* font = nullptr;
  try {
    font = m_pCanvas->m_fontFactory.CreateFaceFont(m_pCanvas->m_strFontFace.c_str(), kFontSize, 0, 0, false);
  } catch (...) {
    font = nullptr;
  }
  if (!font) return;
  if (m_pFont) m_pCanvas->m_fontFactory.ReleaseFont(m_pFont);
  m_pFont = font;
}
