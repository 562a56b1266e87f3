#include "engine/DirectUI.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>

#include "engine/Element.h"
#include "engine/Image.h"
#include "engine/figures/Draw.h"
#include "engine/figures/Label.h"
#include "engine/figures/Ruler.h"

CDirectUI* g_pDirectUI = nullptr;

namespace {

// Client coordinates are signed: a captured mouse can be left of or above the window.
int SignedX(LPARAM lParam) { return static_cast<short>(LOWORD(lParam)); }
int SignedY(LPARAM lParam) { return static_cast<short>(HIWORD(lParam)); }

using Direct3DCreate9Function = IDirect3D9*(WINAPI*)(UINT);

}  // namespace

win32::CWndClassInfo& CDirectUI::GetWndClassInfo() {
  static win32::CWndClassInfo info = {
      L"DirectUI", CS_DBLCLKS, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)), IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

CDirectUI::CDirectUI() { m_region.m_pCanvas = this; }

CDirectUI::~CDirectUI() {
  LeaveFullScreen();
  if (m_hWnd) DestroyWindow();
  delete[] m_pszClipartFile;
  for (wchar_t*& prefix : m_pszPrefix) {
    delete[] prefix;
    prefix = nullptr;
  }
}

HWND CDirectUI::Create(HINSTANCE instance, HWND parent, HWND frame) {
  m_hCursorArrow = ::LoadCursorW(nullptr, IDC_ARROW);
  m_hCursorCross = ::LoadCursorW(nullptr, IDC_CROSS);
  m_hCursorSizeAll = ::LoadCursorW(nullptr, IDC_SIZEALL);
  m_hCursorText = ::LoadCursorW(nullptr, IDC_IBEAM);
  m_hCursorClipart = ::LoadCursorW(nullptr, IDC_IBEAM);
  m_hCursor = m_hCursorArrow;
  m_hWndParent = parent;
  m_hWndFrame = frame;
  m_hInstance = instance ? instance : ::GetModuleHandleW(nullptr);
  RECT rc{};
  ::GetWindowRect(parent, &rc);
  return CWindowImpl::Create(parent, &rc, L"Render", WS_CHILD | WS_VISIBLE);
}

HRESULT CDirectUI::CreateDevice() {
  HMODULE started = nullptr;
  IDirect3D9* d3d = nullptr;
  if (m_d3dStarter.Take(&started, &d3d)) {
    m_pD3D.Attach(d3d);
    if (!m_hD3DLibrary)
      m_hD3DLibrary = started;
    else if (started)
      ::FreeLibrary(started);
  }
  if (!m_hD3DLibrary) m_hD3DLibrary = ::LoadLibraryW(L"d3d9.dll");
  if (!m_hD3DLibrary) return E_FAIL;
  auto create = reinterpret_cast<Direct3DCreate9Function>(
      reinterpret_cast<void*>(::GetProcAddress(m_hD3DLibrary, "Direct3DCreate9")));
  if (!create) return E_FAIL;
  if (!m_pD3D) m_pD3D.Attach(create(D3D_SDK_VERSION));
  if (!m_pD3D) return E_FAIL;

  RECT rc{};
  GetClientRect(&rc);
  const UINT width = rc.right > rc.left ? static_cast<UINT>(rc.right - rc.left) : 32;
  const UINT height = rc.bottom > rc.top ? static_cast<UINT>(rc.bottom - rc.top) : 32;
  D3DDISPLAYMODE mode{};
  HRESULT hr = m_pD3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode);
  if (FAILED(hr)) return hr;

  m_d3dpp = {};
  m_d3dpp.BackBufferWidth = width;
  m_d3dpp.BackBufferHeight = height;
  m_d3dpp.BackBufferFormat = mode.Format;
  m_d3dpp.BackBufferCount = 1;
  m_d3dpp.MultiSampleType = D3DMULTISAMPLE_NONE;
  // Copy keeps the back buffer between frames: a figure being dragged then
  // redraws and presents only the part of the window it covers.
  m_d3dpp.SwapEffect = D3DSWAPEFFECT_COPY;
  m_d3dpp.hDeviceWindow = m_hWnd;
  m_d3dpp.Windowed = TRUE;
  m_d3dpp.EnableAutoDepthStencil = TRUE;
  m_d3dpp.AutoDepthStencilFormat = D3DFMT_D16;
  m_d3dpp.Flags = D3DPRESENTFLAG_DISCARD_DEPTHSTENCIL;
  m_d3dpp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;

  for (DWORD processing :
       {D3DCREATE_HARDWARE_VERTEXPROCESSING, D3DCREATE_MIXED_VERTEXPROCESSING, D3DCREATE_SOFTWARE_VERTEXPROCESSING}) {
    hr = m_pD3D->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, m_hWnd, processing, &m_d3dpp, &m_pDevice);
    if (SUCCEEDED(hr) && m_pDevice) break;
  }
  if (!m_pDevice) return FAILED(hr) ? hr : E_FAIL;

  SetRenderStates();
  m_region.m_pCanvas = this;
  m_grid.Attach(this);
  m_cross.Attach(this);
  m_magnifier.CreateDeviceObjects(this);
  m_histogram.Attach(this);
  m_histogram.SetPosition(static_cast<int>(width), static_cast<int>(height));
  for (CInfoLine& line : m_infoLines) line.CreateDeviceObjects(this);

  hr = CreateStagingTexture();
  if (FAILED(hr)) return hr;
  hr = m_pDevice->CreateOffscreenPlainSurface(kCellSize, kCellSize, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &m_pBlack,
                                              nullptr);
  if (FAILED(hr)) return hr;
  D3DLOCKED_RECT lr;
  hr = m_pBlack->LockRect(&lr, nullptr, D3DLOCK_DISCARD);
  if (FAILED(hr)) return hr;
  for (int y = 0; y < kCellSize; ++y) std::memset(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch, 0, kCellSize * 4);
  m_pBlack->UnlockRect();
  return S_OK;
}

