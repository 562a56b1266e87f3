// Start-up paths that end before the window shows: another instance, an
// update being installed, and the search for the other instance's window.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "engine/DirectUI.h"
#include "settings/Configuration.h"
#include "settings/WinRegistry.h"
#include "tests/app/frame_fixture.h"

namespace {

using Calls = std::vector<std::wstring>;

bool Has(const Calls& calls, const wchar_t* call) { return std::find(calls.begin(), calls.end(), call) != calls.end(); }

DWORD ReadSetting(const wchar_t* name, DWORD fallback) {
  HKEY key = nullptr;
  DWORD value = fallback, size = sizeof value;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
    ::RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    ::RegCloseKey(key);
  }
  return value;
}

void WriteSetting(const wchar_t* name, DWORD value) {
  HKEY key = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
  ::RegCloseKey(key);
}

bool QuitPosted() {
  MSG msg;
  return ::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0;
}

TEST(FrameStart, SkinPackageSitsBesideTheProgramWithOneBackslash) {
  EXPECT_EQ(SkinPackagePath(L"C:\\"), L"C:\\velin.dll");
  EXPECT_EQ(SkinPackagePath(L"C:\\Program Files\\Mensaro"), L"C:\\Program Files\\Mensaro\\velin.dll");
  EXPECT_EQ(SkinPackagePath(L"C:\\Mensaro\\"), L"C:\\Mensaro\\velin.dll");
}

// The panels and the canvas's back buffer are made at the size the window
// shows at, not at a provisional one to be redone when it shows.
TEST(FrameStart, TheHiddenFrameIsLaidOutAtItsClientSize) {
  CMainFrame& frame = SharedFrame();
  RECT client{}, view{}, canvas{};
  frame.GetClientRect(&client);
  ASSERT_TRUE(frame.m_view.m_hWnd);
  frame.m_view.GetClientRect(&view);
  EXPECT_EQ(view.right, client.right);
  EXPECT_EQ(view.bottom, client.bottom);
  ASSERT_NE(g_pDirectUI, nullptr);
  ASSERT_TRUE(g_pDirectUI->m_hWnd);
  g_pDirectUI->GetClientRect(&canvas);
  EXPECT_GT(canvas.right, client.right / 2);
  EXPECT_EQ(g_pDirectUI->BackBufferWidth(), static_cast<UINT>(canvas.right));
  EXPECT_EQ(g_pDirectUI->BackBufferHeight(), static_cast<UINT>(canvas.bottom));
}

TEST(FrameStart, SecondInstanceLooksForTheFirstBeforeAnyUpdateAndSavesNothing) {
  CMainFrame& first = SharedFrame();
  first.ShowWindow(SW_SHOWMINNOACTIVE);
  ASSERT_TRUE(first.IsIconic());
  WriteSetting(L"MaxiMized", 7);
  TakeCalls();
  {
    CMainFrame second;
    EXPECT_EQ(second.CreateFrame(), nullptr);
    EXPECT_EQ(second.m_bSecondInstance, 1);
    EXPECT_FALSE(Has(TakeCalls(), L"CUpdate::Start")) << "no update offered to a second start";
    g_pMainFrame = &first;
  }
  EXPECT_FALSE(first.IsIconic()) << "the first window is restored";
  EXPECT_EQ(ReadSetting(L"MaxiMized", 0), 7u);
  EXPECT_FALSE(QuitPosted());
  first.ShowWindow(SW_HIDE);
}

TEST(FrameStart, InstallingAnUpdateKeepsTheSettingsAsLoaded) {
  CMainFrame& first = SharedFrame();
  // Let this start be the only instance for a moment.
  ::CloseHandle(first.m_hInstanceMutex);
  first.m_hInstanceMutex = nullptr;
  WriteSetting(L"MaxiMized", 1);
  const DWORD maximized = g_Config.m_MaxiMized = 1;
  const std::wstring recent = g_Config.CopyRecent(0);
  g_bInstallChosen = true;
  TakeCalls();
  {
    CMainFrame starting;
    EXPECT_EQ(starting.CreateFrame(), nullptr);
    const Calls calls = TakeCalls();
    EXPECT_TRUE(Has(calls, L"CUpdate::Start"));
    EXPECT_FALSE(Has(calls, L"CRecentImages::Stop"));
    g_pMainFrame = &first;
  }
  g_bInstallChosen = false;
  EXPECT_EQ(g_Config.m_MaxiMized, maximized);
  EXPECT_EQ(g_Config.CopyRecent(0), recent);
  EXPECT_EQ(ReadSetting(L"MaxiMized", 0), 1u);
  EXPECT_FALSE(QuitPosted()) << "no loop to end";
  first.m_hInstanceMutex = ::CreateMutexW(nullptr, FALSE, kInstanceMutexName);
}

// A top-level window whose thread stops answering after creating it.
DWORD WINAPI HangingWindowThread(LPVOID parameter) {
  auto* window = static_cast<HWND*>(parameter);
  *window = ::CreateWindowExW(0, L"STATIC", L"hung", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  ::Sleep(2000);
  ::DestroyWindow(*window);
  return 0;
}

TEST(FrameStart, InstanceSearchPassesOverAHungWindow) {
  CMainFrame& first = SharedFrame();
  HWND hung = nullptr;
  HANDLE thread = ::CreateThread(nullptr, 0, HangingWindowThread, &hung, 0, nullptr);
  while (!hung) ::Sleep(10);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(FindInstanceWindowProc(hung, 0)) << "the search goes on";
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_LT(waited, std::chrono::milliseconds(kInstancePingTimeoutMs + 1000));
  // The frame answers; its own window is skipped, another's stops the search.
  EXPECT_FALSE(FindInstanceWindowProc(first.m_hWnd, 0));
  EXPECT_TRUE(FindInstanceWindowProc(first.m_hWnd, reinterpret_cast<LPARAM>(first.m_hWnd)));
  ::WaitForSingleObject(thread, 10000);
  ::CloseHandle(thread);
}

}  // namespace
