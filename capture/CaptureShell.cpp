#include "capture/CaptureShell.h"

#include <commdlg.h>
#include <shlobj.h>

#include <atomic>
#include <vector>

namespace {

CCaptureShell g_DefaultShell;
std::atomic<CCaptureShell*> g_pShell{&g_DefaultShell};

UINT_PTR CALLBACK CentreHook(HWND hDlg, UINT msg, WPARAM, LPARAM) {
  if (msg != WM_INITDIALOG) return 0;
  // The hook's dialog is a child of the real dialog window.
  HWND dialog = GetParent(hDlg);
  HWND owner = GetWindow(dialog, GW_OWNER);
  RECT outer{}, own{};
  if (owner && GetWindowRect(owner, &outer) && GetWindowRect(dialog, &own)) {
    const int w = own.right - own.left, h = own.bottom - own.top;
    SetWindowPos(dialog, nullptr, outer.left + ((outer.right - outer.left) - w) / 2,
                 outer.top + ((outer.bottom - outer.top) - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  return 0;
}

}  // namespace

CCaptureShell* GetCaptureShell() { return g_pShell.load(); }

CCaptureShell* SetCaptureShell(CCaptureShell* shell) { return g_pShell.exchange(shell ? shell : &g_DefaultShell); }

void CCaptureShell::SaveCameraSnapshot(COrvelCamera*, const void*) {}
void CCaptureShell::SaveStillSnapshot(COrvelCamera*, int, int, const void*) {}
int CCaptureShell::OpenFile(const wchar_t*) { return 0; }
void CCaptureShell::ShowFrameRate(float) {}
bool CCaptureShell::GetLiveDocument(LiveDocumentView*) { return false; }
void CCaptureShell::ShowInfoLine(int) {}
void CCaptureShell::HideInfoLine(int) {}
int CCaptureShell::ImageStripCount() { return 0; }
void CCaptureShell::SelectImageStripItem(int) {}
bool CCaptureShell::LookupText(const wchar_t*, std::wstring&) { return false; }

bool CCaptureShell::AskRecordingFileName(std::wstring& path) {
  std::vector<wchar_t> buffer(MAX_PATH, L'\0');
  path.copy(buffer.data(), MAX_PATH - 1);
  static const wchar_t kFilter[] = L"avi Files (*.avi)\0*.avi;\0";
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = GetActiveWindow();
  ofn.lpstrFilter = kFilter;
  ofn.lpstrFile = buffer.data();
  ofn.nMaxFile = MAX_PATH;
  ofn.Flags = OFN_OVERWRITEPROMPT | OFN_ENABLESIZING | OFN_EXPLORER | OFN_ENABLEHOOK;
  ofn.lpfnHook = CentreHook;
  if (!GetSaveFileNameW(&ofn)) return false;
  path = buffer.data();
  return true;
}

void CCaptureShell::ShowInFolder(const wchar_t* path) {
  if (!path || !*path) return;
  PIDLIST_ABSOLUTE item = nullptr;
  if (SUCCEEDED(SHParseDisplayName(path, nullptr, &item, 0, nullptr)) && item) {
    SHOpenFolderAndSelectItems(item, 0, nullptr, 0);
    ILFree(item);
  }
}
