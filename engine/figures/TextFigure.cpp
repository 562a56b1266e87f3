#include "engine/figures/TextFigure.h"

#include <d3d9.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/CornerBox.h"
#include "engine/text/FTFont.h"
#include "engine/text/FTFontFactory.h"
#include "win32/ComPtr.h"

namespace {

constexpr DWORD kBoxColour = 0x80000000;
constexpr float kSnapshotTolerance = 1e-8f;
constexpr int kPadding = 8;

}  // namespace

int WrapTextIntoBitmap(FTFont* font, const wchar_t* text, uint8_t* bitmap, int width, int height, int pitch,
                       uint8_t* lineBuffer, int lineRows) {
  if (!font || !text || !bitmap || !lineBuffer || width < 1 || height < 1 || lineRows < 1) return 0;
  const size_t lineBytes = static_cast<size_t>(pitch) * static_cast<size_t>(lineRows);
  font->SetTarget(reinterpret_cast<uint32_t*>(lineBuffer), width, lineRows, pitch);
  int remaining = width, lineTop = 0, x = 0, total = 0, h = 0;
  bool empty = true;
  auto flush = [&](int used) {
    // A blank that the engine skips still counts in the measured width: never copy past the box.
    used = std::clamp(used, 0, width);
    const int x0 = std::max(0, (width - used) / 2);
    const int rows = std::min(lineRows, height - lineTop);
    for (int r = 0; r < rows && used > 0; ++r)
      std::memcpy(bitmap + static_cast<ptrdiff_t>(lineTop + r) * pitch + static_cast<ptrdiff_t>(x0) * 4,
                  lineBuffer + static_cast<ptrdiff_t>(r) * pitch, static_cast<size_t>(used) * 4);
    if (rows > 0) std::memset(lineBuffer, 0, lineBytes);
  };
  auto newLine = [&](int used) {
    flush(used);
    lineTop += h;
    total += h;
    remaining = width;
    x = 0;
    empty = true;
    // Lines below the box are still laid out for the height they add, but a
    // target of no rows lets the engine skip their pixels: the breaks depend
    // on the width alone.
    if (lineTop >= height) font->SetTarget(reinterpret_cast<uint32_t*>(lineBuffer), width, 0, pitch);
  };
  const size_t n = std::wcslen(text);
  size_t pos = 0;
  while (pos < n) {
    size_t end = pos;
    while (end < n && text[end] != L' ' && text[end] != L'\n') ++end;
    if (end < n) ++end;  // the blank or line feed belongs to the word
    const int length = static_cast<int>(end - pos);
    int w = 0;
    font->MeasureText(text + pos, length, &w, &h);
    if (remaining < w && !empty) newLine(width - remaining);
    const int drawn = std::min(font->DrawText(text + pos, length, x, 0), length);
    if (drawn > 0 && drawn < length) {
      newLine(width);
      pos += static_cast<size_t>(drawn);
      continue;
    }
    if (drawn > 0) {
      remaining -= w;
      empty = false;
    }
    x += w;
    pos = end;
  }
  const int used = width - remaining;
  flush(used);
  if (used > 0) total += h;
  font->SetTarget(nullptr, 0, 0, 0);
  return total;
}

CDTText::CDTText() {
  m_nType = DRAW_TEXT;
  // The label is never shown: the element has none.
  m_pLabel = nullptr;
  for (ColorVertex& v : m_frame) v = {0.0f, 0.0f, 0.0f, 1.0f, 0xFFFFFFFF};
  for (ColorVertex& v : m_box) v = {0.0f, 0.0f, 0.0f, 1.0f, kBoxColour};
}

CDTText::CDTText(POINT point, const wchar_t* text) : CDTDraw(point) {
  m_nType = DRAW_TEXT;
  m_pLabel = nullptr;
  for (ColorVertex& v : m_frame) v = {0.0f, 0.0f, 0.0f, 1.0f, 0xFFFFFFFF};
  for (ColorVertex& v : m_box) v = {0.0f, 0.0f, 0.0f, 1.0f, kBoxColour};
  if (text) m_strText = text;
  const float x = static_cast<float>(point.x), y = static_cast<float>(point.y);
  for (int i = 0; i < 3; ++i) AppendVertex(x, y);
  for (int i = 0; i < 4; ++i) AddHandle(x, y);
  m_outline.assign(5, PointF{x, y});
}

