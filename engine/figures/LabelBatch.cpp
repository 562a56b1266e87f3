#include "engine/figures/LabelBatch.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/DirectUI.h"
#include "engine/Element.h"
#include "engine/figures/Label.h"

namespace {

// Rasterising reaches at most a pixel beyond a primitive's edges; two keeps clear of rounding.
constexpr float kMargin = 2.0f;
// Places are rounded up so that a text that grows by a few pixels keeps its place.
constexpr int kWidthStep = 16;
constexpr int kHeightStep = 4;

bool Intersects(const RECT& r, float left, float top, float right, float bottom) {
  return left < r.right && r.left < right && top < r.bottom && r.top < bottom;
}

// Whether the triangle, grown by the margin, may cover a pixel of the rectangle:
// separated along neither the rectangle's axes (tested by the caller) nor an edge normal.
bool TriangleMeetsRect(const float* x, const float* y, const RECT& r) {
  for (int i = 0; i < 3; ++i) {
    const int j = (i + 1) % 3, k = (i + 2) % 3;
    const float nx = y[j] - y[i], ny = x[i] - x[j];
    if (nx == 0.0f && ny == 0.0f) continue;
    const float length = std::sqrt(nx * nx + ny * ny);
    const float edge = nx * x[i] + ny * y[i];
    // The side the third corner is on is the inside; a flat triangle has both.
    float side = nx * x[k] + ny * y[k] - edge;
    const float corners[4] = {nx * r.left + ny * r.top, nx * r.right + ny * r.top, nx * r.left + ny * r.bottom,
                              nx * r.right + ny * r.bottom};
    const float low = *std::min_element(corners, corners + 4) - edge;
    const float high = *std::max_element(corners, corners + 4) - edge;
    const float slack = kMargin * length;
    if (side > 0.0f && high < -slack) return false;
    if (side < 0.0f && low > slack) return false;
    if (side == 0.0f && (high < -slack || low > slack)) {
      // A segment: outside its line's band.
      return false;
    }
  }
  return true;
}

}  // namespace

bool CLabelBatch::Add(CDTLabel* label) {
  if (!m_bEnabled || m_nDepth == 0 || !label) {
    Flush();
    return false;
  }
  const bool text = label->m_pSurface && m_pCanvas->m_pStaging && m_pCanvas->m_pBlack;
  const bool box = label->m_bBackground != 0;
  if (!text && !box) return true;
  const int w = label->m_nTextWidth, h = label->m_nTextHeight;
  // Taller labels stretch their 256 rows; they keep drawing themselves.
  if (text && (h > kCellSize || w + 2 > kPageSize || !Place(label))) {
    Flush();
    return false;
  }
  const LONG x = label->m_ptPosition.x, y = label->m_ptPosition.y;
  const RECT extent = box ? RECT{x - 6, y - 3, x + w + 6, y + h + 3} : RECT{x - 1, y - 1, x + w + 1, y + h + 1};
  const bool overlaps = Touches(static_cast<float>(extent.left), static_cast<float>(extent.top),
                                static_cast<float>(extent.right), static_cast<float>(extent.bottom));
  if (!m_extents.empty() && (overlaps || m_nQueuedAntialias != m_nLineAntialias)) Flush();
  if (m_extents.empty()) {
    m_bounds = extent;
    m_nQueuedAntialias = m_nLineAntialias;
  } else {
    m_bounds = {std::min(m_bounds.left, extent.left), std::min(m_bounds.top, extent.top),
                std::max(m_bounds.right, extent.right), std::max(m_bounds.bottom, extent.bottom)};
  }
  m_extents.push_back(extent);
  if (box) {
    const ColorVertex* v = label->m_box;
    const ColorVertex quad[6] = {v[0], v[1], v[2], v[2], v[1], v[3]};
    m_boxes.insert(m_boxes.end(), quad, quad + 6);
    if (label->m_bBorder) {
      ColorVertex border[24];
      m_boxes.insert(m_boxes.end(), border, border + label->BorderTriangles(border));
    }
  }
  if (text && w > 0 && h > 0) {
    // The slot's glyphs start one texel in; the texel ring around them stays clear.
    const RECT& s = label->m_rcAtlas;
    const float scale = 1.0f / kPageSize;
    const float u0 = (s.left + 1) * scale, v0 = (s.top + 1) * scale;
    const float u1 = (s.left + 1 + w) * scale, v1 = (s.top + 1 + h) * scale;
    const float l = x - 0.5f, t = y - 0.5f, r = static_cast<float>(x + w) - 0.5f, b = static_cast<float>(y + h) - 0.5f;
    const DWORD c = label->m_clrText;
    const TexturedVertex quad[6] = {{l, t, 0.0f, 1.0f, c, u0, v0}, {r, t, 0.0f, 1.0f, c, u1, v0},
                                    {l, b, 0.0f, 1.0f, c, u0, v1}, {l, b, 0.0f, 1.0f, c, u0, v1},
                                    {r, t, 0.0f, 1.0f, c, u1, v0}, {r, b, 0.0f, 1.0f, c, u1, v1}};
    std::vector<TexturedVertex>& quads = m_pages[static_cast<size_t>(label->m_nAtlasPage)].quads;
    quads.insert(quads.end(), quad, quad + 6);
  }
  LeaveLabelState(text);
  return true;
}

