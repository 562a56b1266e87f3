#pragma once
// The camera kind made for every video capture device: its capture and still
// format lists, a capture graph whose frame sink is the media library's
// grabber, the still pin and its trigger, stored settings and property pages.
#include <windows.h>
#include <dshow.h>

#include <string>
#include <vector>

#include "capture/Camera.h"
#include "capture/DSMessageWnd.h"
#include "settings/CameraConfig.h"
#include "vendor/vidmill/Vidmill.h"

struct SubtypeGroup;

struct VideoFormat {
  VideoFormat() = default;
  ~VideoFormat();
  VideoFormat(const VideoFormat&) = delete;
  VideoFormat& operator=(const VideoFormat&) = delete;

  BITMAPINFOHEADER header{};  // still formats: the header as delivered
  int width = 0;
  int height = 0;
  AM_MEDIA_TYPE mediaType{};  // owns its format block
  wchar_t label[256] = {};
  LONGLONG avgTimePerFrame = 0;
  SubtypeGroup* group = nullptr;
};

struct SubtypeGroup {
  ~SubtypeGroup();
  std::vector<VideoFormat*> formats;
  GUID subtype{};
  std::wstring name;
};

// The name shown for a media subtype; "Unknown" for one the program does not list.
const wchar_t* MediaSubtypeName(const GUID& subtype);

class COrvelCameraDS : public COrvelCamera, public CDSMessageWndObserver, public CMediaGrabberCallback {
 public:
  // Takes over a reference to the device's moniker (may be null).
  explicit COrvelCameraDS(IMoniker* moniker);
  ~COrvelCameraDS() override;

  void ShowPropertyPages(HWND parent, int page) override;
  int LoadConfig(int index) override;
  int SaveConfig(int index) override;
  int TriggerStill() override;
  int EnumerateFormats() override;
  int CloseDevice() override;
  int BuildGraph() override;
  int RunGraph() override;
  int ResumeGraph() override;
  int PauseGraph() override;
  int StopGraph() override;

  void OnSample(const BYTE* pixels, int flag) override;

  bool SelectVideoFormat(VideoFormat* format);
  void SelectStillFormat(int index);

  // The format listing on a filter the caller holds (EnumerateFormats binds one).
  void ListFormats(IBaseFilter* filter);

  const std::vector<SubtypeGroup*>& GetVideoGroups() const { return m_VideoGroups; }
  const std::vector<VideoFormat*>& GetStillFormats() const { return m_StillFormats; }
  VideoFormat* GetCurrentVideoFormat() const { return m_pCurrentVideo; }
  VideoFormat* GetCurrentStillFormat() const { return m_pCurrentStill; }
  int HasStillPin() const { return m_bHasStillPin; }
  int GetStillWidth() const { return m_nStillWidth; }
  int GetStillHeight() const { return m_nStillHeight; }
  CCameraConfig& GetSettings() { return m_Settings; }

 private:
  HRESULT BindDevice(IBaseFilter** filter);
  void ConnectStillPin();
  void ReleaseGraph();
  void DeleteStillFormats();

  IMoniker* m_pMoniker = nullptr;
  ICaptureGraphBuilder2* m_pBuilder = nullptr;
  IGraphBuilder* m_pGraph = nullptr;
  IMediaControl* m_pControl = nullptr;
  IMediaEventEx* m_pEvents = nullptr;
  IBaseFilter* m_pCaptureFilter = nullptr;
  IBaseFilter* m_pPreviewFilter = nullptr;
  CMediaGrabber* m_pPreviewGrabber = nullptr;
  IBaseFilter* m_pStillFilter = nullptr;
  CMediaGrabber* m_pStillGrabber = nullptr;
  IPin* m_pStillPin = nullptr;
  IAMVideoControl* m_pVideoControl = nullptr;
  std::vector<SubtypeGroup*> m_VideoGroups;
  std::vector<VideoFormat*> m_StillFormats;
  VideoFormat* m_pCurrentVideo = nullptr;
  VideoFormat* m_pCurrentStill = nullptr;
  CDSMessageWnd m_EventWnd;
  CCameraConfig m_Settings;
  int m_nStillWidth = 0;
  int m_nStillHeight = 0;
  int m_bHasStillPin = 1;
};

// The format block of a media type as a video header, or null when the type is
// neither VideoInfo nor VideoInfo2 or its block is too short for the header.
const BITMAPINFOHEADER* VideoBitmapHeader(const AM_MEDIA_TYPE& type, LONGLONG* avgTimePerFrame);
