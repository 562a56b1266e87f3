#pragma once
// The sound capture devices, their input pins and mix levels, and the user's
// choice of device and input that recordings take their sound from.
#include <windows.h>
#include <dshow.h>
#include <mmsystem.h>

#include <string>
#include <vector>

class CAudioInput {
 public:
  CAudioInput(const wchar_t* name, int index, IPin* pin, IAMAudioInputMixer* mixer);
  virtual ~CAudioInput();
  CAudioInput(const CAudioInput&) = delete;
  CAudioInput& operator=(const CAudioInput&) = delete;

  double GetMixLevel();
  void SetMixLevel(double level);
  const std::wstring& GetName() const { return m_Name; }
  int GetIndex() const { return m_nIndex; }
  IPin* GetPin() const { return m_pPin; }
  IAMAudioInputMixer* GetMixer() const { return m_pMixer; }

 private:
  std::wstring m_Name;
  int m_nIndex = 0;
  IPin* m_pPin = nullptr;
  IAMAudioInputMixer* m_pMixer = nullptr;
  double m_Level = 1.0;
};

class CAudioDevice {
 public:
  CAudioDevice(const wchar_t* name, IBaseFilter* filter);
  virtual ~CAudioDevice();
  CAudioDevice(const CAudioDevice&) = delete;
  CAudioDevice& operator=(const CAudioDevice&) = delete;

  int SelectInput(CAudioInput* input);
  // Lists the filter's input pins; the first whose name contains lineName
  // (ignoring case) is selected, else the first.
  void ListInputs(const wchar_t* lineName);
  const std::wstring& GetName() const { return m_Name; }
  IBaseFilter* GetFilter() const { return m_pFilter; }
  const std::vector<CAudioInput*>& GetInputs() const { return m_Inputs; }
  int GetSelectedInput() const { return m_nSelectedInput; }
  void SetSelectedInput(int index) { m_nSelectedInput = index; }

 private:
  IBaseFilter* m_pFilter = nullptr;
  std::wstring m_Name;
  std::vector<CAudioInput*> m_Inputs;
  int m_nSelectedInput = -1;
};

// The winmm mixer calls the microphone search makes; tests replace them.
class CMixerCalls {
 public:
  virtual ~CMixerCalls() = default;
  virtual UINT GetNumDevs();
  virtual MMRESULT Open(HMIXER* mixer, UINT id);
  virtual MMRESULT GetDevCaps(UINT id, MIXERCAPSW* caps);
  virtual MMRESULT GetLineInfo(HMIXER mixer, MIXERLINEW* line, DWORD flags);
  virtual MMRESULT Close(HMIXER mixer);
};

// The name of the microphone source line of the mixer named like the device;
// empty when none is found.
std::wstring FindMicrophoneLine(CMixerCalls& mixer, const std::wstring& deviceName);

class COrvelAudioFactory {
 public:
  COrvelAudioFactory();
  virtual ~COrvelAudioFactory();
  COrvelAudioFactory(const COrvelAudioFactory&) = delete;
  COrvelAudioFactory& operator=(const COrvelAudioFactory&) = delete;

  int EnumerateDevices();
  void ReleaseDevices();
  void SelectDevice(int index);
  // Takes over a device the enumeration found (tests hand in their own).
  void AddDevice(CAudioDevice* device, const wchar_t* lineName);

  const std::vector<CAudioDevice*>& GetDevices() const { return m_Devices; }
  int GetSelectedDevice() const { return m_nSelectedDevice; }

  // Null puts the system's mixer calls back.
  static void SetMixerCalls(CMixerCalls* calls);

 protected:
  // Lists the sound capture devices and hands each to AddDevice.
  virtual void ListDevices();

 private:
  void RestoreSelection();

  std::vector<CAudioDevice*> m_Devices;
  int m_nSelectedDevice = -1;
};

// The process-wide audio factory, null until one is constructed.
extern COrvelAudioFactory* g_pAudioFactory;
