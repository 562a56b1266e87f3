// The pictures and videos open when the program last ended, reopened into
// the strip at start by a loader thread, and the thumbnail files the strip
// is built from.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

namespace Gdiplus {
class Image;
}
namespace ZEvuvoro {
class CImage;
}
class CProjectManager;

class CRecentImages {
 public:
  // Finds and creates the thumbnail folder and the PNG encoder once.
  CRecentImages();
  virtual ~CRecentImages() = default;
  CRecentImages(const CRecentImages&) = delete;
  CRecentImages& operator=(const CRecentImages&) = delete;

  // Starts the loader once; never again after Stop.
  void Start();
  // Stops the loader, dispatching the main thread's messages while it ends,
  // then rewrites the recent list from the project list.
  void Stop();

  static DWORD WINAPI LoaderThread(LPVOID parameter);
  void LoadRecents();

  // The handle is owned by whichever side takes it out of the field first.
  std::atomic<HANDLE> m_hThread{nullptr};
  std::atomic<int> m_bRun{1};
  bool m_bStarted = false;
  // The manager the loader fills: the frame's, made just before this.
  CProjectManager* m_pManager;
};

extern std::wstring g_ThumbnailFolder;
extern CLSID g_PngEncoderClsid;

// The thumbnail file of a path: the folder, the file name, a hash of the
// whole path (without regard to case) and ".png", so that files of one name
// in different folders keep apart. Empty when there is no folder.
std::wstring GetThumbnailPath(const wchar_t* path);
// Writes the image as PNG through a temporary file; a failure becomes the
// image's last status and leaves no file.
void SaveImageAsPng(Gdiplus::Image* image, const wchar_t* path);
// A frame's pixels (rows top-down) as a PNG file; false when none was written.
bool SaveFrameAsPng(const ZEvuvoro::CImage& frame, const wchar_t* path);
// The thumbnail file's picture when it decodes; a file that does not decode
// is deleted and counts as missing.
bool LoadThumbnail(const wchar_t* thumbnailPath, ZEvuvoro::CImage* out);