CDTText::~CDTText() {
  ReleaseSurface();
  ReleaseFont();
}

void CDTText::ReleaseSurface() {
  if (m_pSurface) m_pSurface->Release();
  m_pSurface = nullptr;
}

void CDTText::ReleaseFont() {
  if (m_pFont && m_pOwner) m_pOwner->m_fontFactory.ReleaseFont(m_pFont);
  m_pFont = nullptr;
}

int CDTText::ReleaseDeviceObjects() {
  ReleaseSurface();
  m_pCells.reset();
  m_nColumns = m_nRows = 0;
  m_pLineBuffer.reset();
  ReleaseFont();
  return CDTDraw::ReleaseDeviceObjects();
}

// --- Layout ----------------------------------------------------------------

void CDTText::LayoutAroundHandle0(float width, float height) {
  if (m_handles.size() < 4) return;
  const float x0 = m_handles[0]->cx - width / 2, y0 = m_handles[0]->cy - height / 2;
  const float x2 = x0 + width, y2 = y0 + height;
  m_handles[0]->SetCenter(x0, y0);
  m_handles[1]->SetCenter(x2, y0);
  m_handles[2]->SetCenter(x2, y2);
  m_handles[3]->SetCenter(x0, y2);
}

void CDTText::RebuildFrame() {
  if (m_handles.size() < 4) return;
  static const int kOrder[5] = {0, 1, 2, 3, 0};
  m_outline.resize(5);
  for (int i = 0; i < 5; ++i) {
    const FigureHandle& h = *m_handles[kOrder[i]];
    m_outline[i] = {h.cx, h.cy};
    m_frame[i] = {h.cx - 0.5f, h.cy - 0.5f, 0.0f, 1.0f, m_clrText};
  }
}

void CDTText::LayoutCells() {
  const int left = m_rcBounds.left, top = m_rcBounds.top;
  for (int i = 0; i < m_nRows; ++i) {
    for (int j = 0; j < m_nColumns; ++j) {
      CCell& cell = m_pCells[static_cast<size_t>(i) * m_nColumns + j];
      const int w = std::min(kCellSize, m_nBoxWidth - kCellSize * j);
      const int h = std::min(kCellSize, m_nBoxHeight - kCellSize * i);
      cell.m_rcSource = {kCellSize * j, kCellSize * i, kCellSize * j + w, kCellSize * i + h};
      cell.m_rcScreen = {left + kCellSize * j, top + kCellSize * i, left + kCellSize * j + w, top + kCellSize * i + h};
      const float u = static_cast<float>(w) / kCellSize, v = static_cast<float>(h) / kCellSize;
      const float l = cell.m_rcScreen.left - 0.5f, t = cell.m_rcScreen.top - 0.5f;
      const float r = cell.m_rcScreen.right - 0.5f, b = cell.m_rcScreen.bottom - 0.5f;
      cell.m_quad[0] = {l, t, 0.0f, 1.0f, m_clrText, 0.0f, 0.0f};
      cell.m_quad[1] = {r, t, 0.0f, 1.0f, m_clrText, u, 0.0f};
      cell.m_quad[2] = {l, b, 0.0f, 1.0f, m_clrText, 0.0f, v};
      cell.m_quad[3] = {r, b, 0.0f, 1.0f, m_clrText, u, v};
    }
  }
  // Background quad (strip order) and the closed border.
  const float l = static_cast<float>(left), t = static_cast<float>(top);
  const float r = l + static_cast<float>(m_nBoxWidth), b = t + static_cast<float>(m_nBoxHeight);
  const float xs[9] = {l, r, l, r, l, r, r, l, l};
  const float ys[9] = {t, t, b, b, t, t, b, b, t};
  for (int i = 0; i < 9; ++i) {
    m_box[i].x = xs[i];
    m_box[i].y = ys[i];
  }
}

