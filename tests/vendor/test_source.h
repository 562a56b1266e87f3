// A small DirectShow source of the tests' own: one output pin offering one
// media type, with samples pushed by the test's thread (Push) or made by a
// generator thread while the filter runs. Optionally an input pin with
// IAMAudioInputMixer, like a sound card's line, that remembers put_Enable.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <atomic>
#include <functional>

class CTestSource final : public IBaseFilter {
 public:
  // Fills a buffer of the given capacity; returns the bytes used.
  using Generator = std::function<long(BYTE* data, long capacity)>;

  CTestSource(const AM_MEDIA_TYPE& type, long bufferSize, bool withMixerInput);

  HRESULT Push(const BYTE* data, long size, REFERENCE_TIME start = -1, REFERENCE_TIME stop = -1);
  HRESULT SendEndOfStream();
  HRESULT Flush();
  // The generator runs on its own thread from Pause/Run until Stop, one
  // buffer every periodMs.
  void SetGenerator(Generator generator, DWORD periodMs);
  IPin* OutputPin();
  IPin* MixerPin();
  bool MixerEnabled() const { return m_MixerEnabled; }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP GetClassID(CLSID* clsid) override;
  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Run(REFERENCE_TIME start) override;
  STDMETHODIMP GetState(DWORD timeout, FILTER_STATE* state) override;
  STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;
  STDMETHODIMP EnumPins(IEnumPins** pins) override;
  STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override;
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
  STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  STDMETHODIMP QueryVendorInfo(LPWSTR* info) override;

 private:
  class COutPin;
  class CMixerPin;
  friend class COutPin;
  friend class CMixerPin;
  ~CTestSource();
  static DWORD WINAPI GeneratorThread(void* self);
  void StopGenerator();

  std::atomic<LONG> m_Ref{1};
  CRITICAL_SECTION m_Lock;
  FILTER_STATE m_State = State_Stopped;
  IFilterGraph* m_Graph = nullptr;
  AM_MEDIA_TYPE m_Type;
  long m_BufferSize;
  COutPin* m_Out;
  CMixerPin* m_Mixer = nullptr;
  std::atomic<bool> m_MixerEnabled{false};
  Generator m_Generator;
  DWORD m_Period = 0;
  HANDLE m_Thread = nullptr;
  std::atomic<bool> m_GeneratorRun{false};
};
