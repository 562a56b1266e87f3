// The colour drop-down button on a push button of a dialog made from an
// in-memory template. Its popup runs its own loop; a thread timer plays the
// user's part inside it one posted message at a time, and a CBT hook answers
// the system colour dialog or stops the popup from being created.

#include <windows.h>

#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "tests/toolkit/control_test_support.h"
#include "toolkit/WTLColorButton.h"

namespace {

constexpr WORD kButtonId = 300;

std::vector<WORD> ButtonDialog() {
  std::vector<WORD> t;
  auto push32 = [&](DWORD v) {
    t.push_back(LOWORD(v));
    t.push_back(HIWORD(v));
  };
  push32(WS_POPUP | DS_SETFONT);
  push32(0);
  t.push_back(1);
  t.insert(t.end(), {0, 0, 120, 40});
  t.push_back(0);
  t.push_back(0);
  t.push_back(0);  // no title
  t.push_back(8);
  for (const wchar_t* s = L"MS Shell Dlg"; *s; ++s) t.push_back(static_cast<WORD>(*s));
  t.push_back(0);
  if (t.size() % 2) t.push_back(0);
  push32(WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON);
  push32(0);
  t.insert(t.end(), {10, 10, 60, 16});
  t.push_back(kButtonId);
  t.insert(t.end(), {0xFFFF, 0x0080});  // BUTTON
  t.push_back(0);                       // no caption
  t.push_back(0);
  return t;
}

// 0xRRGGBB, as the DIB reads it.
unsigned Rgb(COLORREF c) {
  return (static_cast<unsigned>(GetRValue(c)) << 16) | (static_cast<unsigned>(GetGValue(c)) << 8) | GetBValue(c);
}

struct Note {
  UINT code;
  COLORREF colour;
  bool operator==(const Note& o) const { return code == o.code && colour == o.colour; }
};
std::vector<Note> g_notes;

INT_PTR CALLBACK RecordingDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NOTIFY) {
    const auto* nm = reinterpret_cast<const ColorPickNotify*>(lParam);
    if (nm->hdr.code >= COLORPICK_CHANGED && nm->hdr.code <= COLORPICK_CANCELLED) {
      EXPECT_EQ(wParam, kButtonId);
      EXPECT_EQ(nm->hdr.idFrom, kButtonId);
      EXPECT_EQ(nm->bValid, TRUE);
      g_notes.push_back({nm->hdr.code, nm->clr});
    }
  }
  BOOL handled = FALSE;
  const LRESULT result = win32::ReflectNotificationsOf(dialog, msg, wParam, lParam, handled);
  if (!handled) return FALSE;
  ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
  return TRUE;
}

// Steps run one per timer tick inside the popup's loop; each gets the popup.
// Once the script is done, Escape closes a popup that is still open.
std::vector<std::function<void(HWND)>> g_steps;
size_t g_next = 0;

void CALLBACK RunStep(HWND, UINT, UINT_PTR, DWORD) {
  HWND popup = ::FindWindowW(L"ColorPicker", nullptr);
  if (g_next < g_steps.size()) {
    std::function<void(HWND)> step = g_steps[g_next++];
    step(popup);
  } else if (popup) {
    ::PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
  }
}

std::function<void(HWND)> Key(WPARAM key) {
  return [key](HWND popup) { ::PostMessageW(popup, WM_KEYDOWN, key, 0); };
}
std::function<void(HWND)> Mouse(UINT message, int x, int y) {
  return [=](HWND popup) { ::PostMessageW(popup, message, 0, MAKELPARAM(x, y)); };
}

// The colour dialog: answered with OK or Cancel when it activates.
HHOOK g_hook = nullptr;
WORD g_answer = IDCANCEL;
int g_dialogs = 0;
bool g_blockPopup = false;

LRESULT CALLBACK WatchWindows(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND dialog = reinterpret_cast<HWND>(wParam);
    wchar_t name[16] = {};
    ::GetClassNameW(dialog, name, 16);
    if (lstrcmpW(name, L"#32770") == 0 && ::GetWindow(dialog, GW_OWNER)) {
      ++g_dialogs;
      ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(g_answer, BN_CLICKED), 0);
    }
  }
  if (code == HCBT_CREATEWND && g_blockPopup) {
    const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lParam);
    const wchar_t* cls = create->lpcs->lpszClass;
    if (!IS_INTRESOURCE(cls) && lstrcmpW(cls, L"ColorPicker") == 0) return 1;
  }
  return ::CallNextHookEx(g_hook, code, wParam, lParam);
}

