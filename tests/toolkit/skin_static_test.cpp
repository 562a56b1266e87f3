// The skinned static: where text and picture go (with the text's box given
// by the test), the geometry glyph, a package picture stretched by
// BS_BACKIMGE, and skins whose picture entry is missing.

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "tests/toolkit/skin_fixture.h"
#include "tests/toolkit/skin_test_support.h"
#include "toolkit/Buttons.h"
#include "toolkit/Static.h"

namespace {

// Lays a text of w x h out centred in the rectangle, as the text layout
// places a one-line text.
auto FixedBox(float w, float h) {
  return [w, h](const Gdiplus::RectF& r) {
    return Gdiplus::RectF(r.X + (r.Width - w) * 0.5f, r.Y + (r.Height - h) * 0.5f, w, h);
  };
}

TEST(StaticPlacement, WorkedExamples) {
  struct Case {
    const char* name;
    int cw, ch;
    bool text, picture;
    int pw, ph;
    const wchar_t* layout;
    bool ok;
    float px, py, tx, ty, tw, th;
  } cases[] = {
      {"text then picture, centred", 100, 20, true, true, 16, 16, L"", true, 63, 2, 20.5f, 0, 40, 20},
      {"picture then text, centred", 100, 20, true, true, 16, 16, L"ORDER_H_IMAGE_TEXT", true, 20, 2, 39, 0, 40, 20},
      {"picture then text, left", 100, 20, true, true, 16, 16, L"ORDER_H_IMAGE_TEXT|ALIGN_LEFT", true, 0, 2, 19, 0, 81,
       20},
      {"picture then text, right", 100, 20, true, true, 16, 16, L"ORDER_H_IMAGE_TEXT|ALIGN_RIGHT|ALIGN_BOTTOM", true,
       41, 4, 60, 0, 40, 20},
      {"text then picture, left wins", 100, 20, true, true, 16, 16, L"ALIGN_LEFT|ALIGN_RIGHT|ALIGN_TOP", true, 63, 0,
       20.5f, 0, 40, 20},
      {"text then picture, right", 100, 20, true, true, 16, 16, L"ALIGN_RIGHT", true, 84, 2, 0, 0, 81, 20},
      {"text above picture", 60, 60, true, true, 16, 16, L"ORDER_V_TEXT_IMAGE", true, 22, 30, 0, 13.5f, 60, 14},
      {"text above picture, bottom", 60, 60, true, true, 16, 16, L"ORDER_V_TEXT_IMAGE|ALIGN_BOTTOM|ALIGN_RIGHT", true,
       44, 44, 0, 0, 60, 41},
      {"picture above text", 60, 60, true, true, 16, 16, L"ORDER_V_IMAGE_TEXT", true, 22, 13, 0, 32, 60, 14},
      {"picture above text, top", 60, 60, true, true, 16, 16, L"ORDER_V_IMAGE_TEXT|ALIGN_TOP|ALIGN_LEFT", true, 0, 0, 0,
       19, 60, 41},
      {"big picture, no text", 100, 50, false, true, 200, 200, L"", true, -50, -75, 0, 0, 0, 0},
      {"picture only, right bottom", 100, 50, false, true, 16, 16, L"ALIGN_RIGHT|ALIGN_BOTTOM", true, 84, 34, 0, 0, 0,
       0},
      {"text only", 100, 20, true, false, 0, 0, L"ORDER_H_IMAGE_TEXT", true, 0, 0, 0, 0, 100, 20},
      {"neither", 100, 20, false, false, 0, 0, L"", false, 0, 0, 0, 0, 0, 0},
      {"empty client", 0, 20, true, true, 16, 16, L"", false, 0, 0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const StaticPlacement p =
        PlaceStaticContent(c.cw, c.ch, c.text, c.picture, c.pw, c.ph, ParseLayoutNames(c.layout), FixedBox(40, 14));
    ASSERT_EQ(p.ok, c.ok);
    if (!p.ok) continue;
    if (c.picture) {
      EXPECT_FLOAT_EQ(p.picture.X, c.px);
      EXPECT_FLOAT_EQ(p.picture.Y, c.py);
      EXPECT_FLOAT_EQ(p.picture.Width, static_cast<float>(c.pw));
    }
    if (c.text) {
      EXPECT_FLOAT_EQ(p.text.X, c.tx);
      EXPECT_FLOAT_EQ(p.text.Y, c.ty);
      EXPECT_FLOAT_EQ(p.text.Width, c.tw);
      EXPECT_FLOAT_EQ(p.text.Height, c.th);
    }
  }
}

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Colors>
    <Red Red="255" Green="0" Blue="0" Alpha="255"/>
    <White Red="255" Green="255" Blue="255" Alpha="255"/>
  </Colors>
  <Images>
    <Blue File="images/blue.png"/>
    <Gone File="images/gone.png"/>
  </Images>
  <Windows>
    <Circle Class="STATIC" GraphicChar="4" ClText="Red" ClBkGround="White" Text="hidden" Width="32" Height="32"/>
    <Beyond Class="STATIC" GraphicChar="9" ClText="Red" ClBkGround="White" Width="32" Height="32"/>
    <Back Class="STATIC" Pic="Blue" Style="WS_CHILD|WS_VISIBLE|BS_BACKIMGE" Layout="ALIGN_LEFT" ClBkGround="White" Width="40" Height="30"/>
    <Natural Class="STATIC" Pic="Blue" Layout="ALIGN_LEFT|ALIGN_TOP" ClBkGround="White" Width="40" Height="30"/>
    <Missing Class="STATIC" Pic="Gone" Text="still here" ClBkGround="White" Width="80" Height="30"/>
  </Windows>
</Skin>
)";

class SkinStatic : public skintest::SkinFixture {
 protected:
  std::unique_ptr<AvlfStatic> Make(const wchar_t* name) {
    auto control = std::make_unique<AvlfStatic>();
    EXPECT_TRUE(control->Create(nullptr, m_host, nullptr, name)) << name;
    return control;
  }
};

TEST_F(SkinStatic, GraphicCharDrawsOnlyTheGlyph) {
  LoadSkin(kSkin);
  auto circle = Make(L"Circle");
  // The circle glyph of a 32 x 32 area lies in (7, 7, 16, 16): its red ink
  // spans that box give or take the pen's half width.
  RECT ink{99, 99, -1, -1};
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const COLORREF c = skintest::PaintedPixel(*circle, x, y);
      if (GetGValue(c) < 128) {
        EXPECT_GE(GetRValue(c), 0xF0);
        ink = RECT{std::min(ink.left, LONG{x}), std::min(ink.top, LONG{y}), std::max(ink.right, LONG{x}),
                   std::max(ink.bottom, LONG{y})};
      }
    }
  EXPECT_TRUE(ink.left >= 6 && ink.left <= 7) << ink.left;
  EXPECT_TRUE(ink.top >= 6 && ink.top <= 7) << ink.top;
  EXPECT_TRUE(ink.right >= 23 && ink.right <= 24) << ink.right;
  EXPECT_TRUE(ink.bottom >= 23 && ink.bottom <= 24) << ink.bottom;
  for (POINT p : {POINT{15, 15}, POINT{1, 1}, POINT{30, 30}, POINT{3, 15}, POINT{27, 15}})
    EXPECT_EQ(skintest::PaintedPixel(*circle, p.x, p.y), RGB(255, 255, 255)) << p.x << "," << p.y;
  auto beyond = Make(L"Beyond");
  for (POINT p : {POINT{15, 15}, POINT{7, 15}, POINT{23, 23}})
    EXPECT_EQ(skintest::PaintedPixel(*beyond, p.x, p.y), RGB(255, 255, 255));
}

