// The skinned text field: layout, caret, hit test and scrolling with known
// character widths; limits, digit filter, keys, notifications, word
// selection and a real clipboard round trip.

#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/toolkit/recording_parent.h"
#include "tests/toolkit/skin_fixture.h"
#include "toolkit/SkinEdit.h"

namespace {

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Colors>
    <EditSel Red="0" Green="0" Blue="255" Alpha="255"/>
  </Colors>
  <Text>
    <Hint Text="Type here"/>
  </Text>
  <Windows>
    <Host Class="WINDOW" Style="WS_POPUP|WS_VISIBLE|WS_CLIPCHILDREN" X="0" Y="0" Width="400" Height="420">
      <Single Class="EDIT" CommandID="11" Style="WS_CHILD|WS_VISIBLE" X="10" Y="10" Width="100" Height="24" WaterText="Hint"/>
      <Multi Class="EDIT" CommandID="12" Style="WS_CHILD|WS_VISIBLE|ES_MULTILINE" X="10" Y="50" Width="50" Height="100"/>
      <Digits Class="EDIT" CommandID="13" Style="WS_CHILD|WS_VISIBLE|ES_NUMBER" X="10" Y="160" Width="100" Height="24" Text="Hint"/>
      <Right Class="EDIT" CommandID="14" Style="WS_CHILD|WS_VISIBLE|ES_RIGHT" X="120" Y="10" Width="80" Height="24"/>
      <Centre Class="EDIT" CommandID="15" Style="WS_CHILD|WS_VISIBLE|ES_CENTER" X="120" Y="50" Width="80" Height="24"/>
      <Wide Class="EDIT" CommandID="16" Style="WS_CHILD|WS_VISIBLE" X="10" Y="200" Width="380" Height="24"/>
      <Page Class="EDIT" CommandID="17" Style="WS_CHILD|WS_VISIBLE|ES_MULTILINE" X="10" Y="230" Width="380" Height="180"/>
    </Host>
  </Windows>
</Skin>
)";

constexpr int kCharWidth = 10;
constexpr int kLineHeight = 16;

// Every character 10 pixels wide, its box starting at 0.
void FixedWidth(AvlfEdit& edit, std::vector<AvlfEditCharBox>& boxes) {
  boxes.assign(edit.m_strText.size(), AvlfEditCharBox{0, 0, static_cast<float>(kCharWidth), kLineHeight});
}

class SkinEdit : public skintest::SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    LoadSkin(kSkin);
    ASSERT_TRUE(m_parent.Create(nullptr, nullptr, nullptr, L"Host"));
    for (AvlfWindowBase* child : m_parent.m_children) {
      auto* edit = dynamic_cast<AvlfEdit*>(child);
      ASSERT_TRUE(edit);
      edit->m_pMeasure = &FixedWidth;
      edit->m_nLineHeight = kLineHeight;
      edit->LayoutText();
    }
  }
  void TearDown() override {
    if (m_parent.m_hWnd) ::DestroyWindow(m_parent.m_hWnd);
    for (AvlfWindowBase* child : m_parent.m_children) delete child;
    m_parent.m_children.clear();
    SkinFixture::TearDown();
  }
  AvlfEdit& Edit(int id) { return *static_cast<AvlfEdit*>(m_parent.FindChildByCommandId(id)); }
  static void SetText(AvlfEdit& edit, const std::wstring& text) {
    ::SendMessageW(edit.m_hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }
  static void Type(AvlfEdit& edit, const std::wstring& text) {
    for (wchar_t c : text) ::SendMessageW(edit.m_hWnd, WM_CHAR, c, 1);
  }
  static void Select(AvlfEdit& edit, int anchor, int caret) {
    edit.m_nAnchor = anchor;
    edit.m_nCaret = caret;
    edit.m_bHasSelection = true;
  }
  static void PutOnClipboard(UINT format, const void* bytes, size_t size, HWND owner) {
    ASSERT_TRUE(::OpenClipboard(owner));
    ::EmptyClipboard();
    HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    std::memcpy(::GlobalLock(block), bytes, size);
    ::GlobalUnlock(block);
    ::SetClipboardData(format, block);
    ::CloseClipboard();
  }

  skintest::RecordingParent m_parent;
};

