#pragma once
// A video capture filter for tests that lists what its setup says: pins of
// the capture, preview and still categories and their stream capabilities.
#include <windows.h>
#include <dshow.h>

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

struct FakeDeviceSetup {
  std::vector<FakePinSetup> pins;
};

// A new filter with one reference.
IBaseFilter* CreateFakeVideoFilter(const FakeDeviceSetup& setup);
