// The frame's capture side: the cameras' snapshots reach the frame's capture
// commands, which write the file and open it as a project.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "capture/CaptureShell.h"
#include "settings/Configuration.h"
#include "tests/app/frame_fixture.h"
#include "tests/capture/test_camera.h"

namespace {

using Calls = std::vector<std::wstring>;

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

  frame.m_CameraFactory.CloseCameras();
  frame.m_CameraFactory.OpenCameras();
  auto* camera = new TestCamera(L"framecam", 16, 8);
  ASSERT_TRUE(frame.m_CameraFactory.AddCamera(camera));
  frame.m_CameraFactory.Run(0);
  ASSERT_EQ(camera->GetWidth(), 16);
  Pump();
  TakeCalls();

  const std::vector<uint32_t> pixels(16 * 8, 0xFF336699u);
  GetCaptureShell()->SaveCameraSnapshot(camera, pixels.data());
  GetCaptureShell()->SaveStillSnapshot(camera, 8, 4, pixels.data());
  // No pixels: nothing written, nothing opened.
  GetCaptureShell()->SaveCameraSnapshot(camera, nullptr);

  const std::vector<std::wstring> files = FilesIn(folder);
  ASSERT_EQ(files.size(), 2u);
  Calls opened;
  for (const std::wstring& call : TakeCalls())
    if (call.rfind(L"CMainFrame::OpenFile(", 0) == 0) opened.push_back(call);
  ASSERT_EQ(opened.size(), 2u);
  for (const std::wstring& call : opened) {
    const std::wstring path = call.substr(21, call.size() - 22);
    EXPECT_EQ(path.rfind(folder + L"\\", 0), 0u) << path;
    EXPECT_NE(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << path;
  }

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
