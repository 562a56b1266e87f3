#include <gtest/gtest.h>

#include <windows.h>
#include <d3d9.h>

#include <algorithm>
#include <memory>
#include <cstdio>
#include <cwchar>
#include <fstream>
#include <string>
#include <vector>

#include "engine/DirectUI.h"
#include "engine/figures/Draw.h"
#include "engine/figures/Label.h"
#include "engine/figures/Ruler.h"
#include "engine/text/FTFont.h"
#include "tests/engine/canvas_fixture.h"

using namespace canvas_test;

namespace {

int g_fontMessages = 0;
std::wstring g_lastFontMessage;

void CountFontMessage(const wchar_t* text) {
  ++g_fontMessages;
  g_lastFontMessage = text;
}

// Replaces the message box for one test, so a missing face never stops the run.
class CFontMessages {
 public:
  CFontMessages() : m_previous(SetFontMessageFunction(CountFontMessage)) { g_fontMessages = 0; }
  ~CFontMessages() { SetFontMessageFunction(m_previous); }

 private:
  FontMessageFunction m_previous;
};

const wchar_t kFace[] = L"Liberation Sans";

// The alpha bytes of the label's surface, row by row.
std::vector<unsigned char> SurfaceAlpha(IDirect3DSurface9* surface, int* width, int* height) {
  std::vector<unsigned char> out;
  D3DSURFACE_DESC desc{};
  if (!surface || FAILED(surface->GetDesc(&desc))) return out;
  *width = static_cast<int>(desc.Width);
  *height = static_cast<int>(desc.Height);
  D3DLOCKED_RECT locked{};
  if (FAILED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY))) return out;
  out.resize(size_t(desc.Width) * desc.Height);
  for (UINT y = 0; y < desc.Height; ++y) {
    const auto* row = static_cast<const unsigned char*>(locked.pBits) + ptrdiff_t(y) * locked.Pitch;
    for (UINT x = 0; x < desc.Width; ++x) out[size_t(y) * desc.Width + x] = row[x * 4 + 3];
  }
  surface->UnlockRect();
  return out;
}

struct CLabelScene {
  CLabelScene() {
    if (!scene.Ready()) return;
    figure = scene.AddFigure(DRAW_LINE);
    figure->m_label.Init(&scene.m_canvas, kFace, 0xFF112233, 20);
    figure->m_label.Attach(figure);
  }
  CFontMessages messages;
  CCanvasScene scene;
  CTestFigure* figure = nullptr;
};

}  // namespace

TEST(FigureLabel, TextIsCutTo255AndSlicedInto256PixelCells) {
  CLabelScene s;
  ASSERT_TRUE(s.scene.Ready());
  CDTLabel& label = s.figure->m_label;
  ASSERT_NE(label.m_pFont, nullptr);
  EXPECT_EQ(g_fontMessages, 0);
  const std::wstring long300(300, L'W');
  label.SetText(long300.c_str());
  EXPECT_EQ(std::wcslen(label.m_szText), 255u);
  EXPECT_EQ(std::wstring(label.m_szText), long300.substr(0, 255));

  int w = 0, h = 0;
  label.m_pFont->MeasureText(label.m_szText, -1, &w, &h);
  EXPECT_EQ(label.m_nTextWidth, w);
  EXPECT_EQ(label.m_nTextHeight, h);
  ASSERT_GT(w, 256 * 3);
  EXPECT_EQ(label.m_nCells, (w + 255) / 256);
  label.PlaceAt(40, 60);
  for (int i = 0; i < label.m_nCells; ++i) {
    SCOPED_TRACE(i);
    const CDTLabel::CCell& cell = label.m_pCells[i];
    const int width = std::min(256, w - 256 * i);
    EXPECT_EQ(cell.m_pLabel, &label);
    EXPECT_EQ(cell.m_rcSource.left, 256 * i);
    EXPECT_EQ(cell.m_rcSource.right, 256 * i + width);
    EXPECT_EQ(cell.m_rcSource.bottom, h);
    EXPECT_EQ(cell.m_rcScreen.left, 40 + 256 * i);
    EXPECT_EQ(cell.m_rcScreen.bottom, 60 + h);
    EXPECT_FLOAT_EQ(cell.m_quad[0].x, 40 + 256 * i - 0.5f);
    EXPECT_FLOAT_EQ(cell.m_quad[3].u, width == 256 ? 1.0f : width / 256.0f);
    EXPECT_FLOAT_EQ(cell.m_quad[3].v, h / 256.0f);
    EXPECT_EQ(cell.m_quad[2].color, 0xFF112233u);
  }
  // The box: 5 left, 2 above, 4 right, 1 below the text.
  EXPECT_FLOAT_EQ(label.m_box[0].x, 35.0f);
  EXPECT_FLOAT_EQ(label.m_box[0].y, 58.0f);
  EXPECT_FLOAT_EQ(label.m_box[3].x, 40.0f + w + 4);
  EXPECT_FLOAT_EQ(label.m_box[3].y, 60.0f + h + 1);
  EXPECT_EQ(label.m_box[8].x, label.m_box[4].x);
  EXPECT_EQ(label.m_box[5].color, 0xFF112233u);
}

