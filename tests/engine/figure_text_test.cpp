// The text box: the word wrap with a fixed-advance font, and the box on the
// real canvas (creation by click, drawing, corner drags, zoom, undo, fonts).
#include <gtest/gtest.h>

#include <windows.h>
#include <d3d9.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <string>
#include <vector>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/Label.h"
#include "engine/figures/Ruler.h"
#include "engine/figures/TextFigure.h"
#include "engine/text/FTFont.h"
#include "tests/engine/canvas_fixture.h"

using namespace canvas_test;

namespace {

// Every glyph is 10 pixels wide and the line 10 high. A drawn glyph leaves one
// marker pixel at its pen position: blue byte = the character, alpha 255.
// With skipBlank a blank is passed over unclipped, as a glyph without a bitmap is.
class CFixedFont : public FTFont {
 public:
  explicit CFixedFont(bool skipBlank = false) : m_bSkipBlank(skipBlank) {}
  void GetDescription(FontDescription*) override {}
  const wchar_t* GetFamilyName() override { return L"fixed"; }
  const wchar_t* GetFilePath() override { return L""; }
  GlyphEntry* GetGlyph(unsigned) override { return nullptr; }
  int DrawText(const wchar_t* text, int count, int x, int y) override {
    const int n = Count(text, count);
    int px = 0, ly = 0;
    for (int i = 0; i < n; ++i) {
      if (text[i] == L'\n') {
        px = 0;
        ly += kLine;
        continue;
      }
      if (text[i] == L' ' && m_bSkipBlank) continue;
      const int gx = x + px;
      if (gx >= m_width || gx + kAdvance > m_width) return i;
      if (text[i] != L' ' && y + ly < m_height)
        m_pixels[(y + ly) * (m_pitch / 4) + gx] = 0xFF000000u | static_cast<uint32_t>(text[i] & 0xFF);
      px += kAdvance;
    }
    return n;
  }
  int BlendText(const wchar_t*, int, int, int) override { return 0; }
  void SetTarget(uint32_t* pixels, int width, int height, int pitch) override {
    m_pixels = pixels;
    m_width = width;
    m_height = height;
    m_pitch = pitch;
  }
  void MeasureText(const wchar_t* text, int count, int* width, int* height) override {
    const int n = Count(text, count);
    int w = 0, sum = 0, h = kLine;
    for (int i = 0; i < n; ++i) {
      if (text[i] == L'\n') {
        h += kLine;
        sum = 0;
        continue;
      }
      sum += kAdvance;
      w = std::max(w, sum);
    }
    *width = std::max(w, 1);
    *height = h;
  }
  void SetLayout(const TextLayout*) override {}
  TextLayout* GetLayout() override { return &m_layout; }
  int GetLineHeight() override { return kLine; }
  int SetUserData(int) override { return 0; }
  void SetGlyphCallback(GlyphCallback) override {}
  void SetColor(unsigned char, unsigned char, unsigned char) override {}

  static constexpr int kAdvance = 10;
  static constexpr int kLine = 10;

 private:
  static int Count(const wchar_t* text, int count) {
    const int n = static_cast<int>(std::wcslen(text));
    return count < 1 ? n : std::min(n, count);
  }
  bool m_bSkipBlank;
  uint32_t* m_pixels = nullptr;
  int m_width = 0, m_height = 0, m_pitch = 0;
  TextLayout m_layout;
};

// The markers of one bitmap row as "a5 b15": character and column.
std::string Markers(const std::vector<uint32_t>& bitmap, int width, int row) {
  std::string out;
  for (int x = 0; x < width; ++x) {
    const uint32_t p = bitmap[static_cast<size_t>(row) * width + x];
    if ((p >> 24) != 0xFF) continue;
    if (!out.empty()) out += ' ';
    out += static_cast<char>(p & 0xFF);
    out += std::to_string(x);
  }
  return out;
}

// The markers a line of text drawn from x0 leaves, blanks taking their width.
std::string Line(int x0, const char* text) {
  std::string out;
  for (int i = 0; text[i]; ++i) {
    if (text[i] == ' ') continue;
    if (!out.empty()) out += ' ';
    out += text[i];
    out += std::to_string(x0 + 10 * i);
  }
  return out;
}

struct WrapCase {
  const char* name;
  const wchar_t* text;
  int width, height;
  bool skipBlank;
  int total;
  std::vector<std::pair<int, std::string>> lines;  // line top, its markers
};

}  // namespace

