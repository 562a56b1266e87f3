#include "engine/figures/Draw.h"

#include <d3d9.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cwchar>

#include "engine/DirectUI.h"
#include "engine/Image.h"

namespace {

constexpr float kHandleHalf = 3.0f;
constexpr DWORD kHandleWhite = 0xFFFFFFFF;
constexpr DWORD kHandleMarked = 0xFF00FF00;

wchar_t* CopyString(const wchar_t* text) {
  if (!text) return nullptr;
  const size_t length = std::wcslen(text);
  auto* copy = new wchar_t[length + 1];
  std::wmemcpy(copy, text, length + 1);
  return copy;
}

// Half of v rounded down; / 2 rounds toward zero, which differs left of or above the window.
int HalfDown(int v) { return v >= 0 ? v / 2 : -((1 - v) / 2); }

}  // namespace

FigureHandle::FigureHandle(float x, float y) {
  for (ColorVertex& v : square) v = {0.0f, 0.0f, 0.0f, 1.0f, kHandleWhite};
  SetCenter(x, y);
}

void FigureHandle::SetCenter(float x, float y) {
  cx = x;
  cy = y;
  const float xs[5] = {x - kHandleHalf, x + kHandleHalf, x + kHandleHalf, x - kHandleHalf, x - kHandleHalf};
  const float ys[5] = {y - kHandleHalf, y - kHandleHalf, y + kHandleHalf, y + kHandleHalf, y - kHandleHalf};
  for (int i = 0; i < 5; ++i) {
    square[i].x = xs[i];
    square[i].y = ys[i];
  }
}

void FigureHandle::SetMarked(int mark) {
  marked = mark;
  for (ColorVertex& v : square) v.color = mark ? kHandleMarked : kHandleWhite;
}

CDTDraw::CDTDraw() { m_pLabel = &m_label; }

CDTDraw::CDTDraw(POINT point) : m_bSolid(0), m_ptPress(point) {
  m_pLabel = &m_label;
  m_vertices.push_back({static_cast<float>(point.x), static_cast<float>(point.y)});
}

CDTDraw::~CDTDraw() {
  m_handles.clear();
  delete[] m_pszFontFace;
  m_label.ReleaseDeviceObjects();
}

CDTImage* CDTDraw::Document() const {
  return m_pParent && m_pParent->m_nKind == 0 ? static_cast<CDTImage*>(m_pParent) : nullptr;
}

int CDTDraw::ReleaseDeviceObjects() {
  m_label.ReleaseDeviceObjects();
  return 0;
}

int CDTDraw::OnFontFaceChanged() {
  if (m_pOwner) SetFontFace(m_pOwner->m_strFontFace.c_str());
  for (CDTElement* child : m_children) child->OnFontFaceChanged();
  // The label may not have met the canvas yet; the canvas's face is the one it takes.
  if (m_pLabel && m_pOwner) m_pLabel->SetFontFace(m_pOwner->m_strFontFace.c_str());
  return 0;
}

// --- Coordinates -----------------------------------------------------------

void CDTDraw::ScreenToPixel(float sx, float sy, float* px, float* py) const {
  const CDTImage* doc = Document();
  const float ox = doc ? static_cast<float>(doc->m_rcBounds.left) : 0.0f;
  const float oy = doc ? static_cast<float>(doc->m_rcBounds.top) : 0.0f;
  const float zoom = doc ? doc->m_fZoom : 1.0f;
  *px = sx - ox;
  *py = sy - oy;
  if (std::fabs(zoom) > kTinyDivisor) {
    *px /= zoom;
    *py /= zoom;
  }
}

void CDTDraw::PixelToScreen(float px, float py, float* sx, float* sy) const {
  const CDTImage* doc = Document();
  const float ox = doc ? static_cast<float>(doc->m_rcBounds.left) : 0.0f;
  const float oy = doc ? static_cast<float>(doc->m_rcBounds.top) : 0.0f;
  const float zoom = doc ? doc->m_fZoom : 1.0f;
  *sx = px * zoom + ox;
  *sy = py * zoom + oy;
}

double CDTDraw::CalibratedLength(double pixels) const {
  const CDTImage* doc = Document();
  if (!doc) return pixels;
  double value = pixels * doc->ReferenceScale;
  if (std::fabs(doc->MultiPower) > kTinyDivisor) value /= doc->MultiPower;
  return value;
}

