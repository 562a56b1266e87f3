// The picker popups and buttons: value mapping, the local loop driven from a
// thread timer, work-area placement, colour cells, opacity, the system
// colour dialog driven through a CBT hook.

#include <windows.h>

#include <commdlg.h>

#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "tests/toolkit/recording_parent.h"
#include "tests/toolkit/skin_fixture.h"
#include "toolkit/SkinPickers.h"

namespace {

// No "Dragger", "MoreColors" or "Small": the pickers draw a plain 10 x 12
// handle, offer no more-colours button and use a default value font.
const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Windows>
    <Host Class="WINDOW" Style="WS_POPUP|WS_VISIBLE|WS_CLIPCHILDREN" X="40" Y="40" Width="300" Height="120">
      <Weight Class="BUTTONWEIGHT" CommandID="21" Style="WS_CHILD|WS_VISIBLE" X="10" Y="10" Width="40" Height="24"/>
      <Size Class="BUTTONFONT" CommandID="22" Style="WS_CHILD|WS_VISIBLE" X="60" Y="10" Width="40" Height="24"/>
      <Colour Class="BUTTONCOLOR" CommandID="23" Style="WS_CHILD|WS_VISIBLE" X="110" Y="10" Width="40" Height="24"
              Layout="ORDER_ICON_TEXT | ALIGN_LEFT | ALIGN_BOTTOM | ALIGN_ABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKLMNOPQRSTUVWXYZABCDEFGHIJKL"/>
    </Host>
  </Windows>
</Skin>
)";

std::function<void()> g_onTimer;

void CALLBACK FireTimer(HWND, UINT, UINT_PTR id, DWORD) {
  ::KillTimer(nullptr, id);
  std::function<void()> action = std::move(g_onTimer);
  g_onTimer = nullptr;
  if (action) action();
}

// Runs action from inside the next local loop; a second timer ends a loop
// that action failed to end.
void WhileOpen(std::function<void()> action) {
  g_onTimer = std::move(action);
  ::SetTimer(nullptr, 0, 30, &FireTimer);
}

LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

class SkinPickers : public skintest::SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    LoadSkin(kSkin);
    ASSERT_TRUE(m_parent.Create(nullptr, nullptr, nullptr, L"Host"));
  }
  void TearDown() override {
    for (HWND popup : {g_WeightPicker.m_hWnd, g_FontSizePicker.m_hWnd, g_ColorPicker.m_hWnd})
      if (popup && ::IsWindow(popup)) ::DestroyWindow(popup);
    g_WeightPicker.m_hWnd = g_FontSizePicker.m_hWnd = g_ColorPicker.m_hWnd = nullptr;
    if (m_parent.m_hWnd) ::DestroyWindow(m_parent.m_hWnd);
    for (AvlfWindowBase* child : m_parent.m_children) delete child;
    m_parent.m_children.clear();
    SkinFixture::TearDown();
  }
  template <class T>
  T& Button(int id) {
    return *static_cast<T*>(m_parent.FindChildByCommandId(id));
  }
  // Presses a button; its popup's loop runs until action lets it close.
  void Press(HWND button, std::function<void()> action) {
    WhileOpen(std::move(action));
    m_parent.m_log.clear();
    ::SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    ::SendMessageW(button, WM_LBUTTONUP, 0, At(5, 5));
  }
  static POINT HandleCentre(const RECT& handle) {
    return {(handle.left + handle.right) / 2, (handle.top + handle.bottom) / 2};
  }

  skintest::RecordingParent m_parent;
};

TEST_F(SkinPickers, AClickOnTheHandleRecomputesTheValue) {
  // Range 1..64 in the 240 x 42 popup: 10 sits at x = 42 and comes back 9.
  const struct {
    int value, min, max;
    int handleLeft, after;
  } cases[] = {
      {10, 1, 64, 37, 9}, {1, 1, 64, 7, 1}, {64, 1, 64, 223, 64}, {5, 5, 5, 7, 5}, {100, 1, 64, 223, 64},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    g_WeightPicker.m_nValue = c.value;
    g_WeightPicker.m_nMin = c.min;
    g_WeightPicker.m_nMax = c.max;
    const POINT at{100, 100};
    ASSERT_TRUE(g_WeightPicker.Popup(&at, m_parent.m_hWnd));
    HWND popup = g_WeightPicker.m_hWnd;
    EXPECT_EQ(::GetCapture(), popup);
    EXPECT_EQ(g_WeightPicker.m_rcTrack.left, 12);
    EXPECT_EQ(g_WeightPicker.m_rcTrack.right, 228);
    EXPECT_EQ(g_WeightPicker.m_rcHandle.left, c.handleLeft);
    EXPECT_EQ(g_WeightPicker.m_rcHandle.bottom, 38);
    const POINT centre = HandleCentre(g_WeightPicker.m_rcHandle);
    // A release that ends no drag leaves the popup open.
    ::SendMessageW(popup, WM_LBUTTONUP, 0, At(5, 5));
    EXPECT_EQ(::GetCapture(), popup);
    ::SendMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, At(centre.x, centre.y));
    ::SendMessageW(popup, WM_LBUTTONUP, 0, At(centre.x, centre.y));
    EXPECT_EQ(g_WeightPicker.m_nValue, c.after);
    EXPECT_NE(::GetCapture(), popup);
    ::DestroyWindow(popup);
    g_WeightPicker.m_hWnd = nullptr;
  }
}

