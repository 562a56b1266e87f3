#include "engine/figures/Clipart.h"

#include <d3d9.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/CornerBox.h"
#include "image/Image.h"
#include "win32/ComPtr.h"

namespace {

constexpr float kSnapshotTolerance = 1e-8f;

bool Differs(float a, float b) { return std::fabs(a - b) > kSnapshotTolerance; }

}  // namespace

CDTClipart::CCell::CCell() {
  for (TexturedVertex& v : m_quad) v = {0.0f, 0.0f, 0.0f, 1.0f, 0xFFFFFFFF, 0.0f, 0.0f};
}

CDTClipart::CDTClipart() { m_nType = DRAW_CLIPART; }

CDTClipart::CDTClipart(POINT point, const wchar_t* path) : CDTDraw(point) {
  m_nType = DRAW_CLIPART;
  corner_box::AddCornersAt(this, point);
  SetPath(path);
}

CDTClipart::~CDTClipart() {
  ReleasePicture();
  delete[] m_pszPath;
}

void CDTClipart::SetPath(const wchar_t* path) {
  delete[] m_pszPath;
  m_pszPath = nullptr;
  if (!path) return;
  const size_t length = std::wcslen(path);
  m_pszPath = new wchar_t[length + 1];
  std::wmemcpy(m_pszPath, path, length + 1);
}

void CDTClipart::SetFixed(BOOL fixed) { m_bFixed = fixed ? 1 : 0; }

void CDTClipart::ReleasePicture() {
  if (m_pPicture) m_pPicture->Release();
  m_pPicture = nullptr;
  m_pCells.reset();
}

int CDTClipart::ReleaseDeviceObjects() {
  ReleasePicture();
  return CDTDraw::ReleaseDeviceObjects();
}

// --- Loading and placing ---------------------------------------------------

void CDTClipart::Upload(int width, int height, const uint8_t* pixels, int stride) {
  if (width != m_nPictureWidth || height != m_nPictureHeight || !m_pCells) {
    ReleasePicture();
    m_nPictureWidth = width;
    m_nPictureHeight = height;
    m_nCellColumns = m_nCellRows = 0;
    if (width > 0 && height > 0) {
      m_nCellColumns = (width + kCellSize - 1) / kCellSize;
      m_nCellRows = (height + kCellSize - 1) / kCellSize;
      m_pCells.reset(new CCell[static_cast<size_t>(m_nCellColumns) * static_cast<size_t>(m_nCellRows)]);
      for (int i = 0; i < m_nCellColumns * m_nCellRows; ++i) m_pCells[i].m_pOwner = this;
      LayoutCells();
    }
  }
  IDirect3DDevice9* device = m_pOwner ? m_pOwner->m_pDevice.Get() : nullptr;
  if (!m_pPicture) {
    if (!device ||
        FAILED(device->CreateOffscreenPlainSurface(static_cast<UINT>(width), static_cast<UINT>(height), D3DFMT_A8R8G8B8,
                                                   D3DPOOL_SYSTEMMEM, &m_pPicture, nullptr))) {
      m_pPicture = nullptr;
      return;
    }
  }
  D3DLOCKED_RECT locked{};
  if (FAILED(m_pPicture->LockRect(&locked, nullptr, D3DLOCK_DISCARD))) return;
  for (int y = 0; y < height; ++y)
    std::memcpy(static_cast<uint8_t*>(locked.pBits) + static_cast<ptrdiff_t>(y) * locked.Pitch,
                pixels + static_cast<ptrdiff_t>(y) * stride, static_cast<size_t>(width) * 4);
  m_pPicture->UnlockRect();
}

void CDTClipart::CentreOnHandle0() {
  if (m_handles.size() < 4) return;
  const float w = m_nPictureWidth * m_fScaleX, h = m_nPictureHeight * m_fScaleY;
  const float x0 = m_handles[0]->cx - w / 2, y0 = m_handles[0]->cy - h / 2;
  const float x2 = x0 + w, y2 = y0 + h;
  m_handles[0]->SetCenter(x0, y0);
  m_handles[2]->SetCenter(x2, y2);
  m_handles[1]->SetCenter(x2, y0);
  m_handles[3]->SetCenter(x0, y2);
}

