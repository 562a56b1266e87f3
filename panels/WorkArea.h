// The work area. Least stand-in until its own code arrives; it records its calls
// (app/StandInCalls.h) so that the frame's routing can be checked.
#pragma once

#include "panels/Bars.h"
#include "panels/CameraPanel.h"
#include "panels/ImagePanel.h"
#include "panels/MeasureList.h"
#include "panels/PropertyHost.h"
#include "panels/ThumbnailStrip.h"
#include "toolkit/SkinWindow.h"

class CDirectUI;

// The work area: the canvas over its client area, and the panels the frame
// talks to.
class CWndProcess : public AvlfWindowImpl<CWndProcess> {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();
  CWndProcess();
  ~CWndProcess() override;

  BEGIN_MSG_MAP(CWndProcess)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnSkinInit)
  MESSAGE_HANDLER(WM_SIZE, OnSizeMessage)
  CHAIN_MSG_MAP(AvlfWindowImpl<CWndProcess>)
  END_MSG_MAP()

  LRESULT OnSkinInit(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnSizeMessage(UINT, WPARAM, LPARAM, BOOL& handled);

  CDirectUI* m_pCanvas;
  CWndMeasure m_wndMeasure;
  CWndCamera m_wndCamera;
  CWndProperties m_wndProperties;
  CWndSettingsZoomStandIn m_wndSettingsZoom;
  CWndHorizontalRuler m_wndRuler;
  CWndImageList m_wndImages;
};
