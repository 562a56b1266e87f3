// The clip-art figure on the real canvas: placement by click, its cells,
// fitting, zoom, corner drags, the store and undo, and its pixels for the
// PIL comparison. The pictures come from figure_clipart_fixture.py.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/Clipart.h"
#include "engine/figures/Ruler.h"
#include "tests/engine/canvas_fixture.h"

using namespace canvas_test;

namespace {

// A 640 x 480 noise picture at zoom 1, no ruler in sight.
class CClipScene : public CCanvasScene {
 public:
  CClipScene() {
    if (!Ready()) return;
    Show(Noise(640, 480, 23));
    m_document.m_pRuler->m_bVisible = 0;
    m_observer.m_events.clear();
  }
  void Mouse(UINT message, WPARAM flags, int x, int y) {
    ::PostMessageW(m_canvas.m_hWnd, message, flags, MAKELPARAM(x, y));
    Pump();
  }
  CDTClipart* Clip(size_t n = 0) const {
    for (CDTElement* e : m_document.m_children)
      if (static_cast<CDTDraw*>(e)->m_nType == DRAW_CLIPART && n-- == 0) return static_cast<CDTClipart*>(e);
    return nullptr;
  }
  size_t ClipCount() const {
    size_t n = 0;
    for (CDTElement* e : m_document.m_children) n += static_cast<CDTDraw*>(e)->m_nType == DRAW_CLIPART;
    return n;
  }
  // A clip-art placed by a click with the clip-art tool.
  CDTClipart* Place(const wchar_t* path, int x, int y, BOOL fixed) {
    const size_t before = ClipCount();
    m_canvas.SetClipartFile(path);
    m_canvas.SetClipartFixedSize(fixed, nullptr);
    m_canvas.SetTool(DRAW_CLIPART);
    Mouse(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
    Mouse(WM_LBUTTONUP, 0, x, y);
    return ClipCount() > before ? Clip(before) : nullptr;
  }
};

void WriteFrame(const CReadBack& frame, const char* path) {
  std::vector<unsigned char> rgb;
  rgb.reserve(frame.pixels.size() * 3);
  for (uint32_t p : frame.pixels) {
    rgb.push_back(static_cast<unsigned char>(p >> 16));
    rgb.push_back(static_cast<unsigned char>(p >> 8));
    rgb.push_back(static_cast<unsigned char>(p));
  }
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(rgb.data()), std::streamsize(rgb.size()));
}

float BoxWidth(const CDTClipart* c) { return c->m_handles[2]->cx - c->m_handles[0]->cx; }
float BoxHeight(const CDTClipart* c) { return c->m_handles[2]->cy - c->m_handles[0]->cy; }

}  // namespace

// Centred on the click, complete at once with one undo step; frames with and
// without it, at opacity 0xFF and 0x80, are left for the PIL composite check.
TEST(ClipartFigure, ClickPlacesThePictureDrawnWithItsOwnAlpha) {
  CClipScene s;
  ASSERT_TRUE(s.Ready());
  s.m_canvas.SetClipartColor(0xFF00FF00, nullptr);  // red, green and blue do not tint it
  const auto steps = s.m_document.m_history.m_nCount;
  CDTClipart* clip = s.Place(L"clip_alpha.png", 200, 150, TRUE);
  ASSERT_NE(clip, nullptr);
  EXPECT_TRUE(clip->m_bComplete);
  EXPECT_EQ(s.m_canvas.m_nTool, DRAW_SELECT);
  EXPECT_EQ(s.m_document.m_history.m_nCount, steps + 1);
  EXPECT_EQ(clip->m_nPictureWidth, 300);
  EXPECT_EQ(clip->m_nPictureHeight, 200);
  EXPECT_FLOAT_EQ(clip->m_fScaleX, 1.0f);
  const RECT expected{50, 50, 350, 250};
  EXPECT_EQ(clip->m_rcBounds.left, expected.left);
  EXPECT_EQ(clip->m_rcBounds.top, expected.top);
  EXPECT_EQ(clip->m_rcBounds.right, expected.right);
  EXPECT_EQ(clip->m_rcBounds.bottom, expected.bottom);

  s.m_document.m_pSelected = nullptr;
  clip->m_bHover = 0;
  clip->m_bVisible = 0;
  const CReadBack under = s.Read();
  clip->m_bVisible = 1;
  WriteFrame(under, "clip_under.bin");
  WriteFrame(s.Read(), "clip_over_ff.bin");
  s.m_canvas.SetClipartColor(0x80FFFFFF, clip);
  s.m_document.m_pSelected = nullptr;
  WriteFrame(s.Read(), "clip_over_80.bin");
  FILE* info = std::fopen("clip_case.txt", "w");
  ASSERT_NE(info, nullptr);
  std::fprintf(info, "%d %d %ld %ld\n", under.width, under.height, static_cast<long>(expected.left),
               static_cast<long>(expected.top));
  std::fclose(info);
}

