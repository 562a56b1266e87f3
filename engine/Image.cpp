#include "engine/Image.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>

#include "engine/DirectUI.h"
#include "engine/ProjectFile.h"
#include "engine/figures/Draw.h"
#include "engine/figures/Ruler.h"

namespace {

float ClampZoom(float zoom) { return std::clamp(zoom, 0.2f, 15.0f); }

}  // namespace

CDTImage::CDTImage() {
  m_nKind = 0;
  std::wmemset(m_szUnit, 0, 256);
  std::wcscpy(m_szUnit, L"cm");
  m_pRuler = new CDTRuler();
}

CDTImage::~CDTImage() {
  // Once attached the ruler belongs to the child list (DestroyChildren deletes it).
  if (!m_bRulerAttached) delete m_pRuler;
}

bool CDTImage::HasCanvas() const { return m_pOwner && m_pOwner->m_hWnd; }

int CDTImage::CreateDeviceObjects() {
  ApplyZoom(TRUE);
  // A document detached earlier lost its ruler with its figures; it gets a new one.
  if (!m_pRuler) m_pRuler = new CDTRuler();
  RECT rc{100, 100, 400, 100};
  m_pRuler->m_nType = DRAW_RULER;
  if (SUCCEEDED(m_pRuler->Create(m_pOwner, this, L"Ruler", &rc))) m_bRulerAttached = true;
  m_history.SetBase(this);
  return 0;
}

int CDTImage::ReleaseDeviceObjects() {
  DestroyCells();
  // The canvas's overlays must not keep pointing at a detached document.
  if (m_pOwner) {
    if (m_pOwner->m_histogram.m_pDocument == this) m_pOwner->m_histogram.m_pDocument = nullptr;
    for (CInfoLine& line : m_pOwner->m_infoLines)
      if (line.m_pDocument == this) line.Hide();
  }
  {
    std::lock_guard<std::recursive_mutex> guard(m_frameLock);
    m_pFrame.Release();
  }
  if (m_bRulerAttached && std::find(m_children.begin(), m_children.end(), m_pRuler) == m_children.end()) {
    m_pRuler = nullptr;
    m_bRulerAttached = false;
  }
  m_pSelected = nullptr;
  return 0;
}

int CDTImage::OnResetDevice() {
  ApplyZoom(TRUE);
  return 0;
}

int CDTImage::Resize(int, int) {
  ApplyZoom(TRUE);
  return 0;
}

void CDTImage::DestroyCells() {
  m_pCells.reset();
  m_nCellsAcross = m_nCellsDown = m_nCellCount = 0;
}

void CDTImage::RebuildCells() {
  DestroyCells();
  if (m_nWidth <= 0 || m_nHeight <= 0 || !m_pOwner || !m_pOwner->m_pDevice) return;
  m_nCellsAcross = (m_nWidth + kCellSize - 1) / kCellSize;
  m_nCellsDown = (m_nHeight + kCellSize - 1) / kCellSize;
  m_nCellCount = m_nCellsAcross * m_nCellsDown;
  m_pCells.reset(new CCell[static_cast<size_t>(m_nCellCount)]);
  IDirect3DDevice9* device = m_pOwner->m_pDevice;
  for (int i = 0; i < m_nCellCount; ++i) {
    CCell& cell = m_pCells[static_cast<size_t>(i)];
    cell.owner = this;
    cell.device = device;
    // A failed buffer leaves the cell undrawn.
    device->CreateVertexBuffer(4 * sizeof(TexturedVertex), D3DUSAGE_WRITEONLY, kTexturedVertexFormat, D3DPOOL_MANAGED,
                               &cell.vertices, nullptr);
  }
}

