// The process entry's steps, callable from tests.
#pragma once

#include <windows.h>

#include <string>

#include "app/MainFrame.h"

extern win32::CAppModule g_AppModule;

// Builds, shows and runs the main frame; the exit code of the loop, 0 when
// the frame was not created.
int Run(const wchar_t* commandLine, int showCommand);
// The skin package beside the program: one backslash between folder and name.
std::wstring SkinPackagePath(const std::wstring& programFolder);
// The whole program: -1 when the skin cannot be loaded.
int ProgramMain(HINSTANCE instance, const wchar_t* commandLine, int showCommand);
