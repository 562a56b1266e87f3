// The image and video panel on a real window: the duration and title
// tables, the zoom slider against a real canvas, and a video made by ffmpeg
// (gen_videos.py) played, paused and moved with the panel's controls while
// the canvas's read-back shows the pictures change.

#include <windows.h>

#include <climits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/MainFrame.h"
#include "capture/CameraFactory.h"
#include "capture/ProjectVideo.h"
#include "engine/Image.h"
#include "panels/ImagePanel.h"
#include "tests/capture/test_camera.h"
#include "tests/engine/canvas_fixture.h"
#include "tests/panels/panel_fixture.h"
#include "tests/panels/screen_shot.h"
#include "toolkit/Slider.h"

namespace {

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Colors>
    <Back Red="255" Green="255" Blue="255"/>
    <Ink Red="0" Green="0" Blue="0"/>
  </Colors>
  <Fonts>
    <Normal FamilyName="Arial" Height="14" Weight="400"/>
  </Fonts>
  <Text>
    <Language Id="1033">
      <ImageViewCaption Text="Picture"/>
    </Language>
  </Text>
  <Windows>
    <Host Class="WINDOW" X="40" Y="40" Width="260" Height="200" ClBkGround="Back" Font="Normal">
      <Zoom Class="WINDOW" CommandID="114" X="0" Y="0" Width="250" Height="190" ClBkGround="Back" ClText="Ink" Font="Normal">
        <ZoomItem Class="STATIC" CommandID="1" Text="Zoom" X="5" Y="5" Width="60" Height="20" ClText="Ink" Font="Normal"/>
        <ZoomSlider Class="SLIDER" CommandID="2" X="5" Y="30" Width="180" Height="20" ClBkGround="Back"/>
        <ZoomText Class="STATIC" CommandID="3" X="190" Y="30" Width="55" Height="20" ClText="Ink" Font="Normal"/>
        <VideoItem Class="STATIC" CommandID="4" Text="Video" X="5" Y="60" Width="60" Height="20" ClText="Ink" Font="Normal"/>
        <Position Class="SLIDER" CommandID="5" X="5" Y="85" Width="180" Height="20" ClBkGround="Back"/>
        <Duration Class="STATIC" CommandID="6" X="190" Y="85" Width="55" Height="20" ClText="Ink" Font="Normal"/>
        <Play Class="BUTTON" CommandID="20" Text="Play" X="5" Y="115" Width="60" Height="22" Font="Normal"/>
        <Pause Class="BUTTON" CommandID="21" Text="Pause" X="70" Y="115" Width="60" Height="22" Font="Normal"/>
      </Zoom>
    </Host>
  </Windows>
</Skin>
)";

// A label keeps its window text as its skin text (it answers WM_SETTEXT itself).
std::wstring Text(const AvlfWindowBase* control) { return control->m_strText; }

bool Visible(const AvlfWindowBase* control) { return (::GetWindowLongW(control->m_hWnd, GWL_STYLE) & WS_VISIBLE) != 0; }

// A document named as the project manager names one: its path.
struct NamedDocument : CDTImage {
  explicit NamedDocument(const wchar_t* name) { Rename(name); }
};

std::wstring Here(const wchar_t* file) {
  wchar_t folder[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, folder);
  return std::wstring(folder) + L"\\" + file;
}

class ImagePanel : public paneltest::PanelFixture {
 protected:
  void SetUp() override {
    LoadSkin(kSkin);
    ASSERT_TRUE(CreateHost(L"Host"));
    ASSERT_TRUE(Attach(m_panel, 114));
  }
  void TearDown() override {
    if (m_panel.m_hWnd) m_panel.DestroyWindow();
    PanelFixture::TearDown();
  }
  std::vector<bool> VideoGroupShown() {
    std::vector<bool> shown;
    const AvlfWindowBase* group[] = {m_panel.m_pVideoItem, m_panel.m_pDurationText, m_panel.m_pPositionSlider,
                                     m_panel.m_pPlay, m_panel.m_pPause};
    for (const AvlfWindowBase* c : group) shown.push_back(Visible(c));
    return shown;
  }
  bool ZoomGroupShown() {
    return Visible(m_panel.m_pZoomItem) && Visible(m_panel.m_pZoomText) && Visible(m_panel.m_pZoomSlider);
  }

