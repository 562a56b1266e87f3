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
//   shell_driver windows            lists the program's windows, one line each:
//                                   "HWND PARENT ID VISIBLE L T R B CLASS|TEXT" (hex handles, screen
//                                   rectangle); texts in UTF-8
//   shell_driver file [ms] PATH [N] answers an open or save dialog: filter N (1-based), the path
//                                   as the file name, then OK; prints the dialog's caption
//   shell_driver front              brings the main window to the foreground, as a click on it
//                                   would, and prints "front 1" once it is there
//   shell_driver chord VK[+VK...]   real key input (SendInput) to the foreground window: presses
//                                   the keys in order and releases them in reverse (17+79 is Ctrl+O)
//   shell_driver type TEXT          real key input of each character of TEXT
//   shell_driver cursor             prints "x X y Y": the pointer's place on the screen
//   shell_driver clipboard          prints the clipboard's text in UTF-8
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

void PrintUtf8(const wchar_t* text) {
  const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 1) return;
  std::string utf8(static_cast<size_t>(bytes), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, &utf8[0], bytes, nullptr, nullptr);
  utf8.resize(static_cast<size_t>(bytes - 1));
  for (char& c : utf8)
    if (c == '\r' || c == '\n') c = ' ';
  std::fputs(utf8.c_str(), stdout);
}

void PrintWindow(HWND hWnd) {
  wchar_t name[64] = {};
  ::GetClassNameW(hWnd, name, 64);
  // Cross-process WM_GETTEXT: the window's own text, not only the caption.
  wchar_t text[1024] = {};
  DWORD_PTR copied = 0;
  ::SendMessageTimeoutW(hWnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &copied);
  RECT rc{};
  ::GetWindowRect(hWnd, &rc);
  HWND parent = ::GetAncestor(hWnd, GA_PARENT);
  std::printf("%llx %llx %ld %d %ld %ld %ld %ld ", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hWnd)),
              static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(parent)),
              static_cast<long>(::GetWindowLongPtrW(hWnd, GWLP_ID) & 0xFFFF), ::IsWindowVisible(hWnd) ? 1 : 0, rc.left,
              rc.top, rc.right, rc.bottom);
  PrintUtf8(name);
  std::fputs("|", stdout);
  PrintUtf8(text);
  std::fputs("\n", stdout);
}

BOOL CALLBACK PrintChildProc(HWND hWnd, LPARAM) {
  PrintWindow(hWnd);
  return TRUE;
}

BOOL CALLBACK PrintTopProc(HWND hWnd, LPARAM process) {
  DWORD owner = 0;
  ::GetWindowThreadProcessId(hWnd, &owner);
  if (owner != static_cast<DWORD>(process)) return TRUE;
  PrintWindow(hWnd);
  ::EnumChildWindows(hWnd, PrintChildProc, 0);
  return TRUE;
}

INPUT Key(WORD vk, WORD scan, DWORD flags) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = scan;
  input.ki.dwFlags = flags;
  return input;
}

int Chord(const wchar_t* keys) {
  std::wstring rest = keys;
  std::wstring::size_type at = 0;
  INPUT inputs[16];
  UINT count = 0;
  WORD codes[8];
  UINT n = 0;
  while (at <= rest.size() && n < 8) {
    const std::wstring::size_type plus = rest.find(L'+', at);
    codes[n++] = static_cast<WORD>(std::wcstoul(rest.substr(at, plus - at).c_str(), nullptr, 10));
    if (plus == std::wstring::npos) break;
    at = plus + 1;
  }
  for (UINT i = 0; i < n; ++i) inputs[count++] = Key(codes[i], static_cast<WORD>(::MapVirtualKeyW(codes[i], 0)), 0);
  for (UINT i = n; i-- > 0;)
    inputs[count++] = Key(codes[i], static_cast<WORD>(::MapVirtualKeyW(codes[i], 0)), KEYEVENTF_KEYUP);
  return ::SendInput(count, inputs, sizeof(INPUT)) == count ? 0 : 1;
}

int Type(const wchar_t* text) {
  for (const wchar_t* c = text; *c; ++c) {
    INPUT pair[2] = {Key(0, *c, KEYEVENTF_UNICODE), Key(0, *c, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP)};
    if (::SendInput(2, pair, sizeof(INPUT)) != 2) return 1;
    ::Sleep(20);
  }
  return 0;
}

