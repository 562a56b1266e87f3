// Paints every geometry glyph black on white into 32 x 32, 48 x 48 and
// 60 x 30 areas (moved in as a geometry button moves them) and writes the
// ink masks for skin_glyph_check.py, which draws the same figures with PIL.

#include <windows.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "tests/toolkit/control_test_support.h"
#include "toolkit/Buttons.h"
#include "toolkit/GeometryGlyph.h"

namespace {

TEST(GeometryGlyphPixels, WriteInkMasks) {
  const SIZE sizes[] = {{32, 32}, {48, 48}, {60, 30}};
  for (SIZE size : sizes) {
    for (unsigned code = 0; code <= 9; ++code) {
      skintest::Dib dib(size.cx, size.cy);
      ::PatBlt(dib.dc, 0, 0, size.cx, size.cy, WHITENESS);
      const RECT area = AvlfGeomeryBtn::GlyphArea(RECT{0, 0, size.cx, size.cy});
      {
        Gdiplus::Graphics g(dib.dc);
        DrawGeometryGlyph(g, area, static_cast<GeometryGlyph>(code), 0xFF000000);
      }
      char name[64];
      std::snprintf(name, sizeof name, "glyph_%ux%u_%u.txt", static_cast<unsigned>(size.cx),
                    static_cast<unsigned>(size.cy), code);
      FILE* out = std::fopen(name, "w");
      ASSERT_TRUE(out);
      std::fprintf(out, "%ld %ld %ld %ld\n", area.left, area.top, area.right, area.bottom);
      int ink = 0;
      for (int y = 0; y < size.cy; ++y) {
        for (int x = 0; x < size.cx; ++x) {
          const unsigned grey = dib.At(x, y) & 0xFF;
          std::fprintf(out, "%02x", 255 - grey);
          ink += grey < 128;
        }
        std::fputc('\n', out);
      }
      std::fclose(out);
      if (code <= 8)
        EXPECT_GT(ink, 10) << name;
      else
        EXPECT_EQ(ink, 0) << name;
    }
  }
}

}  // namespace
