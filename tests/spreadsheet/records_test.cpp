#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "spreadsheet/CellRecords.h"
#include "tests/spreadsheet/record_walk.h"
#include "spreadsheet/WorkbookRecords.h"
#include "spreadsheet/WorksheetRecords.h"

using namespace YExcel;
using CellBlock = cells::CellBlock;

namespace {

template <class R>
std::vector<uint8_t> WriteOne(R& record) {
  std::vector<uint8_t> out(record.RecordSize(), 0xCC);
  const size_t written = record.Write(out.data());
  EXPECT_EQ(written, out.size());
  return out;
}

uint32_t HighBits(double v) {
  uint64_t b;
  std::memcpy(&b, &v, 8);
  return static_cast<uint32_t>(b >> 32);
}

// Record data whose bytes all differ, so that a field read from or written to a wrong offset shows;
// reserved bytes are zero because they are written as zero.
std::vector<uint8_t> Distinct(size_t n, std::initializer_list<size_t> reserved = {}) {
  std::vector<uint8_t> d(n);
  for (size_t i = 0; i < n; ++i) d[i] = static_cast<uint8_t>(0x11 + i);
  for (size_t i : reserved) d[i] = 0;
  return d;
}

uint64_t LE(const std::vector<uint8_t>& d, size_t pos, size_t width) {
  uint64_t v = 0;
  for (size_t i = 0; i < width; ++i) v |= uint64_t{d[pos + i]} << (8 * i);
  return v;
}

// Reads one record made of the given data and writes it back byte for byte.
template <class R>
void ExpectRoundTrip(R& record, uint16_t code, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> image = {static_cast<uint8_t>(code), static_cast<uint8_t>(code >> 8),
                                static_cast<uint8_t>(data.size()), static_cast<uint8_t>(data.size() >> 8)};
  image.insert(image.end(), data.begin(), data.end());
  ASSERT_EQ(record.Read(image.data(), image.size()), image.size());
  EXPECT_EQ(WriteOne(record), image);
}

}  // namespace

TEST(Records, DataOfOnePieceLimitAndOneByteMore) {
  for (const size_t tokens : {size_t{8204}, size_t{8205}}) {
    SCOPED_TRACE(tokens);
    CellBlock::Formula f;
    f.m_formula.assign(tokens, 0x5A);
    const auto bytes = WriteOne(f);
    const auto records = WalkRecords(bytes);
    const size_t data = 20 + tokens;
    if (data <= 8224) {
      EXPECT_EQ(bytes.size(), 4 + data);
      ASSERT_EQ(records.size(), 1u);
    } else {
      EXPECT_EQ(bytes.size(), 8 + data);
      ASSERT_EQ(records.size(), 2u);
      EXPECT_EQ(records[0].data.size(), 8224u);
      EXPECT_EQ(records[1].code, 0x003C);
      EXPECT_EQ(records[1].data.size(), 1u);
    }
  }
}

TEST(Records, GlobalsOfANewWorkbook) {
  Workbook globals;
  globals.m_fonts.resize(1);
  globals.m_xfs.resize(21);
  globals.m_styles.resize(6);
  globals.m_boundSheets.resize(1);
  EXPECT_EQ(globals.Size(), 658u);
  std::vector<uint8_t> bytes(globals.Size());
  EXPECT_EQ(globals.Write(bytes.data()), 658u);
  const auto records = WalkRecords(bytes);
  ASSERT_EQ(records.size(), 1 + 1 + 1 + 21 + 6 + 1 + 1 + 1u);
  EXPECT_EQ(records.front().code, 0x0809);
  EXPECT_EQ(Le16(records.front().data, 2), 0x0005);
  // The default font: 16-bit "Arial".
  const auto& font = records[2].data;
  ASSERT_EQ(font.size(), 26u);
  EXPECT_EQ(font[14], 5);
  EXPECT_EQ(font[15], 1);
  EXPECT_EQ(std::string(font.begin() + 16, font.end()), std::string("A\0r\0i\0a\0l\0", 10));
  // The empty string table: two zero counts.
  EXPECT_EQ(records[records.size() - 2].code, 0x00FC);
  EXPECT_EQ(records[records.size() - 2].data, std::vector<uint8_t>(8, 0));
  EXPECT_EQ(records.back().code, 0x000A);
}

