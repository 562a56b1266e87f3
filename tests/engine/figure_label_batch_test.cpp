// Labels queued and drawn together must give the very frame that labels
// drawn one by one, each through the staging texture, give.

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "engine/figures/Label.h"
#include "engine/figures/LabelBatch.h"
#include "tests/engine/canvas_fixture.h"
#include "tests/engine/shape_scene.h"

using namespace canvas_test;
using namespace shape_test;

namespace {

// The frame with labels queued or drawn alone.
CReadBack Frame(CCanvasScene& scene, bool together) {
  scene.m_canvas.m_labelBatch.m_bEnabled = together;
  CReadBack frame = scene.Read();
  scene.m_canvas.m_labelBatch.m_bEnabled = true;
  return frame;
}

void ExpectSameFrame(CCanvasScene& scene) {
  const CReadBack alone = Frame(scene, false);
  const CReadBack together = Frame(scene, true);
  ASSERT_EQ(alone.width, together.width);
  ASSERT_EQ(alone.height, together.height);
  ASSERT_FALSE(alone.pixels.empty());
  int differ = 0, firstX = -1, firstY = -1;
  for (int y = 0; y < alone.height; ++y)
    for (int x = 0; x < alone.width; ++x)
      if (alone.At(x, y) != together.At(x, y) && differ++ == 0) {
        firstX = x;
        firstY = y;
      }
  EXPECT_EQ(differ, 0) << "first at (" << firstX << ", " << firstY << "): " << std::hex
                       << (firstX >= 0 ? alone.At(firstX, firstY) : 0) << " alone, "
                       << (firstX >= 0 ? together.At(firstX, firstY) : 0) << " together";
}

uint32_t g_seed = 99;
float Random(float low, float high) {
  g_seed = g_seed * 1664525u + 1013904223u;
  return low + (high - low) * static_cast<float>(g_seed >> 8) / static_cast<float>(1u << 24);
}

}  // namespace

// A crowded picture: labels over each other and under later lines, thin and
// thick lines, boxes of other figure types, labels without box or border, a
// label wider than a cell, one taller than 256 rows, handles over labels.
// Compared first as made, then after texts change, after a device reset,
// and after so many new sizes that the atlas has to start over.
TEST(FigureLabelBatch, CrowdedFrameMatchesLabelsDrawnOneByOne) {
  CShapeScene s;
  ASSERT_TRUE(s.Ready());
  CCanvasScene& scene = s.scene;
  scene.m_document.m_pRuler->m_bVisible = 0;
  std::vector<CDTDraw*> labelled;
  const int pens[3] = {1, 4, 8};
  for (int i = 0; i < 260; ++i) {
    const float x = Random(10.0f, 560.0f), y = Random(10.0f, 420.0f);
    CDTDraw* figure = nullptr;
    if (i % 17 == 5) {
      const float r = x + Random(20.0f, 80.0f), b = y + Random(20.0f, 60.0f);
      figure = s.Stored(i % 2 ? DRAW_RECTANGLE : DRAW_ELLIPSE, {{x, y}, {r, y}, {r, b}, {x, b}}, 2);
    } else {
      figure = s.Stored(DRAW_LINE, {{x, y}, {x + Random(-60.0f, 80.0f), y + Random(-30.0f, 60.0f)}}, pens[i % 3]);
    }
    ASSERT_NE(figure, nullptr);
    CDTLabel& label = figure->m_label;
    if (i % 5 == 1) label.SetTextColor(0xFF20E0A0);
    if (i % 7 == 2) label.SetBackgroundColor(0xC0103050);
    if (i % 9 == 3) label.SetBackground(FALSE);
    if (i % 11 == 4) label.SetBorder(FALSE);
    labelled.push_back(figure);
  }
  labelled[40]->m_label.SetText(L"A label much wider than one cell of 256 pixels: 12.345678 mm");
  ASSERT_GT(labelled[40]->m_label.m_nCells, 1);
  CDTLabel& tall = labelled[41]->m_label;
  tall.SetFontSize(300);
  tall.SetText(L"8");
  ASSERT_GT(tall.m_nTextHeight, 256);
  scene.m_document.m_pSelected = labelled[100];
  labelled[120]->m_bHover = 1;
  {
    SCOPED_TRACE("as made");
    ExpectSameFrame(scene);
  }
  // The labels went through the atlas.
  int placed = 0;
  for (const CDTDraw* figure : labelled) placed += figure->m_label.m_pAtlasOwner == &scene.m_canvas.m_labelBatch;
  EXPECT_GT(placed, 200);
  EXPECT_GE(labelled[40]->m_label.m_nAtlasPage, 0);
  for (size_t i = 0; i < labelled.size(); i += 3) labelled[i]->m_label.SetText(i % 2 ? L"1 mm" : L"12345.678 mm\u00B2");
  {
    SCOPED_TRACE("texts changed");
    ExpectSameFrame(scene);
  }
  ASSERT_TRUE(SUCCEEDED(scene.m_canvas.ResetDevice(640, 480)));
  {
    SCOPED_TRACE("after a reset");
    ExpectSameFrame(scene);
  }
  const unsigned generation = labelled[40]->m_label.m_nAtlasGeneration;
  for (int length = 3; length <= 36; length += 3) {
    for (CDTDraw* figure : labelled)
      if (figure != labelled[40] && figure != labelled[41])
        figure->m_label.SetText(std::wstring(static_cast<size_t>(length), L'8').c_str());
    Frame(scene, true);
  }
  EXPECT_GT(labelled[1]->m_label.m_nAtlasGeneration, generation);
  {
    SCOPED_TRACE("after the atlas started over");
    ExpectSameFrame(scene);
  }
}
