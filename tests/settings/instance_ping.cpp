// A second process that looks for a running instance the way a second start of
// the program does: it pings every top-level window and counts the windows
// that answer with the message's own id. The count is the exit code.

#include <windows.h>

#include "RegisteredMessages.h"

namespace {

BOOL CALLBACK PingWindow(HWND window, LPARAM found)
{
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutW(window, WM_INSTANCE_PING, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer) &&
        answer == WM_INSTANCE_PING)
        ++*reinterpret_cast<int*>(found);
    return TRUE;
}

} // namespace

int main()
{
    int found = 0;
    EnumWindows(PingWindow, reinterpret_cast<LPARAM>(&found));
    return found;
}