// --- Device objects and composing -----------------------------------------

int CDTText::CreateDeviceObjects() {
  for (ColorVertex& v : m_frame) v.color = m_clrText;
  for (int i = 4; i < 9; ++i) m_box[i].color = m_clrText;
  if (!m_pFont) {
    const wchar_t* face = m_pszFontFace ? m_pszFontFace : (m_pOwner ? m_pOwner->m_strFontFace.c_str() : L"");
    m_pFont = m_pOwner ? m_pOwner->m_fontFactory.CreateFaceFont(face, m_nFontSize, 0, 0, false) : nullptr;
    if (!m_pFont) {
      ShowFontMissingMessage();
      return E_FAIL;
    }
  }
  if (!m_strText.empty() && m_handles.size() >= 4) {
    int width = 0, height = 0;
    if (m_bComplete && m_nBoxWidth > 0 && m_nBoxHeight > 0) {
      width = m_nBoxWidth;
      height = m_nBoxHeight;
    } else {
      m_pFont->MeasureText(m_strText.c_str(), -1, &width, &height);
      if (width > 1 && height > 1) {
        width += kPadding;
        height += kPadding;
      } else {
        width = height = 0;
      }
    }
    if (width > 0) {
      LayoutAroundHandle0(static_cast<float>(width), static_cast<float>(height));
      UpdateBounds();
      SetBoxSize(width, height);
      m_bComplete = 1;
      // The centre and picture vertices follow the box from the start, for zoom and the store.
      Measure();
    }
  }
  RebuildFrame();
  return 0;
}

void CDTText::SetBoxSize(int width, int height) {
  if (width < 1 || height < 1) return;
  if (width != m_nBoxWidth || height != m_nBoxHeight) {
    ReleaseSurface();
    m_nBoxWidth = width;
    m_nBoxHeight = height;
    m_pLineBuffer.reset();
  }
  if (!m_pSurface) {
    IDirect3DDevice9* device = m_pOwner ? m_pOwner->m_pDevice.Get() : nullptr;
    if (!device ||
        FAILED(device->CreateOffscreenPlainSurface(static_cast<UINT>(width), static_cast<UINT>(height), D3DFMT_A8R8G8B8,
                                                   D3DPOOL_SYSTEMMEM, &m_pSurface, nullptr)))
      m_pSurface = nullptr;
    m_nRowPitch = width * 4;
    m_pBitmap.reset(new uint8_t[static_cast<size_t>(m_nRowPitch) * static_cast<size_t>(height)]);
    m_nColumns = (width + kCellSize - 1) / kCellSize;
    m_nRows = (height + kCellSize - 1) / kCellSize;
    m_pCells.reset(new CCell[static_cast<size_t>(m_nColumns) * static_cast<size_t>(m_nRows)]);
    for (int i = 0; i < m_nColumns * m_nRows; ++i) m_pCells[i].m_pOwner = this;
    LayoutCells();
  } else {
    return;
  }
  ComposeText();
}

void CDTText::ComposeText() {
  if (!m_pFont || !m_pBitmap || !m_pSurface) return;
  const size_t pitch = static_cast<size_t>(m_nRowPitch);
  std::memset(m_pBitmap.get(), 0, pitch * static_cast<size_t>(m_nBoxHeight));
  if (!m_pLineBuffer) {
    m_nLineRows = m_pFont->GetLineHeight() + 1;
    m_pLineBuffer.reset(new uint8_t[pitch * static_cast<size_t>(m_nLineRows)]());
  }
  const int total = WrapTextIntoBitmap(m_pFont, m_strText.c_str(), m_pBitmap.get(), m_nBoxWidth, m_nBoxHeight,
                                       m_nRowPitch, m_pLineBuffer.get(), m_nLineRows);
  D3DLOCKED_RECT locked{};
  if (FAILED(m_pSurface->LockRect(&locked, nullptr, 0))) return;
  auto* bits = static_cast<uint8_t*>(locked.pBits);
  for (int y = 0; y < m_nBoxHeight; ++y) std::memset(bits + static_cast<ptrdiff_t>(y) * locked.Pitch, 0, pitch);
  const int rows = std::min(m_nBoxHeight, total);
  if (rows > 0) {
    int first = (m_nBoxHeight - rows) / 2;
    if (first < 1) first = 0;
    for (int y = 0; y < rows; ++y)
      std::memcpy(bits + static_cast<ptrdiff_t>(first + y) * locked.Pitch,
                  m_pBitmap.get() + static_cast<ptrdiff_t>(y) * m_nRowPitch, pitch);
  }
  m_pSurface->UnlockRect();
}