class WTLColorButton : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::vector<WORD> tpl = ButtonDialog();
    m_dialog = ::CreateDialogIndirectParamW(nullptr, reinterpret_cast<const DLGTEMPLATE*>(tpl.data()), nullptr,
                                            &RecordingDialogProc, 0);
    ASSERT_TRUE(m_dialog);
    ::SetWindowPos(m_dialog, nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::ShowWindow(m_dialog, SW_SHOWNA);
    ASSERT_TRUE(m_button.SubclassWindow(::GetDlgItem(m_dialog, kButtonId)));
    g_notes.clear();
    g_hook = ::SetWindowsHookExW(WH_CBT, &WatchWindows, nullptr, ::GetCurrentThreadId());
    ASSERT_TRUE(g_hook);
  }
  void TearDown() override {
    ::UnhookWindowsHookEx(g_hook);
    g_hook = nullptr;
    g_blockPopup = false;
    if (m_dialog) ::DestroyWindow(m_dialog);
  }
  // Clicks the button and plays the steps in its popup; returns the
  // notifications the dialog received.
  std::vector<Note> Click(std::vector<std::function<void(HWND)>> steps) {
    g_steps = std::move(steps);
    g_next = 0;
    g_notes.clear();
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 30, &RunStep);
    ::SendMessageW(m_button, BM_CLICK, 0, 0);
    ::KillTimer(nullptr, timer);
    EXPECT_EQ(g_next, g_steps.size()) << "the popup closed before the script ended";
    EXPECT_FALSE(::FindWindowW(L"ColorPicker", nullptr));
    return g_notes;
  }
  // Popup client geometry from its window size alone: the text box height
  // and the left and top of the grid.
  struct Geometry {
    int width, text, cellsLeft, cellsTop;
  };
  static Geometry Measure(HWND popup) {
    RECT rc{};
    ::GetClientRect(popup, &rc);
    const int cx = ::GetSystemMetrics(SM_CXEDGE), cy = ::GetSystemMetrics(SM_CYEDGE);
    Geometry g{};
    g.width = rc.right - 2 * cx;
    g.text = (rc.bottom - 2 * cy - 5 * 18) / 2;
    g.cellsLeft = cx + (g.width - 144) / 2;
    g.cellsTop = cy + g.text;
    return g;
  }

  HWND m_dialog = nullptr;
  CWTLColorButton m_button;
};

TEST_F(WTLColorButton, ArrowKeyTable) {
  const int A = CWTLColorButton::kAutomatic, M = CWTLColorButton::kCustom, N = CWTLColorButton::kNone;
  const struct {
    int from, step, to;
  } cases[] = {
      {N, 1, A}, {N, 8, A},  {N, -1, M},  {N, -8, M},  {A, 1, 0},  {A, 8, 0},   {A, -1, M},   {A, -8, M},
      {M, 1, A}, {M, 8, A},  {M, -1, 39}, {M, -8, 39}, {0, -1, A}, {3, -8, A},  {7, -8, A},   {8, -8, 0},
      {5, 1, 6}, {5, 8, 13}, {38, 1, 39}, {39, 1, M},  {32, 8, M}, {31, 8, 39}, {16, -1, 15},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CWTLColorButton::StepEntry(c.from, c.step, 40), c.to) << c.from << " by " << c.step;
}

TEST_F(WTLColorButton, KeyboardWalkThroughThePopupLoop) {
  m_button.m_clrCurrent = 0x0000FF;
  std::vector<int> hot;
  int current = 99;
  auto record = [&](HWND) { hot.push_back(m_button.m_nHotEntry); };
  const std::vector<Note> notes = Click({[&](HWND) { current = m_button.m_nCurrentEntry; },
                                         Key(VK_DOWN),
                                         record,
                                         Key(VK_DOWN),
                                         record,
                                         Key(VK_RIGHT),
                                         Key(VK_RIGHT),
                                         Key(VK_RIGHT),
                                         record,
                                         Key(VK_UP),
                                         record,
                                         Key(VK_LEFT),
                                         record,
                                         Key(VK_LEFT),
                                         record,
                                         Key(VK_RIGHT),
                                         record,
                                         Key('A'),
                                         record,
                                         Key(VK_ESCAPE)});
  EXPECT_EQ(current, 16);  // "Red" is the current entry
  EXPECT_EQ(hot, (std::vector<int>{-3, 0, 3, -3, -2, 39, -2, -2}));
  EXPECT_EQ(notes, (std::vector<Note>{
                       {COLORPICK_OPENED, 0x0000FF}, {COLORPICK_CLOSED, 0x0000FF}, {COLORPICK_CANCELLED, 0x0000FF}}));
  EXPECT_EQ(m_button.m_clrCurrent, 0x0000FFu);
}

