#include "engine/Print.h"

#include <algorithm>
#include <cstring>

#include "engine/figures/Ruler.h"
#include "win32/ComPtr.h"

CDTPrint::CDTPrint() {
  m_clrBackground = 0xFFFFFFFF;
  m_bShowInfoLines = 0;
}

CDTPrint::~CDTPrint() { DestroyWindow(); }

HWND CDTPrint::Create(CDirectUI* source, const wchar_t* projectPath, const wchar_t* outputPath, int /*flags*/) {
  m_pSource = source;
  if (source) SetFont(source->m_nFontSize, source->m_strFontFace.c_str());
  m_strProjectPath = projectPath ? projectPath : L"";
  m_strOutputPath = outputPath ? outputPath : L"";
  if (!projectPath || !m_picture.LoadFile(projectPath) || !m_picture.IsValid() || m_picture.GetWidth() < 1 ||
      m_picture.GetHeight() < 1)
    return nullptr;
  m_nPictureWidth = m_picture.GetWidth();
  m_nPictureHeight = m_picture.GetHeight();
  m_nTilesAcross = (m_nPictureWidth + kTile - 1) / kTile;
  m_nTilesDown = (m_nPictureHeight + kTile - 1) / kTile;

  m_hInstance = ::GetModuleHandleW(nullptr);
  m_hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  // The device lives on a child of a message-only window, never on the
  // message-only window itself: once a device made on such a top-level window
  // was released, Wine's GL drawing thread could hang in the next canvas's
  // device creation.
  if (!m_hWndHost) {
    m_hWndHost = ::CreateWindowExW(0, L"Static", L"print host", 0, 0, 0, kTile, kTile, HWND_MESSAGE, nullptr,
                                   m_hInstance, nullptr);
    if (!m_hWndHost) return nullptr;
  }
  // The device takes the client size, which must be the tile size.
  RECT rc{0, 0, kTile, kTile};
  HWND window = CWindowImpl::Create(m_hWndHost, &rc, L"print d3d window", WS_CHILD | WS_VISIBLE);
  if (!window) DestroyHost();
  return window;
}

void CDTPrint::DestroyHost() {
  if (m_hWndHost) ::DestroyWindow(m_hWndHost);
  m_hWndHost = nullptr;
}

LRESULT CDTPrint::OnDeviceCreated(WPARAM, LPARAM) {
  if (m_pSource) SetFont(m_pSource->m_nFontSize, m_pSource->m_strFontFace.c_str());
  RECT bounds{0, 0, 1280, 1024};
  if (FAILED(m_document.Create(this, nullptr, nullptr, &bounds))) return -1;
  return 0;
}

HRESULT CDTPrint::PresentFrame() {
  if (m_bReadOnPresent) m_hrRead = ReadBackBuffer();
  return CDirectUI::PresentFrame();
}

HRESULT CDTPrint::ReadBackBuffer() {
  win32::CComPtr<IDirect3DSurface9> back;
  HRESULT hr = m_pDevice->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
  if (FAILED(hr)) return hr;
  D3DSURFACE_DESC desc;
  if (FAILED(hr = back->GetDesc(&desc))) return hr;
  // The rows are copied as 4-byte pixels; any other format would be misread.
  if (desc.Format != D3DFMT_A8R8G8B8 && desc.Format != D3DFMT_X8R8G8B8) return E_FAIL;
  win32::CComPtr<IDirect3DSurface9> source = back;
  if (desc.MultiSampleType != D3DMULTISAMPLE_NONE) {
    win32::CComPtr<IDirect3DSurface9> resolved;
    hr = m_pDevice->CreateRenderTarget(desc.Width, desc.Height, desc.Format, D3DMULTISAMPLE_NONE, 0, FALSE, &resolved,
                                       nullptr);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = m_pDevice->StretchRect(back, nullptr, resolved, nullptr, D3DTEXF_NONE))) return hr;
    source = resolved;
  }
  win32::CComPtr<IDirect3DSurface9> copy;
  hr = m_pDevice->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy, nullptr);
  if (FAILED(hr)) return hr;
  if (FAILED(hr = m_pDevice->GetRenderTargetData(source, copy))) return hr;
  D3DLOCKED_RECT locked;
  if (FAILED(hr = copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) return hr;
  const int width = static_cast<int>(desc.Width), height = static_cast<int>(desc.Height);
  if (m_tile.GetWidth() != width || m_tile.GetHeight() != height || !m_tile.IsValid()) m_tile.Create(width, height);
  for (int y = 0; y < height; ++y)
    std::memcpy(m_tile.GetData() + static_cast<ptrdiff_t>(y) * m_tile.GetStride(),
                static_cast<const uint8_t*>(locked.pBits) + static_cast<ptrdiff_t>(y) * locked.Pitch,
                static_cast<size_t>(width) * 4);
  copy->UnlockRect();
  return S_OK;
}

BOOL CDTPrint::Render() {
  if (!m_pDevice) return FALSE;
  // The document is set up here rather than on device creation, when the
  // window's commands cannot yet be sent.
  if (!m_document.m_pFrame) {
    m_document.UploadFrame(m_picture.GetData(), m_nPictureWidth, m_nPictureHeight, m_picture.GetStride(), nullptr);
    // Actual size before the figures come in: merged at the fitted zoom, their
    // vertices would go through screen coordinates at a fractional scale and
    // come back a little off (39.9999962 for 40), a label a pixel higher.
    SetActiveImage(&m_document, FALSE);
    m_document.SetZoomMode(1, 1.0f);
    m_document.MergeFile(m_strProjectPath.c_str());
    if (m_document.m_pRuler) m_document.m_pRuler->m_bVisible = 0;
  }
  ZEvuvoro::CImage output(m_nPictureWidth, m_nPictureHeight);
  BOOL ok = TRUE;
  for (int r = 0; ok && r < m_nTilesDown; ++r) {
    for (int c = 0; ok && c < m_nTilesAcross; ++c) {
      m_document.SetOffsetForTile(-kTile * c, -kTile * r);
      m_hrRead = E_FAIL;
      m_bReadOnPresent = true;
      Repaint();
      m_bReadOnPresent = false;
      // A scene that could not begin never reaches the read.
      if (FAILED(m_hrRead)) {
        ok = FALSE;
        break;
      }
      const int w = std::min(kTile, std::min(m_tile.GetWidth(), m_nPictureWidth - kTile * c));
      const int h = std::min(kTile, std::min(m_tile.GetHeight(), m_nPictureHeight - kTile * r));
      for (int y = 0; y < h; ++y)
        std::memcpy(output.GetData() + static_cast<ptrdiff_t>(kTile * r + y) * output.GetStride() +
                        static_cast<ptrdiff_t>(kTile * c) * 4,
                    m_tile.GetData() + static_cast<ptrdiff_t>(y) * m_tile.GetStride(), static_cast<size_t>(w) * 4);
    }
  }
  if (ok && !output.SaveBmp(m_strOutputPath.c_str(), 1)) ok = FALSE;
  return ok;
}

void CDTPrint::DestroyWindow() {
  if (m_hWnd) CDirectUI::DestroyWindow();
  DestroyHost();
}