TEST(TextWrap, LinesOfAFixedAdvanceFont) {
  const std::vector<WrapCase> cases = {
      {"words that fit share one centred line", L"aa bb", 60, 30, false, 10, {{0, Line(5, "aa bb")}, {10, ""}}},
      {"a word that does not fit starts the next line",
       L"aaaa bbbb",
       60,
       30,
       false,
       20,
       {{0, Line(5, "aaaa")}, {10, Line(10, "bbbb")}, {20, ""}}},
      {"a word wider than the box goes on from its first undrawn character",
       L"abcdefgh",
       50,
       30,
       false,
       20,
       {{0, Line(0, "abcde")}, {10, Line(10, "fgh")}}},
      {"two blanks make a word of one blank", L"a  b", 100, 30, false, 10, {{0, Line(30, "a  b")}}},
      {"more lines than fit keep the top ones",
       L"aaaa bbbb cccc",
       50,
       15,
       false,
       30,
       {{0, Line(0, "aaaa")}, {10, Line(0, "bbbb")}}},
      {"the last line is cut at the bottom",
       L"aaaa bbbb cccc",
       50,
       21,
       false,
       30,
       {{0, Line(0, "aaaa")}, {10, Line(0, "bbbb")}, {20, Line(5, "cccc")}}},
      {"a line feed ends a word, not its line", L"ab\ncd", 100, 30, false, 10, {{0, Line(30, "abcd")}}},
      {"a skipped trailing blank past the right edge stays inside the box",
       L"abcd e",
       45,
       11,
       true,
       20,
       {{0, Line(0, "abcd")}, {10, Line(17, "e")}}},
  };
  for (const WrapCase& c : cases) {
    SCOPED_TRACE(c.name);
    CFixedFont font(c.skipBlank);
    const int pitch = c.width * 4;
    const int lineRows = CFixedFont::kLine + 1;
    // Guard words after the bitmap catch a copy past its end.
    std::vector<uint32_t> bitmap(static_cast<size_t>(c.width) * c.height + 16, 0xCDCDCDCDu);
    std::fill(bitmap.begin(), bitmap.begin() + static_cast<ptrdiff_t>(c.width) * c.height, 0u);
    std::vector<uint8_t> line(static_cast<size_t>(pitch) * lineRows, 0);
    const int total = WrapTextIntoBitmap(&font, c.text, reinterpret_cast<uint8_t*>(bitmap.data()), c.width, c.height,
                                         pitch, line.data(), lineRows);
    EXPECT_EQ(total, c.total);
    for (const auto& [top, markers] : c.lines) EXPECT_EQ(Markers(bitmap, c.width, top), markers) << "line at " << top;
    // Nothing but the line tops holds a marker.
    for (int y = 0; y < c.height; ++y)
      if (y % CFixedFont::kLine) {
        EXPECT_EQ(Markers(bitmap, c.width, y), "") << "row " << y;
      }
    for (size_t i = static_cast<size_t>(c.width) * c.height; i < bitmap.size(); ++i)
      ASSERT_EQ(bitmap[i], 0xCDCDCDCDu) << "written past the bitmap";
  }
}