TEST(Records, OnlyCustomFormatsAndBuiltInStyleSizes) {
  Workbook globals;
  const uint32_t base = globals.Size();
  globals.m_formats.resize(2);
  globals.m_formats[0].m_index = 163;
  globals.m_formats[1].m_index = 164;
  globals.m_formats[1].m_text.SetWide(L"0.000");
  EXPECT_EQ(globals.Size(), base + 4 + 2 + 3 + 10);
  std::vector<uint8_t> bytes(globals.Size());
  EXPECT_EQ(globals.Write(bytes.data()), bytes.size());
  int formats = 0;
  for (const auto& r : WalkRecords(bytes))
    if (r.code == 0x041E) {
      ++formats;
      EXPECT_EQ(Le16(r.data, 0), 164);
    }
  EXPECT_EQ(formats, 1);

  Workbook::Style style;
  style.m_name.SetWide(L"ignored for a built-in style");
  EXPECT_EQ(style.RecordSize(), 8u);
  EXPECT_EQ(WriteOne(style).size(), 8u);
}

TEST(Records, OverlongTextsAreCutAtTheirCountLimit) {
  Workbook::BoundSheet sheet;
  sheet.m_name.SetNarrow(std::string(300, 'n'));
  EXPECT_EQ(sheet.DataSize(), 6u + 2 + 255);
  EXPECT_EQ(WriteOne(sheet)[4 + 6], 255);

  Workbook::Font font;
  std::wstring name(254, L'x');
  name += L"\U0001D6FC";  // a pair that would straddle the limit
  font.m_name.SetWide(name);
  EXPECT_EQ(font.DataSize(), 16u + 2 * 254);

  LargeString s;
  s.SetWide(std::wstring(40000, L'w'));
  EXPECT_EQ(s.Length(), 32767u);
  s.SetNarrow(std::string(40000, 'n'));
  EXPECT_EQ(s.Length(), 32767u);
}

struct SstCase {
  const char* name;
  std::vector<std::pair<bool, size_t>> strings;  // wide?, characters
  std::vector<uint32_t> offsets;
  uint32_t dataSize;
};

class SstLayout : public testing::TestWithParam<SstCase> {};

