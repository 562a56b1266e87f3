// The canvas host: the top-left window of the work area. It owns the
// measuring canvas, gives it every default the settings hold, creates its
// window as its only child and keeps it the host's size.
#pragma once

#include "engine/DirectUI.h"
#include "toolkit/SkinWindow.h"

class CWndRender : public AvlfWindowImpl<CWndRender> {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();
  ~CWndRender() override;

  BEGIN_MSG_MAP(CWndRender)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnSkinInit)
  MESSAGE_HANDLER(WM_SIZE, OnSizeMessage)
  CHAIN_MSG_MAP(AvlfWindowImpl<CWndRender>)
  END_MSG_MAP()

  // Hands the canvas the settings, then makes its window.
  LRESULT OnSkinInit(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnSizeMessage(UINT, WPARAM, LPARAM lParam, BOOL&);
  // The settings part of the initialisation, before the canvas has a window.
  void ApplySettings();

  CDirectUI m_canvas;
};

// The canvas's region-selection cursor in the program's resources.
constexpr int IDC_REGION_SELECT = 223;