TEST_F(WTLColorButton, HitCodesOfThePopup) {
  std::vector<int> hits;
  Geometry g{};
  int tools = 0;
  wchar_t redName[80] = {};
  RECT redCell{};
  Click({[&](HWND popup) {
    g = Measure(popup);
    const int cx = ::GetSystemMetrics(SM_CXEDGE), cy = ::GetSystemMetrics(SM_CYEDGE);
    const int bottom = g.cellsTop + 5 * 18;
    const POINT points[] = {
        {cx + 1, cy + 1},                                     // Automatic, corner
        {cx + g.width / 2, g.cellsTop - 1},                   // Automatic, last row
        {g.cellsLeft, g.cellsTop},                            // colour 0
        {g.cellsLeft + 17, g.cellsTop + 17},                  // colour 0, far corner
        {g.cellsLeft + 18, g.cellsTop},                       // colour 1
        {g.cellsLeft + 3 * 18 + 9, g.cellsTop + 2 * 18 + 9},  // colour 19
        {g.cellsLeft + 143, bottom - 1},                      // colour 39
        {cx + g.width / 2, bottom},                           // More Colors...
        {cx + g.width - 1, bottom + g.text - 1},              // More Colors..., corner
        {0, 0},                                               // the border
        {cx + g.width, cy + g.text + 5},                      // the right border
        {-10, 300},                                           // outside
    };
    for (POINT p : points) hits.push_back(m_button.HitTest(p));
    // One tool per cell, named after its colour.
    HWND tip = nullptr;
    while ((tip = ::FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr)) && ::GetWindow(tip, GW_OWNER) != popup) {}
    ASSERT_TRUE(tip);
    tools = static_cast<int>(::SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0));
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = popup;
    tool.uId = 17;
    tool.lpszText = redName;
    ::SendMessageW(tip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&tool));
    ::SendMessageW(tip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool));
    redCell = tool.rect;
  }});
  EXPECT_EQ(tools, 40);
  EXPECT_STREQ(redName, L"Red");
  EXPECT_EQ(redCell.left, g.cellsLeft);
  EXPECT_EQ(redCell.top, g.cellsTop + 2 * 18);
  EXPECT_EQ(redCell.right - redCell.left, 18);
  EXPECT_GE(g.width, 144);
  EXPECT_GT(g.text, 10);
  EXPECT_EQ(hits, (std::vector<int>{-3, -3, 0, 0, 1, 19, 39, -2, -2, -1, -1, -1}));
}