TEST_F(SkinEdit, LinesWrapAtAnyCharacterAndSingleLineStaysOneLine) {
  // Client 50 wide: a character goes to a new line once the running width
  // passes 50 - 4.
  struct Case {
    int id;
    std::wstring text;
    std::vector<int> starts, counts;
    std::vector<float> ys;
  } cases[] = {
      {12, L"abcdefghij", {0, 4, 8}, {4, 4, 2}, {0, 16, 32}},
      {12, L"abcd", {0}, {4}, {0}},
      {11, std::wstring(30, L'x'), {0}, {30}, {4}},  // centred: (24 - 16) / 2
      {11, L"", {}, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.id << " " << c.text.size());
    AvlfEdit& edit = Edit(c.id);
    SetText(edit, c.text);
    ASSERT_EQ(edit.m_lines.size(), c.starts.size());
    for (size_t i = 0; i < c.starts.size(); ++i) {
      EXPECT_EQ(edit.m_lines[i].start, c.starts[i]);
      EXPECT_EQ(edit.m_lines[i].count, c.counts[i]);
      EXPECT_EQ(edit.m_lines[i].x, 4.0f);
      EXPECT_EQ(edit.m_lines[i].y, c.ys[i]);
    }
  }
}

TEST_F(SkinEdit, CaretOfAnEmptyControlFollowsItsAlignment) {
  const struct {
    int id;
    int x;
  } cases[] = {{14, 80}, {15, 40}, {11, 3}};
  for (const auto& c : cases) {
    AvlfEdit& edit = Edit(c.id);
    SetText(edit, L"");
    edit.PlaceCaret(0);
    EXPECT_EQ(edit.m_nCaretX, c.x) << c.id;
  }
}

TEST_F(SkinEdit, HitTestFindsTheNearestIndex) {
  AvlfEdit& single = Edit(11);
  SetText(single, L"abc def");
  AvlfEdit& multi = Edit(12);
  SetText(multi, L"abcdefghij");  // lines 0..3, 4..7, 8..9
  const struct {
    AvlfEdit* edit;
    POINT pt;
    int index, caretX;
  } cases[] = {
      {&single, {2, 10}, 0, 0},    // left of the margin
      {&single, {16, 10}, 1, 14},  // left half of 'b' (14..24)
      {&single, {20, 10}, 2, 24},  // right half of 'b'
      {&single, {95, 10}, 7, -1},  // right of the end
      {&multi, {44, 20}, 10, -1},  // right of line 1's end: end of the text
      {&multi, {15, 20}, 5, 14},   // second line, 'f' left half
      {&multi, {15, 90}, 9, 14},   // below the last line uses the last line
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.pt.x << "," << c.pt.y);
    EXPECT_EQ(c.edit->HitTest(c.pt), c.index);
    if (c.caretX >= 0) {
      EXPECT_EQ(c.edit->m_nCaretX, c.caretX);
    }
  }
}

TEST_F(SkinEdit, SingleLineScrollsByWholeCharactersAndBackAfterDeletion) {
  AvlfEdit& edit = Edit(11);  // 100 wide
  SetText(edit, std::wstring(20, L'x'));
  RECT client{};
  ::GetClientRect(edit.m_hWnd, &client);
  // Needed 200 + 8; 108 too much: the cumulative width passes it at k = 10.
  edit.ScrollToCaret(client);
  EXPECT_EQ(edit.m_nFirstVisible, 11);
  // A first visible index beyond 260 is reset when the caret is placed.
  edit.m_nFirstVisible = 300;
  edit.PlaceCaret(3);
  EXPECT_EQ(edit.m_nFirstVisible, 0);
  // Backspace at the first visible character deletes nothing, yet notifies.
  edit.m_nFirstVisible = 11;
  edit.m_nCaret = 11;
  m_parent.m_log.clear();
  Type(edit, L"\b");
  EXPECT_EQ(edit.Length(), 20);
  EXPECT_EQ(m_parent.Codes(), (std::vector<WORD>{EN_CHANGE}));
  SetText(edit, L"abc");
  edit.m_nFirstVisible = 2;
  edit.RescrollAfterDelete();
  EXPECT_EQ(edit.m_nFirstVisible, 0);
}

