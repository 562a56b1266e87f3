// The canvas window and its device: the picture read back from the back
// buffer at zoom 1 and 2, zoom modes, panning, resizing and device reset.

#include <gtest/gtest.h>

#include "tests/engine/canvas_fixture.h"

namespace {

using namespace canvas_test;

// Counts screen pixels that differ from the picture pixel zoom maps there,
// over the part of the picture that lies in the window.
int CountPictureMismatches(const CReadBack& rb, const CPicture& pic, const CDTImage& doc, int zoom) {
  int bad = 0;
  const int ox = doc.m_rcBounds.left, oy = doc.m_rcBounds.top;
  for (int y = std::max(0, oy); y < std::min(rb.height, oy + pic.height * zoom); ++y)
    for (int x = std::max(0, ox); x < std::min(rb.width, ox + pic.width * zoom); ++x)
      bad += rb.At(x, y) != (pic.At((x - ox) / zoom, (y - oy) / zoom) & 0x00FFFFFF);
  return bad;
}

struct PictureSize {
  int width;
  int height;
};

class CanvasPicture : public ::testing::TestWithParam<PictureSize> {};

TEST_P(CanvasPicture, ActualSizeEqualsThePicturePixelForPixel) {
  CCanvasScene scene(640, 480, true, true);  // on screen, as the program shows it
  ASSERT_TRUE(scene.Ready());
  const CPicture pic = Noise(GetParam().width, GetParam().height, 7);
  scene.Show(pic);
  scene.m_document.SetZoomMode(1, 1.0f);
  const CDTImage& doc = scene.m_document;
  EXPECT_EQ(doc.m_fZoom, 1.0f);
  EXPECT_EQ(doc.m_rcBounds.left, (640 - pic.width) / 2);
  EXPECT_EQ(doc.m_rcBounds.top, (480 - pic.height) / 2);
  CReadBack rb = scene.Read();
  ASSERT_EQ(rb.width, 640);
  EXPECT_EQ(CountPictureMismatches(rb, pic, doc, 1), 0);
  // Around the picture: the background.
  EXPECT_EQ(rb.At(doc.m_rcBounds.left - 1, doc.m_rcBounds.top), 0u);
  EXPECT_EQ(rb.At(doc.m_rcBounds.right, doc.m_rcBounds.bottom - 1), 0u);
}

TEST_P(CanvasPicture, ZoomTwoShowsEachPixelAsATwoByTwoBlock) {
  CCanvasScene scene(1280, 720);
  ASSERT_TRUE(scene.Ready());
  const CPicture pic = Noise(GetParam().width, GetParam().height, 11);
  scene.Show(pic);
  scene.m_document.SetZoomMode(1, 1.0f);
  scene.m_document.SetZoomMode(2, 2.0f);
  EXPECT_EQ(scene.m_document.m_fZoom, 2.0f);
  CReadBack rb = scene.Read();
  EXPECT_EQ(CountPictureMismatches(rb, pic, scene.m_document, 2), 0);
}

INSTANTIATE_TEST_SUITE_P(AcrossCellSeams, CanvasPicture,
                         ::testing::Values(PictureSize{300, 200}, PictureSize{513, 257}));

// The Direct3D object made on a worker while the program builds its windows
// gives the same device and frames as one made during the window's creation.
TEST(CanvasPicture, DirectUIStartedOnAWorkerDrawsThePictureTheSame) {
  CCanvasScene scene(640, 480, true, false, true);
  ASSERT_TRUE(scene.Ready());
  EXPECT_EQ(scene.m_canvas.BackBufferWidth(), 640u);
  EXPECT_EQ(scene.m_canvas.BackBufferHeight(), 480u);
  const CPicture pic = Noise(513, 257, 5);
  scene.Show(pic);
  scene.m_document.SetZoomMode(1, 1.0f);
  EXPECT_EQ(CountPictureMismatches(scene.Read(), pic, scene.m_document, 1), 0);
}

TEST(Direct3DStarter, HandsOneObjectOverOnce) {
  {
    CDirect3DStarter starter;
    HMODULE library = nullptr;
    IDirect3D9* d3d = nullptr;
    EXPECT_FALSE(starter.Take(&library, &d3d)) << "nothing started";
    EXPECT_EQ(library, nullptr);
    EXPECT_EQ(d3d, nullptr);
    ASSERT_TRUE(starter.Start());
    EXPECT_FALSE(starter.Start()) << "one worker at a time";
    ASSERT_TRUE(starter.Take(&library, &d3d));
    ASSERT_NE(library, nullptr);
    ASSERT_NE(d3d, nullptr);
    EXPECT_GE(d3d->GetAdapterCount(), 1u);
    HMODULE again = nullptr;
    IDirect3D9* second = nullptr;
    EXPECT_FALSE(starter.Take(&again, &second)) << "taken already";
    EXPECT_EQ(second, nullptr);
    d3d->Release();
    ::FreeLibrary(library);
  }
  {
    // Never taken: the end waits for the worker and releases its object.
    CDirect3DStarter starter;
    EXPECT_TRUE(starter.Start());
  }
}

TEST(CanvasDocument, CellsCoverThePictureIn256PixelSquares) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  scene.Show(Noise(300, 200, 1));
  const CDTImage& doc = scene.m_document;
  ASSERT_EQ(doc.m_nCellsAcross, 2);
  ASSERT_EQ(doc.m_nCellsDown, 1);
  EXPECT_EQ(doc.m_pCells[1].source.left, 256);
  EXPECT_EQ(doc.m_pCells[1].source.right, 300);
  EXPECT_EQ(doc.m_pCells[1].source.bottom, 200);
  EXPECT_FLOAT_EQ(doc.m_pCells[1].screen[2], static_cast<float>(doc.m_rcBounds.right));
}