void CDTImage::LayoutCells() {
  if (!m_pCells) return;
  const float step = kCellSize * m_fZoom;
  float top = static_cast<float>(m_rcBounds.top);
  for (int r = 0; r < m_nCellsDown; ++r) {
    float left = static_cast<float>(m_rcBounds.left);
    const bool lastRow = r == m_nCellsDown - 1;
    for (int c = 0; c < m_nCellsAcross; ++c) {
      const bool lastColumn = c == m_nCellsAcross - 1;
      CCell& cell = m_pCells[static_cast<size_t>(r * m_nCellsAcross + c)];
      cell.source = {c * kCellSize, r * kCellSize, std::min((c + 1) * kCellSize, m_nWidth),
                     std::min((r + 1) * kCellSize, m_nHeight)};
      cell.screen[0] = left;
      cell.screen[1] = top;
      cell.screen[2] = lastColumn ? static_cast<float>(m_rcBounds.right) : left + step;
      cell.screen[3] = lastRow ? static_cast<float>(m_rcBounds.bottom) : top + step;
      const float u = lastColumn ? static_cast<float>(m_nWidth - c * kCellSize) / kCellSize : 1.0f;
      const float v = lastRow ? static_cast<float>(m_nHeight - r * kCellSize) / kCellSize : 1.0f;
      void* bits = nullptr;
      if (cell.vertices && SUCCEEDED(cell.vertices->Lock(0, 0, &bits, 0))) {
        const float l = cell.screen[0] - 0.5f, t = cell.screen[1] - 0.5f;
        const float rr = cell.screen[2] - 0.5f, b = cell.screen[3] - 0.5f;
        const TexturedVertex quad[4] = {{l, t, 0.0f, 1.0f, 0xFFFFFFFF, 0.0f, 0.0f},
                                        {rr, t, 0.0f, 1.0f, 0xFFFFFFFF, u, 0.0f},
                                        {l, b, 0.0f, 1.0f, 0xFFFFFFFF, 0.0f, v},
                                        {rr, b, 0.0f, 1.0f, 0xFFFFFFFF, u, v}};
        std::memcpy(bits, quad, sizeof quad);
        cell.vertices->Unlock();
      }
      left += step;
    }
    top += step;
  }
}

void CDTImage::ApplyZoom(BOOL clampOffset) {
  if (m_nWidth <= 0 || m_nHeight <= 0 || !m_pOwner) return;
  const float cw = static_cast<float>(m_pOwner->BackBufferWidth());
  const float ch = static_cast<float>(m_pOwner->BackBufferHeight());
  const float w = static_cast<float>(m_nWidth), h = static_cast<float>(m_nHeight);
  int ox = m_rcBounds.left, oy = m_rcBounds.top;
  if (m_nZoomMode == 0) {
    const float zx = cw / w, zy = ch / h;
    m_fZoom = std::min(zx, zy);
    if (zx > zy) {
      ox = static_cast<int>((cw - w * m_fZoom) * 0.5f);
      oy = 0;
    } else {
      ox = 0;
      oy = static_cast<int>((ch - h * m_fZoom) * 0.5f);
    }
  } else {
    m_fZoom = m_nZoomMode == 2 ? ClampZoom(m_fZoom) : 1.0f;
    if (clampOffset) {
      // At least two picture pixels stay in the window on every side.
      ox = std::max(std::min(ox, static_cast<int>(cw) - 2), 2 - static_cast<int>(w * m_fZoom + 0.5f));
      oy = std::max(std::min(oy, static_cast<int>(ch) - 2), 2 - static_cast<int>(h * m_fZoom + 0.5f));
    }
  }
  m_rcBounds = {ox, oy, static_cast<LONG>(w * m_fZoom + ox + 0.5f), static_cast<LONG>(h * m_fZoom + oy + 0.5f)};
  LayoutCells();

  const float dx = static_cast<float>(ox - m_nPrevOffsetX), dy = static_cast<float>(oy - m_nPrevOffsetY);
  const BOOL zoomChanged = m_fZoom != m_fPrevZoom;
  for (CDTElement* child : m_children) {
    auto* figure = static_cast<CDTDraw*>(child);
    if (figure == m_pRuler || figure->m_bComplete) figure->Reposition(dx, dy, zoomChanged);
  }
  m_nPrevOffsetX = ox;
  m_nPrevOffsetY = oy;
  m_fPrevZoom = m_fZoom;
  ReportFigureChanged();
}