// Cells of at most 256 pixels: the last column's u runs to its share of 256,
// its right edge is the box's.
TEST(ClipartFigure, CellsCoverThePicture) {
  struct Case {
    const wchar_t* path;
    int columns, rows;
    float lastU, lastV;
    RECT lastSource;
  };
  const Case cases[] = {
      {L"clip_alpha.png", 2, 1, 0.171875f, 200.0f / 256, {256, 0, 300, 200}},
      {L"clip_512.png", 2, 1, 1.0f, 1.0f, {256, 0, 512, 256}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << static_cast<const void*>(c.path));
    CClipScene s;
    ASSERT_TRUE(s.Ready());
    CDTClipart* clip = s.Place(c.path, 320, 240, TRUE);
    ASSERT_NE(clip, nullptr);
    ASSERT_EQ(clip->m_nCellColumns, c.columns);
    ASSERT_EQ(clip->m_nCellRows, c.rows);
    const CDTClipart::CCell& first = clip->m_pCells[0];
    const CDTClipart::CCell& last = clip->m_pCells[c.columns * c.rows - 1];
    EXPECT_EQ(first.m_rcSource.right, 256);
    EXPECT_FLOAT_EQ(first.m_quad[3].u, 1.0f);
    EXPECT_EQ(first.m_rcScreen.left, clip->m_rcBounds.left);
    EXPECT_EQ(first.m_rcScreen.right, clip->m_rcBounds.left + 256);
    EXPECT_EQ(last.m_rcSource.left, c.lastSource.left);
    EXPECT_EQ(last.m_rcSource.right, c.lastSource.right);
    EXPECT_EQ(last.m_rcSource.bottom, c.lastSource.bottom);
    EXPECT_FLOAT_EQ(last.m_quad[3].u, c.lastU);
    EXPECT_FLOAT_EQ(last.m_quad[3].v, c.lastV);
    EXPECT_EQ(last.m_rcScreen.right, clip->m_rcBounds.right);
    EXPECT_EQ(last.m_quad[0].x, last.m_rcScreen.left - 0.5f);
    EXPECT_EQ(last.m_quad[0].color, clip->m_clrLine);
  }
}

// A picture larger than the shown image shrinks to fit it with its aspect.
TEST(ClipartFigure, LargePictureShrinksToFit) {
  CClipScene s;
  ASSERT_TRUE(s.Ready());
  ASSERT_FLOAT_EQ(s.m_document.m_fZoom, 1.0f);
  CDTClipart* clip = s.Place(L"clip_big.png", 320, 240, TRUE);
  ASSERT_NE(clip, nullptr);
  // 1000 x 800 into 640 x 480: min(0.64, 0.6).
  EXPECT_FLOAT_EQ(clip->m_fScaleX, 0.6f);
  EXPECT_FLOAT_EQ(clip->m_fScaleY, 0.6f);
  EXPECT_NEAR(BoxWidth(clip), 600.0f, 0.01f);
  EXPECT_NEAR(BoxHeight(clip), 480.0f, 0.01f);
  EXPECT_EQ(clip->m_pCells[0].m_rcScreen.right - clip->m_pCells[0].m_rcScreen.left, 154);  // 0.6 x 256 + 0.5
}