void CDTClipart::ScalesFromBounds() {
  if (m_nPictureWidth <= 0 || m_nPictureHeight <= 0) return;
  m_fScaleY = static_cast<float>(std::abs(m_rcBounds.bottom - m_rcBounds.top)) / m_nPictureHeight;
  m_fScaleX = static_cast<float>(std::abs(m_rcBounds.right - m_rcBounds.left)) / m_nPictureWidth;
  const RECT& rc = m_rcBounds;
  ScreenToPixel((rc.left + rc.right) / 2.0f, (rc.top + rc.bottom) / 2.0f, &m_center.x, &m_center.y);
}

int CDTClipart::CreateDeviceObjects() {
  if (!m_pszPath) return E_INVALIDARG;
  m_bComplete = 1;
  ZEvuvoro::CImage picture;
  if (picture.LoadFile(m_pszPath) <= 0 || !picture.IsValid() || picture.GetWidth() <= 0 || picture.GetHeight() <= 0)
    return E_INVALIDARG;
  const int width = picture.GetWidth(), height = picture.GetHeight();
  Upload(width, height, picture.GetData(), picture.GetStride());
  if (!m_bPlaced) {
    // A picture larger than the displayed image is shrunk to fit it, keeping its aspect.
    const CDTImage* doc = Document();
    if (doc && doc->m_nWidth > 0 && doc->m_nHeight > 0) {
      const float shownWidth = doc->m_nWidth * doc->m_fZoom, shownHeight = doc->m_nHeight * doc->m_fZoom;
      if (width > shownWidth || height > shownHeight) {
        const float scale = std::min(shownWidth / width, shownHeight / height);
        m_fScaleX = m_fScaleY = scale;
      }
    }
    CentreOnHandle0();
  } else if (m_bFixed) {
    CentreOnHandle0();
  }
  UpdateBounds();
  if (m_bPlaced && !m_bFixed) ScalesFromBounds();
  LayoutCells();
  Measure();
  return 0;
}

void CDTClipart::LayoutCells() {
  if (!m_pCells) return;
  const int stepX = static_cast<int>(m_fScaleX * kCellSize + 0.5f);
  const int stepY = static_cast<int>(m_fScaleY * kCellSize + 0.5f);
  for (int i = 0; i < m_nCellRows; ++i) {
    const int rowsLeft = m_nPictureHeight - kCellSize * i;
    const bool fullRow = rowsLeft >= kCellSize;
    for (int j = 0; j < m_nCellColumns; ++j) {
      CCell& cell = m_pCells[static_cast<size_t>(i) * m_nCellColumns + j];
      const int columnsLeft = m_nPictureWidth - kCellSize * j;
      const bool fullColumn = columnsLeft >= kCellSize;
      cell.m_rcSource = {kCellSize * j, kCellSize * i, fullColumn ? kCellSize * (j + 1) : m_nPictureWidth,
                         fullRow ? kCellSize * (i + 1) : m_nPictureHeight};
      const LONG left = m_rcBounds.left + j * stepX, top = m_rcBounds.top + i * stepY;
      cell.m_rcScreen = {left, top, fullColumn ? left + stepX : m_rcBounds.right,
                         fullRow ? top + stepY : m_rcBounds.bottom};
      const float u = fullColumn ? 1.0f : static_cast<float>(columnsLeft) / kCellSize;
      const float v = fullRow ? 1.0f : static_cast<float>(rowsLeft) / kCellSize;
      // Half a pixel up and left, as the picture's own cells: texel centres on pixel
      // centres, or the sampler picks a neighbouring row at the cell's edges.
      const float l = cell.m_rcScreen.left - 0.5f, t = cell.m_rcScreen.top - 0.5f;
      const float r = cell.m_rcScreen.right - 0.5f, b = cell.m_rcScreen.bottom - 0.5f;
      cell.m_quad[0] = {l, t, 0.0f, 1.0f, m_clrLine, 0.0f, 0.0f};
      cell.m_quad[1] = {r, t, 0.0f, 1.0f, m_clrLine, u, 0.0f};
      cell.m_quad[2] = {l, b, 0.0f, 1.0f, m_clrLine, 0.0f, v};
      cell.m_quad[3] = {r, b, 0.0f, 1.0f, m_clrLine, u, v};
    }
  }
}