void CDTText::SetText(const wchar_t* text) {
  if (!text || text == m_strText.c_str()) return;
  m_strText = text;
  ComposeText();
  RepaintOwner();
}

// --- Drawing ---------------------------------------------------------------

int CDTText::Draw() {
  const CDTImage* doc = Document();
  if (!doc || !m_pOwner || !m_pOwner->m_pDevice) return 0;
  IDirect3DDevice9* device = m_pOwner->m_pDevice;
  const bool current = doc->m_pSelected == this;
  if (m_bComplete && m_pSurface) {
    if (m_bBackground) {
      device->SetTexture(0, nullptr);
      device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
      device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
      device->SetFVF(kColorVertexFormat);
      device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, m_box, sizeof(ColorVertex));
      if (m_bBorder && !current) device->DrawPrimitiveUP(D3DPT_LINESTRIP, 4, m_box + 4, sizeof(ColorVertex));
    }
    if (m_pOwner->m_pStaging && m_pOwner->m_pBlack) {
      device->SetTexture(0, m_pOwner->m_pStaging);
      device->SetFVF(kTexturedVertexFormat);
      device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
      device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
      for (int i = 0; i < m_nColumns * m_nRows; ++i) {
        win32::CComPtr<IDirect3DSurface9> staging;
        if (FAILED(m_pOwner->m_pStaging->GetSurfaceLevel(0, &staging))) break;
        const RECT& source = m_pCells[i].m_rcSource;
        // Blank only what the quad can sample: the slice and one texel beyond it.
        const RECT blank{0, 0, std::min<LONG>(kCellSize, source.right - source.left + 1),
                         std::min<LONG>(kCellSize, source.bottom - source.top + 1)};
        const POINT corner{0, 0};
        device->UpdateSurface(m_pOwner->m_pBlack, &blank, staging, &corner);
        if (source.right > source.left && source.bottom > source.top)
          device->UpdateSurface(m_pSurface, &source, staging, &corner);
        staging.Release();
        device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, m_pCells[i].m_quad, sizeof(TexturedVertex));
      }
    }
  }
  if (m_bComplete && !m_bHover && !current) return 0;
  device->SetTexture(0, nullptr);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  device->SetFVF(kColorVertexFormat);
  if (m_pSurface) device->DrawPrimitiveUP(D3DPT_LINESTRIP, 4, m_frame, sizeof(ColorVertex));
  for (const auto& handle : m_handles) DrawHandle(handle.get(), false);
  return 0;
}

// --- Editing ---------------------------------------------------------------

