#pragma once
// The main frame's capture commands (start, pause, stop, restart, record,
// snapshot) over the camera factory, and the snapshot writers that the
// cameras call on their streaming threads.
#include <windows.h>

#include <string>

class CCameraFactory;
class COrvelCamera;

// What the commands need of the main frame and its windows.
class CCaptureHost {
 public:
  virtual ~CCaptureHost() = default;
  // The live document becomes the canvas's active document, redrawn.
  virtual void ActivateLiveDocument() {}
  // The camera panel's record button (its skin child 10).
  virtual void DisableRecordButton() {}
  // WAVE resource 209 or 210 of the program, asynchronously.
  virtual void PlaySoundResource(int id);
  virtual void GetLocalTime(SYSTEMTIME* time);
  // Opens a written snapshot as a project (any thread); the picture strip's
  // item count and selection. The defaults go to the capture shell.
  virtual int OpenFile(const wchar_t* path);
  virtual int ImageStripCount();
  virtual void SelectImageStripItem(int index);
};

inline constexpr int kSnapshotSound = 209;
inline constexpr int kRecordSound = 210;

class CCaptureCommands {
 public:
  CCaptureCommands(CCameraFactory* factory, CCaptureHost* host);

  void StartCapture();
  void PauseCapture();
  void StopCapture();
  void RestartCapture();
  void StartRecording();
  void TakeSnapshot();
  // Streaming threads: pixels stride width x 4, rows as the camera's
  // snapshot bottom-up flag says.
  void SaveCameraSnapshot(COrvelCamera* camera, const void* pixels);
  void SaveStillSnapshot(COrvelCamera* camera, int width, int height, const void* pixels);
  // WM_CAPTURE_STOPPED, on the main thread after the stop returned.
  LRESULT OnCaptureStopped();

  // The file for a snapshot taken at `time`: "<folder>\M.D-h;m;s;ms.bmp" (or
  // .jpg), with "(1)", "(2)" ... before the extension while that name is
  // taken. The file is created empty, so a camera saving in the same
  // millisecond takes the next name. Empty when none could be had.
  static std::wstring ReserveSnapshotPath(const wchar_t* folder, const SYSTEMTIME& time, bool jpeg);

 private:
  // The crop is in picture coordinates (top-down, right and bottom exclusive).
  void WriteSnapshot(COrvelCamera* camera, int width, int height, const void* pixels, const RECT* crop);

  CCameraFactory* m_pFactory;
  CCaptureHost* m_pHost;
};
