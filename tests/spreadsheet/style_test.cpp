#include <gtest/gtest.h>

#include "tests/spreadsheet/record_walk.h"
#include "spreadsheet/XlsStyle.h"

using namespace YExcel;

namespace {

XlsFontSpec Arial(uint16_t weight) {
  XlsFontSpec font;
  font.name = L"Arial";
  font.weight = weight;
  return font;
}

}  // namespace

TEST(StyleTable, FontsFoundOrAppendedSkippingIndexFour) {
  XlsWorkbook wb;
  wb.Create(1);
  XlsStyleTable table(wb);
  auto& fonts = wb.Globals().m_fonts;
  EXPECT_EQ(table.FindOrAddFont(Arial(400)), 0);
  EXPECT_EQ(fonts.size(), 1u);
  EXPECT_EQ(table.FindOrAddFont(Arial(700)), 1);
  EXPECT_EQ(table.FindOrAddFont(Arial(700)), 1);
  EXPECT_EQ(fonts.size(), 2u);

  XlsFontSpec other = Arial(400);
  other.name = L"arial";
  EXPECT_EQ(table.FindOrAddFont(other), 2);
  other.name = L"Tahoma";
  EXPECT_EQ(table.FindOrAddFont(other), 3);
  other.charSet = 0x80;
  EXPECT_EQ(table.FindOrAddFont(other), 5);  // position 4
  EXPECT_EQ(table.FindOrAddFont(other), 5);
  EXPECT_EQ(fonts.size(), 5u);

  XlsCellStyle style(&table);
  style.m_fontIndex = 5;
  EXPECT_EQ(table.FontAt(style).m_charSet, 0x80);
  style.m_fontIndex = 99;
  EXPECT_EQ(&table.FontAt(style), &fonts.front());
}

TEST(StyleTable, FormatsByTextAndIndex) {
  XlsWorkbook wb;
  wb.Create(1);
  XlsStyleTable table(wb);
  EXPECT_EQ(table.FindOrAddFormat(L"0.00"), 2);
  EXPECT_EQ(table.FindOrAddFormat(L"_($* #,##0.00_);_($* (#,##0.00);_($* \"-\"??_);_(@_)"), 44);
  EXPECT_TRUE(wb.Globals().m_formats.empty());
  EXPECT_EQ(table.FindOrAddFormat(L"0.000"), 164);
  EXPECT_EQ(table.FindOrAddFormat(L"0.000"), 164);
  EXPECT_EQ(table.FindOrAddFormat(L"0.0000"), 165);
  ASSERT_EQ(wb.Globals().m_formats.size(), 2u);
  EXPECT_EQ(wb.Globals().m_formats[0].m_index, 164);

  XlsCellStyle style(&table);
  for (int index : {23, 999}) {
    style.m_formatIndex = index;
    EXPECT_EQ(table.FormatText(style), L"General");
  }
  style.m_formatIndex = 165;
  EXPECT_EQ(table.FormatText(style), L"0.0000");

  // A table built on a workbook with FORMAT records continues after the highest index.
  auto& formats = wb.Globals().m_formats;
  formats[1].m_index = 170;
  XlsStyleTable again(wb);
  EXPECT_EQ(again.FindOrAddFormat(L"0.0"), 171);
}

TEST(StyleTable, HeaderStyleAddsOneCellXF) {
  XlsWorkbook wb;
  wb.Create(1);
  XlsStyleTable table(wb);
  XlsCellStyle plain(&table);
  EXPECT_EQ(table.FindOrAddXF(plain), 0);

  XlsCellStyle header(&table);
  header.m_fontIndex = table.FindOrAddFont(Arial(700));
  XlsSheet* sheet = wb.SheetAt(0);
  header.ApplyTo(*sheet->CellAt(0, 0));
  wb.Globals().m_xfs.clear();  // a cached style does not search again
  header.ApplyTo(*sheet->CellAt(0, 1));
  EXPECT_EQ(sheet->Cell(0, 0)->XFIndex(), 21);
  EXPECT_EQ(sheet->Cell(0, 1)->XFIndex(), 21);

  XlsWorkbook fresh;
  fresh.Create(1);
  XlsStyleTable t2(fresh);
  XlsCellStyle bold(&t2);
  bold.m_fontIndex = t2.FindOrAddFont(Arial(700));
  bold.ApplyTo(*fresh.SheetAt(0)->CellAt(0, 0));
  EXPECT_EQ(fresh.Globals().m_fonts.size(), 2u);
  ASSERT_EQ(fresh.Globals().m_xfs.size(), 22u);
  const auto& xf = fresh.Globals().m_xfs[21];
  EXPECT_EQ(xf.m_fontIndex, 1);
  EXPECT_EQ(xf.m_protection, 0x0078);
  EXPECT_EQ(xf.m_fillColours, 0x20C0);

  // Two separate style objects with the same fields share one XF.
  XlsCellStyle turned(&t2), turnedToo(&t2);
  turned.m_rotation = turnedToo.m_rotation = 0x87;
  turned.ApplyTo(*fresh.SheetAt(0)->CellAt(1, 0));
  turnedToo.ApplyTo(*fresh.SheetAt(0)->CellAt(2, 0));
  EXPECT_EQ(fresh.Globals().m_xfs.size(), 23u);
  EXPECT_EQ(fresh.SheetAt(0)->Cell(2, 0)->XFIndex(), 22);
}

TEST(StyleTable, BoldFontIsFoundAgainAfterSaveAndLoad) {
  XlsWorkbook wb;
  wb.Create(1);
  XlsStyleTable table(wb);
  EXPECT_EQ(table.FindOrAddFont(Arial(700)), 1);
  const Bytes stream = wb.BuildStream();
  // The written flags repeat the boldness for readers that look only at them; the field stays.
  std::vector<uint16_t> flags;
  for (const auto& r : WalkRecords(stream))
    if (r.code == 0x0031) flags.push_back(Le16(r.data, 2));
  EXPECT_EQ(flags, (std::vector<uint16_t>{0, 1}));
  EXPECT_EQ(wb.Globals().m_fonts[1].m_options, 0);
  XlsWorkbook back;
  ASSERT_TRUE(back.LoadStream(stream));
  XlsStyleTable again(back);
  EXPECT_EQ(again.FindOrAddFont(Arial(700)), 1);
  EXPECT_EQ(back.Globals().m_fonts.size(), 2u);
}
