// Recently opened pictures. Least stand-in until its own code arrives; it records its calls
// (app/StandInCalls.h) so that the frame's routing can be checked.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <gdiplus.h>

#include <string>

class CRecentImages {
 public:
  void Start();
  void Stop();
};

// The thumbnail folder and the PNG writer the thumbnail strip uses; the
// folder is empty until the recent pictures set it up.
extern std::wstring g_ThumbnailFolder;
extern CLSID g_PngEncoderClsid;
// The folder, "\", and the file name of path with ".png"; only the name
// counts.
std::wstring GetThumbnailPath(const wchar_t* path);
// Writes image as PNG; a failure becomes the image's last status.
void SaveImageAsPng(Gdiplus::Image* image, const wchar_t* path);