void CDTDraw::GetVertexPixel(int index, float* x, float* y) const {
  if (index < 0 || static_cast<size_t>(index) >= m_handles.size()) return;
  const FigureHandle& handle = *m_handles[index];
  // A vertex that still lands on its handle stays: taken back from the window
  // at a fractional zoom it would move by a rounding step at every rebuild.
  float sx, sy;
  PixelToScreen(*x, *y, &sx, &sy);
  if (sx == handle.cx && sy == handle.cy) return;
  ScreenToPixel(handle.cx, handle.cy, x, y);
}

void CDTDraw::GetVertexValue(int index, float* x, float* y) const {
  if (index < 0 || static_cast<size_t>(index) >= m_handles.size()) return;
  const CDTImage* doc = Document();
  const double ox = doc ? doc->m_rcBounds.left : 0;
  const double oy = doc ? doc->m_rcBounds.top : 0;
  const double zoom = doc ? doc->m_fZoom : 1.0;
  const double scale = doc ? doc->ReferenceScale : 1.0;
  const double power = doc ? doc->MultiPower : 1.0;
  const double divisor = zoom * power;
  double vx = (m_handles[index]->cx - ox) * scale;
  double vy = (m_handles[index]->cy - oy) * scale;
  if (std::fabs(divisor) > kTinyDivisor) {
    vx /= divisor;
    vy /= divisor;
  }
  *x = static_cast<float>(vx);
  *y = static_cast<float>(vy);
}

void CDTDraw::SetVertexPixel(int index, float x, float y) {
  if (index < 0 || static_cast<size_t>(index) >= m_handles.size()) return;
  float sx, sy;
  PixelToScreen(x, y, &sx, &sy);
  SetVertexScreen(index, sx, sy);
  if (m_pOwner) m_pOwner->SetMagnifierPoint(static_cast<int>(sx), static_cast<int>(sy));
  Measure();
  RepaintOwner();
}

// --- Vertices and handles --------------------------------------------------

void CDTDraw::AppendVertex(float x, float y) { m_vertices.push_back({x, y}); }

FigureHandle* CDTDraw::AddHandle(float x, float y) {
  m_handles.push_back(std::make_unique<FigureHandle>(x, y));
  return m_handles.back().get();
}

void CDTDraw::AttachToDocument(CDTImage* document) {
  m_pParent = document;
  m_pOwner = document ? document->m_pOwner : nullptr;
  BuildHandles();
}

void CDTDraw::SetVertexScreen(int index, float x, float y) {
  m_handles[static_cast<size_t>(index)]->SetCenter(x, y);
  OnVertexMoved(index);
  UpdateBounds();
}

void CDTDraw::UpdateBounds() {
  if (m_handles.empty()) {
    m_rcBounds = {};
    return;
  }
  float l = m_handles[0]->cx, t = m_handles[0]->cy, r = l, b = t;
  for (const auto& h : m_handles) {
    l = std::fmin(l, h->cx);
    t = std::fmin(t, h->cy);
    r = std::fmax(r, h->cx);
    b = std::fmax(b, h->cy);
  }
  // Rounded down so that bounds, and the labels placed from them, move by
  // exactly a whole offset however far left or up the picture is shifted.
  m_rcBounds = {static_cast<LONG>(std::floor(l)), static_cast<LONG>(std::floor(t)), static_cast<LONG>(std::floor(r)),
                static_cast<LONG>(std::floor(b))};
}

void CDTDraw::MoveHandlesBy(float dx, float dy) {
  for (auto& h : m_handles) h->SetCenter(h->cx + dx, h->cy + dy);
  UpdateBounds();
  MoveBy(dx, dy);
}

int CDTDraw::HitHandle(const POINT* point) const {
  if (!point) return -1;
  for (size_t i = 0; i < m_handles.size(); ++i) {
    if (std::fabs(point->x - m_handles[i]->cx) <= kHandleHalf && std::fabs(point->y - m_handles[i]->cy) <= kHandleHalf)
      return static_cast<int>(i);
  }
  return -1;
}

bool CDTDraw::IsFarFromPrevious(int index, const POINT* point) const {
  if (index <= 0 || static_cast<size_t>(index) >= m_handles.size() || !point) return false;
  const int before = m_nSelectedHandle - 1;
  if (before < 0 || static_cast<size_t>(before) >= m_handles.size()) return false;
  const FigureHandle* previous = m_handles[static_cast<size_t>(before)].get();
  const int dx = point->x - static_cast<int>(previous->cx);
  const int dy = point->y - static_cast<int>(previous->cy);
  return std::abs(dx) > 10 || std::abs(dy) > 10;
}

void CDTDraw::InitLabel() {
  const wchar_t* face = m_pszFontFace ? m_pszFontFace : (m_pOwner ? m_pOwner->m_strFontFace.c_str() : L"");
  m_label.Init(m_pOwner, face, m_clrText, m_nFontSize);
  m_label.Attach(this);
}