uint64_t CDTImage::PictureVersion() {
  std::lock_guard<std::recursive_mutex> guard(m_frameLock);
  return m_nPictureVersion;
}

void CDTImage::ReportFigureChanged() {
  if (m_pOwner && m_pOwner->m_pObserver) m_pOwner->m_pObserver->OnFigureChanged(nullptr, -1);
}

void CDTImage::ZoomAbout(float zoom, const POINT* point) {
  if (!point || !std::isfinite(zoom) || m_fZoom <= 0.0f) return;
  m_nZoomMode = 2;
  const float next = ClampZoom(zoom);
  m_rcBounds.left = static_cast<LONG>(point->x - (point->x - m_rcBounds.left) / m_fZoom * next);
  m_rcBounds.top = static_cast<LONG>(point->y - (point->y - m_rcBounds.top) / m_fZoom * next);
  m_fZoom = next;
  ApplyZoom(TRUE);
  if (m_pOwner) m_pOwner->Repaint();
}

void CDTImage::PanBy(int dx, int dy) {
  if (m_nZoomMode == 0) return;
  m_rcBounds.left += dx;
  m_rcBounds.top += dy;
  ApplyZoom(TRUE);
  if (m_pOwner) m_pOwner->Repaint();
}

void CDTImage::CentreInWindow() {
  if (m_nWidth <= 0 || m_nHeight <= 0 || m_nZoomMode != 1 || !m_pOwner) return;
  m_rcBounds.left = static_cast<LONG>((static_cast<int>(m_pOwner->BackBufferWidth()) - m_nWidth) / 2 + 0.5);
  m_rcBounds.top = static_cast<LONG>((static_cast<int>(m_pOwner->BackBufferHeight()) - m_nHeight) / 2 + 0.5);
  ApplyZoom(TRUE);
}

void CDTImage::SetOffsetForTile(int x, int y) {
  if (m_nZoomMode == 0) return;
  m_rcBounds.left = x;
  m_rcBounds.top = y;
  ApplyZoom(FALSE);
}

void CDTImage::RemeasureAll() {
  for (CDTElement* child : m_children) static_cast<CDTDraw*>(child)->Measure();
  if (m_pOwner) m_pOwner->Repaint();
}

int CDTImage::NextFigureNumber() const {
  int n = static_cast<int>(m_children.size());
  for (;;) {
    bool taken = std::any_of(m_children.begin(), m_children.end(),
                             [n](const CDTElement* e) { return static_cast<const CDTDraw*>(e)->m_nNumber == n; });
    if (!taken) return n;
    ++n;
  }
}

void CDTImage::SelectNextFigure() {
  if (!m_pSelected || m_children.size() < 2) return;
  auto it = std::find(m_children.begin(), m_children.end(), m_pSelected);
  size_t next = it == m_children.end() ? 0 : (static_cast<size_t>(it - m_children.begin()) + 1) % m_children.size();
  OnSelect(m_children[next]);
  if (m_pOwner) m_pOwner->Repaint();
}

void CDTImage::PushHistory() {
  m_history.Push();
  if (m_pOwner && m_pOwner->m_pObserver) m_pOwner->m_pObserver->OnHistoryChanged(this);
}