// --- Drawing ---------------------------------------------------------------

int CDTClipart::Draw() {
  if (!m_pOwner || !m_pOwner->m_pDevice) return 0;
  IDirect3DDevice9* device = m_pOwner->m_pDevice;
  if (m_pCells && m_pOwner->m_pStaging && m_pOwner->m_pBlack) {
    device->SetTexture(0, m_pOwner->m_pStaging);
    // The picture's own colours; its alpha faded by the clip-art colour's, so
    // a transparent pixel stays transparent at any opacity.
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetFVF(kTexturedVertexFormat);
    const POINT corner{0, 0};
    for (int i = 0; i < m_nCellColumns * m_nCellRows; ++i) {
      win32::CComPtr<IDirect3DSurface9> staging;
      if (FAILED(m_pOwner->m_pStaging->GetSurfaceLevel(0, &staging))) break;
      const RECT& source = m_pCells[i].m_rcSource;
      // A full cell covers the whole texture; a part cell leaves transparent black around it.
      if (source.right - source.left < kCellSize || source.bottom - source.top < kCellSize || !m_pPicture)
        device->UpdateSurface(m_pOwner->m_pBlack, nullptr, staging, nullptr);
      if (m_pPicture) device->UpdateSurface(m_pPicture, &source, staging, &corner);
      staging.Release();
      device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, m_pCells[i].m_quad, sizeof(TexturedVertex));
    }
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  }
  const CDTImage* doc = Document();
  if (m_bHover || (doc && doc->m_pSelected == this)) {
    device->SetTexture(0, nullptr);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
    device->SetFVF(kColorVertexFormat);
    for (size_t i = 0; i < m_handles.size(); ++i)
      DrawHandle(m_handles[i].get(), static_cast<int>(i) == m_nSelectedHandle);
  }
  return 0;
}

// --- Geometry --------------------------------------------------------------

void CDTClipart::OnVertexMoved(int index) {
  if (m_handles.size() < 4 || index < 0 || index > 3) return;
  corner_box::PropagateCorner(this, index);
  UpdateBounds();
  if (m_nPictureWidth > 0 && m_nPictureHeight > 0) {
    float minX = m_handles[0]->cx, maxX = minX, minY = m_handles[0]->cy, maxY = minY;
    for (const auto& h : m_handles) {
      minX = std::min(minX, h->cx);
      maxX = std::max(maxX, h->cx);
      minY = std::min(minY, h->cy);
      maxY = std::max(maxY, h->cy);
    }
    m_fScaleY = std::max(1.0f, maxY - minY) / m_nPictureHeight;
    m_fScaleX = std::max(1.0f, maxX - minX) / m_nPictureWidth;
  }
  LayoutCells();
  Measure();
}

void CDTClipart::MoveBy(float, float) { LayoutCells(); }

void CDTClipart::Reposition(float dx, float dy, BOOL zoomChanged) {
  if (zoomChanged && m_bFixed) {
    if (m_handles.size() >= 4) {
      float cx, cy;
      PixelToScreen(m_center.x, m_center.y, &cx, &cy);
      m_handles[0]->SetCenter(cx, cy);
      CentreOnHandle0();
      m_vertices.resize(4);
      for (int i = 0; i < 4; ++i) GetVertexPixel(i, &m_vertices[i].x, &m_vertices[i].y);
    }
  } else if (zoomChanged) {
    for (size_t i = 0; i < m_handles.size() && i < m_vertices.size(); ++i) {
      float sx, sy;
      PixelToScreen(m_vertices[i].x, m_vertices[i].y, &sx, &sy);
      m_handles[i]->SetCenter(sx, sy);
    }
  } else {
    for (auto& h : m_handles) h->SetCenter(h->cx + dx, h->cy + dy);
  }
  UpdateBounds();
  if (m_handles.empty()) return;
  if (!m_bFixed) ScalesFromBounds();
  LayoutCells();
}

