#include <windows.h>

#include <cstdio>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "settings/RegisteredMessages.h"

namespace {

TEST(RegisteredMessages, IdsComeFromTheirTexts) {
  const struct {
    UINT id;
    const wchar_t* text;
  } rows[] = {
      {WM_CAPTURE_STOPPED, L"D42B9180-1EF3-421F-91A7-F36452EF56C5"},
      {WM_LOAD_RECENT_IMAGES, L"7CD06CB7-CDD6-479A-821E-7B11276C8B36"},
      {WM_UPDATE_AVAILABLE, L"1ECEFF8C-2BCA-4F22-8AEF-B7F311ABD71B"},
      {WM_INSTANCE_PING, L"C1D618E5-4E23-441c-9182-D1E5DAE5C22C"},
      {WM_ICON_LOADIMAGE, L"F4A36CE4-1203-40E7-A602-EFEBD53F27B6"},
      {WM_IMAGES_ADDIMAGE, L"5F647D83-E9BC-4CFE-886D-C7482F8C1DD2"},
      {WM_IMAGES_ADDTHUMBNAIL, L"7DF87C1A-460C-4468-AF54-EA9E38214980"},
      {WM_IMAGES_REMOVEITEM, L"1005977B-9E25-4EE9-87B5-C8419BE71D85"},
      {WM_IMAGES_CLEAR, L"3BE31AC8-CF45-4E70-AABB-60F41257D662"},
      {WM_IMAGES_SELECTITEM, L"2BD4FF09-CC63-4FD8-AFC4-A7C8A64663E8"},
      {WM_IMAGES_UPDATETHUMBNAIL, L"E535638C-96A8-4255-B9F0-4F93FDB7ED7C"},
      {WM_DIRECTUI_COMMAND, L"816A3E54-201D-46ae-942D-F4A4349EF7EB"},
      {WM_IMAGES_ITEMSIZE, L"0B035FFF-7AE3-414F-B1EA-5D617EC33E4B"},
      {WM_PATCHWELL, L"QVX_PATCHWELL"},
  };
  std::set<UINT> ids;
  for (const auto& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_GE(row.id, 0xC000u) << "registered ids lie in the string-message range";
    EXPECT_EQ(RegisterWindowMessageW(row.text), row.id);
    ids.insert(row.id);
  }
  EXPECT_EQ(std::size(rows), ids.size());
}

// Stands in for the running main frame.
LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INSTANCE_PING) return WM_INSTANCE_PING;
  return DefWindowProcW(window, message, wParam, lParam);
}

// Runs the ping helper while this thread keeps answering messages; its exit
// code tells what the given window answered.
DWORD RunPingHelper(HWND window) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  wchar_t handle[32];
  std::swprintf(handle, 32, L"%llx", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
  std::wstring command = L"..\\instance_ping.exe " + std::wstring(handle);
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    ADD_FAILURE() << "instance_ping.exe did not start, error " << GetLastError();
    return MAXDWORD;
  }
  const DWORD start = GetTickCount();
  while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 1000, QS_ALLINPUT) != WAIT_OBJECT_0) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    if (GetTickCount() - start > 60000) break;
  }
  DWORD exitCode = MAXDWORD;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return exitCode;
}

TEST(RegisteredMessages, ASecondProcessFindsTheRunningFrame) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = FrameProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"SettingsTestFrame";
  RegisterClassW(&wc);
  HWND frame = CreateWindowExW(0, wc.lpszClassName, L"frame", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                               wc.hInstance, nullptr);
  HWND other =
      CreateWindowExW(0, L"STATIC", L"other", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr, wc.hInstance, nullptr);
  ASSERT_NE(nullptr, frame);
  ASSERT_NE(nullptr, other);
  EXPECT_EQ(1u, RunPingHelper(frame)) << "the frame answers with the id the other process registered";
  EXPECT_EQ(2u, RunPingHelper(other)) << "any other window's answer does not match";
  DestroyWindow(other);
  DestroyWindow(frame);
  UnregisterClassW(wc.lpszClassName, wc.hInstance);
}

}  // namespace