  CWndSettingsZoom m_panel;
};

TEST_F(ImagePanel, SkinInitialisationFindsTheControlsAndSetsTheRanges) {
  EXPECT_EQ(g_pWndSettingsZoom, &m_panel);
  EXPECT_EQ(g_pVideoPanelSink, &m_panel);
  ASSERT_TRUE(m_panel.m_pZoomSlider && m_panel.m_pPositionSlider && m_panel.m_pDurationText && m_panel.m_pPlay);
  EXPECT_EQ(m_panel.m_pZoomSlider->m_nMin, 20);
  EXPECT_EQ(m_panel.m_pZoomSlider->m_nMax, 1500);
  EXPECT_EQ(m_panel.m_pZoomSlider->m_nPos, 100);
  EXPECT_EQ(m_panel.m_pPositionSlider->m_nMax, 100);
  EXPECT_EQ(m_panel.m_pPositionSlider->m_nPos, 0);
  EXPECT_STREQ(m_panel.GetCaption(), L"Picture");
}

TEST_F(ImagePanel, DurationTable) {
  const LONGLONG second = 10000000;
  struct Case {
    LONGLONG duration;
    const wchar_t* text;
  };
  const Case cases[] = {
      {3661 * second, L"1:01:01"},
      {600000000, L"0:01:00"},
      {0, L"0:00:00"},
      {second - 1, L"0:00:00"},  // whole seconds only
      {(99 * 3600 + 59 * 60 + 59) * second, L"99:59:59"},
      {100 * 3600 * second, L"0:00:00"},  // 100 hours and more show 0 hours
      {(123 * 3600 + 4 * 60 + 5) * second, L"0:04:05"},
      {-5 * second, L"0:00:00"},  // an unknown length
      {LLONG_MIN, L"0:00:00"},
      {LLONG_MAX, L"0:48:05"},  // 922337203685 s: 256204778 h 48 min 5 s
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(testing::Message() << test.duration);
    m_panel.SetDuration(test.duration);
    EXPECT_EQ(Text(m_panel.m_pDurationText), test.text);
  }
}

TEST_F(ImagePanel, TitleTable) {
  const struct {
    const wchar_t* path;
    const wchar_t* title;
  } cases[] = {
      {L"C:\\Pictures\\plate.scan.bmp", L"plate.scan"},
      {L"C:\\Pictures\\plate", L"plate"},
      {L"plate.bmp", L"plate"},
      {L"C:\\Film.v2\\plate", L"plate"},  // a full stop in the folder only
      {L"C:\\Pictures\\.hidden", L""},
      {L"", L""},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(testing::Message() << std::string(test.path, test.path + wcslen(test.path)));
    EXPECT_EQ(ExtractFileTitle(test.path), test.title);
  }
  NamedDocument plate(L"C:\\Pictures\\plate.scan.bmp");
  m_panel.SetDocument(&plate);
  EXPECT_STREQ(m_panel.GetCaption(), L"plate.scan");
  EXPECT_EQ(m_panel.m_pDocument, &plate);
  EXPECT_TRUE(ZoomGroupShown());
  EXPECT_EQ(VideoGroupShown(), std::vector<bool>(5, false));

  // A document without a name is not taken.
  NamedDocument unnamed(nullptr);
  m_panel.SetDocument(&unnamed);
  EXPECT_EQ(m_panel.m_pDocument, &plate);
}

