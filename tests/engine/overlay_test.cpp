// The canvas overlays read back from the real window: grid, cross-hair,
// magnifier, histogram and info lines. Pictures the Python check compares with
// PIL and numpy are written into the test's work folder.

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/figures/Label.h"
#include "engine/figures/Ruler.h"
#include "tests/engine/canvas_fixture.h"

namespace {

using namespace canvas_test;

CPicture Uniform(int width, int height, uint32_t colour) {
  return {width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height, colour)};
}

void WriteBytes(const std::string& path, const void* data, size_t size) {
  std::ofstream(path, std::ios::binary).write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

// The read-back frame's RGB bytes of a rectangle.
void WriteRegion(const std::string& path, const CReadBack& frame, int left, int top, int width, int height) {
  std::vector<unsigned char> rgb;
  for (int y = top; y < top + height; ++y)
    for (int x = left; x < left + width; ++x) {
      const uint32_t p = frame.At(x, y);
      rgb.push_back(static_cast<unsigned char>(p >> 16));
      rgb.push_back(static_cast<unsigned char>(p >> 8));
      rgb.push_back(static_cast<unsigned char>(p));
    }
  WriteBytes(path, rgb.data(), rgb.size());
}

std::set<int> LitColumns(const CReadBack& frame, int y, uint32_t background) {
  std::set<int> out;
  for (int x = 0; x < frame.width; ++x)
    if (frame.At(x, y) != background) out.insert(x);
  return out;
}

std::set<int> LitRows(const CReadBack& frame, int x, uint32_t background) {
  std::set<int> out;
  for (int y = 0; y < frame.height; ++y)
    if (frame.At(x, y) != background) out.insert(y);
  return out;
}

void MoveMouse(CDirectUI& canvas, int x, int y) { ::SendMessageW(canvas.m_hWnd, WM_MOUSEMOVE, 0, MAKELPARAM(x, y)); }

// ---- Grid and cross-hair ---------------------------------------------------------

TEST(CanvasOverlays, GridLinesFallEverySpacingAndSpacingsBelowOneAreIgnored) {
  CCanvasScene scene(100, 60);
  ASSERT_TRUE(scene.Ready());
  scene.m_document.m_pRuler->m_bVisible = 0;
  scene.Show(Uniform(100, 60, 0xFF000000));
  ASSERT_EQ(scene.m_document.m_fZoom, 1.0f);
  scene.m_canvas.ShowGrid(TRUE);
  scene.m_canvas.SetGridColor(0xFFFFFFFF);
  CReadBack frame = scene.Read();
  EXPECT_EQ(LitRows(frame, 10, 0), (std::set<int>{25, 50}));
  EXPECT_EQ(LitColumns(frame, 10, 0), (std::set<int>{25, 50, 75}));
  EXPECT_EQ(frame.At(25, 25), 0xFFFFFFu);

  // A spacing of 0 would loop for ever; negative ones likewise wrap around.
  for (int spacing : {0, -3}) {
    scene.m_canvas.SetGridWeight(spacing);
    EXPECT_EQ(scene.m_canvas.m_grid.m_nWeight, 25);
  }
  scene.m_canvas.SetGridWeight(40);
  frame = scene.Read();
  EXPECT_EQ(LitRows(frame, 10, 0), (std::set<int>{40}));
  EXPECT_EQ(LitColumns(frame, 10, 0), (std::set<int>{40, 80}));

  // The default colour is grey at alpha 191 over the black picture.
  scene.m_canvas.SetGridColor(0xBF808080);
  frame = scene.Read();
  const uint32_t grey = frame.At(40, 10);
  EXPECT_NEAR(static_cast<int>(grey & 0xFF), 96, 1);
  EXPECT_EQ(grey, 0x010101u * (grey & 0xFF));

  scene.m_canvas.ShowGrid(FALSE);
  frame = scene.Read();
  EXPECT_TRUE(LitRows(frame, 10, 0).empty());
}

TEST(CanvasOverlays, CrossHairAtTheCentreOrOnTheCursorWhileTracking) {
  struct Case {
    int width, height;
    std::set<int> columns, rows;  // a line on a half pixel may light either neighbour
  };
  const Case cases[] = {{100, 60, {49, 50}, {29, 30}}, {101, 61, {49, 50}, {29, 30}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    CCanvasScene scene(c.width, c.height);
    ASSERT_TRUE(scene.Ready());
    scene.m_document.m_pRuler->m_bVisible = 0;
    scene.Show(Uniform(c.width, c.height, 0xFF000000));
    scene.m_canvas.ShowCross(TRUE);
    CReadBack frame = scene.Read();
    const std::set<int> columns = LitColumns(frame, 10, 0), rows = LitRows(frame, 10, 0);
    ASSERT_EQ(columns.size(), 1u);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(c.columns.count(*columns.begin())) << *columns.begin();
    EXPECT_TRUE(c.rows.count(*rows.begin())) << *rows.begin();
    EXPECT_EQ(frame.At(*columns.begin(), 5), 0xFF0000u);

    scene.m_canvas.SetCrossColor(0xFF00FF00);
    scene.m_canvas.SetCrossTrack(TRUE);
    // Tracking with the cursor outside draws nothing.
    frame = scene.Read();
    EXPECT_TRUE(LitColumns(frame, 10, 0).empty());
    MoveMouse(scene.m_canvas, 20, 40);
    frame = scene.Read();
    const std::set<int> tracked = LitColumns(frame, 5, 0), trackedRows = LitRows(frame, 5, 0);
    ASSERT_EQ(tracked.size(), 1u);
    ASSERT_EQ(trackedRows.size(), 1u);
    EXPECT_TRUE(*tracked.begin() == 19 || *tracked.begin() == 20) << *tracked.begin();
    EXPECT_TRUE(*trackedRows.begin() == 39 || *trackedRows.begin() == 40) << *trackedRows.begin();
    EXPECT_EQ(frame.At(*tracked.begin(), 5), 0x00FF00u);
    ::ReleaseCapture();
  }
}

// ---- Magnifier ---------------------------------------------------------------------

// Writes the magnifier's box for the PIL comparison: picture, point, box.
TEST(CanvasOverlays, MagnifierBoxIsTheNearestNeighbourEnlargementForThePythonCheck) {
  constexpr int kW = 320, kH = 240;
  CCanvasScene scene(kW, kH);
  ASSERT_TRUE(scene.Ready());
  scene.m_document.m_pRuler->m_bVisible = 0;
  const CPicture picture = Noise(kW, kH, 7);
  scene.Show(picture);
  ASSERT_EQ(scene.m_document.m_fZoom, 1.0f);
  WriteBytes("overlay_magnifier_picture.bin", picture.pixels.data(), picture.pixels.size() * 4);
  scene.m_canvas.ShowMagnifier(TRUE);
  EXPECT_EQ(scene.m_canvas.m_magnifier.m_nDisplay, 64);
  EXPECT_EQ(scene.m_canvas.m_magnifier.m_nWeight, 3);
  FILE* info = std::fopen("overlay_magnifier_case.txt", "w");
  ASSERT_NE(info, nullptr);
  std::fprintf(info, "%d %d\n", kW, kH);
  // Centre, near the left edge (picture shifted right over cleared texture), near the top.
  const POINT points[] = {{160, 120}, {10, 120}, {200, 5}};
  for (size_t i = 0; i < 3; ++i) {
    scene.m_canvas.SetMagnifierPoint(points[i].x, points[i].y);
    const CReadBack frame = scene.Read();
    const RECT& src = scene.m_canvas.m_magnifier.m_rcSource;
    EXPECT_EQ(src.bottom - src.top, std::min<LONG>(42, points[i].y + 21)) << i;
    // The box sits in the bottom-left corner: 128 x 128.
    WriteRegion("overlay_magnifier_" + std::to_string(i) + ".bin", frame, 0, kH - 128, 128, 128);
    std::fprintf(info, "%ld %ld\n", points[i].x, points[i].y);
  }
  std::fclose(info);
}

TEST(CanvasOverlays, MagnifierHalfSizeCommandAndAPointOffThePictureDrawsNothing) {
  CCanvasScene scene(320, 240);
  ASSERT_TRUE(scene.Ready());
  scene.m_document.m_pRuler->m_bVisible = 0;
  scene.Show(Noise(320, 240, 3));
  const CReadBack plain = scene.Read();
  scene.m_canvas.ShowMagnifier(TRUE);
  for (POINT p : {POINT{-200, 120}, POINT{160, 400}, POINT{500, 120}, POINT{160, -30}}) {
    scene.m_canvas.SetMagnifierPoint(p.x, p.y);
    const CReadBack frame = scene.Read();
    EXPECT_EQ(frame.pixels, plain.pixels) << p.x << "," << p.y;
  }
  // Half size 32: the box is 64 square, its grey border on the top edge at y = 240 - 64.
  scene.m_canvas.SetMagnifierDisplay(32);
  scene.m_canvas.SetMagnifierPoint(160, 120);
  CReadBack frame = scene.Read();
  EXPECT_EQ(frame.At(20, 176), 0x808080u);
  EXPECT_NE(frame.At(20, 175), 0x808080u);
  EXPECT_EQ(frame.At(20, 170), plain.At(20, 170));
  EXPECT_NE(frame.At(100, 200), 0x808080u);
  EXPECT_EQ(frame.At(100, 200), plain.At(100, 200));
  // Following the mouse: the box is centred on the cursor.
  scene.m_canvas.SetMagnifierMouse(TRUE);
  MoveMouse(scene.m_canvas, 200, 100);
  frame = scene.Read();
  EXPECT_EQ(frame.At(180, 68), 0x808080u);  // top border at 100 - 32
  EXPECT_EQ(frame.At(20, 176), plain.At(20, 176));
  ::ReleaseCapture();
}

// ---- Histogram ---------------------------------------------------------------------

// Counts of noise frames of odd sizes and strides, for numpy's bincount.
TEST(CanvasOverlays, HistogramCountsOfOddFramesForTheNumpyCheck) {
  CCanvasScene scene(320, 240);
  ASSERT_TRUE(scene.Ready());
  CHistogram& histogram = scene.m_canvas.m_histogram;
  histogram.SetShown(true);
  struct Case {
    int width, height, pad;  // pad: bytes after each row
    bool bottomUp;
  };
  const Case cases[] = {{37, 23, 12, false}, {1, 1, 0, false}, {333, 101, 4, true}, {640, 7, 0, false}};
  FILE* info = std::fopen("overlay_histogram_case.txt", "w");
  ASSERT_NE(info, nullptr);
  int index = 0;
  for (const Case& c : cases) {
    const int stride = c.width * 4 + c.pad;
    std::vector<uint8_t> bytes(static_cast<size_t>(stride) * c.height, 0xEE);
    const CPicture noise = Noise(c.width, c.height, 50 + index);
    for (int y = 0; y < c.height; ++y) {
      std::memcpy(&bytes[static_cast<size_t>(y) * stride], &noise.pixels[static_cast<size_t>(y) * c.width],
                  static_cast<size_t>(c.width) * 4);
      // Every value turns up, 255 among them, and the padding must not be counted.
      if (y == 0) bytes[0] = bytes[1] = bytes[2] = 255;
    }
    const uint8_t* first = bytes.data();
    int pitch = stride;
    if (c.bottomUp) {
      first = bytes.data() + static_cast<size_t>(stride) * (c.height - 1);
      pitch = -stride;
    }
    ASSERT_TRUE(histogram.SetFrame(&scene.m_document, first, c.width, c.height, pitch));
    const CHistogramBins& bins = scene.m_document.m_histogramBins;
    ASSERT_TRUE(bins.m_bComputed);
    const std::string name = "overlay_histogram_" + std::to_string(index);
    WriteBytes(name + "_frame.bin", bytes.data(), bytes.size());
    std::vector<uint32_t> counts(bins.m_pRed, bins.m_pRed + 255);
    counts.insert(counts.end(), bins.m_pGreen, bins.m_pGreen + 255);
    counts.insert(counts.end(), bins.m_pBlue, bins.m_pBlue + 255);
    WriteBytes(name + "_counts.bin", counts.data(), counts.size() * 4);
    std::fprintf(info, "%d %d %d %.1f %.1f %.1f\n", c.width, c.height, stride, bins.m_fMaxRed, bins.m_fMaxGreen,
                 bins.m_fMaxBlue);
    ++index;
  }
  std::fclose(info);
}

TEST(CanvasOverlays, HistogramBuffersGrowByHalfOnlyWhenAFrameOutgrowsThem) {
  CCanvasScene scene(320, 240);
  ASSERT_TRUE(scene.Ready());
  CHistogram& histogram = scene.m_canvas.m_histogram;
  const CPicture big = Noise(200, 100, 1);
  struct Step {
    int width, height, capacityWidth, capacityHeight;
  };
  const Step steps[] = {{64, 32, 96, 48}, {96, 48, 96, 48}, {97, 32, 145, 48}, {10, 10, 145, 48}, {145, 49, 217, 73}};
  for (const Step& s : steps) {
    ASSERT_TRUE(histogram.SetFrame(&scene.m_document, big.pixels.data(), s.width, s.height, 200 * 4));
    EXPECT_EQ(histogram.m_nCapacityWidth, s.capacityWidth) << s.width << "x" << s.height;
    EXPECT_EQ(histogram.m_nCapacityHeight, s.capacityHeight) << s.width << "x" << s.height;
    // Hidden: copied, not counted.
    EXPECT_FALSE(scene.m_document.m_histogramBins.m_bComputed);
    ASSERT_TRUE(histogram.Compute(&scene.m_document));
    uint32_t total = 0;
    for (int i = 0; i < 255; ++i) total += scene.m_document.m_histogramBins.m_pGreen[i];
    uint32_t expected = 0;
    for (int y = 0; y < s.height; ++y)
      for (int x = 0; x < s.width; ++x) expected += ((big.At(x, y) >> 8) & 0xFF) != 255;
    EXPECT_EQ(total, expected);
  }
  histogram.ReleaseBuffers();
  EXPECT_EQ(histogram.m_nCapacityWidth, 0);
  EXPECT_FALSE(histogram.Compute(&scene.m_document));
}

TEST(CanvasOverlays, HistogramPanelAndCurvesOfAUniformFrame) {
  CCanvasScene scene(300, 200);
  ASSERT_TRUE(scene.Ready());
  scene.m_document.m_pRuler->m_bVisible = 0;
  scene.Show(Uniform(300, 200, 0xFF808080));
  scene.m_canvas.ShowHistogram(TRUE);
  CReadBack frame = scene.Read();
  const CHistogramBins& bins = scene.m_document.m_histogramBins;
  ASSERT_TRUE(bins.m_bComputed);
  EXPECT_EQ(bins.m_pRed[128], 300u * 200u);
  EXPECT_EQ(bins.m_fMaxBlue, 60000.0f);
  // The half-transparent panel covers x 40 to 295.
  const uint32_t dark = frame.At(100, 60);
  EXPECT_NEAR(static_cast<int>(dark & 0xFF), 64, 1);
  EXPECT_EQ(frame.At(40, 60), dark);
  EXPECT_EQ(frame.At(294, 60), dark);
  EXPECT_EQ(frame.At(39, 60), 0x808080u);
  EXPECT_EQ(frame.At(295, 60), 0x808080u);
  EXPECT_EQ(frame.At(100, 5), 0x808080u);
  // Flat curves at y0 + 128 = 134 (blue is drawn last), a spike at x0 + 128 = 168.
  for (int x : {45, 100, 160, 200, 290}) EXPECT_EQ(frame.At(x, 134), 0x0000FFu) << x;
  std::set<int> spike;
  for (int x : LitColumns(frame, 60, frame.At(100, 60)))
    if (x >= 40 && x < 295) spike.insert(x);
  ASSERT_FALSE(spike.empty());
  EXPECT_GE(*spike.begin(), 166);
  EXPECT_LE(*spike.rbegin(), 170);
  EXPECT_EQ(frame.At(*spike.begin(), 60), 0x0000FFu);

  // Every pixel 255: no channel has a counted pixel, and each curve lies flat on the baseline.
  scene.Show(Uniform(300, 200, 0xFFFFFFFF));
  frame = scene.Read();
  EXPECT_EQ(bins.m_fMaxRed, 0.0f);
  for (int x : {45, 168, 290}) EXPECT_EQ(frame.At(x, 134), 0x0000FFu) << x;
  for (int x : LitColumns(frame, 60, frame.At(100, 60))) EXPECT_TRUE(x < 40 || x >= 295) << x;
}

TEST(CanvasOverlays, HistogramOfAFrameThatCameWhileHiddenAndOfEachDocument) {
  CCanvasScene scene(320, 240);
  ASSERT_TRUE(scene.Ready());
  CDTImage second;
  RECT rc{0, 0, 100, 100};
  ASSERT_TRUE(SUCCEEDED(second.Create(&scene.m_canvas, nullptr, L"second", &rc)));
  const CPicture dark = Uniform(64, 48, 0xFF102030), light = Uniform(80, 40, 0xFFC0B0A0);
  scene.Show(dark);
  second.UploadFrame(light.pixels.data(), 80, 40, 80 * 4, nullptr);
  EXPECT_FALSE(scene.m_document.m_histogramBins.m_bComputed);
  EXPECT_FALSE(second.m_histogramBins.m_bComputed);
  // The buffers now hold the second document: the first's bins come from its own frame at the first draw.
  scene.m_canvas.ShowHistogram(TRUE);
  scene.Read();
  const CHistogramBins& first = scene.m_document.m_histogramBins;
  ASSERT_TRUE(first.m_bComputed);
  EXPECT_EQ(first.m_pRed[0x10], 64u * 48u);
  EXPECT_EQ(first.m_pBlue[0x30], 64u * 48u);
  EXPECT_FALSE(second.m_histogramBins.m_bComputed);
  scene.m_canvas.SetActiveImage(&second, TRUE);
  scene.Read();
  ASSERT_TRUE(second.m_histogramBins.m_bComputed);
  EXPECT_EQ(second.m_histogramBins.m_pGreen[0xB0], 80u * 40u);
  EXPECT_EQ(first.m_pRed[0x10], 64u * 48u);  // untouched
  // Shown, every frame is counted as it arrives.
  second.UploadFrame(dark.pixels.data(), 64, 48, 64 * 4, nullptr);
  EXPECT_TRUE(second.m_histogramBins.m_bComputed);
  EXPECT_EQ(second.m_histogramBins.m_pGreen[0x20], 64u * 48u);
  scene.m_canvas.SetActiveImage(&scene.m_document, TRUE);
  scene.m_canvas.DetachElement(&second);
  EXPECT_EQ(scene.m_canvas.m_histogram.m_pDocument, nullptr);
}

// ---- Info lines --------------------------------------------------------------------

const wchar_t kFace[] = L"Liberation Sans";

bool WriteFaceFile(const wchar_t* face, const char* path) {
  HDC dc = ::GetDC(nullptr);
  HFONT font = ::CreateFontW(0, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
  HGDIOBJ old = ::SelectObject(dc, font);
  const DWORD size = ::GetFontData(dc, 0, 0, nullptr, 0);
  std::vector<char> data(size == GDI_ERROR ? 0 : size);
  const bool ok = size != GDI_ERROR && ::GetFontData(dc, 0, 0, data.data(), size) == size;
  ::SelectObject(dc, old);
  ::DeleteObject(font);
  ::ReleaseDC(nullptr, dc);
  if (ok) WriteBytes(path, data.data(), data.size());
  return ok;
}

TEST(CanvasOverlays, InfoLineTwoDrawsRedGlyphsFromRow108ForTheFreeTypeCheck) {
  CCanvasScene scene(400, 300);
  ASSERT_TRUE(scene.Ready());
  ASSERT_TRUE(WriteFaceFile(kFace, "overlay_info_face.ttf"));
  scene.m_document.m_pRuler->m_bVisible = 0;
  CInfoLine& line = scene.m_canvas.m_infoLines[2];
  // The face command gives the lines their font of that face.
  scene.m_canvas.SetFontFace(kFace);
  ASSERT_NE(line.m_pFont, nullptr);
  const uint32_t grey = 0xFF406080;
  // Line 2 takes the text of the third camera's tile frames.
  const CPicture tile = Uniform(200, 150, grey);
  const wchar_t text[] = L"12:34:56 Cam W";
  scene.m_document.SetLayout(4, 200, 150);
  scene.m_document.ShowInfoLine(2);
  for (int t : {0, 1, 3, 2}) scene.m_document.UploadTileFrame(text, tile.pixels.data(), 200, 150, 800, t, 0, 0, FALSE);
  ASSERT_EQ(scene.m_document.m_fZoom, 1.0f);
  EXPECT_EQ(scene.m_canvas.m_infoLines[0].m_strText, L"");
  const int width = line.m_nTextWidth;
  ASSERT_GT(width, 40);
  ASSERT_LT(width, 256);
  const CReadBack frame = scene.Read();
  WriteRegion("overlay_info_frame.bin", frame, 12, 108, width, 48);
  FILE* info = std::fopen("overlay_info_case.txt", "w");
  ASSERT_NE(info, nullptr);
  std::fprintf(info, "overlay_info_face.ttf 20 %d 48 %lu", width, static_cast<unsigned long>(grey));
  for (const wchar_t* c = text; *c; ++c) std::fprintf(info, " %d", int(*c));
  std::fprintf(info, "\n");
  std::fclose(info);
  // Nothing outside the line's quad.
  EXPECT_EQ(frame.At(12 + width + 1, 120), grey & 0xFFFFFF);
  EXPECT_EQ(frame.At(20, 107), grey & 0xFFFFFF);
  EXPECT_EQ(frame.At(20, 156), grey & 0xFFFFFF);
}

TEST(CanvasOverlays, InfoLinesCutLongTextsAndShowOnlyTheActiveDocuments) {
  CCanvasScene scene(400, 300);
  ASSERT_TRUE(scene.Ready());
  scene.m_document.m_pRuler->m_bVisible = 0;
  scene.m_canvas.SetFontFace(kFace);
  const uint32_t grey = 0xFF406080;
  const CPicture picture = Uniform(400, 300, grey);
  scene.m_document.ShowInfoLine(0);
  std::wstring longText(40, L'W');  // far wider than 256 pixels at size 20
  scene.m_document.UploadFrame(picture.pixels.data(), 400, 300, 1600, longText.c_str());
  CInfoLine& line = scene.m_canvas.m_infoLines[0];
  EXPECT_EQ(line.m_nTextWidth, 256);
  EXPECT_EQ(line.m_rcSource.right, 256);
  EXPECT_FLOAT_EQ(line.m_quad[1].x, 12.0f + 256.0f - 0.5f);
  EXPECT_FLOAT_EQ(line.m_quad[1].u, 1.0f);
  CReadBack frame = scene.Read();
  int red = 0;
  for (int y = 12; y < 60; ++y) {
    for (int x = 268; x < 300; ++x) EXPECT_EQ(frame.At(x, y), grey & 0xFFFFFF) << x << "," << y;
    for (int x = 12; x < 268; ++x) red += frame.At(x, y) != (grey & 0xFFFFFF);
  }
  EXPECT_GT(red, 1000);

  // An empty text clears the line.
  scene.m_document.UploadFrame(picture.pixels.data(), 400, 300, 1600, L"");
  EXPECT_EQ(line.m_nTextWidth, 1);
  frame = scene.Read();
  EXPECT_TRUE(LitColumns(frame, 30, grey & 0xFFFFFF).empty());

  // A second document's line is drawn only while that document is active.
  scene.m_document.UploadFrame(picture.pixels.data(), 400, 300, 1600, L"first");
  CDTImage second;
  RECT rc{0, 0, 100, 100};
  ASSERT_TRUE(SUCCEEDED(second.Create(&scene.m_canvas, nullptr, L"second", &rc)));
  second.m_pRuler->m_bVisible = 0;
  second.SetLayout(2, 200, 300);
  second.ShowInfoLine(1);
  const CPicture half = Uniform(200, 300, grey);
  for (int t : {0, 1}) second.UploadTileFrame(L"second", half.pixels.data(), 200, 300, 800, t, 0, 0, FALSE);
  EXPECT_EQ(scene.m_canvas.m_infoLines[1].m_strText, L"second");
  // Red text over the grey picture: red well above green and blue.
  auto reddish = [](const CReadBack& f, int top) {
    int n = 0;
    for (int y = top; y < top + 48; ++y)
      for (int x = 12; x < 268; ++x) {
        const uint32_t p = f.At(x, y);
        const int r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
        n += r > g + 40 && r > b + 40;
      }
    return n;
  };
  frame = scene.Read();
  EXPECT_GT(reddish(frame, 12), 50);
  EXPECT_EQ(reddish(frame, 60), 0);
  scene.m_canvas.SetActiveImage(&second, TRUE);
  frame = scene.Read();
  EXPECT_EQ(reddish(frame, 12), 0);
  EXPECT_GT(reddish(frame, 60), 50);
  scene.m_canvas.SetActiveImage(&scene.m_document, TRUE);
  scene.m_canvas.DetachElement(&second);
  EXPECT_EQ(scene.m_canvas.m_infoLines[1].m_bShown, 0);

  // A face change renews the lines' font.
  FTFont* before = line.m_pFont;
  FontMessageFunction previous = SetFontMessageFunction([](const wchar_t*) {});
  scene.m_canvas.SetFontFace(L"Liberation Serif");
  SetFontMessageFunction(previous);
  EXPECT_NE(line.m_pFont, nullptr);
  EXPECT_NE(line.m_pFont, before);
}

}  // namespace
