// Start-up: from process creation to the main window painted, warm, median of
// 10, for the program and for a bare window started the same way, with the
// program's time split by stage (process load, skin, windows, canvas, devices).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {

struct Run {
  double total = 0;
  std::map<std::string, double> stages;
};

std::wstring Folder() {
  wchar_t path[MAX_PATH];
  ::GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.rfind(L'\\'));
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Starts the program, waits for it to report and end; false on failure.
bool StartOnce(const std::wstring& program, const std::wstring& report, Run* run) {
  ::DeleteFileW(report.c_str());
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::wstring command = L"\"" + program + L"\"";
  LARGE_INTEGER start;
  ::QueryPerformanceCounter(&start);
  if (!::CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return false;
  const DWORD waited = ::WaitForSingleObject(pi.hProcess, 60000);
  if (waited != WAIT_OBJECT_0) ::TerminateProcess(pi.hProcess, 3);
  ::CloseHandle(pi.hThread);
  ::CloseHandle(pi.hProcess);
  if (waited != WAIT_OBJECT_0) return false;
  FILE* file = _wfopen(report.c_str(), L"r");
  if (!file) return false;
  std::map<std::string, long long> marks;
  char name[64];
  long long value = 0;
  while (std::fscanf(file, "%63s %lld", name, &value) == 2) marks[name] = value;
  std::fclose(file);
  const double ms = 1000.0 / static_cast<double>(marks["frequency"]);
  auto at = [&](const char* mark) { return static_cast<double>(marks[mark] - start.QuadPart) * ms; };
  auto span = [&](const char* a, const char* b) { return marks[a] && marks[b] ? (marks[b] - marks[a]) * ms : 0.0; };
  if (!marks["painted"]) return false;
  run->total = at("painted");
  run->stages["process"] = at("entry");
  run->stages["skin"] = span("entry", "skin_done");
  run->stages["devices"] = span("devices_begin", "devices_end");
  run->stages["canvas"] = span("canvas_begin", "canvas_end");
  run->stages["windows"] =
      marks["skin_done"] ? span("skin_done", "painted") - run->stages["devices"] - run->stages["canvas"] : 0.0;
  return true;
}

bool Measure(const std::wstring& program, const std::wstring& report, std::vector<Run>* runs) {
  Run warm;
  if (!StartOnce(program, report, &warm)) return false;
  for (int i = 0; i < 10; ++i) {
    Run run;
    if (!StartOnce(program, report, &run)) return false;
    runs->push_back(run);
  }
  return true;
}

}  // namespace

int main() {
  const std::wstring folder = Folder();
  wchar_t temp[MAX_PATH];
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring report = std::wstring(temp) + L"startup_times.txt";
  ::SetEnvironmentVariableW(L"MENSARO_STARTUP_TIMES", report.c_str());
  std::vector<Run> program, peer;
  if (!Measure(folder + L"\\..\\app\\Mensaro.exe", report, &program)) {
    std::fprintf(stderr, "startup_bench: the program did not start and report\n");
    return 1;
  }
  if (!Measure(folder + L"\\startup_peer.exe", report, &peer)) {
    std::fprintf(stderr, "startup_bench: the bare window did not start and report\n");
    return 1;
  }
  std::vector<double> totals, peerTotals;
  for (const Run& run : program) totals.push_back(run.total);
  for (const Run& run : peer) peerTotals.push_back(run.total);
  const double median = Median(totals), peerMedian = Median(peerTotals);
  std::printf("startup_program: %.1f ms\n", median);
  std::printf("startup_bare_window: %.1f ms\n", peerMedian);
  std::printf("startup_program_vs_bare_window: %.2f x\n", median / peerMedian);
  for (const char* stage : {"process", "skin", "windows", "canvas", "devices"}) {
    std::vector<double> values;
    for (const Run& run : program) values.push_back(run.stages.at(stage));
    std::printf("startup_stage_%s: %.1f ms\n", stage, Median(values));
  }
  return 0;
}