HRESULT CDirectUI::CreateStagingTexture() {
  return m_pDevice->CreateTexture(kCellSize, kCellSize, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &m_pStaging, nullptr);
}

void CDirectUI::SetRenderStates() {
  IDirect3DDevice9* d = m_pDevice;
  d->GetViewport(&m_viewport);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  d->SetRenderState(D3DRS_LIGHTING, FALSE);
  d->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
  d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
  d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  d->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
  d->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  d->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  d->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
  d->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
  d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  d->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
  d->SetRenderState(D3DRS_ANTIALIASEDLINEENABLE, m_nAntialias);
  d->SetRenderState(D3DRS_MULTISAMPLEANTIALIAS, m_nAntialias);
  m_labelBatch.m_nLineAntialias = m_nAntialias ? 1 : 0;
  AfterRenderStates();
}

void CDirectUI::ReleaseDevice() {
  m_labelBatch.ReleaseDeviceObjects();
  m_pictureCache.Release();
  m_pStaging.Release();
  m_pBlack.Release();
  m_pDevice.Release();
  m_pD3D.Release();
}

LRESULT CDirectUI::OnCreateMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  if (FAILED(CreateDevice()) || OnDeviceCreated(wParam, lParam) < 0) {
    ReleaseDevice();
    return -1;
  }
  return 0;
}

LRESULT CDirectUI::OnDestroyMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  for (CDTElement* element : m_elements) DestroyChildren(element);
  m_elements.clear();
  m_pActiveImage = nullptr;
  m_pCaptured = m_pHovered = nullptr;
  m_pDraggedLabel = nullptr;
  m_magnifier.ReleaseDeviceObjects();
  m_histogram.ReleaseBuffers();
  for (CInfoLine& line : m_infoLines) line.ReleaseDeviceObjects();
  ReleaseDevice();
  OnDestroy(wParam, lParam);
  return 0;
}

LRESULT CDirectUI::OnSizeMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  if (m_pDevice) {
    const int width = LOWORD(lParam), height = HIWORD(lParam);
    // The size the window was made at comes again after creation: the back
    // buffer has it already.
    const bool resized =
        static_cast<UINT>(width) != m_d3dpp.BackBufferWidth || static_cast<UINT>(height) != m_d3dpp.BackBufferHeight;
    if (width > 0 && height > 0 && resized && FAILED(ResetDevice(static_cast<UINT>(width), static_cast<UINT>(height))))
      return 0;
  }
  OnSize(wParam, lParam);
  return 0;
}

