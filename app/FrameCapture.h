#pragma once
// The frame's side of capture: what the capture commands need of the frame
// and its windows, and the way the cameras reach the frame (snapshots, the
// frame rate, the live document's info lines, the skin's texts).
#include <windows.h>

#include "app/CaptureCommands.h"
#include "capture/CaptureShell.h"

class CCameraFactory;
class CMainFrame;

class CFrameCapture : public CCaptureHost, public CCaptureShell {
 public:
  CFrameCapture(CMainFrame* frame, CCameraFactory* factory);
  ~CFrameCapture() override;

  // The cameras call this frame from now on; after Uninstall they call
  // nothing that belongs to it.
  void Install();
  void Uninstall();

  // Both sides: the snapshot opened as a project, the picture strip.
  int OpenFile(const wchar_t* path) override;
  int ImageStripCount() override;
  void SelectImageStripItem(int index) override;

  void ActivateLiveDocument() override;
  void DisableRecordButton() override;

  void SaveCameraSnapshot(COrvelCamera* camera, const void* pixels) override;
  void SaveStillSnapshot(COrvelCamera* camera, int width, int height, const void* pixels) override;
  void ShowFrameRate(float fps) override;
  void ShowInfoLine(int line) override;
  void HideInfoLine(int line) override;
  bool LookupText(const wchar_t* key, std::wstring& text) override;

  CCaptureCommands m_Commands;

 private:
  CMainFrame* m_pFrame;
};
