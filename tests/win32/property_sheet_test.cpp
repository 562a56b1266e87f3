// Property sheets driven by posted button presses: pages start from their
// PROPSHEETPAGEW, the sheet's notifications reach the page handlers in order,
// modal sheets return, modeless ones close themselves through the loop.

#include "win32/PropertySheet.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/win32/dialog_template.h"
#include "tests/win32/watchdog.h"

namespace {

constexpr WORD kEdit = 100;

std::vector<WORD> PageTemplate() {
  return win32test::DialogTemplate(
      WS_CHILD | WS_DISABLED | WS_CAPTION, 150, 60,
      {{WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | WS_BORDER, 5, 5, 100, 12, kEdit, 0x0081, L""}});
}

// A page that logs what the sheet tells it and runs a small script: what to
// post to the sheet when it becomes active.
class CLogPage : public win32::CPropertyPage {
 public:
  CLogPage(const wchar_t* name, std::vector<std::wstring>* log, const std::vector<WORD>& tpl)
      : CPropertyPage(nullptr, name), m_name(name), m_log(log) {
    SetTemplate(win32test::AsTemplate(tpl));
  }

  std::wstring m_name;
  std::vector<std::wstring>* m_log;
  UINT m_postOnActive = 0;  // a message for the sheet, 0 for none
  WPARAM m_postWParam = 0;
  int m_refuseKill = 0;  // how many leave attempts to refuse
  bool m_modifyOnActive = false;
  bool m_initParamWasDescription = false;
  HWND m_finalHwnd = nullptr;

  BEGIN_MSG_MAP(CLogPage)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  CHAIN_MSG_MAP(win32::CPropertyPage)
  END_MSG_MAP()

  LRESULT OnInitDialog(UINT, WPARAM, LPARAM lParam, BOOL&) {
    const auto* psp = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    m_initParamWasDescription = psp && psp->lParam == reinterpret_cast<LPARAM>(this);
    Log(L"init");
    return TRUE;
  }
  BOOL OnSetActive() override {
    Log(L"set");
    if (m_modifyOnActive) SetModified();
    if (m_postOnActive) ::PostMessageW(GetParent(), std::exchange(m_postOnActive, 0), m_postWParam, 0);
    return TRUE;
  }
  BOOL OnKillActive() override {
    if (m_refuseKill > 0) {
      --m_refuseKill;
      Log(L"kill refused");
      ::PostMessageW(GetParent(), PSM_PRESSBUTTON, PSBTN_OK, 0);  // the user corrects and tries again
      return FALSE;
    }
    Log(L"kill");
    return TRUE;
  }
  int OnApply() override {
    Log(L"apply");
    return PSNRET_NOERROR;
  }
  void OnReset() override { Log(L"reset"); }
  BOOL OnQueryCancel() override {
    Log(L"query cancel");
    return TRUE;
  }
  void OnFinalMessage(HWND hWnd) override { m_finalHwnd = hWnd; }