LRESULT CDirectUI::OnPaintMessage(UINT, WPARAM, LPARAM, BOOL&) {
  if (m_pDevice && m_pDevice->TestCooperativeLevel() == D3DERR_DEVICENOTRESET)
    ResetDevice(m_d3dpp.BackBufferWidth, m_d3dpp.BackBufferHeight);
  Repaint();
  ::ValidateRect(m_hWnd, nullptr);
  return 0;
}

HRESULT CDirectUI::ResetDevice(UINT width, UINT height) {
  if (!m_pDevice) return E_FAIL;
  m_pStaging.Release();
  m_labelBatch.ReleaseDeviceObjects();
  m_pictureCache.Release();
  for (CDTElement* element : m_elements) LostDeviceTree(element);
  m_d3dpp.BackBufferWidth = width;
  m_d3dpp.BackBufferHeight = height;
  m_bFrameKept = false;
  HRESULT hr = m_pDevice->Reset(&m_d3dpp);
  if (FAILED(hr)) return hr;
  SetRenderStates();
  // Without the staging texture no picture shows; the next frame tries again.
  hr = CreateStagingTexture();
  for (CDTElement* element : m_elements) ResetDeviceTree(element);
  m_histogram.SetPosition(static_cast<int>(width), static_cast<int>(height));
  m_cross.Resize(static_cast<float>(width), static_cast<float>(height));
  return FAILED(hr) ? hr : S_OK;
}

void CDirectUI::ReleaseRepaint(const RECT* area) {
  if (m_nRepaintHeld > 0 && --m_nRepaintHeld == 0) {
    if (area)
      RepaintArea(*area);
    else
      Repaint();
  }
}

HRESULT CDirectUI::Repaint() { return DrawFrame(nullptr); }

HRESULT CDirectUI::RepaintArea(const RECT& area) {
  CDTImage* doc = m_pActiveImage;
  const bool kept = m_bFrameKept && doc == m_pKeptImage && !TracksMouseOverlay() &&
                    (!doc || (doc->PictureVersion() == m_nKeptPicture &&
                              std::memcmp(&doc->m_rcBounds, &m_rcKeptImage, sizeof(RECT)) == 0));
  return DrawFrame(kept ? &area : nullptr);
}

HRESULT CDirectUI::DrawFrame(const RECT* area) {
  if (!m_pDevice) return E_FAIL;
  if (m_nRepaintHeld > 0) return S_FALSE;
  if (!m_pStaging) CreateStagingTexture();
  // Read before drawing: a picture written meanwhile is not the one drawn.
  const uint64_t picture = !area && m_pActiveImage ? m_pActiveImage->PictureVersion() : 0;
  if (area) {
    const LONG width = static_cast<LONG>(m_d3dpp.BackBufferWidth), height = static_cast<LONG>(m_d3dpp.BackBufferHeight);
    m_rcDrawArea = {std::max(area->left, 0L), std::max(area->top, 0L), std::min(area->right, width),
                    std::min(area->bottom, height)};
    // Nothing of it in the window: the frame shown is the frame already.
    if (m_rcDrawArea.left >= m_rcDrawArea.right || m_rcDrawArea.top >= m_rcDrawArea.bottom) return S_OK;
    m_pDrawArea = &m_rcDrawArea;
    m_pDevice->SetScissorRect(m_pDrawArea);
    m_pDevice->SetRenderState(D3DRS_SCISSORTESTENABLE, TRUE);
    const D3DRECT clear{m_rcDrawArea.left, m_rcDrawArea.top, m_rcDrawArea.right, m_rcDrawArea.bottom};
    m_pDevice->Clear(1, &clear, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, m_clrBackground, 1.0f, 0);
  } else {
    m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, m_clrBackground, 1.0f, 0);
  }
  HRESULT hr = FAILED(m_pDevice->BeginScene()) ? E_FAIL : S_OK;
  if (SUCCEEDED(hr)) {
    if (m_pActiveImage) {
      m_pActiveImage->Render();
      m_region.Draw(m_pActiveImage);
      if (m_bShowInfoLines) m_pActiveImage->DrawInfoLines();
      if (m_magnifier.m_bShow) m_magnifier.Draw(m_pActiveImage);
      if (m_histogram.m_bShow) m_histogram.Draw(m_pActiveImage);
    }
    m_pDevice->EndScene();
    hr = PresentFrame();
  }
  if (m_pDrawArea) {
    m_pDevice->SetRenderState(D3DRS_SCISSORTESTENABLE, FALSE);
    m_pDrawArea = nullptr;
  }
  if (FAILED(hr)) {
    m_bFrameKept = false;
    // The frame was lost with the device: the paint this asks for resets the
    // device and draws it again. (WM_PAINT validates after drawing, so a device
    // that stays lost does not keep the window painting.)
    if (hr == D3DERR_DEVICELOST && m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
    return hr;
  }
  if (!area) {
    m_bFrameKept = true;
    m_pKeptImage = m_pActiveImage;
    m_nKeptPicture = picture;
    if (m_pActiveImage) m_rcKeptImage = m_pActiveImage->m_rcBounds;
  }
  return hr;
}