// The surface holds the rendered text exactly as the text engine draws it,
// and only as many rows as are drawn.
TEST(FigureLabel, SurfaceHoldsTheEnginesGlyphsInTheRowsDrawn) {
  CLabelScene s;
  ASSERT_TRUE(s.scene.Ready());
  CDTLabel& label = s.figure->m_label;
  ASSERT_NE(label.m_pFont, nullptr);
  label.SetText(L"12.345 mm");
  const int w = label.m_nTextWidth, h = label.m_nTextHeight;
  ASSERT_GT(w, 0);
  ASSERT_GT(h, 0);
  int sw = 0, sh = 0;
  const std::vector<unsigned char> alpha = SurfaceAlpha(label.m_pSurface, &sw, &sh);
  ASSERT_FALSE(alpha.empty());
  EXPECT_EQ(sw, 256);
  EXPECT_EQ(sh, h);  // not a whole 256-row cell for one short line

  std::vector<uint32_t> expect(size_t(256) * h, 0);
  label.m_pFont->SetTarget(expect.data(), 256, h, 256 * 4);
  label.m_pFont->DrawText(label.m_szText, -1, 0, 0);
  label.m_pFont->SetTarget(nullptr, 0, 0, 0);
  int inked = 0, differ = 0;
  for (size_t i = 0; i < expect.size(); ++i) {
    inked += (expect[i] >> 24) != 0;
    differ += (expect[i] >> 24) != alpha[i];
  }
  EXPECT_GT(inked, 50);
  EXPECT_EQ(differ, 0);

  // A shorter text re-renders into the same cells with nothing left over.
  label.SetText(L"1");
  const std::vector<unsigned char> after = SurfaceAlpha(label.m_pSurface, &sw, &sh);
  int inkRight = 0;
  for (int y = 0; y < sh; ++y)
    for (int x = label.m_nTextWidth; x < sw; ++x) inkRight += after[size_t(y) * sw + x] != 0;
  EXPECT_EQ(inkRight, 0);
}

// Sizes above 64 come from stored files and the ruler; the surface never
// grows past the 256 rows a slice can show.
TEST(FigureLabel, TallLabelTouchesAtMost256Rows) {
  CLabelScene s;
  ASSERT_TRUE(s.scene.Ready());
  CDTLabel& label = s.figure->m_label;
  label.SetText(L"Tg");
  label.SetFontSize(400);
  ASSERT_NE(label.m_pFont, nullptr);
  ASSERT_GT(label.m_nTextHeight, 256);
  int sw = 0, sh = 0;
  const std::vector<unsigned char> alpha = SurfaceAlpha(label.m_pSurface, &sw, &sh);
  ASSERT_FALSE(alpha.empty());
  EXPECT_EQ(sh, 256);
  EXPECT_EQ(sw, label.m_nCells * 256);
  EXPECT_GT(std::count_if(alpha.begin(), alpha.end(), [](unsigned char a) { return a != 0; }), 1000);
  EXPECT_EQ(label.m_pCells[0].m_rcSource.bottom, 256);
  EXPECT_FLOAT_EQ(label.m_pCells[0].m_quad[3].v, 1.0f);
  EXPECT_EQ(label.m_pCells[0].m_rcScreen.bottom - label.m_pCells[0].m_rcScreen.top, label.m_nTextHeight);
  s.scene.Read();  // draws without touching rows that are not there

  // Back to a small size: the surface shrinks with it.
  label.SetFontSize(12);
  label.SetText(L"Tg");
  SurfaceAlpha(label.m_pSurface, &sw, &sh);
  EXPECT_EQ(sh, label.m_nTextHeight);
}

