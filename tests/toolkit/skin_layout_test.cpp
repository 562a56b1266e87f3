// Placement rules of the child layout and the name tables of the skin's
// Style, ExStyle and Align attributes.

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include "toolkit/SkinLayout.h"
#include "toolkit/StyleNames.h"

namespace {

int32_t Words(int low, int high) {
  return static_cast<int32_t>((static_cast<uint32_t>(high) << 16) | (static_cast<uint32_t>(low) & 0xFFFF));
}

struct PlaceCase {
  const char* what;
  LayoutRule rule;
  int cx, cy;
  LayoutBox previous;
  LayoutBox expected;
};

TEST(SkinLayout, PlacesEachRule) {
  const LayoutBox none{0, 0, 0, 0};
  const PlaceCase cases[] = {
      {"no flags: low words only", {Words(5, 10), Words(7, 3), 30, 20, 0}, 300, 200, none, {5, 7, 30, 20}},
      {"right", {10, 0, 50, 20, ALIGN_PARENT_RIGHT}, 300, 200, none, {240, 0, 50, 20}},
      {"right cancelled by left",
       {10, 0, 50, 20, ALIGN_PARENT_RIGHT | ALIGN_PARENT_LEFT},
       300,
       200,
       none,
       {10, 0, 50, 20}},
      {"bottom", {0, 6, 50, 20, ALIGN_PARENT_BOTTOM}, 300, 200, none, {0, 174, 50, 20}},
      {"width with margin",
       {Words(8, 20), 0, 50, 20, ALIGN_PARENT_LEFT | ALIGN_PARENT_WIDTH},
       300,
       200,
       none,
       {8, 0, 272, 20}},
      {"height with margin",
       {0, Words(4, 6), 50, 20, ALIGN_PARENT_TOP | ALIGN_PARENT_HEIGHT},
       300,
       200,
       none,
       {0, 4, 50, 190}},
      {"offset right of first", {4, 0, 20, 10, OFFSET_PRE_RIGHT}, 300, 200, none, {4, 0, 20, 10}},
      {"offset right of previous", {4, 0, 20, 10, OFFSET_PRE_RIGHT}, 300, 200, {4, 0, 20, 10}, {28, 0, 20, 10}},
      {"offset top", {0, 6, 20, 99, OFFSET_PRE_TOP}, 300, 200, {0, 40, 20, 10}, {0, 46, 20, 99}},
      {"offset bottom", {0, 6, 20, 9, OFFSET_PRE_BOTTOM}, 300, 200, {0, 40, 20, 10}, {0, 56, 20, 9}},
      {"offset left", {3, 0, 20, 9, OFFSET_PRE_LEFT}, 300, 200, {100, 0, 20, 10}, {77, 0, 20, 9}},
      {"negative offset", {0xFFFB, 0, 20, 9, OFFSET_PRE_RIGHT}, 300, 200, {100, 0, 20, 10}, {115, 0, 20, 9}},
      {"align pre right and bottom",
       {0, 0, 20, 9, ALIGN_PRE_RIGHT | ALIGN_PRE_BOTTOM},
       300,
       200,
       {100, 50, 30, 40},
       {110, 81, 20, 9}},
      {"align pre left and top",
       {7, 7, 20, 9, ALIGN_PRE_LEFT | ALIGN_PRE_TOP},
       300,
       200,
       {100, 50, 30, 40},
       {100, 50, 20, 9}},
      {"first horizontal relation wins",
       {0, 0, 20, 9, ALIGN_PRE_LEFT | OFFSET_PRE_RIGHT},
       300,
       200,
       {100, 50, 30, 40},
       {100, 0, 20, 9}},
      {"centres", {0, 0, 50, 21, ALIGN_PARENT_HCENTER | ALIGN_PARENT_VCENTER}, 301, 200, none, {125, 89, 50, 21}},
      {"centre mirrored from the right",
       {0, 0, 50, 20, ALIGN_PARENT_HCENTER | ALIGN_PARENT_RIGHT},
       300,
       200,
       none,
       {125, 0, 50, 20}},
      {"centring truncates toward zero", {0, 0, 51, 20, ALIGN_PARENT_HCENTER}, 50, 200, none, {0, 0, 51, 20}},
      {"width may go negative", {Words(10, 50), 0, 5, 5, ALIGN_PARENT_WIDTH}, 40, 200, none, {10, 0, -20, 5}},
  };
  for (const PlaceCase& c : cases) {
    SCOPED_TRACE(c.what);
    LayoutBox box = PlaceChild(c.rule, c.cx, c.cy, c.previous);
    EXPECT_EQ(box.x, c.expected.x);
    EXPECT_EQ(box.y, c.expected.y);
    EXPECT_EQ(box.w, c.expected.w);
    EXPECT_EQ(box.h, c.expected.h);
  }
}

TEST(StyleNames, TablesHoldEveryRow) {
  EXPECT_EQ(kStyleNameCount, 133u);
  EXPECT_EQ(kExStyleNameCount, 26u);
  EXPECT_EQ(kAlignNameCount, 17u);
  // The last row of each table is reachable: the counts come from the tables.
  EXPECT_EQ(ParseStyleNames(L"CBS_HASSTRINGS", kStyleNames), static_cast<uint32_t>(CBS_HASSTRINGS));
  EXPECT_EQ(ParseStyleNames(L"WS_EX_WINDOWEDGE", kExStyleNames), static_cast<uint32_t>(WS_EX_WINDOWEDGE));
  EXPECT_EQ(ParseStyleNames(L"OFFSET_PRE_BOTTOM", kAlignNames), 0x800000u);
}

TEST(StyleNames, EvaluatesExpressions) {
  struct Case {
    const wchar_t* expression;
    int table;
    uint32_t expected;
  } cases[] = {
      {L"WS_CHILD|WS_VISIBLE|WS_TABSTOP", kStyleNames, 0x50010000},
      {L" WS_CHILD | WS_VISIBLE | WS_TABSTOP ", kStyleNames, 0x50010000},
      {L"ws_child", kStyleNames, 0},
      {L"", kStyleNames, 0},
      {L"WS_CHILD|NO_SUCH_NAME", kStyleNames, 0x40000000},
      {L"SS_TOP", kStyleNames, 3},
      {L"SS_BOTTOM", kStyleNames, 4},
      {L"SS_VCENTER", kStyleNames, 5},
      {L"BS_BACKIMGE|BS_MENU", kStyleNames, 0x9000},
      {L"SPLS_VERTICAL|SPLS_FIXED", kStyleNames, 3},
      {L"ES_EX_NOCALLOLEINIT", kStyleNames, 0},
      {L"SBS_VERT|SBS_RIGHTALIGN", kStyleNames, 0x5},
      {L"TVS_HASBUTTONS|TVS_HASLINES", kStyleNames, 0x3},
      {L"WS_EX_CLIENTEDGE", kExStyleNames, 0x200},
      {L"ALIGN_PARENT_RIGHT|ALIGN_PARENT_BOTTOM", kAlignNames, 0xC},
      {L" ALIGN_PARENT_WIDTH | ALIGN_PARENT_HEIGHT ", kAlignNames, 0x30},
      {L"ALIGN_NONE", kAlignNames, 0},
      {L"WS_CHILD", 3, 0},
      {L"WS_CHILD", -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "table " << c.table);
    EXPECT_EQ(ParseStyleNames(c.expression, c.table), c.expected);
  }
}

TEST(StyleNames, OverlongTokensAddNothing) {
  std::wstring longName(100, L'A');
  EXPECT_EQ(ParseStyleNames((longName + L"|WS_VISIBLE").c_str(), kStyleNames), static_cast<uint32_t>(WS_VISIBLE));
  // A long token whose first 63 characters spell a real name is still refused.
  std::wstring padded = L"WS_VISIBLE" + std::wstring(60, L'x');
  EXPECT_EQ(ParseStyleNames(padded.c_str(), kStyleNames), 0u);
  EXPECT_EQ(ParseStyleNames(nullptr, kStyleNames), 0u);
}

}  // namespace
