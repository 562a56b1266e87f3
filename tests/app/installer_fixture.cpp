// The installer a test serves as an update package: leaves a marker with its
// command line in its current folder, so a test sees that it ran and how.
#include <windows.h>

#include <cstdio>

int wmain() {
  FILE* out = _wfopen(L"installed.txt", L"w, ccs=UTF-8");
  if (!out) return 1;
  fputws(GetCommandLineW(), out);
  fclose(out);
  return 0;
}
