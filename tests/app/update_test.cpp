// The update check against a real service: update_server.py, started here on
// 127.0.0.1, serves the manifest and the package (a small installer program).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Update.h"
#include "settings/RegisteredMessages.h"
#include "vendor/patchwell/Patchwell.h"

namespace {

std::wstring CurrentFolder() {
  wchar_t folder[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, folder);
  return folder;
}

// The Unix path of a folder on Wine's Z: drive.
std::wstring UnixPath(const std::wstring& path) {
  std::wstring unix =
      path.size() > 2 && (path[0] == L'Z' || path[0] == L'z') && path[1] == L':' ? path.substr(2) : path;
  for (wchar_t& c : unix)
    if (c == L'\\') c = L'/';
  return unix;
}

std::string ReadText(const std::wstring& path) {
  std::string text;
  FILE* in = _wfopen(path.c_str(), L"rb");
  if (!in) return text;
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof(buffer), in)) > 0) text.append(buffer, got);
  fclose(in);
  return text;
}

void WriteText(const std::wstring& path, const std::string& text) {
  FILE* out = _wfopen(path.c_str(), L"wb");
  if (!out) return;
  fwrite(text.data(), 1, text.size(), out);
  fclose(out);
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void RemoveFiles(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((folder + L"\\" + found.cFileName).c_str());
  } while (FindNextFileW(find, &found));
  FindClose(find);
}

