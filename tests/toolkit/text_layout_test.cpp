#include <gtest/gtest.h>

#include <memory>

#include "toolkit/TextLayout.h"

namespace {

class TextLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_bitmap = std::make_unique<Gdiplus::Bitmap>(400, 200, PixelFormat32bppARGB);
    m_graphics = std::make_unique<Gdiplus::Graphics>(m_bitmap.get());
    m_font = std::make_unique<Gdiplus::Font>(L"DejaVu Sans", 12.0f, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
    ASSERT_EQ(m_font->GetLastStatus(), Gdiplus::Ok);
  }
  // The layout rectangle after measuring text in rect with flags.
  Gdiplus::RectF Measure(const wchar_t* text, const Gdiplus::RectF& rect, int flags, bool wrap = true) {
    AvlfTextLayout layout;
    layout.SetText(text);
    layout.SetFont(m_font.get());
    layout.SetFlags(flags);
    layout.SetWrap(wrap);
    layout.SetLayoutRect(rect);
    layout.Measure(m_graphics.get());
    Gdiplus::RectF out;
    layout.GetLayoutRect(&out);
    return out;
  }
  // GDI+'s own box for the same string and format, the independent reference.
  Gdiplus::RectF Box(const wchar_t* text, const Gdiplus::RectF& rect, Gdiplus::StringAlignment alignment) {
    Gdiplus::StringFormat format;
    format.SetAlignment(alignment);
    format.SetLineAlignment(alignment);
    format.SetFormatFlags(Gdiplus::StringFormatFlagsDisplayFormatControl);
    Gdiplus::RectF box;
    m_graphics->MeasureString(text, -1, m_font.get(), rect, &format, &box);
    return box;
  }

  std::unique_ptr<Gdiplus::Bitmap> m_bitmap;
  std::unique_ptr<Gdiplus::Graphics> m_graphics;
  std::unique_ptr<Gdiplus::Font> m_font;
};

}  // namespace

// The box keeps its measured X, width and height; Y is the old top, the old
// bottom less the box, or the middle, relative to the old rectangle.
TEST_F(TextLayoutTest, VerticalPlacementInTheOldRectangle) {
  const Gdiplus::RectF rect(10.0f, 6.0f, 300.0f, 100.0f);
  struct Case {
    int flags;
    Gdiplus::StringAlignment alignment;
    float share;  // of the free height above the box
  } cases[] = {
      {ALIGN_LEFT | ALIGN_TOP, Gdiplus::StringAlignmentNear, 0.0f},
      {ALIGN_LEFT | ALIGN_BOTTOM, Gdiplus::StringAlignmentNear, 1.0f},
      {ALIGN_LEFT, Gdiplus::StringAlignmentNear, 0.5f},
      {ALIGN_LEFT | ALIGN_RIGHT | ALIGN_TOP | ALIGN_BOTTOM, Gdiplus::StringAlignmentNear, 0.0f},
      {ALIGN_RIGHT | ALIGN_BOTTOM, Gdiplus::StringAlignmentFar, 1.0f},
      {ALIGN_H_CENTER | 0x7, Gdiplus::StringAlignmentCenter, 0.5f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "flags 0x" << std::hex << c.flags);
    const Gdiplus::RectF box = Box(L"Snapshot", rect, c.alignment);
    ASSERT_GT(box.Height, 0.0f);
    ASSERT_LT(box.Height, rect.Height);
    const Gdiplus::RectF got = Measure(L"Snapshot", rect, c.flags);
    EXPECT_FLOAT_EQ(got.X, box.X);
    EXPECT_FLOAT_EQ(got.Width, box.Width);
    EXPECT_FLOAT_EQ(got.Height, box.Height);
    EXPECT_FLOAT_EQ(got.Y, rect.Y + (rect.Height - box.Height) * c.share);
  }
}

TEST_F(TextLayoutTest, TallBoxEmptyTextWrapAndAmpersand) {
  // A box at least as high as the rectangle stays where it was measured.
  const Gdiplus::RectF low(0.0f, 50.0f, 300.0f, 4.0f);
  const Gdiplus::RectF box = Box(L"Snapshot", low, Gdiplus::StringAlignmentCenter);
  const Gdiplus::RectF got = Measure(L"Snapshot", low, ALIGN_TOP);
  EXPECT_FLOAT_EQ(got.Y, box.Y);
  EXPECT_FLOAT_EQ(got.Height, box.Height);

  // Empty text: nothing changes.
  const Gdiplus::RectF rect(1.0f, 2.0f, 3.0f, 4.0f);
  const Gdiplus::RectF same = Measure(L"", rect, 0);
  EXPECT_TRUE(same.Equals(rect));

  // Wrap off keeps a long text on one line.
  const wchar_t* longText = L"a caption far too long to fit on one line of this narrow rectangle";
  const Gdiplus::RectF narrow(0.0f, 0.0f, 80.0f, 200.0f);
  const float oneLine = Measure(L"a", narrow, ALIGN_TOP).Height;
  EXPECT_GT(Measure(longText, narrow, ALIGN_TOP, true).Height, 2.5f * oneLine);
  EXPECT_FLOAT_EQ(Measure(longText, narrow, ALIGN_TOP, false).Height, oneLine);

  // The ampersand is measured as a character.
  const Gdiplus::RectF wide(0.0f, 0.0f, 300.0f, 50.0f);
  EXPECT_GT(Measure(L"A&B", wide, ALIGN_LEFT).Width, Measure(L"AB", wide, ALIGN_LEFT).Width);
}

// Drawing hides the ampersand: "A&B" inks like "AB" with B underlined, so it
// covers less width than the measured "A&B".
TEST_F(TextLayoutTest, DrawHidesTheAmpersand) {
  auto inkRight = [&](const wchar_t* text) {
    Gdiplus::Bitmap bitmap(300, 40, PixelFormat32bppARGB);
    Gdiplus::Graphics graphics(&bitmap);
    graphics.Clear(Gdiplus::Color(255, 255, 255, 255));
    Gdiplus::SolidBrush black(Gdiplus::Color(255, 0, 0, 0));
    AvlfTextLayout layout;
    layout.SetText(text);
    layout.SetFont(m_font.get());
    layout.SetFlags(ALIGN_LEFT | ALIGN_TOP);
    layout.SetLayoutRect(Gdiplus::RectF(0.0f, 0.0f, 300.0f, 40.0f));
    layout.Draw(&graphics, &black);
    int right = -1;
    for (UINT y = 0; y < 40; ++y)
      for (UINT x = 0; x < 300; ++x) {
        Gdiplus::Color c;
        bitmap.GetPixel(static_cast<INT>(x), static_cast<INT>(y), &c);
        if (c.GetR() < 128 && static_cast<int>(x) > right) right = static_cast<int>(x);
      }
    return right;
  };
  const int plain = inkRight(L"AB");
  const int prefixed = inkRight(L"A&B");
  EXPECT_GT(plain, 0);
  EXPECT_LE(std::abs(prefixed - plain), 1);
  EXPECT_LT(prefixed, inkRight(L"A&&B"));
}