void CDTDraw::PlaceLabel() {
  const int width = m_label.m_nTextWidth, height = m_label.m_nTextHeight;
  if (width <= 0 || height <= 0) return;
  m_label.PlaceAt(HalfDown(m_rcBounds.left + m_rcBounds.right - width), m_rcBounds.bottom + height / 2);
}

void CDTDraw::FinishCreation() {
  m_bComplete = 1;
  if (m_pOwner) m_pOwner->ResetTool(DRAW_SELECT);
}

void CDTDraw::RecordHistory() {
  if (m_nType == DRAW_RULER) return;
  if (CDTImage* doc = Document()) doc->PushHistory();
}

// --- Mouse and keyboard editing --------------------------------------------

int CDTDraw::OnMouseEnter(UINT, const POINT*) {
  if (m_bLocked) return 0;
  m_bHover = 1;
  RepaintOwner();
  return 0;
}

int CDTDraw::OnMouseLeave(UINT, const POINT*) {
  if (m_bLocked) return 0;
  m_bHover = 0;
  RepaintOwner();
  return 0;
}

int CDTDraw::OnLButtonDown(UINT, const POINT* point) {
  if (m_bLocked || !point) return 0;
  m_dragAnchor = {0.0f, 0.0f};
  m_nSelectedHandle = -1;
  m_bWholeDrag = 0;
  m_ptPress = *point;
  const int hit = HitHandle(point);
  if (hit >= 0) {
    m_nSelectedHandle = hit;
    m_dragAnchor = {point->x - m_handles[hit]->cx, point->y - m_handles[hit]->cy};
  } else {
    m_dragAnchor = {static_cast<float>(point->x), static_cast<float>(point->y)};
    m_bWholeDrag = 1;
  }
  if (m_pOwner && m_pOwner->m_pCaptured != this) m_pOwner->SetCapturedElement(this);
  return 0;
}

int CDTDraw::OnMouseMove(UINT, const POINT* point) {
  if (m_bLocked || !point) return 0;
  const bool captured = m_pOwner && m_pOwner->m_pCaptured == this;
  NoteDrawing();
  if (m_nSelectedHandle >= 0 && static_cast<size_t>(m_nSelectedHandle) < m_handles.size() && captured) {
    float x = point->x - m_dragAnchor.x, y = point->y - m_dragAnchor.y;
    ConstrainToAxis(&x, &y, point);
    SetVertexScreen(m_nSelectedHandle, x, y);
  } else if (m_bWholeDrag) {
    MoveHandlesBy(point->x - m_dragAnchor.x, point->y - m_dragAnchor.y);
    m_dragAnchor = {static_cast<float>(point->x), static_cast<float>(point->y)};
  } else {
    return 0;
  }
  Measure();
  RepaintChange();
  return 0;
}

void CDTDraw::NoteDrawing() { m_bNoted = DrawnExtent(&m_rcNoted); }

bool CDTDraw::ChangedArea(RECT* out) const {
  RECT now{};
  if (!m_bNoted || !DrawnExtent(&now)) return false;
  *out = m_rcNoted;
  UniteRect(out, now);
  return true;
}

void CDTDraw::RepaintChange() {
  if (!m_pOwner) return;
  RECT area{};
  if (ChangedArea(&area))
    m_pOwner->RepaintArea(area);
  else
    m_pOwner->Repaint();
}

// A handle's square and frame reach four pixels from its centre; nothing for
// a centre nowhere near a window.
RECT CDTDraw::HandleExtent(float cx, float cy) {
  if (!(std::fabs(cx) < 1e7f) || !(std::fabs(cy) < 1e7f)) return {};
  const LONG x = static_cast<LONG>(std::floor(cx)), y = static_cast<LONG>(std::floor(cy));
  return {x - 6, y - 6, x + 7, y + 7};
}

// The box reaches five pixels left and four right of the text, two above and one below.
RECT CDTDraw::LabelExtent() const {
  const CDTLabel& label = m_label;
  if (label.m_nTextWidth <= 0 && label.m_nTextHeight <= 0) return {};
  const LONG x = label.m_ptPosition.x, y = label.m_ptPosition.y;
  return {x - 8, y - 4, x + label.m_nTextWidth + 8, y + label.m_nTextHeight + 4};
}

void CDTDraw::AddHandlesAndLabel(RECT* extent) const {
  for (const auto& h : m_handles) UniteRect(extent, HandleExtent(h->cx, h->cy));
  UniteRect(extent, LabelExtent());
}

