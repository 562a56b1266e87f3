// One main frame for the whole test program (a Direct3D canvas is made once),
// with the skin loaded and the thread's message loop registered.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/Program.h"

// The frame every test uses; created on first use, hidden. Frames made while
// the tests run record their update check ("CUpdate::Start") and, when
// g_bInstallChosen is set, act as if an install was chosen.
CMainFrame& SharedFrame();
extern bool g_bInstallChosen;
// "%p" of a pointer as the stand-ins print it.
std::wstring P(const void* pointer);
// The recorded calls, cleared afterwards.
std::vector<std::wstring> TakeCalls();
// Delivers the messages waiting for this thread.
void Pump();
