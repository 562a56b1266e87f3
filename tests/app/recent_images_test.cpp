// The recent pictures on the frame's own strip: reopened by the loader thread
// in slot order, the thumbnail files, the recent list rewritten at the end
// (read back with reg.exe), Start and Stop.
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/MainFrame.h"
#include "app/ProjectManager.h"
#include "app/RecentImages.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "image/Image.h"
#include "panels/ThumbnailStrip.h"
#include "settings/Configuration.h"
#include "settings/RegisteredMessages.h"
#include "tests/app/frame_fixture.h"
#include "tests/app/project_fixture.h"
#include "tests/settings/registry_support.h"

using namespace projecttest;

namespace {

uint32_t Colour(int x, int y) { return uint32_t(x * 5) | uint32_t(y * 9) << 8 | 0x400000u; }
// A smooth picture, so that any fair reduction of it lands within a level or two.
uint32_t Gradient(int x, int y) { return uint32_t(x) | uint32_t(y * 2) << 8 | 0x400000u; }
uint32_t Teal(int, int) { return 0x008080u; }

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void WriteText(const std::wstring& path, const char* text) {
  FILE* out = _wfopen(path.c_str(), L"wb");
  ASSERT_NE(out, nullptr);
  std::fputs(text, out);
  std::fclose(out);
}

void ClearStrip() {
  if (g_pWndImageList && g_pWndImageList->m_wndImages.m_hWnd)
    ::SendMessageW(g_pWndImageList->m_wndImages.m_hWnd, WM_IMAGES_CLEAR, 0, 0);
}

CWndImages::IMAGE_ITEM* Current() { return g_pWndImageList->m_wndImages.m_pCurrent; }

// Loaders on the shared frame's manager, canvas and strip, with a thumbnail
// folder of their own and the recent list emptied.
class RecentImagesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    frame = &SharedFrame();
    ASSERT_NE(g_pWndImageList, nullptr);
    ASSERT_NE(g_pDirectUI, nullptr);
    // The frame's own loader ran from its creation; it must be over.
    ASSERT_TRUE(PumpUntil([&] { return frame->m_RecentImages.m_hThread.load() == nullptr; }, 30000));
    frame->m_ProjectManager.RemoveAll();
    ClearStrip();
    previousFolder = g_ThumbnailFolder;
    folder = FreshFolder(L"recent_files");
    g_ThumbnailFolder = FreshFolder(L"recent_thumbnails");
    for (unsigned i = 0; i < kRecentCount; ++i) savedRecents.push_back(g_Config.CopyRecent(i));
    g_Config.ClearRecents();
  }
  void TearDown() override {
    g_pDirectUI->SetActiveImage(frame->m_ProjectManager.GetLiveDocument(), TRUE);
    frame->m_ProjectManager.RemoveAll();
    ClearStrip();
    g_ThumbnailFolder = previousFolder;
    g_Config.ClearRecents();
    for (unsigned i = 0; i < kRecentCount; ++i)
      if (!savedRecents[i].empty()) g_Config.SetRecent(i, savedRecents[i].c_str());
  }
  // Runs the loader to the end of its thread, then stops it.
  void Load(CRecentImages& recent) {
    recent.m_pManager = &frame->m_ProjectManager;
    recent.Start();
    EXPECT_TRUE(PumpUntil([&] { return recent.m_hThread.load() == nullptr; }, 30000));
    recent.Stop();
  }
  CMainFrame* frame = nullptr;
  std::wstring folder, previousFolder;
  std::vector<std::wstring> savedRecents;
};

