#include <gtest/gtest.h>

#include <sstream>

#include "tests/spreadsheet/record_walk.h"
#include "spreadsheet/XlsWorkbook.h"

using namespace YExcel;
using CellBlock = cells::CellBlock;

namespace {

std::vector<WalkedRecord> SheetRecords(XlsWorkbook& wb, int sheet) {
  const Bytes stream = wb.BuildStream();
  const uint32_t start = wb.Globals().m_boundSheets[sheet].m_position;
  std::vector<WalkedRecord> records;
  for (auto& r : WalkRecords(stream.data() + start, stream.size() - start)) {
    records.push_back(r);
    if (r.code == 0x000A) break;
  }
  return records;
}

std::vector<WalkedRecord> CellRecordsOf(XlsWorkbook& wb, int sheet = 0) {
  std::vector<WalkedRecord> cells;
  for (auto& r : SheetRecords(wb, sheet))
    if (CellBlock::IsCellCode(r.code)) cells.push_back(r);
  return cells;
}

}  // namespace

TEST(Workbook, CreateGivesNamedOneByOneSheets) {
  for (const int count : {1, 0, -3, 3}) {
    SCOPED_TRACE(count);
    XlsWorkbook wb;
    wb.Create(count);
    const int expected = count < 1 ? 1 : count;
    ASSERT_EQ(wb.SheetCount(), expected);
    for (int i = 0; i < expected; ++i) {
      XlsSheet* sheet = wb.SheetAt(i);
      EXPECT_EQ(std::string(sheet->Name()), "Sheet" + std::to_string(i + 1));
      EXPECT_EQ(sheet->RowCount(), 1);
      EXPECT_EQ(sheet->ColumnCount(), 1);
      EXPECT_EQ(sheet->Cell(0, 0)->Type(), XlsCell::kUndefined);
      // Each sheet is saved with one BLANK at A1 and only the first is selected.
      const auto records = SheetRecords(wb, i);
      const auto cells = CellRecordsOf(wb, i);
      ASSERT_EQ(cells.size(), 1u);
      EXPECT_EQ(cells[0].code, 0x0201);
      EXPECT_EQ(cells[0].data, (std::vector<uint8_t>{0, 0, 0, 0, 0, 0}));
      for (auto& r : records) {
        if (r.code == 0x023E) {
          EXPECT_EQ((Le16(r.data, 0) & 0x0200) != 0, i == 0);
        }
      }
    }
  }
}

TEST(Workbook, CellAtGrowsWithinTheSheetLimits) {
  XlsWorkbook wb;
  wb.Create(1);
  XlsSheet* sheet = wb.SheetAt(0);
  EXPECT_EQ(sheet->CellAt(0, 256), nullptr);
  EXPECT_EQ(sheet->CellAt(65536, 0), nullptr);
  EXPECT_EQ(sheet->CellAt(-1, 0), nullptr);
  EXPECT_EQ(sheet->CellAt(0, -1), nullptr);
  EXPECT_EQ(sheet->RowCount(), 1);
  EXPECT_EQ(sheet->ColumnCount(), 1);
  XlsCell* cell = sheet->CellAt(5, 3);
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(sheet->RowCount(), 6);
  EXPECT_EQ(sheet->ColumnCount(), 4);
  EXPECT_EQ(cell, sheet->Cell(5, 3));
  EXPECT_EQ(sheet->Cell(6, 0), nullptr);
  EXPECT_FALSE(sheet->EraseCell(0, 4));
  EXPECT_NE(sheet->CellAt(65535, 0), nullptr);
  EXPECT_EQ(sheet->RowCount(), 65536);
}

