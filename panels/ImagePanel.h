// The image and video panel of the property host: the picture's title, its
// zoom factor on a slider, and for a video play, pause, a position slider and
// the video's length.
#pragma once

#include <windows.h>

#include <string>

#include "capture/Project.h"
#include "panels/PanelBase.h"
#include "toolkit/SkinWindow.h"

class AvlfSlider;
class CDTImage;
class CProject;

// Whole seconds of a length in 100-ns units as "h:mm:ss"; negative lengths
// show as 0 and hours above 99 as 0. Each part fits its 5-character buffer.
void FormatVideoDuration(LONGLONG duration, wchar_t (&hours)[5], wchar_t (&minutes)[5], wchar_t (&seconds)[5],
                         wchar_t (&text)[32]);
// The file title of a path: the text after the last backslash, cut before
// its last full stop.
std::wstring ExtractFileTitle(const wchar_t* path);

class CWndSettingsZoom : public AvlfWindowImpl<CWndSettingsZoom>, public CWndSettingsBase, public CVideoPanelSink {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();
  CWndSettingsZoom();
  ~CWndSettingsZoom() override;
  CWndSettingsZoom(const CWndSettingsZoom&) = delete;
  CWndSettingsZoom& operator=(const CWndSettingsZoom&) = delete;

  // Skin command ids of the controls.
  enum ControlId {
    kPlay = 20,
    kPause = 21,
    kZoomItem = 1,
    kZoomText = 3,
    kZoomSlider = 2,
    kVideoItem = 4,
    kDurationText = 6,
    kPositionSlider = 5,
  };

  BEGIN_MSG_MAP(CWndSettingsZoom)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnSkinInit)
  COMMAND_ID_HANDLER(kPlay, OnPlay)
  COMMAND_ID_HANDLER(kPause, OnPause)
  MESSAGE_HANDLER(WM_HSCROLL, OnHScroll)
  CHAIN_MSG_MAP(AvlfWindowImpl<CWndSettingsZoom>)
  END_MSG_MAP()

  void SetDocument(CDTImage* doc);
  void RefreshZoom();
  void RefreshZoomFor(CDTImage* doc);
  void SetDuration(LONGLONG duration) override;
  void SetPos(int percent) override;

  const wchar_t* GetCaption() override;
  void Update() override {}

  AvlfWindowBase* m_pPlay = nullptr;
  AvlfWindowBase* m_pPause = nullptr;
  AvlfWindowBase* m_pZoomItem = nullptr;
  AvlfWindowBase* m_pZoomText = nullptr;
  AvlfSlider* m_pZoomSlider = nullptr;
  AvlfWindowBase* m_pVideoItem = nullptr;
  AvlfWindowBase* m_pDurationText = nullptr;
  AvlfSlider* m_pPositionSlider = nullptr;
  std::wstring m_strTitle;
  wchar_t m_szZoom[32] = {};
  wchar_t m_szDuration[32] = {};
  wchar_t m_szSeconds[5] = {};
  wchar_t m_szMinutes[5] = {};
  wchar_t m_szHours[5] = {};

 private:
  LRESULT OnSkinInit(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnPlay(WORD, WORD, HWND, BOOL&);
  LRESULT OnPause(WORD, WORD, HWND, BOOL&);
  LRESULT OnHScroll(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
  void ShowZoom();
  void ShowZoomText(float factor);
  void ShowVideoGroup(int show);
  void ShowZoomGroup(int show);
  CProject* HeldProject() const;
};

// The panel, once constructed.
extern CWndSettingsZoom* g_pWndSettingsZoom;