LRESULT CDirectUI::SendCommand(CDTElement* target, int command, int value, void* data) {
  DirectUICommand record{target, command, value, data};
  return ::SendMessageW(m_hWnd, WM_DIRECTUI_COMMAND, 0, reinterpret_cast<LPARAM>(&record));
}

LRESULT CDirectUI::OnCommandMessage(UINT, WPARAM, LPARAM lParam, BOOL& handled) {
  handled = TRUE;
  const auto* record = reinterpret_cast<const DirectUICommand*>(lParam);
  if (!record) return 0;
  if (record->target) {
    int elementHandled = 1;
    return record->target->Command(record->command, record->value, record->data, &elementHandled);
  }
  return Dispatch(record->command, record->value, record->data);
}

void CDirectUI::SetAntialias(BOOL on) {
  if (!m_pDevice) return;
  m_pDevice->SetRenderState(D3DRS_ANTIALIASEDLINEENABLE, on);
  m_pDevice->SetRenderState(D3DRS_MULTISAMPLEANTIALIAS, on);
  m_labelBatch.m_nLineAntialias = on ? 1 : 0;
}

const wchar_t* CDirectUI::GetValueFormat() {
  // The settings allow 0 to 10 digits; anything else would make a bad format.
  const int digits = m_nDecimalPrecision < 0 ? 0 : (m_nDecimalPrecision > 10 ? 10 : m_nDecimalPrecision);
  std::swprintf(m_szValueFormat, 16, L"%%.%df", digits);
  return m_szValueFormat;
}

void CDirectUI::SetRulerColors(DWORD line, DWORD text, DWORD textBackground) {
  m_clrRulerLine = line;
  m_clrRulerText = text;
  m_clrRulerTextBk = textBackground;
}

void CDirectUI::SetAutoNamePrefix(int type, const wchar_t* text) {
  if (type < 1 || type > 13 || type == DRAW_ANGLE_PT4 || !text || !text[0]) return;
  const int slot = type < DRAW_ANGLE_PT4 ? type - 1 : type - 2;
  size_t length = std::wcslen(text);
  auto* copy = new wchar_t[length + 1]();
  std::wmemcpy(copy, text, length);
  delete[] m_pszPrefix[slot];
  m_pszPrefix[slot] = copy;
}

void CDirectUI::ForgetElement(CDTElement* element) {
  if (m_pCaptured == element) m_pCaptured = nullptr;
  if (m_pHovered == element) m_pHovered = nullptr;
  // The label goes with its figure.
  if (m_pDraggedLabel && element && m_pDraggedLabel == element->m_pLabel) m_pDraggedLabel = nullptr;
  if (m_pObserver) m_pObserver->OnFigureRemoved(element);
}

void CDirectUI::ForgetInput(CDTElement* element) {
  if (m_pCaptured == element) {
    element->OnCaptureEnd();
    m_pCaptured = nullptr;
  }
  if (m_pHovered == element) m_pHovered = nullptr;
  if (m_pDraggedLabel && m_pDraggedLabel == element->m_pLabel) m_pDraggedLabel = nullptr;
}

void CDirectUI::SetCapturedElement(CDTElement* element) {
  if (m_pCaptured == element) return;
  if (m_pCaptured) m_pCaptured->OnCaptureEnd();
  m_pCaptured = element;
  if (element) element->OnCaptureBegin();
}

