// The camera panel. Least stand-in until its own code arrives; it records its calls
// (app/StandInCalls.h) so that the frame's routing can be checked.
#pragma once

#include <windows.h>

class CDTImage;
class COrvelCamera;

class CWndCamera {
 public:
  void SetCurrentDocument(CDTImage* document);
  void OnCaptureState(int state);
  void SetCurrentCamera(COrvelCamera* camera);
  void AddCamera(COrvelCamera* camera);
  void RemoveCamera(COrvelCamera* camera);
  void EnableSnapshotButton(BOOL enable);
  bool IsGroupExpanded() const { return m_bGroupExpanded; }
  bool m_bGroupExpanded = true;
};
