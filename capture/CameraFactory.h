#pragma once
// Owns every camera and the capture state: enumeration, the current camera,
// the tile layout, run/pause/stop, frame forwarding, the region part of each
// camera, the recordings' finish and the settings purge at shut-down.
#include <windows.h>

#include <string>
#include <vector>

class COrvelCamera;
class CVidmill;

enum CameraState { CameraClosed = 0, CameraRunning = 1, CameraPaused = 2, CameraStopped = 3 };

// Tiles of the live picture; further cameras do not run in all-cameras mode.
inline constexpr int kMaxCameraTiles = 4;

class COrvelCameraFactoryObserver {
 public:
  virtual ~COrvelCameraFactoryObserver() = default;
  virtual void OnCameraFrame(COrvelCamera* /*camera*/, const BYTE* /*pixels*/, const wchar_t* /*timerText*/) {}
  virtual void OnCameraLayout(int /*count*/, int /*width*/, int /*height*/) {}
  virtual void OnCameraState(int /*state*/) {}
  virtual void OnCurrentCameraChanged(COrvelCamera* /*camera*/) {}
  virtual void OnCameraAdded(COrvelCamera* /*camera*/) {}
  virtual void OnCameraRemoved(COrvelCamera* /*camera*/) {}
};

class CCameraFactory {
 public:
  CCameraFactory();
  virtual ~CCameraFactory();
  CCameraFactory(const CCameraFactory&) = delete;
  CCameraFactory& operator=(const CCameraFactory&) = delete;

  int OpenCameras();
  void CloseCameras();
  int Run(int allCameras);
  void Pause();
  void Stop();
  void SetCurrentCamera(COrvelCamera* camera);
  void RemoveCameraByPath(const wchar_t* path, int length);
  void RequestSnapshot(bool useStillPin);
  void EnableAutoSnap();
  void RequestRecording();
  int PendingRecordRequests();
  bool HasPhoneCamera() const { return m_bPhoneCamera != 0; }
  bool GetVisibleRect(COrvelCamera* camera, RECT* out);
  void ApplyClipRect(COrvelCamera* camera);
  void FinishRecordings();
  void NotifyFrame(COrvelCamera* camera, const BYTE* pixels, const wchar_t* timerText);

  // Takes over a camera that was named and given its device: opens it (a
  // camera that fails is closed and deleted), appends it, applies its stored
  // settings and makes it current when none is. False when it did not open.
  bool AddCamera(COrvelCamera* camera);

  void SetObserver(COrvelCameraFactoryObserver* observer) { m_pObserver = observer; }
  const std::vector<COrvelCamera*>& GetCameras() const { return m_Cameras; }
  int GetCameraCount() const { return static_cast<int>(m_Cameras.size()); }
  COrvelCamera* GetCurrentCamera() const { return m_pCurrent; }
  int GetState() const { return m_nState; }
  int GetCommonWidth() const { return m_nCommonWidth; }
  int GetCommonHeight() const { return m_nCommonHeight; }
  int GetAllCameras() const { return m_bAllCameras; }
  // Recordings of removed cameras that wait for FinishRecordings.
  int GetOrphanRecordingCount() const { return static_cast<int>(m_Orphans.size()); }

 protected:
  // Lists the video capture devices and hands each to AddCamera.
  virtual void EnumerateDevices();

 private:
  // A recording whose camera went before capture stopped.
  struct OrphanRecording {
    std::wstring name;
    int position = 0;
    CVidmill* recorder = nullptr;
  };

  // The cameras that run together: all of them up to the tile count, or the current one.
  std::vector<COrvelCamera*> CamerasInUse() const;
  void Layout();
  void ChangeState(int state);
  void PurgeStaleSettings();
  bool RegionPart(COrvelCamera* camera, RECT* part, bool* regionValid, bool* nonEmpty);
  void ClipRecorder(COrvelCamera* camera, CVidmill* recorder);
  static void StopOrphanRecorder(CVidmill* recorder);
  void FinishRecording(const wchar_t* name, int position, CVidmill* recorder, COrvelCamera* camera);

  std::vector<COrvelCamera*> m_Cameras;
  COrvelCameraFactoryObserver* m_pObserver = nullptr;
  COrvelCamera* m_pCurrent = nullptr;
  int m_bAllCameras = 1;
  int m_nState = CameraClosed;
  int m_nCommonHeight = 0;
  int m_nCommonWidth = 0;
  BYTE m_bPhoneCamera = 0;
  std::vector<OrphanRecording> m_Orphans;
};

// The process-wide camera factory, null until one is constructed.
extern CCameraFactory* g_pCameraFactory;