void CDirectUI::ReleaseCapturedElement() {
  if (m_pCaptured) m_pCaptured->OnCaptureEnd();
  m_pCaptured = nullptr;
}

void CDirectUI::ResetTool(int tool) {
  m_nTool = tool;
  if (m_pObserver) m_pObserver->OnToolReset(tool);
}

void CDirectUI::ReportCursor(POINT point) {
  const CDTImage* doc = m_pActiveImage;
  if (!doc) return;
  const double z = doc->m_fZoom, s = doc->ReferenceScale, m = doc->MultiPower;
  const double px = point.x - doc->m_rcBounds.left, py = point.y - doc->m_rcBounds.top;
  const double divisor = z * m;
  m_cursor.valueX = static_cast<float>(std::fabs(divisor) > kTinyDivisor ? px * s / divisor : px * s);
  m_cursor.valueY = static_cast<float>(std::fabs(divisor) > kTinyDivisor ? py * s / divisor : py * s);
  m_cursor.pixelX = static_cast<float>(std::fabs(z) > kTinyDivisor ? px / z : px);
  m_cursor.pixelY = static_cast<float>(std::fabs(z) > kTinyDivisor ? py / z : py);
  if (m_pObserver) m_pObserver->OnCursorMoved(&m_cursor, m_pActiveImage);
}

// ---- Mouse and keyboard -----------------------------------------------------

bool CDirectUI::InViewport(POINT p) const {
  return p.x >= static_cast<LONG>(m_viewport.X) && p.y >= static_cast<LONG>(m_viewport.Y) &&
         p.x < static_cast<LONG>(m_viewport.X + m_viewport.Width) &&
         p.y < static_cast<LONG>(m_viewport.Y + m_viewport.Height);
}

bool CDirectUI::PictureHasSize() const {
  return m_pActiveImage && m_pActiveImage->m_nWidth > 0 && m_pActiveImage->m_nHeight > 0;
}

HCURSOR CDirectUI::ToolCursor() const {
  return m_nTool == DRAW_PAN ? m_hCursorSizeAll : m_nTool == DRAW_REGION ? m_hCursorCross : m_hCursorArrow;
}

HCURSOR CDirectUI::HoverCursor() const {
  if ((m_nTool >= DRAW_LINE && m_nTool <= DRAW_CURVE_POLYGON) || m_nTool == DRAW_REGION) return m_hCursorCross;
  if (m_nTool == DRAW_TEXT) return m_hCursorText;
  if (m_nTool == DRAW_CLIPART) return m_hCursorClipart;
  return m_hCursorArrow;
}

HCURSOR CDirectUI::FigureCursor(const CDTElement* element, POINT p) const {
  if (element->m_nKind != 1) return m_hCursor;
  return static_cast<const CDTDraw*>(element)->HitHandle(&p) >= 0 ? m_hCursorCross : m_hCursorSizeAll;
}

void CDirectUI::ChangeCursor(HCURSOR cursor) {
  m_hCursor = cursor;
  if (cursor) ::SetCursor(cursor);
}

bool CDirectUI::TracksMouseOverlay() const { return m_magnifier.m_bShow || (m_cross.m_bShow && m_cross.m_bTrack); }

void CDirectUI::ClearSelection() {
  if (m_pActiveImage) m_pActiveImage->SelectElement(nullptr);
}

CDTElement* CDirectUI::HitTest(POINT p, CDTLabel** label) const {
  if (label) *label = nullptr;
  if (!m_pActiveImage) return nullptr;
  const std::vector<CDTElement*>& children = m_pActiveImage->m_children;
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    CDTElement* child = *it;
    if (!child->m_bVisible) continue;
    if (label && !child->m_bLocked && HitLabel(child, &p)) {
      *label = child->m_pLabel;
      return child;
    }
    const RECT& r = child->m_rcBounds;
    if (p.x >= r.left - 5 && p.x < r.right + 5 && p.y >= r.top - 5 && p.y < r.bottom + 5) return child;
  }
  return nullptr;
}

void CDirectUI::EndMouseTracking() {
  m_pDraggedLabel = nullptr;
  if (m_pHovered) {
    CDTElement* left = m_pHovered;
    m_pHovered = nullptr;
    left->OnMouseLeave(0, nullptr);
    Repaint();
  }
  m_region.Track(FALSE, nullptr);
  m_cross.m_bInWindow = 0;
  m_bMouseCaptured = 0;
}

