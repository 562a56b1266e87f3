// Frames and tile frames reaching a document from other threads, as cameras
// deliver them: each call returns only after the canvas thread took the pixels.

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine/figures/Ruler.h"
#include "tests/engine/canvas_fixture.h"

namespace {

using namespace canvas_test;

// Pumps the canvas thread's messages until every worker has finished.
void PumpUntilJoined(std::vector<std::thread>& workers, const std::atomic<int>& done) {
  while (done.load() < static_cast<int>(workers.size())) {
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    Pump();
  }
  for (std::thread& t : workers) t.join();
}

// The document's frame surface as picture pixels.
CPicture ReadFrameSurface(CDTImage& doc) {
  CPicture out{doc.m_nWidth, doc.m_nHeight, std::vector<uint32_t>(static_cast<size_t>(doc.m_nWidth) * doc.m_nHeight)};
  D3DLOCKED_RECT lr;
  if (!doc.LockFrame(&lr)) return {};
  for (int y = 0; y < doc.m_nHeight; ++y)
    std::memcpy(&out.pixels[static_cast<size_t>(y) * doc.m_nWidth], static_cast<BYTE*>(lr.pBits) + y * lr.Pitch,
                static_cast<size_t>(doc.m_nWidth) * 4);
  doc.UnlockFrame();
  return out;
}

TEST(CanvasFrames, FourCameraThreadsFillATwoByTwoLayout) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CDTImage& doc = scene.m_document;
  constexpr int kW = 150, kH = 110;
  doc.SetLayout(4, kW, kH);
  ASSERT_EQ(doc.m_nWidth, 2 * kW);
  ASSERT_EQ(doc.m_nHeight, 2 * kH);
  doc.SetZoomMode(1, 1.0f);

  std::vector<CPicture> frames;
  for (int t = 0; t < 4; ++t) frames.push_back(Noise(kW, kH, 100 + t));
  std::atomic<int> done{0};
  std::vector<std::thread> workers;
  for (int t = 0; t < 4; ++t) {
    workers.emplace_back([&, t] {
      std::vector<uint32_t> source = frames[static_cast<size_t>(t)].pixels;
      for (int repeat = 0; repeat < 3; ++repeat) {
        doc.UploadTileFrame(L"timer", source.data(), kW, kH, kW * 4, t, 0, 0, FALSE);
        // The canvas copied the frame before the call returned: scribbling
        // over the source now must not reach the picture.
        std::fill(source.begin(), source.end(), 0xFF00FF00u);
        source = frames[static_cast<size_t>(t)].pixels;
      }
      std::fill(source.begin(), source.end(), 0xFF00FF00u);
      done++;
    });
  }
  PumpUntilJoined(workers, done);

  CReadBack rb = scene.Read();
  const int ox = doc.m_rcBounds.left, oy = doc.m_rcBounds.top;
  const POINT origin[4] = {{0, 0}, {kW, 0}, {0, kH}, {kW, kH}};
  for (int t = 0; t < 4; ++t) {
    SCOPED_TRACE(t);
    int bad = 0;
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        bad +=
            rb.At(ox + origin[t].x + x, oy + origin[t].y + y) != (frames[static_cast<size_t>(t)].At(x, y) & 0xFFFFFF);
    EXPECT_EQ(bad, 0);
  }
}

TEST(CanvasFrames, TileCopiesAreClippedToThePicture) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CDTImage& doc = scene.m_document;
  doc.SetLayout(2, 100, 80);  // a 200 x 80 picture, tile 1 at (100, 0)
  const CPicture big = Noise(150, 100, 4);
  // Larger than the tile and reaching past the right, top and bottom edges.
  doc.UploadTileFrame(nullptr, big.pixels.data(), 150, 100, 150 * 4, 1, 20, -10, FALSE);
  // Wholly outside: nothing to copy.
  doc.UploadTileFrame(nullptr, big.pixels.data(), 150, 100, 150 * 4, 0, -500, 0, FALSE);
  CPicture surface = ReadFrameSurface(doc);
  ASSERT_EQ(surface.width, 200);
  for (int y = 0; y < 80; ++y)
    for (int x = 0; x < 200; ++x) {
      const uint32_t expected = x >= 120 ? big.At(x - 120, y + 10) : 0u;
      ASSERT_EQ(surface.At(x, y), expected) << x << "," << y;
    }
}

