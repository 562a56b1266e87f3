#pragma once
// The slide show's settings dialog, the video file name of a burn, and the
// collection of the slides from the opened projects.
#include <windows.h>

#include <string>

#include "win32/Dialog.h"
#include "win32/MessageMap.h"

class CDTImage;
class CDirectUI;
class CProjectManager;
class CSlideShow;

inline constexpr int IDD_SLIDE = 212;
inline constexpr int IDC_SLIDE_WIDTH = 1045;
inline constexpr int IDC_SLIDE_HEIGHT = 1046;
inline constexpr int IDC_SLIDE_DURATION = 1041;
inline constexpr int IDC_SLIDE_TRANSITION = 1042;
inline constexpr int IDC_SLIDE_FPS = 1043;

// Under the current user, beside the program's settings.
inline constexpr wchar_t kSlideKey[] = L"Software\\Quorvex\\Mensaro\\Slide";

class CDlgSlide : public win32::CDialogImpl<CDlgSlide> {
 public:
  enum { IDD = IDD_SLIDE };

  // Brings entered values into the show's limits (what OK stores).
  void Clamp();

  DWORD m_nDuration = 800;
  DWORD m_nTransition = 300;
  DWORD m_nFps = 30;
  DWORD m_nWidth = 1024;
  DWORD m_nHeight = 768;

  BEGIN_MSG_MAP(CDlgSlide)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  COMMAND_ID_HANDLER(IDOK, OnOK)
  COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnOK(WORD, WORD, HWND, BOOL&);
  LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
};

// The file a burn writes: the chosen name, with ".avi" appended unless its
// extension already is ".avi" in any case. Empty stays empty (a preview).
std::wstring SlideShowVideoPath(const std::wstring& chosen);

// Adds the slides to the show in project order, from the starting document
// on: start, or when start is null the first project whose picture loads.
// A document without a picture is loaded first; one that cannot be loaded is
// skipped. Returns the starting document (null when none).
CDTImage* CollectSlides(CProjectManager& projects, CDirectUI* canvas, CDTImage* start, CSlideShow& show);

// Test seam: the save dialog of a burn; false when cancelled.
using SlideShowFileFunction = bool (*)(std::wstring& path);
void SetSlideShowFileFunction(SlideShowFileFunction ask);
bool AskSlideShowFile(std::wstring& path);