TEST(Workbook, CellValues) {
  XlsCell cell;
  cell.SetWideText(L"");
  EXPECT_EQ(cell.Type(), XlsCell::kUndefined);
  cell.SetText("x");
  cell.SetWideText(L"\u00B0C");
  EXPECT_EQ(cell.Type(), XlsCell::kWideText);
  EXPECT_EQ(cell.Text(), nullptr);
  EXPECT_EQ(std::wstring(cell.WideText()), L"\u00B0C");
  EXPECT_EQ(cell.TextLength(), 2);
  char narrow[8];
  EXPECT_FALSE(cell.GetText(narrow));

  cell.SetDouble(-2.75);
  int i = 0;
  EXPECT_TRUE(cell.GetInteger(i));
  EXPECT_EQ(i, -2);
  cell.SetInteger(7);
  EXPECT_EQ(cell.Double(), 7.0);
  cell.SetXFIndex(21);
  cell.Clear();
  EXPECT_EQ(cell.Type(), XlsCell::kUndefined);
  EXPECT_EQ(cell.XFIndex(), 21);
  EXPECT_EQ(cell.TextLength(), -1);
}

TEST(Workbook, SheetNamesAndWidths) {
  XlsWorkbook wb;
  wb.Create(1);
  EXPECT_NE(wb.SheetByName("Sheet1"), nullptr);
  EXPECT_EQ(wb.SheetByName(L"Sheet1"), nullptr);
  EXPECT_EQ(wb.AddSheet("Sheet1"), nullptr);
  EXPECT_FALSE(wb.RenameSheet(0, "Sheet1"));
  EXPECT_EQ(wb.WideNameAt(0), nullptr);

  wb.Create(3);
  EXPECT_TRUE(wb.DeleteSheet(1));
  EXPECT_FALSE(wb.DeleteSheet(5));
  ASSERT_EQ(wb.SheetCount(), 2);
  EXPECT_EQ(wb.SheetAt(0)->Index(), 0);
  EXPECT_EQ(wb.SheetAt(1)->Index(), 1);
  EXPECT_STREQ(wb.SheetAt(1)->Name(), "Sheet3");
  EXPECT_STREQ(wb.AddSheet()->Name(), "Sheet4");

  XlsSheet* wide = wb.AddSheet(L"Messung \u6D4B", 0);
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(wide->Index(), 0);
  EXPECT_EQ(wb.SheetAt(1)->Index(), 1);
  EXPECT_STREQ(wb.SheetAt(1)->Name(), "Sheet1");
  EXPECT_EQ(std::wstring(wb.WideNameAt(0)), L"Messung \u6D4B");
  EXPECT_EQ(wb.AddSheet(L"x", 9), nullptr);
  EXPECT_TRUE(wb.RenameSheet("Sheet4", "Results"));
  EXPECT_NE(wb.SheetByName("Results"), nullptr);

  XlsSheet* sheet = wb.SheetAt(1);
  sheet->SetColumnWidth(2, 5000);
  sheet->SetColumnWidth(2, 6000);
  EXPECT_EQ(sheet->ColumnWidth(2), 5000);
  EXPECT_EQ(sheet->ColumnWidth(3), 0);
  int colinfos = 0;
  for (auto& r : SheetRecords(wb, 1)) colinfos += r.code == 0x007D;
  EXPECT_EQ(colinfos, 2);
}