TEST(CanvasFrames, TileFramesFollowTheLayout) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CDTImage& doc = scene.m_document;
  const CPicture frame = Noise(64, 48, 8);

  // A tile beyond the layout is ignored.
  doc.SetLayout(2, 64, 48);
  doc.UploadTileFrame(nullptr, frame.pixels.data(), 64, 48, 64 * 4, 2, 0, 0, FALSE);
  EXPECT_FALSE(doc.m_pFrame);

  // With one tile a tile frame is a whole frame, turned over when bottom-up.
  doc.SetLayout(1, 64, 48);
  doc.UploadTileFrame(nullptr, frame.pixels.data(), 64, 48, 64 * 4, 0, 0, 0, TRUE);
  CPicture surface = ReadFrameSurface(doc);
  ASSERT_EQ(surface.height, 48);
  EXPECT_EQ(surface.At(5, 0), frame.At(5, 47));
  EXPECT_EQ(surface.At(5, 47), frame.At(5, 0));

  // Negative tile numbers count as tile 0, bottom-up rows reversed in the tile.
  doc.SetLayout(2, 64, 48);
  doc.UploadTileFrame(nullptr, frame.pixels.data(), 64, 48, 64 * 4, -3, 0, 0, TRUE);
  surface = ReadFrameSurface(doc);
  EXPECT_EQ(surface.At(3, 0), frame.At(3, 47));
  EXPECT_EQ(surface.At(64 + 3, 0), 0u);
}

TEST(CanvasFrames, LayoutSizesThePictureOnce) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CDTImage& doc = scene.m_document;
  struct Case {
    int tiles, w, h, width, height;
  } cases[] = {{1, 640, 480, 640, 480},
               {2, 640, 480, 1280, 480},
               {3, 640, 480, 1280, 960},
               {9, 320, 200, 640, 400},
               {0, 320, 200, 320, 200}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tiles);
    scene.m_observer.m_events.clear();
    doc.SetLayout(c.tiles, c.w, c.h);
    EXPECT_EQ(doc.m_nWidth, c.width);
    EXPECT_EQ(doc.m_nHeight, c.height);
    EXPECT_EQ(scene.m_observer.Count("ImageResized"), 1);
    doc.SetLayout(c.tiles, c.w, c.h);
    EXPECT_EQ(scene.m_observer.Count("ImageResized"), 1) << "the same layout again changes nothing";
  }
  doc.SetLayout(4, 0, 100);  // no size: ignored
  EXPECT_EQ(doc.m_nWidth, 320);
}

TEST(CanvasFrames, NewFrameSizeResetsTheRegionAndReportsOnce) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CDTImage& doc = scene.m_document;
  scene.Show(Noise(300, 200, 1));
  EXPECT_EQ(scene.m_observer.Count("ImageResized"), 1);
  doc.m_rcRegion = {1, 2, 3, 4};
  scene.Show(Noise(300, 200, 2));  // same size: region kept
  EXPECT_EQ(doc.m_rcRegion.right, 3);
  scene.Show(Noise(101, 203, 3));
  EXPECT_EQ(scene.m_observer.Count("ImageResized"), 2);
  EXPECT_EQ(doc.m_rcRegion.left, 101 / 4);
  EXPECT_EQ(doc.m_rcRegion.top, 203 / 4);
  EXPECT_EQ(doc.m_rcRegion.right, 3 * 101 / 4);
  EXPECT_EQ(doc.m_rcRegion.bottom, 3 * 203 / 4);
}

TEST(CanvasFrames, UnusableFramesAreDropped) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CDTImage& doc = scene.m_document;
  const CPicture frame = Noise(32, 16, 1);
  struct Case {
    const void* pixels;
    int width, height, stride;
  } cases[] = {{nullptr, 32, 16, 128},
               {frame.pixels.data(), 0, 16, 128},
               {frame.pixels.data(), 32, -1, 128},
               {frame.pixels.data(), 32, 16, 64}};
  for (const Case& c : cases) {
    doc.UploadFrame(c.pixels, c.width, c.height, c.stride, nullptr);
    EXPECT_EQ(doc.m_nWidth, 0);
    EXPECT_FALSE(doc.m_pFrame);
  }
  CDTImage detached;
  EXPECT_EQ(detached.UploadFrame(frame.pixels.data(), 32, 16, 128, nullptr), 0);
  EXPECT_EQ(detached.m_nWidth, 0);
}