TEST_F(WTLColorButton, NotificationOrderOfEveryEnding) {
  const COLORREF red = 0x0000FF, blue = 0xFF0000;
  // Cell centres from the popup's own size; the script needs them before it runs.
  auto cell = [](int index, UINT message) {
    return [=](HWND popup) {
      const Geometry g = Measure(popup);
      ::PostMessageW(popup, message, 0,
                     MAKELPARAM(g.cellsLeft + (index % 8) * 18 + 9, g.cellsTop + (index / 8) * 18 + 9));
    };
  };
  const struct Case {
    const char* name;
    std::vector<std::function<void(HWND)>> steps;
    COLORREF after;
    std::vector<UINT> codes;
  } cases[] = {
      {"Escape", {Key(VK_DOWN), Key(VK_ESCAPE)}, red, {COLORPICK_CLOSED, COLORPICK_CANCELLED}},
      {"right press",
       {cell(13, WM_MOUSEMOVE), Mouse(WM_RBUTTONDOWN, 5, 5)},
       red,
       {COLORPICK_CLOSED, COLORPICK_CANCELLED}},
      {"release outside",
       {cell(13, WM_MOUSEMOVE), Mouse(WM_LBUTTONUP, -20, -20)},
       red,
       {COLORPICK_CLOSED, COLORPICK_CANCELLED}},
      {"Enter with nothing hot", {Key(VK_RETURN)}, red, {COLORPICK_CLOSED, COLORPICK_CANCELLED}},
      {"the current colour again", {cell(16, WM_LBUTTONUP)}, red, {COLORPICK_CLOSED, COLORPICK_PICKED}},
      {"blue by mouse",
       {cell(13, WM_MOUSEMOVE), cell(13, WM_LBUTTONUP)},
       blue,
       {COLORPICK_CHANGED, COLORPICK_CLOSED, COLORPICK_PICKED}},
      {"black by keys",
       {Key(VK_DOWN), Key(VK_DOWN), Key(VK_SPACE)},
       0x000000,
       {COLORPICK_CHANGED, COLORPICK_CLOSED, COLORPICK_PICKED}},
      {"Automatic",
       {Key(VK_DOWN), Key(VK_RETURN)},
       CLR_DEFAULT,
       {COLORPICK_CHANGED, COLORPICK_CLOSED, COLORPICK_PICKED}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_button.m_clrCurrent = red;
    const std::vector<Note> notes = Click(c.steps);
    std::vector<Note> expected{{COLORPICK_OPENED, red}};
    for (UINT code : c.codes) expected.push_back({code, c.after});
    EXPECT_EQ(notes, expected);
    EXPECT_EQ(m_button.m_clrCurrent, c.after);
  }
  EXPECT_EQ(g_dialogs, 0);
}

TEST_F(WTLColorButton, MoreColorsRunsTheSystemDialog) {
  m_button.m_clrCurrent = 0x123456;  // in no cell
  const struct {
    WORD answer;
    std::vector<UINT> codes;
  } cases[] = {
      {IDCANCEL, {COLORPICK_CLOSED, COLORPICK_CANCELLED}},
      // OK keeps the colour the dialog opened with: picked but not changed.
      {IDOK, {COLORPICK_CLOSED, COLORPICK_PICKED}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    g_answer = c.answer;
    g_dialogs = 0;
    int current = 99;
    const std::vector<Note> notes =
        Click({[&](HWND) { current = m_button.m_nCurrentEntry; }, Key(VK_UP), Key(VK_RETURN)});
    EXPECT_EQ(current, CWTLColorButton::kCustom);
    EXPECT_EQ(g_dialogs, 1);
    std::vector<Note> expected{{COLORPICK_OPENED, 0x123456}};
    for (UINT code : c.codes) expected.push_back({code, 0x123456});
    EXPECT_EQ(notes, expected);
    EXPECT_EQ(m_button.m_clrCurrent, 0x123456u);
  }
  for (COLORREF custom : CWTLColorButton::gm_clrCustom) EXPECT_EQ(custom, 0xFFFFFFu);
}

TEST_F(WTLColorButton, APopupThatCannotOpenChoosesNothing) {
  m_button.m_clrCurrent = 0x0000FF;
  Click({Key(VK_DOWN), Key(VK_RETURN)});  // Automatic picked: the last popup ended with a choice
  ASSERT_EQ(m_button.m_clrCurrent, CLR_DEFAULT);
  m_button.m_clrCurrent = 0x0000FF;
  g_blockPopup = true;
  g_notes.clear();
  ::SendMessageW(m_button, BM_CLICK, 0, 0);
  EXPECT_EQ(g_notes, (std::vector<Note>{
                         {COLORPICK_OPENED, 0x0000FF}, {COLORPICK_CLOSED, 0x0000FF}, {COLORPICK_CANCELLED, 0x0000FF}}));
  EXPECT_EQ(m_button.m_clrCurrent, 0x0000FFu);
}

TEST_F(WTLColorButton, PopupStaysInsideTheWorkArea) {
  RECT work{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT dialog{};
  ::GetWindowRect(m_dialog, &dialog);
  const int dw = dialog.right - dialog.left, dh = dialog.bottom - dialog.top;
  enum Horizontal { kUnderButton, kAtRightEdge, kAtLeftEdge };
  const struct {
    const char* name;
    int x, y;
    bool above;
    Horizontal horizontal;
  } cases[] = {
      {"roomy", work.left + 50, work.top + 50, false, kUnderButton},
      {"bottom right", work.right - dw / 2, work.bottom - dh, true, kAtRightEdge},
      {"left", work.left - 30, work.top + 50, false, kAtLeftEdge},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ::SetWindowPos(m_dialog, nullptr, c.x, c.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    RECT button{}, popup{};
    ::GetWindowRect(m_button, &button);
    Click({[&](HWND p) { ::GetWindowRect(p, &popup); }});
    if (c.above) {
      EXPECT_EQ(popup.bottom, button.top);
    } else {
      EXPECT_EQ(popup.top, button.bottom);
    }
    switch (c.horizontal) {
      case kUnderButton:
        EXPECT_EQ(popup.left, button.left);
        break;
      case kAtRightEdge:
        EXPECT_EQ(popup.right, work.right);
        break;
      case kAtLeftEdge:
        EXPECT_LT(button.left, work.left);
        EXPECT_EQ(popup.left, work.left);
        break;
    }
  }
}

TEST_F(WTLColorButton, PopupFramesTheCurrentAndHotCells) {
  m_button.m_clrCurrent = 0x0000FF;
  skintest::Dib dib(200, 260);
  Geometry g{};
  Click({Key(VK_DOWN), Key(VK_DOWN), [&](HWND popup) {
           g = Measure(popup);
           ::UpdateWindow(popup);
           HDC dc = ::GetDC(popup);
           ::BitBlt(dib.dc, 0, 0, 200, 260, dc, 0, 0, SRCCOPY);
           ::ReleaseDC(popup, dc);
         }});
  const COLORREF menu = ::GetSysColor(COLOR_MENU), high = ::GetSysColor(COLOR_HIGHLIGHT);
  const unsigned blend = ((GetRValue(menu) * 207 + GetRValue(high) * 48) / 256 << 16) |
                         ((GetGValue(menu) * 207 + GetGValue(high) * 48) / 256 << 8) |
                         ((GetBValue(menu) * 207 + GetBValue(high) * 48) / 256);
  const struct {
    const char* name;
    int index;
    unsigned edge, ring, shadow, fill;
  } cases[] = {
      {"current red", 16, Rgb(high), blend, Rgb(::GetSysColor(COLOR_BTNSHADOW)), 0xFF0000},
      {"hot black", 0, Rgb(high), Rgb(high), Rgb(::GetSysColor(COLOR_BTNSHADOW)), 0x000000},
      {"plain blue", 13, Rgb(menu), Rgb(menu), Rgb(::GetSysColor(COLOR_BTNSHADOW)), 0x0000FF},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int x = g.cellsLeft + (c.index % 8) * 18, y = g.cellsTop + (c.index / 8) * 18;
    EXPECT_EQ(dib.At(x, y + 9), c.edge);
    EXPECT_EQ(dib.At(x + 1, y + 9), c.ring);
    EXPECT_EQ(dib.At(x + 2, y + 9), c.shadow);
    EXPECT_EQ(dib.At(x + 9, y + 9), c.fill);
  }
}

TEST_F(WTLColorButton, FaceShowsTheColourOrAutomatic) {
  RECT rc{};
  ::GetClientRect(m_button, &rc);
  const COLORREF work = ::GetSysColor(COLOR_APPWORKSPACE), grey = ::GetSysColor(COLOR_GRAYTEXT);
  const struct {
    const char* name;
    COLORREF current;
    UINT state;
    unsigned box;
    bool boxShown;
    unsigned arrow;
  } cases[] = {
      {"red", 0x0000FF, 0, 0xFF0000, true, 0x000000},
      {"pressed red", 0x0000FF, ODS_SELECTED, 0xFF0000, true, 0x000000},
      {"Automatic", CLR_DEFAULT, 0, Rgb(work), true, 0x000000},
      {"disabled", 0x0000FF, ODS_DISABLED, 0xFF0000, false, Rgb(grey)},
  };
  // Wine opens the "Button" theme; without it the face is drawn as a frame control.
  const HANDLE theme = m_button.m_hTheme;
  for (const auto& c : cases)
    for (const bool themed : {true, false}) {
      SCOPED_TRACE(c.name);
      SCOPED_TRACE(themed ? "themed" : "plain");
      m_button.m_hTheme = themed ? theme : nullptr;
      m_button.m_clrCurrent = c.current;
      skintest::Dib dib(rc.right, rc.bottom);
      skintest::DrawItemInto(m_button, dib, c.state);
      EXPECT_EQ(dib.At(rc.right / 3, rc.bottom / 2) == c.box, c.boxShown)
          << std::hex << dib.At(rc.right / 3, rc.bottom / 2);
      // The arrow: ink of its colour in the rightmost fifth.
      int right = 0;
      for (int y = 0; y < rc.bottom; ++y)
        for (int x = rc.right * 4 / 5; x < rc.right; ++x) right += dib.At(x, y) == c.arrow;
      EXPECT_GE(right, 4);
    }
  m_button.m_hTheme = theme;
}

TEST_F(WTLColorButton, HoverFlagFollowsTheMouse) {
  EXPECT_FALSE(m_button.m_fMouseOver);
  ::SendMessageW(m_button, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  EXPECT_TRUE(m_button.m_fMouseOver);
  ::SendMessageW(m_button, WM_MOUSEMOVE, 0, MAKELPARAM(4, 3));
  EXPECT_TRUE(m_button.m_fMouseOver);
  ::SendMessageW(m_button, WM_MOUSELEAVE, 0, 0);
  EXPECT_FALSE(m_button.m_fMouseOver);
}

}  // namespace