// Wine can begin a frame with line smoothing on while the device's state says
// off, and a state set to what it already is changes nothing: the first
// one-pixel line of the figures then comes out as a half-strength band two
// rows high. Smoothing on and then off, each applied by an invisible line
// outside the target, brings the two back together.
static void SettleLineSmoothing(CDirectUI* owner) {
  IDirect3DDevice9* device = owner->m_pDevice;
  const ColorVertex outside[2] = {{-16.0f, -16.0f, 0.0f, 1.0f, 0}, {-15.0f, -16.0f, 0.0f, 1.0f, 0}};
  device->SetTexture(0, nullptr);
  device->SetFVF(kColorVertexFormat);
  owner->SetAntialias(TRUE);
  device->DrawPrimitiveUP(D3DPT_LINELIST, 1, outside, sizeof(ColorVertex));
  owner->SetAntialias(owner->m_nAntialias);
  device->DrawPrimitiveUP(D3DPT_LINELIST, 1, outside, sizeof(ColorVertex));
}

int CDTImage::Draw() {
  if (!m_pCells || !m_pFrame || !m_pOwner || !m_pOwner->m_pStaging || !m_pOwner->m_pBlack) return 0;
  IDirect3DDevice9* device = m_pOwner->m_pDevice;
  win32::CComPtr<IDirect3DSurface9> staging;
  if (FAILED(m_pOwner->m_pStaging->GetSurfaceLevel(0, &staging))) return 0;
  SettleLineSmoothing(m_pOwner);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  device->SetFVF(kTexturedVertexFormat);
  CPictureCache& cache = m_pOwner->m_pictureCache;
  cache.BeginFrame();
  const RECT* area = m_pOwner->DrawArea();
  const int cached = cache.Capacity(device);
  {
    std::lock_guard<std::recursive_mutex> guard(m_frameLock);
    const POINT corner{0, 0};
    for (int i = 0; i < m_nCellCount; ++i) {
      CCell& cell = m_pCells[static_cast<size_t>(i)];
      if (!cell.vertices) continue;
      // A cell wholly outside the part being drawn would be clipped away.
      if (area && (cell.screen[2] + 1.0f < area->left || cell.screen[0] - 1.0f > area->right ||
                   cell.screen[3] + 1.0f < area->top || cell.screen[1] - 1.0f > area->bottom))
        continue;
      // A picture larger than the cache keeps its first cells there and
      // copies the rest each frame, rather than pushing its own cells out.
      bool fill = true;
      IDirect3DTexture9* texture = nullptr;
      if (i < cached) texture = cache.Acquire(device, m_nPictureVersion, i, &cell.cacheSlot, &fill);
      win32::CComPtr<IDirect3DSurface9> cached;
      if (texture && FAILED(texture->GetSurfaceLevel(0, &cached))) texture = nullptr;
      IDirect3DSurface9* target = texture ? cached.Get() : staging.Get();
      if (fill) {
        // A full cell overwrites the whole texture; only the picture's last
        // column and row leave a part that must be black.
        if (cell.source.right - cell.source.left < kCellSize || cell.source.bottom - cell.source.top < kCellSize)
          device->UpdateSurface(m_pOwner->m_pBlack, nullptr, target, nullptr);
        device->UpdateSurface(m_pFrame, &cell.source, target, &corner);
      }
      device->SetTexture(0, texture ? texture : m_pOwner->m_pStaging.Get());
      device->SetStreamSource(0, cell.vertices, 0, sizeof(TexturedVertex));
      device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    }
  }
  device->SetTexture(0, nullptr);
  m_pOwner->m_grid.Draw();
  m_pOwner->m_cross.Draw();
  return 0;
}

bool CDTImage::EnsureFrameSurface(int regionWidth, int regionHeight, bool clear) {
  if (m_pFrame) return true;
  if (!m_pOwner || !m_pOwner->m_pDevice) return false;
  m_rcRegion = {regionWidth / 4, regionHeight / 4, 3 * regionWidth / 4, 3 * regionHeight / 4};
  if (FAILED(m_pOwner->m_pDevice->CreateOffscreenPlainSurface(static_cast<UINT>(m_nWidth), static_cast<UINT>(m_nHeight),
                                                              D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &m_pFrame, nullptr)))
    return false;
  m_nPictureVersion = CPictureCache::NextVersion();
  if (clear) {
    D3DLOCKED_RECT lr;
    if (SUCCEEDED(m_pFrame->LockRect(&lr, nullptr, D3DLOCK_DISCARD))) {
      auto* row = static_cast<BYTE*>(lr.pBits);
      for (int y = 0; y < m_nHeight; ++y, row += lr.Pitch) std::memset(row, 0, static_cast<size_t>(m_nWidth) * 4);
      m_pFrame->UnlockRect();
    }
  }
  return true;
}

