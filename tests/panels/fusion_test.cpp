// The fuse command over the strip's checked pictures (focus pairs made by
// strip_fixture.py): the files it writes, checked by strip_check.py against
// the fusion's own result computed here from the same inputs, its name from
// an injected clock, and the cases that show the error and write nothing.

#include <windows.h>

#include <commctrl.h>
#include <gdiplus.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/ProjectManager.h"
#include "capture/Project.h"
#include "image/Image.h"
#include "image/fusion/FusionImage.h"
#include "panels/Fusion.h"
#include "panels/ThumbnailStrip.h"
#include "settings/Configuration.h"
#include "tests/panels/panel_fixture.h"

namespace {

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Windows>
    <Host Class="WINDOW" X="40" Y="40" Width="420" Height="70">
      <Pane Class="WINDOW" CommandID="5" X="0" Y="0" Width="420" Height="70">
        <Strip Class="WINDOW" CommandID="101" X="0" Y="0" Width="420" Height="56"/>
        <Bar Class="WINDOW" CommandID="100" X="0" Y="58" Width="420" Height="12"/>
      </Pane>
    </Host>
  </Windows>
</Skin>
)";

std::vector<std::wstring> g_messages;
int WINAPI RecordMessage(HWND, const wchar_t* text, const wchar_t*, UINT type) {
  g_messages.push_back(text);
  EXPECT_EQ(type, static_cast<UINT>(MB_ICONERROR));
  return IDOK;
}

SYSTEMTIME g_now{};
void WINAPI FixedClock(SYSTEMTIME* time) { *time = g_now; }

std::wstring WorkFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, path);
  return path;
}