TEST_F(SkinEdit, TypingStopsAt1024AndPasteKeepsToWhatIsLeft) {
  AvlfEdit& edit = Edit(16);
  SetText(edit, std::wstring(1023, L'a'));
  m_parent.m_log.clear();
  Type(edit, L"b");
  EXPECT_EQ(edit.Length(), 1024);
  Type(edit, L"c");
  EXPECT_EQ(edit.Length(), 1024);
  EXPECT_EQ(m_parent.Codes(), (std::vector<WORD>{EN_CHANGE}));

  const std::wstring hundred(100, L'p');
  PutOnClipboard(CF_UNICODETEXT, hundred.c_str(), (hundred.size() + 1) * 2, edit.m_hWnd);
  SetText(edit, std::wstring(1000, L'a'));
  ::SendMessageW(edit.m_hWnd, WM_PASTE, 0, 0);
  EXPECT_EQ(edit.Length(), 1024);
  EXPECT_EQ(edit.m_strText.substr(1000), std::wstring(24, L'p'));
  // A selection counts as freed room.
  Select(edit, 0, 10);
  ::SendMessageW(edit.m_hWnd, WM_PASTE, 0, 0);
  EXPECT_EQ(edit.Length(), 1024);
  EXPECT_EQ(edit.m_strText.substr(0, 10), std::wstring(10, L'p'));
  // No notification follows a paste or WM_SETTEXT.
  EXPECT_EQ(m_parent.Codes(), (std::vector<WORD>{EN_CHANGE}));
}

TEST_F(SkinEdit, NumberControlRefusesLettersButNotTabOrSetText) {
  AvlfEdit& edit = Edit(13);
  // The creation text was not digits: emptied, yet GetWindowText keeps it.
  EXPECT_TRUE(edit.m_strText.empty());
  wchar_t window[32] = {};
  ::GetWindowTextW(edit.m_hWnd, window, 32);
  EXPECT_STREQ(window, L"Type here");
  m_parent.m_log.clear();
  Type(edit, L"4a2");
  EXPECT_EQ(edit.m_strText, L"42");
  EXPECT_EQ(m_parent.Codes(), (std::vector<WORD>{EN_CHANGE, EN_CHANGE}));
  PutOnClipboard(CF_UNICODETEXT, L"12a", 8, edit.m_hWnd);
  ::SendMessageW(edit.m_hWnd, WM_PASTE, 0, 0);
  EXPECT_EQ(edit.m_strText, L"42");
  Type(edit, L"\t");
  EXPECT_EQ(edit.m_strText, L"42   ");
  SetText(edit, L"x1");
  EXPECT_EQ(edit.m_strText, L"x1");
}

TEST_F(SkinEdit, EnterEscapeAndRightButtonReachTheParent) {
  AvlfEdit& edit = Edit(11);
  SetText(edit, L"keep");
  ::SetFocus(edit.m_hWnd);
  m_parent.m_log.clear();
  Type(edit, L"\x1b");
  EXPECT_EQ(edit.m_strText, L"keep");
  Type(edit, L"\r");
  EXPECT_EQ(::GetFocus(), m_parent.m_hWnd);
  EXPECT_EQ(m_parent.Codes(), (std::vector<WORD>{EN_AVLF_ESCAPE, EN_KILLFOCUS}));
  for (const skintest::Notification& n : m_parent.m_log) EXPECT_EQ(n.id, 11);

  m_parent.m_log.clear();
  ::SendMessageW(edit.m_hWnd, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 6));
  skintest::PumpMessages();
  ASSERT_EQ(m_parent.m_log.size(), 1u);
  EXPECT_EQ(m_parent.m_log[0].message, static_cast<UINT>(WM_RBUTTONDOWN));
  EXPECT_EQ(m_parent.m_log[0].lParam, MAKELPARAM(15, 16));
}

