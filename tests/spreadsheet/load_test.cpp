// The reading side checks every length and offset: damaged streams are refused, never trusted.
#include <gtest/gtest.h>

#include <random>

#include "tests/spreadsheet/record_walk.h"
#include "spreadsheet/XlsWorkbook.h"

using namespace YExcel;

namespace {

Bytes SampleStream() {
  XlsWorkbook wb;
  wb.Create(2);
  XlsSheet* sheet = wb.SheetAt(0);
  sheet->CellAt(0, 0)->SetWideText(L"\u00B0 \u00B2 \u6D4B");
  sheet->CellAt(0, 1)->SetText("narrow");
  sheet->CellAt(1, 0)->SetInteger(5);
  sheet->CellAt(1, 1)->SetInteger(7);
  sheet->CellAt(2, 0)->SetDouble(12345.67);
  sheet->CellAt(2, 1)->SetDouble(2.5);
  sheet->MergeCells(2, 0, 1, 2);
  sheet->SetColumnWidth(1, 4000);
  wb.SheetAt(1)->CellAt(1, 1)->SetWideText(std::wstring(5000, L'\u00E9').c_str());
  return wb.BuildStream();
}

// Finds the first record with the code; returns its stream position.
size_t Find(const Bytes& stream, uint16_t code) {
  for (auto& r : WalkRecords(stream))
    if (r.code == code) return r.position;
  ADD_FAILURE() << "no record " << code;
  return 0;
}

}  // namespace

TEST(Load, WrittenStreamReadsBack) {
  XlsWorkbook wb;
  ASSERT_TRUE(wb.LoadStream(SampleStream()));
  ASSERT_EQ(wb.SheetCount(), 2);
  XlsSheet* sheet = wb.SheetAt(0);
  EXPECT_EQ(std::wstring(sheet->Cell(0, 0)->WideText()), L"\u00B0 \u00B2 \u6D4B");
  EXPECT_STREQ(sheet->Cell(0, 1)->Text(), "narrow");
  EXPECT_EQ(sheet->Cell(1, 0)->Type(), XlsCell::kInteger);
  EXPECT_EQ(sheet->Cell(1, 1)->Integer(), 7);
  EXPECT_EQ(sheet->Cell(2, 0)->Double(), 12345.67);
  EXPECT_EQ(sheet->Cell(2, 1)->Double(), 2.5);
  EXPECT_EQ(sheet->Cell(2, 0)->MergeColumns(), 2);
  EXPECT_EQ(sheet->ColumnWidth(1), 4000);
  EXPECT_EQ(std::wstring(wb.SheetAt(1)->Cell(1, 1)->WideText()), std::wstring(5000, L'\u00E9'));
}

TEST(Load, TruncatedStreamsAreRefused) {
  const Bytes stream = SampleStream();
  XlsWorkbook wb;
  wb.Create(1);
  wb.SheetAt(0)->CellAt(0, 0)->SetText("kept");
  for (size_t n = 0; n < stream.size(); ++n) {
    SCOPED_TRACE(n);
    ASSERT_FALSE(wb.LoadStream(Bytes(stream.begin(), stream.begin() + n)));
  }
  // A refused stream leaves the workbook as it was.
  ASSERT_EQ(wb.SheetCount(), 1);
  EXPECT_STREQ(wb.SheetAt(0)->Cell(0, 0)->Text(), "kept");
}

TEST(Load, DamagedFieldsAreRefusedOrContained) {
  struct Case {
    const char* name;
    uint16_t code;
    size_t offset;  // into the record, header included
    std::vector<uint8_t> bytes;
    bool loads;
  };
  const Case cases[] = {
      {"RecordLengthPastEnd", 0x00FC, 2, {0xFF, 0xFF}, false},
      {"SstCountsMoreStrings", 0x00FC, 8, {0xFF, 0xFF, 0xFF, 0x7F}, false},
      {"SstStringLongerThanData", 0x00FC, 12, {0xFF, 0x7F}, false},
      {"SstRichTextPastEnd", 0x00FC, 14, {0x0D}, false},
      {"FontNameLongerThanRecord", 0x0031, 18, {0xF0}, false},
      {"BoundSheetNameLongerThanRecord", 0x0085, 10, {0xF0}, false},
      {"MulRkEndsBeforeItStarts", 0x00BD, 6, {0x09, 0x00}, false},
      {"MulRkLastColumnPastData", 0x00BD, 20, {0x40, 0x00}, false},
      {"MergedCellsCountPastData", 0x00E5, 4, {0xFF, 0x00}, false},
      {"IndexHugeRowRange", 0x020B, 12, {0xFF, 0xFF, 0xFF, 0xFF}, true},
      {"LabelSstIndexPastTable", 0x00FD, 10, {0xFF, 0xFF, 0xFF, 0x00}, true},
      {"CellColumnPastSheet", 0x00FD, 6, {0x00, 0x40}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes stream = SampleStream();
    const size_t at = Find(stream, c.code) + c.offset;
    for (size_t i = 0; i < c.bytes.size(); ++i) stream[at + i] = c.bytes[i];
    XlsWorkbook wb;
    EXPECT_EQ(wb.LoadStream(stream), c.loads);
  }
}

TEST(Load, SheetCountMustMatchTheSheetList) {
  Bytes stream = SampleStream();
  // Drop the second worksheet substream: two BOUNDSHEETs, one sheet.
  size_t bofs = 0, cut = 0;
  for (auto& r : WalkRecords(stream))
    if (r.code == 0x0809 && ++bofs == 3) cut = r.position;
  ASSERT_GT(cut, 0u);
  stream.resize(cut);
  XlsWorkbook wb;
  EXPECT_FALSE(wb.LoadStream(stream));
}

TEST(Load, RandomDamageNeverCrashes) {
  const Bytes original = SampleStream();
  std::mt19937 random(7);
  int loaded = 0;
  for (int i = 0; i < 3000; ++i) {
    Bytes stream = original;
    const int flips = 1 + static_cast<int>(random() % 4);
    for (int f = 0; f < flips; ++f) stream[random() % stream.size()] = static_cast<uint8_t>(random());
    XlsWorkbook wb;
    wb.Create(1);
    if (wb.LoadStream(stream)) {
      ++loaded;
      EXPECT_GE(wb.SheetCount(), 1);
      wb.BuildStream();  // whatever was read can be written again
    }
  }
  EXPECT_GT(loaded, 0);
}

TEST(Load, FilesThatAreNotWorkbooks) {
  XlsWorkbook wb;
  wb.Create(1);
  EXPECT_FALSE(wb.Load(L"no-such-file.xls"));
  XlsStorage storage;
  ASSERT_TRUE(storage.Create("nostream.xls"));
  storage.Close();
  EXPECT_FALSE(wb.Load("nostream.xls"));
  ASSERT_TRUE(storage.Create("garbage.xls"));
  ASSERT_EQ(storage.CreateStream(), XlsStorage::kSuccess);
  const uint8_t junk[] = {0x09, 0x08, 0x10, 0x00, 0x00, 0x06};
  ASSERT_EQ(storage.WriteStream(junk, sizeof junk), XlsStorage::kSuccess);
  storage.Close();
  EXPECT_FALSE(wb.Load("garbage.xls"));
  EXPECT_EQ(wb.SheetCount(), 1);
}
