#include "engine/text/FTFontImpl.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>

#include FT_GLYPH_H

#include "engine/text/GlyphBlend.h"

namespace {

// Whole pixels, rounded up, of a 26.6 value.
inline int Ceil26(FT_Pos v) { return static_cast<int>((v + 63) >> 6); }

// Sizes beyond any screen; FreeType itself refuses sizes near 0xFFFF pixels.
constexpr int kMaxPixelSize = 4096;

}  // namespace

FTFontImpl::FTFontImpl(FT_Library library, const unsigned char* data, int byteCount, int size, int secondSize,
                       int styleValue, bool styleFlag)
    : m_memoryData(data), m_memoryBytes(byteCount), m_library(library) {
  m_description.size = size;
  m_description.secondSize = secondSize;
  m_description.styleValue = styleValue;
  m_description.styleFlag = styleFlag ? 1 : 0;
}

FTFontImpl::~FTFontImpl() {
  for (auto& page : m_glyphPages) {
    if (!page) continue;
    for (unsigned i = 0; i < kGlyphPageSize; ++i) delete page[i];
  }
  if (m_face) FT_Done_Face(m_face);
}

bool FTFontImpl::Open() {
  if (!m_library || !m_memoryData || m_memoryBytes <= 0) return false;
  if (FT_New_Memory_Face(m_library, m_memoryData, m_memoryBytes, 0, &m_face)) {
    m_face = nullptr;
    return false;
  }
  return SetSize();
}

bool FTFontImpl::SetSize() {
  const int s = m_description.size;
  const int t = m_description.secondSize;
  if (s < 1 || s > kMaxPixelSize || t < 0 || t > kMaxPixelSize) return false;

  if (FT_IS_SCALABLE(m_face)) {
    if (FT_Set_Char_Size(m_face, FT_F26Dot6(s) * 64, FT_F26Dot6(t) * 64, 0, 0)) return false;
    const FT_Fixed ys = m_face->size->metrics.y_scale;
    m_verticalScale = ys;
    const FT_BBox& box = m_face->bbox;
    m_ascent = Ceil26(FT_MulFix(box.yMax, ys));
    m_descent = Ceil26(FT_MulFix(box.yMin, ys));
    m_lineHeight = m_ascent - m_descent + 1;
    m_maxGlyphWidth = Ceil26(FT_MulFix(box.xMax, ys)) - Ceil26(FT_MulFix(box.xMin, ys)) + 1;
    m_lineSpacing = Ceil26(FT_MulFix(m_face->height, ys));
    auto floor16 = [](FT_Long v) { return static_cast<int>(v - (((v % 65536) + 65536) % 65536)); };
    m_underlinePosition = floor16(FT_MulFix(m_face->underline_position, ys));
    m_underlineThickness = std::max(1, floor16(FT_MulFix(m_face->underline_thickness, ys)));
  } else {
    if (m_face->num_fixed_sizes < 1) return false;
    m_strikeIndex = std::min(t, m_face->num_fixed_sizes - 1);
    const FT_Bitmap_Size& strike = m_face->available_sizes[m_strikeIndex];
    if (FT_Set_Pixel_Sizes(m_face, strike.width, strike.height)) return false;
    m_ascent = m_lineHeight = strike.height;
    m_descent = 0;
    m_underlinePosition = m_face->underline_position >> 6;
    m_underlineThickness = std::max(1, int(m_face->underline_thickness >> 6));
  }
  m_styleFlags = 0;
  m_italicShear = m_lineHeight * 0.207f;
  m_emboldenWidth = m_face->size->metrics.y_ppem / 10;
  m_hasKerning = FT_HAS_KERNING(m_face) ? 1 : 0;

  std::fill(std::begin(m_description.familyName), std::end(m_description.familyName), L'\0');
  if (m_face->family_name) MultiByteToWideChar(CP_ACP, 0, m_face->family_name, -1, m_description.familyName, 31);
  m_description.familyName[31] = L'\0';
  return true;
}

void FTFontImpl::GetDescription(FontDescription* out) {
  if (out) *out = m_description;
}

GlyphEntry* FTFontImpl::GetGlyph(unsigned code) {
  if (code >= kGlyphTableSize || !m_face) return nullptr;
  std::unique_ptr<GlyphEntry*[]>& page = m_glyphPages[code / kGlyphPageSize];
  if (!page) page.reset(new GlyphEntry*[kGlyphPageSize]());
  GlyphEntry*& entry = page[code % kGlyphPageSize];
  if (!entry) {
    entry = new GlyphEntry;
    entry->code = static_cast<uint16_t>(code);
  }
  if ((entry->state & (GlyphMetrics | GlyphGray)) == (GlyphMetrics | GlyphGray)) return entry;
  return LoadGlyph(entry, GlyphMetrics | GlyphGray) ? entry : nullptr;
}

