// The tab button on a push button of a dialog made from an in-memory
// template whose procedure reflects notifications: colour slots, the check
// through clicks, and the pixels of checked, hot and disabled tabs.

#include <windows.h>

#include <vector>

#include <gtest/gtest.h>

#include "tests/toolkit/control_test_support.h"
#include "toolkit/ButtonTab.h"

namespace {

std::vector<WORD> TabDialog() {
  std::vector<WORD> t;
  auto push32 = [&](DWORD v) {
    t.push_back(LOWORD(v));
    t.push_back(HIWORD(v));
  };
  auto item = [&](DWORD style, WORD id, const wchar_t* text) {
    if (t.size() % 2) t.push_back(0);
    push32(style);
    push32(0);
    t.insert(t.end(), {10, static_cast<WORD>(10 + (id - 200) * 30), 80, 20});
    t.push_back(id);
    t.insert(t.end(), {0xFFFF, 0x0080});  // BUTTON
    for (const wchar_t* s = text; *s; ++s) t.push_back(static_cast<WORD>(*s));
    t.push_back(0);
    t.push_back(0);
  };
  push32(WS_POPUP | DS_SETFONT);
  push32(0);
  t.push_back(2);
  t.insert(t.end(), {0, 0, 200, 100});
  t.push_back(0);
  t.push_back(0);
  t.push_back(0);  // no title
  t.push_back(8);
  for (const wchar_t* s = L"MS Shell Dlg"; *s; ++s) t.push_back(static_cast<WORD>(*s));
  t.push_back(0);
  item(WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON | BS_CHECKBOX, 200, L"Page");
  item(WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 201, L"Plain");
  return t;
}

INT_PTR CALLBACK ReflectingDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
  BOOL handled = FALSE;
  const LRESULT result = win32::ReflectNotificationsOf(dialog, msg, wParam, lParam, handled);
  if (!handled) return FALSE;
  ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
  return TRUE;
}

class ButtonTab : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::vector<WORD> tpl = TabDialog();
    m_dialog = ::CreateDialogIndirectParamW(nullptr, reinterpret_cast<const DLGTEMPLATE*>(tpl.data()), nullptr,
                                            &ReflectingDialogProc, 0);
    ASSERT_TRUE(m_dialog);
    ASSERT_TRUE(m_page.SubclassWindow(::GetDlgItem(m_dialog, 200)));
    ASSERT_TRUE(m_plain.SubclassWindow(::GetDlgItem(m_dialog, 201)));
  }
  void TearDown() override {
    if (m_dialog) ::DestroyWindow(m_dialog);
  }
  // Paints the tab into a DIB of its size; counts pixels of each colour.
  static void Paint(CButtonTab& tab, skintest::Dib& dib, UINT state) { skintest::DrawItemInto(tab.m_hWnd, dib, state); }

  HWND m_dialog = nullptr;
  CButtonTab m_page;
  CButtonTab m_plain;
};

TEST_F(ButtonTab, SlotsAndCheckRules) {
  EXPECT_TRUE(m_page.m_bCheckBox);
  EXPECT_FALSE(m_plain.m_bCheckBox);
  EXPECT_EQ(::GetWindowLongPtrW(m_page, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
  const COLORREF before = m_page.m_colors[4];
  EXPECT_EQ(m_page.SetColor(5, RGB(1, 2, 3), true), 3);
  EXPECT_EQ(m_page.m_colors[4], before);
  EXPECT_EQ(m_page.SetColor(4, RGB(1, 2, 3), true), 0);
  EXPECT_EQ(m_page.m_colors[4], RGB(1, 2, 3));
  m_plain.SetCheck(true, true);
  EXPECT_FALSE(m_plain.GetCheck());
  // A click reaches the dialog and comes back reflected: the tab toggles.
  ::SendMessageW(m_page, BM_CLICK, 0, 0);
  EXPECT_TRUE(m_page.GetCheck());
  ::SendMessageW(m_plain, BM_CLICK, 0, 0);
  EXPECT_FALSE(m_plain.GetCheck());
}

TEST_F(ButtonTab, PixelsOfTheStates) {
  RECT rc{};
  ::GetClientRect(m_page, &rc);
  m_page.SetFlatFill(false);
  m_page.SetColor(2, RGB(200, 0, 0), false);
  m_page.SetColor(1, RGB(0, 150, 0), false);
  m_page.SetColor(4, RGB(0, 0, 170), false);
  m_page.SetColor(3, RGB(250, 250, 250), false);
  m_page.SetColor(0, RGB(240, 240, 200), false);
  struct Case {
    const char* name;
    bool checked, hot, flat;
    UINT state;
    unsigned face, text;  // 0xRRGGBB
    bool underline;
  } cases[] = {
      {"normal", false, false, false, 0, 0xFAFAFA, 0x0000AA, false},
      {"checked", true, false, false, 0, 0xF0F0C8, 0xC80000, true},
      {"hot", false, true, false, 0, 0xF0F0C8, 0x009600, false},
      {"hot with flat fill", false, true, true, 0, 0xA9A9A9, 0x009600, false},
      {"pressed with flat fill", false, false, true, ODS_SELECTED, 0x4C90CD, 0xC80000, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    m_page.SetCheck(c.checked, false);
    m_page.m_bHot = c.hot;
    m_page.SetFlatFill(c.flat);
    skintest::Dib dib(rc.right, rc.bottom);
    Paint(m_page, dib, c.state);
    EXPECT_EQ(dib.At(1, 1), c.face);
    EXPECT_GT(dib.Count(c.text), 5) << std::hex << c.text;
    // The underline: a row of the default black pen under the caption.
    int longest = 0;
    for (int y = 0; y < rc.bottom; ++y) {
      int run = 0;
      for (int x = 0; x < rc.right; ++x) {
        run = dib.At(x, y) == 0 ? run + 1 : 0;
        if (run > longest) longest = run;
      }
    }
    EXPECT_EQ(longest >= 15, c.underline) << longest;
  }
  // Disabled: embossed in the system's highlight and shadow, no underline.
  m_page.SetCheck(true, false);
  m_page.m_bHot = false;
  skintest::Dib dib(rc.right, rc.bottom);
  Paint(m_page, dib, ODS_DISABLED);
  const COLORREF shadow = ::GetSysColor(COLOR_BTNSHADOW);
  EXPECT_GT(dib.Count((GetRValue(shadow) << 16) | (GetGValue(shadow) << 8) | GetBValue(shadow)), 5);
  EXPECT_EQ(dib.Count(0xC80000), 0);
}

}  // namespace
