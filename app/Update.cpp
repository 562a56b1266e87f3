#include "app/Update.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstdlib>
#include <cwchar>
#include <ctime>
#include <string>
#include <vector>

#include "settings/FileVersionInfo.h"
#include "settings/RegisteredMessages.h"
#include "toolkit/SkinElement.h"
#include "toolkit/SkinUi.h"
#include "vendor/patchwell/Patchwell.h"

namespace {

// Worker waits at most this long when the program closes.
constexpr DWORD kStopWait = 6000;

int SystemMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
  return MessageBoxW(owner, text, caption, type);
}

int CurrentUtcMinute() {
  SYSTEMTIME now{};
  GetSystemTime(&now);
  return now.wMinute;
}

}  // namespace

CUpdate::MessageBoxFn CUpdate::s_pfnMessageBox = SystemMessageBox;
int CUpdate::s_nForceWorker = -1;

const wchar_t* ShellText(const wchar_t* key) {
  const AvlfUiElement* element = GetSkinUi()->FindElement(key, 5);
  if (!element) return key;
  return static_cast<const AvlfUiElementText*>(element)->GetText();
}

CUpdate::CUpdate() = default;

CUpdate::~CUpdate() {
  HANDLE worker = m_hWorker.exchange(nullptr);
  if (worker) CloseHandle(worker);
}

CUpdate* GetUpdateObject() {
  static CUpdate update;
  return &update;
}

bool CUpdate::WorkerDue(unsigned minute) {
  srand(minute);
  return rand() % 5 == 0;
}

void CUpdate::ReadVersion() {
  wcscpy(m_szVersion, L"0.0");
  wchar_t name[260] = {};
  if (!GetModuleFileNameW(nullptr, name, 259)) return;
  CFileVersionInfo info;
  if (!info.Create(GetModuleHandleW(nullptr))) return;
  const DWORD high = info.GetFixedInfo().dwProductVersionMS;
  swprintf(m_szVersion, 32, L"%d.%d", int(HIWORD(high)), int(LOWORD(high)));
}

bool CUpdate::Start(HWND frame) {
  m_hFrame = frame;
  m_bClosing = false;
  ReadVersion();
  int waiting = 0;
  {
    CPatchwell library;
    library.SetProduct(kProductGuid);
    wchar_t text[260] = {};
    int available = 0, fetchAtOnce = 0;
    waiting = library.GetUpdateInfo(text, available, fetchAtOnce);
  }
  if (waiting) return OfferInstallation();

  const bool due = s_nForceWorker < 0 ? WorkerDue(unsigned(CurrentUtcMinute())) : s_nForceWorker > 0;
  if (due && !m_hWorker.load()) {
    HANDLE worker = CreateThread(nullptr, 0, WorkerProc, this, 0, nullptr);
    m_hWorker = worker;
  }
  return true;
}

bool CUpdate::OfferInstallation() {
  if (s_pfnMessageBox(m_hFrame, ShellText(L"updateAvaiable"), ShellText(L"Prompt"), MB_YESNO | MB_ICONINFORMATION) !=
      IDYES)
    return true;

  std::vector<wchar_t> module(1025, L'\0');
  GetModuleFileNameW(nullptr, module.data(), 1024);
  std::wstring folder = module.data();
  const size_t slash = folder.find_last_of(L"\\/");
  folder.resize(slash == std::wstring::npos ? 0 : slash);

  wchar_t system[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, CSIDL_SYSTEM, nullptr, 0, system);
  const std::wstring application = std::wstring(system) + L"\\rundll32.exe";
  std::wstring line = std::wstring(L" Patchwell.dll PWInstallUpdate ") + kProductGuidText;
  std::vector<wchar_t> commandLine(line.begin(), line.end());
  commandLine.push_back(0);

  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                     folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  if (m_hFrame) SendMessageW(m_hFrame, WM_CLOSE, 0, 0);
  return false;
}

DWORD WINAPI CUpdate::WorkerProc(void* parameter) { return static_cast<CUpdate*>(parameter)->RunWorker(); }

DWORD CUpdate::RunWorker() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  CPatchwell library;
  library.SetProduct(kProductGuid);
  if (!library.CheckUpdate(m_szVersion)) return 0;
  wchar_t text[100] = {};
  int available = 0, fetchAtOnce = 0;
  library.GetUpdateInfo(text, available, fetchAtOnce);
  if (fetchAtOnce) {
    if (!library.UpdateDownloaded(nullptr)) library.DownloadUpdate(nullptr, 0);
  } else if (!library.UpdateDownloaded(nullptr)) {
    // A closing frame is not asked; it would answer no anyway.
    if (!m_bClosing.load() && SendMessageW(m_hFrame, WM_UPDATE_AVAILABLE, 0, 0)) library.DownloadUpdate(nullptr, 1);
  }
  return 0;
}

LRESULT CUpdate::AskDownload(HWND frame) {
  if (m_bClosing.load()) return 0;
  return s_pfnMessageBox(frame, ShellText(L"newVersionAvaiable"), ShellText(L"Prompt"),
                         MB_YESNO | MB_ICONINFORMATION) == IDYES
             ? 1
             : 0;
}

void CUpdate::Stop() {
  m_bClosing = true;
  HANDLE worker = m_hWorker.exchange(nullptr);
  if (!worker) return;
  // A worker asking its question sends to this thread: answer it (no, since
  // closing) instead of letting it run into the limit.
  const ULONGLONG start = GetTickCount64();
  bool ended = false;
  for (;;) {
    const ULONGLONG elapsed = GetTickCount64() - start;
    if (elapsed >= kStopWait) break;
    const DWORD result =
        MsgWaitForMultipleObjectsEx(1, &worker, DWORD(kStopWait - elapsed), QS_SENDMESSAGE, MWMO_INPUTAVAILABLE);
    if (result == WAIT_OBJECT_0) {
      ended = true;
      break;
    }
    if (result != WAIT_OBJECT_0 + 1) break;
    MSG msg;
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  if (!ended) TerminateThread(worker, 0);
  CloseHandle(worker);
}
