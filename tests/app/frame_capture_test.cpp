// The frame's capture side: the cameras' snapshots reach the frame's capture
// commands, which write the file, open it as a project and select it in the
// picture strip.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "capture/CaptureShell.h"
#include "panels/ThumbnailStrip.h"
#include "settings/Configuration.h"
#include "tests/app/frame_fixture.h"
#include "settings/RegisteredMessages.h"
#include "tests/capture/test_camera.h"

namespace {

std::vector<std::wstring> FilesIn(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(data.cFileName);
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  return names;
}

TEST(FrameCapture, CameraSnapshotsReachTheFrame) {
  CMainFrame& frame = SharedFrame();
  // Frames of other tests may have taken the cameras' calls meanwhile.
  frame.m_Capture.Install();
  ASSERT_EQ(GetCaptureShell(), static_cast<CCaptureShell*>(&frame.m_Capture));

  wchar_t base[MAX_PATH];
  ::GetCurrentDirectoryW(MAX_PATH, base);
  const std::wstring folder = std::wstring(base) + L"\\frame_snapshots";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  for (const std::wstring& name : FilesIn(folder)) ::DeleteFileW((folder + L"\\" + name).c_str());
  const std::wstring oldImageDir = g_Config.CopyImageDir();
  g_Config.SetImageDir(folder.c_str());
  g_Config.m_ImageFormat = 0;

  frame.m_ProjectManager.RemoveAll();
  if (g_pWndImageList) ::SendMessageW(g_pWndImageList->m_wndImages.m_hWnd, WM_IMAGES_CLEAR, 0, 0);
  frame.m_CameraFactory.CloseCameras();
  frame.m_CameraFactory.OpenCameras();
  auto* camera = new TestCamera(L"framecam", 16, 8);
  ASSERT_TRUE(frame.m_CameraFactory.AddCamera(camera));
  // Devices of the system may be listed too: this one runs.
  frame.m_CameraFactory.SetCurrentCamera(camera);
  frame.m_CameraFactory.Run(0);
  ASSERT_EQ(camera->GetWidth(), 16);
  Pump();
  TakeCalls();

  const std::vector<uint32_t> pixels(16 * 8, 0xFF336699u);
  GetCaptureShell()->SaveCameraSnapshot(camera, pixels.data());
  GetCaptureShell()->SaveStillSnapshot(camera, 8, 4, pixels.data());
  // No pixels: nothing written, nothing opened.
  GetCaptureShell()->SaveCameraSnapshot(camera, nullptr);

  // Both written, opened as projects, and the strip's last item selected.
  const std::vector<std::wstring> files = FilesIn(folder);
  ASSERT_EQ(files.size(), 2u);
  const std::vector<std::wstring> listed = frame.m_ProjectManager.CopyPaths();
  ASSERT_EQ(listed.size(), 2u);
  for (const std::wstring& path : listed) {
    EXPECT_EQ(path.rfind(folder + L"\\", 0), 0u) << path;
    EXPECT_NE(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
  }
  ASSERT_NE(g_pWndImageList, nullptr);
  EXPECT_EQ(g_pWndImageList->GetCount(), 2);
  EXPECT_EQ(g_pWndImageList->m_wndImages.m_pCurrent, g_pWndImageList->GetItem(1));
  frame.m_ProjectManager.RemoveAll();
  ::SendMessageW(g_pWndImageList->m_wndImages.m_hWnd, WM_IMAGES_CLEAR, 0, 0);

  if (oldImageDir.size() >= 2) g_Config.SetImageDir(oldImageDir.c_str());
  frame.m_CameraFactory.CloseCameras();
  frame.m_CameraFactory.OpenCameras();
  Pump();
  TakeCalls();
}

// The cameras' texts come from the skin.
TEST(FrameCapture, SkinTexts) {
  CMainFrame& frame = SharedFrame();
  std::wstring text;
  EXPECT_TRUE(frame.m_Capture.LookupText(L"Prompt", text));
  EXPECT_EQ(text, ShellText(L"Prompt"));
  EXPECT_FALSE(frame.m_Capture.LookupText(L"NoSuchKeyAnywhere", text));
}

}  // namespace
