// Drives a running Mensaro from another process, as the process test needs:
// waits for its main window, reads and changes its state, closes it, and
// reads and answers a message box.
//
//   shell_driver wait [ms]          the main window is visible: prints "window"
//   shell_driver state              prints "iconic Z zoomed Z width W height H"
//   shell_driver minimize|maximize|restore
//   shell_driver resize W H         sizes the window as a drag would, then prints state
//   shell_driver close              posts WM_CLOSE
//   shell_driver client             prints "left L top T width W height H": the client area on the screen
//   shell_driver shown              exit code 0 only when the main window is visible
//   shell_driver command ID         posts the menu command ID (decimal) to the window
//   shell_driver key VK             posts a key press (virtual-key code, decimal)
//   shell_driver box [ms] [yes|no]  prints the text of a message box and presses its
//                                   OK (or Yes, or No)
// Exit code 0 when the step worked, 1 when its window was not found.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

HWND FindFrame() { return ::FindWindowW(L"MensaroMainFrame", nullptr); }

HWND WaitFor(HWND (*find)(), DWORD ms) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    HWND hWnd = find();
    if (hWnd && ::IsWindowVisible(hWnd)) return hWnd;
    if (::GetTickCount() - start > ms) return nullptr;
    ::Sleep(50);
  }
}

BOOL CALLBACK FindBoxProc(HWND hWnd, LPARAM parameter) {
  wchar_t name[32] = {};
  ::GetClassNameW(hWnd, name, 32);
  if (std::wcscmp(name, L"#32770") == 0 && ::IsWindowVisible(hWnd)) {
    *reinterpret_cast<HWND*>(parameter) = hWnd;
    return FALSE;
  }
  return TRUE;
}

HWND FindBox() {
  HWND box = nullptr;
  ::EnumWindows(FindBoxProc, reinterpret_cast<LPARAM>(&box));
  return box;
}

BOOL CALLBACK PrintStaticProc(HWND hWnd, LPARAM) {
  wchar_t name[32] = {};
  ::GetClassNameW(hWnd, name, 32);
  if (_wcsicmp(name, L"Static") == 0) {
    wchar_t text[1024] = {};
    ::GetWindowTextW(hWnd, text, 1024);
    if (text[0]) std::printf("text %ls\n", text);
  }
  return TRUE;
}

void PrintState(HWND frame) {
  RECT rc{};
  ::GetWindowRect(frame, &rc);
  std::printf("iconic %d zoomed %d width %ld height %ld\n", ::IsIconic(frame) ? 1 : 0, ::IsZoomed(frame) ? 1 : 0,
              rc.right - rc.left, rc.bottom - rc.top);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring step = argv[1];
  const DWORD ms = argc > 2 ? static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)) : 20000;
  if (step == L"box") {
    HWND box = WaitFor(FindBox, ms);
    if (!box) return 1;
    wchar_t caption[256] = {};
    ::GetWindowTextW(box, caption, 256);
    std::printf("caption %ls\n", caption);
    ::EnumChildWindows(box, PrintStaticProc, 0);
    std::fflush(stdout);
    const std::wstring answer = argc > 3 ? argv[3] : L"";
    ::PostMessageW(box, WM_COMMAND, answer == L"yes" ? IDYES : answer == L"no" ? IDNO : IDOK, 0);
    return 0;
  }
  HWND frame = step == L"wait" ? WaitFor(FindFrame, ms) : FindFrame();
  if (!frame) return 1;
  if (step == L"wait") {
    std::printf("window\n");
  } else if (step == L"state") {
    PrintState(frame);
  } else if (step == L"minimize") {
    // As the caption buttons do.
    ::PostMessageW(frame, WM_SYSCOMMAND, SC_MINIMIZE, 0);
  } else if (step == L"maximize") {
    ::PostMessageW(frame, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  } else if (step == L"restore") {
    ::PostMessageW(frame, WM_SYSCOMMAND, SC_RESTORE, 0);
  } else if (step == L"resize" && argc > 3) {
    ::SetWindowPos(frame, nullptr, 0, 0, _wtoi(argv[2]), _wtoi(argv[3]), SWP_NOZORDER | SWP_NOMOVE);
    PrintState(frame);
  } else if (step == L"client") {
    RECT rc{};
    ::GetClientRect(frame, &rc);
    POINT origin{0, 0};
    ::ClientToScreen(frame, &origin);
    std::printf("left %ld top %ld width %ld height %ld\n", origin.x, origin.y, rc.right, rc.bottom);
  } else if (step == L"shown") {
    return ::IsWindowVisible(frame) ? 0 : 1;
  } else if (step == L"command" && argc > 2) {
    ::PostMessageW(frame, WM_COMMAND, MAKEWPARAM(_wtoi(argv[2]), 0), 0);
  } else if (step == L"key" && argc > 2) {
    ::PostMessageW(frame, WM_KEYDOWN, static_cast<WPARAM>(_wtoi(argv[2])), 1);
    ::PostMessageW(frame, WM_KEYUP, static_cast<WPARAM>(_wtoi(argv[2])), 0xC0000001);
  } else if (step == L"close") {
    ::PostMessageW(frame, WM_CLOSE, 0, 0);
  } else {
    return 2;
  }
  return 0;
}