void CLabelBatch::LeaveLabelState(bool text) {
  IDirect3DDevice9* device = m_pCanvas->m_pDevice;
  if (text) {
    device->SetTexture(0, m_pCanvas->m_pStaging);
    device->SetFVF(kTexturedVertexFormat);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  } else {
    device->SetTexture(0, nullptr);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
    device->SetFVF(kColorVertexFormat);
  }
}

void CLabelBatch::BeginElement(const CDTElement* element) {
  ++m_nDepth;
  if (!m_extents.empty() && element->MayDrawOver(*this)) Flush();
}

void CLabelBatch::EndElement() {
  if (m_nDepth > 0 && --m_nDepth == 0) Flush();
}

bool CLabelBatch::Touches(float left, float top, float right, float bottom) const {
  if (m_extents.empty() || !Intersects(m_bounds, left, top, right, bottom)) return false;
  for (const RECT& e : m_extents)
    if (Intersects(e, left, top, right, bottom)) return true;
  return false;
}

bool CLabelBatch::TouchesTriangle(float ax, float ay, float bx, float by, float cx, float cy) const {
  const float x[3] = {ax, bx, cx}, y[3] = {ay, by, cy};
  const float left = std::min({ax, bx, cx}) - kMargin, right = std::max({ax, bx, cx}) + kMargin;
  const float top = std::min({ay, by, cy}) - kMargin, bottom = std::max({ay, by, cy}) + kMargin;
  if (m_extents.empty() || !Intersects(m_bounds, left, top, right, bottom)) return false;
  for (const RECT& e : m_extents)
    if (Intersects(e, left, top, right, bottom) && TriangleMeetsRect(x, y, e)) return true;
  return false;
}

void CLabelBatch::Flush() {
  if (m_extents.empty()) return;
  IDirect3DDevice9* device = m_pCanvas->m_pDevice;
  // What the figures left set: it is what they would see had the labels drawn in turn.
  win32::CComPtr<IDirect3DBaseTexture9> texture;
  win32::CComPtr<IDirect3DVertexBuffer9> stream;
  UINT streamOffset = 0, streamStride = 0;
  DWORD fvf = 0, colourOp = 0, alphaOp = 0;
  device->GetTexture(0, &texture);
  device->GetStreamSource(0, &stream, &streamOffset, &streamStride);
  device->GetFVF(&fvf);
  device->GetTextureStageState(0, D3DTSS_COLOROP, &colourOp);
  device->GetTextureStageState(0, D3DTSS_ALPHAOP, &alphaOp);
  const int antialias = m_nLineAntialias;
  if (antialias != m_nQueuedAntialias) m_pCanvas->SetAntialias(m_nQueuedAntialias);

  device->SetTexture(0, nullptr);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  device->SetFVF(kColorVertexFormat);
  if (!m_boxes.empty())
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(m_boxes.size() / 3), m_boxes.data(),
                            sizeof(ColorVertex));
  bool textured = false;
  for (Page& page : m_pages) {
    if (page.quads.empty()) continue;
    if (!textured) {
      device->SetFVF(kTexturedVertexFormat);
      device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
      textured = true;
    }
    device->SetTexture(0, page.texture);
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(page.quads.size() / 3), page.quads.data(),
                            sizeof(TexturedVertex));
    page.quads.clear();
  }
  m_boxes.clear();
  m_extents.clear();

  device->SetTexture(0, texture);
  device->SetStreamSource(0, stream, streamOffset, streamStride);
  device->SetFVF(fvf);
  device->SetTextureStageState(0, D3DTSS_COLOROP, colourOp);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, alphaOp);
  if (antialias != m_nQueuedAntialias) m_pCanvas->SetAntialias(antialias);
}