TEST_F(SkinEdit, DoubleClickSelectsAWordWithoutItsSpaces) {
  AvlfEdit& edit = Edit(16);
  SetText(edit, L"hello world");
  const struct {
    int x;
    int anchor, caret;
  } cases[] = {{4 + 7 * kCharWidth + 2, 6, 11}, {4 + 2 * kCharWidth + 2, 0, 5}};
  for (const auto& c : cases) {
    ::SendMessageW(edit.m_hWnd, WM_LBUTTONDBLCLK, 0, MAKELPARAM(c.x, 12));
    EXPECT_EQ(edit.m_nAnchor, c.anchor) << c.x;
    EXPECT_EQ(edit.m_nCaret, c.caret) << c.x;
  }
  AvlfEdit& multi = Edit(12);
  SetText(multi, L"ab cd");
  Select(multi, 0, 2);
  ::SendMessageW(multi.m_hWnd, WM_LBUTTONDBLCLK, 0, MAKELPARAM(10, 5));
  EXPECT_FALSE(multi.m_bHasSelection);
}

TEST_F(SkinEdit, ClipboardRoundTripUsesThePrivateFormatOnly) {
  AvlfEdit& from = Edit(16);
  AvlfEdit& to = Edit(11);
  SetText(from, L"abc def");
  Select(from, 4, 7);
  ::SendMessageW(from.m_hWnd, WM_COPY, 0, 0);
  EXPECT_TRUE(::IsClipboardFormatAvailable(::RegisterClipboardFormatW(L"AvlfEdit Unicode text")));
  EXPECT_FALSE(::IsClipboardFormatAvailable(CF_UNICODETEXT));
  SetText(to, L"x");
  ::SendMessageW(to.m_hWnd, WM_PASTE, 0, 0);
  EXPECT_EQ(to.m_strText, L"xdef");
  ::SendMessageW(from.m_hWnd, WM_CUT, 0, 0);
  EXPECT_EQ(from.m_strText, L"abc ");

  // Text from elsewhere; a block without a terminator is read to its end
  // and no further.
  const UINT own = ::RegisterClipboardFormatW(L"AvlfEdit Unicode text");
  const struct {
    UINT format;
    std::string bytes;
    std::wstring expected;
  } cases[] = {
      {own, std::string("u\0v\0", 4), L"uv"},
      {CF_UNICODETEXT, std::string("w\0i\0d\0e\0\0\0", 10), L"wide"},
      {CF_TEXT, std::string("ansi\0", 5), L"ansi"},
  };
  for (const auto& c : cases) {
    SetText(to, L"");
    PutOnClipboard(c.format, c.bytes.data(), c.bytes.size(), to.m_hWnd);
    ::SendMessageW(to.m_hWnd, WM_PASTE, 0, 0);
    EXPECT_EQ(to.m_strText, c.expected) << c.format;
  }
}

TEST_F(SkinEdit, MeasuringInRunsGivesTheBoxesOfOneCallPerCharacter) {
  AvlfEdit& edit = Edit(16);
  edit.m_pMeasure = nullptr;
  std::wstring longer;
  for (int i = 0; i < 12; ++i) longer += L"Measure AVA To.Ta 0123 ";
  const std::wstring texts[] = {
      L"hello world", L"WiWiWi lll mmm", L"AVAVA To.Ta", L"  a  b  ", L"\x00c4rger \x00df\x00e9", L"1", longer,
  };
  for (const std::wstring& text : texts) {
    SCOPED_TRACE(testing::Message() << text.size());
    edit.m_strText = text;
    std::vector<AvlfEditCharBox> runs, single;
    MeasureEditCharacters(edit, runs);
    MeasureEditCharactersOneByOne(edit, single);
    ASSERT_EQ(runs.size(), text.size());
    ASSERT_EQ(single.size(), text.size());
    for (size_t i = 0; i < text.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_GT(single[i].width, 0.0f);
      EXPECT_NEAR(runs[i].width, single[i].width, 0.01f);
      EXPECT_EQ(static_cast<int>(runs[i].width), static_cast<int>(single[i].width));
      EXPECT_NEAR(runs[i].x, single[i].x, 0.01f);
    }
  }
}

