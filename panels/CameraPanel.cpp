#include "panels/CameraPanel.h"

#include "app/StandInCalls.h"

void CWndCamera::SetCurrentDocument(CDTImage* document) {
  StandInCall(L"CWndCamera::SetCurrentDocument(%p)", document);
}
void CWndCamera::OnCaptureState(int state) { StandInCall(L"CWndCamera::OnCaptureState(%d)", state); }
void CWndCamera::SetCurrentCamera(COrvelCamera* camera) { StandInCall(L"CWndCamera::SetCurrentCamera(%p)", camera); }
void CWndCamera::AddCamera(COrvelCamera* camera) { StandInCall(L"CWndCamera::AddCamera(%p)", camera); }
void CWndCamera::RemoveCamera(COrvelCamera* camera) { StandInCall(L"CWndCamera::RemoveCamera(%p)", camera); }
void CWndCamera::EnableSnapshotButton(BOOL enable) { StandInCall(L"CWndCamera::EnableSnapshotButton(%d)", enable); }
