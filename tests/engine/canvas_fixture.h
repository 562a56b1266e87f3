// Shared helpers of the canvas tests: a host window with a canvas on it, the
// back buffer read back as pixels, noise pictures and a recording observer.
#pragma once

#include <windows.h>
#include <d3d9.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/Draw.h"
#include "win32/Window.h"

namespace canvas_test {

// A top-level window of a given client size that hosts the canvas. It stays
// hidden unless a test needs it on screen: Direct3D draws into a hidden
// window just the same, and showing one costs seconds under Xvfb.
class CHost : public win32::CWindowImpl<CHost, win32::CWinTraits<WS_POPUP | WS_CLIPCHILDREN>> {
 public:
  BEGIN_MSG_MAP(CHost)
  END_MSG_MAP()
};

// Dispatches the thread's waiting messages.
inline void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}

// 32-bit BGRA noise with opaque alpha, the same for the same seed.
struct CPicture {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

inline CPicture Noise(int width, int height, uint32_t seed) {
  CPicture p{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height)};
  uint32_t s = seed * 2654435761u + 1;
  for (uint32_t& px : p.pixels) {
    s = s * 1664525u + 1013904223u;
    px = 0xFF000000u | (s >> 8);
  }
  return p;
}

// The back buffer as 0x00RRGGBB values, row by row.
struct CReadBack {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

inline bool ReadBackBuffer(IDirect3DDevice9* device, CReadBack* out) {
  win32::CComPtr<IDirect3DSurface9> back, copy;
  if (FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back))) return false;
  D3DSURFACE_DESC desc;
  back->GetDesc(&desc);
  if (FAILED(
          device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy, nullptr)))
    return false;
  if (FAILED(device->GetRenderTargetData(back, copy))) return false;
  D3DLOCKED_RECT lr;
  if (FAILED(copy->LockRect(&lr, nullptr, D3DLOCK_READONLY))) return false;
  out->width = static_cast<int>(desc.Width);
  out->height = static_cast<int>(desc.Height);
  out->pixels.resize(desc.Width * desc.Height);
  for (UINT y = 0; y < desc.Height; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const BYTE*>(lr.pBits) + y * lr.Pitch);
    for (UINT x = 0; x < desc.Width; ++x) out->pixels[y * desc.Width + x] = row[x] & 0x00FFFFFF;
  }
  copy->UnlockRect();
  return true;
}

// One event as the observer saw it.
struct CEvent {
  std::string name;
  const void* subject = nullptr;
  int value = 0;
  bool operator==(const CEvent& other) const {
    return name == other.name && subject == other.subject && value == other.value;
  }
};

inline std::ostream& operator<<(std::ostream& os, const CEvent& e) {
  return os << e.name << "(" << e.subject << ", " << e.value << ")";
}

class CRecordingObserver : public CDirectUIMeasureObserver {
 public:
  void OnFigureAdded(CDTElement* figure) override { Add("FigureAdded", figure); }
  void OnFigureSelected(CDTElement* figure) override { Add("FigureSelected", figure); }
  void OnFigureRemoved(CDTElement* figure) override { Add("FigureRemoved", figure); }
  void OnActiveImageChanged(CDTImage* document) override { Add("ActiveImageChanged", document); }
  void OnImageResized() override { Add("ImageResized"); }
  void OnCursorMoved(const CursorPosition* position, CDTImage* document) override {
    m_lastCursor = *position;
    Add("CursorMoved", document);
  }
  void OnFigureChanged(CDTElement* figure, int vertex) override { Add("FigureChanged", figure, vertex); }
  void OnZoomChanged(CDTImage* document) override { Add("ZoomChanged", document); }
  void OnRegionChanged(BOOL active) override { Add("RegionChanged", nullptr, active); }
  void OnEmptyClick() override { Add("EmptyClick"); }
  void OnToolReset(int tool) override { Add("ToolReset", nullptr, tool); }
  void OnFigureVisibilityChanged(CDTElement* figure, BOOL visible) override {
    Add("VisibilityChanged", figure, visible);
  }
  void OnFigureLockChanged(CDTElement* figure, BOOL locked) override { Add("LockChanged", figure, locked); }
  void OnHistoryChanged(CDTImage* document) override { Add("HistoryChanged", document); }
  void OnHistoryRestored(CDTImage* document) override { Add("HistoryRestored", document); }

  int Count(const std::string& name) const {
    int n = 0;
    for (const CEvent& e : m_events) n += e.name == name;
    return n;
  }
  // The events without the zoom bookkeeping reports, which many operations make.
  std::vector<CEvent> Without(const std::string& name) const {
    std::vector<CEvent> out;
    for (const CEvent& e : m_events)
      if (e.name != name) out.push_back(e);
    return out;
  }

