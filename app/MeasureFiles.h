// Measurement files: the project file, the UTF-16 text report and the
// workbook of the measurement table, and the seams the file commands share
// (file dialogs and message boxes) so that tests can answer them.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <string>

class CDTImage;

// The text report's bytes: byte-order mark, header and one block per
// exported figure, UTF-16LE with CR LF; the numbers always with ".".
std::string BuildMeasureReport(CDTImage* document, const wchar_t* scaleLabel, const wchar_t* powerLabel);
// Writes the report beside the path and moves it into place only when every
// byte was written; false (and no file left behind) otherwise.
bool WriteMeasureReport(CDTImage* document, const wchar_t* path);

// x with the given number of decimals and "." as the point, whatever the
// C runtime's locale says.
std::wstring FormatFixed(double x, int decimals);
// x cut toward zero, limited to the int range (NaN gives 0).
int TruncateToInt(double x);
// The path with the filter's extension appended when its file name has none.
std::wstring WithDefaultExtension(const std::wstring& path, const wchar_t* extension);

// Replaceable in tests: the file dialogs, the message boxes of the file
// commands and the report writer's write call.
using FileDialogFunction = BOOL(WINAPI*)(OPENFILENAMEW* dialog);
void SetOpenFileNameFunction(FileDialogFunction function);
void SetSaveFileNameFunction(FileDialogFunction function);
using FileMessageBoxFunction = int(WINAPI*)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
void SetFileMessageBoxFunction(FileMessageBoxFunction function);
using ReportWriteFunction = BOOL (*)(HANDLE file, const void* data, DWORD size, DWORD* written);
void SetReportWriteFunction(ReportWriteFunction function);

// What the commands call through the seams.
BOOL RunOpenFileDialog(OPENFILENAMEW* dialog);
BOOL RunSaveFileDialog(OPENFILENAMEW* dialog);
int FileMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
// The skin's text of a key; empty when the skin lacks it.
std::wstring SkinText(const wchar_t* key);
// "...'%s' failed.\nPlease check ..." with the path, shown without owner.
void ShowWriteFailure(const wchar_t* what, const wchar_t* path, const wchar_t* place);