namespace {

const wchar_t kFace[] = L"Liberation Sans";

int g_fontMessages = 0;
void CountFontMessage(const wchar_t*) { ++g_fontMessages; }

// A canvas with the text tool ready, a plain grey background and no ruler in sight.
class CTextScene : public CCanvasScene {
 public:
  CTextScene() : m_previous(SetFontMessageFunction(CountFontMessage)) {
    g_fontMessages = 0;
    if (!Ready()) return;
    m_canvas.m_clrBackground = 0xFF808080;
    m_document.m_pRuler->m_bVisible = 0;
    m_canvas.SetFontFace(kFace);
    m_canvas.SetFontSize(20, nullptr);
    m_canvas.SetTool(DRAW_TEXT);
    m_observer.m_events.clear();
  }
  ~CTextScene() { SetFontMessageFunction(m_previous); }
  void Mouse(UINT message, WPARAM flags, int x, int y) {
    ::PostMessageW(m_canvas.m_hWnd, message, flags, MAKELPARAM(x, y));
    Pump();
  }
  void Click(int x, int y) {
    Mouse(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
    Mouse(WM_LBUTTONUP, 0, x, y);
  }
  CDTText* Box() const {
    for (CDTElement* e : m_document.m_children)
      if (static_cast<CDTDraw*>(e)->m_nType == DRAW_TEXT) return static_cast<CDTText*>(e);
    return nullptr;
  }
  // A box made by a click with the canvas text.
  CDTText* Make(const wchar_t* text, int x, int y) {
    m_canvas.SetText(text);
    m_canvas.SetTool(DRAW_TEXT);
    Click(x, y);
    return Box();
  }

 private:
  FontMessageFunction m_previous;
};

bool WriteFaceFile(const wchar_t* face, const char* path) {
  HDC dc = ::GetDC(nullptr);
  LOGFONTW lf{};
  lf.lfHeight = -20;
  std::wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  HFONT font = ::CreateFontIndirectW(&lf);
  HGDIOBJ old = ::SelectObject(dc, font);
  const DWORD size = ::GetFontData(dc, 0, 0, nullptr, 0);
  std::vector<char> data(size == GDI_ERROR ? 0 : size);
  const bool ok = size != GDI_ERROR && ::GetFontData(dc, 0, 0, data.data(), size) == size;
  ::SelectObject(dc, old);
  ::DeleteObject(font);
  ::ReleaseDC(nullptr, dc);
  if (ok) std::ofstream(path, std::ios::binary).write(data.data(), std::streamsize(data.size()));
  return ok;
}

}  // namespace

// A click makes a box of the measured text plus 8 each way around the click,
// complete at once with one undo step; the frame is left for the FreeType check.
TEST(TextFigure, ClickMakesAMeasuredBoxDrawnLikeTheGlyphComposite) {
  CTextScene s;
  ASSERT_TRUE(s.Ready());
  ASSERT_TRUE(WriteFaceFile(kFace, "text_face.ttf"));
  const DWORD textColour = 0xFF20C040, boxColour = 0x80204060;
  s.m_canvas.SetTextColor(textColour, nullptr);
  s.m_canvas.SetTextBackgroundColor(boxColour, nullptr);
  s.m_canvas.SetTextBorder(FALSE, nullptr);
  const wchar_t text[] = L"Wave 12.5 mm";
  const auto steps = s.m_document.m_history.m_nCount;
  CDTText* box = s.Make(text, 301, 200);
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(g_fontMessages, 0);
  EXPECT_TRUE(box->m_bComplete);
  EXPECT_EQ(s.m_canvas.m_nTool, DRAW_SELECT);
  EXPECT_EQ(s.m_document.m_history.m_nCount, steps + 1);
  ASSERT_NE(box->m_pFont, nullptr);
  int w = 0, h = 0;
  box->m_pFont->MeasureText(text, -1, &w, &h);
  EXPECT_EQ(box->m_nBoxWidth, w + 8);
  EXPECT_EQ(box->m_nBoxHeight, h + 8);
  EXPECT_FLOAT_EQ(box->m_handles[0]->cx, 301 - (w + 8) / 2.0f);
  EXPECT_FLOAT_EQ(box->m_handles[2]->cy, 200 + (h + 8) / 2.0f);
  EXPECT_NEAR(box->m_center.x, 301.0f, 0.5f);
  EXPECT_NEAR(box->m_center.y, 200.0f, 0.5f);

  s.m_document.m_pSelected = nullptr;  // no frame or handles over the text
  const CReadBack frame = s.Read();
  ASSERT_EQ(frame.width, 640);
  std::vector<unsigned char> rgb;
  rgb.reserve(static_cast<size_t>(frame.width) * frame.height * 3);
  for (uint32_t p : frame.pixels) {
    rgb.push_back(static_cast<unsigned char>(p >> 16));
    rgb.push_back(static_cast<unsigned char>(p >> 8));
    rgb.push_back(static_cast<unsigned char>(p));
  }
  std::ofstream("text_frame.bin", std::ios::binary)
      .write(reinterpret_cast<const char*>(rgb.data()), std::streamsize(rgb.size()));
  FILE* info = std::fopen("text_case.txt", "w");
  ASSERT_NE(info, nullptr);
  std::fprintf(info, "text_face.ttf 20 %d %d 301 200 %lu %lu %lu", frame.width, frame.height,
               static_cast<unsigned long>(textColour), static_cast<unsigned long>(boxColour),
               static_cast<unsigned long>(s.m_canvas.m_clrBackground));
  for (const wchar_t* c = text; *c; ++c) std::fprintf(info, " %d", int(*c));
  std::fprintf(info, "\n");
  std::fclose(info);
}

// Corner 1 dragged straight up moves the top edge; the box stays a rectangle,
// gets a surface of its new size and wraps anew. Undo and redo give back
// text, size and place.
TEST(TextFigure, CornerDragRewrapsAndUndoRedoRestore) {
  CTextScene s;
  ASSERT_TRUE(s.Ready());
  const auto steps = s.m_document.m_history.m_nCount;
  CDTText* box = s.Make(L"one two three four", 300, 300);
  ASSERT_NE(box, nullptr);
  const int w0 = box->m_nBoxWidth, h0 = box->m_nBoxHeight;
  const RECT before = box->m_rcBounds;
  const float x1 = box->m_handles[1]->cx, y1 = box->m_handles[1]->cy;
  const float x2 = box->m_handles[2]->cx, y2 = box->m_handles[2]->cy;
  const float x3 = box->m_handles[3]->cx, y3 = box->m_handles[3]->cy;
  const int px = static_cast<int>(x1), py = static_cast<int>(y1);
  s.Mouse(WM_LBUTTONDOWN, MK_LBUTTON, px, py);
  s.Mouse(WM_MOUSEMOVE, MK_LBUTTON, px, py - 20);
  s.Mouse(WM_MOUSEMOVE, MK_LBUTTON, px - 80, py - 60);
  s.Mouse(WM_LBUTTONUP, 0, px - 80, py - 60);
  // Corner 1 went to (x1 - 80, y1 - 60): corner 0 takes its y, corner 2 its x.
  EXPECT_FLOAT_EQ(box->m_handles[1]->cx, x1 - 80);
  EXPECT_FLOAT_EQ(box->m_handles[1]->cy, y1 - 60);
  EXPECT_FLOAT_EQ(box->m_handles[0]->cy, y1 - 60);
  EXPECT_FLOAT_EQ(box->m_handles[2]->cx, x1 - 80);
  EXPECT_FLOAT_EQ(box->m_handles[2]->cy, y2);
  EXPECT_FLOAT_EQ(box->m_handles[3]->cx, x3);
  EXPECT_FLOAT_EQ(box->m_handles[3]->cy, y3);
  EXPECT_EQ(box->m_nBoxWidth, box->m_rcBounds.right - box->m_rcBounds.left);
  EXPECT_EQ(box->m_nBoxHeight, box->m_rcBounds.bottom - box->m_rcBounds.top);
  EXPECT_EQ(box->m_nBoxWidth, w0 - 80);
  EXPECT_EQ(box->m_nBoxHeight, h0 + 60);
  ASSERT_NE(box->m_pSurface, nullptr);
  D3DSURFACE_DESC desc{};
  box->m_pSurface->GetDesc(&desc);
  EXPECT_EQ(static_cast<int>(desc.Width), box->m_nBoxWidth);
  EXPECT_EQ(static_cast<int>(desc.Height), box->m_nBoxHeight);
  EXPECT_EQ(s.m_document.m_history.m_nCount, steps + 2);
  (void)x2;

  // The canvas text with the box selected replaces its text; the box keeps its size.
  s.m_document.m_pSelected = box;
  s.m_canvas.SetText(L"changed");
  EXPECT_EQ(box->m_strText, L"changed");
  EXPECT_EQ(box->m_nBoxWidth, w0 - 80);

  const RECT dragged = box->m_rcBounds;
  s.m_document.Undo();
  EXPECT_EQ(box->m_strText, L"one two three four");
  s.m_document.Undo();
  ASSERT_EQ(s.Box(), box);
  EXPECT_EQ(box->m_nBoxWidth, w0);
  EXPECT_EQ(box->m_nBoxHeight, h0);
  EXPECT_EQ(box->m_rcBounds.left, before.left);
  EXPECT_EQ(box->m_rcBounds.top, before.top);
  EXPECT_EQ(box->m_rcBounds.right, before.right);
  EXPECT_EQ(box->m_rcBounds.bottom, before.bottom);
  s.m_document.Redo();
  EXPECT_EQ(box->m_nBoxWidth, w0 - 80);
  EXPECT_EQ(box->m_rcBounds.left, dragged.left);
  EXPECT_EQ(box->m_rcBounds.top, dragged.top);
  EXPECT_EQ(box->m_rcBounds.bottom, dragged.bottom);
  s.m_document.Redo();
  EXPECT_EQ(box->m_strText, L"changed");
}

// An undo step that does not concern the box leaves its corners where they are.
TEST(TextFigure, RestoreOfAnUnchangedBoxKeepsItsCorners) {
  CTextScene s;
  ASSERT_TRUE(s.Ready());
  CDTText* box = s.Make(L"steady", 200, 200);
  ASSERT_NE(box, nullptr);
  std::vector<float> corners;
  for (const auto& h : box->m_handles) corners.insert(corners.end(), {h->cx, h->cy});
  box->Restore(box->m_vertices, static_cast<float>(box->m_nBoxWidth), static_cast<float>(box->m_nBoxHeight),
               box->m_strText.c_str());
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_FLOAT_EQ(box->m_handles[i]->cx, corners[2 * i]);
    EXPECT_FLOAT_EQ(box->m_handles[i]->cy, corners[2 * i + 1]);
  }
}

