// Recordings through the media library: starting from a frame, finishing
// after capture stopped (save dialog stand-in, move and encoding dialogs), a
// camera removed while it records.
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "capture/CameraFactory.h"
#include "capture/CaptureShell.h"
#include "capture/RecordingDialogs.h"
#include "settings/Configuration.h"
#include "tests/capture/fakes/FakeAudioFilter.h"
#include "tests/capture/test_camera.h"
#include "tests/vendor/frame_pattern.h"
#include "vendor/vidmill/Vidmill.h"

// After the window layer: it brings windowsx.h, whose macros clash with it.
#include "capture/AudioFactory.h"

namespace {

DWORD g_Now = 0;
DWORD TestClock() { return g_Now; }

// The save dialog answers as the test says; opened files are noted.
class FinishShell : public CCaptureShell {
 public:
  bool AskRecordingFileName(std::wstring& path) override {
    proposed.push_back(path);
    if (answer.empty()) return false;
    path = answer;
    return true;
  }
  int OpenFile(const wchar_t* path) override {
    opened.push_back(path);
    return 1;
  }
  void ShowInFolder(const wchar_t* path) override { shown.push_back(path); }
  std::wstring answer;  // empty: the user cancels
  std::vector<std::wstring> proposed, opened, shown;
};

std::wstring MakeTempFolder(const wchar_t* name) {
  wchar_t base[MAX_PATH];
  GetTempPathW(MAX_PATH, base);
  std::wstring folder = std::wstring(base) + name + std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(folder.c_str(), nullptr);
  return folder;
}

void RemoveFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  RemoveDirectoryW(folder.c_str());
}

bool IsAvi(const std::wstring& path) {
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (!file) return false;
  char head[12] = {};
  const size_t got = fread(head, 1, 12, file);
  fclose(file);
  return got == 12 && std::string(head, 4) == "RIFF" && std::string(head + 8, 4) == "AVI ";
}

// Presses a button of the first dialog with this caption that the thread
// shows within the time, from another thread, as a user would.
class DialogDriver {
 public:
  DialogDriver(DWORD threadId, const wchar_t* caption, int command, DWORD delayMs = 0)
      : m_Thread([=, this] {
          for (int i = 0; i < 1000 && !m_bStop; ++i) {
            HWND found = nullptr;
            std::pair<const wchar_t*, HWND*> wanted(caption, &found);
            EnumThreadWindows(threadId, &MatchCaption, reinterpret_cast<LPARAM>(&wanted));
            if (found) {
              Sleep(delayMs);
              PostMessageW(found, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
              m_bPressed = true;
              return;
            }
            Sleep(10);
          }
        }) {}
  ~DialogDriver() {
    m_bStop = true;
    m_Thread.join();
  }
  bool Pressed() const { return m_bPressed; }

 private:
  static BOOL CALLBACK MatchCaption(HWND hWnd, LPARAM lParam) {
    wchar_t text[64] = {};
    GetWindowTextW(hWnd, text, 64);
    auto* wanted = reinterpret_cast<std::pair<const wchar_t*, HWND*>*>(lParam);
    if (IsWindowVisible(hWnd) && wcscmp(text, wanted->first) == 0) *wanted->second = hWnd;
    return TRUE;
  }

  std::atomic<bool> m_bStop{false};
  std::atomic<bool> m_bPressed{false};
  std::thread m_Thread;
};

class RecordingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_Now = 10000;
    COrvelCamera::SetClock(&TestClock);
    oldShell = SetCaptureShell(&shell);
    folder = MakeTempFolder(L"capture_rec_");
    oldVideoDir = g_Config.CopyVideoDir();
    g_Config.SetVideoDir(folder.c_str());
    g_Config.m_AddVideo = 1;
    g_Config.m_Duration = 10;
    g_Config.m_MovieFormat = 0;
  }
  void TearDown() override {
    factory.CloseCameras();
    SetCaptureShell(oldShell);
    COrvelCamera::SetClock(nullptr);
    g_Config.m_HighSpeedRecord = 0;
    if (oldVideoDir.size() >= 2) g_Config.SetVideoDir(oldVideoDir.c_str());
    RemoveFolder(folder);
  }
  TestCamera* Start(const wchar_t* name, int highSpeed) {
    g_Config.m_HighSpeedRecord = static_cast<DWORD>(highSpeed);
    auto* camera = new TestCamera(name, 64, 48);
    factory.AddCamera(camera);
    factory.OpenCameras();
    factory.RequestRecording();
    EXPECT_EQ(factory.Run(1), CameraRunning);
    return camera;
  }
  // Frames of the checker's pattern, numbered from 0, 40 ms apart.
  void Frames(COrvelCamera* camera, int count) {
    std::vector<BYTE> frame(64 * 48 * 4);
    for (int i = 0; i < count; ++i) {
      g_Now += 40;
      PaintFrame(frame.data(), 64, 48, 64 * 4, static_cast<int>(stamps.size()), false);
      stamps.push_back(g_Now);
      camera->OnFrame(frame.data());
    }
  }
  // Hands a copy of a recording to check_recordings.py.
  void Describe(const std::wstring& recorded, const char* name) {
    const std::string file = std::string("camera_") + name + ".avi";
    ASSERT_TRUE(CopyFileW(recorded.c_str(), std::wstring(file.begin(), file.end()).c_str(), FALSE));
    FILE* f = fopen("recordings.jsonl", "a");
    ASSERT_NE(f, nullptr);
    fprintf(f, "{\"file\": \"%s\", \"codec\": \"rawvideo\", \"width\": 64, \"height\": 48, \"frames\": [",
            file.c_str());
    for (size_t i = 0; i < stamps.size(); ++i) fprintf(f, "%s[%d, %lu]", i ? ", " : "", static_cast<int>(i), stamps[i]);
    fprintf(f, "]}\n");
    fclose(f);
  }
  std::vector<DWORD> stamps;
  FinishShell shell;
  CCaptureShell* oldShell = nullptr;
  CCameraFactory factory;
  std::wstring folder, oldVideoDir;
};