LRESULT CDirectUI::OnMouseMoveMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  CDTImage* doc = m_pActiveImage;
  if (!doc) return 0;
  const UINT flags = static_cast<UINT>(wParam);
  POINT p{SignedX(lParam), SignedY(lParam)};
  m_cross.Track(p);
  m_magnifier.m_pt = p;
  ReportCursor(p);

  // Each branch says whether the overlays that follow the mouse repaint after it.
  const bool overlaysFollow = [&] {
    if (!InViewport(p) && !(flags & MK_LBUTTON)) {
      m_region.Track(FALSE, nullptr);
      m_cross.m_bInWindow = 0;
      // Releasing the capture ends the tracking through WM_CAPTURECHANGED.
      if (m_bMouseCaptured) ::ReleaseCapture();
      m_bMouseCaptured = 0;
      ChangeCursor(ToolCursor());
      return true;
    }
    if (!m_bMouseCaptured) {
      ::SetCapture(m_hWnd);
      m_bMouseCaptured = 1;
      m_cross.m_bInWindow = 1;
    }
    if (m_pDraggedLabel) {
      m_pDraggedLabel->MoveTo(p.x - m_ptLabelGrab.x, p.y - m_ptLabelGrab.y);
      Repaint();
      return false;
    }
    if (m_region.m_bActive) {
      if (m_region.m_bDragging) {
        m_region.DragTo(&p);
        Repaint();
        return false;
      }
      if (m_nTool == DRAW_REGION) return true;
    }
    if (doc->m_bPanning && (flags & MK_CONTROL)) {
      doc->OnMouseMove(flags, &p);
      return true;
    }
    if (m_pCaptured) {
      m_pCaptured->OnMouseMove(flags, &p);
      return true;
    }
    if (m_nTool == DRAW_PAN) return true;
    CDTElement* under = (m_nTool == DRAW_SELECT || m_nTool == DRAW_REGION) ? HitTest(p, nullptr) : nullptr;
    if (under && under == m_pHovered) {
      ChangeCursor(FigureCursor(under, p));
      under->OnMouseMove(flags, &p);
      return true;
    }
    CDTElement* left = m_pHovered;
    m_pHovered = nullptr;
    if (left) left->OnMouseLeave(flags, &p);
    if (under) {
      under->OnMouseEnter(flags, &p);
      ChangeCursor(FigureCursor(under, p));
      m_pHovered = under;
      Repaint();
      return false;
    }
    const HCURSOR cursor = HoverCursor();
    if (cursor != m_hCursor) ChangeCursor(cursor);
    if (left || TracksMouseOverlay()) Repaint();
    return false;
  }();
  if (overlaysFollow && TracksMouseOverlay()) Repaint();
  return 0;
}

LRESULT CDirectUI::OnLButtonDownMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  CDTImage* doc = m_pActiveImage;
  if (!doc) return 0;
  const UINT flags = static_cast<UINT>(wParam);
  POINT p{SignedX(lParam), SignedY(lParam)};
  ::SetFocus(m_hWnd);
  m_ptLButtonDown = p;
  m_bLButtonDown = 1;

  if (flags & MK_CONTROL) {
    ClearSelection();
    doc->OnLButtonDown(flags, &p);
    if (doc->m_bPanning) ChangeCursor(m_hCursorSizeAll);
    Repaint();
    return 0;
  }
  if (m_pCaptured && m_pCaptured->m_nKind == 1 && !static_cast<CDTDraw*>(m_pCaptured)->m_bComplete) {
    m_pCaptured->OnLButtonDown(flags, &p);
    return 0;
  }
  switch (m_nTool) {
    case DRAW_PAN:
      doc->OnLButtonDown(flags, &p);
      Repaint();
      return 0;
    case DRAW_REGION:
      if (m_region.m_bActive) {
        ClearSelection();
        m_region.Track(TRUE, &p);
        Repaint();
      }
      return 0;
    case DRAW_SELECT: {
      CDTLabel* label = nullptr;
      CDTElement* hit = HitTest(p, &label);
      if (label) {
        m_pDraggedLabel = label;
        m_ptLabelGrab = {p.x - label->m_ptPosition.x, p.y - label->m_ptPosition.y};
        doc->SelectElement(hit);
        return 0;
      }
      if (hit) {
        hit->OnLButtonDown(flags, &p);
        doc->SelectElement(hit);
        Repaint();
        return 0;
      }
      break;
    }
    default:
      if (m_nTool >= DRAW_LINE && m_nTool <= DRAW_TEXT) {
        CreateFigureForTool(&p);
        return 0;
      }
      break;
  }
  ClearSelection();
  if (m_pObserver) m_pObserver->OnEmptyClick();
  Repaint();
  return 0;
}

