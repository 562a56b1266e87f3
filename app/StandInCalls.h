// Calls of the shell's stand-ins, recorded since the last clear as
// "Class::Operation(arguments)", so that the frame's routing can be checked
// before the real panels, projects and dialogs exist.
#pragma once

#include <string>
#include <vector>

std::vector<std::wstring>& StandInCalls();
void StandInCall(const wchar_t* format, ...);
