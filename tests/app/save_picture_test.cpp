// File > Save and File > Save As: the free name, where Save may write in
// place, and the annotated renders that save_picture_check.py reads with PIL
// (format by content, size, crops, pixels changed only along the figures).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <set>
#include <string>

#include "app/MainFrame.h"
#include "app/SavePicture.h"
#include "capture/Project.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "image/Image.h"
#include "panels/ThumbnailStrip.h"
#include "settings/Configuration.h"
#include "tests/app/files_fixture.h"
#include "tests/app/frame_fixture.h"
#include "tests/app/project_fixture.h"

namespace {

std::set<std::wstring> g_existing;
bool Exists(const wchar_t* path) { return g_existing.count(path) != 0; }

TEST(SavePictureNames, FreeNameAndFormatTable) {
  struct Row {
    const wchar_t* chosen;
    int filter;
    std::set<std::wstring> existing;
    const wchar_t* expected;
  };
  const Row rows[] = {
      {L"d\\a.jpg", 2, {L"d\\a.jpg", L"d\\a(1).jpg", L"d\\a(2).jpg"}, L"d\\a(3).jpg"},
      {L"photo.JPG", 2, {L"photo.JPG"}, L"photo(1).JPG"},
      {L"photo.JPG", 1, {}, L"photo.JPG"},
      {L"pic", 1, {}, L"pic.bmp"},
      {L"pic.jpeg", 2, {}, L"pic.jpeg.jpg"},
      {L"photo.png", 2, {L"photo.png.jpg"}, L"photo.png(1).jpg"},
      {L"dir.x\\pic", 1, {}, L"dir.x\\pic.bmp"},
      {L"a.Bmp", 2, {L"a.Bmp", L"a(1).Bmp"}, L"a(2).Bmp"},
  };
  for (const Row& row : rows) {
    g_existing = row.existing;
    EXPECT_EQ(FreeSaveName(row.chosen, row.filter, Exists), row.expected);
  }
  g_existing.clear();

  const struct {
    const wchar_t* path;
    bool bmp, inPlace;
  } formats[] = {{L"c:\\p\\a.bmp", true, true},     {L"c:\\p\\a.BMP", true, true},   {L"c:\\p\\a.jpg", false, true},
                 {L"c:\\p\\a.JPEG", false, true},   {L"c:\\p\\a.png", false, false}, {L"c:\\p\\a.tga", false, false},
                 {L"c:\\p\\a.raw", false, false},   {L"c:\\p\\a.bmpx", true, false}, {L"c:\\p.d\\noext", false, false},
                 {L"c:\\p\\a.bmp.gz", false, false}};
  for (const auto& f : formats) {
    EXPECT_EQ(IsBmpTarget(f.path), f.bmp) << f.path;
    EXPECT_EQ(CanSaveInPlace(f.path), f.inPlace) << f.path;
  }
}

// Renders for the PIL check, from one document with the fixture's figures.
TEST(SavePicture, RendersWholeCroppedAndPartlyOutside) {
  CMainFrame& frame = SharedFrame();
  {
    CFixtureDocument plain(L"plain.bmp", false);
    ASSERT_TRUE(plain.Ready());
    EXPECT_EQ(frame.RenderToImage(L"render_plain.bmp"), 1);
  }
  CFixtureDocument fixture;
  ASSERT_TRUE(fixture.Ready());
  EXPECT_EQ(frame.RenderToImage(L"render_whole.bmp"), 1);
  EXPECT_EQ(frame.RenderToImage(L"render_whole.jpg"), 1);
  EXPECT_EQ(frame.RenderToImage(L"render_whole.dat"), 1);  // any other extension: JPEG
  EXPECT_EQ(frame.RenderToImage(L"render_noext"), 0);
  EXPECT_EQ(frame.RenderToImage(nullptr), 0);

  CDirectUI* canvas = g_pDirectUI;
  const int active = canvas->m_region.m_bActive;
  canvas->m_region.m_bActive = 1;
  const struct {
    RECT region;
    const wchar_t* path;
  } regions[] = {
      {{40, 30, 240, 180}, L"render_crop.bmp"},
      {{520, 300, 700, 460}, L"render_partial.bmp"},  // the part inside: 520..600 x 300..400
      {{-200, -150, 260, 100}, L"render_partial2.bmp"},
      {{700, 500, 800, 600}, L"render_outside.bmp"},  // wholly outside: the whole picture
      {{240, 180, 40, 30}, L"render_reversed.bmp"},   // dragged up and left: as render_crop
  };
  for (const auto& r : regions) {
    fixture.m_pDocument->m_rcRegion = r.region;
    EXPECT_EQ(frame.RenderToImage(r.path), 1) << r.path;
  }
  canvas->m_region.m_bActive = 0;
  fixture.m_pDocument->m_rcRegion = regions[0].region;
  EXPECT_EQ(frame.RenderToImage(L"render_inactive.bmp"), 1);  // region tool off: whole
  canvas->m_region.m_bActive = active;
  fixture.m_pDocument->m_rcRegion = {};
}

TEST(SavePicture, SaveWritesOnlyPictureFilesInPlace) {
  CMainFrame& frame = SharedFrame();
  wchar_t folder[MAX_PATH];
  ::GetCurrentDirectoryW(MAX_PATH, folder);
  const std::wstring here = folder;
  const struct {
    const wchar_t* name;
    int live;
    bool video;
    bool inPlace;
  } rows[] = {
      {L"save_inplace.jpeg", 0, false, true}, {L"save_inplace.bmp", 0, false, true},
      {L"save_raw.png", 0, false, false},     {L"save_raw.tga", 0, false, false},
      {L"save_live.jpg", 1, false, false},    {L"save_video.jpg", 0, true, false},  // a video's frame
  };
  for (const auto& row : rows) {
    const std::wstring path = here + L"\\" + row.name;
    {
      HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      DWORD written = 0;
      ::WriteFile(file, "original", 8, &written, nullptr);
      ::CloseHandle(file);
    }
    CFixtureDocument fixture(path.c_str());
    ASSERT_TRUE(fixture.Ready());
    fixture.m_pDocument->m_bLive = row.live;
    // A listed video project of the document's path (its document stays the fixture's).
    CProject video(&frame.m_ProjectManager, path.c_str());
    video.m_bVideo = 1;
    if (row.video) frame.m_ProjectManager.m_projects.push_back(&video);
    CFileAnswers answers;
    answers.ok = false;  // Save As, when asked, is cancelled
    const int result = frame.OnFileSave();
    if (row.video) frame.m_ProjectManager.m_projects.pop_back();
    fixture.m_pDocument->m_bLive = 0;
    EXPECT_EQ(result, 1) << row.name;
    EXPECT_EQ(answers.dialogs, row.inPlace ? 0 : 1) << row.name;
    const std::string bytes = ReadWholeFile(path.c_str());
    if (row.inPlace) {
      EXPECT_NE(bytes, "original") << row.name;
    } else {
      EXPECT_EQ(bytes, "original") << row.name;
    }
  }
}

TEST(SavePicture, SaveAsTakesAFreeNameAndOpensIt) {
  CMainFrame& frame = SharedFrame();
  ::CreateDirectoryW(L"saveas", nullptr);
  for (const wchar_t* name : {L"saveas\\a.jpg", L"saveas\\a(1).jpg", L"saveas\\a(2).jpg"}) {
    HANDLE file = ::CreateFileW(name, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ::CloseHandle(file);
  }
  ::DeleteFileW(L"saveas\\a(3).jpg");
  CFixtureDocument fixture;
  ASSERT_TRUE(fixture.Ready());
  const DWORD format = g_Config.m_ImageFormat;
  g_Config.m_ImageFormat = 1;
  {
    CFileAnswers answers;
    answers.file = L"saveas\\a.jpg";
    answers.filterIndex = 2;
    TakeCalls();
    EXPECT_EQ(frame.OnFileSaveAs(), 1);
    EXPECT_EQ(answers.shownFilterIndex.at(0), 2u);  // JPEG preselected
    EXPECT_TRUE(answers.boxes.empty());
    // Opened as a new project, its strip item selected.
    ASSERT_NE(g_pWndImageList, nullptr);
    EXPECT_GT(g_pWndImageList->GetCount(), 0);
    EXPECT_EQ(g_pWndImageList->m_wndImages.m_pCurrent, g_pWndImageList->GetItem(g_pWndImageList->GetCount() - 1));
    CProject* opened = frame.m_ProjectManager.Find(L"saveas\\a(3).jpg");
    ASSERT_NE(opened, nullptr);
    frame.m_ProjectManager.Remove(opened);
    // The opened picture became the current document; the fixture's comes back.
    g_pDirectUI->SetActiveImage(fixture.m_pDocument, TRUE);
    EXPECT_EQ(frame.m_pCurrentDocument, fixture.m_pDocument);
  }
  g_Config.m_ImageFormat = format;
  EXPECT_EQ(ReadWholeFile(L"saveas\\a(3).jpg").compare(0, 3, "\xFF\xD8\xFF"), 0);
  {
    CFileAnswers answers;
    answers.ok = false;
    EXPECT_EQ(frame.OnFileSaveAs(), 1);
    EXPECT_EQ(answers.shownFilterIndex.at(0), 1u);
  }
  // A failed render is reported, and nothing is opened.
  {
    CFileAnswers answers;
    answers.file = L"no such folder\\b";
    answers.filterIndex = 1;
    TakeCalls();
    const int projects = frame.m_ProjectManager.GetCount();
    EXPECT_EQ(frame.OnFileSaveAs(), 0);
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0],
              L"Save picture file 'no such folder\\b.bmp' failed.\nPlease check you have right to write the folder");
    EXPECT_EQ(frame.m_ProjectManager.GetCount(), projects);
  }
  // An empty name.
  {
    CFileAnswers answers;
    answers.file = L"";
    EXPECT_EQ(frame.OnFileSaveAs(), 0);
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0], L"Please enter a file name.");
  }
  // A temporary folder that cannot be written: the project file's message alone.
  {
    const std::wstring temp = g_Config.CopyTempDir();
    g_Config.SetTempDir(L"c:\\no such temp folder");
    CFileAnswers answers;
    answers.file = L"saveas\\c.bmp";
    answers.filterIndex = 1;
    EXPECT_EQ(frame.OnFileSaveAs(), 0);
    g_Config.SetTempDir(temp.c_str());
    ASSERT_EQ(answers.boxes.size(), 1u);
    EXPECT_EQ(answers.boxes[0],
              L"Save project file 'c:\\no such temp folder\\print.prj' failed.\nPlease check you have right to write "
              L"the directory");
  }
}

