#pragma once
// Patchwell.dll: finds, fetches and starts updates of the maker's programs.
// The service address and the cache folder come from the product's registry
// key "Software\Quorvex\Patchwell\{product}" (values "Service" and "Cache");
// without "Service" there is never anything newer and nothing goes to the
// network.
#include <windows.h>

#ifdef PATCHWELL_BUILD
#define PATCHWELL_API __declspec(dllexport)
#else
#define PATCHWELL_API __declspec(dllimport)
#endif

struct PatchwellState;

class PATCHWELL_API CPatchwell {
 public:
  CPatchwell();
  ~CPatchwell();
  CPatchwell(const CPatchwell&) = delete;
  CPatchwell& operator=(const CPatchwell&) = delete;

  void SetProduct(GUID product);
  // Non-zero when a verified package waits in the cache. available gets 1 then,
  // fetchAtOnce the fetch-at-once flag of the newest manifest known. The text
  // buffer carries no size, so nothing is written into it.
  int GetUpdateInfo(wchar_t* text, int& available, int& fetchAtOnce);
  // Fetches the manifest; non-zero when its version is newer than `version`
  // ("major.minor..."). A manifest that does not parse is nothing new.
  int CheckUpdate(const wchar_t* version);
  // Non-zero when the package of the checked manifest (or, before any check,
  // any verified package) is in the cache. The path argument is unused.
  int UpdateDownloaded(const wchar_t* path);
  // Fetches the checked manifest's package and keeps it only when its SHA-256
  // matches. The path argument is unused; asked says whether the user agreed.
  int DownloadUpdate(const wchar_t* path, int asked);

 private:
  PatchwellState* m_pState;
};

// rundll32 entries: the command line is the product GUID in braces. Starts the
// cached installer once its hash is checked again, and does not wait for it.
extern "C" void CALLBACK PWInstallUpdate(HWND window, HINSTANCE instance, LPSTR commandLine, int show);
extern "C" void CALLBACK PWInstallUpdateW(HWND window, HINSTANCE instance, LPWSTR commandLine, int show);

// The registry key of a product's settings.
inline constexpr wchar_t kPatchwellKey[] = L"Software\\Quorvex\\Patchwell\\";
