#include "app/StandInCalls.h"

#include <cstdarg>
#include <cwchar>

std::vector<std::wstring>& StandInCalls() {
  static std::vector<std::wstring> calls;
  return calls;
}

void StandInCall(const wchar_t* format, ...) {
  wchar_t text[256];
  va_list args;
  va_start(args, format);
  std::vswprintf(text, 256, format, args);
  va_end(args);
  StandInCalls().emplace_back(text);
}