TEST(CanvasFrames, FrameTextReachesInfoLineZeroWhenItIsShown) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CDTImage& doc = scene.m_document;
  const CPicture frame = Noise(32, 16, 1);
  doc.UploadFrame(frame.pixels.data(), 32, 16, 128, L"00:01");
  EXPECT_TRUE(scene.m_canvas.m_infoLines[0].m_strText.empty());
  doc.ShowInfoLine(0);
  doc.UploadFrame(frame.pixels.data(), 32, 16, 128, L"00:02");
  EXPECT_EQ(scene.m_canvas.m_infoLines[0].m_strText, L"00:02");
  doc.ShowInfoLine(7);  // clamped to the last line
  EXPECT_EQ(scene.m_canvas.m_infoLines[3].m_bShown, 1);
  doc.HideInfoLine(-2);
  EXPECT_EQ(scene.m_canvas.m_infoLines[0].m_bShown, 0);
}

}  // namespace

namespace {

using namespace canvas_test;

TEST(CanvasFrames, SlideShowThreadWritesTheFrameSurfaceDirectly) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CDTImage& doc = scene.m_document;
  D3DLOCKED_RECT lr;
  EXPECT_FALSE(doc.LockFrame(&lr)) << "no surface before the first frame";
  scene.Show(Noise(120, 90, 1));
  doc.SetZoomMode(1, 1.0f);

  // The worker writes while the canvas thread keeps uploading and drawing.
  std::atomic<int> done{0};
  std::vector<std::thread> workers;
  workers.emplace_back([&] {
    for (int i = 0; i < 20; ++i) {
      D3DLOCKED_RECT locked;
      if (!doc.LockFrame(&locked)) continue;
      for (int y = 0; y < 90; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch);
        std::fill(row, row + 120, 0xFF204060u);
      }
      doc.UnlockFrame();
    }
    done++;
  });
  const CPicture other = Noise(120, 90, 2);
  while (done.load() < 1) {
    doc.UploadFrame(other.pixels.data(), 120, 90, 120 * 4, nullptr);
    Pump();
  }
  for (std::thread& t : workers) t.join();
  // A last slide after the uploads stopped is what the canvas shows.
  ASSERT_TRUE(doc.LockFrame(&lr));
  for (int y = 0; y < 90; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch);
    std::fill(row, row + 120, 0xFF204060u);
  }
  doc.UnlockFrame();
  CReadBack rb = scene.Read();
  EXPECT_EQ(rb.At(doc.m_rcBounds.left + 60, doc.m_rcBounds.top + 45), 0x204060u);
}

// Counts the window pixels of a picture shown at actual size that differ
// from it, over the part of the picture the window shows (the calibration
// ruler hidden: only the picture counts).
int DiffersAtActualSize(const CReadBack& rb, const CDTImage& doc, const CPicture& picture) {
  int bad = 0;
  for (int y = 0; y < rb.height; ++y)
    for (int x = 0; x < rb.width; ++x) {
      const int px = x - doc.m_rcBounds.left, py = y - doc.m_rcBounds.top;
      if (px < 0 || py < 0 || px >= picture.width || py >= picture.height) continue;
      bad += rb.At(x, y) != (picture.At(px, py) & 0xFFFFFF);
    }
  return bad;
}

