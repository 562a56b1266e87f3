#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "engine/text/FTFontFactory.h"
#include "engine/text/FTFontImpl.h"
#include "engine/text/GlyphBlend.h"

namespace {

const char* const kLiberationPath = "Z:\\usr\\share\\fonts\\truetype\\liberation\\LiberationSans-Regular.ttf";

std::vector<unsigned char> ReadFile(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

const char* const kDejaVuPath = "Z:\\usr\\share\\fonts\\truetype\\dejavu\\DejaVuSans.ttf";

const std::vector<unsigned char>& LiberationBytes() {
  static const std::vector<unsigned char> bytes = ReadFile(kLiberationPath);
  return bytes;
}

// A pixel buffer with guard rows and columns around the part the font sees.
struct GuardedTarget {
  static constexpr int kGuard = 64;
  static constexpr uint32_t kGuardValue = 0x5A5A5A5Au;
  int width, height, stride;
  std::vector<uint32_t> pixels;

  GuardedTarget(int w, int h)
      : width(w), height(h), stride(w + 2 * kGuard), pixels(size_t(stride) * (h + 2 * kGuard), kGuardValue) {
    for (int y = 0; y < h; ++y) std::fill_n(At(0, y), w, 0u);
  }
  uint32_t* At(int x, int y) { return &pixels[size_t(y + kGuard) * stride + x + kGuard]; }
  void Attach(FTFont* font) { font->SetTarget(At(0, 0), width, height, stride * 4); }
  bool GuardsIntact() const {
    for (int y = 0; y < height + 2 * kGuard; ++y)
      for (int x = 0; x < stride; ++x) {
        const bool inside = y >= kGuard && y < kGuard + height && x >= kGuard && x < kGuard + width;
        if (!inside && pixels[size_t(y) * stride + x] != kGuardValue) return false;
      }
    return true;
  }
  int Inked() {
    int n = 0;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) n += (*At(x, y) >> 24) != 0;
    return n;
  }
};

class TextFont : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(LiberationBytes().empty()) << kLiberationPath;
    m_font = m_factory.CreateMemoryFont(L"Liberation Sans", LiberationBytes().data(), int(LiberationBytes().size()), 20,
                                        0, 0, false);
    ASSERT_NE(m_font, nullptr);
  }
  void TearDown() override { m_factory.ReleaseFont(m_font); }
  int Width(const wchar_t* text) {
    int w = 0, h = 0;
    m_font->MeasureText(text, -1, &w, &h);
    return w;
  }

  FTFontFactory m_factory;
  FTFont* m_font = nullptr;
};

}  // namespace

TEST_F(TextFont, DescriptionAndMetrics) {
  FontDescription d{};
  m_font->GetDescription(&d);
  EXPECT_EQ(d.size, 20);
  EXPECT_STREQ(d.familyName, L"Liberation Sans");
  EXPECT_STREQ(m_font->GetFamilyName(), L"Liberation Sans");
  EXPECT_EQ(m_font->GetFilePath(), nullptr);
  EXPECT_GT(m_font->GetLineHeight(), 20);
  EXPECT_LT(m_font->GetLineHeight(), 40);
  EXPECT_EQ(m_font->GetLayout()->clipMode, 2);
  EXPECT_EQ(m_font->SetUserData(7), 0);
  EXPECT_EQ(m_font->SetUserData(8), 7);

  GlyphEntry* a = m_font->GetGlyph('A');
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->state & (GlyphMetrics | GlyphGray), unsigned(GlyphMetrics | GlyphGray));
  EXPECT_GT(a->advance, 0);
  EXPECT_GT(a->gray.rows, 0);
  EXPECT_EQ(m_font->GetGlyph('A'), a);  // cached
  EXPECT_EQ(m_font->GetGlyph(0xFFFF), nullptr);
  EXPECT_EQ(m_font->GetGlyph(0x10000), nullptr);
  // A character the face lacks is drawn with its '?'.
  GlyphEntry* missing = m_font->GetGlyph(0x4E2D);
  ASSERT_NE(missing, nullptr);
  EXPECT_EQ(missing->glyphIndex, m_font->GetGlyph('?')->glyphIndex);
}