TEST_F(RecordingTest, DirectRecordingMovedToTheChosenFile) {
  TestCamera* camera = Start(L"Direct Cam", 0);
  ASSERT_NE(camera->GetRecorder(), nullptr);
  const std::wstring recorded = camera->GetRecorder()->m_Destination;
  Frames(camera, 30);
  factory.Stop();
  shell.answer = folder + L"\\chosen.avi";
  factory.FinishRecordings();
  EXPECT_EQ(camera->GetRecorder(), nullptr);
  ASSERT_EQ(shell.opened.size(), 1u);
  EXPECT_EQ(shell.opened[0], shell.answer);
  EXPECT_TRUE(IsAvi(shell.answer));
  EXPECT_EQ(GetFileAttributesW(recorded.c_str()), INVALID_FILE_ATTRIBUTES);
  ASSERT_EQ(shell.proposed.size(), 1u);
  EXPECT_EQ(shell.proposed[0].rfind(L"Direct Cam(0)-", 0), 0u);
}

TEST_F(RecordingTest, CancelledSaveShowsAndOpensTheDirectFile) {
  TestCamera* camera = Start(L"Direct Cam", 0);
  const std::wstring recorded = camera->GetRecorder()->m_Destination;
  Frames(camera, 10);
  factory.Stop();
  factory.FinishRecordings();
  EXPECT_EQ(shell.shown, std::vector<std::wstring>{recorded});
  EXPECT_EQ(shell.opened, std::vector<std::wstring>{recorded});
  EXPECT_TRUE(IsAvi(recorded));
}

TEST_F(RecordingTest, RemovedCameraKeepsItsRecording) {
  TestCamera* camera = Start(L"Unplugged", 0);
  ASSERT_NE(camera->GetRecorder(), nullptr);
  const std::wstring recorded = camera->GetRecorder()->m_Destination;
  Frames(camera, 20);
  factory.RemoveCameraByPath(camera->GetDevicePath(), static_cast<int>(wcslen(camera->GetDevicePath())));
  EXPECT_EQ(factory.GetCameraCount(), 0);
  EXPECT_EQ(factory.GetState(), CameraStopped);
  factory.FinishRecordings();
  // The finished file is offered as the save dialog is cancelled.
  ASSERT_EQ(shell.proposed.size(), 1u);
  EXPECT_EQ(shell.proposed[0].rfind(L"Unplugged(0)-", 0), 0u);
  EXPECT_EQ(shell.opened, std::vector<std::wstring>{recorded});
  EXPECT_TRUE(IsAvi(recorded));
  EXPECT_EQ(factory.GetOrphanRecordingCount(), 0);
  Describe(recorded, "removed");  // read to its last frame
}