int CDTDraw::OnLButtonUp(UINT, const POINT* point) {
  if (m_bLocked || !point) return 0;
  const bool moved = !(m_bComplete && point->x == m_ptPress.x && point->y == m_ptPress.y);
  CDirectUIMeasureObserver* observer = m_pOwner ? m_pOwner->m_pObserver : nullptr;
  if (m_nSelectedHandle >= 0 && static_cast<size_t>(m_nSelectedHandle) < m_handles.size()) {
    float x = point->x - m_dragAnchor.x, y = point->y - m_dragAnchor.y;
    ConstrainToAxis(&x, &y, point);
    SetVertexScreen(m_nSelectedHandle, x, y);
    Measure();
    RepaintOwner();
    if (observer) observer->OnFigureChanged(this, m_nSelectedHandle);
  } else if (m_bWholeDrag) {
    m_bWholeDrag = 0;
    const float dx = point->x - m_dragAnchor.x, dy = point->y - m_dragAnchor.y;
    if (std::fabs(dx) >= 1e-8f || std::fabs(dy) >= 1e-8f) MoveHandlesBy(dx, dy);
    m_dragAnchor = {static_cast<float>(point->x), static_cast<float>(point->y)};
    Measure();
    RepaintOwner();
    if (observer) observer->OnFigureChanged(this, -1);
  }
  if (!m_bComplete) {
    m_label.RecordOffset();
    FinishCreation();
  }
  if (m_nSelectedHandle < 0 &&
      (m_nType == DRAW_LINE || m_nType == DRAW_CURVE || m_nType == DRAW_POLYGON || m_nType == DRAW_CURVE_POLYGON)) {
    if (observer) observer->OnFigureChanged(this, -1);
    m_nWorkingIndex = -1;
  }
  if (m_pOwner) m_pOwner->ReleaseCapturedElement();
  if (moved) RecordHistory();
  return 0;
}

void CDTDraw::ConstrainToAxis(float* x, float* y, const POINT* mouse) const {
  if (m_nType == DRAW_ELLIPSE || m_nType == DRAW_RECTANGLE || m_nType == DRAW_CLIPART || m_nType == DRAW_TEXT) return;
  if (::GetKeyState(VK_SHIFT) >= 0) return;
  if (m_bComplete && !(m_pOwner && m_pOwner->m_bLButtonDown)) return;
  const int n = static_cast<int>(m_handles.size());
  const int i = m_nSelectedHandle;
  if (n == 0 || i < 0 || i >= n) return;
  int r;
  if (m_nType == DRAW_ANGLE_PT4) {
    static const int kPartner[3] = {1, 0, 3};
    r = i < 3 ? kPartner[i] : 2;
  } else {
    const int step = (m_nType == DRAW_LINE || m_nType == DRAW_CURVE) && !m_handles[i]->marked ? 2 : 1;
    r = i <= 0 ? i + step : i - step;
    if (r > n - 1) r = n - 1;
    if (r < 0) r = 0;
  }
  float rx, ry;
  if (r == i) {
    const POINT press = m_pOwner ? m_pOwner->m_ptLButtonDown : POINT{0, 0};
    rx = static_cast<float>(press.x);
    ry = static_cast<float>(press.y);
  } else if (r >= 0 && r < n) {
    rx = m_handles[r]->cx;
    ry = m_handles[r]->cy;
  } else {
    return;
  }
  if (std::fabs(mouse->x - rx) > std::fabs(mouse->y - ry))
    *y = ry;
  else
    *x = rx;
}

void CDTDraw::NudgeBy(float dx, float dy) {
  if (m_bLocked || !m_bVisible) return;
  const int i = m_nSelectedHandle;
  if (i >= 0 && static_cast<size_t>(i) < m_handles.size() && !m_handles[i]->marked) {
    const float x = m_handles[i]->cx + dx, y = m_handles[i]->cy + dy;
    SetVertexScreen(i, x, y);
    Measure();
    RecordHistory();
    if (m_pOwner) m_pOwner->SetMagnifierPoint(static_cast<int>(x), static_cast<int>(y));
    RepaintOwner();
    if (m_pOwner && m_pOwner->m_pObserver) m_pOwner->m_pObserver->OnFigureChanged(this, i);
  } else {
    MoveHandlesBy(dx, dy);
    Measure();
    RecordHistory();
    RepaintOwner();
  }
}

void CDTDraw::SelectNextHandle() {
  if (m_nSelectedHandle < 0) return;
  const int n = static_cast<int>(m_handles.size());
  int next = m_nSelectedHandle + 1;
  if (next >= n) next = 0;
  if (next < n && m_handles[next]->marked) ++next;
  if (next >= n) next = 0;
  if (next != m_nSelectedHandle) {
    m_nSelectedHandle = next;
    RepaintOwner();
  }
}

