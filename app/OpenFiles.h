// Opening pictures, raw sensor dumps and videos as projects, the File > Open
// command's selection, and the hook every file dialog of the program uses.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <string>
#include <vector>

#include "app/ProjectManager.h"

namespace ZEvuvoro {
class CImage;
}

enum class OpenKind { Picture, Video, Raw };

// Decided by the text from the path's last "." when it is 4 characters long:
// ".avi" and ".wmv" are videos, ".raw" a raw import, anything else a picture
// whose format the decoder finds by content.
OpenKind OpenFileKind(const wchar_t* path);

// The paths an open dialog returned in buffer (capacity characters): a folder,
// a NUL and NUL-ended names when fileOffset is one past the first text, else
// the one path when it is longer than 3 characters.
std::vector<std::wstring> SelectedPaths(const wchar_t* buffer, size_t capacity, size_t fileOffset);

// A picture file opened as File > Open does: decoded, listed, put into its
// document on the canvas and given a strip item. False when it does not
// decode or the strip refused it; *added is 1 when a new project was listed,
// 0 when another thread listed the path first (*project is then that one).
bool OpenPictureProject(CProjectManager& manager, const wchar_t* path, CProjectManager::CHold* project, int* added);

// Centres the dialog's frame over its owner, or the work area, once.
UINT_PTR CALLBACK FileDialogHookProc(HWND hookDialog, UINT message, WPARAM wParam, LPARAM lParam);
// A file dialog as the shell shows each: owned by the active window, the
// first filter chosen, centred by the hook, resizable; `flags` adds the rest.
OPENFILENAMEW ShellFileDialog(wchar_t* file, DWORD fileChars, const wchar_t* filter, DWORD flags);

// True only for the live document's reserved name, with case.
bool IsLiveDocumentPath(const wchar_t* path);

// The open dialog, replaceable by tests; GetOpenFileNameW by default.
using OpenDialogFunction = BOOL(WINAPI*)(OPENFILENAMEW* dialog);
void SetOpenDialogFunction(OpenDialogFunction show);

// The raw import: the picture the user made of a sensor dump, or null.
using RawImportFunction = ZEvuvoro::CImage* (*)(const wchar_t* path, HWND owner);
void SetRawImportFunction(RawImportFunction import);
