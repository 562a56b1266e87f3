#pragma once
// The project of an opened video file: takes the file's first picture with a
// short-lived graph, and plays the file into the project's document with its
// first sound stream, reporting the position to the image/video panel.
#include <windows.h>

#include <cstdint>

#include "capture/DSMessageWnd.h"
#include "capture/Project.h"
#include "image/Image.h"
#include "vendor/vidmill/Vidmill.h"

struct IGraphBuilder;
struct IBaseFilter;
struct IMediaControl;
struct IMediaEventEx;
struct IMediaSeeking;

class CProjectVideo : public CProject, public CDSMessageWndObserver, public CMediaGrabberCallback {
 public:
  CProjectVideo(CProjectManager* manager, const wchar_t* path);
  ~CProjectVideo() override;

  // Leaves the picture at half the length, at most one second in, in the
  // frame image; false when no graph could be built or run.
  BOOL LoadFirstFrame();
  int Play();
  int Pause();
  void SeekPercent(int percent);
  void OnDestroy() override;

  void OnSample(const BYTE* pixels, int flag) override;
  void OnGraphError() override;
  void OnGraphPaused() override;
  void OnGraphComplete() override;
  void OnGraphUserAbort() override;

  int BuildPlaybackGraph();
  void ReleaseGraph();
  // Rebuilds the hours, minutes, seconds and elapsed-time texts.
  void FormatElapsed(DWORD elapsedMs);

  int32_t m_nFrameWidth = 0;
  int32_t m_nFrameHeight = 0;
  int64_t m_nDuration = 0;  // 100-ns units
  int64_t m_nPosition = 0;
  IGraphBuilder* m_pGraph = nullptr;
  IBaseFilter* m_pSourceFilter = nullptr;
  IMediaControl* m_pMediaControl = nullptr;
  IMediaEventEx* m_pMediaEvents = nullptr;
  IMediaSeeking* m_pSeeking = nullptr;
  IBaseFilter* m_pGrabberFilter = nullptr;
  CMediaGrabber* m_pGrabber = nullptr;
  HANDLE m_hFirstFrame = nullptr;
  ZEvuvoro::CImage m_FrameImage;  // top row first, opaque
  volatile LONG m_nFirstFrame = 0;
  CDSMessageWnd m_EventWnd;
  DWORD m_dwPlayStart = 0;
  DWORD m_dwLastText = 0;
  wchar_t m_szElapsed[32] = {};
  wchar_t m_szHours[8] = {};
  wchar_t m_szMinutes[8] = {};
  wchar_t m_szSeconds[8] = {};

  // Replaces timeGetTime for tests; null restores it.
  using ClockFunction = DWORD (*)();
  static void SetClock(ClockFunction clock);

 private:
  // Build steps shared by both graphs; still is the grabber's flag.
  int BuildGraph(int still);
  void DeliverFrame(const BYTE* pixels);
  // Seeks with the frame callback detached: a frame waiting for the main
  // thread would otherwise hold the flush that the seek starts.
  void SetPosition(LONGLONG position);
  void DetachCallback();
  void AttachCallback();
};

// The video that Play last started; only it may hold a playback graph.
extern CProjectVideo* g_pActiveVideo;

// One frame from the grabber (bottom row first, stride width x 4) into a
// top-down picture, every pixel made opaque, in one pass.
void CopyFrameFlippedOpaque(const BYTE* src, int width, int height, BYTE* dst, int dstStride);
// The plain version, which the fast one must equal.
void CopyFrameFlippedOpaqueScalar(const BYTE* src, int width, int height, BYTE* dst, int dstStride);
