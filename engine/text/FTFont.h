#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>

// The Win32 macro would rename the font's DrawText to DrawTextW in some files
// and not in others; callers of the Win32 function use DrawTextW directly.
#ifdef DrawText
#undef DrawText
#endif

// Fonts of the text engine: glyphs rendered by FreeType from an installed
// face, measured and drawn into 32-bit pixel buffers (bytes B, G, R, A).

struct FontDescription {
  int size;        // pixels per em
  int secondSize;  // 0 = the same as size
  int styleValue;
  unsigned char styleFlag;
  wchar_t familyName[32];
};

struct GlyphBitmap {
  int rows = 0;
  int width = 0;                            // pixels
  int pitch = 0;                            // bytes per row
  std::unique_ptr<unsigned char[]> buffer;  // one byte per pixel: 0..255 gray, 0/1 mono
  uint16_t grays = 0;
  uint8_t pixelMode = 0;
  uint8_t paletteMode = 0;
  void* palette = nullptr;
};

enum GlyphState : unsigned { GlyphMono = 0x01, GlyphGray = 0x02, GlyphMetrics = 0x10 };

struct GlyphEntry {
  int left = 0;
  int right = 0;
  int bottom = 0;
  int top = 0;
  int verticalOffset = 0;  // from the top of the line
  int advance = 0;
  unsigned glyphIndex = 0;
  unsigned state = 0;
  GlyphBitmap mono;
  GlyphBitmap gray;
  void* slot = nullptr;  // the face's glyph slot once a bitmap was made
  uint16_t code = 0;
};

struct TextLayout {
  int reserved0 = 0;
  int clipMode = 2;  // above 0: drawing stops before a glyph that does not fit the target's width
  int reserved2 = 0;
  int reserved3 = 0;
  int reserved4 = 0;
};

// Called before each glyph is drawn; may change the colour of this and later glyphs.
typedef void (*GlyphCallback)(int index, int x, int y, int advance, int height, unsigned char* red,
                              unsigned char* green, unsigned char* blue, int userData);

class FTFont {
 public:
  // Thrown while a font is opened; caught by the factory.
  enum Status { FileMissing = 10 };

  virtual ~FTFont() = default;
  virtual void GetDescription(FontDescription* out) = 0;
  virtual const wchar_t* GetFamilyName() = 0;
  virtual const wchar_t* GetFilePath() = 0;
  virtual GlyphEntry* GetGlyph(unsigned code) = 0;
  virtual int DrawText(const wchar_t* text, int count, int x, int y) = 0;
  virtual int BlendText(const wchar_t* text, int count, int x, int y) = 0;
  virtual void SetTarget(uint32_t* pixels, int width, int height, int pitch) = 0;
  virtual void MeasureText(const wchar_t* text, int count, int* width, int* height) = 0;
  virtual void SetLayout(const TextLayout* layout) = 0;
  virtual TextLayout* GetLayout() = 0;
  virtual int GetLineHeight() = 0;
  virtual int SetUserData(int value) = 0;
  virtual void SetGlyphCallback(GlyphCallback callback) = 0;
  virtual void SetColor(unsigned char red, unsigned char green, unsigned char blue) = 0;
};
