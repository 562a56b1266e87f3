#include "app/StartupTimes.h"

#include <cstdio>

namespace {

LONGLONG g_marks[StartupStageCount] = {};
int g_wanted = -1;

const char* const kNames[StartupStageCount] = {"entry",        "skin_done",  "devices_begin", "devices_end",
                                               "canvas_begin", "canvas_end", "painted"};

const wchar_t* kVariable = L"MENSARO_STARTUP_TIMES";

}  // namespace

bool StartupTimesWanted() {
  if (g_wanted < 0) g_wanted = ::GetEnvironmentVariableW(kVariable, nullptr, 0) > 0 ? 1 : 0;
  return g_wanted == 1;
}

void MarkStartup(StartupStage stage) {
  if (!StartupTimesWanted() || g_marks[stage]) return;
  LARGE_INTEGER now;
  ::QueryPerformanceCounter(&now);
  g_marks[stage] = now.QuadPart;
}

bool WriteStartupTimes() {
  wchar_t path[MAX_PATH];
  if (!::GetEnvironmentVariableW(kVariable, path, MAX_PATH)) return false;
  FILE* file = _wfopen(path, L"w");
  if (!file) return false;
  LARGE_INTEGER frequency;
  ::QueryPerformanceFrequency(&frequency);
  std::fprintf(file, "frequency %lld\n", static_cast<long long>(frequency.QuadPart));
  for (int i = 0; i < StartupStageCount; ++i)
    std::fprintf(file, "%s %lld\n", kNames[i], static_cast<long long>(g_marks[i]));
  return std::fclose(file) == 0;
}