TEST_F(ImagePanel, LiveDocumentIsTitledByTheCurrentCamera) {
  NamedDocument live(kLiveDocumentName);
  {
    CCameraFactory factory;  // no camera
    m_panel.SetDocument(&live);
    EXPECT_STREQ(m_panel.GetCaption(), L"Picture");  // the panel's own caption
    EXPECT_FALSE(Visible(m_panel.m_pZoomItem));
    EXPECT_FALSE(Visible(m_panel.m_pZoomSlider));
  }
  NamedDocument other(L"C:\\x.bmp");
  m_panel.SetDocument(&other);
  EXPECT_TRUE(ZoomGroupShown());
  CCameraFactory factory;
  ASSERT_TRUE(factory.AddCamera(new TestCamera(L"Bench Cam", 320, 240)));
  m_panel.SetDocument(&live);
  EXPECT_STREQ(m_panel.GetCaption(), L"Bench Cam");
  EXPECT_TRUE(ZoomGroupShown());
  factory.CloseCameras();
}

// No document: nothing to name and nothing to play, and nothing is read.
TEST_F(ImagePanel, NoDocumentShowsNone) {
  NamedDocument plate(L"C:\\Pictures\\plate.bmp");
  CProjectVideo video(nullptr, L"C:\\Videos\\clip.avi");
  video.m_nDuration = 3661LL * 10000000;
  plate.m_pProject = &video;
  m_panel.SetDocument(&plate);
  EXPECT_EQ(VideoGroupShown(), std::vector<bool>(5, true));
  EXPECT_EQ(Text(m_panel.m_pDurationText), L"1:01:01");
  m_panel.SetDocument(nullptr);
  EXPECT_EQ(m_panel.m_pDocument, nullptr);
  EXPECT_STREQ(m_panel.GetCaption(), L"Picture");
  EXPECT_EQ(VideoGroupShown(), std::vector<bool>(5, false));
  EXPECT_TRUE(ZoomGroupShown());
  // A picture project hides the video group as well.
  CProject picture(nullptr, L"C:\\Pictures\\plate.bmp");
  plate.m_pProject = &picture;
  m_panel.SetDocument(&plate);
  EXPECT_EQ(VideoGroupShown(), std::vector<bool>(5, false));
  plate.m_pProject = nullptr;
}

TEST_F(ImagePanel, ZoomSliderSetsTheFactorAndTheFactorMovesTheSlider) {
  canvas_test::CCanvasScene scene(320, 240);
  ASSERT_TRUE(scene.Ready());
  scene.Show(canvas_test::Noise(160, 120, 7));  // a picture to zoom
  m_panel.SetDocument(&scene.m_document);
  ASSERT_EQ(m_panel.m_pDocument, &scene.m_document);
  // What the slider sends while its thumb is dragged to 250.
  ::SendMessageW(m_panel.m_hWnd, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 250),
                 reinterpret_cast<LPARAM>(m_panel.m_pZoomSlider->m_hWnd));
  EXPECT_EQ(scene.m_document.m_nZoomMode, 2);
  EXPECT_FLOAT_EQ(scene.m_document.m_fZoom, 2.5f);
  EXPECT_EQ(Text(m_panel.m_pZoomText), L"2.50 x");

  // The canvas's factor back on the slider.
  scene.m_document.SetZoomMode(2, 0.2f);
  m_panel.RefreshZoomFor(&scene.m_document);
  EXPECT_EQ(m_panel.m_pZoomSlider->m_nPos, 20);
  EXPECT_EQ(Text(m_panel.m_pZoomText), L"0.20 x");
  // Another document's change leaves the panel alone; the held document
  // handed over again changes nothing either.
  NamedDocument other(L"other");
  scene.m_document.SetZoomMode(2, 3.0f);
  m_panel.RefreshZoomFor(&other);
  EXPECT_EQ(Text(m_panel.m_pZoomText), L"0.20 x");
  m_panel.SetDocument(&scene.m_document);
  EXPECT_EQ(Text(m_panel.m_pZoomText), L"0.20 x");
  m_panel.RefreshZoom();
  EXPECT_EQ(Text(m_panel.m_pZoomText), L"3.00 x");
}

