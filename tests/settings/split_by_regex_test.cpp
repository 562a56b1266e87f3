#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "settings/SplitByRegex.h"

namespace {

using Pieces = std::vector<std::wstring>;

// What the standard library's token iteration over the matches gives: the
// reference for short texts, where its recursion is harmless.
Pieces StandardPieces(const std::wstring& text, const std::wstring& pattern) {
  const std::wregex separator(pattern, std::regex_constants::ECMAScript);
  Pieces pieces;
  for (std::wsregex_token_iterator it(text.begin(), text.end(), separator, -1), end; it != end; ++it)
    pieces.push_back(it->str());
  return pieces;
}

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) {
    if (c >= 0x20 && c < 0x7F) {
      out.push_back(static_cast<char>(c));
    } else {
      char code[16];
      std::snprintf(code, sizeof code, "\\x%04X", static_cast<unsigned>(c));
      out += code;
    }
  }
  return out;
}

TEST(SplitByRegex, NumberListSeparators) {
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
  EXPECT_EQ((Pieces{L"a", L"b", L"c"}), SplitByRegex(text, L"-+"));
  EXPECT_EQ((Pieces{L"a", L"", L"b", L"c"}), SplitByRegex(text, L"-"));
  EXPECT_EQ(L"a--b-c", text);
}

// Every pattern against every text gives exactly the standard library's pieces:
// the separators of the number lists, patterns of the same single-character
// kind, and patterns of other shapes.
TEST(SplitByRegex, SameAsTheStandardRegexOnShortTexts) {
  const wchar_t* patterns[] = {
      L",|;|:|\\s+", L"-+",   L"-",   L"\\s",     L"\\s+|,", L",|\\s+", L",|,+",  L",+|,", L"\\S+",    L"\\d+|x",
      L"\\D",        L"\\w+", L"\\W", L"\\.|\\-", L"\\t+",   L"\\n|;",  L"a|b+",  L"\\,+", L"[,;]+",   L"ab|c",
      L"\\s*",       L",?",   L"(,)", L"^,",      L",\\s*",  L"x|",     L"\\s+?", L"\\b",  L"[^0-9]+", L"\\\\",
  };
  const wchar_t* texts[] = {
      L"",
      L",",
      L"1,2,3,4",
      L"0.125;0.25:0.5 1",
      L"  1  2  ",
      L"1, 2",
      L",,1,,",
      L"a--b-c",
      L"\t\r\n\v\f x",
      L"1\x00A0"
      L"2\x3000"
      L"3\x2028"
      L"4\x0085"
      L"5\xFEFF"
      L"6",
      L"0x1F,0x20 0xE0A1",
      L"a_b c9.d-e",
      L"x\\y\\\\z",
      L"aab bba ab",
      L"\x00E9t\x00E9;\x4E2D\x6587,\x0661\x0662",
  };
  for (const wchar_t* pattern : patterns) {
    for (const wchar_t* text : texts) {
      SCOPED_TRACE("pattern " + Narrow(pattern) + " text " + Narrow(text));
      EXPECT_EQ(StandardPieces(text, pattern), SplitByRegex(text, pattern));
    }
  }
}

// The longest text a setting can hold: a run of white space, long pieces, and
// many short pieces, split without one step of recursion per character.
TEST(SplitByRegex, LongestStoredTextsSplit) {
  constexpr size_t kLongest = 32767;
  const std::wstring pattern = L",|;|:|\\s+";
  const std::wstring digits(kLongest, L'7');
  const std::wstring middleBlanks = L"1" + std::wstring(kLongest - 2, L' ') + L"2";
  std::wstring many;
  while (many.size() + 2 <= kLongest) many += L"5,";
  many += L"5";
  const std::wstring mixed =
      std::wstring(kLongest / 2, L'8') + L",\t" + std::wstring(kLongest - kLongest / 2 - 2, L'\t');

  const struct {
    const char* what;
    std::wstring text;
    Pieces pieces;
  } rows[] = {
      {"only blanks", std::wstring(kLongest, L' '), {L""}},
      {"blanks between two numbers", middleBlanks, {L"1", L"2"}},
      {"one long piece", digits, {digits}},
      {"a long piece, a comma and tabs", mixed, {std::wstring(kLongest / 2, L'8'), L""}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    ASSERT_EQ(kLongest, row.text.size());
    EXPECT_EQ(row.pieces, SplitByRegex(row.text, pattern));
  }

  SCOPED_TRACE("many short pieces");
  ASSERT_EQ(kLongest, many.size());
  const Pieces pieces = SplitByRegex(many, pattern);
  ASSERT_EQ(kLongest / 2 + 1, pieces.size());
  for (const std::wstring& piece : pieces) ASSERT_EQ(L"5", piece);

  SCOPED_TRACE("other single-character separators");
  EXPECT_EQ((Pieces{L"a", L"b"}), SplitByRegex(L"a" + std::wstring(kLongest - 2, L'-') + L"b", L"-+"));
  EXPECT_EQ((Pieces{L"", L"x"}), SplitByRegex(std::wstring(kLongest - 1, L'\n') + L"x", L"\\s+|,"));
}

// Patterns of other shapes go to the standard library only with texts short
// enough for its recursion; a longer text is refused rather than crashing.
TEST(SplitByRegex, OtherPatternsOnlyOnShortTexts) {
  const std::wstring pattern = L"[,;]|\\s+";
  const std::wstring shortest = L"1" + std::wstring(kMaxRegexSplitChars - 2, L' ') + L"2";
  EXPECT_EQ((Pieces{L"1", L"2"}), SplitByRegex(shortest, pattern));
  EXPECT_EQ(Pieces{}, SplitByRegex(shortest + L" ", pattern));
  EXPECT_EQ(Pieces{}, SplitByRegex(std::wstring(32767, L' '), pattern));
}

}  // namespace