TEST_F(RecordingTest, BufferedRecordingEncodedOrCancelled) {
  struct Case {
    const char* what;
    bool cancel;
    bool offered;
  };
  const Case cases[] = {{"encoded", false, true}, {"cancelled", true, false}};
  for (const Case& test : cases) {
    SCOPED_TRACE(test.what);
    shell.opened.clear();
    TestCamera* camera = Start(L"Buffered", 1);
    ASSERT_NE(camera->GetRecorder(), nullptr);
    EXPECT_EQ(camera->GetRecorder()->m_DirectFile, 0);
    Frames(camera, test.cancel ? 200 : 25);
    factory.Stop();
    shell.answer = folder + L"\\buffered.avi";
    {
      DialogDriver driver(GetCurrentThreadId(), L"Burnning", test.cancel ? IDCANCEL : 0x7FFF);
      factory.FinishRecordings();
    }
    EXPECT_EQ(camera->GetRecorder(), nullptr);
    EXPECT_EQ(!shell.opened.empty(), test.offered);
    if (test.offered) {
      EXPECT_TRUE(IsAvi(shell.answer));
    }
    factory.CloseCameras();
    DeleteFileW(shell.answer.c_str());
  }
}

TEST_F(RecordingTest, EncodingThatDoesNotStartEndsTheDialog) {
  // A buffered recording without frames: the library refuses to encode.
  g_Config.m_HighSpeedRecord = 1;
  CVidmill* recorder = CreateVidmill();
  recorder->m_DirectFile = 0;
  recorder->SetInputMediaFormat(64, 48, 32);
  ASSERT_EQ(recorder->Start(), 1);
  const std::wstring target = folder + L"\\never.avi";
  recorder->SetDestinationFileName(target.c_str());
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  CDlgBurn dialog(recorder);
  INT_PTR result;
  {
    // Closes the dialog should it stay open.
    DialogDriver driver(GetCurrentThreadId(), L"Burnning", IDCANCEL, 5000);
    result = dialog.DoModal(nullptr);
  }
  EXPECT_EQ(result, IDABORT);
  EXPECT_EQ(dialog.GetEncodeResult(), 0);
  EXPECT_FALSE(dialog.IsDone());
  EXPECT_EQ(recorder->m_Observer, nullptr);
  DeleteVidmill(recorder);
}

// One sound card whose inputs hear different tones.
class ToneAudioFactory : public COrvelAudioFactory {
 protected:
  void ListDevices() override {
    IBaseFilter* filter = CreateFakeAudioFilter({{L"Line In", true, 0.5, 440.0}, {L"Microphone", true, 0.5, 1000.0}});
    AddDevice(new CAudioDevice(L"Tone Card", filter), L"");
    filter->Release();
  }
};

DWORD g_RealNow = 0;
DWORD RealClock() { return g_RealNow; }