TEST(CanvasDocument, ZoomModesPlaceThePicture) {
  struct Case {
    int windowWidth, windowHeight, width, height, mode;
    float zoom;
    float expectedZoom;
    int left, top;
  } cases[] = {
      // Fit: the window is relatively wider than the picture, so it is centred across.
      {640, 480, 200, 240, 0, 0.0f, 2.0f, 120, 0},
      {640, 480, 400, 100, 0, 0.0f, 1.6f, 0, 160},
      // Actual size, centred (half the spare room, truncated, plus a half,
      // truncated again); larger than the window gives negative offsets.
      {640, 480, 300, 200, 1, 1.0f, 1.0f, 170, 140},
      {320, 240, 513, 257, 1, 1.0f, 1.0f, -95, -7},
      // Free factor: clamped, about the picture centre (from actual size).
      {640, 480, 300, 200, 2, 20.0f, 15.0f, 170 + 150 - 2250, 140 + 100 - 1500},
      {640, 480, 300, 200, 2, 0.1f, 0.2f, 170 + 150 - 30, 140 + 100 - 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.windowWidth << "x" << c.windowHeight << " mode " << c.mode << " zoom "
                                      << c.zoom);
    CCanvasScene scene(c.windowWidth, c.windowHeight);
    ASSERT_TRUE(scene.Ready());
    scene.Show(Noise(c.width, c.height, 3));
    if (c.mode == 2) scene.m_document.SetZoomMode(1, 1.0f);
    scene.m_document.SetZoomMode(c.mode, c.zoom);
    const CDTImage& doc = scene.m_document;
    EXPECT_FLOAT_EQ(doc.m_fZoom, c.expectedZoom);
    EXPECT_EQ(doc.m_rcBounds.left, c.left);
    EXPECT_EQ(doc.m_rcBounds.top, c.top);
    EXPECT_EQ(doc.m_rcBounds.right, static_cast<LONG>(c.width * doc.m_fZoom + doc.m_rcBounds.left + 0.5f));
  }
}

TEST(CanvasDocument, PanningKeepsTwoPicturePixelsInTheWindow) {
  CCanvasScene scene(320, 240);
  ASSERT_TRUE(scene.Ready());
  scene.Show(Noise(513, 257, 5));
  CDTImage& doc = scene.m_document;
  doc.PanBy(100, 100);  // fit mode: panning does nothing
  EXPECT_EQ(doc.m_nZoomMode, 0);
  const RECT fitted = doc.m_rcBounds;
  EXPECT_EQ(fitted.left, 0);

  doc.SetZoomMode(1, 1.0f);
  doc.PanBy(-10000, -10000);
  EXPECT_EQ(doc.m_rcBounds.left, 2 - 513);
  EXPECT_EQ(doc.m_rcBounds.top, 2 - 257);
  doc.PanBy(20000, 20000);
  EXPECT_EQ(doc.m_rcBounds.left, 320 - 2);
  EXPECT_EQ(doc.m_rcBounds.top, 240 - 2);

  // Dragging with the pan tool moves the picture with the mouse.
  doc.PanBy(-318 + 10, -238 + 10);
  scene.m_canvas.SetTool(DRAW_PAN);
  ::SendMessageW(scene.m_canvas, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 50));
  EXPECT_EQ(scene.m_canvas.m_pCaptured, &doc);
  ::SendMessageW(scene.m_canvas, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(40, 45));
  ::SendMessageW(scene.m_canvas, WM_LBUTTONUP, 0, MAKELPARAM(40, 45));
  EXPECT_EQ(doc.m_rcBounds.left, 0);
  EXPECT_EQ(doc.m_rcBounds.top, 5);
  EXPECT_EQ(scene.m_canvas.m_pCaptured, nullptr);
  EXPECT_EQ(doc.m_bPanning, 0);
}