int FilesIn(const std::wstring& folder) {
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((folder + L"\\*.bmp").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  int n = 0;
  do ++n;
  while (::FindNextFileW(find, &data));
  ::FindClose(find);
  return n;
}

// The fusion of the files as the command hands them in, for the checker.
bool WriteExpected(const std::vector<std::wstring>& paths, const std::wstring& out) {
  CGPUFusionImage* fusion = nullptr;
  int width = 0, height = 0;
  for (const std::wstring& path : paths) {
    Gdiplus::Bitmap bitmap(path.c_str());
    if (bitmap.GetLastStatus() != Gdiplus::Ok) return false;
    width = static_cast<int>(bitmap.GetWidth());
    height = static_cast<int>(bitmap.GetHeight());
    if (!fusion) fusion = CreateFusionImage(width, height, 0);
    Gdiplus::Rect whole(0, 0, width, height);
    Gdiplus::BitmapData data{};
    if (bitmap.LockBits(&whole, Gdiplus::ImageLockModeRead, PixelFormat24bppRGB, &data) != Gdiplus::Ok) return false;
    FusionAddImage(fusion, 24, static_cast<const uint8_t*>(data.Scan0));
    bitmap.UnlockBits(&data);
  }
  std::vector<uint8_t> result(static_cast<size_t>(FusedRowBytes(width)) * static_cast<size_t>(height));
  const bool ok = FusionGetResult(fusion, 24, result.data());
  DestroyFusionImage(fusion);
  FILE* file = _wfopen(out.c_str(), L"wb");
  if (!file) return false;
  fwrite(result.data(), 1, result.size(), file);
  fclose(file);
  return ok;
}

class Fusion : public paneltest::PanelFixture {
 protected:
  void SetUp() override {
    LoadSkin(kSkin);
    ASSERT_TRUE(CreateHost(L"Host"));
    ASSERT_TRUE(Attach(m_list, 5));
    m_work = WorkFolder();
    m_folder = m_work + L"\\fused";
    ::CreateDirectoryW(m_folder.c_str(), nullptr);
    g_Config.SetImageDir(m_folder.c_str());
    g_messages.clear();
    SetStripMessageBoxFunction(RecordMessage);
    SetFusionClockFunction(FixedClock);
    g_now = SYSTEMTIME{2026, 7, 5, 3, 9, 5, 7, 0};
  }
  void TearDown() override {
    SetStripMessageBoxFunction(nullptr);
    SetFusionClockFunction(nullptr);
    if (m_list.m_hWnd) m_list.DestroyWindow();
    paneltest::PanelFixture::TearDown();
  }
  // Items for the files, all checked.
  void AddChecked(const std::vector<const wchar_t*>& names) {
    ZEvuvoro::CImage picture(64, 36);
    picture.Fill(255, 40, 80, 120);
    for (const wchar_t* name : names) {
      CProject* project = m_manager.OpenImage((m_work + L"\\" + name).c_str());
      ASSERT_TRUE(project);
      CWndImages::IMAGE_ITEM* item = m_list.AddImage(&picture, project);
      ASSERT_TRUE(item);
      item->m_nState = LVIS_SELECTED;
    }
  }

  CProjectManager m_manager;
  CWndImageList m_list;
  std::wstring m_work, m_folder;
};

TEST_F(Fusion, RowLengthAndName) {
  EXPECT_EQ(FusedRowBytes(640), 1920u);
  EXPECT_EQ(FusedRowBytes(641), 1924u);
  EXPECT_EQ(FusedRowBytes(1), 4u);
  SYSTEMTIME time{2026, 7, 5, 3, 9, 5, 7, 0};
  EXPECT_EQ(FusedFileStem(L"C:\\Pictures", time), L"C:\\Pictures\\fused-7.3-9;5;7");
  time = SYSTEMTIME{2026, 12, 5, 31, 23, 59, 0, 0};
  EXPECT_EQ(FusedFileStem(L"D:\\x", time), L"D:\\x\\fused-12.31-23;59;0");
}

TEST_F(Fusion, FocusPairsAreFusedIntoNumberedFiles) {
  const std::vector<std::wstring> pair = {m_work + L"\\focus_a.png", m_work + L"\\focus_b.bmp"};
  // An unreadable first picture is skipped before it could set the size.
  AddChecked({L"missing.png", L"focus_a.png", L"focus_b.bmp"});
  m_list.FuseCheckedImages();
  EXPECT_TRUE(g_messages.empty());
  const std::wstring first = m_folder + L"\\fused-7.3-9;5;7.bmp";
  ASSERT_NE(::GetFileAttributesW(first.c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(WriteExpected(pair, m_folder + L"\\fused-7.3-9;5;7.expected"));

  // The command selects the strip's last item, which unchecks the others
  // (the new picture's item, when the frame opens it).
  std::vector<int> checked;
  for (auto* item : m_list.m_wndImages.m_items)
    if (item->m_nState == LVIS_SELECTED) checked.push_back(item->m_nIndex);
  EXPECT_EQ(checked, std::vector<int>{2});

  // The same second again: a numbered name, the first file kept.
  for (auto* item : m_list.m_wndImages.m_items) item->m_nState = LVIS_SELECTED;
  m_list.FuseCheckedImages();
  EXPECT_TRUE(g_messages.empty());
  EXPECT_NE(::GetFileAttributesW((m_folder + L"\\fused-7.3-9;5;7(1).bmp").c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_TRUE(WriteExpected(pair, m_folder + L"\\fused-7.3-9;5;7(1).expected"));
}

TEST_F(Fusion, OddWidthPairHasPaddedRows) {
  AddChecked({L"odd_a.png", L"odd_b.png"});
  g_now.wSecond = 8;
  m_list.FuseCheckedImages();
  EXPECT_TRUE(g_messages.empty());
  ASSERT_TRUE(
      WriteExpected({m_work + L"\\odd_a.png", m_work + L"\\odd_b.png"}, m_folder + L"\\fused-7.3-9;5;8.expected"));
}

TEST_F(Fusion, ErrorsShowTheMessageAndWriteNothing) {
  g_now.wSecond = 30;
  const int before = FilesIn(m_folder);
  struct Case {
    const char* what;
    std::vector<const wchar_t*> checked;
    size_t messages;
  } cases[] = {
      {"nothing checked", {}, 1},
      {"one checked", {L"focus_a.png"}, 1},
      {"a larger picture in the middle", {L"focus_a.png", L"large.png", L"focus_b.bmp"}, 1},
      {"only one readable", {L"missing.png", L"focus_a.png"}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ::SendMessageW(m_list.m_wndImages.m_hWnd, WM_IMAGES_CLEAR, 0, 0);
    m_manager.RemoveAll();
    g_messages.clear();
    AddChecked(c.checked);
    m_list.FuseCheckedImages();
    ASSERT_EQ(g_messages.size(), c.messages);
    if (c.messages) {
      EXPECT_EQ(g_messages[0], L"eFuseImage");  // the key: this skin has no text for it
    }
    EXPECT_EQ(FilesIn(m_folder), before);
  }
}

}  // namespace
