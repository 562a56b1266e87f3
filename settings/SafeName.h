#pragma once

#include <string>

// A device's name made fit to be one registry key name: a backslash would
// split it into nested keys, control characters make keys no tool can show.
std::wstring MakeSafeKeyName(const wchar_t* name);

// A device's name made fit to be part of a file name: the characters that a
// file name cannot hold, and control characters, become '_'; trailing dots and
// blanks, which the file system drops, go too.
std::wstring MakeSafeFileName(const wchar_t* name);