TEST(CanvasWindow, SurvivesResizingAndDeviceReset) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  const CPicture pic = Noise(300, 200, 9);
  scene.Show(pic);
  scene.m_document.SetZoomMode(1, 1.0f);

  scene.m_canvas.MoveWindow(0, 0, 400, 300);
  EXPECT_EQ(scene.m_canvas.BackBufferWidth(), 400u);
  EXPECT_EQ(scene.m_canvas.BackBufferHeight(), 300u);
  scene.m_canvas.Repaint();
  CReadBack rb = scene.Read();
  EXPECT_EQ(rb.width, 400);
  EXPECT_EQ(CountPictureMismatches(rb, pic, scene.m_document, 1), 0);

  scene.m_canvas.MoveWindow(0, 0, 400, 0);  // a zero height keeps the device as it is
  EXPECT_EQ(scene.m_canvas.BackBufferHeight(), 300u);

  scene.m_canvas.ResetDevice();
  ASSERT_TRUE(scene.m_canvas.m_pStaging);
  scene.m_canvas.Repaint();
  EXPECT_EQ(CountPictureMismatches(scene.Read(), pic, scene.m_document, 1), 0);

  // A device that reports it needs a reset is reset on the next paint.
  ::RedrawWindow(scene.m_canvas, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(CountPictureMismatches(scene.Read(), pic, scene.m_document, 1), 0);
}

TEST(CanvasWindow, AResetWithoutStagingTextureFailsAndTheNextFrameMakesIt) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CReadBackCanvas& canvas = scene.m_canvas;
  const CPicture pic = Noise(300, 200, 21);
  scene.Show(pic);
  scene.m_document.SetZoomMode(1, 1.0f);

  canvas.m_nStagingFailures = 1;
  EXPECT_EQ(canvas.ResetDevice(400, 300), D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_FALSE(canvas.m_pStaging);
  EXPECT_EQ(canvas.BackBufferWidth(), 400u) << "the device itself was reset";

  // The next frame makes the texture and shows the picture again.
  EXPECT_EQ(CountPictureMismatches(scene.Read(), pic, scene.m_document, 1), 0);
  EXPECT_TRUE(canvas.m_pStaging);
}

TEST(CanvasWindow, ALostDeviceAtPresentationAsksForAPaint) {
  CCanvasScene scene(640, 480, true, true);  // a hidden window takes no update region
  ASSERT_TRUE(scene.Ready());
  CReadBackCanvas& canvas = scene.m_canvas;
  scene.Show(Noise(300, 200, 22));
  Pump();
  RECT update{};
  ASSERT_TRUE(::ValidateRect(canvas, nullptr));
  ASSERT_FALSE(::GetUpdateRect(canvas, &update, FALSE));

  canvas.m_hrPresent = D3DERR_DEVICELOST;
  EXPECT_EQ(canvas.Repaint(), D3DERR_DEVICELOST);
  EXPECT_TRUE(::GetUpdateRect(canvas, &update, FALSE)) << "nothing will draw the frame that was lost";

  // The paint that follows draws and validates the window.
  canvas.m_hrPresent = S_OK;
  const int presents = canvas.m_nPresents;
  Pump();
  EXPECT_GT(canvas.m_nPresents.load(), presents);
  EXPECT_FALSE(::GetUpdateRect(canvas, &update, FALSE));
}