// Frames with no pixels, no size or rows shorter than the width are dropped.
static bool IsUsableFrame(const ImageFrameData& frame) {
  return frame.pixels && frame.width > 0 && frame.height > 0 &&
         std::abs(static_cast<long long>(frame.stride)) >= static_cast<long long>(frame.width) * 4;
}

void CDTImage::OnFrame(const ImageFrameData& frame, BOOL bottomUp) {
  if (!IsUsableFrame(frame)) return;
  m_pOwner->m_histogram.SetFrame(this, frame.pixels, frame.width, frame.height, frame.stride);
  if (frame.width != m_nWidth || frame.height != m_nHeight || !m_pCells) {
    const bool resized = frame.width != m_nWidth || frame.height != m_nHeight;
    {
      std::lock_guard<std::recursive_mutex> guard(m_frameLock);
      m_pFrame.Release();
      m_nWidth = frame.width;
      m_nHeight = frame.height;
    }
    RebuildCells();
    // The observer runs without the frame lock: it may stop a worker that
    // waits in LockFrame.
    ApplyZoom(TRUE);
    if (resized && m_pOwner->m_pObserver) m_pOwner->m_pObserver->OnImageResized();
  }
  std::lock_guard<std::recursive_mutex> guard(m_frameLock);
  // An observer that changed the picture's size meanwhile wins.
  if (frame.width != m_nWidth || frame.height != m_nHeight) return;
  if (!EnsureFrameSurface(frame.width, frame.height, false)) return;
  if (frame.infoText) m_strInfoText = frame.infoText;
  CInfoLine& line = m_pOwner->m_infoLines[0];
  if (line.m_bShown && frame.infoText) line.SetText(frame.infoText);
  CopyFrame(frame, bottomUp);
}

void CDTImage::CopyFrame(const ImageFrameData& frame, BOOL bottomUp) {
  D3DLOCKED_RECT lr;
  if (FAILED(m_pFrame->LockRect(&lr, nullptr, D3DLOCK_DISCARD))) return;
  const size_t rowBytes = static_cast<size_t>(frame.width) * 4;
  auto* dst = static_cast<BYTE*>(lr.pBits);
  const auto* src = static_cast<const BYTE*>(frame.pixels);
  for (int y = 0; y < frame.height; ++y) {
    const int sy = bottomUp ? frame.height - 1 - y : y;
    std::memcpy(dst + static_cast<ptrdiff_t>(y) * lr.Pitch, src + static_cast<ptrdiff_t>(sy) * frame.stride, rowBytes);
  }
  m_pFrame->UnlockRect();
  m_nPictureVersion = CPictureCache::NextVersion();
}

void CDTImage::OnTileFrame(const ImageTileFrameData& tile) {
  if (tile.tile >= m_nTileCount) return;
  if (m_nTileCount < 2 || m_nTileWidth < 1 || m_nTileHeight < 1) {
    ImageFrameData frame = tile.frame;
    frame.infoText = tile.infoText;
    OnFrame(frame, tile.bottomUp);
    return;
  }
  if (!IsUsableFrame(tile.frame)) return;
  std::lock_guard<std::recursive_mutex> guard(m_frameLock);
  if (!EnsureFrameSurface(tile.frame.width, tile.frame.height, true)) return;
  const int index = std::max(tile.tile, 0);
  CInfoLine& line = m_pOwner->m_infoLines[index];
  if (line.m_bShown && tile.infoText) line.SetText(tile.infoText);
  CopyTileFrame(tile);
}

