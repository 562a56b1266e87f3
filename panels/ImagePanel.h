// The image and video panel. Least stand-in until its own code arrives; it records its calls
// (app/StandInCalls.h) so that the frame's routing can be checked.
#pragma once

#include <windows.h>

#include "capture/Project.h"

class CWndSettingsZoomStandIn : public CVideoPanelSink {
 public:
  CWndSettingsZoomStandIn();
  ~CWndSettingsZoomStandIn() override;
  void SetDuration(LONGLONG duration) override;
  void SetPos(int percent) override;
  void RefreshZoom();
};

extern CWndSettingsZoomStandIn* g_pWndSettingsZoom;
