// Writes the workbooks that the Python checkers read with independent readers,
// and reads each back with the library's own reader.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "spreadsheet/Record.h"
#include "spreadsheet/XlsStyle.h"
#include "spreadsheet/XlsWorkbook.h"

using namespace YExcel;

namespace {

struct FixtureCell {
  int row, col;
  char kind;
  std::string value;  // UTF-8
};

std::wstring FromUtf8(const std::string& s) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(n, L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::vector<FixtureCell> ReadFixture() {
  std::ifstream in("cells.tsv", std::ios::binary);
  std::vector<FixtureCell> cells;
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string row, col, kind, value;
    std::getline(fields, row, '\t');
    std::getline(fields, col, '\t');
    std::getline(fields, kind, '\t');
    std::getline(fields, value);
    cells.push_back({std::stoi(row), std::stoi(col), kind[0], value});
  }
  return cells;
}

uint64_t StreamSize(XlsWorkbook& wb) {
  uint64_t size = wb.Globals().Size();
  for (Worksheet& ws : wb.Worksheets()) size += ws.Size();
  return size;
}

std::wstring BigText(int row, int col) {
  wchar_t text[32];
  swprintf(text, 32, L"R%d C%d", row, col);
  return text;
}

void ExpectCellsBack(const wchar_t* path, const std::vector<FixtureCell>& cells) {
  XlsWorkbook back;
  ASSERT_TRUE(back.Load(path));
  XlsSheet* sheet = back.SheetAt(0);
  for (const FixtureCell& c : cells) {
    SCOPED_TRACE(testing::Message() << "row " << c.row << " col " << c.col);
    const XlsCell* cell = sheet->Cell(c.row, c.col);
    ASSERT_NE(cell, nullptr);
    switch (c.kind) {
      case 'h':
      case 'w': {
        const std::wstring text = FromUtf8(c.value);
        ASSERT_EQ(cell->Type(), XlsCell::kWideText);
        EXPECT_EQ(std::wstring(cell->WideText()), text.substr(0, CutLength(text.data(), text.size(), 32767)));
        break;
      }
      case 'n':
        ASSERT_EQ(cell->Type(), XlsCell::kText);
        EXPECT_EQ(std::string(cell->Text()), c.value);
        break;
      case 'i':
        EXPECT_EQ(cell->Double(), std::stod(c.value));
        break;
      case 'd':
        EXPECT_EQ(cell->Double(), std::strtod(c.value.c_str(), nullptr));
        break;
    }
  }
}

}  // namespace

TEST(Files, MeasurementWorkbook) {
  const std::vector<FixtureCell> cells = ReadFixture();
  ASSERT_FALSE(cells.empty()) << "cells.tsv missing: the fixture script writes it";
  XlsWorkbook wb;
  wb.Create(1);
  XlsSheet* sheet = wb.SheetAt(0);
  XlsStyleTable table(wb);
  XlsFontSpec bold;
  bold.name = L"Arial";
  bold.weight = 700;
  XlsCellStyle header(&table);
  header.m_fontIndex = table.FindOrAddFont(bold);
  for (const FixtureCell& c : cells) {
    XlsCell* cell = sheet->CellAt(c.row, c.col);
    ASSERT_NE(cell, nullptr);
    switch (c.kind) {
      case 'h':
        cell->SetWideText(FromUtf8(c.value).c_str());
        header.ApplyTo(*cell);
        break;
      case 'w':
        cell->SetWideText(FromUtf8(c.value).c_str());
        break;
      case 'n':
        cell->SetText(c.value.c_str());
        break;
      case 'i':
        cell->SetInteger(std::stoi(c.value));
        break;
      case 'd':
        cell->SetDouble(std::strtod(c.value.c_str(), nullptr));
        break;
    }
  }
  ASSERT_TRUE(wb.SaveToFile(L"measurement.xls"));
  const uint64_t size = StreamSize(wb);
  wb.Storage().Close();
  ExpectCellsBack(L"measurement.xls", cells);
  std::ofstream("sizes.txt", std::ios::app) << "measurement.xls " << size << "\n";
}

TEST(Files, SmallWorkbookFitsTheMiniStream) {
  XlsWorkbook wb;
  wb.Create(2);
  wb.SheetAt(0)->CellAt(0, 0)->SetWideText(L"small");
  wb.SheetAt(0)->CellAt(1, 1)->SetInteger(42);
  wb.SheetAt(1)->CellAt(2, 0)->SetWideText(L"second sheet");
  ASSERT_TRUE(wb.SaveToFile("small.xls"));
  const uint64_t size = StreamSize(wb);
  EXPECT_LT(size, 4096u);
  wb.Storage().Close();
  XlsWorkbook back;
  ASSERT_TRUE(back.Load("small.xls"));
  EXPECT_EQ(back.SheetCount(), 2);
  EXPECT_EQ(std::wstring(back.SheetAt(1)->Cell(2, 0)->WideText()), L"second sheet");
  EXPECT_EQ(back.SheetAt(0)->Cell(1, 1)->Integer(), 42);
  std::ofstream("sizes.txt", std::ios::app) << "small.xls " << size << "\n";
}

TEST(Files, FullHeightWorkbook) {
  XlsWorkbook wb;
  wb.Create(1);
  XlsSheet* sheet = wb.SheetAt(0);
  for (int r = 0; r < 65536; ++r)
    for (int c = 0; c < 8; ++c) sheet->CellAt(r, c)->SetWideText(BigText(r, c).c_str());
  ASSERT_TRUE(wb.SaveToFile(L"big.xls"));
  const uint64_t size = StreamSize(wb);
  wb.Storage().Close();

  XlsWorkbook back;
  ASSERT_TRUE(back.Load(L"big.xls"));
  XlsSheet* read = back.SheetAt(0);
  ASSERT_EQ(read->RowCount(), 65536);
  ASSERT_EQ(read->ColumnCount(), 8);
  int wrong = 0;
  for (int r = 0; r < 65536; ++r)
    for (int c = 0; c < 8; ++c) {
      const wchar_t* text = read->Cell(r, c)->WideText();
      wrong += !text || BigText(r, c) != text;
    }
  EXPECT_EQ(wrong, 0);
  std::ofstream("sizes.txt", std::ios::app) << "big.xls " << size << "\n";
}

TEST(Files, ResavingAShorterWorkbookEndsTheStreamWithIt) {
  XlsWorkbook wb;
  wb.Create(1);
  wb.SheetAt(0)->CellAt(200, 3)->SetWideText(std::wstring(6000, L'x').c_str());
  ASSERT_TRUE(wb.SaveToFile(L"resaved.xls"));
  wb.Create(1);
  wb.SheetAt(0)->CellAt(0, 0)->SetWideText(L"short");
  ASSERT_TRUE(wb.Save());
  const uint64_t expected = StreamSize(wb);
  uint64_t size = 0;
  ASSERT_EQ(wb.Storage().StreamSize(kWorkbookStreamName, size), XlsStorage::kSuccess);
  EXPECT_EQ(size, expected);
  wb.Storage().Close();
  XlsWorkbook back;
  ASSERT_TRUE(back.Load(L"resaved.xls"));
  EXPECT_EQ(std::wstring(back.SheetAt(0)->Cell(0, 0)->WideText()), L"short");
}
