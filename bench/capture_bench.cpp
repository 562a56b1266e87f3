// A fake 1080p60 camera through the capture graph, the media library's
// grabber, the enhancement and mirror copy of the camera, and the upload to a
// hidden canvas, for ten seconds per format. Prints frames sent by the device,
// lost by it while the path was busy, and delivered to the canvas, the rate
// against the device's 60, and the time of the camera's own frame path and of
// the upload.

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>

// The window layer first: the DirectShow headers bring windowsx.h, whose
// SubclassWindow macro would clash with the layer's member of that name.
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "win32/Window.h"

#include "capture/CameraDS.h"
#include "capture/CameraFactory.h"
#include "tests/capture/fakes/FakeVideoFilter.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;
constexpr double kSeconds = 10.0;

class CHost : public win32::CWindowImpl<CHost, win32::CWinTraits<WS_POPUP | WS_CLIPCHILDREN>> {
 public:
  BEGIN_MSG_MAP(CHost)
  END_MSG_MAP()
};

double Seconds() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    ::QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER t;
  ::QueryPerformanceCounter(&t);
  return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Times the camera's whole frame path (enhancement, mirror copy and the
// hand-over to the canvas inside it).
class TimedCamera : public COrvelCameraDS {
 public:
  using COrvelCameraDS::COrvelCameraDS;
  void OnFrame(const BYTE* pixels) override {
    const double t0 = Seconds();
    COrvelCameraDS::OnFrame(pixels);
    pathSeconds += Seconds() - t0;
    ++frames;
  }
  double pathSeconds = 0;
  long frames = 0;
};

class BenchFactory : public CCameraFactory {
 public:
  FakeDeviceSetup setup;

 protected:
  void EnumerateDevices() override {
    auto* camera = new TimedCamera(CreateFakeCameraMoniker(setup));
    camera->SetName(L"Bench Cam");
    camera->SetDevicePath(L"fake:bench");
    AddCamera(camera);
  }
};

class CanvasObserver : public COrvelCameraFactoryObserver {
 public:
  explicit CanvasObserver(CDTImage* doc) : m_pDoc(doc) {}
  void OnCameraFrame(COrvelCamera* camera, const BYTE* pixels, const wchar_t* timer) override {
    const double t0 = Seconds();
    m_pDoc->UploadTileFrame(timer, pixels, camera->GetWidth(), camera->GetHeight(), camera->GetWidth() * 4, 0,
                            camera->GetOffsetX(), camera->GetOffsetY(), camera->GetTileBottomUp());
    const double spent = Seconds() - t0;
    uploadSeconds += spent;
    worstUpload = std::max(worstUpload, spent);
    ++uploads;
  }
  void OnCameraLayout(int count, int width, int height) override { m_pDoc->SetLayout(count, width, height); }
  double uploadSeconds = 0, worstUpload = 0;
  long uploads = 0;

 private:
  CDTImage* m_pDoc;
};

void PumpFor(double seconds) {
  const double end = Seconds() + seconds;
  while (Seconds() < end) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  }
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  CHost host;
  RECT rc{0, 0, kWidth, kHeight};
  if (!host.Create(nullptr, &rc, L"bench")) {
    std::printf("error: no host window\n");
    return 1;
  }
  CDirectUI canvas;
  if (!canvas.Create(nullptr, host, host)) {
    std::printf("error: no canvas device\n");
    return 1;
  }
  CDTImage doc;
  RECT docRect{0, 0, kWidth, kHeight};
  doc.Create(&canvas, nullptr, L"live", &docRect);
  canvas.SetActiveImage(&doc, TRUE);

  struct Format {
    const char* name;
    GUID subtype;
    int bits;
  };
  const Format formats[] = {{"rgb32", MEDIASUBTYPE_RGB32, 32}, {"yuy2", MEDIASUBTYPE_YUY2, 16}};
  for (const Format& format : formats) {
    FakeDeviceStats stats;
    BenchFactory factory;
    factory.setup = {
        {{PIN_CATEGORY_CAPTURE, {{format.subtype, FORMAT_VideoInfo, kWidth, kHeight, format.bits, 0, 166667}}}},
        &stats};
    CanvasObserver observer(&doc);
    factory.SetObserver(&observer);
    if (factory.OpenCameras() != 1 || factory.Run(1) != CameraRunning) {
      std::printf("error: the fake camera does not run (%s)\n", format.name);
      return 1;
    }
    auto* camera = static_cast<TimedCamera*>(factory.GetCurrentCamera());
    camera->SetMirrorH(1);  // the mirror copy is the slower of the two
    PumpFor(0.5);           // the graph settles
    const long sent0 = stats.framesSent.load(), delivered0 = observer.uploads;
    const long late0 = stats.framesDropped.load();
    const double path0 = camera->pathSeconds, upload0 = observer.uploadSeconds;
    const long frames0 = camera->frames;
    const double t0 = Seconds();
    PumpFor(kSeconds);
    const double elapsed = Seconds() - t0;
    const long sent = stats.framesSent.load() - sent0, delivered = observer.uploads - delivered0;
    const long late = stats.framesDropped.load() - late0;
    const long pathFrames = camera->frames - frames0;
    const double path = (camera->pathSeconds - path0) / std::max(1L, pathFrames);
    const double upload = (observer.uploadSeconds - upload0) / std::max(1L, delivered);
    factory.SetObserver(nullptr);
    factory.CloseCameras();
    std::printf("capture_%s_1080p_frames_sent: %ld frames\n", format.name, sent);
    std::printf("capture_%s_1080p_frames_delivered: %ld frames\n", format.name, delivered);
    std::printf("capture_%s_1080p_frames_dropped: %ld frames\n", format.name, std::max(0L, sent - delivered));
    // Frames the device lost because the path still held the one before.
    std::printf("capture_%s_1080p_frames_dropped_at_device: %ld frames\n", format.name, late);
    std::printf("capture_%s_1080p_rate: %.1f frames/s\n", format.name, delivered / elapsed);
    std::printf("capture_%s_1080p_rate_vs_device: %.2f x\n", format.name, delivered / elapsed / 60.0);
    std::printf("capture_%s_1080p_camera_path: %.3f ms\n", format.name, path * 1000.0);
    std::printf("capture_%s_1080p_enhance_and_mirror: %.3f ms\n", format.name, (path - upload) * 1000.0);
    std::printf("capture_%s_1080p_upload: %.3f ms\n", format.name, upload * 1000.0);
    std::printf("capture_%s_1080p_upload_worst: %.3f ms\n", format.name, observer.worstUpload * 1000.0);
  }
  canvas.DetachElement(&doc);
  CoUninitialize();
  return 0;
}
