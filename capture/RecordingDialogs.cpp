#include "capture/RecordingDialogs.h"

#include <commctrl.h>

#include <cwchar>
#include <string>

#include "capture/CaptureShell.h"

namespace {

void CentreOverParent(HWND dialog) {
  HWND parent = GetParent(dialog);
  RECT outer{}, own{};
  if (!parent || !GetWindowRect(parent, &outer)) SystemParametersInfoW(SPI_GETWORKAREA, 0, &outer, 0);
  GetWindowRect(dialog, &own);
  const int w = own.right - own.left, h = own.bottom - own.top;
  SetWindowPos(dialog, nullptr, outer.left + ((outer.right - outer.left) - w) / 2,
               outer.top + ((outer.bottom - outer.top) - h) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetBigIcon(HWND dialog) {
  if (HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PROGRAM)))
    SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
}

void SkinCaption(HWND dialog) {
  std::wstring text;
  if (GetCaptureShell()->LookupText(L"Burnning", text)) SetWindowTextW(dialog, text.c_str());
}

}  // namespace

LRESULT CDlgBurn::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  SkinCaption(m_hWnd);
  m_hPercent = GetDlgItem(IDC_PERCENT);
  m_hProgress = GetDlgItem(IDC_PROGRESS);
  std::wstring label;
  if (GetCaptureShell()->LookupText(L"RecordDuration", label)) {
    wchar_t text[300];
    swprintf(text, 300, L"%ls %d", label.c_str(), static_cast<int>(m_pRecorder->GetDuration() / 1000));
    ::SetDlgItemTextW(m_hWnd, IDC_DURATION, text);
  }
  ::SendMessageW(m_hProgress, PBM_SETRANGE32, 0, 100);
  ::SendMessageW(m_hProgress, PBM_SETPOS, 0, 0);
  SetBigIcon(m_hWnd);
  CentreOverParent(m_hWnd);
  m_pRecorder->m_Observer = this;
  m_nEncodeResult = m_pRecorder->Encode();
  if (!m_nEncodeResult) {
    // Nothing will report back: the dialog would wait for ever.
    m_pRecorder->m_Observer = nullptr;
    EndDialog(IDABORT);
  }
  return TRUE;
}

void CDlgBurn::OnProgress(int percent) {
  swprintf(m_szPercent, 8, L"%d", percent);
  ::SetWindowTextW(m_hPercent, m_szPercent);
  ::SendMessageW(m_hProgress, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}

void CDlgBurn::OnState(int, int state) {
  if (state != VIDMILL_STATE_DONE && state != VIDMILL_STATE_FAILED) return;
  InterlockedExchange(&m_nFinalState, state);
  m_pRecorder->m_Observer = nullptr;
  ::PostMessageW(m_hWnd, kEndMessage, 0, 0);
}

LRESULT CDlgBurn::OnEnd(UINT, WPARAM, LPARAM, BOOL&) {
  EndDialog(1);
  return 0;
}

LRESULT CDlgBurn::OnCancel(WORD, WORD id, HWND, BOOL&) {
  m_pRecorder->m_Observer = nullptr;
  m_pRecorder->Stop();
  // A cancel that crosses the library's own end still cancels.
  m_bCancelled = true;
  EndDialog(id);
  return 0;
}

LRESULT CDlgMoving::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  SkinCaption(m_hWnd);
  m_hProgress = GetDlgItem(IDC_PROGRESS);
  ::SendMessageW(m_hProgress, PBM_SETRANGE32, 0, 100);
  ::SendMessageW(m_hProgress, PBM_SETPOS, 0, 0);
  ::SetDlgItemTextW(m_hWnd, IDC_SOURCE, m_pszSource);
  ::SetDlgItemTextW(m_hWnd, IDC_TARGET, m_pszTarget);
  SetBigIcon(m_hWnd);
  CentreOverParent(m_hWnd);
  if (wcslen(m_pszSource) == wcslen(m_pszTarget) && _wcsicmp(m_pszSource, m_pszTarget) == 0) {
    m_nMoveResult = 1;
    EndDialog(1);
    return TRUE;
  }
  m_nMoveResult = 0;
  m_hThread = CreateThread(nullptr, 0, &Worker, this, 0, nullptr);
  if (!m_hThread) {
    EndDialog(2);
  } else {
    CloseHandle(m_hThread);
    m_hThread = nullptr;
  }
  return TRUE;
}

DWORD WINAPI CDlgMoving::Worker(void* param) {
  auto* self = static_cast<CDlgMoving*>(param);
  const BOOL moved = MoveFileWithProgressW(self->m_pszSource, self->m_pszTarget, &Progress, self,
                                           MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH);
  InterlockedExchange(&self->m_nMoveResult, moved ? 1 : 0);
  ::PostMessageW(self->m_hWnd, kEndMessage, moved ? 1 : 2, 0);
  return 0;
}

DWORD CALLBACK CDlgMoving::Progress(LARGE_INTEGER total, LARGE_INTEGER transferred, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                                    DWORD, HANDLE, HANDLE, void* param) {
  auto* self = static_cast<CDlgMoving*>(param);
  const double fraction =
      total.QuadPart > 0 ? static_cast<double>(transferred.QuadPart) / static_cast<double>(total.QuadPart) : 0.0;
  ::PostMessageW(self->m_hProgress, PBM_SETPOS, static_cast<WPARAM>(fraction * 100), 0);
  return PROGRESS_CONTINUE;
}

LRESULT CDlgMoving::OnEnd(UINT, WPARAM wParam, LPARAM, BOOL&) {
  EndDialog(static_cast<INT_PTR>(wParam));
  return 0;
}
