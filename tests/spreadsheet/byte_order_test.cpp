#include <gtest/gtest.h>

#include "spreadsheet/ByteOrder.h"

using namespace YExcel;

TEST(ByteOrder, ReadsAndWritesLeastSignificantByteFirst) {
  const uint8_t bytes[] = {0x34, 0x12, 0x78, 0x56, 0xBC, 0x9A, 0xF0, 0xDE};
  uint16_t v16;
  ReadLE(bytes, 0, v16);
  EXPECT_EQ(v16, 0x1234);
  uint32_t v32;
  ReadLE(bytes, 2, v32);
  EXPECT_EQ(v32, 0x9ABC5678u);
  uint32_t three;
  ReadLE(bytes, 0, three, 3);
  EXPECT_EQ(three, 0x781234u);
  uint64_t v64;
  ReadLE(bytes, 0, v64);
  EXPECT_EQ(v64, 0xDEF09ABC56781234ull);

  Bytes out(8, 0xAA);
  WriteLE(out, 0, int8_t{-2}, 2);
  EXPECT_EQ(out[0], 0xFE);
  EXPECT_EQ(out[1], 0xFF);
  WriteLE(out, 2, uint8_t{0xFE}, 2);
  EXPECT_EQ(out[2], 0xFE);
  EXPECT_EQ(out[3], 0x00);
  WriteLE(out, 4, uint8_t{0x7}, 0);  // a count of 0 writes one byte
  EXPECT_EQ(out[4], 0x07);
  EXPECT_EQ(out[5], 0xAA);

  Bytes d(14, 0);
  WriteLE(d, 6, 12345.67);
  double back = 0;
  ReadLE(d, 6, back);
  EXPECT_EQ(back, 12345.67);
}

TEST(ByteOrder, CheckedReadTreatsBytesPastTheEndAsZero) {
  const Bytes bytes = {0x11, 0x22, 0x33};
  uint16_t v = 0xFFFF;
  ReadLEChecked(bytes, 2, v);
  EXPECT_EQ(v, 0x0033);
  ReadLEChecked(bytes, 7, v);
  EXPECT_EQ(v, 0);
  wchar_t units[3];
  ReadLEChecked(bytes, 0, units, 3);
  EXPECT_EQ(units[0], 0x2211);
  EXPECT_EQ(units[1], 0x0033);
  EXPECT_EQ(units[2], 0);
}

TEST(ByteOrder, SixteenBitArraysRoundTrip) {
  const wchar_t text[] = L"a\u00B0\u00B2\u6D4B";
  Bytes d(3 + 8, 0);
  WriteLE16Array(d, 3, text, 4);
  EXPECT_EQ(d[3], 'a');
  EXPECT_EQ(d[5], 0xB0);
  EXPECT_EQ(d[10], 0x6D);
  wchar_t back[4];
  ReadLE16Array(d.data(), 3, back, 4);
  EXPECT_EQ(std::wstring(back, 4), std::wstring(text, 4));
}

TEST(ByteOrder, TextConversionKeepsLength) {
  EXPECT_EQ(ToWide(std::string("Workbook")), L"Workbook");
  EXPECT_EQ(ToWide(std::string()), L"");
  EXPECT_EQ(ToNarrow(L"Sheet1 ,;\"x\""), "Sheet1 ,;\"x\"");
  const std::string narrow = ToNarrow(L"a\u6D4Bb");
  ASSERT_EQ(narrow.size(), 3u);
  EXPECT_EQ(narrow[0], 'a');
  EXPECT_EQ(narrow[1], '?');
  EXPECT_EQ(narrow[2], 'b');
}