  std::vector<CEvent> m_events;
  CursorPosition m_lastCursor{};

 private:
  void Add(const char* name, const void* subject = nullptr, int value = 0) {
    m_events.push_back({name, subject, value});
  }
};

// Reads the back buffer back just before a frame is presented, when asked:
// after Present a discarded back buffer holds nothing defined. It also counts
// the frames presented on the window's thread and on any other, and can
// fail a presentation or the staging texture's creation as a lost device would.
class CReadBackCanvas : public CDirectUI {
 public:
  HRESULT PresentFrame() override {
    if (::GetCurrentThreadId() == ::GetWindowThreadProcessId(m_hWnd, nullptr))
      ++m_nPresents;
    else
      ++m_nForeignPresents;
    if (DrawArea()) ++m_nAreaPresents;
    if (m_bCapture) ReadBackBuffer(m_pDevice, &m_frame);
    const HRESULT hr = CDirectUI::PresentFrame();
    return FAILED(m_hrPresent) ? m_hrPresent : hr;
  }
  HRESULT CreateStagingTexture() override {
    if (m_nStagingFailures > 0) {
      --m_nStagingFailures;
      return D3DERR_OUTOFVIDEOMEMORY;
    }
    return CDirectUI::CreateStagingTexture();
  }
  bool m_bCapture = false;
  CReadBack m_frame;
  std::atomic<int> m_nPresents{0};
  std::atomic<int> m_nForeignPresents{0};
  int m_nAreaPresents = 0;     // frames that drew and showed a part of the window
  HRESULT m_hrPresent = S_OK;  // a failure here replaces the real result
  int m_nStagingFailures = 0;  // creations still to fail
};

// A figure the tests can place: draws nothing, counts its draws.
class CTestFigure : public CDTDraw {
 public:
  explicit CTestFigure(int type = DRAW_LINE) {
    m_nType = type;
    m_bComplete = 1;
  }
  int Draw() override {
    ++m_nDraws;
    return 0;
  }
  int OnCaptureEnd() override {
    ++m_nCaptureEnds;
    return CDTDraw::OnCaptureEnd();
  }
  int m_nDraws = 0;
  int m_nCaptureEnds = 0;
};

// A canvas on a host window with one attached, active document.
class CCanvasScene {
 public:
  // startDirect3D: the Direct3D object is begun on a worker before the
  // window is made, as the program does.
  explicit CCanvasScene(int width = 640, int height = 480, bool withDocument = true, bool visible = false,
                        bool startDirect3D = false) {
    RECT rc{0, 0, width, height};
    m_host.Create(nullptr, &rc, L"host", visible ? WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN : 0);
    m_canvas.m_pObserver = &m_observer;
    if (startDirect3D) m_canvas.StartDirect3D();
    m_canvas.Create(nullptr, m_host, m_host);
    if (withDocument && m_canvas.m_hWnd) {
      RECT docRect{0, 0, 800, 600};
      m_document.Create(&m_canvas, nullptr, L"document", &docRect);
      m_canvas.SetActiveImage(&m_document, TRUE);
    }
    m_observer.m_events.clear();
  }
  ~CCanvasScene() {
    if (m_canvas.m_hWnd) m_canvas.DetachElement(&m_document);
    m_canvas.DestroyWindow();
    m_host.DestroyWindow();
  }
  bool Ready() const { return m_canvas.m_hWnd && m_canvas.m_pDevice; }
  void Show(const CPicture& picture) {
    m_document.UploadFrame(picture.pixels.data(), picture.width, picture.height, picture.width * 4, nullptr);
  }
  // The frame the canvas draws now, as it was before presentation.
  CReadBack Read() {
    m_canvas.m_bCapture = true;
    m_canvas.Repaint();
    m_canvas.m_bCapture = false;
    return std::move(m_canvas.m_frame);
  }
  // Attaches a test figure to the document, as figure creation would.
  CTestFigure* AddFigure(int type = DRAW_LINE) {
    auto* figure = new CTestFigure(type);
    RECT rc{10, 10, 50, 50};
    figure->AddHandle(10.0f, 10.0f);
    figure->AddHandle(50.0f, 50.0f);
    figure->Create(&m_canvas, &m_document, L"figure", &rc);
    return figure;
  }

  CHost m_host;
  CRecordingObserver m_observer;
  CReadBackCanvas m_canvas;
  CDTImage m_document;
};

}  // namespace canvas_test