int CDTText::OnLButtonUp(UINT, const POINT* point) {
  if (m_bLocked || !point) return 0;
  const bool moved = !(m_bComplete && point->x == m_ptPress.x && point->y == m_ptPress.y);
  const float dx = point->x - m_dragAnchor.x, dy = point->y - m_dragAnchor.y;
  if (m_nSelectedHandle >= 0 && static_cast<size_t>(m_nSelectedHandle) < m_handles.size()) {
    SetVertexScreen(m_nSelectedHandle, dx, dy);
    m_nSelectedHandle = -1;
    Measure();
  } else if (m_bWholeDrag) {
    m_bWholeDrag = 0;
    if (std::fabs(dx) >= 1e-8f || std::fabs(dy) >= 1e-8f) {
      MoveHandlesBy(dx, dy);
      m_dragAnchor = {static_cast<float>(point->x), static_cast<float>(point->y)};
      Measure();
    }
  }
  m_bComplete = 1;
  if (m_pOwner && m_pOwner->m_pCaptured) m_pOwner->ReleaseCapturedElement();
  // A corner drag changes the box: a new surface and the text wrapped anew.
  SetBoxSize(m_rcBounds.right - m_rcBounds.left, m_rcBounds.bottom - m_rcBounds.top);
  RepaintOwner();
  if (moved) RecordHistory();
  return 0;
}

void CDTText::OnVertexMoved(int index) {
  if (m_handles.size() < 4) return;
  corner_box::PropagateCorner(this, index);
  RebuildFrame();
}

void CDTText::MoveBy(float dx, float dy) {
  for (PointF& p : m_outline) {
    p.x += dx;
    p.y += dy;
  }
  for (size_t i = 0; i < 5 && i < m_outline.size(); ++i) {
    m_frame[i].x = m_outline[i].x - 0.5f;
    m_frame[i].y = m_outline[i].y - 0.5f;
  }
  LayoutCells();
}

void CDTText::Reposition(float dx, float dy, BOOL zoomChanged) {
  if (zoomChanged) {
    if (m_handles.size() >= 4) {
      float cx, cy;
      PixelToScreen(m_center.x, m_center.y, &cx, &cy);
      m_handles[0]->SetCenter(cx, cy);
      LayoutAroundHandle0(static_cast<float>(m_nBoxWidth), static_cast<float>(m_nBoxHeight));
    }
  } else {
    for (auto& h : m_handles) h->SetCenter(h->cx + dx, h->cy + dy);
  }
  RebuildFrame();
  UpdateBounds();
  LayoutCells();
}

void CDTText::Measure() {
  const RECT& rc = m_rcBounds;
  ScreenToPixel((rc.left + rc.right) * 0.5f, (rc.top + rc.bottom) * 0.5f, &m_center.x, &m_center.y);
  if (m_handles.size() < 4) return;
  m_vertices.resize(4);
  for (int i = 0; i < 4; ++i) GetVertexPixel(i, &m_vertices[i].x, &m_vertices[i].y);
}

void CDTText::BuildHandles() {
  m_handles.clear();
  for (size_t i = 0; i < 4 && i < m_vertices.size(); ++i) {
    float sx, sy;
    PixelToScreen(m_vertices[i].x, m_vertices[i].y, &sx, &sy);
    AddHandle(sx, sy);
  }
  if (m_handles.size() >= 4)
    m_handles[0]->SetCenter((m_handles[0]->cx + m_handles[2]->cx) * 0.5f, (m_handles[0]->cy + m_handles[2]->cy) * 0.5f);
  m_bComplete = 1;
}

// --- Style -----------------------------------------------------------------

void CDTText::SetTextBackgroundColor(DWORD argb, BOOL repaint) {
  if (argb == m_label.m_clrBackground) return;
  m_label.SetBackgroundColor(argb);
  for (int i = 0; i < 4; ++i) m_box[i].color = argb;
  if (repaint && m_pOwner) m_pOwner->Repaint();
}

void CDTText::SetTextBackground(BOOL on, BOOL repaint) {
  if ((on != 0) == (m_label.m_bBackground != 0)) return;
  m_label.SetBackground(on);
  m_bBackground = on ? 1 : 0;
  if (repaint && m_pOwner) m_pOwner->Repaint();
}

void CDTText::SetTextBorder(BOOL on, BOOL repaint) {
  if ((on != 0) == (m_label.m_bBorder != 0)) return;
  m_label.SetBorder(on);
  m_bBorder = on ? 1 : 0;
  if (repaint && m_pOwner) m_pOwner->Repaint();
}

