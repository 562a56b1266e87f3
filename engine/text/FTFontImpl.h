#pragma once

#include <ft2build.h>
#include FT_FREETYPE_H

#include <memory>
#include <string>
#include <vector>

#include "engine/text/FTFont.h"

// A FreeType face at one size with its glyph cache.
class FTFontImpl : public FTFont {
 public:
  static constexpr unsigned kGlyphTableSize = 0xFFFF;
  // The table is kept in pages made on first use: a label shows a few dozen
  // characters, and thousands of fonts may live at once.
  static constexpr unsigned kGlyphPageSize = 256;
  static constexpr unsigned kGlyphPageCount = (kGlyphTableSize + kGlyphPageSize - 1) / kGlyphPageSize;

  // Face from bytes that stay owned by the caller while the font lives.
  FTFontImpl(FT_Library library, const unsigned char* data, int byteCount, int size, int secondSize, int styleValue,
             bool styleFlag);
  ~FTFontImpl() override;

  // Opens the face and sets its size; false when FreeType refuses either.
  bool Open();

  void SetFaceName(const std::wstring& name) { m_faceName = name; }
  const std::wstring& FaceName() const { return m_faceName; }
  bool FromMemory() const { return m_memoryData != nullptr; }
  int AddReference() { return ++m_referenceCount; }
  int RemoveReference() { return m_referenceCount > 0 ? --m_referenceCount : 0; }
  int Ascent() const { return m_ascent; }
  int UnderlineThickness() const { return m_underlineThickness; }
  FT_Face Face() const { return m_face; }

  void GetDescription(FontDescription* out) override;
  const wchar_t* GetFamilyName() override { return m_description.familyName; }
  const wchar_t* GetFilePath() override { return m_filePath.empty() ? nullptr : m_filePath.c_str(); }
  GlyphEntry* GetGlyph(unsigned code) override;
  int DrawText(const wchar_t* text, int count, int x, int y) override;
  int BlendText(const wchar_t* text, int count, int x, int y) override;
  void SetTarget(uint32_t* pixels, int width, int height, int pitch) override;
  void MeasureText(const wchar_t* text, int count, int* width, int* height) override;
  void SetLayout(const TextLayout* layout) override;
  TextLayout* GetLayout() override { return &m_layout; }
  int GetLineHeight() override { return m_lineHeight; }
  int SetUserData(int value) override;
  void SetGlyphCallback(GlyphCallback callback) override { m_glyphCallback = callback; }
  void SetColor(unsigned char red, unsigned char green, unsigned char blue) override;

 private:
  bool SetSize();
  bool LoadGlyph(GlyphEntry* entry, unsigned request);
  int Kerning(unsigned previous, unsigned current) const;
  int TextCount(const wchar_t* text, int count) const;
  void Underline(int x, int y, int length);
  // The glyph loop of DrawText and BlendText: '&' underlines the next glyph,
  // kerning, clipping and the glyph callback; putRow(pixels, coverage, count,
  // r, g, b) writes one clipped row of a glyph. Line breaks start a new line
  // only where the caller lays out several lines.
  template <class PutRow>
  int PutText(const wchar_t* text, int count, int x, int y, bool lineBreaks, PutRow putRow);

  std::wstring m_filePath;
  FontDescription m_description{};
  std::wstring m_faceName;
  const unsigned char* m_memoryData = nullptr;
  int m_memoryBytes = 0;
  int m_userData = 0;
  GlyphCallback m_glyphCallback = nullptr;
  unsigned char m_red = 255, m_green = 255, m_blue = 255;
  FT_Library m_library;
  int m_referenceCount = 1;
  FT_Face m_face = nullptr;
  FT_Fixed m_verticalScale = 0;
  int m_lineHeight = 0;
  int m_maxGlyphWidth = 0;
  int m_ascent = 0;
  int m_descent = 0;
  int m_lineSpacing = 0;
  int m_styleFlags = 0;
  int m_underlinePosition = 0;
  int m_underlineThickness = 1;
  int m_strikeIndex = 0;
  int m_emboldenWidth = 0;
  float m_italicShear = 0;
  int m_hasKerning = 0;
  std::unique_ptr<GlyphEntry*[]> m_glyphPages[kGlyphPageCount];
  TextLayout m_layout;
  uint32_t* m_targetPixels = nullptr;
  int m_targetPitch = 0;
  int m_targetWidth = 0;
  int m_targetHeight = 0;
};
