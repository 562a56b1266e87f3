#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/SplitByRegex.h"

namespace {

TEST(SplitByRegex, NumberListSeparators) {
  using Pieces = std::vector<std::wstring>;
  const struct {
    const wchar_t* text;
    Pieces pieces;
  } rows[] = {
      {L"1,2,3,4", {L"1", L"2", L"3", L"4"}},
      {L"1;2:3 4", {L"1", L"2", L"3", L"4"}},
      {L",1", {L"", L"1"}},
      {L"1,,2", {L"1", L"", L"2"}},
      {L"1,2,", {L"1", L"2"}},
      {L"1, 2", {L"1", L"", L"2"}},
      {L"  1  2", {L"", L"1", L"2"}},
      {L"1\t\r\n2", {L"1", L"2"}},
      {L"12", {L"12"}},
      {L"", {L""}},
      {L",", {L""}},
      {L"0x1F,0x20", {L"0x1F", L"0x20"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(row.pieces, SplitByRegex(row.text, L",|;|:|\\s+"));
  }
}

TEST(SplitByRegex, OtherPatternsAndUntouchedText) {
  const std::wstring text = L"a--b-c";
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"b", L"c"}), SplitByRegex(text, L"-+"));
  EXPECT_EQ((std::vector<std::wstring>{L"a", L"", L"b", L"c"}), SplitByRegex(text, L"-"));
  EXPECT_EQ(L"a--b-c", text);
}

}  // namespace
