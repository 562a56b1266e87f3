// The hyperlink on a static control of a dialog made from an in-memory
// template: attach, drawn text, the click's address, user data left alone,
// and detach.

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/toolkit/control_test_support.h"
#include "toolkit/Buttons.h"
#include "toolkit/HyperLinker.h"

namespace {

// A dialog template with DS_SETFONT and one static control (id 100).
std::vector<WORD> DialogTemplate() {
  std::vector<WORD> t;
  auto push32 = [&](DWORD v) {
    t.push_back(LOWORD(v));
    t.push_back(HIWORD(v));
  };
  auto text = [&](const wchar_t* s) {
    for (; *s; ++s) t.push_back(static_cast<WORD>(*s));
    t.push_back(0);
  };
  push32(WS_POPUP | DS_SETFONT);
  push32(0);
  t.push_back(1);  // items
  t.insert(t.end(), {0, 0, 200, 60});
  t.push_back(0);  // menu
  t.push_back(0);  // class
  text(L"About");
  t.push_back(8);
  text(L"MS Shell Dlg");
  if (t.size() % 2) t.push_back(0);  // items start on a DWORD boundary
  push32(WS_CHILD | WS_VISIBLE | SS_LEFT);
  push32(0);
  t.insert(t.end(), {10, 10, 150, 12});
  t.push_back(100);
  t.insert(t.end(), {0xFFFF, 0x0082});  // STATIC
  text(L"Home page");
  t.push_back(0);  // no creation data
  return t;
}

INT_PTR CALLBACK NoDialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

std::vector<std::pair<std::wstring, int>> g_opened;

class HyperLinker : public ::testing::Test {
 protected:
  void SetUp() override {
    g_opened.clear();
    SetAvlfShellOpen([](const wchar_t* address, int show) { g_opened.emplace_back(address, show); });
    const std::vector<WORD> tpl = DialogTemplate();
    m_dialog = ::CreateDialogIndirectParamW(nullptr, reinterpret_cast<const DLGTEMPLATE*>(tpl.data()), nullptr,
                                            &NoDialogProc, 0);
    ASSERT_TRUE(m_dialog);
    m_static = ::GetDlgItem(m_dialog, 100);
    ASSERT_TRUE(m_static);
  }
  void TearDown() override {
    SetAvlfShellOpen(nullptr);
    if (m_dialog) ::DestroyWindow(m_dialog);
  }
  int BluePixels() {
    skintest::Dib dib(150, 20);
    ::PatBlt(dib.dc, 0, 0, 150, 20, WHITENESS);
    ::SendMessageW(m_static, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dib.dc), PRF_CLIENT);
    int blue = 0;
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 150; ++x) {
        const unsigned c = dib.At(x, y);
        blue += (c & 0xFF) > 0xC0 && (c >> 16) < 0x60 && ((c >> 8) & 0xFF) < 0x60;
      }
    return blue;
  }

  HWND m_dialog = nullptr;
  HWND m_static = nullptr;
};

TEST_F(HyperLinker, AttachDrawsClicksAndDetaches) {
  ::SetWindowLongPtrW(m_static, GWLP_USERDATA, 0x5EED);
  CHyperLinker link;
  EXPECT_FALSE(link.Detach());
  ASSERT_TRUE(link.Attach(m_static, L"https://example.invalid/home"));
  EXPECT_EQ(link.GetText(), L"Home page");
  EXPECT_EQ(::GetWindowLongPtrW(m_static, GWLP_USERDATA), 0x5EED);
  EXPECT_GT(BluePixels(), 10);
  ::SetWindowTextW(m_static, L"Elsewhere");
  EXPECT_EQ(link.GetText(), L"Elsewhere");
  ::SendMessageW(m_static, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  ASSERT_EQ(g_opened.size(), 1u);
  EXPECT_EQ(g_opened[0].first, L"https://example.invalid/home");
  EXPECT_EQ(g_opened[0].second, SW_SHOWNORMAL);
  EXPECT_EQ(::SendMessageW(m_static, WM_SETCURSOR, reinterpret_cast<WPARAM>(m_static), HTCLIENT), 0);
  EXPECT_TRUE(link.Detach());
  EXPECT_FALSE(link.Detach());
  ::SendMessageW(m_static, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
  EXPECT_EQ(g_opened.size(), 1u);
  EXPECT_EQ(BluePixels(), 0);  // a plain static again
  EXPECT_EQ(::GetWindowLongPtrW(m_static, GWLP_USERDATA), 0x5EED);
}

TEST_F(HyperLinker, ControlWithoutFontStaysPlain) {
  HWND bare = ::CreateWindowExW(0, L"STATIC", L"bare", WS_CHILD | WS_VISIBLE, 0, 30, 80, 12, m_dialog, nullptr, nullptr,
                                nullptr);
  ASSERT_TRUE(bare);
  CHyperLinker link;
  EXPECT_FALSE(link.Attach(bare, L"https://example.invalid/"));
  EXPECT_EQ(link.GetControl(), nullptr);
  ::SendMessageW(bare, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  EXPECT_TRUE(g_opened.empty());
}

TEST_F(HyperLinker, ControlDestroyedWhileAttached) {
  CHyperLinker link;
  ASSERT_TRUE(link.Attach(m_static, L"https://example.invalid/"));
  ::DestroyWindow(m_dialog);
  m_dialog = nullptr;
  EXPECT_TRUE(link.Detach());
}

}  // namespace