TEST(FigureLabel, HitTestCoversTheTextOnly) {
  CLabelScene s;
  ASSERT_TRUE(s.scene.Ready());
  CDTLabel& label = s.figure->m_label;
  label.SetText(L"42.000 mm");
  label.PlaceAt(100, 200);
  const int w = label.m_nTextWidth, h = label.m_nTextHeight;
  ASSERT_GT(w, 0);
  const struct {
    POINT p;
    BOOL hit;
  } cases[] = {{{100, 200}, TRUE},          {{100 + w - 1, 200 + h - 1}, TRUE},
               {{99, 200}, FALSE},          {{100, 199}, FALSE},
               {{100 + w, 210}, FALSE},     {{110, 200 + h}, FALSE},
               {{100 + w + 3, 200}, FALSE}, {{96, 198}, FALSE}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.p.x << "," << c.p.y);
    EXPECT_EQ(label.HitTest(&c.p), c.hit);
    EXPECT_EQ(HitLabel(s.figure, &c.p), c.hit);
  }
}

TEST(FigureLabel, MissingFontGoesThroughTheMessageFunction) {
  CFontMessages messages;
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  CTestFigure* figure = scene.AddFigure(DRAW_LINE);
  CDTLabel& label = figure->m_label;
  // Wine's GDI hands any unknown face name a substitute, so a size the text
  // engine refuses stands for a font that cannot be had.
  label.Init(&scene.m_canvas, kFace, 0xFFFFFFFF, 0);
  EXPECT_EQ(g_fontMessages, 1);
  EXPECT_EQ(g_lastFontMessage, L"Make sure you have the font file");
  EXPECT_EQ(label.m_pFont, nullptr);
  label.SetText(L"1.0");
  EXPECT_STREQ(label.m_szText, L"1.0");
  EXPECT_EQ(label.m_nTextWidth, 0);

  // A usable size, then a refused one: the old font stays.
  label.SetFontSize(16);
  ASSERT_NE(label.m_pFont, nullptr);
  FTFont* good = label.m_pFont;
  label.SetFontSize(0);
  EXPECT_EQ(g_fontMessages, 2);
  EXPECT_EQ(label.m_pFont, good);
}

// A hand-placed label keeps its distance to the figure in picture pixels.
TEST(FigureLabel, FollowingLabelKeepsItsOffsetInPicturePixels) {
  CLabelScene s;
  ASSERT_TRUE(s.scene.Ready());
  CDTLabel& label = s.figure->m_label;
  label.SetText(L"7.5");
  CDTImage& doc = s.scene.m_document;
  doc.m_rcBounds = {0, 0, 800, 600};
  doc.m_fZoom = 1.0f;
  s.figure->UpdateBounds();  // (10,10)-(50,50): centre (30,30)
  const int w = label.m_nTextWidth, h = label.m_nTextHeight;

  s.figure->m_bComplete = 0;
  label.MoveTo(100, 100);
  EXPECT_EQ(label.m_bFollows, 0);  // still being created
  s.figure->m_bComplete = 1;
  label.MoveTo(130 - w / 2, 30 - h / 2);
  EXPECT_EQ(label.m_bFollows, 1);
  const float gap = label.m_fOffsetX;
  EXPECT_NEAR(gap, 100.0f, 1.0f);
  label.PlaceAt(0, 0);  // the figure's placement no longer applies
  EXPECT_NEAR(label.m_ptPosition.x + w * 0.5f, 130.0f, 1.0f);

  doc.m_fZoom = 2.0f;
  for (auto& handle : s.figure->m_handles) handle->SetCenter(handle->cx * 2, handle->cy * 2);
  s.figure->UpdateBounds();  // centre (60,60) on the screen, (30,30) in the picture
  label.UpdatePosition();
  EXPECT_NEAR(label.m_ptPosition.x + w * 0.5f, 60.0f + 2 * gap, 1.0f);
  EXPECT_NEAR(label.m_ptPosition.y + h * 0.5f, 60.0f, 1.0f);
}

namespace {

// Committed private memory of the process, summed over its regions (Wine
// reports no PrivateUsage through GetProcessMemoryInfo).
SIZE_T PrivateBytes() {
  SIZE_T total = 0;
  MEMORY_BASIC_INFORMATION info{};
  const char* address = nullptr;
  while (VirtualQuery(address, &info, sizeof info) == sizeof info) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
    const char* next = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
    if (next <= address) break;
    address = next;
  }
  return total;
}

}  // namespace