// Zoom keeps the box's screen size and its centre on the same picture point.
TEST(TextFigure, ZoomKeepsScreenSizeAndPicturePoint) {
  CTextScene s;
  ASSERT_TRUE(s.Ready());
  s.Show(Noise(640, 480, 5));
  CDTText* box = s.Make(L"zoom", 200, 150);
  ASSERT_NE(box, nullptr);
  const PointF centre = box->m_center;
  const int w = box->m_nBoxWidth, h = box->m_nBoxHeight;
  for (float zoom : {2.0f, 0.5f}) {
    SCOPED_TRACE(zoom);
    s.m_canvas.SetZoomMode(2, zoom);
    ASSERT_FLOAT_EQ(s.m_document.m_fZoom, zoom);
    float sx, sy;
    box->PixelToScreen(centre.x, centre.y, &sx, &sy);
    EXPECT_NEAR((box->m_handles[0]->cx + box->m_handles[2]->cx) / 2, sx, 0.01f);
    EXPECT_NEAR((box->m_handles[0]->cy + box->m_handles[2]->cy) / 2, sy, 0.01f);
    EXPECT_FLOAT_EQ(box->m_handles[2]->cx - box->m_handles[0]->cx, static_cast<float>(w));
    EXPECT_FLOAT_EQ(box->m_handles[2]->cy - box->m_handles[0]->cy, static_cast<float>(h));
    EXPECT_EQ(box->m_pCells[0].m_rcScreen.left, box->m_rcBounds.left);
  }
}