bool CLabelBatch::Place(CDTLabel* label) {
  const int w = label->m_nTextWidth, h = label->m_nTextHeight;
  const bool placed = label->m_pAtlasOwner == this && label->m_nAtlasGeneration == m_nGeneration &&
                      label->m_nAtlasPage >= 0 && static_cast<size_t>(label->m_nAtlasPage) < m_pages.size();
  if (placed && !label->m_bAtlasStale) return true;
  if (w <= 0 || h <= 0) return true;
  RECT slot = label->m_rcAtlas;
  int page = label->m_nAtlasPage;
  if (!placed || slot.right - slot.left < w + 2 || slot.bottom - slot.top < h + 2) {
    const int width = std::min(kPageSize, (w + 2 + kWidthStep - 1) / kWidthStep * kWidthStep);
    const int height = (h + 2 + kHeightStep - 1) / kHeightStep * kHeightStep;
    if (!Allocate(width, height, &page, &slot)) return false;
  }
  label->m_pAtlasOwner = this;
  label->m_nAtlasGeneration = m_nGeneration;
  label->m_nAtlasPage = page;
  label->m_rcAtlas = slot;
  label->m_bAtlasStale = true;
  win32::CComPtr<IDirect3DSurface9> target;
  if (FAILED(m_pages[static_cast<size_t>(page)].texture->GetSurfaceLevel(0, &target))) return false;
  if (!Upload(label, target, slot)) return false;
  label->m_bAtlasStale = false;
  return true;
}

bool CLabelBatch::Upload(CDTLabel* label, IDirect3DSurface9* target, const RECT& slot) {
  IDirect3DDevice9* device = m_pCanvas->m_pDevice;
  const int w = label->m_nTextWidth, h = label->m_nTextHeight;
  const int width = slot.right - slot.left, height = slot.bottom - slot.top;
  if (height > kScratchRows || w + 2 > width || h + 2 > height) return false;
  if (!m_pScratch && FAILED(device->CreateOffscreenPlainSurface(kPageSize, kScratchRows, D3DFMT_A8, D3DPOOL_SYSTEMMEM,
                                                                &m_pScratch, nullptr)))
    return false;
  const RECT area{0, 0, width, height};
  D3DLOCKED_RECT out{}, in{};
  if (FAILED(m_pScratch->LockRect(&out, &area, 0))) return false;
  if (FAILED(label->m_pSurface->LockRect(&in, nullptr, D3DLOCK_READONLY))) {
    m_pScratch->UnlockRect();
    return false;
  }
  for (int y = 0; y < height; ++y) {
    auto* row = static_cast<unsigned char*>(out.pBits) + static_cast<ptrdiff_t>(y) * out.Pitch;
    std::memset(row, 0, static_cast<size_t>(width));
    if (y < 1 || y > h) continue;
    const auto* pixels = static_cast<const unsigned char*>(in.pBits) + static_cast<ptrdiff_t>(y - 1) * in.Pitch;
    for (int x = 0; x < w; ++x) row[1 + x] = pixels[4 * x + 3];
  }
  label->m_pSurface->UnlockRect();
  m_pScratch->UnlockRect();
  const POINT corner{slot.left, slot.top};
  return SUCCEEDED(device->UpdateSurface(m_pScratch, &area, target, &corner));
}

bool CLabelBatch::Allocate(int width, int height, int* page, RECT* slot) {
  for (size_t i = 0; i < m_pages.size(); ++i)
    if (AllocateIn(m_pages[i], width, height, slot)) {
      *page = static_cast<int>(i);
      return true;
    }
  if (static_cast<int>(m_pages.size()) < kMaxPages && AddPage() && AllocateIn(m_pages.back(), width, height, slot)) {
    *page = static_cast<int>(m_pages.size()) - 1;
    return true;
  }
  // Full of places texts have outgrown: start over; every label takes a new place as it draws.
  Flush();
  ++m_nGeneration;
  for (Page& p : m_pages) {
    p.shelves.clear();
    p.top = 0;
  }
  for (size_t i = 0; i < m_pages.size(); ++i)
    if (AllocateIn(m_pages[i], width, height, slot)) {
      *page = static_cast<int>(i);
      return true;
    }
  return false;
}

bool CLabelBatch::AllocateIn(Page& page, int width, int height, RECT* slot) {
  for (Shelf& shelf : page.shelves)
    if (shelf.height >= height && shelf.height <= height + 2 * kHeightStep && shelf.x + width <= kPageSize) {
      *slot = {shelf.x, shelf.y, shelf.x + width, shelf.y + height};
      shelf.x += width;
      return true;
    }
  if (page.top + height > kPageSize) return false;
  page.shelves.push_back({page.top, height, width});
  *slot = {0, page.top, width, page.top + height};
  page.top += height;
  return true;
}

bool CLabelBatch::AddPage() {
  IDirect3DDevice9* device = m_pCanvas->m_pDevice;
  if (!device || !m_pCanvas->m_pBlack) return false;
  Page page;
  if (FAILED(device->CreateTexture(kPageSize, kPageSize, 1, 0, D3DFMT_A8, D3DPOOL_DEFAULT, &page.texture, nullptr)))
    return false;
  m_pages.push_back(std::move(page));
  return true;
}

void CLabelBatch::ReleaseDeviceObjects() {
  m_boxes.clear();
  m_extents.clear();
  m_pages.clear();
  m_pScratch.Release();
  ++m_nGeneration;
}
