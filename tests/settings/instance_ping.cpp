// A second process that looks for a running instance the way a second start of
// the program does: it pings every top-level window in turn. Its exit code says
// what the window named on the command line (a handle in hex) did: 0 not
// found among the top-level windows, 1 answered with the message's own id,
// 2 answered anything else.

#include <windows.h>

#include <cstdlib>

#include "settings/RegisteredMessages.h"

namespace {

struct Search {
  HWND target;
  int outcome;
};

BOOL CALLBACK PingWindow(HWND window, LPARAM lParam) {
  Search& search = *reinterpret_cast<Search*>(lParam);
  DWORD_PTR answer = 0;
  const bool answered = SendMessageTimeoutW(window, WM_INSTANCE_PING, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer) != 0;
  if (window == search.target) search.outcome = answered && answer == WM_INSTANCE_PING ? 1 : 2;
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 3;
  Search search{reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(argv[1], nullptr, 16))), 0};
  EnumWindows(PingWindow, reinterpret_cast<LPARAM>(&search));
  return search.outcome;
}
