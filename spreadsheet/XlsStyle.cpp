#include "spreadsheet/XlsStyle.h"

namespace YExcel {

namespace {

struct BuiltInFormat {
  int32_t index;
  const wchar_t* text;
};

const BuiltInFormat kBuiltInFormats[] = {
    {0, L"General"},
    {1, L"0"},
    {2, L"0.00"},
    {3, L"#,##0"},
    {4, L"#,##0.00"},
    {5, L"\"$\"#,##0_);(\"$\"#,##0)"},
    {6, L"\"$\"#,##0_);[Red](\"$\"#,##0)"},
    {7, L"\"$\"#,##0.00_);(\"$\"#,##0.00)"},
    {8, L"\"$\"#,##0.00_);[Red](\"$\"#,##0.00)"},
    {9, L"0%"},
    {10, L"0.00%"},
    {11, L"0.00E+00"},
    {12, L"# ?/?"},
    {13, L"# ?\?/??"},
    {14, L"M/D/YY"},
    {15, L"D-MMM-YY"},
    {16, L"D-MMM"},
    {17, L"MMM-YY"},
    {18, L"h:mm AM/PM"},
    {19, L"h:mm:ss AM/PM"},
    {20, L"h:mm"},
    {21, L"h:mm:ss"},
    {22, L"M/D/YY h:mm"},
    {37, L"_(#,##0_);(#,##0)"},
    {38, L"_(#,##0_);[Red](#,##0)"},
    {39, L"_(#,##0.00_);(#,##0.00)"},
    {40, L"_(#,##0.00_);[Red](#,##0.00)"},
    {41, L"_(* #,##0_);_(* (#,##0);_(* \"-\"_);_(@_)"},
    {42, L"_($* #,##0_);_($* (#,##0);_($* \"-\"_);_(@_)"},
    {43, L"_(* #,##0.00_);_(* (#,##0.00);_(* \"-\"?\?_);_(@_)"},
    {44, L"_($* #,##0.00_);_($* (#,##0.00);_($* \"-\"?\?_);_(@_)"},
    {45, L"mm:ss"},
    {46, L"[h]:mm:ss"},
    {47, L"mm:ss.0"},
    {48, L"##0.0E+0"},
    {49, L"@"},
};

// BIFF8 has no font index 4.
int FontIndexOfPosition(size_t position) { return static_cast<int>(position < 4 ? position : position + 1); }

}  // namespace

bool XlsFontSpec::Matches(const Workbook::Font& font) const {
  return font.m_name.AsWide() == name && font.m_height == height && font.m_weight == weight &&
         font.m_options == options && font.m_colourIndex == colourIndex && font.m_escapement == escapement &&
         font.m_underline == underline && font.m_family == family && font.m_charSet == charSet;
}

XlsStyleTable::XlsStyleTable(XlsWorkbook& workbook) : m_workbook(&workbook) {
  for (const BuiltInFormat& f : kBuiltInFormats) m_formatsByIndex[f.index] = f.text;
  for (const Workbook::Format& format : workbook.Globals().m_formats) {
    m_formatsByIndex[format.m_index] = format.m_text.AsWide();
    if (format.m_index >= m_nextFormatIndex) m_nextFormatIndex = format.m_index + 1;
  }
  for (const auto& [index, text] : m_formatsByIndex) m_indicesByFormat[text] = index;
}

int XlsStyleTable::FindOrAddFont(const XlsFontSpec& wanted) {
  std::vector<Workbook::Font>& fonts = m_workbook->Globals().m_fonts;
  for (size_t p = 0; p < fonts.size(); ++p)
    if (wanted.Matches(fonts[p])) return FontIndexOfPosition(p);
  Workbook::Font& font = fonts.emplace_back();
  font.m_height = wanted.height;
  font.m_options = wanted.options;
  font.m_colourIndex = wanted.colourIndex;
  font.m_weight = wanted.weight;
  font.m_escapement = wanted.escapement;
  font.m_underline = wanted.underline;
  font.m_family = wanted.family;
  font.m_charSet = wanted.charSet;
  font.m_name.SetWide(wanted.name);
  return FontIndexOfPosition(fonts.size() - 1);
}

int XlsStyleTable::FindOrAddFormat(const std::wstring& text) {
  if (auto it = m_indicesByFormat.find(text); it != m_indicesByFormat.end()) return it->second;
  const int32_t index = m_nextFormatIndex++;
  m_formatsByIndex[index] = text;
  m_indicesByFormat[text] = index;
  Workbook::Format& format = m_workbook->Globals().m_formats.emplace_back();
  format.m_index = static_cast<uint16_t>(index);
  format.m_text.SetWide(text);
  return index;
}

int XlsStyleTable::FindOrAddXF(const XlsCellStyle& style) {
  std::vector<Workbook::XF>& xfs = m_workbook->Globals().m_xfs;
  for (size_t p = 0; p < xfs.size(); ++p)
    if (style.Matches(xfs[p])) return static_cast<int>(p);
  Workbook::XF& xf = xfs.emplace_back();
  style.CopyTo(xf);
  xf.m_protection = 0x0078;  // a cell XF
  xf.m_usedAttributes = 0;
  return static_cast<int>(xfs.size() - 1);
}

Workbook::Font& XlsStyleTable::FontAt(const XlsCellStyle& style) {
  std::vector<Workbook::Font>& fonts = m_workbook->Globals().m_fonts;
  const int i = style.FontIndex();
  const int64_t position = i <= 4 ? i : int64_t{i} - 1;
  return position >= 0 && position < static_cast<int64_t>(fonts.size()) ? fonts[static_cast<size_t>(position)]
                                                                        : fonts.front();
}

std::wstring XlsStyleTable::FormatText(const XlsCellStyle& style) const {
  auto it = m_formatsByIndex.find(style.FormatIndex());
  return it != m_formatsByIndex.end() ? it->second : L"General";
}

void XlsCellStyle::ApplyTo(XlsCell& cell) {
  if (m_cachedXF == -1) m_cachedXF = m_table->FindOrAddXF(*this);
  cell.SetXFIndex(m_cachedXF);
}

bool XlsCellStyle::Matches(const Workbook::XF& xf) const {
  return xf.m_fontIndex == m_fontIndex && xf.m_formatIndex == m_formatIndex && xf.m_alignment == m_alignment &&
         xf.m_rotation == m_rotation && xf.m_textProperties == m_textProperties && xf.m_borderLines == m_borderLines &&
         xf.m_borderColours == m_borderColours && xf.m_fillColours == m_fillColours;
}

void XlsCellStyle::CopyTo(Workbook::XF& xf) const {
  xf.m_fontIndex = static_cast<uint16_t>(m_fontIndex);
  xf.m_formatIndex = static_cast<uint16_t>(m_formatIndex);
  xf.m_alignment = m_alignment;
  xf.m_rotation = m_rotation;
  xf.m_textProperties = m_textProperties;
  xf.m_borderLines = m_borderLines;
  xf.m_borderColours = m_borderColours;
  xf.m_fillColours = m_fillColours;
}

}  // namespace YExcel