 private:
  void Log(const wchar_t* what) { m_log->push_back(m_name + L" " + what); }
};

class CLogSheet : public win32::CPropertySheet {
 public:
  using CPropertySheet::CPropertySheet;
  HWND m_finalHwnd = nullptr;
  bool m_quitWhenGone = false;
  void OnFinalMessage(HWND hWnd) override {
    m_finalHwnd = hWnd;
    if (m_quitWhenGone) ::PostQuitMessage(5);
  }
};

struct ModalCase {
  const char* name;
  int button;  // pressed on the second page
  int refuseKill;
  std::vector<std::wstring> log;
  bool applied;
};

class ModalSheet : public ::testing::TestWithParam<ModalCase> {};

TEST_P(ModalSheet, PagesSeeTheSheetNotificationsInOrder) {
  const ModalCase& c = GetParam();
  win32test::CWatchdog watchdog;
  auto tpl = PageTemplate();
  std::vector<std::wstring> log;
  CLogPage first(L"A", &log, tpl), second(L"B", &log, tpl);
  first.m_postOnActive = PSM_SETCURSEL;
  first.m_postWParam = 1;
  second.m_postOnActive = PSM_PRESSBUTTON;
  second.m_postWParam = static_cast<WPARAM>(c.button);
  second.m_modifyOnActive = true;
  second.m_refuseKill = c.refuseKill;

  CLogSheet sheet(L"Settings");
  ASSERT_TRUE(sheet.AddPage(first));
  ASSERT_TRUE(sheet.AddPage(second));
  EXPECT_EQ(sheet.GetPageCount(), 2);
  INT_PTR result = sheet.DoModal(nullptr);

  EXPECT_FALSE(watchdog.Fired()) << "the sheet did not end";
  EXPECT_EQ(log, c.log);
  if (c.applied)
    EXPECT_GT(result, 0);
  else
    EXPECT_EQ(result, 0);
  EXPECT_TRUE(first.m_initParamWasDescription) << "WM_INITDIALOG's lParam is the page's PROPSHEETPAGEW";
  EXPECT_NE(sheet.m_finalHwnd, nullptr) << "the sheet's window was taken over";
  EXPECT_EQ(sheet.m_hWnd, nullptr);
  EXPECT_NE(first.m_finalHwnd, nullptr);
  EXPECT_EQ(first.m_hWnd, nullptr);
  EXPECT_EQ(second.m_hWnd, nullptr);
}

INSTANTIATE_TEST_SUITE_P(Buttons, ModalSheet,
                         ::testing::Values(ModalCase{"ok",
                                                     PSBTN_OK,
                                                     0,
                                                     {L"A init", L"A set", L"A kill", L"B init", L"B set", L"B kill",
                                                      L"A apply", L"B apply"},
                                                     true},
                                           ModalCase{"cancel",
                                                     PSBTN_CANCEL,
                                                     0,
                                                     {L"A init", L"A set", L"A kill", L"B init", L"B set",
                                                      L"B query cancel", L"A reset", L"B reset"},
                                                     false},
                                           ModalCase{"invalid data keeps the page once",
                                                     PSBTN_OK,
                                                     1,
                                                     {L"A init", L"A set", L"A kill", L"B init", L"B set",
                                                      L"B kill refused", L"B kill", L"A apply", L"B apply"},
                                                     true}),
                         [](const ::testing::TestParamInfo<ModalCase>& info) {
                           std::string name;
                           for (const char* p = info.param.name; *p; ++p)
                             name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                           return name;
                         });

// A modeless sheet in the thread's loop: keys reach it through its filter,
// and OK or Cancel ends and destroys it.
TEST(ModelessSheet, KeysThroughTheLoopEndIt) {
  struct Case {
    const char* name;
    WPARAM key;
    std::vector<std::wstring> log;
  } cases[] = {{"enter", VK_RETURN, {L"A init", L"A set", L"A kill", L"A apply"}},
               {"escape", VK_ESCAPE, {L"A init", L"A set", L"A query cancel", L"A reset"}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    win32test::CWatchdog watchdog;
    auto tpl = PageTemplate();
    std::vector<std::wstring> log;
    CLogPage page(L"A", &log, tpl);
    CLogSheet sheet(L"Settings");
    sheet.m_quitWhenGone = true;
    ASSERT_TRUE(sheet.AddPage(page));
    HWND hWnd = sheet.Create(nullptr);
    ASSERT_NE(hWnd, nullptr);
    EXPECT_EQ(sheet.m_hWnd, hWnd);
    HWND edit = ::GetDlgItem(page, kEdit);
    ASSERT_NE(edit, nullptr);

    win32::CMessageLoop loop;
    loop.AddMessageFilter(&sheet);
    ::PostMessageW(edit, WM_KEYDOWN, c.key, 1);
    EXPECT_EQ(loop.Run(), 5);
    EXPECT_FALSE(watchdog.Fired()) << "the sheet did not close";
    EXPECT_EQ(log, c.log);
    EXPECT_FALSE(::IsWindow(hWnd));
    EXPECT_EQ(sheet.m_finalHwnd, hWnd);
  }
}

// A page object gone before its tab was first shown: the sheet still shows
// the page's dialog, which no longer reaches the object.
TEST(ModelessSheet, PageWhoseObjectIsGoneStaysWithTheDialogManager) {
  auto tpl = PageTemplate();
  std::vector<std::wstring> log;
  CLogPage first(L"A", &log, tpl);
  auto second = std::make_unique<CLogPage>(L"B", &log, tpl);
  CLogSheet sheet(L"Settings");
  ASSERT_TRUE(sheet.AddPage(first));
  ASSERT_TRUE(sheet.AddPage(*second));
  ASSERT_NE(sheet.Create(nullptr), nullptr);
  second.reset();

  EXPECT_TRUE(sheet.SetActivePage(1));
  HWND shown = sheet.GetActivePage();
  EXPECT_NE(shown, nullptr);
  EXPECT_NE(shown, first.m_hWnd);
  EXPECT_EQ(log, (std::vector<std::wstring>{L"A init", L"A set", L"A kill"}));
  sheet.DestroyWindow();
  EXPECT_EQ(sheet.m_hWnd, nullptr);
}

// Pages added before the sheet runs and never shown are freed with the sheet object.
TEST(PropertySheetPages, HandlesNotHandedOverAreDestroyed) {
  auto tpl = PageTemplate();
  std::vector<std::wstring> log;
  CLogPage page(L"A", &log, tpl);
  {
    win32::CPropertySheet sheet(L"unused");
    EXPECT_FALSE(sheet.AddPage(static_cast<HPROPSHEETPAGE>(nullptr)));
    ASSERT_TRUE(sheet.AddPage(page));
    EXPECT_EQ(sheet.GetPageCount(), 1);
  }
  EXPECT_TRUE(log.empty());
}

}  // namespace
