// The thumbnail strip. Least stand-in until its own code arrives; it records its calls
// (app/StandInCalls.h) so that the frame's routing can be checked.
#pragma once

#include "toolkit/SkinWindow.h"

// A skinned window so that the thumbnail pane can attach it.
class CWndImages : public AvlfWindowImpl<CWndImages> {
 public:
  static win32::CWndClassInfo& GetWndClassInfo() {
    static win32::CWndClassInfo info = {L"WndImages", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
    return info;
  }
  void FuseCheckedImages();
};

extern CWndImages* g_pWndImageList;