// Dispatches messages until the handle is signalled or the time is up.
bool PumpUntil(HANDLE handle, DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  for (;;) {
    const ULONGLONG now = GetTickCount64();
    if (now >= end) return false;
    const DWORD result = MsgWaitForMultipleObjects(1, &handle, FALSE, DWORD(end - now), QS_ALLINPUT);
    if (result == WAIT_OBJECT_0) return true;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
}

// The questions asked and the answer given to each; the texts are the
// skin's for their keys (the keys themselves where no skin is loaded).
std::vector<std::wstring> g_Questions;
int g_nAnswer = IDNO;
int RecordQuestion(HWND, const wchar_t* text, const wchar_t* caption, UINT type) {
  EXPECT_STREQ(caption, ShellText(L"Prompt"));
  EXPECT_EQ(type, UINT(MB_YESNO | MB_ICONINFORMATION));
  g_Questions.push_back(text);
  return g_nAnswer;
}

CUpdate* g_pUpdate = nullptr;
int g_nCloses = 0;
LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_UPDATE_AVAILABLE && g_pUpdate) return g_pUpdate->AskDownload(window);
  if (message == WM_CLOSE) {
    ++g_nCloses;
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

class UpdateServiceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    work = CurrentFolder();
    server = work + L"\\server";
    cache = work + L"\\cache";
    CreateDirectoryW(server.c_str(), nullptr);
    CreateDirectoryW(cache.c_str(), nullptr);
    RemoveFiles(server);
    ASSERT_TRUE(CopyFileW(L"..\\patchwell_installer.exe", (server + L"\\package.exe").c_str(), FALSE));
    const char* source = getenv("MEASURE_SOURCE_DIR");
    ASSERT_NE(source, nullptr);
    std::wstring script = UnixPath(std::wstring(source, source + strlen(source))) + L"/tests/app/update_server.py";
    std::wstring line = L"/usr/bin/python3 " + script + L" " + UnixPath(server) + L" 170";
    std::vector<wchar_t> commandLine(line.begin(), line.end());
    commandLine.push_back(0);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    // Wine starts a Unix program like a Windows one.
    ASSERT_TRUE(CreateProcessW(L"/usr/bin/python3", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int i = 0; i < 100 && !Exists(server + L"\\port.txt"); ++i) Sleep(100);
    port = ReadText(server + L"\\port.txt");
    ASSERT_FALSE(port.empty());

    const std::wstring key = std::wstring(kPatchwellKey) + kProductGuidText;
    HKEY hKey = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &hKey, nullptr),
              ERROR_SUCCESS);
    const std::wstring service = L"http://127.0.0.1:" + std::wstring(port.begin(), port.end()) + L"/manifest";
    RegSetValueExW(hKey, L"Service", 0, REG_SZ, reinterpret_cast<const BYTE*>(service.c_str()),
                   DWORD((service.size() + 1) * sizeof(wchar_t)));
    RegSetValueExW(hKey, L"Cache", 0, REG_SZ, reinterpret_cast<const BYTE*>(cache.c_str()),
                   DWORD((cache.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(hKey);

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = FrameProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"UpdateTestFrame";
    RegisterClassW(&windowClass);
  }
  static void TearDownTestSuite() {
    WriteText(server + L"\\quit", "");
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Quorvex\\Patchwell");
  }
  void SetUp() override {
    RemoveFiles(cache);
    WriteText(server + L"\\requests.log", "");
    g_Questions.clear();
    g_nCloses = 0;
    CUpdate::s_pfnMessageBox = RecordQuestion;
    CUpdate::s_nForceWorker = 1;
    frame = CreateWindowW(L"UpdateTestFrame", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  }
  void TearDown() override {
    CUpdate::s_nForceWorker = -1;
    g_pUpdate = nullptr;
    DestroyWindow(frame);
  }
  static void Serve(const std::string& version, int fetch, const char* extra = "") {
    WriteText(server + L"\\config.json", "{\"version\": \"" + version + "\", \"fetch\": " + std::to_string(fetch) +
                                             ", \"hash\": \"good\"" + extra + "}");
  }
  static std::string Requests() {
    std::string text = ReadText(server + L"\\requests.log");
    for (char& c : text)
      if (c == '\n') c = ' ';
    return text;
  }
  // A verified package in the cache, as an earlier run's download leaves it.
  static void CachePackage() {
    CPatchwell library;
    library.SetProduct(kProductGuid);
    ASSERT_EQ(library.CheckUpdate(L"0.0"), 1);
    ASSERT_EQ(library.DownloadUpdate(nullptr, 1), 1);
    WriteText(server + L"\\requests.log", "");
  }
  static bool Cached() {
    CPatchwell library;
    library.SetProduct(kProductGuid);
    return library.UpdateDownloaded(nullptr) != 0;
  }

  static inline std::wstring work, server, cache;
  static inline std::string port;
  HWND frame = nullptr;
};

TEST_F(UpdateServiceTest, StartAndWorkerFollowTheServiceAndTheAnswers) {
  struct Row {
    bool cached;
    const char* version;
    int fetch;
    int answer;
    bool result;
    const wchar_t* question;
    const char* requests;
    bool cachedAfter;
  };
  const Row rows[] = {
      // A downloaded update declined: the program starts and asks no more this time.
      {true, "3.3", 0, IDNO, true, L"updateAvaiable", "", true},
      // Nothing newer: only the manifest is read.
      {false, "0.0", 0, IDYES, true, nullptr, "/manifest ", false},
      // Fetch at once: no question.
      {false, "3.3", 1, IDNO, true, nullptr, "/manifest /package.exe ", true},
      // Asked, and the user agrees or declines.
      {false, "3.3", 0, IDYES, true, L"newVersionAvaiable", "/manifest /package.exe ", true},
      {false, "3.3", 0, IDNO, true, L"newVersionAvaiable", "/manifest ", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "cached " << row.cached << " version " << row.version << " fetch " << row.fetch
                                    << " answer " << (row.answer == IDYES ? "yes" : "no"));
    RemoveFiles(cache);
    Serve(row.version, row.fetch);
    if (row.cached) CachePackage();
    WriteText(server + L"\\requests.log", "");
    g_Questions.clear();
    g_nAnswer = row.answer;
    CUpdate update;
    g_pUpdate = &update;
    EXPECT_EQ(update.Start(frame), row.result);
    if (HANDLE worker = update.GetWorker()) {
      EXPECT_TRUE(PumpUntil(worker, 15000));
    }
    EXPECT_EQ(row.cached, update.GetWorker() == nullptr);
    update.Stop();
    const std::vector<std::wstring> questions =
        row.question ? std::vector<std::wstring>{ShellText(row.question)} : std::vector<std::wstring>{};
    EXPECT_EQ(g_Questions, questions);
    EXPECT_EQ(Requests(), row.requests);
    EXPECT_EQ(Cached(), row.cachedAfter);
    EXPECT_EQ(g_nCloses, 0);
  }
}

// Accepting a downloaded update runs rundll32 with the library's entry: the
// served installer starts in the cache folder with the product GUID.
TEST_F(UpdateServiceTest, AcceptedUpdateStartsTheInstallerAndClosesTheFrame) {
  Serve("3.3", 0);
  CachePackage();
  DeleteFileW((cache + L"\\installed.txt").c_str());
  g_nAnswer = IDYES;
  CUpdate update;
  g_pUpdate = &update;
  EXPECT_FALSE(update.Start(frame));
  EXPECT_EQ(g_Questions, std::vector<std::wstring>{ShellText(L"updateAvaiable")});
  EXPECT_EQ(g_nCloses, 1);
  EXPECT_EQ(update.GetWorker(), nullptr);
  // rundll32 and the installer are two process starts: slow on a busy machine.
  for (int i = 0; i < 600 && !Exists(cache + L"\\installed.txt"); ++i) Sleep(100);
  const std::string marker = ReadText(cache + L"\\installed.txt");
  EXPECT_NE(marker.find("installer.exe"), std::string::npos) << marker;
  EXPECT_NE(marker.find("{6B1E4D52-93A7-4F0C-8E21-5D7C3A9F0B64}"), std::string::npos) << marker;
  EXPECT_FALSE(Cached());  // the installed package waits no more
  EXPECT_EQ(Requests(), "");
}

TEST_F(UpdateServiceTest, BadManifestsAndPackagesAreNothingNew) {
  struct Row {
    const char* name;
    const char* config;
    int check;
    const char* requests;
  };
  const Row rows[] = {
      {"no manifest", "{\"version\": \"\"}", 0, "/manifest "},
      {"not a manifest", "{\"version\": \"3.3\", \"garbage\": true}", 0, "/manifest "},
      {"bad version", "{\"version\": \"3.x\", \"fetch\": 0, \"hash\": \"good\"}", 0, "/manifest "},
      {"older", "{\"version\": \"0.0.0.1\", \"fetch\": 0, \"hash\": \"good\"}", 1, "/manifest /package.exe "},
      {"package hash differs", "{\"version\": \"3.3\", \"fetch\": 0, \"hash\": \"bad\"}", 1, "/manifest /package.exe "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    RemoveFiles(cache);
    WriteText(server + L"\\config.json", row.config);
    WriteText(server + L"\\requests.log", "");
    CPatchwell library;
    library.SetProduct(kProductGuid);
    EXPECT_EQ(library.CheckUpdate(L"0.0"), row.check);
    const int downloaded = library.DownloadUpdate(nullptr, 1);
    EXPECT_EQ(downloaded, std::string(row.name) == "older" ? 1 : 0);
    EXPECT_EQ(Requests(), row.requests);
    // GetUpdateInfo sets both numbers and leaves the unsized buffer alone.
    wchar_t text[8] = {L'x', L'x', L'x', L'x', L'x', L'x', L'x', 0};
    int available = -7, fetch = -7;
    EXPECT_EQ(library.GetUpdateInfo(text, available, fetch), downloaded);
    EXPECT_EQ(available, downloaded);
    EXPECT_EQ(fetch, 0);
    EXPECT_STREQ(text, L"xxxxxxx");
    EXPECT_FALSE(Exists(cache + L"\\package.exe.part"));
  }
}

// A worker that asks its question while the frame closes gets "no" at once
// and ends by itself, long before the limit.
TEST_F(UpdateServiceTest, ClosingAnswersTheWorkersQuestionWithNo) {
  Serve("3.3", 0, ", \"delay\": 1.0");
  g_nAnswer = IDYES;
  CUpdate update;
  g_pUpdate = &update;
  ASSERT_TRUE(update.Start(frame));
  ASSERT_NE(update.GetWorker(), nullptr);
  Sleep(200);  // the worker waits for the manifest
  const ULONGLONG start = GetTickCount64();
  update.Stop();
  const ULONGLONG took = GetTickCount64() - start;
  EXPECT_LT(took, 4000u);
  EXPECT_EQ(update.GetWorker(), nullptr);
  EXPECT_TRUE(g_Questions.empty());
  EXPECT_EQ(Requests(), "/manifest ");
  EXPECT_FALSE(Cached());
}

// A service that never answers holds the closing frame up 6.5 s at most.
TEST_F(UpdateServiceTest, SilentServiceDelaysClosingAtMostSixAndAHalfSeconds) {
  Serve("3.3", 0, ", \"silent\": true");
  CUpdate update;
  g_pUpdate = &update;
  ASSERT_TRUE(update.Start(frame));
  Sleep(300);
  const ULONGLONG start = GetTickCount64();
  update.Stop();
  const ULONGLONG took = GetTickCount64() - start;
  EXPECT_LE(took, 6500u);
  EXPECT_EQ(update.GetWorker(), nullptr);
  EXPECT_TRUE(g_Questions.empty());
}

// Without a service address the library has nothing newer and asks nobody.
TEST(UpdateLibrary, NoServiceMeansNothingNew) {
  GUID other = kProductGuid;
  other.Data1 ^= 0xffff;
  CPatchwell library;
  library.SetProduct(other);
  EXPECT_EQ(library.CheckUpdate(L"0.0"), 0);
  EXPECT_EQ(library.UpdateDownloaded(nullptr), 0);
  EXPECT_EQ(library.DownloadUpdate(nullptr, 1), 0);
  int available = 5, fetch = 5;
  EXPECT_EQ(library.GetUpdateInfo(nullptr, available, fetch), 0);
  EXPECT_EQ(available, 0);
  EXPECT_EQ(fetch, 0);
}

// The decision for each minute goes to update_check.py, which models the C
// runtime's generator.
TEST(UpdateWorker, DecisionPerMinuteIsTheRuntimesGenerator) {
  FILE* out = fopen("worker_minutes.txt", "w");
  ASSERT_NE(out, nullptr);
  for (unsigned minute = 0; minute < 60; ++minute) {
    const bool due = CUpdate::WorkerDue(minute);
    EXPECT_EQ(CUpdate::WorkerDue(minute), due);  // the same minute decides the same
    fprintf(out, "%u %d\n", minute, due ? 1 : 0);
  }
  fclose(out);
}

}  // namespace