// Save in place refreshes the strip: the item's thumbnail and its file show
// the annotated picture now on disk (save_picture_check.py compares the
// files with PIL), while the document keeps its own picture.
TEST(SavePicture, SaveRefreshesTheStripThumbnail) {
  CMainFrame& frame = SharedFrame();
  ASSERT_NE(g_pWndImageList, nullptr);
  wchar_t folder[MAX_PATH];
  ::GetCurrentDirectoryW(MAX_PATH, folder);
  const std::wstring path = std::wstring(folder) + L"\\save_thumb.bmp";
  // The renderer's files go to a folder that exists, whatever an earlier test left.
  const std::wstring temp = g_Config.CopyTempDir();
  g_Config.SetTempDir(folder);
  CFixtureDocument fixture(path.c_str());
  ASSERT_TRUE(fixture.Ready());
  ZEvuvoro::CImage plain(kFixtureWidth, kFixtureHeight);
  for (int y = 0; y < kFixtureHeight; ++y)
    memcpy(plain.GetData() + ptrdiff_t(y) * plain.GetStride(), &fixture.m_picture[size_t(y) * kFixtureWidth * 4],
           size_t(kFixtureWidth) * 4);
  CProject* project = frame.m_ProjectManager.OpenImage(path.c_str());
  ASSERT_NE(project, nullptr);
  project->m_bNoReload = 0;
  CWndImages::IMAGE_ITEM* item = g_pWndImageList->AddImage(&plain, project);
  ASSERT_NE(item, nullptr);
  const std::wstring thumbnail = project->m_strThumbnail;
  ASSERT_FALSE(thumbnail.empty());
  ASSERT_TRUE(::CopyFileW(thumbnail.c_str(), L"save_thumb_before.png", FALSE));
  const Gdiplus::Bitmap* before = item->m_pThumbnail;

  {
    CFileAnswers answers;  // Save writes in place: no dialog, no message
    EXPECT_EQ(frame.OnFileSave(), 1);
    EXPECT_EQ(answers.dialogs, 0);
    for (const std::wstring& box : answers.boxes) ADD_FAILURE() << std::string(box.begin(), box.end());
  }
  EXPECT_EQ(ReadWholeFile(path.c_str()).compare(0, 2, "BM"), 0);
  EXPECT_NE(item->m_pThumbnail, before);
  EXPECT_TRUE(ReadWholeFile(thumbnail.c_str()) != ReadWholeFile(L"save_thumb_before.png"));
  ASSERT_TRUE(::CopyFileW(thumbnail.c_str(), L"save_thumb_after.png", FALSE));
  // The item in memory is what the file holds.
  Gdiplus::Bitmap written(L"save_thumb_after.png");
  ASSERT_EQ(written.GetWidth(), UINT(kThumbWidth));
  ASSERT_EQ(written.GetHeight(), UINT(kThumbHeight));
  for (int y = 0; y < kThumbHeight; y += 13)
    for (int x = 0; x < kThumbWidth; x += 7) {
      Gdiplus::Color a, b;
      written.GetPixel(x, y, &a);
      item->m_pThumbnail->GetPixel(x, y, &b);
      EXPECT_EQ(a.GetValue(), b.GetValue()) << x << "," << y;
    }
  // The canvas still holds the document's own picture, not the render.
  EXPECT_EQ(projecttest::ReadBack(fixture.m_pDocument),
            std::vector<uint8_t>(fixture.m_picture.begin(), fixture.m_picture.end()));

  // A failed save leaves the thumbnail alone.
  const std::string after = ReadWholeFile(thumbnail.c_str());
  g_Config.SetTempDir(L"c:\\no such temp folder");
  {
    CFileAnswers answers;
    EXPECT_EQ(frame.OnFileSave(), 0);
    EXPECT_EQ(answers.boxes.size(), 1u);
  }
  g_Config.SetTempDir(temp.empty() ? folder : temp.c_str());
  EXPECT_TRUE(ReadWholeFile(thumbnail.c_str()) == after);
  // Removing the item removes the project and its thumbnail file.
  ::SendMessageW(g_pWndImageList->m_wndImages.m_hWnd, WM_IMAGES_REMOVEITEM, 0, reinterpret_cast<LPARAM>(project));
  EXPECT_EQ(frame.m_ProjectManager.Find(path.c_str()), nullptr);
}

}  // namespace