// A file dialog: a dialog with the file name box (cmb13 or edt1) and the type list (cmb1).
BOOL CALLBACK FindFileDialogProc(HWND hWnd, LPARAM parameter) {
  wchar_t name[32] = {};
  ::GetClassNameW(hWnd, name, 32);
  if (std::wcscmp(name, L"#32770") == 0 && ::IsWindowVisible(hWnd) && ::GetDlgItem(hWnd, 0x470) &&
      (::GetDlgItem(hWnd, 0x47C) || ::GetDlgItem(hWnd, 0x480))) {
    *reinterpret_cast<HWND*>(parameter) = hWnd;
    return FALSE;
  }
  return TRUE;
}

HWND FindFileDialog() {
  HWND dialog = nullptr;
  ::EnumWindows(FindFileDialogProc, reinterpret_cast<LPARAM>(&dialog));
  return dialog;
}

int AnswerFileDialog(DWORD ms, const wchar_t* path, int filter) {
  HWND dialog = WaitFor(FindFileDialog, ms);
  if (!dialog) return 1;
  // The dialog fills its controls after it shows.
  ::Sleep(300);
  wchar_t caption[256] = {};
  ::GetWindowTextW(dialog, caption, 256);
  std::fputs("caption ", stdout);
  PrintUtf8(caption);
  std::fputs("\n", stdout);
  if (filter > 0) {
    // As the keyboard does: the type list takes the focus, Home picks the
    // first type and each Down the next, each one telling the dialog.
    HWND types = ::GetDlgItem(dialog, 0x470);
    ::SetForegroundWindow(dialog);
    ::SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(types), TRUE);
    ::Sleep(100);
    std::wstring presses = std::to_wstring(VK_HOME);
    for (int i = 1; i < filter; ++i) presses += L"," + std::to_wstring(VK_DOWN);
    for (std::wstring::size_type at = 0; at < presses.size();) {
      const std::wstring::size_type comma = presses.find(L',', at);
      Chord(presses.substr(at, comma - at).c_str());
      ::Sleep(100);
      at = comma == std::wstring::npos ? presses.size() : comma + 1;
    }
    std::printf("type %d\n", static_cast<int>(::SendMessageW(types, CB_GETCURSEL, 0, 0)) + 1);
  }
  HWND name = ::GetDlgItem(dialog, 0x47C);
  if (!name) name = ::GetDlgItem(dialog, 0x480);
  ::SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path));
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
  return 0;
}

int PrintClipboard() {
  for (int attempt = 0; attempt < 20 && !::OpenClipboard(nullptr); ++attempt) ::Sleep(50);
  HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
  const wchar_t* text = data ? static_cast<const wchar_t*>(::GlobalLock(data)) : nullptr;
  if (text) {
    PrintUtf8(text);
    std::fputs("\n", stdout);
    ::GlobalUnlock(data);
  }
  ::CloseClipboard();
  return text ? 0 : 1;
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
  if (step == L"file" && argc > 3) return AnswerFileDialog(ms, argv[3], argc > 4 ? _wtoi(argv[4]) : 0);
  if (step == L"clipboard") return PrintClipboard();
  if (step == L"cursor") {
    POINT at{};
    ::GetCursorPos(&at);
    std::printf("x %ld y %ld\n", at.x, at.y);
    return 0;
  }
  if (step == L"settext" && argc > 3) {
    // A window's text set as a program would (WM_SETTEXT), by its listed handle.
    HWND target = reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::wcstoull(argv[2], nullptr, 16)));
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(target, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3]), SMTO_ABORTIFHUNG, 2000,
                                 &result) &&
                   result
               ? 0
               : 1;
  }
  if (step == L"chord" && argc > 2) return Chord(argv[2]);
  if (step == L"type" && argc > 2) return Type(argv[2]);
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
  } else if (step == L"front") {
    bool front = false;
    for (int attempt = 0; attempt < 40 && !front; ++attempt) {
      ::SetForegroundWindow(frame);
      ::Sleep(50);
      front = ::GetForegroundWindow() == frame;
    }
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    ::GetGUIThreadInfo(::GetWindowThreadProcessId(frame, nullptr), &info);
    std::printf("front %d active %llx focus %llx\n", front ? 1 : 0,
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(info.hwndActive)),
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(info.hwndFocus)));
  } else if (step == L"windows") {
    DWORD process = 0;
    ::GetWindowThreadProcessId(frame, &process);
    ::EnumWindows(PrintTopProc, static_cast<LPARAM>(process));
  } else if (step == L"close") {
    ::PostMessageW(frame, WM_CLOSE, 0, 0);
  } else {
    return 2;
  }
  return 0;
}