TEST_F(SkinPickers, WeightButtonReportsOnlyAChangedValue) {
  auto& button = Button<CWeightButton>(21);
  const struct {
    int value;
    int after;
    size_t notifications;
  } cases[] = {{10, 9, 1}, {1, 1, 0}, {64, 64, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.value);
    button.SetValue(c.value);
    Press(button.m_hWnd, [] {
      HWND popup = g_WeightPicker.m_hWnd;
      const POINT centre = HandleCentre(g_WeightPicker.m_rcHandle);
      ::SendMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, At(centre.x, centre.y));
      ::SendMessageW(popup, WM_LBUTTONUP, 0, At(centre.x, centre.y));
    });
    EXPECT_EQ(button.m_nValue, c.after);
    EXPECT_EQ(g_WeightPicker.m_hWnd, nullptr);
    ASSERT_EQ(m_parent.m_log.size(), c.notifications);
    if (c.notifications) {
      EXPECT_EQ(m_parent.m_log[0].id, 21);
      EXPECT_EQ(m_parent.m_log[0].code, BN_CLICKED);
      EXPECT_EQ(m_parent.m_log[0].from, button.m_hWnd);
    }
  }
}

TEST_F(SkinPickers, EscapeKeepsADragAndAnOutsidePressChangesNothing) {
  auto& button = Button<CWeightButton>(21);
  button.SetRange(1, 64);
  button.SetValue(10);
  Press(button.m_hWnd, [] {
    HWND popup = g_WeightPicker.m_hWnd;
    const POINT centre = HandleCentre(g_WeightPicker.m_rcHandle);
    ::SendMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, At(centre.x, centre.y));
    ::SendMessageW(popup, WM_MOUSEMOVE, MK_LBUTTON, At(centre.x + 108, centre.y));
    ::PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 1);
  });
  // Centre 150: 1 + trunc(138 x 63 / 216) = 41.
  EXPECT_EQ(button.m_nValue, 41);
  EXPECT_EQ(m_parent.Codes(), (std::vector<WORD>{BN_CLICKED}));

  Press(button.m_hWnd, [] { ::SendMessageW(g_WeightPicker.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, At(-200, -200)); });
  EXPECT_EQ(button.m_nValue, 41);
  EXPECT_TRUE(m_parent.m_log.empty());
}

TEST_F(SkinPickers, FontButtonAlwaysOffers8To64) {
  auto& button = Button<CFontButton>(22);
  ::SendMessageW(button.m_hWnd, WM_PICKBUTTON_SETRANGE, 1, 2);
  int min = 0, max = 0;
  Press(button.m_hWnd, [&] {
    min = g_FontSizePicker.m_nMin;
    max = g_FontSizePicker.m_nMax;
    ::SendMessageW(g_FontSizePicker.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 1);
  });
  EXPECT_EQ(min, 8);
  EXPECT_EQ(max, 64);
  EXPECT_EQ(button.m_nValue, 24);
  EXPECT_TRUE(m_parent.m_log.empty());
}