TEST(Workbook, NumbersBecomeRkOnlyWhenExact) {
  struct Case {
    const char* name;
    std::vector<double> doubles;  // NaN-free; integers are given by ints below
    std::vector<int> ints;
    std::vector<uint16_t> codes;
  };
  const Case cases[] = {
      {"IntegerRun", {}, {5, 7}, {0x00BD}},
      {"LoneInteger", {}, {5}, {0x027E}},
      {"WideIntegerIsNumber", {}, {1 << 30}, {0x0203}},
      {"IntegersAroundAWideOne", {}, {1, -(1 << 29) - 1, 2}, {0x027E, 0x0203, 0x027E}},
      {"DoubleRun", {3.0, 2.5}, {}, {0x00BD}},
      {"InexactDoubleIsNumber", {12345.67}, {}, {0x0203}},
      {"NoRunAcrossNumber", {2.5, 0.125}, {}, {0x027E, 0x0203}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    XlsWorkbook wb;
    wb.Create(1);
    XlsSheet* sheet = wb.SheetAt(0);
    int col = 0;
    for (int v : c.ints) sheet->CellAt(0, col++)->SetInteger(v);
    for (double v : c.doubles) sheet->CellAt(0, col++)->SetDouble(v);
    std::vector<uint16_t> codes;
    for (auto& r : CellRecordsOf(wb)) codes.push_back(r.code);
    EXPECT_EQ(codes, c.codes);
  }
  // MULRK of 5 and 7: RK values 22 and 30 over columns 0 to 1.
  XlsWorkbook wb;
  wb.Create(1);
  wb.SheetAt(0)->CellAt(0, 0)->SetInteger(5);
  wb.SheetAt(0)->CellAt(0, 1)->SetInteger(7);
  const auto cells = CellRecordsOf(wb);
  ASSERT_EQ(cells.size(), 1u);
  EXPECT_EQ(Le32(cells[0].data, 6), 22u);
  EXPECT_EQ(Le32(cells[0].data, 12), 30u);
  EXPECT_EQ(Le16(cells[0].data, 16), 1);
}

TEST(Workbook, SharedStringsInOrderOfFirstUse) {
  XlsWorkbook wb;
  wb.Create(2);
  XlsSheet* a = wb.SheetAt(0);
  a->CellAt(0, 0)->SetText("same");
  a->CellAt(0, 1)->SetText("same");
  a->CellAt(1, 0)->SetWideText(L"same");
  wb.SheetAt(1)->CellAt(0, 0)->SetWideText(L"same");
  wb.BuildStream();
  const auto& sst = wb.Globals().m_sst;
  EXPECT_EQ(sst.m_totalCount, 4u);
  EXPECT_EQ(sst.m_uniqueCount, 2u);
  ASSERT_EQ(sst.m_strings.size(), 2u);
  EXPECT_FALSE(sst.m_strings[0].IsWide());
  EXPECT_TRUE(sst.m_strings[1].IsWide());
  const auto second = CellRecordsOf(wb, 1);
  ASSERT_EQ(second.size(), 1u);
  EXPECT_EQ(Le32(second[0].data, 6), 1u);
}

TEST(Workbook, RowBlocksIndexAndMergedRanges) {
  XlsWorkbook wb;
  wb.Create(1);
  XlsSheet* sheet = wb.SheetAt(0);
  sheet->CellAt(32, 0)->SetInteger(1);
  sheet->MergeCells(0, 0, 2, 3);
  EXPECT_EQ(sheet->ColumnCount(), 1);
  const Bytes stream = wb.BuildStream();
  const Worksheet& ws = wb.Worksheets()[0];
  ASSERT_EQ(ws.m_cellTable.m_blocks.size(), 2u);
  EXPECT_EQ(ws.m_cellTable.m_blocks[0].m_rows.size(), 32u);
  EXPECT_EQ(ws.m_cellTable.m_blocks[1].m_rows.size(), 1u);
  ASSERT_EQ(ws.m_index.m_dbCellPositions.size(), 2u);
  for (uint32_t p : ws.m_index.m_dbCellPositions) EXPECT_EQ(Le16(stream, p), 0x00D7);
  ASSERT_EQ(ws.m_mergedCells.m_ranges.size(), 1u);
  const auto& range = ws.m_mergedCells.m_ranges[0];
  EXPECT_EQ(range.m_firstRow, 0);
  EXPECT_EQ(range.m_lastRow, 1);
  EXPECT_EQ(range.m_firstCol, 0);
  EXPECT_EQ(range.m_lastCol, 2);
  EXPECT_EQ(ws.m_dimensions.m_lastRowPlus1, 33u);
}

TEST(Workbook, MergedRangesEndAtTheSheetEdge) {
  struct Merge {
    int row, column, rowSpan, columnSpan;
    uint16_t firstRow, lastRow, firstCol, lastCol;
  };
  // Two small workbooks: merges at the right edge near the top, and at the bottom edge in one
  // column, so the grid never spans both edges at once.
  const std::vector<Merge> cases[] = {
      {{0, 254, 1, 5, 0, 0, 254, 255},         // columns 254 to the last
       {1, 1, -1, 2, 1, 65535, 1, 2}},         // a negative span reads as 65535 rows
      {{65535, 0, 3, 1, 65535, 65535, 0, 0}},  // the last row cannot reach further
  };
  for (const auto& merges : cases) {
    SCOPED_TRACE(merges.size());
    XlsWorkbook wb;
    wb.Create(1);
    XlsSheet* sheet = wb.SheetAt(0);
    for (const Merge& m : merges) sheet->MergeCells(m.row, m.column, m.rowSpan, m.columnSpan);
    wb.BuildStream();
    const auto& ranges = wb.Worksheets()[0].m_mergedCells.m_ranges;
    ASSERT_EQ(ranges.size(), merges.size());
    for (size_t i = 0; i < ranges.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(ranges[i].m_firstRow, merges[i].firstRow);
      EXPECT_EQ(ranges[i].m_lastRow, merges[i].lastRow);
      EXPECT_EQ(ranges[i].m_firstCol, merges[i].firstCol);
      EXPECT_EQ(ranges[i].m_lastCol, merges[i].lastCol);
    }
  }
}

TEST(Workbook, SecondSheetPositionsCountTheFirstSheet) {
  XlsWorkbook wb;
  wb.Create(2);
  wb.SheetAt(0)->MergeCells(3, 3, 1, 2);
  wb.SheetAt(1)->CellAt(40, 2)->SetWideText(L"x");
  const Bytes stream = wb.BuildStream();
  const uint32_t second = wb.Globals().m_boundSheets[1].m_position;
  EXPECT_EQ(second, wb.Globals().m_boundSheets[0].m_position + wb.Worksheets()[0].Size());
  EXPECT_EQ(Le16(stream, second), 0x0809);
  for (uint32_t p : wb.Worksheets()[1].m_index.m_dbCellPositions) EXPECT_EQ(Le16(stream, p), 0x00D7);
  EXPECT_EQ(stream.size(), second + wb.Worksheets()[1].Size());
}

TEST(Workbook, RecordsBackToSheets) {
  // MULRK over columns 2 to 4 of row 0; RK values with the divide-by-100 bit.
  Worksheet ws;
  auto& block = ws.m_cellTable.m_blocks.emplace_back();
  auto holder = MakeRef<CellBlock>();
  holder->SetType(CellBlock::kMulRK);
  auto* mulrk = holder->As<CellBlock::MulRK>();
  mulrk->m_col = 2;
  mulrk->m_lastCol = 4;
  mulrk->m_entries = {{0, (250u << 2) | 3u}, {0, (300u << 2) | 3u}, {0, RKFromDouble(2.5)}};
  block.m_cells.push_back(holder);

  XlsWorkbook wb;
  wb.Create(1);
  wb.Worksheets()[0] = ws;
  wb.SheetsFromRecords();
  XlsSheet* sheet = wb.SheetAt(0);
  EXPECT_EQ(sheet->RowCount(), 1);
  EXPECT_EQ(sheet->ColumnCount(), 5);
  EXPECT_EQ(sheet->Cell(0, 2)->Type(), XlsCell::kDouble);
  EXPECT_EQ(sheet->Cell(0, 2)->Double(), 2.5);
  EXPECT_EQ(sheet->Cell(0, 3)->Type(), XlsCell::kInteger);
  EXPECT_EQ(sheet->Cell(0, 3)->Integer(), 3);
  EXPECT_EQ(sheet->Cell(0, 4)->Double(), 2.5);
}

TEST(Workbook, DumpAsDelimitedText) {
  XlsWorkbook wb;
  wb.Create(1);
  XlsSheet* sheet = wb.SheetAt(0);
  sheet->CellAt(0, 0)->SetText("a\"b");
  sheet->CellAt(1, 0)->SetInteger(1);
  sheet->CellAt(1, 1)->SetDouble(0.5);
  std::ostringstream out;
  sheet->Dump(out, ',', '"');
  EXPECT_EQ(out.str(), "\"a\"\"b\",\n1,0.5\n");
}
