#pragma once
// A video capture filter for tests that lists what its setup says: pins of
// the capture, preview and still categories and their stream capabilities.
#include <windows.h>
#include <dshow.h>

#include <atomic>
#include <string>
#include <vector>

struct FakeCapability {
  GUID subtype;
  GUID formatType;  // FORMAT_VideoInfo or FORMAT_VideoInfo2 (or anything else)
  int width;
  int height;  // negative: top-down as the header says it
  int bits = 32;
  ULONG formatBytes = 0;  // cbFormat to report; 0 the header's own size
  LONGLONG timePerFrame = 166666;
  GUID majorType = MEDIATYPE_Video;
};

struct FakePinSetup {
  GUID category;
  std::vector<FakeCapability> caps;
  int capsSize = 128;  // what GetNumberOfCapabilities reports as the record size
  // Samples sent in turn instead of the painted pattern (YUY2 or JPEG bytes).
  std::vector<std::vector<BYTE>> payload{};
};

// What the filters made from one setup did, for the test to read.
struct FakeDeviceStats {
  std::atomic<long> framesSent{0};
  std::atomic<long> framesDropped{0};  // due while the previous one was still held
  std::atomic<long> filtersAlive{0};
};

struct FakeDeviceSetup {
  std::vector<FakePinSetup> pins;
  FakeDeviceStats* stats = nullptr;
  bool bindFails = false;
  bool stillTrigger = false;  // the filter answers IAMVideoControl
  bool triggerFails = false;  // ... and refuses every trigger
  bool phoneCamera = false;   // the filter answers the phone-camera property set
  // While it reads true the device is gone: its pins send nothing.
  const std::atomic<bool>* unplugged = nullptr;
  // The filter answers ISpecifyPropertyPages with these page classes.
  bool specifiesPages = false;
  std::vector<CLSID> propertyPages{};
  // The name QueryFilterInfo reports until the filter joins a graph.
  std::wstring filterName{};
};

// A new filter with one reference. Its pins connect to a downstream input,
// and while the filter runs each connected pin sends frames of its current
// format at the format's rate, unstamped. Pixel (x, y) of frame n, counted
// from the picture's top: blue x, green y, red n (low bytes; RGB formats).
// A still pin sends one frame per trigger only. A frame that falls due while
// the previous one is still being received is dropped and counted, as a
// device does; the pins answer IAMDroppedFrames.
IBaseFilter* CreateFakeVideoFilter(const FakeDeviceSetup& setup);

// A device moniker whose BindToObject makes a new filter of the setup.
IMoniker* CreateFakeCameraMoniker(const FakeDeviceSetup& setup);

// Lists fake devices in the system's video input category for as long as it
// lives: the fake camera class is registered in this process, and each device
// is a filter entry whose friendly name picks its setup when the device's
// moniker binds the filter and hands it its property bag. Entries of the fake
// class left by an earlier run are removed first; the entries are removed
// again at the end, since they outlive the process. Create, enumerate and bind
// in the multithreaded apartment: other apartments do not see the class.
class FakeCameraRegistration {
 public:
  struct Device {
    std::wstring name;
    FakeDeviceSetup setup;
  };
  explicit FakeCameraRegistration(const std::vector<Device>& devices);
  ~FakeCameraRegistration();
  FakeCameraRegistration(const FakeCameraRegistration&) = delete;
  FakeCameraRegistration& operator=(const FakeCameraRegistration&) = delete;
  HRESULT Result() const { return m_hResult; }

 private:
  DWORD m_dwCookie = 0;
  HRESULT m_hResult = E_FAIL;
};

// Entries of the fake class in the video input category, stale ones included.
int CountFakeCameraEntries();

// The pieces of the registration, for the self-registering fake camera DLL:
// the setups that friendly names pick, the class object and its id, and the
// category entries (stale ones of the fake class are removed first; removal
// takes every entry of the fake class).
void SetFakeCameraSetups(const std::vector<FakeCameraRegistration::Device>& devices);
IClassFactory* FakeCameraClassObject();
const CLSID& FakeCameraClsid();
HRESULT AddFakeCameraEntries(const std::vector<FakeCameraRegistration::Device>& devices);
void RemoveFakeCameraEntries();
