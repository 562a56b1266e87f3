// Opening files: the kind of a path, the open dialog's selection, the live
// document's name, and pictures opened on the frame's real canvas.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/MainFrame.h"
#include "app/OpenFiles.h"
#include "app/StandInCalls.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "image/Image.h"
#include "panels/ThumbnailStrip.h"
#include "tests/app/frame_fixture.h"
#include "tests/app/project_fixture.h"
#include "settings/RegisteredMessages.h"
#include "tests/capture/test_camera.h"

using namespace projecttest;

namespace {

TEST(OpenFiles, KindIsDecidedByAFourCharacterExtension) {
  struct Case {
    const wchar_t* path;
    OpenKind kind;
  } cases[] = {
      {L"C:\\v\\clip.avi", OpenKind::Video},
      {L"C:\\v\\CLIP.AVI", OpenKind::Video},
      {L"C:\\v\\clip.Wmv", OpenKind::Video},
      {L"C:\\v\\clip.avi2", OpenKind::Picture},
      {L"C:\\r\\dump.raw", OpenKind::Raw},
      {L"C:\\r\\dump.raw5", OpenKind::Picture},
      {L"C:\\p\\a.jpg", OpenKind::Picture},
      {L"C:\\p\\a.jpeg", OpenKind::Picture},
      {L"C:\\a.b\\c", OpenKind::Picture},  // the only dot lies in a folder
      {L"C:\\x.avi\\c", OpenKind::Picture},
      {L"C:\\p\\nodot", OpenKind::Picture},
      {L".avi", OpenKind::Video},
      {nullptr, OpenKind::Picture},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path ? std::string(c.path, c.path + wcslen(c.path)) : std::string("null"));
    EXPECT_EQ(OpenFileKind(c.path), c.kind);
  }
}

TEST(OpenFiles, SelectionIsAFolderWithNamesOrOnePath) {
  struct Case {
    const char* name;
    std::wstring buffer;  // NULs inside
    size_t offset;
    std::vector<std::wstring> paths;
  } cases[] = {
      {"folder", std::wstring(L"C:\\pics\0a.jpg\0b.avi\0\0", 22), 8, {L"C:\\pics\\a.jpg", L"C:\\pics\\b.avi"}},
      {"drive root", std::wstring(L"C:\\\0a.jpg\0b.jpg\0\0", 17), 4, {L"C:\\a.jpg", L"C:\\b.jpg"}},
      {"one path", std::wstring(L"C:\\pics\\a.jpg\0\0", 15), 8, {L"C:\\pics\\a.jpg"}},
      {"four characters", std::wstring(L"C:\\a\0\0", 6), 3, {L"C:\\a"}},
      {"three characters", std::wstring(L"C:\\\0\0", 5), 3, {}},
      {"empty", std::wstring(L"\0\0", 2), 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(SelectedPaths(c.buffer.data(), c.buffer.size(), c.offset), c.paths);
  }
  // Names running into the end of the buffer are not read past it.
  const wchar_t cut[] = {L'C', L':', L'\\', L'd', 0, L'a', 0, L'b', L'b'};
  EXPECT_EQ(SelectedPaths(cut, 9, 5), (std::vector<std::wstring>{L"C:\\d\\a"}));
  const wchar_t unended[] = {L'C', L':', L'\\', L'd'};
  EXPECT_TRUE(SelectedPaths(unended, 4, 0).empty());
}

TEST(OpenFiles, LiveDocumentNameMatchesExactly) {
  EXPECT_TRUE(IsLiveDocumentPath(L"BB8790B1-630A-4378-B5AE-ED31E5BB2FC2"));
  EXPECT_FALSE(IsLiveDocumentPath(L"bb8790b1-630a-4378-b5ae-ed31e5bb2fc2"));
  EXPECT_FALSE(IsLiveDocumentPath(L"BB8790B1-630A-4378-B5AE-ED31E5BB2FC2 "));
  EXPECT_FALSE(IsLiveDocumentPath(nullptr));
}

uint32_t Pattern(int x, int y) { return uint32_t(x * 3) | uint32_t(y * 5) << 8 | uint32_t((x ^ y) & 0xFF) << 16; }

// Empties the frame's strip.
void ClearStrip() {
  if (g_pWndImageList && g_pWndImageList->m_wndImages.m_hWnd)
    ::SendMessageW(g_pWndImageList->m_wndImages.m_hWnd, WM_IMAGES_CLEAR, 0, 0);
}

class OpenFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    frame = &SharedFrame();
    frame->m_ProjectManager.RemoveAll();
    ClearStrip();
    folder = FreshFolder(L"open_files");
    TakeCalls();
  }
  void TearDown() override {
    if (g_pDirectUI) g_pDirectUI->SetActiveImage(frame->m_ProjectManager.GetLiveDocument(), TRUE);
    frame->m_ProjectManager.RemoveAll();
    ClearStrip();
  }
  CMainFrame* frame = nullptr;
  std::wstring folder;
};