void CDTDraw::DrawHandle(const FigureHandle* handle, bool selected) const {
  if (!handle || !m_pOwner || !m_pOwner->m_pDevice) return;
  IDirect3DDevice9* device = m_pOwner->m_pDevice;
  // Handles go over the figure's label.
  m_pOwner->m_labelBatch.Flush();
  // Built once; only the positions are written per handle.
  static ColorVertex frame[5] = {
      {0, 0, 0, 1.0f, 0}, {0, 0, 0, 1.0f, 0}, {0, 0, 0, 1.0f, 0}, {0, 0, 0, 1.0f, 0}, {0, 0, 0, 1.0f, 0}};
  static const float kOut[5][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}, {-1, -1}};
  const DWORD colour = selected ? 0xFF0000FF : 0xFF000000;
  for (int i = 0; i < 5; ++i) {
    frame[i].x = handle->square[i].x + kOut[i][0];
    frame[i].y = handle->square[i].y + kOut[i][1];
    frame[i].color = colour;
  }
  device->SetTexture(0, nullptr);
  device->SetFVF(kColorVertexFormat);
  device->DrawPrimitiveUP(D3DPT_LINESTRIP, 4, handle->square, sizeof(ColorVertex));
  device->DrawPrimitiveUP(D3DPT_LINESTRIP, 4, frame, sizeof(ColorVertex));
}

// --- Style -----------------------------------------------------------------

void CDTDraw::AfterStyleChange(BOOL repaint) {
  if (m_pOwner && repaint) m_pOwner->Repaint();
}

void CDTDraw::SetLineColor(DWORD argb, BOOL repaint) {
  if (argb == m_clrLine) return;
  m_clrLine = argb;
  if (!m_pOwner) return;
  OnLineColorChanged();
  AfterStyleChange(repaint);
}

void CDTDraw::SetPenWeight(int weight, BOOL repaint) {
  if (weight == m_nPenWeight) return;
  m_nPenWeight = weight;
  if (!m_pOwner) return;
  OnPenWeightChanged();
  AfterStyleChange(repaint);
}

void CDTDraw::SetLineCap(int cap, BOOL repaint) {
  if (cap == m_nLineCap) return;
  m_nLineCap = cap;
  if (!m_pOwner) return;
  OnLineCapChanged();
  AfterStyleChange(repaint);
}

void CDTDraw::SetSolid(BOOL solid, BOOL repaint) {
  if (solid == m_bSolid) return;
  m_bSolid = solid;
  if (!m_pOwner) return;
  OnSolidChanged();
  AfterStyleChange(repaint);
}

void CDTDraw::SetTextColor(DWORD argb, BOOL repaint) {
  if (argb == m_clrText) return;
  m_clrText = argb;
  m_label.SetTextColor(argb);
  if (!m_pOwner) return;
  OnTextColorChanged();
  AfterStyleChange(repaint);
}

void CDTDraw::SetFontFace(const wchar_t* face) {
  if (face == m_pszFontFace) return;
  wchar_t* copy = CopyString(face);
  delete[] m_pszFontFace;
  m_pszFontFace = copy;
}

int CDTDraw::SetFontSize(int size, BOOL repaint) {
  if (size == m_nFontSize) return 0;
  m_nFontSize = size;
  m_label.SetFontSize(size);
  if (!m_pOwner) return 0;
  const int width = m_label.m_nTextWidth, height = m_label.m_nTextHeight;
  if (width > 0 && height > 0) {
    const int x = HalfDown(m_rcBounds.left + m_rcBounds.right - width);
    if (m_nType == DRAW_RULER)
      m_label.PlaceAt(x, HalfDown(m_rcBounds.top + m_rcBounds.bottom) - height - 5);
    else
      m_label.PlaceAt(x, m_rcBounds.bottom + height / 2);
  }
  AfterStyleChange(repaint);
  return 0;
}

void CDTDraw::SetTextBackgroundColor(DWORD argb, BOOL repaint) {
  if (argb == m_label.m_clrBackground) return;
  m_label.SetBackgroundColor(argb);
  AfterStyleChange(repaint);
}

void CDTDraw::SetTextBackground(BOOL on, BOOL repaint) {
  if ((on != 0) == (m_label.m_bBackground != 0)) return;
  m_label.SetBackground(on);
  AfterStyleChange(repaint);
}

void CDTDraw::SetTextBorder(BOOL on, BOOL repaint) {
  if ((on != 0) == (m_label.m_bBorder != 0)) return;
  m_label.SetBorder(on);
  AfterStyleChange(repaint);
}
