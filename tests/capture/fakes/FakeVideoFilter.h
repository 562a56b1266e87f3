#pragma once
// A video capture filter for tests that lists what its setup says: pins of
// the capture, preview and still categories and their stream capabilities.
#include <windows.h>
#include <dshow.h>

#include <atomic>
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
};

// What the filters made from one setup did, for the test to read.
struct FakeDeviceStats {
  std::atomic<long> framesSent{0};
  std::atomic<long> filtersAlive{0};
};

struct FakeDeviceSetup {
  std::vector<FakePinSetup> pins;
  FakeDeviceStats* stats = nullptr;
  bool bindFails = false;
  bool stillTrigger = false;  // the filter answers IAMVideoControl
};

// A new filter with one reference. Its pins connect to a downstream input,
// and while the filter runs each connected pin sends frames of its current
// format at the format's rate, unstamped. Pixel (x, y) of frame n, counted
// from the picture's top: blue x, green y, red n (low bytes; RGB formats).
// A still pin sends one frame per trigger only.
IBaseFilter* CreateFakeVideoFilter(const FakeDeviceSetup& setup);

// A device moniker whose BindToObject makes a new filter of the setup.
IMoniker* CreateFakeCameraMoniker(const FakeDeviceSetup& setup);
