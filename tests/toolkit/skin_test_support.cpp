#include "tests/toolkit/skin_test_support.h"

// clang-format off
#include <objbase.h>
#include <gdiplus.h>
// clang-format on

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace skin_test {

std::vector<std::vector<std::string>> ReadTable(const std::string& path) {
  std::vector<std::vector<std::string>> rows;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    std::vector<std::string> cells;
    size_t start = 0;
    for (;;) {
      const size_t tab = line.find('\t', start);
      cells.push_back(line.substr(start, tab == std::string::npos ? std::string::npos : tab - start));
      if (tab == std::string::npos) break;
      start = tab + 1;
    }
    rows.push_back(std::move(cells));
  }
  return rows;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string ReadStream(IStream* stream) {
  std::string bytes;
  if (!stream) return bytes;
  LARGE_INTEGER zero{};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  char buffer[65536];
  for (;;) {
    ULONG got = 0;
    const HRESULT hr = stream->Read(buffer, sizeof buffer, &got);
    bytes.append(buffer, got);
    if (FAILED(hr) || got == 0) break;
  }
  return bytes;
}

std::wstring Widen(const std::string& text) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
  return out;
}

std::wstring FullPath(const std::wstring& relative) {
  wchar_t buffer[MAX_PATH * 2];
  const DWORD n = GetFullPathNameW(relative.c_str(), MAX_PATH * 2, buffer, nullptr);
  return n ? std::wstring(buffer, n) : relative;
}

namespace {

// GDI+ for the whole run: the skin manager's font collection and the text
// layout need it.
class GdiplusEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    Gdiplus::GdiplusStartupInput input;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&m_token, &input, nullptr), Gdiplus::Ok);
  }
  void TearDown() override {
    Gdiplus::GdiplusShutdown(m_token);
    CoUninitialize();
  }

 private:
  ULONG_PTR m_token = 0;
};

[[maybe_unused]] ::testing::Environment* const g_gdiplus = ::testing::AddGlobalTestEnvironment(new GdiplusEnvironment);

}  // namespace

}  // namespace skin_test