void CDTClipart::Measure() {
  const RECT& rc = m_rcBounds;
  ScreenToPixel((rc.left + rc.right) / 2.0f, (rc.top + rc.bottom) / 2.0f, &m_center.x, &m_center.y);
  if (m_handles.size() < 4) return;
  m_vertices.resize(4);
  for (int i = 0; i < 4; ++i) GetVertexPixel(i, &m_vertices[i].x, &m_vertices[i].y);
}

void CDTClipart::BuildHandles() {
  m_handles.clear();
  for (const PointF& v : m_vertices) {
    float sx, sy;
    PixelToScreen(v.x, v.y, &sx, &sy);
    AddHandle(sx, sy);
  }
  if (m_bFixed && m_handles.size() >= 2) {
    // A fixed clip-art was stored by its centre.
    m_handles[1]->SetCenter(m_handles[0]->cx, m_handles[0]->cy);
  }
  m_bPlaced = 1;
  m_bComplete = 1;
}

void CDTClipart::OnLineColorChanged() {
  for (int i = 0; i < m_nCellColumns * m_nCellRows && m_pCells; ++i)
    for (TexturedVertex& v : m_pCells[i].m_quad) v.color = m_clrLine;
}

// --- Store and snapshots ---------------------------------------------------

void CDTClipart::GetStoredExtra(FigureExtra* extra) const {
  extra->hasPath = m_pszPath != nullptr;
  extra->path = m_pszPath ? m_pszPath : L"";
  extra->fixedSize = m_bFixed ? 1 : 0;
  extra->scaleX = m_fScaleX;
  extra->scaleY = m_fScaleY;
  extra->storesCentre = m_bFixed != 0;
  extra->centre = m_center;
}

void CDTClipart::SetStoredExtra(const FigureExtra& extra) {
  if (!m_bComplete) {
    SetPath(extra.hasPath ? extra.path.c_str() : nullptr);
    SetFixed(extra.fixedSize != 0);
    m_fScaleX = extra.scaleX;
    m_fScaleY = extra.scaleY;
    return;
  }
  m_bPending = true;
  m_bPendingFixed = extra.fixedSize != 0;
  m_fPendingScaleX = extra.scaleX;
  m_fPendingScaleY = extra.scaleY;
}

void CDTClipart::SetVertices(const std::vector<PointF>& points) {
  if (!m_bPending) return;
  m_bPending = false;
  RestoreGeometry(points, m_fPendingScaleX, m_fPendingScaleY, m_bPendingFixed);
}

void CDTClipart::RestoreGeometry(const std::vector<PointF>& points, float scaleX, float scaleY, BOOL fixed) {
  if (!m_bComplete || points.size() < 4 || m_nPictureWidth <= 0 || m_nPictureHeight <= 0 || m_handles.size() < 4)
    return;
  bool changed = false;
  if ((fixed != 0) != (m_bFixed != 0)) {
    SetFixed(fixed);
    changed = true;
  }
  if (m_bFixed) {
    if (Differs(points[0].x, m_center.x) || Differs(points[0].y, m_center.y)) {
      m_center = points[0];
      changed = true;
    }
    if (Differs(scaleX, m_fScaleX) || Differs(scaleY, m_fScaleY)) {
      m_fScaleX = scaleX;
      m_fScaleY = scaleY;
      changed = true;
    }
  } else {
    m_vertices.resize(4);
    for (int i = 0; i < 4; ++i) {
      if (!Differs(points[i].x, m_vertices[i].x) && !Differs(points[i].y, m_vertices[i].y)) continue;
      m_vertices[i] = points[i];
      float sx, sy;
      PixelToScreen(points[i].x, points[i].y, &sx, &sy);
      m_handles[i]->SetCenter(sx, sy);
      changed = true;
    }
  }
  if (!changed) return;
  if (m_bFixed) {
    float cx, cy;
    PixelToScreen(m_center.x, m_center.y, &cx, &cy);
    m_handles[0]->SetCenter(cx, cy);
    m_handles[1]->SetCenter(cx, cy);
    CentreOnHandle0();
  }
  UpdateBounds();
  if (!m_bFixed) ScalesFromBounds();
  LayoutCells();
  Measure();
}
