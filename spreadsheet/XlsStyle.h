// Cell formats of a workbook: fonts, number formats and XF records found or added by value.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "spreadsheet/XlsWorkbook.h"

namespace YExcel {

class XlsCellStyle;

struct XlsFontSpec {
  std::wstring name;
  uint16_t height = 200;
  uint16_t weight = 400;
  uint16_t options = 0;
  uint16_t colourIndex = 0x7FFF;
  uint16_t escapement = 0;
  uint8_t underline = 0;
  uint8_t family = 0;
  uint8_t charSet = 0;

  bool Matches(const Workbook::Font& font) const;
};

class XlsStyleTable {
 public:
  static constexpr int kFirstCustomFormat = 164;

  explicit XlsStyleTable(XlsWorkbook& workbook);

  int FindOrAddFont(const XlsFontSpec& wanted);
  int FindOrAddFormat(const std::wstring& text);
  int FindOrAddXF(const XlsCellStyle& style);
  Workbook::Font& FontAt(const XlsCellStyle& style);
  std::wstring FormatText(const XlsCellStyle& style) const;

 private:
  XlsWorkbook* m_workbook;
  int32_t m_nextFormatIndex = kFirstCustomFormat;
  std::map<int32_t, std::wstring> m_formatsByIndex;
  std::map<std::wstring, int32_t> m_indicesByFormat;
};

class XlsCellStyle {
 public:
  explicit XlsCellStyle(XlsStyleTable* table) : m_table(table) {}

  void ApplyTo(XlsCell& cell);
  bool Matches(const Workbook::XF& xf) const;
  void CopyTo(Workbook::XF& xf) const;
  int FontIndex() const { return m_fontIndex; }
  int FormatIndex() const { return m_formatIndex; }

  XlsStyleTable* m_table;
  int32_t m_cachedXF = -1;
  int32_t m_fontIndex = 0;
  int32_t m_formatIndex = 0;
  uint8_t m_alignment = 0x20;
  uint8_t m_rotation = 0;
  uint8_t m_textProperties = 0;
  uint32_t m_borderLines = 0;
  uint32_t m_borderColours = 0;
  uint16_t m_fillColours = 0x20C0;
};

}  // namespace YExcel
