// Dialog templates built in memory, and a page made from one inside a sheet.

#include "win32/DynamicDialog.h"

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "tests/win32/watchdog.h"

namespace {

unsigned Word(const void* data, int at) {
  const auto* bytes = static_cast<const BYTE*>(data);
  return static_cast<unsigned>(bytes[at] | bytes[at + 1] << 8);
}

TEST(DynamicDialogTemplate, IsAnEmptyChildTemplateOfTheGivenSize) {
  struct Case {
    int cx, cy;
    unsigned wantCx, wantCy;
  };
  for (const Case& c : {Case{200, 123, 200, 123}, Case{0, 0, 0, 0}, Case{-5, 70000, 0, 0x7FFF}}) {
    SCOPED_TRACE(c.cx);
    win32::CDynamicDialogTemplate tpl;
    ASSERT_TRUE(tpl.Create(c.cx, c.cy));
    ASSERT_NE(tpl.Get(), nullptr);
    EXPECT_EQ(tpl.GetUsedSize(), 24u);
    const void* t = tpl.Get();
    EXPECT_EQ(Word(t, 0) | Word(t, 2) << 16, static_cast<unsigned>(WS_CHILD | DS_FIXEDSYS));
    EXPECT_EQ(Word(t, 4) | Word(t, 6) << 16, static_cast<unsigned>(WS_EX_CONTROLPARENT));
    EXPECT_EQ(Word(t, 8), 0u);   // no controls
    EXPECT_EQ(Word(t, 10), 0u);  // x
    EXPECT_EQ(Word(t, 12), 0u);  // y
    EXPECT_EQ(Word(t, 14), c.wantCx);
    EXPECT_EQ(Word(t, 16), c.wantCy);
    EXPECT_EQ(Word(t, 18) | Word(t, 20) | Word(t, 22), 0u);  // menu, class, title
  }
}

// A page whose size comes from its object: the template is built once, the
// sheet shows the page, and the page window is its object's.
class CSizedPage : public win32::CDynamicPropertyPageImpl<CSizedPage> {
 public:
  void GetPageSize(int* cx, int* cy) {
    ++m_nSizeCalls;
    *cx = 180;
    *cy = 90;
  }
  BEGIN_MSG_MAP(CSizedPage)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  END_MSG_MAP()
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    m_bInit = true;
    ::PostMessageW(::GetParent(m_hWnd), PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    return TRUE;
  }
  int m_nSizeCalls = 0;
  bool m_bInit = false;
};

TEST(DynamicPropertyPage, BuildsItsTemplateOnceAndShowsInASheet) {
  win32test::CWatchdog watchdog;
  CSizedPage page;
  page.SetTitle(L"Sized");
  win32::CPropertySheet sheet(L"Dynamic");
  HPROPSHEETPAGE first = page.CreatePage();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(page.CreatePage(), nullptr);  // a second handle from the same template
  EXPECT_EQ(page.m_nSizeCalls, 1);
  ASSERT_TRUE(sheet.AddPage(first));
  EXPECT_EQ(sheet.DoModal(nullptr), 0);
  EXPECT_FALSE(watchdog.Fired());
  EXPECT_TRUE(page.m_bInit);
  EXPECT_EQ(page.GetTemplate().Get()->cx, 180);
  EXPECT_EQ(page.GetTemplate().Get()->cy, 90);
}

}  // namespace