TEST_F(SkinPickers, PopupsAreShiftedIntoTheWorkArea) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  ::GetMonitorInfoW(::MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
  const RECT& area = info.rcWork;
  const struct {
    POINT at;
    bool colour;
    RECT expected;
  } cases[] = {
      {{area.right - 10, area.bottom - 10}, false, {area.right - 240, area.bottom - 42, area.right, area.bottom}},
      {{-30, -5}, false, {0, 0, 240, 42}},
      {{area.right - 10, 50}, true, {area.right - 230, 50, area.right, 50 + 168}},
      {{-1, area.bottom - 1}, true, {0, area.bottom - 168, 230, area.bottom}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.at.x << "," << c.at.y);
    HWND popup = nullptr;
    if (c.colour) {
      ASSERT_TRUE(g_ColorPicker.Popup(&c.at, m_parent.m_hWnd));
      popup = g_ColorPicker.m_hWnd;
      g_ColorPicker.m_hWnd = nullptr;
    } else {
      ASSERT_TRUE(g_WeightPicker.Popup(&c.at, m_parent.m_hWnd));
      popup = g_WeightPicker.m_hWnd;
      g_WeightPicker.m_hWnd = nullptr;
    }
    RECT rc{};
    ::GetWindowRect(popup, &rc);
    EXPECT_EQ(rc.left, c.expected.left);
    EXPECT_EQ(rc.top, c.expected.top);
    EXPECT_EQ(rc.right, c.expected.right);
    EXPECT_EQ(rc.bottom, c.expected.bottom);
    ::DestroyWindow(popup);
  }
}

TEST_F(SkinPickers, ColourPopupLayoutAndPaletteCellsArePaintedExactly) {
  const POINT at{100, 100};
  ASSERT_TRUE(g_ColorPicker.Popup(&at, m_parent.m_hWnd));
  HWND popup = g_ColorPicker.m_hWnd;
  EXPECT_EQ(g_ColorPicker.m_rcBar.left, 10);
  EXPECT_EQ(g_ColorPicker.m_rcBar.right, 194);
  EXPECT_EQ(g_ColorPicker.m_nGradientWidth, 185);
  // The grid as typed from the palette table, row by row.
  const uint32_t palette[40] = {
      0x000000, 0xA52A00, 0x004040, 0x005500, 0x00005E, 0x00008B, 0x4B0082, 0x282828, 0x8B0000, 0xFF6820,
      0x8B8B00, 0x009300, 0x388E8E, 0x0000FF, 0x7B7BC0, 0x666666, 0xFF0000, 0xFFAD5B, 0x32CD32, 0x3CB371,
      0x7FFFD4, 0x7D9EC0, 0x800080, 0x7F7F7F, 0xFFC0CB, 0xFFD700, 0xFFFF00, 0x00FF00, 0x40E0D0, 0xC0FFFF,
      0x480048, 0xC0C0C0, 0xFFE4E1, 0xD2B48C, 0xFFFFE0, 0x98FB98, 0xAFEEEE, 0x68838B, 0xE6E6FA, 0xFFFFFF,
  };
  g_ColorPicker.m_pHovered = nullptr;
  BITMAPINFO bmi{};
  bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), 230, -168, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP dib = ::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC dc = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(dc, dib);
  ::SendMessageW(popup, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  ::GdiFlush();
  const auto* pixels = static_cast<const uint32_t*>(bits);
  for (int r = 0; r < 5; ++r)
    for (int c = 0; c < 8; ++c) {
      const int x = 5 + 28 * c + 12, y = 4 + 28 * r + 12;
      EXPECT_EQ(pixels[y * 230 + x] & 0xFFFFFF, palette[r * 8 + c]) << r << "," << c;
    }
  ::SelectObject(dc, old);
  ::DeleteDC(dc);
  ::DeleteObject(dib);
  ::DestroyWindow(popup);
  g_ColorPicker.m_hWnd = nullptr;
}

TEST_F(SkinPickers, ColourButtonTakesCellsAndOpacityAndAlwaysNotifies) {
  auto& button = Button<CColorButton>(23);
  EXPECT_EQ(button.m_nHorzAlign, 0);  // the over-long token is ignored
  EXPECT_EQ(button.m_nVertAlign, 2);
  button.SetColor(0x80112233);
  EXPECT_EQ(button.m_nAlpha, 0x80);
  EXPECT_EQ(button.GetColor(), 0x80112233u);
  button.SetColor(0xC8FF0000);

  struct Case {
    const char* name;
    std::function<void()> action;
    uint32_t colour;
  };
  const Case cases[] = {
      {"cell", [] { ::SendMessageW(g_ColorPicker.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, At(5 + 84 + 12, 4 + 56 + 12)); },
       0xC83CB371},
      {"opacity",
       [] {
         HWND popup = g_ColorPicker.m_hWnd;
         g_ColorPicker.m_pHovered = nullptr;
         const RECT h = g_ColorPicker.m_rcHandle;
         ::SendMessageW(popup, WM_LBUTTONDOWN, MK_LBUTTON, At(h.left + 2, h.top + 2));
         // Handle left 97: its centre at 102 gives 5 + trunc(92 x 250 / 184) = 130.
         ::SendMessageW(popup, WM_MOUSEMOVE, MK_LBUTTON, At(99, h.top + 2));
         ::SendMessageW(popup, WM_LBUTTONUP, 0, At(99, h.top + 2));
       },
       0x823CB371},
      {"escape", [] { ::PostMessageW(g_ColorPicker.m_hWnd, WM_KEYDOWN, VK_ESCAPE, 1); }, 0x823CB371},
      {"outside", [] { ::SendMessageW(g_ColorPicker.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, At(-300, -300)); }, 0x823CB371},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Press(button.m_hWnd, c.action);
    EXPECT_EQ(button.GetColor(), c.colour);
    EXPECT_EQ(m_parent.Codes(), (std::vector<WORD>{BN_CLICKED}));
    EXPECT_EQ(g_ColorPicker.m_hWnd, nullptr);
  }
}