TEST_F(RecentImagesTest, PicturesAndVideosReturnInSlotOrderAndMissingFilesLoseTheirThumbnail) {
  CWatchdog watchdog(60000, "recent images loader");
  const std::wstring a = folder + L"\\a.jpg", missing = folder + L"\\missing.bmp", clip = folder + L"\\clip.avi";
  ASSERT_TRUE(WriteBmp24(a, 160, 120, Gradient));  // a BMP under a JPEG name: read by content
  WriteText(clip, "no video here");
  // The video's thumbnail stands for it; the missing file's goes.
  ASSERT_TRUE(WriteBmp24(GetThumbnailPath(clip.c_str()), 48, 27, Colour));
  ASSERT_TRUE(WriteBmp24(GetThumbnailPath(missing.c_str()), 48, 27, Colour));
  g_Config.SetRecent(0, a.c_str());
  g_Config.SetRecent(1, missing.c_str());
  g_Config.SetRecent(2, clip.c_str());
  std::wstring again = a;
  CharUpperW(again.data());
  g_Config.SetRecent(3, again.c_str());  // the same file: opened once
  CRecentImages recent;
  Load(recent);
  ASSERT_EQ(g_pWndImageList->GetCount(), 2);
  EXPECT_STREQ(g_pWndImageList->GetItem(0)->m_pProject->m_pszPath, a.c_str());
  EXPECT_STREQ(g_pWndImageList->GetItem(1)->m_pProject->m_pszPath, clip.c_str());
  EXPECT_EQ(frame->m_ProjectManager.CopyPaths(), (std::vector<std::wstring>{a, clip}));
  EXPECT_FALSE(Exists(GetThumbnailPath(missing.c_str())));
  CProject* video = g_pWndImageList->GetItem(1)->m_pProject;
  EXPECT_EQ(video->m_strThumbnail, GetThumbnailPath(clip.c_str()));
  EXPECT_EQ(video->m_pDocument->m_nWidth, 48);
  // a.jpg had no thumbnail: the picture was read and its thumbnail written.
  CProject* picture = g_pWndImageList->GetItem(0)->m_pProject;
  EXPECT_EQ(picture->m_pDocument->m_nWidth, 160);
  EXPECT_EQ(picture->m_strThumbnail, GetThumbnailPath(a.c_str()));
  EXPECT_TRUE(::CopyFileW(picture->m_strThumbnail.c_str(), L"recent_a.png", FALSE));
  EXPECT_TRUE(::CopyFileW(a.c_str(), L"recent_a.bmp", FALSE));
  // The last item is a video: nothing is shown or selected.
  EXPECT_EQ(Current(), nullptr);
  EXPECT_NE(g_pDirectUI->m_pActiveImage, picture->m_pDocument);
  // At the end the list holds what is open, in order, and so does the registry.
  EXPECT_EQ(g_Config.CopyRecent(0), a);
  EXPECT_EQ(g_Config.CopyRecent(1), clip);
  EXPECT_EQ(g_Config.CopyRecent(2), L"");
  g_Config.SaveRecents();
  const ExportedKeys keys = ExportKey(kProgramRecents);
  const auto recents = keys.find(kHkcuPrefix + kProgramRecents);
  ASSERT_NE(recents, keys.end());
  EXPECT_EQ(recents->second.size(), 2u);
  EXPECT_EQ(recents->second.at(L"0").Text(), a);
  EXPECT_EQ(recents->second.at(L"1").Text(), clip);
  g_Config.ClearRecents();
  g_Config.SaveRecents();
}

