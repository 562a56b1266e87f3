// The camera panel. Least stand-in until its own code arrives; it records its calls
// (app/StandInCalls.h) so that the frame's routing can be checked.
#pragma once

#include <windows.h>

#include "panels/GroupPanel.h"

class CDTImage;
class COrvelCamera;

// A titled group panel so that the side pane can attach and collapse it.
class CWndCamera : public CWndGroup {
 public:
  void SetCurrentDocument(CDTImage* document);
  void OnCaptureState(int state);
  void SetCurrentCamera(COrvelCamera* camera);
  void AddCamera(COrvelCamera* camera);
  void RemoveCamera(COrvelCamera* camera);
  void EnableSnapshotButton(BOOL enable);
  bool IsGroupExpanded() const { return !m_bCollapsed; }
};
