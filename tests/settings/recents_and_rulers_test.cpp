// Recent-file slots and saved rulers in memory and in the registry.

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

#include "settings/Configuration.h"
#include "tests/settings/registry_support.h"
#include "settings/WinRegistry.h"

namespace {

class RecentsAndRulersTest : public ProgramKeyTest {};

TEST_F(RecentsAndRulersTest, NoRecentsKeyIsCreatedEmpty) {
  CConfiguration c;
  c.LoadRecents();
  c.LoadRulers();
  EXPECT_TRUE(KeyExists(kProgramRecents));
  EXPECT_TRUE(KeyExists(kProgramRulers));
  for (unsigned i = 0; i < kRecentCount; ++i) EXPECT_EQ(L"", c.CopyRecent(i));
  EXPECT_TRUE(c.m_Rulers.empty());
}

TEST_F(RecentsAndRulersTest, SetRecentKeepsCopiesAndIgnoresBadSlots) {
  CConfiguration c;
  std::wstring path = L"C:\\a.bmp";
  c.SetRecent(0, path.c_str());
  path[3] = L'b';
  EXPECT_EQ(L"C:\\a.bmp", c.CopyRecent(0)) << "a copy, not the caller's buffer";
  c.SetRecent(0, c.CopyRecent(0).c_str());
  EXPECT_EQ(L"C:\\a.bmp", c.CopyRecent(0));
  c.SetRecent(32, L"C:\\x.bmp");
  c.SetRecent(0xFFFFFFFF, L"C:\\x.bmp");
  c.SetRecent(1, L"");
  EXPECT_EQ(L"", c.CopyRecent(1));
  c.SetRecent(0, nullptr);
  EXPECT_EQ(L"", c.CopyRecent(0));
  c.SetRecent(5, L"C:\\5.bmp");
  c.ClearRecents();
  for (unsigned i = 0; i < kRecentCount; ++i) EXPECT_EQ(L"", c.CopyRecent(i)) << i;
}

TEST_F(RecentsAndRulersTest, SaveWritesSetSlotsAndDeletesEmptyOnes) {
  PutText(kProgramRecents, L"1", L"C:\\old.bmp");
  CConfiguration c;
  c.SetRecent(0, L"C:\\0.bmp");
  c.SetRecent(2, L"C:\\2.bmp");
  c.SaveRecents();
  const auto values = ExportKey(kProgramRecents).at(kHkcuPrefix + kProgramRecents);
  ASSERT_EQ(2u, values.size());
  EXPECT_EQ(L"C:\\0.bmp", values.at(L"0").Text());
  EXPECT_EQ(L"C:\\2.bmp", values.at(L"2").Text());
}

TEST_F(RecentsAndRulersTest, RulerListOperations) {
  CConfiguration c;
  const float a[4] = {0.1f, 0.2f, 0.3f, 0.4f};
  const float b[4] = {0.5f, 0.6f, 0.7f, 0.8f};
  c.SetRuler(L"Ruler", 2.0, a);
  c.SetRuler(L"ruler", 3.0, b);
  ASSERT_EQ(2u, c.m_Rulers.size()) << "names differ in letter case";
  EXPECT_EQ(0, c.FindRuler(L"Ruler"));
  EXPECT_EQ(1, c.FindRuler(L"ruler"));
  EXPECT_EQ(-1, c.FindRuler(L"RULER"));
  EXPECT_EQ(-1, c.FindRuler(nullptr));

  c.SetRuler(L"Ruler", 4.0, b);
  ASSERT_EQ(2u, c.m_Rulers.size());
  EXPECT_EQ(4.0, c.m_Rulers[0]->m_Scale);
  EXPECT_EQ(0.8f, c.m_Rulers[0]->m_Points[3]);
  c.SetRuler(nullptr, 1.0, a);
  EXPECT_EQ(2u, c.m_Rulers.size());

  c.SetRuler(L"third", 1.0, a);
  c.RemoveRuler(c.m_Rulers[1].get());
  ASSERT_EQ(2u, c.m_Rulers.size());
  EXPECT_EQ(L"Ruler", Text(c.m_Rulers[0]->m_Name));
  EXPECT_EQ(L"third", Text(c.m_Rulers[1]->m_Name));
  CConfiguration::CRulerRecord stranger(L"Ruler", 1.0, a);
  c.RemoveRuler(&stranger);
  c.RemoveRuler(nullptr);
  EXPECT_EQ(2u, c.m_Rulers.size());
  c.ClearRulers();
  EXPECT_TRUE(c.m_Rulers.empty());
}

TEST_F(RecentsAndRulersTest, RulersComeBackInTheRegistrysNameOrder) {
  {
    CConfiguration c;
    const float p[4] = {0.125f, 0.25f, 0.5f, 1.0f};
    for (int i = 0; i < 12; ++i) c.SetRuler(std::to_wstring(i).c_str(), 1.0 + i, p);
    c.SaveRulers();
  }
  CConfiguration c;
  c.LoadRulers();
  const wchar_t* order[] = {L"0", L"1", L"10", L"11", L"2", L"3", L"4", L"5", L"6", L"7", L"8", L"9"};
  ASSERT_EQ(12u, c.m_Rulers.size());
  for (size_t i = 0; i < 12; ++i) {
    EXPECT_EQ(order[i], Text(c.m_Rulers[i]->m_Name));
    EXPECT_DOUBLE_EQ(1.0 + std::stoi(order[i]), c.m_Rulers[i]->m_Scale);
    EXPECT_EQ(0.125f, c.m_Rulers[i]->m_Points[0]);
    EXPECT_EQ(1.0f, c.m_Rulers[i]->m_Points[3]);
  }
}

TEST_F(RecentsAndRulersTest, OnlyTheFirst32RulersAreStored) {
  {
    CConfiguration c;
    const float p[4] = {};
    for (int i = 0; i < 33; ++i) c.SetRuler((L"r" + std::to_wstring(i)).c_str(), 1.0, p);
    c.SaveRulers();
  }
  EXPECT_FALSE(KeyExists(kProgramRulers + L"\\32"));
  CConfiguration c;
  c.LoadRulers();
  EXPECT_EQ(32u, c.m_Rulers.size());
  EXPECT_EQ(-1, c.FindRuler(L"r32"));

  // A shorter list removes the keys it no longer needs.
  c.ClearRulers();
  const float p[4] = {};
  c.SetRuler(L"only", 1.0, p);
  c.SaveRulers();
  const ExportedKeys keys = ExportKey(kProgramRulers);
  EXPECT_TRUE(keys.count(kHkcuPrefix + kProgramRulers + L"\\0"));
  EXPECT_FALSE(keys.count(kHkcuPrefix + kProgramRulers + L"\\1"));
  EXPECT_FALSE(keys.count(kHkcuPrefix + kProgramRulers + L"\\31"));
}

TEST_F(RecentsAndRulersTest, RulerPointTexts) {
  const struct {
    const wchar_t* pts;  // null: no "pts" value
    int result;
    float points[4];
  } rows[] = {
      {L"0.1,0.2,0.3,0.4", 1, {0.1f, 0.2f, 0.3f, 0.4f}},
      {L"0.1;0.2:0.3 0.4", 1, {0.1f, 0.2f, 0.3f, 0.4f}},
      {L"0.1,,0.3,0.4", 1, {0.1f, 0, 0, 0}},
      {L"0.1, 0.2", 1, {0.1f, 0, 0, 0}},         // comma and blank: two separators
      {L",0.1,0.2", 1, {0, 0, 0, 0}},            // a leading comma loads none
      {L"0.5xyz,0.25", 1, {0.5f, 0.25f, 0, 0}},  // trailing characters ignored
      {L"1,2,3,4,5", 1, {1, 2, 3, 4}},
      {L"  0.1", 1, {0, 0, 0, 0}},  // leading blanks are a separator
      {L"", 1, {0, 0, 0, 0}},       // holds only its terminator: still a text
      {nullptr, 0, {0, 0, 0, 0}},
      {L"0.1,abc,0.3", 1, {0.1f, 0, 0, 0}},          // the points before a piece that is no number stay
      {L"0.1,0.2,1e39,0.4", 1, {0.1f, 0.2f, 0, 0}},  // nor one no float can hold
      {L"1e39", 1, {0, 0, 0, 0}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.pts ? row.pts : L"<absent>");
    DeleteKeyTree(kProgramRulers);
    if (row.pts)
      PutText(kProgramRulers + L"\\0", L"pts", row.pts);
    else
      PutText(kProgramRulers + L"\\0", L"name", L"n");
    CWinRegistry key(HKEY_CURRENT_USER, (kProgramRulers + L"\\0").c_str(), FALSE, TRUE);
    float points[4] = {0, 0, 0, 0};
    const int result = CConfiguration::ParseRulerPoints(key, points);
    EXPECT_EQ(row.result, result);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(row.points[i], points[i]) << i;
  }
}

// Point texts as long as a stored text may be: a start must never die on them.
TEST_F(RecentsAndRulersTest, LongestPointTextsLoad) {
  constexpr size_t kLongest = 32767;
  const std::wstring tail = L"0.2,0.3,0.4";
  const struct {
    const char* what;
    std::wstring pts;
    float points[4];
  } rows[] = {
      {"only blanks", std::wstring(kLongest, L' '), {0, 0, 0, 0}},
      {"blanks between the numbers",
       L"0.1" + std::wstring(kLongest - 3 - tail.size(), L' ') + tail,
       {0.1f, 0.2f, 0.3f, 0.4f}},
      {"one long number", L"0." + std::wstring(kLongest - 2, L'5'), {0.5555555555f, 0, 0, 0}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    ASSERT_EQ(kLongest, row.pts.size());
    DeleteKeyTree(kProgramRulers);
    PutText(kProgramRulers + L"\\0", L"name", L"long");
    PutText(kProgramRulers + L"\\0", L"pts", row.pts);
    CConfiguration c;
    c.LoadRulers();
    ASSERT_EQ(1u, c.m_Rulers.size());
    for (int i = 0; i < 4; ++i) EXPECT_EQ(row.points[i], c.m_Rulers[0]->m_Points[i]) << i;
  }
}

TEST_F(RecentsAndRulersTest, MissingPointsLeaveZerosAndTheRecordStays) {
  PutText(kProgramRulers + L"\\0", L"name", L"no points");
  PutText(kProgramRulers + L"\\0", L"scale", L"0.5");
  CConfiguration c;
  c.LoadRulers();
  ASSERT_EQ(1u, c.m_Rulers.size());
  EXPECT_EQ(0.5, c.m_Rulers[0]->m_Scale);
  for (float v : c.m_Rulers[0]->m_Points) EXPECT_EQ(0.0f, v);
}

}  // namespace