TEST_P(SstLayout, PiecesAndReadBack) {
  const SstCase& c = GetParam();
  Workbook::SharedStringTable sst;
  int seed = 0;
  for (auto [wide, n] : c.strings) {
    std::wstring text;
    for (size_t i = 0; i < n; ++i) text.push_back(static_cast<wchar_t>((wide ? 0x4E00 : 'A') + (seed + i) % 26));
    ++seed;
    if (wide)
      sst.m_strings.emplace_back().SetWide(text);
    else
      sst.m_strings.emplace_back().SetNarrow(ToNarrow(text));
  }
  sst.m_uniqueCount = sst.m_totalCount = static_cast<uint32_t>(sst.m_strings.size());
  EXPECT_EQ(sst.DataSize(), c.dataSize);
  EXPECT_EQ(sst.ContinueOffsets(), c.offsets);
  const auto bytes = WriteOne(sst);
  const auto records = WalkRecords(bytes);
  ASSERT_EQ(records.size(), c.offsets.size() + 1);
  for (const auto& r : records) EXPECT_LE(r.data.size(), 8224u);

  Workbook::SharedStringTable back;
  EXPECT_EQ(back.Read(bytes.data(), bytes.size()), bytes.size());
  ASSERT_EQ(back.m_strings.size(), sst.m_strings.size());
  for (size_t i = 0; i < sst.m_strings.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(back.m_strings[i].AsWide(), sst.m_strings[i].AsWide());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SstLayout,
    testing::Values(SstCase{"Long8Bit", {{false, 20000}}, {8224, 16448}, 20013},
                    SstCase{"ElevenBytesLeftStartsNewPiece", {{false, 8202}, {false, 20}}, {8213}, 8236},
                    SstCase{"TwelveBytesLeftSplits", {{false, 8201}, {false, 20}}, {8224}, 8236},
                    SstCase{"WideSplitKeepsUnitsWhole", {{false, 8201}, {true, 20}}, {8223}, 8256},
                    SstCase{"EndsExactlyAtPieceEnd", {{false, 8213}, {false, 5}}, {8224}, 8232},
                    SstCase{"LongWide", {{true, 10000}}, {8223, 16446}, 20013}),
    [](const testing::TestParamInfo<SstCase>& info) { return std::string(info.param.name); });

TEST(Records, StringStartingAPieceHasNoOptionByte) {
  Workbook::SharedStringTable sst;
  sst.m_strings.emplace_back().SetNarrow(std::string(8213, 'a'));
  sst.m_strings.emplace_back().SetNarrow("hello");
  const auto records = WalkRecords(WriteOne(sst));
  ASSERT_EQ(records.size(), 2u);
  EXPECT_EQ(records[1].data, (std::vector<uint8_t>{5, 0, 0, 'h', 'e', 'l', 'l', 'o'}));
}

TEST(Records, SurrogatePairsStayInOnePiece) {
  // Each prefix shifts where the piece ends; one of them puts the end inside a pair.
  for (size_t prefix = 0; prefix < 4; ++prefix) {
    SCOPED_TRACE(prefix);
    Workbook::SharedStringTable sst;
    std::wstring text(prefix, L'a');
    for (int i = 0; i < 3000; ++i) text += L"\U0001F600";
    sst.m_strings.emplace_back().SetWide(text);
    const auto records = WalkRecords(WriteOne(sst));
    ASSERT_GE(records.size(), 2u);
    for (size_t r = 0; r + 1 < records.size(); ++r) {
      const auto& d = records[r].data;
      const uint16_t lastUnit = Le16(d, d.size() - 2);
      EXPECT_FALSE(lastUnit >= 0xD800 && lastUnit <= 0xDBFF) << "piece " << r << " ends inside a pair";
    }
  }
}

TEST(Records, EmptySheetIs88Bytes) {
  Worksheet sheet;
  EXPECT_EQ(sheet.Size(), 88u);
  std::vector<uint8_t> bytes(88);
  EXPECT_EQ(sheet.Write(bytes.data()), 88u);
  const auto records = WalkRecords(bytes);
  ASSERT_EQ(records.size(), 5u);
  EXPECT_EQ(Le16(records[0].data, 2), 0x0010);
  EXPECT_EQ(records[3].code, 0x023E);
  EXPECT_EQ(Le16(records[3].data, 0), 0x06B6);
}

TEST(Records, MergedRangesSplitAt1027PerRecord) {
  for (const size_t n : {size_t{1027}, size_t{1028}}) {
    SCOPED_TRACE(n);
    Worksheet sheet;
    for (size_t i = 0; i < n; ++i) {
      auto& range = sheet.m_mergedCells.m_ranges.emplace_back();
      range.m_firstRow = range.m_lastRow = static_cast<uint16_t>(i);
      range.m_lastCol = 1;
    }
    std::vector<uint8_t> bytes(sheet.Size());
    EXPECT_EQ(sheet.Write(bytes.data()), bytes.size());
    std::vector<WalkedRecord> merged;
    for (auto& r : WalkRecords(bytes))
      if (r.code == 0x00E5) merged.push_back(r);
    ASSERT_EQ(merged.size(), n == 1027 ? 1u : 2u);
    EXPECT_EQ(merged[0].data.size(), 8218u);
    EXPECT_EQ(Le16(merged[0].data, 0), 1027);
    if (n == 1028) {
      EXPECT_EQ(Le16(merged[1].data, 0), 1);
      EXPECT_EQ(Le16(merged[1].data, 2), 1027);  // first row of the 1028th range
    }
  }
}

TEST(Records, RowBlockOffsets) {
  struct Case {
    int rows, cellsPerRow;
    uint32_t distance;
    std::vector<uint16_t> offsets;
  };
  for (const Case& c : {Case{1, 1, 30, {0}}, Case{2, 2, 80, {20, 20}}, Case{3, 1, 90, {40, 10, 10}}}) {
    SCOPED_TRACE(c.rows);
    Worksheet sheet;
    auto& block = sheet.m_cellTable.m_blocks.emplace_back();
    for (int r = 0; r < c.rows; ++r) {
      block.m_rows.emplace_back().m_row = static_cast<uint16_t>(r);
      block.m_dbCell.m_rowOffsets.push_back(0);
      for (int k = 0; k < c.cellsPerRow; ++k) {
        auto holder = MakeRef<CellBlock>();
        holder->SetType(CellBlock::kBlank);
        holder->Get()->m_row = static_cast<uint16_t>(r);
        holder->Get()->m_col = static_cast<uint16_t>(k);
        block.m_cells.push_back(holder);
      }
    }
    const uint32_t size = sheet.Size();
    sheet.SetPositions(1000);
    EXPECT_EQ(sheet.Size(), size);
    EXPECT_EQ(block.m_dbCell.m_firstRowDistance, c.distance);
    EXPECT_EQ(block.m_dbCell.m_rowOffsets, c.offsets);
    std::vector<uint8_t> bytes(size);
    EXPECT_EQ(sheet.Write(bytes.data()), size);
    const uint32_t dbcell = sheet.m_index.m_dbCellPositions[0] - 1000;
    ASSERT_LT(dbcell + 4u, bytes.size());
    EXPECT_EQ(Le16(bytes, dbcell), 0x00D7);
  }
}

TEST(Records, SheetSizePastFourGigabytesDoesNotWrap) {
  // One formula of a megabyte of tokens, held by every cell of a row block: the cell
  // records add up past 4 GB while the test holds only the one record.
  auto formula = MakeRef<CellBlock>();
  formula->SetType(CellBlock::kFormula);
  formula->As<CellBlock::Formula>()->m_formula.assign(1 << 20, 0x03);
  const uint64_t cellSize = formula->RecordSize();
  Worksheet sheet;
  auto& block = sheet.m_cellTable.m_blocks.emplace_back();
  const uint64_t emptySize = sheet.Size();
  const size_t cells = 4200;
  block.m_cells.assign(cells, formula);
  const uint64_t expected = emptySize + cells * cellSize;
  ASSERT_GT(expected, uint64_t{UINT32_MAX});
  EXPECT_EQ(sheet.Size(), expected);
  EXPECT_EQ(sheet.m_cellTable.RecordSize(), expected - emptySize + block.m_dbCell.RecordSize());
}

TEST(Records, CellRecordBytes) {
  CellBlock::Blank blank;
  blank.m_row = 3;
  blank.m_col = 2;
  blank.m_xf = 15;
  EXPECT_EQ(WriteOne(blank), (std::vector<uint8_t>{0x01, 0x02, 0x06, 0x00, 0x03, 0x00, 0x02, 0x00, 0x0F, 0x00}));

  CellBlock::MulRK mulrk;
  mulrk.m_col = 1;
  mulrk.m_lastCol = 3;
  mulrk.m_entries.resize(3);
  EXPECT_EQ(mulrk.DataSize(), 24u);
  const auto bytes = WriteOne(mulrk);
  EXPECT_EQ(bytes[bytes.size() - 2], 0x03);
  EXPECT_EQ(bytes[bytes.size() - 1], 0x00);

  CellBlock::Formula f;
  f.m_formula.assign(7, 1);
  f.m_string.SetText(L"ab");
  EXPECT_EQ(f.RecordSize(), 42u);
  EXPECT_EQ(WriteOne(f).size(), 42u);
}

TEST(Records, HolderTypeChanges) {
  CellBlock holder;
  holder.SetType(CellBlock::kBlank);
  holder.Get()->m_xf = 9;
  holder.SetType(CellBlock::kBlank);
  ASSERT_NE(holder.Get(), nullptr);
  EXPECT_EQ(holder.Get()->m_xf, 9);
  holder.SetType(0x0208);
  EXPECT_EQ(holder.Get(), nullptr);
  EXPECT_EQ(holder.Code(), 0x0208);
  uint8_t buffer[4] = {};
  EXPECT_EQ(holder.Write(buffer), 0u);
}

TEST(Records, RkValues) {
  EXPECT_EQ(RKFromInt(5), 0x16u);
  EXPECT_EQ(RKFromDouble(1.5), (HighBits(150.0) & ~3u) | 1u);
  EXPECT_EQ(RKFromDouble(3.0), 0x40080000u);
  EXPECT_EQ(RKFromDouble(2.5), 0x406F4001u);
  EXPECT_TRUE(FitsRK(1.25));
  EXPECT_FALSE(FitsRK(1.234));

  struct Case {
    double value;
    bool rk;
  };
  // Only values whose RK form gives them back exactly may use it.
  for (const Case& c : {Case{3.0, true}, Case{2.5, true}, Case{-1.5, true}, Case{0.125, false}, Case{12345.67, false},
                        Case{1e15, false}, Case{3e9, false}, Case{-2e10, false}, Case{2097151.25, false}}) {
    SCOPED_TRACE(c.value);
    uint32_t rk = 0;
    EXPECT_EQ(EncodeRK(c.value, rk), c.rk);
    if (c.rk) {
      EXPECT_EQ(DecodeRK(rk), c.value);
    }
  }
  uint32_t rk = 0;
  EXPECT_TRUE(EncodeRK(int32_t{(1 << 29) - 1}, rk));
  EXPECT_EQ(DecodeRK(rk), (1 << 29) - 1);
  EXPECT_TRUE(EncodeRK(int32_t{-(1 << 29)}, rk));
  EXPECT_EQ(DecodeRK(rk), -(1 << 29));
  EXPECT_FALSE(EncodeRK(int32_t{1 << 29}, rk));
  EXPECT_FALSE(EncodeRK(int32_t{-(1 << 29) - 1}, rk));
}

TEST(Records, PiecesOfAReadRecordDoNotSurviveIntoItsWrite) {
  // A FORMULA of 22 data bytes that arrived as 20 bytes and a 2-byte CONTINUE.
  std::vector<uint8_t> bytes = {0x06, 0x00, 20, 0};
  bytes.resize(bytes.size() + 20, 0);
  const std::vector<uint8_t> tail = {0x3C, 0x00, 2, 0, 0xAB, 0xCD};
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  CellBlock::Formula f;
  ASSERT_EQ(f.Read(bytes.data(), bytes.size()), bytes.size());
  EXPECT_EQ(f.m_formula, (std::vector<uint8_t>{0xAB, 0xCD}));
  std::vector<uint8_t> out(f.RecordSize() + 16, 0xEE);
  EXPECT_EQ(f.Write(out.data()), f.RecordSize());
  EXPECT_EQ(f.RecordSize(), 26u);
  EXPECT_EQ(out[f.RecordSize()], 0xEE);
}

TEST(Records, ALongTableRecordReportsTheSizeItWrites) {
  // A TABLE of 18 data bytes: the two extra bytes are not part of its layout
  // and must not be counted in the size of what it writes back.
  std::vector<uint8_t> bytes = {0x36, 0x02, 18, 0};
  bytes.resize(bytes.size() + 18, 0x11);
  CellBlock::Formula::Table t;
  ASSERT_EQ(t.Read(bytes.data(), bytes.size()), bytes.size());
  std::vector<uint8_t> out(64, 0xEE);
  EXPECT_EQ(t.RecordSize(), 20u);
  EXPECT_EQ(t.Write(out.data()), t.RecordSize());
  EXPECT_EQ(out[t.RecordSize()], 0xEE);
}

TEST(Records, FixedLayoutsReadAndWriteEveryFieldAtItsOffset) {
  {
    SCOPED_TRACE("BOF");
    const auto d = Distinct(16);
    BOF r;
    ExpectRoundTrip(r, 0x0809, d);
    EXPECT_EQ(r.m_type, LE(d, 2, 2));
    EXPECT_EQ(r.m_lowestVersion, LE(d, 12, 4));
  }
  {
    SCOPED_TRACE("WINDOW1");
    const auto d = Distinct(18);
    Workbook::Window1 r;
    ExpectRoundTrip(r, 0x003D, d);
    EXPECT_EQ(r.m_options, LE(d, 8, 2));
    EXPECT_EQ(r.m_tabBarWidth, LE(d, 16, 2));
  }
  {
    SCOPED_TRACE("FONT");
    auto d = Distinct(14);
    d.insert(d.end(), {2, 0, 'A', 'b'});
    Workbook::Font r;
    ExpectRoundTrip(r, 0x0031, d);
    // Heavy enough to be bold, so bit 0 of the options is dropped on reading and added on writing.
    ASSERT_GE(r.m_weight, 700);
    EXPECT_EQ(r.m_options, LE(d, 2, 2) & ~1u);
    EXPECT_EQ(r.m_family, d[11]);
    EXPECT_EQ(r.m_reserved, d[13]);
    EXPECT_EQ(r.m_name.AsWide(), L"Ab");
  }
  {
    SCOPED_TRACE("XF");
    const auto d = Distinct(20);
    Workbook::XF r;
    ExpectRoundTrip(r, 0x00E0, d);
    EXPECT_EQ(r.m_usedAttributes, d[9]);
    EXPECT_EQ(r.m_borderLines, LE(d, 10, 4));
    EXPECT_EQ(r.m_fillColours, LE(d, 18, 2));
  }
  {
    SCOPED_TRACE("BOUNDSHEET");
    auto d = Distinct(6);
    d.insert(d.end(), {3, 0, 'a', 'b', 'c'});
    Workbook::BoundSheet r;
    ExpectRoundTrip(r, 0x0085, d);
    EXPECT_EQ(r.m_position, LE(d, 0, 4));
    EXPECT_EQ(r.m_type, d[5]);
    EXPECT_EQ(r.m_name.AsWide(), L"abc");
  }
  {
    SCOPED_TRACE("COLINFO");
    const auto d = Distinct(12, {10, 11});
    Worksheet::ColInfo r;
    ExpectRoundTrip(r, 0x007D, d);
    EXPECT_EQ(r.m_options, LE(d, 8, 2));
  }
  {
    SCOPED_TRACE("DIMENSIONS");
    const auto d = Distinct(14, {12, 13});
    Worksheet::Dimensions r;
    ExpectRoundTrip(r, 0x0200, d);
    EXPECT_EQ(r.m_lastRowPlus1, LE(d, 4, 4));
    EXPECT_EQ(r.m_lastColPlus1, LE(d, 10, 2));
  }
  {
    SCOPED_TRACE("ROW");
    const auto d = Distinct(16, {8, 9, 10, 11});
    Worksheet::CellTable::RowBlock::Row r;
    ExpectRoundTrip(r, 0x0208, d);
    EXPECT_EQ(r.m_height, LE(d, 6, 2));
    EXPECT_EQ(r.m_flags, LE(d, 12, 4));
  }
  {
    SCOPED_TRACE("BOOLERR");
    const auto d = Distinct(8);
    CellBlock::BoolErr r;
    ExpectRoundTrip(r, CellBlock::kBoolErr, d);
    EXPECT_EQ(r.m_xf, LE(d, 4, 2));
    EXPECT_EQ(r.m_isError, d[7]);
  }
  {
    SCOPED_TRACE("LABELSST");
    const auto d = Distinct(10);
    CellBlock::LabelSST r;
    ExpectRoundTrip(r, CellBlock::kLabelSST, d);
    EXPECT_EQ(r.m_sstIndex, LE(d, 6, 4));
  }
  {
    SCOPED_TRACE("NUMBER");
    const auto d = Distinct(14);
    CellBlock::Number r;
    ExpectRoundTrip(r, CellBlock::kNumber, d);
    uint64_t bits;
    std::memcpy(&bits, &r.m_value, 8);
    EXPECT_EQ(bits, LE(d, 6, 8));
  }
  {
    SCOPED_TRACE("RK");
    const auto d = Distinct(10);
    CellBlock::RK r;
    ExpectRoundTrip(r, CellBlock::kRK, d);
    EXPECT_EQ(r.m_rk, LE(d, 6, 4));
  }
  {
    SCOPED_TRACE("TABLE");
    const auto d = Distinct(16);
    CellBlock::Formula::Table r;
    ExpectRoundTrip(r, 0x0036, d);
    EXPECT_EQ(r.m_lastCol, d[5]);
    EXPECT_EQ(r.m_inputCol2, LE(d, 14, 2));
  }
  {
    SCOPED_TRACE("ARRAY");
    const auto d = Distinct(15);
    CellBlock::Formula::Array r;
    ExpectRoundTrip(r, 0x0221, d);
    EXPECT_EQ(r.m_reserved, LE(d, 8, 4));
    EXPECT_EQ(r.m_formula, std::vector<uint8_t>(d.begin() + 12, d.end()));
  }
  {
    SCOPED_TRACE("SHRFMLA");
    const auto d = Distinct(11);
    CellBlock::Formula::ShrFmla r;
    ExpectRoundTrip(r, 0x00BC, d);
    EXPECT_EQ(r.m_firstCol, d[4]);
    EXPECT_EQ(r.m_reserved, LE(d, 6, 2));
    EXPECT_EQ(r.m_formula, std::vector<uint8_t>(d.begin() + 8, d.end()));
  }
  {
    SCOPED_TRACE("merged range");
    const auto d = Distinct(8);
    Worksheet::MergedCells::MergedCell r;
    EXPECT_EQ(r.Read(d.data()), 8u);
    EXPECT_EQ(r.m_firstCol, LE(d, 4, 2));
    EXPECT_EQ(r.m_lastCol, LE(d, 6, 2));
    std::vector<uint8_t> out(8);
    EXPECT_EQ(r.Write(out.data()), 8u);
    EXPECT_EQ(out, d);
  }
}