bool FTFontImpl::LoadGlyph(GlyphEntry* entry, unsigned request) {
  if (!entry->glyphIndex) {
    FT_UInt index = FT_Get_Char_Index(m_face, entry->code);
    if (!index) index = FT_Get_Char_Index(m_face, '?');
    if (!index) FT_Get_First_Char(m_face, &index);
    if (!index) return false;
    entry->glyphIndex = index;
  }
  if (FT_Load_Glyph(m_face, entry->glyphIndex, FT_LOAD_NO_HINTING)) return false;
  FT_GlyphSlot slot = m_face->glyph;

  if ((request & GlyphMetrics) && !(entry->state & GlyphMetrics)) {
    const FT_Glyph_Metrics& m = slot->metrics;
    entry->left = Ceil26(m.horiBearingX);
    entry->top = Ceil26(m.horiBearingY);
    if (FT_IS_SCALABLE(m_face)) {
      entry->right = entry->left + Ceil26(m.width);
      entry->bottom = entry->top - Ceil26(m.height);
      entry->verticalOffset = m_ascent - entry->top;
    } else {
      entry->right = entry->left + Ceil26(m.horiAdvance);
      entry->bottom = entry->top - Ceil26(FT_Pos(m_face->available_sizes[m_strikeIndex].height) << 6);
      entry->verticalOffset = 0;
    }
    entry->advance = Ceil26(m.horiAdvance);
    entry->state |= GlyphMetrics;
  }

  const bool mono = (request & GlyphMono) && !(entry->state & GlyphMono);
  const bool gray = (request & GlyphGray) && !(entry->state & GlyphGray);
  if (!mono && !gray) return true;
  if (FT_Render_Glyph(slot, mono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL)) return false;

  const FT_Bitmap& source = slot->bitmap;
  GlyphBitmap& target = mono ? entry->mono : entry->gray;
  const bool bits = mono || !FT_IS_SCALABLE(m_face);
  const int sourcePitch = source.pitch < 0 ? -source.pitch : source.pitch;
  target.rows = static_cast<int>(source.rows);
  target.width = static_cast<int>(source.width);
  target.pitch = bits ? sourcePitch * 8 : sourcePitch;
  target.grays = static_cast<uint16_t>(source.num_grays);
  target.pixelMode = source.pixel_mode;
  target.paletteMode = source.palette_mode;
  target.palette = source.palette;
  const size_t bytes = size_t(target.rows) * size_t(target.pitch);
  target.buffer.reset(new unsigned char[bytes ? bytes : 1]());
  for (int row = 0; row < target.rows; ++row) {
    const unsigned char* src = source.buffer + ptrdiff_t(row) * source.pitch;
    unsigned char* dst = target.buffer.get() + size_t(row) * size_t(target.pitch);
    if (!bits) {
      std::copy(src, src + sourcePitch, dst);
      continue;
    }
    const unsigned char on = mono ? 1 : 0xFF;
    for (int i = 0; i < target.pitch; ++i) dst[i] = (src[i >> 3] & (0x80 >> (i & 7))) ? on : 0;
  }
  entry->state |= mono ? GlyphMono : GlyphGray;
  entry->slot = slot;
  return true;
}

int FTFontImpl::Kerning(unsigned previous, unsigned current) const {
  if (!m_hasKerning || !previous || !current) return 0;
  FT_Vector delta{};
  if (FT_Get_Kerning(m_face, previous, current, FT_KERNING_DEFAULT, &delta)) return 0;
  return static_cast<int>(delta.x >> 6);
}

int FTFontImpl::TextCount(const wchar_t* text, int count) const {
  if (!text) return 0;
  // Look no further than the count: a caller walking a long text word by word
  // would otherwise scan the whole rest of it on every call.
  if (count >= 1) return static_cast<int>(wcsnlen(text, static_cast<size_t>(count)));
  return static_cast<int>(std::wcslen(text));
}

void FTFontImpl::SetTarget(uint32_t* pixels, int width, int height, int pitch) {
  m_targetPixels = pixels;
  m_targetWidth = pixels ? std::max(0, width) : 0;
  m_targetHeight = pixels ? std::max(0, height) : 0;
  m_targetPitch = pitch;
}

