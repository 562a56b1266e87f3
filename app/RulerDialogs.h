// The two dialogs that store the current document's calibration under a name
// and apply a stored one (the settings' ruler list).
#pragma once

#include <windows.h>

#include "settings/Configuration.h"
#include "win32/Dialog.h"

class CDTDraw;

inline constexpr int IDD_RULER_SAVE = 101;
inline constexpr int IDD_RULER_LOAD = 102;
inline constexpr int IDC_RULER_SCALE_OWN = 1003;
inline constexpr int IDC_RULER_NAME = 1004;
inline constexpr int IDC_RULER_LIST = 1005;
inline constexpr int IDC_RULER_SCALE = 1006;
inline constexpr int IDC_RULER_DELETE_ALL = 1007;
inline constexpr int IDC_RULER_DELETE = 1008;
inline constexpr int IDC_RULER_SCALE_LABEL = 1009;
inline constexpr int IDC_RULER_SCALE_LABEL2 = 1010;
inline constexpr int IDC_RULER_NAME_LABEL = 1011;
inline constexpr int IDC_RULER_SAVED_LABEL = 1012;
inline constexpr int IDC_KEEP_RULER_LENGTH = 1060;

// "1 : %f" of a scale.
void FormatRulerScale(double scale, wchar_t (&text)[64]);

class CDlgRulerLoad : public win32::CDialogImpl<CDlgRulerLoad> {
 public:
  enum { IDD = IDD_RULER_LOAD };

  BEGIN_MSG_MAP(CDlgRulerLoad)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  COMMAND_HANDLER(IDC_RULER_LIST, CBN_SELCHANGE, OnSelChange)
  COMMAND_ID_HANDLER(IDC_RULER_DELETE_ALL, OnDeleteAll)
  COMMAND_ID_HANDLER(IDOK, OnLoad)
  COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
  END_MSG_MAP()

  double m_dScale = 1.0;
  float m_Points[4] = {0, 0, 0, 0};
  HWND m_hList = nullptr;
  int m_bChosen = 0;

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnSelChange(WORD, WORD, HWND, BOOL&);
  LRESULT OnDeleteAll(WORD, WORD, HWND, BOOL&);
  LRESULT OnLoad(WORD, WORD, HWND, BOOL&);
  LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
  void Take(const CConfiguration::CRulerRecord* record);
};

class CDlgRulerSave : public win32::CDialogImpl<CDlgRulerSave> {
 public:
  enum { IDD = IDD_RULER_SAVE };
  CDlgRulerSave(CDTDraw* ruler, double scale) : m_pRuler(ruler), m_dScale(scale) {}

  BEGIN_MSG_MAP(CDlgRulerSave)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  COMMAND_HANDLER(IDC_RULER_LIST, CBN_SELCHANGE, OnSelChange)
  COMMAND_ID_HANDLER(IDC_RULER_DELETE, OnDelete)
  COMMAND_ID_HANDLER(IDC_RULER_DELETE_ALL, OnDeleteAll)
  COMMAND_ID_HANDLER(IDOK, OnSave)
  COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
  END_MSG_MAP()

  CDTDraw* m_pRuler;
  double m_dScale;
  HWND m_hList = nullptr;

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnSelChange(WORD, WORD, HWND, BOOL&);
  LRESULT OnDelete(WORD, WORD, HWND, BOOL&);
  LRESULT OnDeleteAll(WORD, WORD, HWND, BOOL&);
  LRESULT OnSave(WORD, WORD, HWND, BOOL&);
  LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
  void ShowSelected();
};
