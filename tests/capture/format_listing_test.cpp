// Capture and still format lists of a device, and the format selection.
#include <windows.h>
#include <dshow.h>
#include <dvdmedia.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "capture/CameraDS.h"
#include "tests/capture/fakes/FakeVideoFilter.h"

namespace {

const GUID kYUY2 = {0x32595559, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
const GUID kMJPG = {0x47504A4D, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
const GUID kOdd = {0x12345678, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};

struct ListedGroup {
  std::wstring name;
  std::vector<std::wstring> labels;
};

struct ListingCase {
  const char* what;
  FakeDeviceSetup device;
  std::vector<ListedGroup> groups;
  std::vector<std::wstring> stills;
  int hasStillPin;
  std::wstring current;  // label of the current video format, empty for none
};

class ComScope {
 public:
  ComScope() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
  ~ComScope() { CoUninitialize(); }
};

std::vector<ListingCase> ListingCases() {
  const GUID VI = FORMAT_VideoInfo, VI2 = FORMAT_VideoInfo2;
  return {
      {"capture pin in four subtypes, RGB32 as VideoInfo and VideoInfo2",
       {{{PIN_CATEGORY_CAPTURE,
          {{MEDIASUBTYPE_RGB32, VI, 640, 480},
           {MEDIASUBTYPE_RGB32, VI2, 640, 480},
           {MEDIASUBTYPE_RGB24, VI, 1920, 1080, 24},
           {kYUY2, VI, 1280, 720, 16},
           {kMJPG, VI, 800, -600, 24}}}}},
       {{L"RGB 32", {L"640 x 480", L"640 x 480"}},
        {L"RGB 24", {L"1920 x 1080"}},
        {L"YUY2", {L"1280 x 720"}},
        {L"MJPG", {L"800 x 600"}}},
       {},
       0,
       L"640 x 480"},
      {"only 160 x 120 and 176 x 144: groups without formats",
       {{{PIN_CATEGORY_CAPTURE, {{kYUY2, VI, 160, 120, 16}, {MEDIASUBTYPE_RGB24, VI, 176, 144, 24}}}}},
       {{L"YUY2", {}}, {L"RGB 24", {}}},
       {},
       0,
       L""},
      {"short blocks: VideoInfo2 under its header size and VideoInfo under 88 bytes are skipped",
       {{{PIN_CATEGORY_CAPTURE,
          {{MEDIASUBTYPE_RGB32, VI2, 640, 480, 32, 88},
           {MEDIASUBTYPE_RGB32, VI, 800, 600, 32, 87},
           {MEDIASUBTYPE_RGB32, VI2, 1024, 768}}}}},
       {{L"RGB 32", {L"1024 x 768"}}},
       {},
       0,
       L"1024 x 768"},
      {"other major type and format type are skipped; unknown subtype named so",
       {{{PIN_CATEGORY_CAPTURE,
          {{MEDIASUBTYPE_RGB32, VI, 640, 480, 32, 0, 0, MEDIATYPE_Audio},
           {MEDIASUBTYPE_RGB32, FORMAT_WaveFormatEx, 640, 480},
           {kOdd, VI, 640, 480}}}}},
       {{L"RGB 32", {}}, {L"Unknown", {L"640 x 480"}}},
       {},
       0,
       L"640 x 480"},
      {"capture pin is taken over the preview pin before it",
       {{{PIN_CATEGORY_PREVIEW, {{kYUY2, VI, 320, 240, 16}}}, {PIN_CATEGORY_CAPTURE, {{kMJPG, VI, 1920, 1080, 24}}}}},
       {{L"MJPG", {L"1920 x 1080"}}},
       {},
       0,
       L"1920 x 1080"},
      {"preview pin when there is no capture pin",
       {{{PIN_CATEGORY_PREVIEW, {{kYUY2, VI, 320, 240, 16}}}}},
       {{L"YUY2", {L"320 x 240"}}},
       {},
       0,
       L"320 x 240"},
      {"capability records of another size list nothing",
       {{{PIN_CATEGORY_CAPTURE, {{kYUY2, VI, 640, 480, 16}}, 64}}},
       {},
       {},
       0,
       L""},
      {"still pin: equal sizes once, no minimum, negative height shown absolute",
       {{{PIN_CATEGORY_CAPTURE, {{kYUY2, VI, 640, 480, 16}}},
         {PIN_CATEGORY_STILL,
          {{MEDIASUBTYPE_RGB24, VI, 2592, 1944, 24},
           {MEDIASUBTYPE_RGB24, VI2, 2592, 1944, 24},
           {MEDIASUBTYPE_RGB24, VI, 160, -120, 24},
           {MEDIASUBTYPE_RGB24, VI2, 640, 480, 24, 100}}}}},
       {{L"YUY2", {L"640 x 480"}}},
       {L"2592 x 1944", L"160 x 120"},
       1,
       L"640 x 480"},
  };
}

TEST(FormatListing, ListsWhatTheDeviceOffers) {
  ComScope com;
  for (const ListingCase& test : ListingCases()) {
    SCOPED_TRACE(test.what);
    IBaseFilter* filter = CreateFakeVideoFilter(test.device);
    COrvelCameraDS camera(nullptr);
    camera.ListFormats(filter);
    filter->Release();

    std::vector<ListedGroup> groups;
    for (const SubtypeGroup* group : camera.GetVideoGroups()) {
      ListedGroup listed{group->name, {}};
      for (const VideoFormat* format : group->formats) {
        listed.labels.push_back(format->label);
        EXPECT_EQ(format->group, group);
        EXPECT_EQ(format->mediaType.subtype, group->subtype);
        EXPECT_EQ(format->mediaType.pUnk, nullptr);
      }
      groups.push_back(listed);
    }
    ASSERT_EQ(groups.size(), test.groups.size());
    for (size_t i = 0; i < groups.size(); ++i) {
      EXPECT_EQ(groups[i].name, test.groups[i].name);
      EXPECT_EQ(groups[i].labels, test.groups[i].labels);
    }
    std::vector<std::wstring> stills;
    for (const VideoFormat* format : camera.GetStillFormats()) stills.push_back(format->label);
    EXPECT_EQ(stills, test.stills);
    EXPECT_EQ(camera.HasStillPin(), test.hasStillPin);
    EXPECT_EQ(camera.GetCurrentVideoFormat() ? std::wstring(camera.GetCurrentVideoFormat()->label) : L"", test.current);
  }
}

TEST(FormatListing, StillFormatKeepsTheDeliveredHeader) {
  ComScope com;
  FakeDeviceSetup device{{{PIN_CATEGORY_STILL, {{MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, 1280, -960, 24}}}}};
  IBaseFilter* filter = CreateFakeVideoFilter(device);
  COrvelCameraDS camera(nullptr);
  camera.ListFormats(filter);
  filter->Release();
  ASSERT_EQ(camera.GetStillFormats().size(), 1u);
  const VideoFormat* still = camera.GetStillFormats()[0];
  EXPECT_EQ(still->width, 1280);
  EXPECT_EQ(still->height, -960);
  EXPECT_EQ(still->header.biBitCount, 24);
  EXPECT_EQ(camera.GetCurrentStillFormat(), still);
  EXPECT_TRUE(camera.GetVideoGroups().empty());
}

TEST(FormatListing, OpenWithoutDeviceFails) {
  COrvelCameraDS camera(nullptr);
  EXPECT_EQ(camera.Open(), 0);
  EXPECT_EQ(camera.IsOpened(), 0);
}

TEST(FormatSelection, RestartOnlyWhenTheHeightChanges) {
  ComScope com;
  const GUID VI = FORMAT_VideoInfo;
  FakeDeviceSetup device{
      {{PIN_CATEGORY_CAPTURE,
        {{kYUY2, VI, 640, 480, 16}, {kYUY2, VI, 720, 480, 16}, {kYUY2, VI, 800, 600, 16}, {kMJPG, VI, 800, 600, 24}}}}};
  IBaseFilter* filter = CreateFakeVideoFilter(device);
  COrvelCameraDS camera(nullptr);
  camera.ListFormats(filter);
  filter->Release();
  ASSERT_EQ(camera.GetVideoGroups().size(), 2u);
  VideoFormat* f640 = camera.GetVideoGroups()[0]->formats[0];
  VideoFormat* f720 = camera.GetVideoGroups()[0]->formats[1];
  VideoFormat* f800 = camera.GetVideoGroups()[0]->formats[2];
  VideoFormat* mjpg800 = camera.GetVideoGroups()[1]->formats[0];
  ASSERT_EQ(camera.GetCurrentVideoFormat(), f640);
  struct Step {
    VideoFormat* format;
    bool restart;
  };
  const Step steps[] = {{f640, false},   {f720, false},    {f800, true}, {mjpg800, false},
                        {nullptr, true}, {nullptr, false}, {f640, true}};
  int n = 0;
  for (const Step& step : steps) {
    SCOPED_TRACE(n++);
    EXPECT_EQ(camera.SelectVideoFormat(step.format), step.restart);
    EXPECT_EQ(camera.GetCurrentVideoFormat(), step.format);
  }
  EXPECT_EQ(camera.GetSettings().m_ImageW, 640);
  EXPECT_EQ(camera.GetSettings().m_ImageH, 480);
  EXPECT_EQ(camera.GetSettings().m_ImageFormat, kYUY2);
}

TEST(SubtypeNames, PublishedSubtypesAndUnknown) {
  EXPECT_STREQ(MediaSubtypeName(MEDIASUBTYPE_RGB8), L"RGB  8");
  EXPECT_STREQ(MediaSubtypeName(MEDIASUBTYPE_ARGB32), L"RGB 32 Alpha");
  EXPECT_STREQ(MediaSubtypeName(MEDIASUBTYPE_YUY2), L"YUY2");
  EXPECT_STREQ(MediaSubtypeName(MEDIASUBTYPE_YVYU), L"YVYU");
  EXPECT_STREQ(MediaSubtypeName(MEDIASUBTYPE_MJPG), L"MJPG");
  EXPECT_STREQ(MediaSubtypeName(kOdd), L"Unknown");
}

}  // namespace
