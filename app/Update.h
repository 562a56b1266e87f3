#pragma once
// The update check: at start, offers a downloaded update for installation;
// otherwise, at about one start in five, a worker asks the update library for
// a newer version and downloads it (asking the frame first unless the library
// says to fetch it at once).
#include <windows.h>

#include <atomic>

// The program's product identifier, as the update library knows it.
inline constexpr GUID kProductGuid = {0x6b1e4d52, 0x93a7, 0x4f0c, {0x8e, 0x21, 0x5d, 0x7c, 0x3a, 0x9f, 0x0b, 0x64}};
inline constexpr wchar_t kProductGuidText[] = L"{6B1E4D52-93A7-4F0C-8E21-5D7C3A9F0B64}";

class CUpdate {
 public:
  CUpdate();
  virtual ~CUpdate();
  CUpdate(const CUpdate&) = delete;
  CUpdate& operator=(const CUpdate&) = delete;

  // False only when the user chose to install and the installer started; the
  // frame has then been sent WM_CLOSE.
  bool Start(HWND frame);
  // Ends the worker: waits at most 6 s, answering sent messages meanwhile
  // (the frame's question gets "no" while closing), then terminates it.
  void Stop();
  // The frame's answer to WM_UPDATE_AVAILABLE: 1 when the user wants the download.
  LRESULT AskDownload(HWND frame);

  bool IsClosing() const { return m_bClosing.load(); }
  const wchar_t* GetVersion() const { return m_szVersion; }
  HANDLE GetWorker() const { return m_hWorker.load(); }

  // Whether a start in this UTC minute runs the worker: the C runtime's
  // generator seeded with the minute, one number, divisible by 5.
  static bool WorkerDue(unsigned minute);

  // Seams for tests.
  using MessageBoxFn = int (*)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
  static MessageBoxFn s_pfnMessageBox;
  // -1 lets the minute decide, 0 never starts the worker, 1 always does.
  static int s_nForceWorker;

 private:
  static DWORD WINAPI WorkerProc(void* parameter);
  DWORD RunWorker();
  bool OfferInstallation();
  void ReadVersion();

  std::atomic<HANDLE> m_hWorker{nullptr};
  HWND m_hFrame = nullptr;
  wchar_t m_szVersion[32] = L"0.0";
  std::atomic<bool> m_bClosing{false};
};

// The process's update object, created on first use from any thread.
CUpdate* GetUpdateObject();

// The skin's text of a key; the key itself when the skin lacks it.
const wchar_t* ShellText(const wchar_t* key);