LRESULT CDirectUI::OnLButtonUpMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  CDTImage* doc = m_pActiveImage;
  if (!doc) {
    m_bLButtonDown = 0;
    return 0;
  }
  const UINT flags = static_cast<UINT>(wParam);
  POINT p{SignedX(lParam), SignedY(lParam)};
  if (doc->m_bPanning) ChangeCursor(ToolCursor());
  if (!InViewport(p)) {
    m_bLButtonDown = 0;
    if (m_bMouseCaptured) ::ReleaseCapture();
    m_bMouseCaptured = 0;
    return 0;
  }
  m_pDraggedLabel = nullptr;
  if (m_region.m_bDragging) {
    m_region.Track(FALSE, &p);
    Repaint();
  } else if (m_pCaptured) {
    m_pCaptured->OnLButtonUp(flags, &p);
  }
  m_bLButtonDown = 0;
  return 0;
}

LRESULT CDirectUI::OnLButtonDblClkMessage(UINT, WPARAM, LPARAM lParam, BOOL&) {
  if (!m_pActiveImage) return 0;
  if (m_pCaptured && m_pCaptured->m_nKind == 1 && !static_cast<CDTDraw*>(m_pCaptured)->m_bComplete) {
    // Curves and polygons finish on a double click; their classes take it
    // through the right button, which finishes them the same way.
    const int type = static_cast<CDTDraw*>(m_pCaptured)->m_nType;
    if (type == DRAW_CURVE || type == DRAW_POLYGON || type == DRAW_CURVE_POLYGON) {
      POINT p{SignedX(lParam), SignedY(lParam)};
      m_pCaptured->OnRButton(MK_RBUTTON, &p);
    }
    return 0;
  }
  if (!PictureHasSize()) return 0;
  if (IsFullScreen())
    LeaveFullScreen();
  else
    EnterFullScreen();
  return 0;
}

LRESULT CDirectUI::OnRButtonMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  if (!m_pActiveImage || !m_pCaptured) return 0;
  POINT p{SignedX(lParam), SignedY(lParam)};
  m_pCaptured->OnRButton(static_cast<UINT>(wParam), &p);
  return 0;
}

LRESULT CDirectUI::OnRButtonDblClkMessage(UINT, WPARAM, LPARAM, BOOL&) {
  if (!PictureHasSize()) return 0;
  CDTImage* doc = m_pActiveImage;
  doc->SetZoomMode(doc->m_nZoomMode == 1 ? 0 : 1, 1.0f);
  if (m_pObserver) m_pObserver->OnZoomChanged(doc);
  return 0;
}

LRESULT CDirectUI::OnMouseWheelMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  handled = TRUE;
  if (!PictureHasSize()) return 0;
  CDTImage* doc = m_pActiveImage;
  POINT p{SignedX(lParam), SignedY(lParam)};
  ::ScreenToClient(m_hWnd, &p);
  const UINT keys = GET_KEYSTATE_WPARAM(wParam);
  const float step = (keys & MK_SHIFT) ? 0.2f : (keys & MK_CONTROL) ? 0.025f : 0.1f;
  const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
  doc->ZoomAbout(static_cast<float>(notches) * 2.0f * step + doc->m_fZoom, &p);
  if (m_pObserver) m_pObserver->OnZoomChanged(doc);
  return 0;
}