// Zoom 2 doubles a free clip-art; a fixed one keeps its size on the same
// picture point. A corner drag resizes even a fixed one, for good.
TEST(ClipartFigure, ZoomAndCornerDrags) {
  CClipScene s;
  ASSERT_TRUE(s.Ready());
  CDTClipart* loose = s.Place(L"clip_512.png", 300, 200, FALSE);
  CDTClipart* fixed = s.Place(L"clip_alpha.png", 400, 300, TRUE);
  ASSERT_NE(loose, nullptr);
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(loose->m_bFixed, 0);
  EXPECT_EQ(fixed->m_bFixed, 1);
  const float freeWidth = BoxWidth(loose);
  const PointF corner = loose->m_vertices[0];
  const PointF centre = fixed->m_center;
  s.m_canvas.SetZoomMode(2, 2.0f);
  ASSERT_FLOAT_EQ(s.m_document.m_fZoom, 2.0f);
  EXPECT_NEAR(BoxWidth(loose), 2 * freeWidth, 0.01f);
  EXPECT_NEAR(loose->m_fScaleX, 2.0f * freeWidth / 512, 0.01f);
  float sx, sy;
  loose->PixelToScreen(corner.x, corner.y, &sx, &sy);
  EXPECT_NEAR(loose->m_handles[0]->cx, sx, 0.01f);
  EXPECT_NEAR(BoxWidth(fixed), 300.0f, 0.01f);
  EXPECT_NEAR(BoxHeight(fixed), 200.0f, 0.01f);
  fixed->PixelToScreen(centre.x, centre.y, &sx, &sy);
  EXPECT_NEAR((fixed->m_handles[0]->cx + fixed->m_handles[2]->cx) / 2, sx, 0.01f);
  EXPECT_NEAR((fixed->m_handles[0]->cy + fixed->m_handles[2]->cy) / 2, sy, 0.01f);

  // Drag the fixed one's corner 2 out by (60, 40).
  s.m_canvas.SetZoomMode(2, 1.0f);
  s.m_canvas.SetTool(DRAW_SELECT);
  const int x2 = static_cast<int>(fixed->m_handles[2]->cx), y2 = static_cast<int>(fixed->m_handles[2]->cy);
  const float x0 = fixed->m_handles[0]->cx, y0 = fixed->m_handles[0]->cy;
  s.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, x2, y2);
  s.Mouse(WM_MOUSEMOVE, MK_LBUTTON, x2 + 60, y2 + 40);
  s.Mouse(WM_LBUTTONUP, 0, x2 + 60, y2 + 40);
  const float width = BoxWidth(fixed), height = BoxHeight(fixed);
  EXPECT_FLOAT_EQ(fixed->m_handles[0]->cx, x0);
  EXPECT_FLOAT_EQ(fixed->m_handles[0]->cy, y0);
  EXPECT_NEAR(width, 360.0f, 1.0f);
  EXPECT_NEAR(height, 240.0f, 1.0f);
  EXPECT_NEAR(fixed->m_fScaleX, width / 300, 1e-4);
  EXPECT_NEAR(fixed->m_fScaleY, height / 200, 1e-4);
  EXPECT_FLOAT_EQ(fixed->m_handles[1]->cx, fixed->m_handles[2]->cx);
  EXPECT_FLOAT_EQ(fixed->m_handles[1]->cy, y0);
  s.m_canvas.SetZoomMode(2, 2.0f);
  EXPECT_NEAR(BoxWidth(fixed), width, 0.01f);
  EXPECT_NEAR(BoxHeight(fixed), height, 0.01f);
}