void CDTImage::CopyTileFrame(const ImageTileFrameData& tile) {
  const CTile& place = m_tiles[std::max(tile.tile, 0)];
  const ImageFrameData& frame = tile.frame;
  // Clipped to the picture: a frame larger than its tile, or placed partly
  // outside, must not write past the surface.
  const long long x0 = static_cast<long long>(place.x) + tile.x, y0 = static_cast<long long>(place.y) + tile.y;
  const long long left = std::max(0LL, x0), right = std::min<long long>(m_nWidth, x0 + frame.width);
  const long long top = std::max(0LL, y0), bottom = std::min<long long>(m_nHeight, y0 + frame.height);
  if (left >= right || top >= bottom) return;
  D3DLOCKED_RECT lr;
  if (FAILED(m_pFrame->LockRect(&lr, nullptr, D3DLOCK_DISCARD))) return;
  const size_t rowBytes = static_cast<size_t>(right - left) * 4;
  const auto* src = static_cast<const BYTE*>(frame.pixels);
  for (long long y = top; y < bottom; ++y) {
    long long sy = y - y0;
    if (tile.bottomUp) sy = frame.height - 1 - sy;
    std::memcpy(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch + left * 4, src + sy * frame.stride + (left - x0) * 4,
                rowBytes);
  }
  m_pFrame->UnlockRect();
  m_nPictureVersion = CPictureCache::NextVersion();
}

BOOL CDTImage::LockFrame(D3DLOCKED_RECT* out) {
  if (!out) return FALSE;
  m_frameLock.lock();
  if (!m_pFrame || FAILED(m_pFrame->LockRect(out, nullptr, D3DLOCK_DISCARD))) {
    m_frameLock.unlock();
    return FALSE;
  }
  return TRUE;
}

void CDTImage::UnlockFrame() {
  if (m_pFrame) m_pFrame->UnlockRect();
  m_nPictureVersion = CPictureCache::NextVersion();
  m_frameLock.unlock();
}

BOOL CDTImage::ReadFrameForHistogram() {
  std::lock_guard<std::recursive_mutex> guard(m_frameLock);
  D3DLOCKED_RECT lr;
  if (!m_pOwner || !m_pFrame || FAILED(m_pFrame->LockRect(&lr, nullptr, D3DLOCK_READONLY))) return FALSE;
  const bool ok = m_pOwner->m_histogram.SetFrame(this, lr.pBits, m_nWidth, m_nHeight, lr.Pitch);
  m_pFrame->UnlockRect();
  return ok ? TRUE : FALSE;
}

void CDTImage::DrawInfoLines() {
  if (!m_pOwner || m_pOwner->m_pActiveImage != this) return;
  for (CInfoLine& line : m_pOwner->m_infoLines) line.Draw(this);
}

int CDTImage::OnLButtonDown(UINT flags, const POINT* point) {
  if (!m_pOwner || !point) return 0;
  if ((m_pOwner->m_nTool != DRAW_PAN && !(flags & MK_CONTROL)) || m_nZoomMode == 0) return 0;
  m_pOwner->SetCapturedElement(this);
  m_bPanning = 1;
  m_nGrabX = point->x - m_rcBounds.left;
  m_nGrabY = point->y - m_rcBounds.top;
  return 0;
}

int CDTImage::OnMouseMove(UINT, const POINT* point) {
  if (!m_bPanning || !point) return 0;
  m_rcBounds.left = point->x - m_nGrabX;
  m_rcBounds.top = point->y - m_nGrabY;
  ApplyZoom(TRUE);
  m_pOwner->Repaint();
  return 0;
}

int CDTImage::OnLButtonUp(UINT, const POINT*) {
  if (!m_bPanning) return 0;
  m_bPanning = 0;
  m_pOwner->Repaint();
  m_pOwner->ReleaseCapturedElement();
  return 0;
}