// Each run is laid out only to the end of the word after it: the boxes equal
// those of runs laid out with the whole rest of the text, also where blanks
// meet a run's end, a word too long for a line follows a blank, tabs and
// line breaks.
TEST_F(SkinEdit, RunsLaidOutToTheNextWordGiveTheBoxesOfTheWholeRest) {
  AvlfEdit& edit = Edit(16);
  edit.m_pMeasure = nullptr;
  std::wstring longer;
  for (int i = 0; i < 12; ++i) longer += L"Measure AVA To.Ta 0123 ";
  const std::wstring texts[] = {
      longer,
      std::wstring(31, L'x') + L"  y" + std::wstring(29, L'z') + L"    w",
      L"a " + std::wstring(200, L'W') + L" b",
      std::wstring(30, L'v') + L" " + std::wstring(150, L'M') + L" end",
      L"a\tb\r\nc d\n\ne   ",
      L"  a  b  ",
  };
  for (const std::wstring& text : texts) {
    SCOPED_TRACE(testing::Message() << text.size());
    edit.m_strText = text;
    std::vector<AvlfEditCharBox> bounded, whole;
    MeasureEditCharacters(edit, bounded);
    MeasureEditCharactersOverTheRest(edit, whole);
    ASSERT_EQ(bounded.size(), text.size());
    ASSERT_EQ(whole.size(), text.size());
    for (size_t i = 0; i < text.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(bounded[i].x, whole[i].x);
      EXPECT_EQ(bounded[i].y, whole[i].y);
      EXPECT_EQ(bounded[i].width, whole[i].width);
      EXPECT_EQ(bounded[i].height, whole[i].height);
    }
  }
}

// After an edit the field measures again only from the first run whose
// laid-out text the edit reached: its boxes always equal a fresh measuring.
TEST_F(SkinEdit, EditsMeasureAgainOnlyWhatTheyReached) {
  AvlfEdit& edit = Edit(16);
  edit.m_pMeasure = nullptr;
  std::wstring base;
  for (int i = 0; i < 20; ++i) base += L"Measure AVA To.Ta ";
  const std::wstring hundred = L"WW iii MM";
  PutOnClipboard(CF_UNICODETEXT, hundred.c_str(), (hundred.size() + 1) * 2, edit.m_hWnd);
  const struct {
    const char* name;
    std::function<void()> edit;
  } edits[] = {
      {"type at the end", [&] { Type(edit, L"xyz W"); }},
      {"type in the middle",
       [&] {
         edit.m_nCaret = 150;
         Type(edit, L"q ");
       }},
      {"type at a run's end",
       [&] {
         edit.m_nCaret = 32;
         Type(edit, L"k");
       }},
      {"blank into the next word",
       [&] {
         edit.m_nCaret = 66;
         Type(edit, L" ");
       }},
      {"backspace at the start",
       [&] {
         edit.m_nCaret = 1;
         ::SendMessageW(edit.m_hWnd, WM_CHAR, VK_BACK, 1);
       }},
      {"replace a selection",
       [&] {
         Select(edit, 100, 200);
         Type(edit, L"R");
       }},
      {"paste",
       [&] {
         edit.m_nCaret = 300;
         ::SendMessageW(edit.m_hWnd, WM_PASTE, 0, 0);
       }},
      {"set a longer text", [&] { SetText(edit, base + L"tail"); }},
      {"set a shorter text", [&] { SetText(edit, base.substr(0, 90)); }},
  };
  for (const auto& step : edits) {
    SCOPED_TRACE(step.name);
    SetText(edit, base);
    edit.m_nCaret = edit.Length();
    step.edit();
    std::vector<AvlfEditCharBox> fresh;
    MeasureEditCharacters(edit, fresh);
    ASSERT_EQ(edit.m_boxes.size(), fresh.size());
    for (size_t i = 0; i < fresh.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(edit.m_boxes[i].x, fresh[i].x);
      EXPECT_EQ(edit.m_boxes[i].width, fresh[i].width);
      EXPECT_EQ(edit.m_boxes[i].height, fresh[i].height);
    }
  }
  // A mark in the first box survives typing at the end and not at the start.
  SetText(edit, base);
  edit.m_boxes[0].width = -1;
  Type(edit, L"e");
  EXPECT_EQ(edit.m_boxes[0].width, -1);
  edit.m_nCaret = 0;
  Type(edit, L"s");
  EXPECT_GT(edit.m_boxes[0].width, 0);
}

