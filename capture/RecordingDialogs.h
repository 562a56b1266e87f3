#pragma once
// The two dialogs that finish a recording after capture stopped: encoding a
// buffered recording into the chosen file, and moving a direct recording there.
#include <windows.h>

#include "vendor/vidmill/Vidmill.h"
#include "win32/Dialog.h"

inline constexpr int IDD_BURN = 201;
inline constexpr int IDD_MOVING = 208;
inline constexpr int IDC_PROGRESS = 1003;
inline constexpr int IDC_PERCENT = 1004;
inline constexpr int IDC_DURATION = 1005;
inline constexpr int IDC_SOURCE = 1015;
inline constexpr int IDC_TARGET = 1016;
inline constexpr int IDI_PROGRAM = 128;

class CDlgBurn : public win32::CDialogImpl<CDlgBurn>, public CVidmillObserver {
 public:
  enum { IDD = IDD_BURN };
  explicit CDlgBurn(CVidmill* recorder) : m_pRecorder(recorder) {}

  // Non-zero when the library started the encoding.
  int GetEncodeResult() const { return m_nEncodeResult; }
  // The encoding finished and wrote the file: the library reported done and
  // the user did not cancel.
  bool IsDone() const { return m_nEncodeResult != 0 && m_nFinalState == VIDMILL_STATE_DONE && !m_bCancelled; }

  void OnState(int reserved, int state) override;
  void OnProgress(int percent) override;

  BEGIN_MSG_MAP(CDlgBurn)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  MESSAGE_HANDLER(kEndMessage, OnEnd)
  COMMAND_ID_HANDLER(IDOK, OnCancel)
  COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
  END_MSG_MAP()

 private:
  // The library's thread asks the dialog's own thread to end it.
  static constexpr UINT kEndMessage = WM_APP + 20;
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnEnd(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnCancel(WORD, WORD id, HWND, BOOL&);

  int m_nEncodeResult = 0;
  HWND m_hPercent = nullptr;
  HWND m_hProgress = nullptr;
  wchar_t m_szPercent[8] = {};
  CVidmill* m_pRecorder = nullptr;
  volatile LONG m_nFinalState = -1;
  bool m_bCancelled = false;
};

class CDlgMoving : public win32::CDialogImpl<CDlgMoving> {
 public:
  enum { IDD = IDD_MOVING };
  CDlgMoving(const wchar_t* source, const wchar_t* target) : m_pszSource(source), m_pszTarget(target) {}

  int GetMoveResult() const { return m_nMoveResult; }

  BEGIN_MSG_MAP(CDlgMoving)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  MESSAGE_HANDLER(kEndMessage, OnEnd)
  COMMAND_ID_HANDLER(IDOK, OnSwallow)
  COMMAND_ID_HANDLER(IDCANCEL, OnSwallow)
  END_MSG_MAP()

 private:
  static constexpr UINT kEndMessage = WM_APP + 21;
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnEnd(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnSwallow(WORD, WORD, HWND, BOOL&) { return 0; }
  static DWORD WINAPI Worker(void* self);
  static DWORD CALLBACK Progress(LARGE_INTEGER total, LARGE_INTEGER transferred, LARGE_INTEGER, LARGE_INTEGER, DWORD,
                                 DWORD, HANDLE, HANDLE, void* self);

  HWND m_hProgress = nullptr;
  const wchar_t* m_pszSource = nullptr;
  const wchar_t* m_pszTarget = nullptr;
  HANDLE m_hThread = nullptr;
  volatile LONG m_nMoveResult = 0;
};