// A thousand figures with short values must fit a 32-bit program easily: a
// label keeps only the rows it draws and its font only the glyphs it shows.
TEST(FigureLabel, AThousandLabelsStaySmall) {
  CFontMessages messages;
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  const int fonts = scene.m_canvas.m_fontFactory.FontCount();  // the ruler's
  constexpr int kLabels = 1000;
  std::vector<std::unique_ptr<CDTLabel>> labels;
  labels.reserve(kLabels);
  const SIZE_T before = PrivateBytes();
  ASSERT_GT(before, 0u);
  for (int i = 0; i < kLabels; ++i) {
    labels.push_back(std::make_unique<CDTLabel>());
    labels.back()->Init(&scene.m_canvas, kFace, 0xFFFF0000, 16);
    ASSERT_NE(labels.back()->m_pFont, nullptr);
    labels.back()->SetText(L"12.345 mm");
  }
  const SIZE_T after = PrivateBytes();
  const double perLabel = (static_cast<double>(after) - static_cast<double>(before)) / kLabels;
  RecordProperty("BytesPerLabel", static_cast<int>(perLabel));
  std::printf("bytes per label: %.0f\n", perLabel);
  EXPECT_LT(perLabel, 128.0 * 1024);
  for (auto& label : labels) label->ReleaseDeviceObjects();
  EXPECT_EQ(scene.m_canvas.m_fontFactory.FontCount(), fonts);
}

namespace {

// A figure that shows only its label.
class CLabelFigure : public CTestFigure {
 public:
  int Draw() override { return m_label.Draw(); }
};

bool WriteFaceFile(const wchar_t* face, const char* path) {
  HDC dc = GetDC(nullptr);
  HFONT font = CreateFontW(0, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
  HGDIOBJ old = SelectObject(dc, font);
  const DWORD size = GetFontData(dc, 0, 0, nullptr, 0);
  std::vector<char> data(size == GDI_ERROR ? 0 : size);
  const bool ok = size != GDI_ERROR && GetFontData(dc, 0, 0, data.data(), size) == size;
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(nullptr, dc);
  if (ok) std::ofstream(path, std::ios::binary).write(data.data(), std::streamsize(data.size()));
  return ok;
}

}  // namespace

// Writes the drawn label for the Python check, which renders the same face
// with FreeType and composites text over box over background with PIL.
TEST(FigureLabel, WritesTheDrawnLabelForTheFreeTypeComparison) {
  CFontMessages messages;
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  ASSERT_TRUE(WriteFaceFile(kFace, "label_face.ttf"));
  scene.m_canvas.m_clrBackground = 0xFF808080;
  auto* figure = new CLabelFigure();
  RECT rc{10, 10, 50, 50};
  ASSERT_TRUE(SUCCEEDED(figure->Create(&scene.m_canvas, &scene.m_document, L"label", &rc)));
  const DWORD textColour = 0xFF20C040, boxColour = 0x80204060;
  CDTLabel& label = figure->m_label;
  label.Init(&scene.m_canvas, kFace, textColour, 20);
  label.Attach(figure);
  label.SetBackgroundColor(boxColour);
  const wchar_t text[] = L"Area 12.345 mm\u00B2 Wave";
  label.SetText(text);
  label.PlaceAt(50, 60);
  const int w = label.m_nTextWidth, h = label.m_nTextHeight;
  ASSERT_GT(w, 0);
  const CReadBack frame = scene.Read();
  ASSERT_GE(frame.width, 50 + w);
  std::vector<unsigned char> rgb;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const uint32_t p = frame.At(50 + x, 60 + y);
      rgb.push_back(static_cast<unsigned char>(p >> 16));
      rgb.push_back(static_cast<unsigned char>(p >> 8));
      rgb.push_back(static_cast<unsigned char>(p));
    }
  std::ofstream("label_frame.bin", std::ios::binary)
      .write(reinterpret_cast<const char*>(rgb.data()), std::streamsize(rgb.size()));
  FILE* info = std::fopen("label_case.txt", "w");
  ASSERT_NE(info, nullptr);
  std::fprintf(info, "label_face.ttf 20 %d %d %lu %lu %lu", w, h, static_cast<unsigned long>(textColour),
               static_cast<unsigned long>(boxColour), static_cast<unsigned long>(scene.m_canvas.m_clrBackground));
  for (const wchar_t* c = text; *c; ++c) std::fprintf(info, " %d", int(*c));
  std::fprintf(info, "\n");
  std::fclose(info);
}