// A camera records through the library with the sound of the chosen input:
// check_recordings.py reads the file with ffprobe, ffmpeg and numpy and finds
// that input's tone as the peak of the PCM stream, as long as the picture.
TEST(SoundOfTheChosenInput, RecordedWithTheCamerasPicture) {
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  struct Case {
    const char* file;
    int input;
    int tone;
  };
  const Case cases[] = {{"camera_line.avi", 0, 440}, {"camera_microphone.avi", 1, 1000}};
  FinishShell shell;
  CCaptureShell* oldShell = SetCaptureShell(&shell);
  COrvelCamera::SetClock(&RealClock);
  const std::wstring oldVideoDir = g_Config.CopyVideoDir();
  wchar_t here[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, here);
  g_Config.SetVideoDir(here);
  g_Config.m_HighSpeedRecord = 0;
  g_Config.m_MovieFormat = 0;
  g_Config.m_AudioEnabled = 1;
  g_Config.m_AddVideo = 0;
  constexpr int kWidth = 160, kHeight = 120;
  for (const Case& test : cases) {
    SCOPED_TRACE(test.file);
    g_Config.m_AudioDevice = 0;
    g_Config.m_AudioInput = static_cast<DWORD>(test.input);
    ToneAudioFactory audio;
    ASSERT_EQ(audio.EnumerateDevices(), 1);
    ASSERT_EQ(audio.GetDevices()[0]->GetSelectedInput(), test.input);
    CCameraFactory factory;
    auto* camera = new TestCamera(L"Tone Cam", kWidth, kHeight);
    factory.AddCamera(camera);
    factory.OpenCameras();
    factory.RequestRecording();
    g_RealNow = timeGetTime();
    ASSERT_EQ(factory.Run(1), CameraRunning);
    std::vector<BYTE> frame(static_cast<size_t>(kWidth) * kHeight * 4);
    std::string frames;
    const DWORD first = timeGetTime();
    for (int i = 0; i < 60; ++i) {
      const DWORD due = first + static_cast<DWORD>(i) * 40;
      const LONG wait = static_cast<LONG>(due - timeGetTime());
      if (wait > 0) Sleep(static_cast<DWORD>(wait));
      g_RealNow = due;
      PaintFrame(frame.data(), kWidth, kHeight, kWidth * 4, i, false);
      camera->OnFrame(frame.data());
      frames += (i ? ", [" : "[") + std::to_string(i) + ", " + std::to_string(due) + "]";
    }
    factory.Stop();
    shell.answer = std::wstring(here) + L"\\" + std::wstring(test.file, test.file + strlen(test.file));
    DeleteFileW(shell.answer.c_str());
    factory.FinishRecordings();
    EXPECT_EQ(camera->GetRecorder(), nullptr);
    EXPECT_TRUE(IsAvi(shell.answer));
    factory.CloseCameras();
    audio.ReleaseDevices();
    FILE* f = fopen("recordings.jsonl", "a");
    ASSERT_NE(f, nullptr);
    fprintf(f,
            "{\"file\": \"%s\", \"codec\": \"rawvideo\", \"width\": %d, \"height\": %d, \"tone\": %d, "
            "\"frames\": [%s]}\n",
            test.file, kWidth, kHeight, test.tone, frames.c_str());
    fclose(f);
  }
  g_Config.m_AudioInput = 999;
  if (oldVideoDir.size() >= 2) g_Config.SetVideoDir(oldVideoDir.c_str());
  COrvelCamera::SetClock(nullptr);
  SetCaptureShell(oldShell);
  CoUninitialize();
}

TEST(MoveDialog, SamePathEndsAtOnceAndAMoveReplaces) {
  const std::wstring folder = MakeTempFolder(L"capture_move_");
  const std::wstring source = folder + L"\\a.avi", target = folder + L"\\b.avi";
  auto write = [](const std::wstring& path, const char* text) {
    FILE* file = _wfopen(path.c_str(), L"wb");
    fputs(text, file);
    fclose(file);
  };
  write(source, "source");
  write(target, "old target");
  INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  {
    std::wstring upper = source;
    for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
    CDlgMoving same(source.c_str(), upper.c_str());
    EXPECT_EQ(same.DoModal(nullptr), 1);
    EXPECT_NE(GetFileAttributesW(source.c_str()), INVALID_FILE_ATTRIBUTES);
  }
  {
    CDlgMoving move(source.c_str(), target.c_str());
    EXPECT_EQ(move.DoModal(nullptr), 1);
    EXPECT_EQ(move.GetMoveResult(), 1);
    EXPECT_EQ(GetFileAttributesW(source.c_str()), INVALID_FILE_ATTRIBUTES);
    FILE* file = _wfopen(target.c_str(), L"rb");
    char text[32] = {};
    ASSERT_NE(file, nullptr);
    fgets(text, 32, file);
    fclose(file);
    EXPECT_STREQ(text, "source");
  }
  {
    CDlgMoving failed((folder + L"\\missing.avi").c_str(), target.c_str());
    EXPECT_EQ(failed.DoModal(nullptr), 2);
  }
  DeleteFileW(target.c_str());
  RemoveDirectoryW(folder.c_str());
}

}  // namespace
