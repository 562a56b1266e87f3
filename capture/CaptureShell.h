#pragma once
// What capture asks of the main frame, the work area and the live camera
// document. The shell installs its own implementation; until it does, the
// default saves nothing, shows nothing, finds no skin text and no document,
// and uses the system's save dialog and folder view.
#include <windows.h>

#include <string>

class COrvelCamera;

// The live camera document as the region calculations read it.
struct LiveDocumentView {
  int pictureWidth = 0;
  int pictureHeight = 0;
  int tileCount = 0;
  RECT tiles[4] = {};        // left, top, right, bottom in picture pixels
  BOOL regionValid = FALSE;  // the region tool is active and its selection large enough
  RECT region = {};
};

class CCaptureShell {
 public:
  virtual ~CCaptureShell() = default;
  // Streaming thread; pixels stride width x 4, bottom row first.
  virtual void SaveCameraSnapshot(COrvelCamera* camera, const void* pixels);
  virtual void SaveStillSnapshot(COrvelCamera* camera, int width, int height, const void* pixels);
  virtual int OpenFile(const wchar_t* path);
  virtual void ShowFrameRate(float fps);
  // False when there is no live camera document.
  virtual bool GetLiveDocument(LiveDocumentView* out);
  virtual void ShowInfoLine(int line);
  virtual void HideInfoLine(int line);
  // The picture strip: its item count and selecting its last item.
  virtual int ImageStripCount();
  virtual void SelectImageStripItem(int index);
  // The save dialog for a recording; path holds the proposed name and gets the
  // chosen one. False when cancelled.
  virtual bool AskRecordingFileName(std::wstring& path);
  // Explorer on the folder of path with the file selected.
  virtual void ShowInFolder(const wchar_t* path);
  // The skin's text of a key; false when the skin lacks it.
  virtual bool LookupText(const wchar_t* key, std::wstring& text);
};

// Never null: points at the default until the shell installs its own.
CCaptureShell* GetCaptureShell();
// Null restores the default. Returns the previous one.
CCaptureShell* SetCaptureShell(CCaptureShell* shell);