// Without the background neither box nor border is drawn; the text still is.
TEST(FigureLabel, NoBackgroundMeansNoBorder) {
  CFontMessages messages;
  CCanvasScene scene;
  ASSERT_TRUE(scene.Ready());
  scene.m_canvas.m_clrBackground = 0xFF808080;
  scene.m_document.m_pRuler->m_bVisible = 0;  // its bracket runs through the label's row
  auto* figure = new CLabelFigure();
  RECT rc{10, 10, 50, 50};
  ASSERT_TRUE(SUCCEEDED(figure->Create(&scene.m_canvas, &scene.m_document, L"label", &rc)));
  CDTLabel& label = figure->m_label;
  label.Init(&scene.m_canvas, kFace, 0xFFFFFFFF, 20);
  label.Attach(figure);
  label.SetBackgroundColor(0xFF000000);
  label.SetText(L"8");
  label.PlaceAt(100, 100);
  const int right = 100 + label.m_nTextWidth + 4, bottom = 100 + label.m_nTextHeight + 1;
  CReadBack frame = scene.Read();
  EXPECT_EQ(frame.At(97, 99), 0x000000u);      // inside the box
  EXPECT_EQ(frame.At(95, 99), 0xFFFFFFu);      // border on the left edge
  EXPECT_EQ(frame.At(97, bottom), 0xFFFFFFu);  // border on the bottom edge
  EXPECT_EQ(frame.At(right + 2, 99), 0x808080u);
  label.SetBorder(FALSE);
  frame = scene.Read();
  EXPECT_EQ(frame.At(95, 99), 0x000000u);
  label.SetBackground(FALSE);
  label.SetBorder(TRUE);
  frame = scene.Read();
  EXPECT_EQ(frame.At(97, 99), 0x808080u);
  EXPECT_EQ(frame.At(95, 99), 0x808080u);
  EXPECT_EQ(frame.At(97, bottom), 0x808080u);
  int white = 0;
  for (int y = 100; y < 100 + label.m_nTextHeight; ++y)
    for (int x = 100; x < 100 + label.m_nTextWidth; ++x) white += frame.At(x, y) == 0xFFFFFFu;
  EXPECT_GT(white, 10);
}

// The figure places its label below its box, the ruler above its middle.
TEST(FigureLabel, FigurePlacesItsLabelOnFontSizeChanges) {
  CLabelScene s;
  ASSERT_TRUE(s.scene.Ready());
  CTestFigure* figure = s.figure;
  figure->UpdateBounds();  // (10,10)-(50,50)
  CDTLabel& label = figure->m_label;
  label.SetText(L"3.000 mm");
  figure->PlaceLabel();
  EXPECT_EQ(label.m_ptPosition.x, (60 - label.m_nTextWidth) / 2);
  EXPECT_EQ(label.m_ptPosition.y, 50 + label.m_nTextHeight / 2);

  figure->SetFontSize(30, FALSE);
  EXPECT_EQ(label.m_nFontSize, 30);
  EXPECT_EQ(label.m_ptPosition.x, (60 - label.m_nTextWidth) / 2);
  EXPECT_EQ(label.m_ptPosition.y, 50 + label.m_nTextHeight / 2);

  figure->m_nType = DRAW_RULER;
  figure->SetFontSize(24, FALSE);
  EXPECT_EQ(label.m_ptPosition.y, 30 - label.m_nTextHeight - 5);
}

// Exactly 256 pixels fit one cell; one more pixel needs a second, narrow one.
TEST(FigureLabel, CellsSplitAt256Pixels) {
  CLabelScene s;
  ASSERT_TRUE(s.scene.Ready());
  CDTLabel& label = s.figure->m_label;
  ASSERT_NE(label.m_pFont, nullptr);
  // Strings of two glyphs without kerning between them, searched for the widths.
  std::wstring exact, over;
  for (int a = 0; a < 80 && (exact.empty() || over.empty()); ++a)
    for (int b = 0; b < 80; ++b) {
      const std::wstring text = std::wstring(size_t(a), L'1') + std::wstring(size_t(b), L'l');
      if (text.empty()) continue;
      int w = 0, h = 0;
      label.m_pFont->MeasureText(text.c_str(), -1, &w, &h);
      if (w == 256 && exact.empty()) exact = text;
      if (w == 257 && over.empty()) over = text;
    }
  if (exact.empty() || over.empty()) GTEST_SKIP() << "no strings 256 and 257 pixels wide in this face";
  label.SetText(exact.c_str());
  EXPECT_EQ(label.m_nCells, 1);
  EXPECT_FLOAT_EQ(label.m_pCells[0].m_quad[3].u, 1.0f);
  label.SetText(over.c_str());
  ASSERT_EQ(label.m_nCells, 2);
  EXPECT_EQ(label.m_pCells[1].m_rcSource.left, 256);
  EXPECT_EQ(label.m_pCells[1].m_rcSource.right, 257);
  EXPECT_FLOAT_EQ(label.m_pCells[1].m_quad[3].u, 1.0f / 256);
  int sw = 0, sh = 0;
  SurfaceAlpha(label.m_pSurface, &sw, &sh);
  EXPECT_EQ(sw, 512);
}
