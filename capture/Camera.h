#pragma once
// The device-independent half of a capture camera: colour parameters and the
// live enhancement, the main thread's requests, the frame image, the frame
// rate and capture timer, and the recorder while a recording runs.
#include <windows.h>

#include <cstdint>
#include <string>

#include "image/Image.h"
#include "image/colour/ImageEnhance.h"

class CCameraFactory;
namespace win32 {
class CWindow;
}
class CVidmill;

class COrvelCamera {
 public:
  COrvelCamera();
  virtual ~COrvelCamera();
  COrvelCamera(const COrvelCamera&) = delete;
  COrvelCamera& operator=(const COrvelCamera&) = delete;

  virtual void ShowPropertyPages(HWND parent, int page);
  virtual void OnFrame(const BYTE* pixels);
  virtual int LoadConfig(int index);
  virtual int SaveConfig(int index);

  virtual int GetMirrorV();
  virtual int GetMirrorH();
  virtual int GetWhiteBalanceMode();
  virtual int GetColorful();
  virtual int GetColorCorrection();
  virtual int GetSaturation();
  virtual int GetBrightness();
  virtual int GetContrast();
  virtual int GetHue();
  virtual int GetGamma();
  virtual int GetGammaEnabled();
  virtual int GetRed();
  virtual int GetGreen();
  virtual int GetBlue();

  virtual int SetMirrorV(int value);
  virtual int SetMirrorH(int value);
  virtual int SetWhiteBalanceMode(int mode);
  virtual int SetColorful(int value);
  virtual int SetColorCorrection(int value);
  virtual int SetSaturation(int value);
  virtual int SetBrightness(int value);
  virtual int SetContrast(int value);
  virtual int SetHue(int value);
  virtual int SetGamma(int value);
  virtual int SetGammaEnabled(int value);
  virtual int SetRed(int value);
  virtual int SetGreen(int value);
  virtual int SetBlue(int value);

  virtual int StartRecording();
  virtual int Open();
  virtual void Close();
  virtual int Connect();
  virtual int Run();
  virtual int Resume();
  virtual int Pause();
  virtual int Stop();
  virtual int TriggerStill();
  virtual int EnumerateFormats();
  virtual int CloseDevice();
  virtual int BuildGraph();
  virtual int RunGraph();
  virtual int ResumeGraph();
  virtual int PauseGraph();
  virtual int StopGraph();
  virtual int SetupRecorder();

  void SetName(const wchar_t* name);
  void SetDevicePath(const wchar_t* path);
  void RequestSnapshot(bool useStillPin);
  int GetRecordRequest();
  void SetRecordRequest(int on);
  void SetAutoSnap(int on);
  void SetSnapInterval(int ms);

  const wchar_t* GetName() const { return m_pszName; }
  const wchar_t* GetDevicePath() const { return m_pszDevicePath; }
  int GetWidth() const { return m_nWidth; }
  int GetHeight() const { return m_nHeight; }
  int GetOffsetX() const { return m_nOffsetX; }
  int GetOffsetY() const { return m_nOffsetY; }
  int GetIndex() const { return m_nIndex; }
  int GetTileBottomUp() const { return m_bTileBottomUp; }
  int GetSnapshotBottomUp() const { return m_bSnapshotBottomUp; }
  int IsOpened() const { return m_bOpened; }
  int IsRunning() const { return m_bRunning; }
  CVidmill* GetRecorder() const { return m_pRecorder; }
  // The recorder leaves the camera, which keeps none (the factory finishes it).
  CVidmill* TakeRecorder();
  const ZEvuvoro::CImage& GetFrameImage() const { return m_FrameImage; }
  const wchar_t* GetTimerText() const { return m_szTimer; }
  float GetFrameRate() const { return m_fFrameRate; }

  // A camera whose property sheet runs its modal loop is still on the stack:
  // removal asks the sheet to cancel and leaves the deletion to
  // ShowPropertyPages, which ends with it. True when the camera will delete
  // itself; false when the caller deletes it now.
  bool DeferDeletion();

  // Millisecond clock of the frame path; tests replace it.
  using ClockFunction = DWORD (*)();
  static void SetClock(ClockFunction clock);

  int m_bSnapshotRequest = 0;
  int m_bRecordRequest = 0;
  int m_bAutoSnap = 0;
  DWORD m_dwLastAutoSnap = 0;
  DWORD m_dwAutoSnapInterval = 3000;
  CRITICAL_SECTION m_csParams;
  CCameraFactory* m_pFactory = nullptr;
  ZEvuvoro::CImage m_FrameImage;
  ZEvuvoro::CImageEnhance m_Enhance;
  wchar_t* m_pszName = nullptr;
  wchar_t* m_pszDevicePath = nullptr;
  int m_bOpened = 0;
  int m_bRunning = 0;
  int m_nHeight = 0;
  int m_nWidth = 0;
  int m_nOffsetX = 0;
  int m_nOffsetY = 0;
  int m_bMirrorV = 0;
  int m_bMirrorH = 0;
  int m_nIndex = 0;
  int m_bTileBottomUp = 0;
  int m_bSnapshotBottomUp = 0;
  int m_nRed = 128;
  int m_nGreen = 128;
  int m_nBlue = 128;
  int m_nSaturation = 10;
  int m_nContrast = 10;
  int m_nBrightness = 255;
  int m_nHue = 0;
  int m_nColorCorrection = 0;
  int m_nColorful = 1;
  int m_nWhiteBalance = 0;
  int m_nGamma = 120;
  int m_nGammaEnabled = 0;
  DWORD m_dwStartTime = 0;
  DWORD m_dwLastRateTime = 0;
  int m_nFramesInWindow = 0;
  float m_fFrameRate = 0;
  wchar_t m_szTimer[32] = {};
  wchar_t m_szHours[8] = {};
  wchar_t m_szMinutes[8] = {};
  wchar_t m_szSeconds[8] = {};
  CVidmill* m_pRecorder = nullptr;

 protected:
  static DWORD Now();

  int m_nPropertyPagesDepth = 0;               // ShowPropertyPages calls running
  win32::CWindow* m_pPropertySheet = nullptr;  // the running sheet
  bool m_bDeleteAfterPages = false;            // removed while the sheet ran

 private:
  void UpdateRate(DWORD now);
  void WriteRecorderFrame(DWORD now);
  int GetLocked(const int& field);
  void SetLocked(int& field, int value);
};

// The recording file of a camera started at `time` in `folder`, made fit for a
// file name, with "(2)", "(3)" ... before ".avi" while that name is taken.
// The file is created empty so that a camera of the same name starting in the
// same millisecond cannot take it too; empty when no name could be had.
std::wstring ReserveRecordingPath(const wchar_t* folder, const wchar_t* cameraName, const SYSTEMTIME& time);