// The minute of gen_videos.py played through the panel's buttons: the
// pictures on the canvas change while it plays, stand while it pauses, and
// the position slider moves them.
TEST_F(ImagePanel, VideoPlaysPausesAndSeeksFromThePanel) {
  const std::wstring path = Here(L"minute.avi");
  ASSERT_NE(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << "gen_videos.py makes it";
  canvas_test::CCanvasScene scene(320, 240, false, true);
  ASSERT_TRUE(scene.Ready());
  CProjectVideo video(nullptr, path.c_str());
  ASSERT_TRUE(video.LoadFirstFrame());
  CDTImage document;
  const RECT bounds{0, 0, video.m_nFrameWidth, video.m_nFrameHeight};
  ASSERT_HRESULT_SUCCEEDED(document.Create(&scene.m_canvas, nullptr, path.c_str(), &bounds));
  document.UploadFrame(video.m_FrameImage.GetData(), video.m_FrameImage.GetWidth(), video.m_FrameImage.GetHeight(),
                       video.m_FrameImage.GetStride(), nullptr);
  scene.m_canvas.SetActiveImage(&document, TRUE);
  video.m_pDocument = &document;
  document.m_pProject = &video;

  m_panel.SetDocument(&document);
  EXPECT_STREQ(m_panel.GetCaption(), L"minute");
  EXPECT_EQ(VideoGroupShown(), std::vector<bool>(5, true));
  EXPECT_EQ(Text(m_panel.m_pDurationText), L"0:01:00");

  auto read = [&] {
    paneltest::Pump();
    return scene.Read().pixels;
  };
  const auto first = read();
  ::SendMessageW(m_panel.m_hWnd, WM_COMMAND, MAKEWPARAM(CWndSettingsZoom::kPlay, BN_CLICKED),
                 reinterpret_cast<LPARAM>(m_panel.m_pPlay->m_hWnd));
  ASSERT_NE(video.m_pMediaControl, nullptr);
  std::vector<uint32_t> playing;
  EXPECT_TRUE(paneltest::PumpUntil([&] { return (playing = read()) != first; })) << "no new picture while playing";
  const auto later = read();
  EXPECT_TRUE(paneltest::PumpUntil([&] { return read() != later; })) << "the picture stood while playing";
  EXPECT_GT(m_panel.m_pPositionSlider->m_nPos, -1);

  ::SendMessageW(m_panel.m_hWnd, WM_COMMAND, MAKEWPARAM(CWndSettingsZoom::kPause, BN_CLICKED),
                 reinterpret_cast<LPARAM>(m_panel.m_pPause->m_hWnd));
  ::Sleep(300);
  const auto paused = read();
  ::Sleep(400);
  EXPECT_EQ(read(), paused) << "the picture moved while paused";

  // The position slider dragged to the middle: half a minute in.
  ::SendMessageW(m_panel.m_hWnd, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 50),
                 reinterpret_cast<LPARAM>(m_panel.m_pPositionSlider->m_hWnd));
  LONGLONG current = 0, stop = 0;
  video.m_pSeeking->GetPositions(&current, &stop);
  EXPECT_NEAR(current / 1e7, 30.0, 0.2);
  ::SendMessageW(m_panel.m_hWnd, WM_COMMAND, MAKEWPARAM(CWndSettingsZoom::kPlay, BN_CLICKED),
                 reinterpret_cast<LPARAM>(m_panel.m_pPlay->m_hWnd));
  EXPECT_TRUE(paneltest::PumpUntil([&] { return m_panel.m_pPositionSlider->m_nPos >= 50; }));
  EXPECT_NE(read(), paused);
  paneltest::SaveScreenShot(m_panel.m_hWnd, L"image_panel_video.png");

  video.OnDestroy();
  video.m_pDocument = nullptr;
  document.m_pProject = nullptr;
  scene.m_canvas.DetachElement(&document);
}

}  // namespace