TEST_F(SkinPickers, AColourPopupThatCannotOpenChoosesNothing) {
  g_ColorPicker.m_nResult = CColorPicker::kMoreColors;  // the last popup's
  HWND gone = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ::DestroyWindow(gone);
  const POINT at{10, 10};
  EXPECT_FALSE(g_ColorPicker.Popup(&at, gone));
  EXPECT_EQ(g_ColorPicker.m_nResult, CColorPicker::kNothing);
}

TEST_F(SkinPickers, ValueTextsOfAnyLengthAndLongFaceNames) {
  auto& weight = Button<CWeightButton>(21);
  const struct {
    int value;
    const wchar_t* text;
  } cases[] = {{-2147483647 - 1, L"-2147483648"}, {12345678, L"12345678"}, {0, L"0"}};
  for (const auto& c : cases) {
    weight.SetValue(c.value);
    EXPECT_STREQ(weight.m_szValue, c.text);
  }
  CWeightButton early;
  early.SetValue(-1234567890);
  early.SetRange(3, 9);
  EXPECT_STREQ(early.m_szValue, L"-1234567890");
  EXPECT_EQ(early.m_nMin, 3);
  EXPECT_EQ(early.m_nMax, 9);

  // A "Small" family name beyond the 31 characters of a face name.
  LoadSkin(R"(<?xml version="1.0" encoding="utf-8"?>
<Skin><Fonts><Small FamilyName="ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz" Height="12"/></Fonts></Skin>)");
  g_WeightPicker.m_nValue = -1234567890;
  const POINT at{100, 100};
  ASSERT_TRUE(g_WeightPicker.Popup(&at, m_parent.m_hWnd));
  EXPECT_TRUE(g_WeightPicker.m_pValueFont);
  ::UpdateWindow(g_WeightPicker.m_hWnd);
  ::DestroyWindow(g_WeightPicker.m_hWnd);
  g_WeightPicker.m_hWnd = nullptr;
}

// The colour dialog: found through a CBT hook when it activates, then
// answered with OK or Cancel.
HHOOK g_hook = nullptr;
RECT g_dialogRect{};
WORD g_answer = IDCANCEL;

LRESULT CALLBACK WatchDialogs(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND dialog = reinterpret_cast<HWND>(wParam);
    wchar_t name[16] = {};
    ::GetClassNameW(dialog, name, 16);
    if (lstrcmpW(name, L"#32770") == 0) {
      ::GetWindowRect(dialog, &g_dialogRect);
      ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(g_answer, BN_CLICKED), 0);
    }
  }
  return ::CallNextHookEx(g_hook, code, wParam, lParam);
}

TEST_F(SkinPickers, SystemColourDialogOpensAtThePressPointAndCancelKeepsTheColour) {
  auto& button = Button<CColorButton>(23);
  button.SetColor(0x40123456);
  g_hook = ::SetWindowsHookExW(WH_CBT, &WatchDialogs, nullptr, ::GetCurrentThreadId());
  ASSERT_TRUE(g_hook);
  const int cx = ::GetSystemMetrics(SM_CXSCREEN), cy = ::GetSystemMetrics(SM_CYSCREEN);
  const struct {
    WORD answer;
    bool chosen;
  } cases[] = {{IDCANCEL, false}, {IDOK, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.answer);
    g_answer = c.answer;
    g_dialogRect = {};
    EXPECT_EQ(button.ChooseMoreColors(POINT{cx - 5, cy - 5}), c.chosen);
    EXPECT_EQ(g_dialogRect.right, cx);
    EXPECT_EQ(g_dialogRect.bottom, cy);
    // OK takes the preselected colour; alpha stays either way.
    EXPECT_EQ(button.GetColor(), 0x40123456u);
  }
  ::UnhookWindowsHookEx(g_hook);
  g_hook = nullptr;
}

}  // namespace
