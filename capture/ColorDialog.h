#pragma once
// The current camera's colour parameters, adjusted live: every slider and
// up-down change goes to the camera at once. There is no undo; Cancel keeps
// the changes.
#include <windows.h>

#include "win32/Dialog.h"

class COrvelCamera;

inline constexpr int IDD_CAMERA_COLORS = 223;
inline constexpr int IDC_COLOR_DEFAULT = 5;
inline constexpr int IDC_GAMMA_CHECK = 1060;
inline constexpr int IDC_AWB_GRAY = 1104;
inline constexpr int IDC_AWB_TEMPERATURE = 1105;
inline constexpr int IDC_AWB_NONE = 1106;
inline constexpr int IDC_AWB_LABEL = 1107;

// The rows of the dialog, in table order.
enum ColorRow { kRowRed, kRowGreen, kRowBlue, kRowSaturation, kRowBrightness, kRowContrast, kRowHue, kRowGamma };
inline constexpr int kColorRows = 8;

struct ColorRowIds {
  int label;  // the gamma row's label is its check box
  int slider;
  int edit;
  int updown;
  int minimum;
  int maximum;
  const wchar_t* skinKey;
};
extern const ColorRowIds kColorRowIds[kColorRows];

class CDlgColors : public win32::CDialogImpl<CDlgColors> {
 public:
  enum { IDD = IDD_CAMERA_COLORS };
  CDlgColors() = default;

  BEGIN_MSG_MAP(CDlgColors)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  MESSAGE_HANDLER(WM_HSCROLL, OnHScroll)
  MESSAGE_HANDLER(WM_VSCROLL, OnVScroll)
  COMMAND_ID_HANDLER(IDC_GAMMA_CHECK, OnGammaCheck)
  COMMAND_RANGE_HANDLER(IDC_AWB_GRAY, IDC_AWB_NONE, OnWhiteBalance)
  COMMAND_ID_HANDLER(IDC_COLOR_DEFAULT, OnDefault)
  COMMAND_ID_HANDLER(IDOK, OnClose)
  COMMAND_ID_HANDLER(IDCANCEL, OnClose)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()

  COrvelCamera* GetCamera() const { return m_pCamera; }

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnHScroll(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled);
  LRESULT OnVScroll(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled);
  LRESULT OnGammaCheck(WORD, WORD, HWND, BOOL&);
  LRESULT OnWhiteBalance(WORD, WORD id, HWND, BOOL&);
  LRESULT OnDefault(WORD, WORD, HWND, BOOL&);
  LRESULT OnClose(WORD, WORD id, HWND, BOOL&);

  // The row's value to its slider or edit box, and to the camera's setter.
  void ShowInSlider(int row, int value);
  void ShowInEdit(int row, int value);
  void ApplyToCamera(int row, int value);
  void EnableGammaControls(BOOL enable);
  void ShowGains();

  COrvelCamera* m_pCamera = nullptr;  // borrowed; null when there is none
  HWND m_hEdits[kColorRows] = {};
  HWND m_hUpDowns[kColorRows] = {};
  HWND m_hSliders[kColorRows] = {};
};
