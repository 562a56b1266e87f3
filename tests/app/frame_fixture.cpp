#include "tests/app/frame_fixture.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <memory>

#include "app/OpenFiles.h"
#include "toolkit/SkinUi.h"

namespace {

win32::CMessageLoop g_loop;

class ShellEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    ::CoInitialize(nullptr);
    g_AppModule.Init(nullptr);
    g_AppModule.AddMessageLoop(&g_loop);
    wchar_t module[MAX_PATH];
    ::GetModuleFileNameW(nullptr, module, MAX_PATH);
    std::wstring folder(module);
    folder.resize(folder.rfind(L'\\'));
    InitSkinUi(SkinPackagePath(folder).c_str(), 1033);
  }
  void TearDown() override {
    s_frame.reset();
    g_AppModule.RemoveMessageLoop();
  }
  static std::unique_ptr<CMainFrame> s_frame;
};

std::unique_ptr<CMainFrame> ShellEnvironment::s_frame;

const auto* g_environment = ::testing::AddGlobalTestEnvironment(new ShellEnvironment);

}  // namespace

// The frames of these tests record their update check instead of asking the
// update library; an install is chosen only when a test says so.
bool g_bInstallChosen = false;
bool RecordUpdateStart(HWND frame) {
  StandInCall(L"CUpdate::Start");
  if (!g_bInstallChosen) return true;
  ::SendMessageW(frame, WM_CLOSE, 0, 0);
  return false;
}

// The open dialog of these frames records itself and is cancelled.
BOOL WINAPI RecordOpenDialog(OPENFILENAMEW*) {
  StandInCall(L"open dialog");
  return FALSE;
}

CMainFrame& SharedFrame() {
  SetUpdateStartFunction(RecordUpdateStart);
  SetOpenDialogFunction(RecordOpenDialog);
  if (!ShellEnvironment::s_frame) {
    ShellEnvironment::s_frame = std::make_unique<CMainFrame>();
    EXPECT_NE(ShellEnvironment::s_frame->CreateFrame(), nullptr);
    Pump();
  }
  return *ShellEnvironment::s_frame;
}

std::wstring P(const void* pointer) {
  wchar_t text[32];
  std::swprintf(text, 32, L"%p", pointer);
  return text;
}

std::vector<std::wstring> TakeCalls() {
  std::vector<std::wstring> calls;
  calls.swap(StandInCalls());
  return calls;
}

void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
}