TEST_F(TextFont, Measuring) {
  const int lh = m_font->GetLineHeight();
  const struct {
    const wchar_t* text;
    const wchar_t* sameWidthAs;  // null: width 1
    int lines;
  } cases[] = {
      {L"", nullptr, 1},       {L"A&B", L"AB", 1},        {L"A&&B", L"A&B", 1},  // the second '&' is drawn
      {L"AB\nWWW", L"WWW", 2}, {L"WWW\nAB\n", L"WWW", 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
    int w = 0, h = 0;
    m_font->MeasureText(c.text, -1, &w, &h);
    EXPECT_EQ(h, c.lines * lh);
    if (c.sameWidthAs) {
      int w2 = 0, h2 = 0;
      std::wstring plain(c.sameWidthAs);
      if (plain == L"A&B") {
        m_font->MeasureText(L"A", 1, &w2, &h2);
        w2 += m_font->GetGlyph('&')->advance + m_font->GetGlyph('B')->advance;
      } else {
        m_font->MeasureText(c.sameWidthAs, -1, &w2, &h2);
      }
      EXPECT_NEAR(w, w2, 2);  // kerning pairs may differ by a pixel
      EXPECT_GT(w, 1);
    } else {
      EXPECT_EQ(w, 1);
    }
  }
  int w = 0, h = 0;
  m_font->MeasureText(L"ABCDEF", 2, &w, &h);
  EXPECT_EQ(w, Width(L"AB"));
}

// A count bounds the text: nothing past it is read, and a terminator before it
// ends the text. The letters sit at the very end of a page whose next page
// cannot be read, so a look past the count faults.
TEST_F(TextFont, CountedTextIsReadNoFurtherThanItsCount) {
  SYSTEM_INFO info{};
  GetSystemInfo(&info);
  const size_t page = info.dwPageSize;
  auto* base = static_cast<uint8_t*>(VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  ASSERT_NE(base, nullptr);
  DWORD old = 0;
  ASSERT_TRUE(VirtualProtect(base + page, page, PAGE_NOACCESS, &old));
  const wchar_t letters[] = {L'W', L'A', L'V', L'E', L'S'};  // no terminator
  constexpr int kLetters = 5;
  auto* edge = reinterpret_cast<wchar_t*>(base + page) - kLetters;
  std::copy(letters, letters + kLetters, edge);

  GuardedTarget counted(200, 40), copied(200, 40);
  for (int count = 1; count <= kLetters; ++count) {
    SCOPED_TRACE(count);
    const std::wstring copy(letters, letters + count);
    int w = 0, h = 0, w2 = 0, h2 = 0;
    m_font->MeasureText(edge, count, &w, &h);
    m_font->MeasureText(copy.c_str(), -1, &w2, &h2);
    EXPECT_EQ(w, w2);
    EXPECT_EQ(h, h2);
    std::fill(counted.pixels.begin(), counted.pixels.end(), 0u);
    std::fill(copied.pixels.begin(), copied.pixels.end(), 0u);
    counted.Attach(m_font);
    EXPECT_EQ(m_font->DrawText(edge, count, 0, 0), count);
    copied.Attach(m_font);
    EXPECT_EQ(m_font->DrawText(copy.c_str(), -1, 0, 0), count);
    EXPECT_EQ(counted.pixels, copied.pixels);
    EXPECT_GT(counted.Inked(), 0);
  }
  m_font->SetTarget(nullptr, 0, 0, 0);
  VirtualFree(base, 0, MEM_RELEASE);

  // A terminator inside the count, or no count at all, ends the text there.
  const struct {
    const wchar_t* text;
    int count;
    const wchar_t* same;
  } cases[] = {{L"AV", 9, L"AV"}, {L"AV", 0, L"AV"}, {L"AV", -3, L"AV"}, {L"", 4, L""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.count);
    int w = 0, h = 0;
    m_font->MeasureText(c.text, c.count, &w, &h);
    EXPECT_EQ(w, Width(c.same));
    EXPECT_EQ(h, m_font->GetLineHeight());
  }
}

TEST_F(TextFont, AmpersandUnderlinesTheNextCharacter) {
  GuardedTarget target(200, 60);
  TextLayout layout;
  layout.clipMode = 0;
  m_font->SetLayout(&layout);
  target.Attach(m_font);
  EXPECT_EQ(m_font->DrawText(L"A&B", -1, 0, 0), 3);

  GlyphEntry* a = m_font->GetGlyph('A');
  GlyphEntry* b = m_font->GetGlyph('B');
  // The underline row lies below the baseline, all white, under B only.
  int row = -1;
  for (int y = 0; y < target.height && row < 0; ++y)
    if (*target.At(a->advance + 1, y) == 0xFFFFFFFFu && *target.At(a->advance + b->advance - 2, y) == 0xFFFFFFFFu)
      row = y;
  ASSERT_GE(row, 0);
  EXPECT_NE(*target.At(a->advance / 2, row), 0xFFFFFFFFu);
  EXPECT_NE(*target.At(a->advance + b->advance + 2, row), 0xFFFFFFFFu);

  GuardedTarget twice(200, 60);
  twice.Attach(m_font);
  m_font->DrawText(L"A&&B", -1, 0, 0);
  GlyphEntry* amp = m_font->GetGlyph('&');
  EXPECT_EQ(*twice.At(a->advance + 1, row), 0xFFFFFFFFu);                              // under '&'
  EXPECT_NE(*twice.At(a->advance + amp->advance + b->advance / 2, row), 0xFFFFFFFFu);  // not under B
  EXPECT_TRUE(target.GuardsIntact());
  EXPECT_TRUE(twice.GuardsIntact());
}

TEST_F(TextFont, ClipModeStopsBeforeTheGlyphThatDoesNotFit) {
  GuardedTarget target(50, 40);
  target.Attach(m_font);
  const int adv = m_font->GetGlyph('W')->advance;
  const int drawn = m_font->DrawText(L"WWWWWWWWWW", -1, 0, 0);
  EXPECT_EQ(drawn, 50 / adv);
  EXPECT_GT(drawn, 0);
  EXPECT_EQ(m_font->DrawText(L"W", -1, 45, 0), 0);
  EXPECT_EQ(m_font->DrawText(L"W", -1, 60, 0), 0);
  EXPECT_TRUE(target.GuardsIntact());
}

TEST_F(TextFont, LineFeedStartsTheNextLineAtX) {
  GuardedTarget target(100, 100);
  target.Attach(m_font);
  m_font->DrawText(L"B\nB", -1, 10, 5);
  const int lh = m_font->GetLineHeight();
  for (int y = 0; y < lh; ++y)
    for (int x = 0; x < 40; ++x) ASSERT_EQ(*target.At(x, y + 5), *target.At(x, y + 5 + lh)) << x << "," << y;
  EXPECT_GT(target.Inked(), 0);
}

// Labels pushed past any edge of the surface draw only their visible part.
TEST_F(TextFont, DrawingClipsOnEverySide) {
  const struct {
    int x, y;
  } positions[] = {{-7, 5}, {5, -9}, {-30, -30}, {180, 5}, {5, 35}, {-500, -500}, {500, 500}, {-15, 38}};
  for (int clip : {0, 2}) {
    for (const auto& p : positions) {
      SCOPED_TRACE(testing::Message() << "clip " << clip << " at " << p.x << "," << p.y);
      GuardedTarget target(200, 50);
      TextLayout layout;
      layout.clipMode = clip;
      m_font->SetLayout(&layout);
      target.Attach(m_font);
      m_font->DrawText(L"g&jÅW\nQy", -1, p.x, p.y);
      m_font->BlendText(L"g&jÅWQy", -1, p.x, p.y);
      EXPECT_TRUE(target.GuardsIntact());
    }
  }
  // No target at all.
  m_font->SetTarget(nullptr, 100, 100, 400);
  TextLayout layout;
  layout.clipMode = 0;
  m_font->SetLayout(&layout);
  EXPECT_EQ(m_font->DrawText(L"AB", -1, 0, 0), 2);
  EXPECT_EQ(m_font->BlendText(L"AB", -1, 0, 0), 2);
}

TEST_F(TextFont, GlyphCallbackRecolours) {
  GuardedTarget target(200, 40);
  target.Attach(m_font);
  m_font->SetUserData(42);
  m_font->SetGlyphCallback(
      [](int index, int, int, int, int height, unsigned char* r, unsigned char* g, unsigned char* b, int user) {
        EXPECT_EQ(height, 12);
        EXPECT_EQ(user, 42);
        if (index == 1) *r = 0, *g = 0, *b = 0x80;
      });
  m_font->SetColor(0x10, 0x20, 0x30);
  m_font->DrawText(L"II", -1, 0, 0);
  const int adv = m_font->GetGlyph('I')->advance;
  bool first = false, second = false;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 2 * adv; ++x) {
      const uint32_t p = *target.At(x, y);
      if (p >> 24 == 0) continue;
      if (x < adv) first |= (p & 0xFFFFFF) == 0x102030;
      if (x >= adv) second |= (p & 0xFFFFFF) == 0x000080;
    }
  EXPECT_TRUE(first);
  EXPECT_TRUE(second);
}

// Every length through the 16-, 4- and 1-pixel steps: each pixel holds the
// colour with its coverage as alpha, and the pixel after the row is untouched.
TEST(TextBlend, PutRowWritesColourWithCoverageAlpha) {
  std::mt19937 rng(11);
  for (auto put : {PutCoverageRowScalar, PutCoverageRowSse2}) {
    for (int count = 0; count <= 37; ++count) {
      SCOPED_TRACE(count);
      std::vector<uint8_t> coverage(count + 1);
      for (auto& c : coverage) c = uint8_t(rng());
      std::vector<uint32_t> row(count + 1, 0xA5A5A5A5u);
      put(reinterpret_cast<uint8_t*>(row.data()), coverage.data(), count, 0x12, 0x34, 0xF6);
      for (int j = 0; j < count; ++j) ASSERT_EQ(row[j], (uint32_t(coverage[j]) << 24) | 0x1234F6u) << j;
      EXPECT_EQ(row[count], 0xA5A5A5A5u);
    }
  }
}

TEST(TextBlend, VectorRowMatchesScalar) {
  std::mt19937 rng(7);
  for (int count = 0; count <= 19; ++count) {
    SCOPED_TRACE(count);
    std::vector<uint8_t> coverage(count), a(4 * count + 4), b;
    for (auto& c : coverage) c = uint8_t(rng());
    if (count) coverage[0] = 255, coverage[count - 1] = 0;
    for (auto& p : a) p = uint8_t(rng());
    b = a;
    BlendCoverageRowScalar(a.data(), coverage.data(), count, 200, 17, 255);
    BlendCoverageRowSse2(b.data(), coverage.data(), count, 200, 17, 255);
    EXPECT_EQ(a, b);
  }
  // Full coverage gives the colour, none keeps the pixel.
  uint8_t px[8] = {1, 2, 3, 4, 9, 9, 9, 9};
  const uint8_t cov[2] = {255, 0};
  BlendCoverageRowScalar(px, cov, 2, 100, 50, 25);
  EXPECT_EQ(px[0], 24);  // (25*255 >> 8) + 0
  EXPECT_EQ(px[4], 9 * 255 >> 8);
}

TEST(TextFactory, FacesAreSharedAndFreed) {
  FTFontFactory factory;
  FTFont* a = factory.CreateFaceFont(L"Arial", 20, 0, 0, false);
  ASSERT_NE(a, nullptr);
  FTFont* b = factory.CreateFaceFont(L"Arial", 12, 0, 0, false);
  ASSERT_NE(b, nullptr);
  EXPECT_NE(a, b);
  EXPECT_EQ(factory.FaceDataCount(), 1);
  EXPECT_EQ(factory.FaceReferenceCount(L"Arial"), 2);
  EXPECT_EQ(factory.FontCount(), 2);
  EXPECT_STREQ(a->GetFamilyName(), L"Liberation Sans");  // Wine's replacement for Arial
  factory.ReleaseFont(a);
  EXPECT_EQ(factory.FaceReferenceCount(L"Arial"), 1);
  factory.ReleaseFont(b);
  EXPECT_EQ(factory.FaceReferenceCount(L"Arial"), -1);
  EXPECT_EQ(factory.FaceDataCount(), 0);
  EXPECT_EQ(factory.FontCount(), 0);
  factory.ReleaseFont(nullptr);

  // Fonts still alive when the factory ends are destroyed with it.
  EXPECT_NE(factory.CreateFaceFont(L"DejaVu Sans", 14, 0, 0, false), nullptr);
}

TEST(TextFactory, FailedCreationKeepsTheShareBalanced) {
  FTFontFactory factory;
  const auto& bytes = LiberationBytes();
  ASSERT_FALSE(bytes.empty());
  FTFont* live = factory.CreateMemoryFont(L"Shared", bytes.data(), int(bytes.size()), 20, 0, 0, false);
  ASSERT_NE(live, nullptr);
  for (int badSize : {0, -5, 100000}) {
    SCOPED_TRACE(badSize);
    EXPECT_EQ(factory.CreateFaceFont(L"Shared", badSize, 0, 0, false), nullptr);
    EXPECT_EQ(factory.FaceReferenceCount(L"Shared"), 1);
  }
  // The live font still has its bytes.
  GuardedTarget target(100, 40);
  target.Attach(live);
  EXPECT_EQ(live->DrawText(L"Ok", -1, 0, 0), 2);
  EXPECT_GT(target.Inked(), 20);

  // Releasing twice, or a font of no factory, leaves the others alone.
  FTFont* second = factory.CreateFaceFont(L"Shared", 14, 0, 0, false);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(factory.FaceReferenceCount(L"Shared"), 2);
  factory.ReleaseFont(second);
  factory.ReleaseFont(second);
  EXPECT_EQ(factory.FaceReferenceCount(L"Shared"), 1);
  factory.ReleaseFont(live);
  EXPECT_EQ(factory.FaceDataCount(), 0);

  // Bytes that are no font: null, and nothing kept.
  const std::vector<unsigned char> junk(5000, 0xAB);
  EXPECT_EQ(factory.CreateMemoryFont(L"Junk", junk.data(), int(junk.size()), 20, 0, 0, false), nullptr);
  EXPECT_EQ(factory.CreateMemoryFont(L"Junk", nullptr, 0, 20, 0, 0, false), nullptr);
  std::vector<unsigned char> cut(bytes.begin(), bytes.begin() + 100);
  EXPECT_EQ(factory.CreateMemoryFont(L"Cut", cut.data(), int(cut.size()), 20, 0, 0, false), nullptr);
  EXPECT_EQ(factory.FaceDataCount(), 0);
  EXPECT_EQ(factory.FontCount(), 0);
}

// What a face's finalizer saw of the face's bytes. FreeType runs the finalizer
// inside FT_Done_Face, so the bytes must still be the font's at that moment.
struct FaceBytesWitness {
  std::vector<unsigned char> expected;
  int calls = 0;
  int intact = 0;
};

bool Readable(const void* address) {
  MEMORY_BASIC_INFORMATION info{};
  return VirtualQuery(address, &info, sizeof info) == sizeof info && info.State == MEM_COMMIT &&
         !(info.Protect & (PAGE_NOACCESS | PAGE_GUARD));
}

void WitnessFaceBytes(void* object) {
  const auto face = static_cast<FT_Face>(object);
  auto* witness = static_cast<FaceBytesWitness*>(face->generic.data);
  ++witness->calls;
  const FT_Stream stream = face->stream;
  const size_t size = witness->expected.size();
  if (!stream || !stream->base || stream->size != size) return;
  if (!Readable(stream->base) || !Readable(stream->base + size - 1)) return;
  witness->intact += std::memcmp(stream->base, witness->expected.data(), size) == 0;
}

void Watch(FTFont* font, FaceBytesWitness* witness) {
  FT_Face face = static_cast<FTFontImpl*>(font)->Face();
  face->generic.data = witness;
  face->generic.finalizer = WitnessFaceBytes;
}

TEST(TextFactory, FacesCloseBeforeTheirBytesAreFreed) {
  for (const char* path : {kLiberationPath, kDejaVuPath}) {
    SCOPED_TRACE(path);
    FaceBytesWitness witness;
    witness.expected = ReadFile(path);
    ASSERT_FALSE(witness.expected.empty());
    const int count = int(witness.expected.size());
    FTFontFactory factory;
    FTFont* first = factory.CreateMemoryFont(L"Watched", witness.expected.data(), count, 20, 0, 0, false);
    FTFont* second = factory.CreateFaceFont(L"Watched", 12, 0, 0, false);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    Watch(first, &witness);
    Watch(second, &witness);
    factory.ReleaseFont(first);
    EXPECT_EQ(witness.calls, 1);
    EXPECT_EQ(factory.FaceReferenceCount(L"Watched"), 1);
    factory.ReleaseFont(second);  // the last user: its bytes go after its face
    EXPECT_EQ(witness.calls, 2);
    EXPECT_EQ(witness.intact, 2) << "FT_Done_Face ran on freed face bytes";
    EXPECT_EQ(factory.FaceDataCount(), 0);
  }
}

// Writes the coverage our fonts draw for a table of strings; the Python check
// renders the same font files with FreeType and compares every byte.
TEST(TextCoverage, WritesCoverageForTheFreeTypeComparison) {
  FTFontFactory factory;
  struct Face {
    const char* file;  // written for the check
    const wchar_t* name;
  };
  // GetFontData's bytes of two installed faces, written out as the check's font files.
  const Face faces[] = {{"face_liberation.ttf", L"Liberation Sans"}, {"face_dejavu.ttf", L"DejaVu Sans"}};
  for (const Face& face : faces) {
    HDC dc = GetDC(nullptr);
    HFONT font = CreateFontW(0, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face.name);
    HGDIOBJ old = SelectObject(dc, font);
    const DWORD size = GetFontData(dc, 0, 0, nullptr, 0);
    ASSERT_NE(size, GDI_ERROR);
    std::vector<char> data(size);
    ASSERT_EQ(GetFontData(dc, 0, 0, data.data(), size), size);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(nullptr, dc);
    std::ofstream(face.file, std::ios::binary).write(data.data(), std::streamsize(data.size()));
  }

  const wchar_t* const texts[] = {L"Hello, World",   L"AVATAR Wave To", L"0.123 mm\u00B2 45.0\u00B0",
                                  L"A&B under&line", L"two\nlines gj",  L"Kerning: To Ty Yo LT"};
  const int sizes[] = {11, 20, 33};
  FILE* index = std::fopen("glyph_cases.txt", "w");
  ASSERT_NE(index, nullptr);
  int n = 0;
  for (const Face& face : faces) {
    for (int size : sizes) {
      FTFont* font = factory.CreateFaceFont(face.name, size, 0, 0, false);
      ASSERT_NE(font, nullptr);
      TextLayout layout;
      layout.clipMode = 0;
      font->SetLayout(&layout);
      for (const wchar_t* text : texts) {
        int w = 0, h = 0;
        font->MeasureText(text, -1, &w, &h);
        const int width = w + 40, height = h + 20, x = 5, y = 7;
        std::vector<uint32_t> pixels(size_t(width) * height, 0);
        font->SetTarget(pixels.data(), width, height, width * 4);
        EXPECT_EQ(font->DrawText(text, -1, x, y), int(std::wcslen(text)));
        std::vector<unsigned char> alpha(pixels.size());
        for (size_t i = 0; i < pixels.size(); ++i) alpha[i] = static_cast<unsigned char>(pixels[i] >> 24);
        char name[64];
        std::snprintf(name, sizeof name, "glyph_%d.bin", n++);
        std::ofstream(name, std::ios::binary)
            .write(reinterpret_cast<const char*>(alpha.data()), std::streamsize(alpha.size()));
        std::fprintf(index, "%s %s %d %d %d %d %d %d %d", name, face.file, size, x, y, width, height, w, h);
        for (const wchar_t* c = text; *c; ++c) std::fprintf(index, " %d", int(*c));
        std::fprintf(index, "\n");
      }
      factory.ReleaseFont(font);
    }
  }
  std::fclose(index);
  EXPECT_EQ(factory.FaceDataCount(), 0);
}