// The pixels of a window as they are on the screen.
std::vector<uint32_t> WindowPixels(HWND window) {
  RECT rc{};
  ::GetClientRect(window, &rc);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), rc.right, -rc.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP dib = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(memory, dib);
  HDC windowDC = ::GetDC(window);
  ::BitBlt(memory, 0, 0, rc.right, rc.bottom, windowDC, 0, 0, SRCCOPY);
  ::ReleaseDC(window, windowDC);
  ::GdiFlush();
  const auto* px = static_cast<const uint32_t*>(bits);
  std::vector<uint32_t> pixels(px, px + static_cast<size_t>(rc.right) * static_cast<size_t>(rc.bottom));
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  ::DeleteObject(dib);
  return pixels;
}

// Typing into a page repaints only the lines it may have moved; the field
// then looks exactly as after a full repaint.
TEST_F(SkinEdit, TypingInAPageLooksAsAfterAFullRepaint) {
  AvlfEdit& edit = Edit(17);
  edit.m_pMeasure = nullptr;
  std::wstring base;
  for (int i = 0; i < 16; ++i) base += L"Measure AVA To.Ta gjy ";
  for (const int at : {-1, 150, 40}) {
    SCOPED_TRACE(at);
    SetText(edit, base);
    ::UpdateWindow(edit.m_hWnd);
    const std::vector<uint32_t> before = WindowPixels(edit.m_hWnd);
    edit.m_nCaret = at < 0 ? edit.Length() : at;
    Type(edit, L"Wq_");
    const std::vector<uint32_t> typed = WindowPixels(edit.m_hWnd);
    EXPECT_NE(typed, before);
    ::RedrawWindow(edit.m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_EQ(WindowPixels(edit.m_hWnd), typed);
  }
}

TEST_F(SkinEdit, HintShowsOnlyWithoutFocusAndText) {
  AvlfEdit& edit = Edit(11);
  SetText(edit, L"");
  EXPECT_EQ(edit.m_strHint, L"Type here");
  // Grey ink (the background is black) of one paint into a DIB.
  auto greyPixels = [&] {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), 100, -24, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC dc = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(dc, dib);
    ::SendMessageW(edit.m_hWnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    ::GdiFlush();
    int count = 0;
    const auto* px = static_cast<const uint8_t*>(bits);
    for (int i = 0; i < 100 * 24; ++i) {
      const uint8_t b = px[i * 4], g = px[i * 4 + 1], r = px[i * 4 + 2];
      if (r == g && g == b && r > 0x20) ++count;
    }
    ::SelectObject(dc, old);
    ::DeleteDC(dc);
    ::DeleteObject(dib);
    return count;
  };
  EXPECT_GT(greyPixels(), 10);
  ::SetFocus(edit.m_hWnd);
  EXPECT_TRUE(edit.m_bFocused);
  EXPECT_EQ(greyPixels(), 0);
}

}  // namespace
