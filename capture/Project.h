#pragma once
// The project: one opened picture or video with its measurement document
// (the video project derives from it here), and the image/video panel the
// video project reports to.
#include <windows.h>

#include <cstdint>
#include <string>

class CDirectUI;
class CDTImage;
class CProjectManager;

// One opened picture or video with its measurement document. Projects are
// listed and closed by the project manager; the live project has no path.
class CProject {
 public:
  // Keeps a copy of a non-empty path; an empty or null path stays null.
  CProject(CProjectManager* manager, const wchar_t* path);
  // Frees the path texts only: a project is closed before it is deleted.
  virtual ~CProject();
  CProject(const CProject&) = delete;
  CProject& operator=(const CProject&) = delete;

  // 1 keeps a project whose document was just created, 0 refuses it.
  virtual int OnCreate() { return 1; }
  // First step of every close, while the document still exists.
  virtual void OnDestroy() {}

  // A new document with the unit and calibration settings, not on any canvas
  // yet; closes an existing one first. The result is OnCreate's.
  int CreateDocument();
  // The close hook first, then the path; the document is taken off its
  // canvas and deleted.
  void Close();
  // Reads the file into a document that has no picture yet; 1 when the
  // document has one afterwards. Never reads for a no-reload project.
  int LoadDocument(CDirectUI* canvas);

  CProjectManager* m_pManager;
  wchar_t* m_pszPath = nullptr;  // null after close
  CDTImage* m_pDocument = nullptr;
  int32_t m_bVideo = 0;
  // Set while the file is not one the picture decoder may read again (raw
  // imports, videos, the live project).
  int32_t m_bNoReload = 1;
  std::wstring m_strThumbnail;

  // Kept by the manager under its list lock: threads filling the project
  // hold it, and a project removed while held is closed by the last release.
  int m_nHolds = 0;
  int m_bRemoved = 0;
};

// Opaque alpha for 32-bit pixels, as a document shows a decoded file.
void SetOpaqueAlpha(uint8_t* pixels, int width, int height, int stride);

// The image/video panel as the video project uses it, from the main thread
// and from a streaming thread.
class CWndSettingsZoom {
 public:
  virtual ~CWndSettingsZoom() = default;
  // Shows the length (100-ns units) as hours:minutes:seconds.
  virtual void SetDuration(LONGLONG duration) = 0;
  // Moves the video position slider to a percent of the duration; waits for
  // the panel's thread like the slider's own SetPos.
  virtual void SetPos(int percent) = 0;
  // Shows the current document's zoom.
  virtual void RefreshZoom() {}
};

// Null until the panel exists.
extern CWndSettingsZoom* g_pWndSettingsZoom;