TEST_F(RecentImagesTest, ThumbnailsAreKeptApartByFolderAndBrokenOnesCountAsMissing) {
  CWatchdog watchdog(60000, "recent images loader");
  CreateDirectoryW((folder + L"\\one").c_str(), nullptr);
  CreateDirectoryW((folder + L"\\two").c_str(), nullptr);
  const std::wstring one = folder + L"\\one\\photo.jpg", two = folder + L"\\two\\photo.jpg";
  const std::wstring broken = folder + L"\\broken.png", last = folder + L"\\last.bmp";
  // In the thumbnail folder, named after the file, a PNG; one per path
  // whatever its letter case.
  const std::wstring thumbnailOne = GetThumbnailPath(one.c_str());
  EXPECT_EQ(thumbnailOne.rfind(g_ThumbnailFolder + L"\\photo.jpg.", 0), 0u) << thumbnailOne;
  EXPECT_EQ(thumbnailOne.substr(thumbnailOne.size() - 4), L".png");
  EXPECT_NE(GetThumbnailPath(two.c_str()), thumbnailOne);
  std::wstring upper = one;
  CharUpperW(upper.data());
  EXPECT_EQ(GetThumbnailPath(upper.c_str()), thumbnailOne);
  EXPECT_EQ(GetThumbnailPath(L"").size(), 0u);

  ASSERT_TRUE(WriteBmp24(one, 12, 10, Colour));
  WriteText(thumbnailOne, "not a picture");                                // counts as missing: the picture is read
  ASSERT_TRUE(WriteBmp24(GetThumbnailPath(two.c_str()), 48, 27, Colour));  // two itself is gone
  WriteText(broken, "not a picture either");
  ASSERT_TRUE(WriteBmp24(last, 16, 8, Colour));
  // A thumbnail that no longer matches its picture is still what the strip shows.
  ASSERT_TRUE(WriteBmp24(GetThumbnailPath(last.c_str()), 48, 27, Teal));
  const std::wstring order[] = {one, two, broken, last};
  for (unsigned i = 0; i < 4; ++i) g_Config.SetRecent(i, order[i].c_str());
  CRecentImages recent;
  Load(recent);
  // The undecodable picture left no project behind it.
  EXPECT_EQ(frame->m_ProjectManager.CopyPaths(), (std::vector<std::wstring>{one, last}));
  ASSERT_EQ(g_pWndImageList->GetCount(), 2);
  EXPECT_EQ(frame->m_ProjectManager.Find(one.c_str())->m_pDocument->m_nWidth, 12);
  EXPECT_FALSE(Exists(GetThumbnailPath(two.c_str())));
  Gdiplus::Color shownColour;
  g_pWndImageList->GetItem(1)->m_pThumbnail->GetPixel(24, 13, &shownColour);
  EXPECT_EQ(shownColour.GetValue(), 0xFF008080u);
  // The last picture was known by its thumbnail only: read now and shown.
  CProject* shown = frame->m_ProjectManager.Find(last.c_str());
  EXPECT_EQ(shown->m_pDocument->m_nWidth, 16);
  EXPECT_EQ(shown->m_strThumbnail, GetThumbnailPath(last.c_str()));
  EXPECT_EQ(g_pDirectUI->m_pActiveImage, shown->m_pDocument);
  EXPECT_EQ(frame->m_pCurrentDocument, shown->m_pDocument);
  EXPECT_EQ(Current(), g_pWndImageList->GetItem(1));
}

TEST_F(RecentImagesTest, AnEmptyListLoadsNothingAndTheFolderIsMade) {
  // A first start: the folder under the local application data is made.
  g_ThumbnailFolder.clear();
  CRecentImages recent;
  wchar_t local[MAX_PATH] = {};
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, local)));
  EXPECT_EQ(g_ThumbnailFolder, std::wstring(local) + L"\\Quorvex\\Mensaro\\thumbnails");
  EXPECT_TRUE(Exists(g_ThumbnailFolder));
  CDTImage* before = g_pDirectUI->m_pActiveImage;
  Load(recent);
  EXPECT_EQ(g_pWndImageList->GetCount(), 0);
  EXPECT_EQ(Current(), nullptr);
  EXPECT_EQ(g_pDirectUI->m_pActiveImage, before);
  EXPECT_EQ(frame->m_ProjectManager.GetCount(), 0);
}

TEST_F(RecentImagesTest, FortyProjectsLeaveTheLastThirtyTwoInTheSlots) {
  CProjectManager& manager = frame->m_ProjectManager;
  for (int i = 1; i <= 40; ++i) manager.OpenImage((L"C:\\p\\" + std::to_wstring(i) + L".jpg").c_str());
  g_Config.SetRecent(5, L"C:\\stale.jpg");
  CRecentImages recent;
  recent.m_pManager = &manager;
  recent.Stop();  // never started: only the rewrite
  for (unsigned k = 0; k < kRecentCount; ++k)
    EXPECT_EQ(g_Config.CopyRecent(k), L"C:\\p\\" + std::to_wstring(k + 9) + L".jpg");
  manager.RemoveAll();
  recent.Stop();
  for (unsigned k = 0; k < kRecentCount; ++k) EXPECT_EQ(g_Config.CopyRecent(k), L"");
}