void CDTText::OnTextColorChanged() {
  for (int i = 0; i < m_nColumns * m_nRows; ++i)
    for (TexturedVertex& v : m_pCells[i].m_quad) v.color = m_clrText;
  for (ColorVertex& v : m_frame) v.color = m_clrText;
  for (int i = 4; i < 9; ++i) m_box[i].color = m_clrText;
}

int CDTText::OnFontFaceChanged() {
  if (!m_pOwner) return 0;
  SetFontFace(m_pOwner->m_strFontFace.c_str());
  // The box's own size, not the pen weight, is the size its font is made at.
  FTFont* font = m_pOwner->m_fontFactory.CreateFaceFont(m_pszFontFace, m_nFontSize, 0, 0, false);
  if (!font) {
    ShowFontMissingMessage();
    return 0;
  }
  ReleaseFont();
  m_pFont = font;
  // The line buffer's height belongs to the old font.
  m_pLineBuffer.reset();
  if (m_pBitmap && m_pSurface) ComposeText();
  return 0;
}

// --- Store and snapshots ---------------------------------------------------

void CDTText::GetStoredExtra(FigureExtra* extra) const {
  extra->boxWidth = static_cast<float>(m_nBoxWidth);
  extra->boxHeight = static_cast<float>(m_nBoxHeight);
  extra->hasText = !m_strText.empty();
  extra->text = m_strText;
}

void CDTText::SetStoredExtra(const FigureExtra& extra) {
  if (!m_bComplete) {
    m_nBoxWidth = static_cast<int>(extra.boxWidth);
    m_nBoxHeight = static_cast<int>(extra.boxHeight);
    if (extra.hasText) m_strText = extra.text;
    return;
  }
  m_bPending = true;
  m_fPendingWidth = extra.boxWidth;
  m_fPendingHeight = extra.boxHeight;
  m_bPendingText = extra.hasText;
  m_strPendingText = extra.text;
}

void CDTText::SetVertices(const std::vector<PointF>& points) {
  if (!m_bPending) return;
  m_bPending = false;
  Restore(points, m_fPendingWidth, m_fPendingHeight, m_bPendingText ? m_strPendingText.c_str() : nullptr);
}

void CDTText::Restore(const std::vector<PointF>& vertices, float boxWidth, float boxHeight, const wchar_t* text) {
  if (!m_bComplete || vertices.size() < 4 || m_handles.size() < 4) return;
  bool changed = false;
  const int width = static_cast<int>(boxWidth), height = static_cast<int>(boxHeight);
  if (width != m_nBoxWidth || height != m_nBoxHeight) {
    m_nBoxWidth = width;
    m_nBoxHeight = height;
    changed = true;
  }
  if (text && (m_strText.empty() || m_strText != text)) {
    m_strText = text;
    changed = true;
  }
  m_vertices.resize(4);
  bool moved = false;
  for (int i = 0; i < 4; ++i) {
    if (std::fabs(vertices[i].x - m_vertices[i].x) > kSnapshotTolerance ||
        std::fabs(vertices[i].y - m_vertices[i].y) > kSnapshotTolerance) {
      m_vertices[i] = vertices[i];
      moved = true;
    }
  }
  // An unchanged box keeps its corners: handle 0 becomes the centre only to be laid out from.
  if (!changed && !moved) return;
  if (moved) {
    for (int i = 0; i < 4; ++i) {
      float sx, sy;
      PixelToScreen(m_vertices[i].x, m_vertices[i].y, &sx, &sy);
      m_handles[i]->SetCenter(sx, sy);
    }
  }
  m_handles[0]->SetCenter((m_handles[0]->cx + m_handles[2]->cx) * 0.5f, (m_handles[0]->cy + m_handles[2]->cy) * 0.5f);
  m_pLineBuffer.reset();
  ReleaseSurface();
  LayoutAroundHandle0(static_cast<float>(m_nBoxWidth), static_cast<float>(m_nBoxHeight));
  UpdateBounds();
  SetBoxSize(m_nBoxWidth, m_nBoxHeight);
  RebuildFrame();
  Measure();
}