// A font-size change is kept but changes neither text nor box; a face change
// makes the font at the box's font size, whatever the pen weight says.
TEST(TextFigure, FontSizeKeepsTheBoxAndAFaceChangeUsesTheFontSize) {
  CTextScene s;
  ASSERT_TRUE(s.Ready());
  CDTText* box = s.Make(L"size", 200, 200);
  ASSERT_NE(box, nullptr);
  const int w = box->m_nBoxWidth, h = box->m_nBoxHeight;
  const int lineHeight = box->m_pFont->GetLineHeight();
  s.m_canvas.SetFontSize(40, box);
  EXPECT_EQ(box->m_nFontSize, 40);
  EXPECT_EQ(box->m_strText, L"size");
  EXPECT_EQ(box->m_nBoxWidth, w);
  EXPECT_EQ(box->m_nBoxHeight, h);
  EXPECT_EQ(box->m_pFont->GetLineHeight(), lineHeight);

  s.m_canvas.SetPenWeight(3, box);
  s.m_canvas.SetFontFace(L"Liberation Serif");
  EXPECT_EQ(g_fontMessages, 0);
  ASSERT_NE(box->m_pFont, nullptr);
  FTFont* expected = s.m_canvas.m_fontFactory.CreateFaceFont(L"Liberation Serif", 40, 0, 0, false);
  ASSERT_NE(expected, nullptr);
  EXPECT_EQ(box->m_pFont->GetLineHeight(), expected->GetLineHeight());
  s.m_canvas.m_fontFactory.ReleaseFont(expected);
  EXPECT_EQ(box->m_nBoxWidth, w);
}

// A font that cannot be had shows the message and makes no box.
TEST(TextFigure, MissingFontMakesNoBox) {
  CTextScene s;
  ASSERT_TRUE(s.Ready());
  // Wine's GDI hands any unknown face a substitute: a size the text engine
  // refuses stands for a font that cannot be had.
  s.m_canvas.m_nFontSize = 0;
  const auto steps = s.m_document.m_history.m_nCount;
  CDTText* box = s.Make(L"lost", 200, 200);
  EXPECT_EQ(box, nullptr);
  EXPECT_EQ(g_fontMessages, 1);
  EXPECT_EQ(s.m_document.m_history.m_nCount, steps);
}