TEST(CanvasWindow, FullScreenAndBack) {
  CCanvasScene scene(640, 480, true, true);
  ASSERT_TRUE(scene.Ready());
  CDirectUI& canvas = scene.m_canvas;
  canvas.m_hWndHost = scene.m_host;
  const CPicture pic = Noise(300, 200, 13);
  scene.Show(pic);
  scene.m_document.SetZoomMode(1, 1.0f);
  D3DDISPLAYMODE mode{};
  ASSERT_EQ(canvas.m_pD3D->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode), D3D_OK);

  canvas.EnterFullScreen();
  ASSERT_TRUE(canvas.IsFullScreen());
  EXPECT_EQ(::GetParent(canvas), canvas.m_hWndFullScreen);
  EXPECT_FALSE(::IsWindowVisible(scene.m_host));
  EXPECT_EQ(canvas.BackBufferWidth(), mode.Width);
  EXPECT_EQ(canvas.BackBufferHeight(), mode.Height);
  EXPECT_EQ(scene.m_document.m_rcBounds.left, (static_cast<int>(mode.Width) - 300) / 2);
  EXPECT_EQ(CountPictureMismatches(scene.Read(), pic, scene.m_document, 1), 0);

  canvas.LeaveFullScreen();
  EXPECT_FALSE(canvas.IsFullScreen());
  EXPECT_EQ(::GetParent(canvas), static_cast<HWND>(scene.m_host));
  EXPECT_TRUE(::IsWindowVisible(scene.m_host));
  EXPECT_EQ(canvas.BackBufferWidth(), 640u);
  EXPECT_EQ(scene.m_document.m_rcBounds.left, 170);
  EXPECT_EQ(CountPictureMismatches(scene.Read(), pic, scene.m_document, 1), 0);
}

TEST(CanvasWindow, ZeroSizedParentStillGetsABackBuffer) {
  CCanvasScene scene(0, 0, false);
  ASSERT_TRUE(scene.Ready());
  EXPECT_EQ(scene.m_canvas.BackBufferWidth(), 32u);
  EXPECT_EQ(scene.m_canvas.BackBufferHeight(), 32u);
}

TEST(CanvasWindow, WithoutAnActiveDocumentOnlyTheBackgroundIsDrawn) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  scene.m_canvas.SetBackgroundColor(0x00336699);  // alpha 0 becomes opaque
  EXPECT_EQ(scene.m_canvas.m_clrBackground, 0xFF336699u);
  scene.Show(Noise(300, 200, 2));
  EXPECT_EQ(scene.m_canvas.DetachElement(&scene.m_document), S_OK);
  EXPECT_EQ(scene.m_canvas.m_pActiveImage, nullptr);
  CReadBack rb = scene.Read();
  int other = 0;
  for (uint32_t px : rb.pixels) other += px != 0x336699u;
  EXPECT_EQ(other, 0);
  EXPECT_EQ(scene.m_canvas.DetachElement(nullptr), E_INVALIDARG);
}

TEST(CanvasWindow, ValueFormatFollowsTheDecimalPrecision) {
  CDirectUI canvas;
  EXPECT_STREQ(canvas.GetValueFormat(), L"%.3f");
  canvas.SetDecimalPrecision(1);
  EXPECT_STREQ(canvas.GetValueFormat(), L"%.1f");
}

}  // namespace

namespace {

using namespace canvas_test;

TEST(CanvasWindow, RegionRectangleShadesThePictureAroundIt) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CPicture pic{200, 100, std::vector<uint32_t>(200 * 100, 0xFFC8C8C8u)};
  scene.Show(pic);
  CDTImage& doc = scene.m_document;
  doc.SetZoomMode(1, 1.0f);
  scene.m_canvas.SetTool(DRAW_REGION);
  doc.m_rcRegion = {50, 20, 150, 80};
  const int ox = doc.m_rcBounds.left, oy = doc.m_rcBounds.top;
  CReadBack rb = scene.Read();
  EXPECT_EQ(rb.At(ox + 100, oy + 50), 0xC8C8C8u) << "inside: untouched";
  const uint32_t shaded = rb.At(ox + 10, oy + 50);
  EXPECT_NEAR(static_cast<int>(shaded & 0xFF), 0x64, 2) << "outside: half-black";
  EXPECT_EQ(rb.At(ox + 100, oy + 5), shaded);
  EXPECT_EQ(rb.At(ox + 190, oy + 90), shaded);
  EXPECT_EQ(rb.At(ox - 5, oy + 50), 0u) << "beside the picture: background";
  EXPECT_EQ(rb.At(ox + 100, oy + 20), 0x808080u) << "the outline";
}

}  // namespace