TEST_F(SkinStatic, PackagePictureStretchedOrNatural) {
  // blue.png is 8 x 6 of pure blue, written by skin_controls.py.
  ASSERT_NO_THROW(GetSkinUi()->LoadSkinPackage(skin_test::FullPath(L"controls\\controls.zip").c_str()));
  LoadSkin(kSkin);
  auto back = Make(L"Back");
  ASSERT_NE(back->m_pPicture, nullptr);
  EXPECT_EQ(back->m_pPicture->GetWidth(), 8u);
  // Inside the stretched picture (its edges are blended by the filter).
  for (POINT p : {POINT{4, 4}, POINT{35, 25}, POINT{20, 15}, POINT{35, 4}})
    EXPECT_EQ(skintest::PaintedPixel(*back, p.x, p.y), RGB(0, 0, 255)) << p.x << "," << p.y;
  auto natural = Make(L"Natural");
  EXPECT_EQ(skintest::PaintedPixel(*natural, 3, 3), RGB(0, 0, 255));
  EXPECT_EQ(skintest::PaintedPixel(*natural, 20, 20), RGB(255, 255, 255));
  // An image element naming an entry the package lacks: no picture, no crash.
  auto missing = Make(L"Missing");
  EXPECT_EQ(missing->m_pPicture, nullptr);
  EXPECT_EQ(skintest::PaintedPixel(*missing, 1, 1), RGB(255, 255, 255));
}

TEST_F(SkinStatic, SetTextRelaysOutButKeepsWidthAndWindowText) {
  LoadSkin(R"(<?xml version="1.0" encoding="utf-8"?><Skin><Fonts><F FamilyName="Liberation Sans" Height="14"/></Fonts>
    <Text><Hi Text="Hi"/><Longer Text="A much longer label"/></Text>
    <Windows><Label Class="STATIC" Text="Hi" Font="F" Width="4" Height="20"/>
    <Fixed Class="STATIC" Text="Longer" Font="F" Width="4" Height="20" Align="ALIGN_PARENT_HEIGHT"/>
    </Windows></Skin>)");
  auto label = Make(L"Label");
  auto fixed = Make(L"Fixed");
  EXPECT_GT(label->m_nWidth, 4 + 10);
  EXPECT_EQ(fixed->m_nWidth, 4);
  const int width = label->m_nWidth;
  skintest::PaintedPixel(*label, 0, 0);
  EXPECT_TRUE(label->m_bLayoutValid);
  ::SendMessageW(*label, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Hello there"));
  EXPECT_FALSE(label->m_bLayoutValid);
  EXPECT_EQ(label->m_strText, L"Hello there");
  EXPECT_EQ(label->GetWindowText(), L"Hi");
  EXPECT_EQ(label->m_nWidth, width);
}

}  // namespace
