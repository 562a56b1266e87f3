// Names and formats of the annotated picture that File > Save and
// File > Save As write (CMainFrame::RenderToImage and the two commands).
#pragma once

#include <string>

// The picture goes out as BMP when the text from the path's last "." begins
// with ".bmp" (any case), else as JPEG.
bool IsBmpTarget(const wchar_t* path);
// Save writes back in place only into a ".bmp", ".jpg" or ".jpeg" file.
bool CanSaveInPlace(const wchar_t* path);
// The first of name, name(1), name(2), ... (before a usable ".bmp"/".jpg"
// extension, else followed by the filter's extension) that exists(path) says
// is free; exists defaults to PathFileExistsW.
std::wstring FreeSaveName(const std::wstring& chosen, int filterIndex, bool (*exists)(const wchar_t*));