// Save and load, and undo, give back path, flag, scales and place.
TEST(ClipartFigure, StoreAndUndoKeepPathFlagScalesAndPlace) {
  CClipScene s;
  ASSERT_TRUE(s.Ready());
  CDTClipart* fixed = s.Place(L"clip_alpha.png", 200, 150, TRUE);
  CDTClipart* loose = s.Place(L"clip_512.png", 400, 300, FALSE);
  ASSERT_NE(fixed, nullptr);
  ASSERT_NE(loose, nullptr);
  // A non-uniform free size, through a corner.
  loose->SetVertexScreen(2, loose->m_handles[2]->cx - 100, loose->m_handles[2]->cy - 28);
  fixed->SetVertexScreen(2, fixed->m_handles[2]->cx + 30, fixed->m_handles[2]->cy + 20);
  s.m_document.PushHistory();
  struct Seen {
    std::wstring path;
    int fixed;
    float scaleX, scaleY;
    RECT bounds;
  };
  auto seen = [](const CDTClipart* c) {
    return Seen{c->m_pszPath ? c->m_pszPath : L"", c->m_bFixed, c->m_fScaleX, c->m_fScaleY, c->m_rcBounds};
  };
  auto same = [](const Seen& a, const Seen& b) {
    EXPECT_EQ(a.path, b.path);
    EXPECT_EQ(a.fixed, b.fixed);
    EXPECT_NEAR(a.scaleX, b.scaleX, 1e-5);
    EXPECT_NEAR(a.scaleY, b.scaleY, 1e-5);
    EXPECT_NEAR(a.bounds.left, b.bounds.left, 1);
    EXPECT_NEAR(a.bounds.top, b.bounds.top, 1);
    EXPECT_NEAR(a.bounds.right, b.bounds.right, 1);
    EXPECT_NEAR(a.bounds.bottom, b.bounds.bottom, 1);
  };
  const Seen fixedBefore = seen(fixed), freeBefore = seen(loose);
  ASSERT_TRUE(s.m_document.SaveFile(L"clip_saved.prj"));
  ASSERT_GT(s.m_document.LoadFile(L"clip_saved.prj"), 0);
  ASSERT_EQ(s.ClipCount(), 2u);
  same(seen(s.Clip(0)), fixedBefore);
  same(seen(s.Clip(1)), freeBefore);

  // Undo corner drags of both and a flag change; redo them.
  CDTClipart* a = s.Clip(0);
  CDTClipart* b = s.Clip(1);
  const Seen aBefore = seen(a), bBefore = seen(b);
  s.m_document.PushHistory();
  a->SetVertexScreen(2, a->m_handles[2]->cx + 15, a->m_handles[2]->cy - 10);
  b->SetVertexScreen(0, b->m_handles[0]->cx - 40, b->m_handles[0]->cy - 40);
  a->SetFixed(FALSE);
  s.m_document.PushHistory();
  const Seen aAfter = seen(a), bAfter = seen(b);
  s.m_document.Undo();
  same(seen(a), aBefore);
  same(seen(b), bBefore);
  s.m_document.Redo();
  same(seen(a), aAfter);
  same(seen(b), bAfter);
}

// A picture that does not load makes no figure; a record whose picture has
// gone is dropped by load and by merge alike.
TEST(ClipartFigure, UnreadableOrMissingPictureMakesNoFigure) {
  CClipScene s;
  ASSERT_TRUE(s.Ready());
  const auto steps = s.m_document.m_history.m_nCount;
  EXPECT_EQ(s.Place(L"clip_broken.png", 200, 200, TRUE), nullptr);
  EXPECT_EQ(s.Place(L"clip_nowhere.png", 200, 200, TRUE), nullptr);
  EXPECT_EQ(s.m_document.m_history.m_nCount, steps);

  ASSERT_TRUE(::CopyFileW(L"clip_512.png", L"clip_gone.png", FALSE));
  ASSERT_NE(s.Place(L"clip_gone.png", 200, 200, TRUE), nullptr);
  ASSERT_NE(s.Place(L"clip_alpha.png", 300, 300, FALSE), nullptr);
  ASSERT_TRUE(s.m_document.SaveFile(L"clip_gone.prj"));
  ASSERT_TRUE(::DeleteFileW(L"clip_gone.png"));
  s.m_document.LoadFile(L"clip_gone.prj");
  ASSERT_EQ(s.ClipCount(), 1u);
  EXPECT_STREQ(s.Clip(0)->m_pszPath, L"clip_alpha.png");
  s.m_document.MergeFile(L"clip_gone.prj");
  EXPECT_EQ(s.ClipCount(), 2u);
  for (size_t i = 0; i < s.ClipCount(); ++i) EXPECT_STREQ(s.Clip(i)->m_pszPath, L"clip_alpha.png");
}