void FTFontImpl::SetLayout(const TextLayout* layout) {
  if (layout) m_layout = *layout;
}

int FTFontImpl::SetUserData(int value) {
  const int previous = m_userData;
  m_userData = value;
  return previous;
}

void FTFontImpl::SetColor(unsigned char red, unsigned char green, unsigned char blue) {
  m_red = red;
  m_green = green;
  m_blue = blue;
}

void FTFontImpl::Underline(int x, int y, int length) {
  if (y < 0 || y >= m_targetHeight) return;
  auto row = reinterpret_cast<uint8_t*>(m_targetPixels) + ptrdiff_t(y) * m_targetPitch;
  for (int px = std::max(0, x); px < x + length && px < m_targetWidth; ++px)
    reinterpret_cast<uint32_t*>(row)[px] = 0xFFFFFFFFu;
}

template <class PutRow>
int FTFontImpl::PutText(const wchar_t* text, int count, int x, int y, bool lineBreaks, PutRow putRow) {
  count = TextCount(text, count);
  int px = 0, ly = 0;
  unsigned previous = 0;
  bool underlineNext = false;
  unsigned char r = m_red, g = m_green, b = m_blue;
  for (int i = 0; i < count; ++i) {
    const wchar_t c = text[i];
    if (c == L'&' && !underlineNext) {
      underlineNext = true;
      continue;
    }
    GlyphEntry* glyph = GetGlyph(c);
    if (!glyph || !(glyph->state & GlyphGray)) {
      underlineNext = false;
      continue;
    }
    if (lineBreaks && c == L'\n') {
      ly += m_lineHeight;
      px = 0;
      previous = 0;
      underlineNext = false;
      continue;
    }
    px += Kerning(previous, glyph->glyphIndex);
    const int gx = x + px;
    if (m_layout.clipMode > 0 && (gx >= m_targetWidth || gx + glyph->advance > m_targetWidth)) return i;
    if (m_glyphCallback) m_glyphCallback(i, gx, y + ly, glyph->advance, 12, &r, &g, &b, m_userData);

    // Clipped on every side: a label pushed past the left or top edge must not
    // write before the target.
    const GlyphBitmap& bitmap = glyph->gray;
    const int top = y + ly + glyph->verticalOffset;
    const int j0 = std::max(0, -gx);
    const int j1 = std::min(bitmap.width, m_targetWidth - gx);
    const int k0 = std::max(0, -top);
    const int k1 = std::min(bitmap.rows, m_targetHeight - top);
    if (m_targetPixels && j1 > j0) {
      for (int k = k0; k < k1; ++k) {
        const unsigned char* coverage = bitmap.buffer.get() + size_t(k) * size_t(bitmap.pitch);
        auto row = reinterpret_cast<uint8_t*>(m_targetPixels) + ptrdiff_t(top + k) * m_targetPitch;
        putRow(row + 4 * (gx + j0), coverage + j0, j1 - j0, r, g, b);
      }
    }
    if (m_targetPixels && underlineNext) Underline(gx, y + ly + m_ascent + m_underlineThickness, glyph->advance);
    px += glyph->advance;
    previous = glyph->glyphIndex;
    underlineNext = false;
  }
  return count;
}

int FTFontImpl::DrawText(const wchar_t* text, int count, int x, int y) {
  // The glyph's coverage becomes the pixel's alpha; the colour replaces what was there.
  return PutText(text, count, x, y, true, PutCoverageRowSse2);
}

int FTFontImpl::BlendText(const wchar_t* text, int count, int x, int y) {
  return PutText(text, count, x, y, false, BlendCoverageRowSse2);
}

void FTFontImpl::MeasureText(const wchar_t* text, int count, int* width, int* height) {
  count = TextCount(text, count);
  int w = 0, h = m_lineHeight, sum = 0;
  unsigned previous = 0;
  bool underlineNext = false;
  for (int i = 0; i < count; ++i) {
    const wchar_t c = text[i];
    if (c == L'&' && !underlineNext) {
      underlineNext = true;
      continue;
    }
    underlineNext = false;
    GlyphEntry* glyph = GetGlyph(c);
    if (!glyph || !glyph->glyphIndex) continue;
    if (c == L'\n') {
      h += m_lineHeight;
      previous = 0;
      sum = 0;
      continue;
    }
    sum += Kerning(previous, glyph->glyphIndex);
    previous = glyph->glyphIndex;
    sum += glyph->advance;
    w = std::max(w, sum);
  }
  if (width) *width = std::max(w, 1);
  if (height) *height = h;
}