TEST_F(RecentImagesTest, StartAndStopTwoHundredTimesNeitherHangsNorLeaksHandles) {
  CWatchdog watchdog(240000, "start and stop of the recent images loader");
  for (int i = 0; i < 3; ++i) {
    const std::wstring path = folder + L"\\s" + std::to_wstring(i) + L".bmp";
    ASSERT_TRUE(WriteBmp24(path, 8 + i, 8, Colour));
    g_Config.SetRecent(unsigned(i), path.c_str());
  }
  DWORD handlesBefore = 0, handlesAfter = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handlesBefore);
  for (int round = 0; round < 200; ++round) {
    CRecentImages recent;
    recent.m_pManager = &frame->m_ProjectManager;
    recent.Start();
    // Stopped at once, a little later, or after the loader ended by itself.
    if (round % 3 == 1) PumpFor(1);
    if (round % 3 == 2) PumpUntil([&] { return recent.m_hThread.load() == nullptr; }, 10000);
    recent.Stop();
    EXPECT_EQ(recent.m_hThread.load(), nullptr);
    // Whatever was loaded before the stop is in the strip, in slot order.
    const int count = g_pWndImageList->GetCount();
    EXPECT_EQ(count, frame->m_ProjectManager.GetCount());
    for (int i = 0; i < count; ++i)
      EXPECT_STREQ(g_pWndImageList->GetItem(i)->m_pProject->m_pszPath,
                   (folder + L"\\s" + std::to_wstring(i) + L".bmp").c_str());
    recent.Start();  // never again after Stop
    EXPECT_EQ(recent.m_hThread.load(), nullptr);
    // Stop wrote back what was open; the next round opens the same files.
    g_pDirectUI->SetActiveImage(frame->m_ProjectManager.GetLiveDocument(), TRUE);
    frame->m_ProjectManager.RemoveAll();
    ClearStrip();
    for (int i = 0; i < 3; ++i)
      g_Config.SetRecent(unsigned(i), (folder + L"\\s" + std::to_wstring(i) + L".bmp").c_str());
  }
  GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
  if (handlesBefore) {
    EXPECT_LT(handlesAfter, handlesBefore + 20);
  }
}

// Thumbnails as the strip and the loader write them, for thumbnail_check.py.
TEST(Thumbnails, PngFilesAreUprightWithTheirSize) {
  CRecentImages encoderLookup;  // finds the PNG encoder once
  const std::wstring folder = FreshFolder(L"thumbnails");
  ZEvuvoro::CImage frame(48, 27);
  for (int y = 0; y < 27; ++y)
    for (int x = 0; x < 48; ++x) {
      uint8_t* p = frame.GetData() + ptrdiff_t(y) * frame.GetStride() + x * 4;
      p[0] = uint8_t(x * 5);   // blue
      p[1] = uint8_t(y * 9);   // green
      p[2] = y < 3 ? 255 : 0;  // red band along the top
      p[3] = 0xFF;
    }
  EXPECT_TRUE(SaveFrameAsPng(frame, (folder + L"\\frame.png").c_str()));
  // The strip's path: a GDI+ bitmap of the item.
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = 48;
  info.bmiHeader.biHeight = -27;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  Gdiplus::Bitmap bitmap(&info, frame.GetData());
  SaveImageAsPng(&bitmap, (folder + L"\\item.png").c_str());
  EXPECT_EQ(bitmap.GetLastStatus(), Gdiplus::Ok);
  // A folder that does not exist: a failed status, no file, no temporary.
  const std::wstring nowhere = folder + L"\\no such folder\\x.png";
  SaveImageAsPng(&bitmap, nowhere.c_str());
  EXPECT_NE(bitmap.GetLastStatus(), Gdiplus::Ok);
  EXPECT_FALSE(Exists(nowhere));
  SaveImageAsPng(nullptr, (folder + L"\\null.png").c_str());
  EXPECT_FALSE(Exists(folder + L"\\null.png"));
  EXPECT_FALSE(Exists(folder + L"\\item.png.tmp"));
}

}  // namespace