LRESULT CDirectUI::OnKeyDownMessage(UINT, WPARAM wParam, LPARAM, BOOL&) {
  if (wParam == VK_ESCAPE) LeaveFullScreen();
  CDTImage* doc = m_pActiveImage;
  if (!doc) return 0;
  auto* selected = static_cast<CDTDraw*>(doc->m_pSelected);
  switch (wParam) {
    case VK_ESCAPE:
      if (selected && selected->m_nSelectedHandle >= 0) {
        selected->m_nSelectedHandle = -1;
        Repaint();
      }
      break;
    case VK_RETURN:
      if (selected) {
        selected->m_nSelectedHandle = selected->m_nSelectedHandle >= 0 ? -1 : 0;
        Repaint();
      }
      break;
    case VK_TAB:
      if (!selected) break;
      if (selected->m_nSelectedHandle < 0)
        doc->SelectNextFigure();
      else
        selected->SelectNextHandle();
      break;
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN: {
      const int dx = wParam == VK_LEFT ? -1 : wParam == VK_RIGHT ? 1 : 0;
      const int dy = wParam == VK_UP ? -1 : wParam == VK_DOWN ? 1 : 0;
      if (selected)
        selected->NudgeBy(static_cast<float>(dx), static_cast<float>(dy));
      else
        doc->PanBy(dx, dy);
      break;
    }
    default:
      break;
  }
  return 0;
}

LRESULT CDirectUI::OnKeyUpMessage(UINT, WPARAM wParam, LPARAM, BOOL&) {
  CDTImage* doc = m_pActiveImage;
  if (!doc || wParam != VK_DELETE) return 0;
  CDTElement* selected = doc->m_pSelected;
  if (selected && selected != static_cast<CDTElement*>(doc->m_pRuler)) doc->DeleteFigure(selected);
  return 0;
}

LRESULT CDirectUI::OnCharMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  if (m_pActiveImage && m_pCaptured) m_pCaptured->OnChar(wParam, lParam);
  return 0;
}

LRESULT CDirectUI::OnSetCursorMessage(UINT, WPARAM, LPARAM lParam, BOOL& handled) {
  // The cursor chosen for the tool or the figure under the mouse, not the class's.
  if (LOWORD(lParam) != HTCLIENT || !m_hCursor) {
    handled = FALSE;
    return 0;
  }
  ::SetCursor(m_hCursor);
  return TRUE;
}

LRESULT CDirectUI::OnEndTrackingMessage(UINT, WPARAM, LPARAM, BOOL& handled) {
  handled = FALSE;
  EndMouseTracking();
  return 0;
}

void CDirectUI::EnterFullScreen() {
  if (!m_hWnd || m_hWndFullScreen || !m_pD3D) return;
  static const wchar_t kClassName[] = L"3A2E5D84-FD9F-4B2D-BDFE-BFDDF574E2BA";
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = ::DefWindowProcW;
  wc.hInstance = m_hInstance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH));
  wc.lpszClassName = kClassName;
  if (!::RegisterClassExW(&wc) && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return;
  D3DDISPLAYMODE mode{};
  if (FAILED(m_pD3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode))) return;
  // A frame window without a title gives an untitled popup.
  wchar_t title[256]{};
  if (m_hWndFrame) ::GetWindowTextW(m_hWndFrame, title, 256);
  m_hWndFullScreen = ::CreateWindowExW(0, kClassName, title, WS_POPUP | WS_VISIBLE, 0, 0, static_cast<int>(mode.Width),
                                       static_cast<int>(mode.Height), nullptr, nullptr, m_hInstance, nullptr);
  if (!m_hWndFullScreen) return;
  ::SetParent(m_hWnd, m_hWndFullScreen);
  MoveWindow(0, 0, static_cast<int>(mode.Width), static_cast<int>(mode.Height));
  if (m_pActiveImage) m_pActiveImage->CentreInWindow();
  if (m_hWndHost) ::ShowWindow(m_hWndHost, SW_HIDE);
  ::SetFocus(m_hWnd);
  Repaint();
}

void CDirectUI::LeaveFullScreen() {
  if (!m_hWndFullScreen) return;
  ::SetParent(m_hWnd, m_hWndParent);
  RECT rc{};
  ::GetClientRect(m_hWndParent, &rc);
  MoveWindow(0, 0, rc.right - rc.left, rc.bottom - rc.top);
  if (m_pActiveImage) m_pActiveImage->CentreInWindow();
  if (m_hWndHost) ::ShowWindow(m_hWndHost, SW_SHOW);
  ::DestroyWindow(m_hWndFullScreen);
  m_hWndFullScreen = nullptr;
  Repaint();
}