TEST_F(OpenFileTest, PictureReadsBackExactlyAndReopeningShowsWithoutAdding) {
  ASSERT_NE(g_pDirectUI, nullptr);
  ASSERT_NE(g_pWndImageList, nullptr);
  // A BMP under a JPEG name: the decoder goes by content.
  const std::wstring path = folder + L"\\Pattern.jpg";
  ASSERT_TRUE(WriteBmp24(path, 97, 61, Pattern));
  ASSERT_EQ(frame->OpenFile(path.c_str()), 1);
  CProject* project = frame->m_ProjectManager.Find(path.c_str());
  ASSERT_NE(project, nullptr);
  EXPECT_EQ(project->m_bNoReload, 0);
  EXPECT_EQ(g_pWndImageList->GetCount(), 1);
  EXPECT_EQ(g_pDirectUI->m_pActiveImage, project->m_pDocument);
  const std::vector<uint8_t> shown = ReadBack(project->m_pDocument);
  ASSERT_EQ(shown.size(), 97u * 61 * 4);
  int wrong = 0;
  for (int y = 0; y < 61; ++y)
    for (int x = 0; x < 97; ++x) {
      const uint32_t c = Pattern(x, y);
      const uint8_t* p = &shown[(size_t(y) * 97 + x) * 4];
      if (p[0] != uint8_t(c) || p[1] != uint8_t(c >> 8) || p[2] != uint8_t(c >> 16)) ++wrong;
    }
  EXPECT_EQ(wrong, 0);

  // Another letter case: nothing new, but shown again.
  g_pDirectUI->SetActiveImage(frame->m_ProjectManager.GetLiveDocument(), TRUE);
  std::wstring upper = path;
  CharUpperW(upper.data());
  EXPECT_EQ(frame->OpenFile(upper.c_str()), 0);
  EXPECT_EQ(frame->m_ProjectManager.GetCount(), 1);
  EXPECT_EQ(g_pWndImageList->GetCount(), 1);
  EXPECT_EQ(g_pDirectUI->m_pActiveImage, project->m_pDocument);
}

TEST_F(OpenFileTest, UnreadableFilesAndVideosThatDoNotPlayListNothing) {
  const std::wstring text = folder + L"\\notes.avi2";
  FILE* out = _wfopen(text.c_str(), L"wb");
  ASSERT_NE(out, nullptr);
  std::fputs("not a picture", out);
  std::fclose(out);
  EXPECT_EQ(frame->OpenFile(text.c_str()), 0);
  EXPECT_EQ(frame->OpenFile((folder + L"\\missing.png").c_str()), 0);
  EXPECT_EQ(frame->m_ProjectManager.GetCount(), 0);
  // The raw import gives no picture here: nothing listed.
  EXPECT_EQ(frame->OpenFile((folder + L"\\dump.RAW").c_str()), 0);
  EXPECT_EQ(frame->m_ProjectManager.GetCount(), 0);
  // A video that does not play leaves nothing listed (no project without a
  // strip item); opening it again tries anew.
  const std::wstring clip = folder + L"\\broken.AVI";
  ASSERT_TRUE(CopyFileW(text.c_str(), clip.c_str(), FALSE));
  for (int attempt = 0; attempt < 2; ++attempt) {
    EXPECT_EQ(frame->OpenFile(clip.c_str()), 0);
    EXPECT_EQ(frame->m_ProjectManager.Find(clip.c_str()), nullptr);
  }
  EXPECT_EQ(frame->m_ProjectManager.GetCount(), 0);
  EXPECT_EQ(g_pWndImageList->GetCount(), 0);
}

TEST_F(OpenFileTest, WhileCapturingThePictureIsListedButNotShown) {
  auto* camera = new TestCamera(L"Open", 64, 48);
  frame->m_CameraFactory.AddCamera(camera);
  frame->m_CameraFactory.OpenCameras();
  frame->m_CameraFactory.Run(1);
  if (frame->m_CameraFactory.GetState() != CameraRunning) {
    frame->m_CameraFactory.CloseCameras();
    GTEST_SKIP() << "the test camera did not run";
  }
  CDTImage* shownBefore = g_pDirectUI->m_pActiveImage;
  const std::wstring path = folder + L"\\during.bmp";
  ASSERT_TRUE(WriteBmp24(path, 20, 10, Pattern));
  EXPECT_EQ(frame->OpenFile(path.c_str()), 1);
  EXPECT_NE(frame->m_ProjectManager.Find(path.c_str()), nullptr);
  EXPECT_EQ(g_pWndImageList->GetCount(), 1);
  EXPECT_EQ(g_pDirectUI->m_pActiveImage, shownBefore);
  frame->m_CameraFactory.CloseCameras();
  Pump();
}

}  // namespace
