#pragma once
// The project base: one opened picture or video with its measurement
// document, and what the video project reports to the image/video panel. Until the
// shell and the work area exist these are the parts capture needs of them.
#include <windows.h>

#include <cstdint>

class CDTImage;
class CProjectManager;

class CProject {
 public:
  CProject(CProjectManager* manager, const wchar_t* path);
  virtual ~CProject();
  CProject(const CProject&) = delete;
  CProject& operator=(const CProject&) = delete;

  virtual int OnCreate() { return 1; }
  virtual void OnDestroy() {}

  // The close hook first, then the path and the document go.
  void Close();

  CProjectManager* m_pManager;
  wchar_t* m_pszPath = nullptr;  // null after close
  wchar_t* m_pszThumbnail = nullptr;
  CDTImage* m_pDocument = nullptr;  // owned; made by the project manager after construction
  int32_t m_bVideo = 0;
};

// What the video project tells the image/video panel, from the main thread
// and from a streaming thread. The panel implements it.
class CVideoPanelSink {
 public:
  virtual ~CVideoPanelSink() = default;
  // Shows the length (100-ns units) as hours:minutes:seconds.
  virtual void SetDuration(LONGLONG duration) = 0;
  // Moves the video position slider to a percent of the duration; waits for
  // the panel's thread like the slider's own SetPos.
  virtual void SetPos(int percent) = 0;
};

// Null until the panel exists.
extern CVideoPanelSink* g_pVideoPanelSink;
