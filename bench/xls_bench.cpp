// Writes a workbook of 65,536 rows by 8 text cells: wall time and peak memory.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <memory>

#include "spreadsheet/XlsWorkbook.h"

namespace {

double Seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const wchar_t* path = argc > 1 ? argv[1] : L"xls_bench.xls";
  constexpr int kRows = 65536, kColumns = 8;
  LARGE_INTEGER start, filled, built, saved, destroyed;
  size_t streamBytes = 0;
  QueryPerformanceCounter(&start);
  auto owned = std::make_unique<YExcel::XlsWorkbook>();
  {
    YExcel::XlsWorkbook& workbook = *owned;
    workbook.Create(1);
    YExcel::XlsSheet* sheet = workbook.SheetAt(0);
    wchar_t text[32];
    for (int r = 0; r < kRows; ++r)
      for (int c = 0; c < kColumns; ++c) {
        swprintf(text, 32, L"R%d C%d", r, c);
        sheet->CellAt(r, c)->SetWideText(text);
      }
    QueryPerformanceCounter(&filled);
    // The steps of SaveToFile, timed apart: the BIFF8 stream, then the compound file.
    const YExcel::Bytes stream = workbook.BuildStream();
    streamBytes = stream.size();
    QueryPerformanceCounter(&built);
    YExcel::XlsStorage& storage = workbook.Storage();
    if (!storage.Create(path) || storage.CreateStream() != YExcel::XlsStorage::kSuccess ||
        storage.WriteStream(stream.data(), static_cast<uint32_t>(stream.size())) != YExcel::XlsStorage::kSuccess) {
      std::fwprintf(stderr, L"xls_bench: cannot write %ls\n", path);
      return 1;
    }
    storage.Close();
  }
  QueryPerformanceCounter(&saved);
  owned.reset();
  QueryPerformanceCounter(&destroyed);

  PROCESS_MEMORY_COUNTERS memory = {};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
  std::printf("cells: %d count\n", kRows * kColumns);
  std::printf("fill_time: %.3f s\n", Seconds(start, filled));
  std::printf("stream_size: %.1f MiB\n", streamBytes / 1048576.0);
  std::printf("build_time: %.3f s\n", Seconds(filled, built));
  std::printf("store_time: %.3f s\n", Seconds(built, saved));
  std::printf("write_time: %.3f s\n", Seconds(start, saved));
  std::printf("destroy_time: %.3f s\n", Seconds(saved, destroyed));
  std::printf("peak_working_set: %.1f MiB\n", memory.PeakWorkingSetSize / 1048576.0);
  std::printf("peak_commit: %.1f MiB\n", memory.PeakPagefileUsage / 1048576.0);
  return 0;
}
