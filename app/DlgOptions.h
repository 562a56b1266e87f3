// The Options dialog: four modeless pages (general, video, audio, image) under
// four tab buttons. OK applies every page to the settings in memory; a few
// controls act at once and stay in effect after Cancel.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "panels/ScrollBar.h"
#include "toolkit/ButtonTab.h"
#include "toolkit/WTLColorButton.h"
#include "win32/Dialog.h"

class CAudioInput;

inline constexpr int IDD_OPTIONS = 225;
inline constexpr int IDD_PAGE_GENERAL = 226;
inline constexpr int IDD_PAGE_VIDEO = 227;
inline constexpr int IDD_PAGE_IMAGE = 228;
inline constexpr int IDD_PAGE_AUDIO = 229;

// The tab buttons of the main dialog, in page order.
inline constexpr int IDC_TAB_GENERAL = 1118;
inline constexpr int IDC_TAB_VIDEO = 1119;
inline constexpr int IDC_TAB_AUDIO = 1120;
inline constexpr int IDC_TAB_IMAGE = 1121;

// General page.
inline constexpr int IDC_OPT_LANGUAGE = 1092;
inline constexpr int IDC_OPT_FONT = 1096;
inline constexpr int IDC_OPT_CAMTIMER = 1086;
inline constexpr int IDC_OPT_BACKGROUND = 1121;
inline constexpr int IDC_OPT_PRECISION = 1123;
inline constexpr int IDC_OPT_PRECISION_SPIN = 1122;
// Video page.
inline constexpr int IDC_OPT_MOVIE_FORMAT = 1071;
inline constexpr int IDC_OPT_MOVIE_QUALITY = 1089;
inline constexpr int IDC_OPT_HIGHSPEED = 1084;
inline constexpr int IDC_OPT_DURATION_SLIDER = 1090;
inline constexpr int IDC_OPT_DURATION = 1083;
inline constexpr int IDC_OPT_ADDVIDEO = 1085;
// Audio page.
inline constexpr int IDC_OPT_AUDIO_DEVICE = 1075;
inline constexpr int IDC_OPT_AUDIO_INPUT = 1077;
inline constexpr int IDC_OPT_AUDIO_LEVEL = 1080;
inline constexpr int IDC_OPT_AUDIO_LEVEL_TEXT = 1119;
inline constexpr int IDC_OPT_AUDIO_ENABLED = 1079;
// Image page.
inline constexpr int IDC_OPT_IMAGE_DIR = 1069;
inline constexpr int IDC_OPT_BROWSE = 1067;
inline constexpr int IDC_OPT_IMAGE_FORMAT = 1071;
inline constexpr int IDC_OPT_STILL = 1061;
inline constexpr int IDC_OPT_AUTOSNAP = 1060;
inline constexpr int IDC_OPT_SNAP_INTERVAL = 1073;

class CPageGeneral : public win32::CDialogImpl<CPageGeneral> {
 public:
  enum { IDD = IDD_PAGE_GENERAL };

  BEGIN_MSG_MAP(CPageGeneral)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  COMMAND_ID_HANDLER(IDC_OPT_CAMTIMER, OnCamTimer)
  NOTIFY_HANDLER(IDC_OPT_BACKGROUND, COLORPICK_CHANGED, OnBackground)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()

  void Apply();

  // The installed TrueType families, listed the first time a page opens.
  static const std::vector<std::wstring>& FontList();
  static int s_nFontListings;  // how often the list was built

  HWND m_hLanguage = nullptr;
  HWND m_hFonts = nullptr;
  HWND m_hUpDown = nullptr;
  int m_bNeedsRestart = 0;
  CWTLColorButton m_btnBackground;

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnCamTimer(WORD, WORD, HWND, BOOL&);
  LRESULT OnBackground(int, LPNMHDR header, BOOL&);
};

class CPageVideo : public win32::CDialogImpl<CPageVideo> {
 public:
  enum { IDD = IDD_PAGE_VIDEO };

  BEGIN_MSG_MAP(CPageVideo)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  MESSAGE_HANDLER(WM_HSCROLL, OnHScroll)
  COMMAND_ID_HANDLER(IDC_OPT_HIGHSPEED, OnHighSpeed)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()

  void Apply();

  HWND m_hFormat = nullptr;
  HWND m_hQuality = nullptr;
  HWND m_hDuration = nullptr;
  HWND m_hSlider = nullptr;

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnHScroll(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnHighSpeed(WORD, WORD, HWND, BOOL&);
  void EnableDuration();
};

class CPageAudio : public win32::CDialogImpl<CPageAudio> {
 public:
  enum { IDD = IDD_PAGE_AUDIO };

  BEGIN_MSG_MAP(CPageAudio)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  MESSAGE_HANDLER(WM_HSCROLL, OnHScroll)
  COMMAND_HANDLER(IDC_OPT_AUDIO_DEVICE, CBN_SELCHANGE, OnDeviceChosen)
  COMMAND_HANDLER(IDC_OPT_AUDIO_INPUT, CBN_SELCHANGE, OnInputChosen)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()

  void Apply();

  HWND m_hDevices = nullptr;
  HWND m_hInputs = nullptr;
  HWND m_hLevel = nullptr;
  CAudioInput* m_pInput = nullptr;
  int m_nDevice = -1;
  int m_nInput = -1;

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnHScroll(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnDeviceChosen(WORD, WORD, HWND, BOOL&);
  LRESULT OnInputChosen(WORD, WORD, HWND, BOOL&);
  void FillInputs();
  void ShowLevel();
};

class CPageImage : public win32::CDialogImpl<CPageImage> {
 public:
  enum { IDD = IDD_PAGE_IMAGE };

  BEGIN_MSG_MAP(CPageImage)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  COMMAND_ID_HANDLER(IDC_OPT_BROWSE, OnBrowse)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()

  void Apply();

  HWND m_hFormat = nullptr;

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnBrowse(WORD, WORD, HWND, BOOL&);
};

class CDlgOptions : public win32::CDialogImpl<CDlgOptions> {
 public:
  enum { IDD = IDD_OPTIONS };
  CDlgOptions() = default;
  ~CDlgOptions() override;

  BEGIN_MSG_MAP(CDlgOptions)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  COMMAND_RANGE_HANDLER(IDC_TAB_GENERAL, IDC_TAB_IMAGE, OnTab)
  COMMAND_ID_HANDLER(IDOK, OnOK)
  COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()

  // After an OK: the language changed, so the program must restart.
  bool NeedsRestart() const { return m_bNeedsRestart != 0; }

  RECT m_rcPage{};
  RECT m_rcLine{};
  CButtonTab m_tabs[4];
  CWndLine m_wndLine;
  CPageGeneral m_pageGeneral;
  CPageVideo m_pageVideo;
  CPageAudio m_pageAudio;
  CPageImage m_pageImage;
  HWND m_hPageShown = nullptr;
  HFONT m_hTabFont = nullptr;
  int m_bNeedsRestart = 0;

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnTab(WORD, WORD id, HWND, BOOL&);
  LRESULT OnOK(WORD, WORD, HWND, BOOL&);
  LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
};