// The canvas keeps picture cells in textures between frames: every way the
// picture changes must reach the screen, and a reset device or a second
// document must not show stale cells.
TEST(CanvasFrames, CellsKeptBetweenFramesFollowEveryChange) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CDTImage& doc = scene.m_document;
  const CPicture first = Noise(600, 400, 11);
  scene.Show(first);
  doc.m_pRuler->m_bVisible = 0;
  doc.SetZoomMode(1, 1.0f);
  EXPECT_EQ(DiffersAtActualSize(scene.Read(), doc, first), 0);
  EXPECT_EQ(DiffersAtActualSize(scene.Read(), doc, first), 0) << "drawn again from the kept cells";

  const CPicture second = Noise(600, 400, 12);
  scene.Show(second);
  EXPECT_EQ(DiffersAtActualSize(scene.Read(), doc, second), 0) << "a new frame of the same size";

  // A tile frame over part of a two-tile layout, then a direct write.
  doc.SetLayout(2, 300, 400);
  const CPicture left = Noise(300, 400, 13), right = Noise(300, 400, 14);
  doc.UploadTileFrame(nullptr, left.pixels.data(), 300, 400, 300 * 4, 0, 0, 0, FALSE);
  doc.UploadTileFrame(nullptr, right.pixels.data(), 300, 400, 300 * 4, 1, 0, 0, FALSE);
  CPicture joined{600, 400, std::vector<uint32_t>(600 * 400)};
  for (int y = 0; y < 400; ++y)
    for (int x = 0; x < 600; ++x)
      joined.pixels[static_cast<size_t>(y) * 600 + x] = x < 300 ? left.At(x, y) : right.At(x - 300, y);
  doc.SetZoomMode(1, 1.0f);
  EXPECT_EQ(DiffersAtActualSize(scene.Read(), doc, joined), 0) << "tile frames";
  const CPicture patch = Noise(300, 400, 15);
  doc.UploadTileFrame(nullptr, patch.pixels.data(), 300, 400, 300 * 4, 1, 0, 0, FALSE);
  for (int y = 0; y < 400; ++y)
    for (int x = 300; x < 600; ++x) joined.pixels[static_cast<size_t>(y) * 600 + x] = patch.At(x - 300, y);
  EXPECT_EQ(DiffersAtActualSize(scene.Read(), doc, joined), 0) << "one tile replaced";
  D3DLOCKED_RECT lr;
  ASSERT_TRUE(doc.LockFrame(&lr));
  for (int y = 0; y < 400; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(static_cast<BYTE*>(lr.pBits) + y * lr.Pitch);
    std::copy(&first.pixels[static_cast<size_t>(y) * 600], &first.pixels[static_cast<size_t>(y) * 600] + 600, row);
  }
  doc.UnlockFrame();
  EXPECT_EQ(DiffersAtActualSize(scene.Read(), doc, first), 0) << "written through LockFrame";

  ASSERT_TRUE(SUCCEEDED(scene.m_canvas.ResetDevice(640, 480)));
  EXPECT_EQ(DiffersAtActualSize(scene.Read(), doc, first), 0) << "after a device reset";

  // A second document with its own picture, then the first one again.
  CDTImage other;
  RECT rc{0, 0, 800, 600};
  other.Create(&scene.m_canvas, nullptr, L"other", &rc);
  scene.m_canvas.SetActiveImage(&other, TRUE);
  const CPicture third = Noise(600, 400, 16);
  other.UploadFrame(third.pixels.data(), 600, 400, 600 * 4, nullptr);
  other.m_pRuler->m_bVisible = 0;
  other.SetZoomMode(1, 1.0f);
  EXPECT_EQ(DiffersAtActualSize(scene.Read(), other, third), 0) << "second document";
  scene.m_canvas.SetActiveImage(&doc, TRUE);
  EXPECT_EQ(DiffersAtActualSize(scene.Read(), doc, first), 0) << "first document again";
  scene.m_canvas.DetachElement(&other);
}

// A picture with more cells than the canvas keeps draws its first cells from
// textures and the rest as before; both parts show the right pixels.
TEST(CanvasFrames, PictureLargerThanTheKeptCellsShowsEveryPart) {
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CDTImage& doc = scene.m_document;
  const CPicture big = Noise(25 * 256, 16 * 256 + 40, 21);  // 425 cells
  scene.Show(big);
  doc.m_pRuler->m_bVisible = 0;
  doc.SetZoomMode(1, 1.0f);
  EXPECT_EQ(DiffersAtActualSize(scene.Read(), doc, big), 0) << "top left";
  doc.PanBy(-(big.width - 640), -(big.height - 480));
  scene.m_canvas.Repaint();
  ASSERT_LT(doc.m_rcBounds.top, -3000);
  EXPECT_EQ(DiffersAtActualSize(scene.Read(), doc, big), 0) << "bottom right";
  EXPECT_EQ(DiffersAtActualSize(scene.Read(), doc, big), 0) << "bottom right, again";
}

}  // namespace
