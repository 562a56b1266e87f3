// The About dialog as a person sees it: the version line from the file
// version, the owner's notice, the home-page link, closed by Escape or OK.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>

#include "app/AboutDlg.h"
#include "tests/app/frame_fixture.h"
#include "tests/capture/ui_helpers.h"

namespace {

struct AboutVisit {
  UINT key = 0;     // a key pressed in the dialog, or
  UINT button = 0;  // a button clicked
  const char* shot = nullptr;
  std::wstring caption, text, link, ok;
  HWND linkControl = nullptr;
  bool found = false;
};

INT_PTR RunAbout(CAboutDlg& dialog, AboutVisit& visit) {
  const DWORD mainThread = ::GetCurrentThreadId();
  std::thread person([&visit, &dialog, mainThread] {
    HWND window = ui_test::WaitForDialog(mainThread, [](HWND w) { return ::GetDlgItem(w, 1002) != nullptr; });
    if (!window) return;
    visit.found = true;
    visit.caption = ui_test::TextOf(window);
    visit.text = ui_test::TextOf(::GetDlgItem(window, 1002));
    visit.link = ui_test::TextOf(::GetDlgItem(window, 1000));
    visit.ok = ui_test::TextOf(::GetDlgItem(window, IDOK));
    visit.linkControl =
        dialog.m_HomePage.GetControl() == ::GetDlgItem(window, 1000) ? ::GetDlgItem(window, 1000) : nullptr;
    if (visit.shot) {
      ::Sleep(500);
      ui_test::SaveWindowShot(window, visit.shot);
    }
    if (visit.key) {
      ::PostMessageW(window, WM_KEYDOWN, visit.key, 0);
      ::PostMessageW(window, WM_KEYUP, visit.key, 0);
    } else {
      ::PostMessageW(window, WM_COMMAND, MAKEWPARAM(visit.button, BN_CLICKED), 0);
    }
  });
  const INT_PTR result = dialog.DoModal(SharedFrame().m_hWnd);
  person.join();
  return result;
}

TEST(AboutDialog, ShowsTheFileVersionTheNoticeAndTheLink) {
  SharedFrame();
  wchar_t module[MAX_PATH];
  ::GetModuleFileNameW(nullptr, module, MAX_PATH);
  std::wstring folder(module);
  folder.resize(folder.rfind(L'\\'));
  HMODULE versioned = ::LoadLibraryW((folder + L"\\about_version.dll").c_str());
  ASSERT_NE(versioned, nullptr);

  AboutVisit escape;
  escape.key = VK_ESCAPE;
  escape.shot = "about_dialog.bmp";
  CAboutDlg dialog(versioned);
  EXPECT_EQ(RunAbout(dialog, escape), IDCANCEL);
  ASSERT_TRUE(escape.found);
  EXPECT_EQ(escape.caption, L"About Mensaro");
  // The file version, not the product version (7.7.7.7), under the skin's label.
  EXPECT_EQ(escape.text, std::wstring(L"Mensaro version 2.1.0.35\r\n") + kOwnerNotice);
  EXPECT_EQ(escape.link, L"Visit the Mensaro web page");
  EXPECT_EQ(escape.ok, L"OK");
  EXPECT_NE(escape.linkControl, nullptr) << "the home-page text is not a link";
  EXPECT_EQ(dialog.m_HomePage.GetAddress(), kHomePageAddress);
  // Closing gave the control back.
  EXPECT_EQ(dialog.m_HomePage.GetControl(), nullptr);
  ::FreeLibrary(versioned);

  // The program's own version, closed with OK.
  AboutVisit ok;
  ok.button = IDOK;
  CAboutDlg own;
  EXPECT_EQ(RunAbout(own, ok), IDOK);
  EXPECT_EQ(ok.text, std::wstring(L"Mensaro version 1.0.0.0\r\n") + kOwnerNotice);
  EXPECT_EQ(own.m_HomePage.GetControl(), nullptr);
}

}  // namespace
