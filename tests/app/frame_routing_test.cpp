// Every canvas and camera event, as the frame passes it on to the panels.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "capture/Camera.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/Types.h"
#include "settings/RegisteredMessages.h"
#include "tests/app/frame_fixture.h"
#include "tests/capture/test_camera.h"

namespace {

using Calls = std::vector<std::wstring>;

CDTElement* const kFigure = reinterpret_cast<CDTElement*>(0x1230);
CDTImage* const kDocument = reinterpret_cast<CDTImage*>(0x4560);

// The text a status cell shows.
std::wstring CellText(const CWndStatus* cell) {
  wchar_t text[256];
  cell->GetText(text, 256);
  return text;
}

// A document the status cells can read: 640 x 480 in millimetres.
struct SizedDocument : CDTImage {
  SizedDocument() {
    m_nWidth = 640;
    m_nHeight = 480;
    std::wcscpy(m_szUnit, L"mm");
  }
};

TEST(FrameRouting, CanvasEventsReachThePanelsInOrder) {
  CMainFrame& frame = SharedFrame();
  ASSERT_NE(frame.m_pSizeCell, nullptr);
  ASSERT_NE(frame.m_pCursorCell, nullptr);
  CDirectUIMeasureObserver& observer = frame;
  CDTImage* const live = frame.m_pLiveDocument;
  const CursorPosition position{1, 2, 3, 4};
  SizedDocument sized;
  // The size cell shows the active picture's size, or nothing without one.
  auto sizeOf = [](CDTImage* document) {
    return document && document->m_nWidth > 0 && document->m_nHeight > 0
               ? std::to_wstring(document->m_nWidth) + L" x " + std::to_wstring(document->m_nHeight) + L" px"
               : std::wstring();
  };
  struct Row {
    const char* event;
    std::function<void()> fire;
    Calls calls;
    std::function<void()> effect = nullptr;  // the cells' texts, checked after the calls
  };
  const std::vector<Row> rows = {
      {"added", [&] { observer.OnFigureAdded(kFigure); }, {L"CWndMeasure::OnFigureAdded(" + P(kFigure) + L")"}},
      {"selected",
       [&] { observer.OnFigureSelected(kFigure); },
       {L"CWndMeasure::SelectFigure(" + P(kFigure) + L")", L"CWndProperties::SetFigure(" + P(kFigure) + L")"}},
      {"selected none",
       [&] { observer.OnFigureSelected(nullptr); },
       {L"CWndMeasure::SelectFigure(" + P(nullptr) + L")", L"CWndProperties::SetFigure(" + P(nullptr) + L")"}},
      {"resized",
       [&] { observer.OnImageResized(); },
       {L"CWndSettingsZoom::RefreshZoom"},
       [&] { EXPECT_EQ(CellText(frame.m_pSizeCell), sizeOf(g_pDirectUI->m_pActiveImage)); }},
      {"cursor",
       [&] { observer.OnCursorMoved(&position, &sized); },
       {},
       [&] { EXPECT_EQ(CellText(frame.m_pCursorCell), L"3, 4 px - 1.0, 2.0 mm"); }},
      {"changed",
       [&] { observer.OnFigureChanged(kFigure, 2); },
       {L"CWndProperties::RefreshValues(2)", L"CWndMeasure::RefreshFigureText(" + P(kFigure) + L")"}},
      {"changed all",
       [&] { observer.OnFigureChanged(nullptr, -1); },
       {L"CWndProperties::RefreshValues(-1)", L"CWndMeasure::RefreshFigureText(" + P(nullptr) + L")"}},
      {"zoom", [&] { observer.OnZoomChanged(kDocument); }, {L"CWndProperties::RefreshZoom(" + P(kDocument) + L")"}},
      {"region",
       [&] { observer.OnRegionChanged(TRUE); },
       {},
       [&] { EXPECT_EQ(CellText(frame.m_pSizeCell), sizeOf(live)); }},
      {"empty click", [&] { observer.OnEmptyClick(); }, {L"CWndProperties::ShowPanel(100)"}},
      {"tool reset to select",
       [&] { observer.OnToolReset(DRAW_SELECT); },
       {},
       [&] { EXPECT_TRUE(g_pWndTool->GetMark(24)); }},
      {"tool reset to pan", [&] { observer.OnToolReset(DRAW_PAN); }, {}},
      {"visibility",
       [&] { observer.OnFigureVisibilityChanged(kFigure, FALSE); },
       {L"CWndMeasure::SetFigureVisible(" + P(kFigure) + L",0)"}},
      {"lock",
       [&] { observer.OnFigureLockChanged(kFigure, TRUE); },
       {L"CWndMeasure::SetFigureLocked(" + P(kFigure) + L",1)"}},
      {"history", [&] { observer.OnHistoryChanged(kDocument); }, {L"CWndMeasure::UpdateUndoRedo(1)"}},
      {"history none", [&] { observer.OnHistoryChanged(nullptr); }, {L"CWndMeasure::UpdateUndoRedo(0)"}},
      {"restored",
       [&] { observer.OnHistoryRestored(kDocument); },
       {L"CWndProperties::RefreshStyle(" + P(kDocument) + L")"}},
  };
  TakeCalls();
  for (const Row& row : rows) {
    row.fire();
    EXPECT_EQ(TakeCalls(), row.calls) << row.event;
    if (row.effect) {
      SCOPED_TRACE(row.event);
      row.effect();
    }
  }
}

TEST(FrameRouting, ActiveDocumentChangesPanelsFirstThenTheFrame) {
  CMainFrame& frame = SharedFrame();
  CDTImage* const before = frame.m_pCurrentDocument;
  SizedDocument document;
  TakeCalls();
  frame.OnActiveImageChanged(&document);
  EXPECT_EQ(TakeCalls(), (Calls{L"CWndMeasure::SetDocument(" + P(&document) + L")",
                                L"CWndCamera::SetCurrentDocument(" + P(&document) + L")",
                                L"CWndProperties::SetDocument(" + P(&document) + L")"}));
  EXPECT_EQ(CellText(frame.m_pSizeCell), L"640 x 480 px");
  EXPECT_EQ(frame.m_pCurrentDocument, &document);
  // Without a property host and size cell those two are skipped.
  CWndProperties* properties = g_pWndProperties;
  CWndStatus* size = frame.m_pSizeCell;
  CWndStatus* cursor = frame.m_pCursorCell;
  g_pWndProperties = nullptr;
  frame.m_pSizeCell = nullptr;
  frame.m_pCursorCell = nullptr;
  frame.OnActiveImageChanged(before);
  frame.OnImageResized();
  frame.OnRegionChanged(FALSE);
  const CursorPosition position{};
  frame.OnCursorMoved(&position, before);
  EXPECT_EQ(TakeCalls(),
            (Calls{L"CWndMeasure::SetDocument(" + P(before) + L")",
                   L"CWndCamera::SetCurrentDocument(" + P(before) + L")", L"CWndSettingsZoom::RefreshZoom"}));
  EXPECT_EQ(frame.m_pCurrentDocument, before);
  g_pWndProperties = properties;
  frame.m_pSizeCell = size;
  frame.m_pCursorCell = cursor;
}

TEST(FrameRouting, RemovedFigureBringsBackThePanelOfTheCurrentTool) {
  CMainFrame& frame = SharedFrame();
  ASSERT_NE(g_pDirectUI, nullptr);
  const int tool = g_pDirectUI->m_nTool;
  struct Row {
    int panel;
    int tool;
    int shown;  // 0: no panel change
  };
  const Row rows[] = {
      {105, DRAW_SELECT, 100}, {102, DRAW_PAN, 114}, {113, DRAW_RULER, 101}, {105, DRAW_LINE, 0},
      {100, DRAW_SELECT, 0},   {101, DRAW_PAN, 0},   {114, DRAW_SELECT, 0},  {103, DRAW_REGION, 0},
  };
  for (const Row& row : rows) {
    g_pWndProperties->m_nPanelId = row.panel;
    g_pDirectUI->m_nTool = row.tool;
    TakeCalls();
    frame.OnFigureRemoved(kFigure);
    Calls expected = {L"CWndMeasure::OnFigureRemoved(" + P(kFigure) + L")"};
    if (row.shown) expected.push_back(L"CWndProperties::ShowPanel(" + std::to_wstring(row.shown) + L")");
    EXPECT_EQ(TakeCalls(), expected) << "panel " << row.panel << ", tool " << row.tool;
  }
  g_pDirectUI->m_nTool = tool;
  g_pWndProperties->m_nPanelId = 100;
}

TEST(FrameRouting, CameraEventsReachTheCameraPanelAndLiveDocument) {
  CMainFrame& frame = SharedFrame();
  frame.m_CameraFactory.CloseCameras();
  Pump();
  TakeCalls();
  COrvelCameraFactoryObserver& observer = frame;
  auto* camera = new TestCamera(L"routed", 8, 4);

  // Adding through the factory reports the camera, then that it is current.
  ASSERT_TRUE(frame.m_CameraFactory.AddCamera(camera));
  EXPECT_EQ(TakeCalls(), (Calls{L"CWndCamera::AddCamera(" + P(camera) + L")", L"CWndCamera::EnableSnapshotButton(1)",
                                L"CWndCamera::SetCurrentCamera(" + P(camera) + L")"}));
  HMENU menu = frame.m_hMenu;
  MENUITEMINFOW info{};
  info.cbSize = sizeof info;
  info.fMask = MIIM_STATE;
  ::GetMenuItemInfoW(menu, kMenuCamera, TRUE, &info);
  EXPECT_EQ(info.fState, 0u) << "the Camera popup follows the current camera";

  struct Row {
    const char* event;
    std::function<void()> fire;
    Calls calls;
    bool rateCleared = false;
  };
  const std::vector<Row> rows = {
      {"running", [&] { observer.OnCameraState(CameraRunning); }, {L"CWndCamera::OnCaptureState(1)"}},
      {"paused keeps the rate", [&] { observer.OnCameraState(CameraPaused); }, {L"CWndCamera::OnCaptureState(2)"}},
      {"stopped", [&] { observer.OnCameraState(CameraStopped); }, {L"CWndCamera::OnCaptureState(3)"}, true},
      {"closed", [&] { observer.OnCameraState(CameraClosed); }, {L"CWndCamera::OnCaptureState(0)"}, true},
      {"unknown state", [&] { observer.OnCameraState(9); }, {L"CWndCamera::OnCaptureState(9)"}, true},
      {"current none",
       [&] { observer.OnCurrentCameraChanged(nullptr); },
       {L"CWndCamera::SetCurrentCamera(" + P(nullptr) + L")"}},
      {"current",
       [&] { observer.OnCurrentCameraChanged(camera); },
       {L"CWndCamera::SetCurrentCamera(" + P(camera) + L")"}},
  };
  ASSERT_NE(g_pWndHorizontalRuler, nullptr);
  CWndStatus* rate = &g_pWndHorizontalRuler->m_wndFrameRate;
  for (const Row& row : rows) {
    rate->ShowFrameRate(29.97f);
    row.fire();
    EXPECT_EQ(TakeCalls(), row.calls) << row.event;
    EXPECT_EQ(CellText(rate), row.rateCleared ? L"" : L"30.0 FPS,") << row.event;
  }
  Pump();
  TakeCalls();
  // The stop's own report only posts: recordings finish from the loop.
  observer.OnCameraState(CameraStopped);
  TakeCalls();
  MSG msg;
  ASSERT_TRUE(::PeekMessageW(&msg, frame.m_hWnd, WM_CAPTURE_STOPPED, WM_CAPTURE_STOPPED, PM_NOREMOVE));
  Pump();
  EXPECT_EQ(TakeCalls(), Calls{L"CMainFrame::OnCaptureStopped"});

  // Layouts with a zero part leave the live document alone.
  CDTImage* live = frame.m_pLiveDocument;
  ASSERT_NE(live, nullptr);
  observer.OnCameraLayout(1, 8, 4);
  EXPECT_EQ(live->m_nWidth, 8);
  EXPECT_EQ(live->m_nHeight, 4);
  for (const int* bad : {(const int[]){0, 16, 8}, (const int[]){2, 0, 8}, (const int[]){2, 16, 0}}) {
    observer.OnCameraLayout(bad[0], bad[1], bad[2]);
    EXPECT_EQ(live->m_nWidth, 8);
    EXPECT_EQ(live->m_nHeight, 4);
  }

  // Removing the last camera disables the snapshot button.
  frame.m_CameraFactory.RemoveCameraByPath(camera->GetDevicePath(), 0);
  const Calls removed = TakeCalls();
  ASSERT_GE(removed.size(), 2u);
  EXPECT_EQ(removed[removed.size() - 2], L"CWndCamera::RemoveCamera(" + P(camera) + L")");
  EXPECT_EQ(removed.back(), L"CWndCamera::EnableSnapshotButton(0)");
  frame.m_CameraFactory.OpenCameras();
  Pump();
  TakeCalls();
}

}  // namespace
