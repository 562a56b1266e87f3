#include "engine/DirectUI.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cwchar>

#include "engine/Element.h"
#include "engine/Image.h"
#include "engine/figures/Draw.h"

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
  if (!m_hD3DLibrary) m_hD3DLibrary = ::LoadLibraryW(L"d3d9.dll");
  if (!m_hD3DLibrary) return E_FAIL;
  auto create = reinterpret_cast<Direct3DCreate9Function>(
      reinterpret_cast<void*>(::GetProcAddress(m_hD3DLibrary, "Direct3DCreate9")));
  if (!create) return E_FAIL;
  m_pD3D.Attach(create(D3D_SDK_VERSION));
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
  m_d3dpp.SwapEffect = D3DSWAPEFFECT_DISCARD;
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
  AfterRenderStates();
}

void CDirectUI::ReleaseDevice() {
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
  ReleaseDevice();
  OnDestroy(wParam, lParam);
  return 0;
}

LRESULT CDirectUI::OnSizeMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  if (m_pDevice) {
    const int width = LOWORD(lParam), height = HIWORD(lParam);
    if (width > 0 && height > 0 && FAILED(ResetDevice(static_cast<UINT>(width), static_cast<UINT>(height)))) return 0;
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
  for (CDTElement* element : m_elements) LostDeviceTree(element);
  m_d3dpp.BackBufferWidth = width;
  m_d3dpp.BackBufferHeight = height;
  HRESULT hr = m_pDevice->Reset(&m_d3dpp);
  if (FAILED(hr)) return hr;
  SetRenderStates();
  // Without the staging texture no picture shows; the next frame tries again.
  hr = CreateStagingTexture();
  for (CDTElement* element : m_elements) ResetDeviceTree(element);
  return FAILED(hr) ? hr : S_OK;
}

HRESULT CDirectUI::Repaint() {
  if (!m_pDevice) return E_FAIL;
  if (!m_pStaging) CreateStagingTexture();
  m_pDevice->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, m_clrBackground, 1.0f, 0);
  if (FAILED(m_pDevice->BeginScene())) return E_FAIL;
  if (m_pActiveImage) {
    m_pActiveImage->Render();
    m_region.Draw(m_pActiveImage);
    if (m_bShowInfoLines) m_pActiveImage->DrawInfoLines();
    // The magnifier and histogram overlays draw here once they exist.
  }
  m_pDevice->EndScene();
  const HRESULT hr = PresentFrame();
  // The frame was lost with the device: the paint this asks for resets the
  // device and draws it again. (WM_PAINT validates after drawing, so a device
  // that stays lost does not keep the window painting.)
  if (hr == D3DERR_DEVICELOST && m_hWnd) ::InvalidateRect(m_hWnd, nullptr, FALSE);
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
  if (m_pObserver) m_pObserver->OnFigureRemoved(element);
}

void CDirectUI::ForgetInput(CDTElement* element) {
  if (m_pCaptured == element) {
    element->OnCaptureEnd();
    m_pCaptured = nullptr;
  }
  if (m_pHovered == element) m_pHovered = nullptr;
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

// Interim mouse routing: the cursor report and panning. Figure editing, hover,
// labels and the region drag come with the canvas input handling.
LRESULT CDirectUI::OnMouseMoveMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  if (!m_pActiveImage) return 0;
  POINT p{SignedX(lParam), SignedY(lParam)};
  m_cross.m_pt = p;
  m_magnifier.m_pt = p;
  ReportCursor(p);
  if (m_pCaptured) m_pCaptured->OnMouseMove(static_cast<UINT>(wParam), &p);
  return 0;
}

LRESULT CDirectUI::OnLButtonDownMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  POINT p{SignedX(lParam), SignedY(lParam)};
  m_bLButtonDown = 1;
  m_ptLButtonDown = p;
  if (!m_pActiveImage) return 0;
  if (m_nTool == DRAW_PAN || (wParam & MK_CONTROL)) {
    m_pActiveImage->OnLButtonDown(static_cast<UINT>(wParam), &p);
    Repaint();
  }
  return 0;
}

LRESULT CDirectUI::OnLButtonUpMessage(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
  m_bLButtonDown = 0;
  if (!m_pActiveImage) return 0;
  POINT p{SignedX(lParam), SignedY(lParam)};
  if (m_pCaptured) m_pCaptured->OnLButtonUp(static_cast<UINT>(wParam), &p);
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
