// A DirectShow renderer with one input pin, written against the platform's
// interfaces: the grabber and the recorder's sound sink derive from it. It
// takes the upstream allocator, holds samples while paused, presents timed
// samples at their time on the graph clock (when asked to), honours flushes,
// sends EC_COMPLETE once running at the end of the stream, and passes
// IMediaSeeking to the filter upstream.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <atomic>

namespace vidmill {

void FreeMediaTypeFields(AM_MEDIA_TYPE& mt);
bool CopyMediaTypeFields(AM_MEDIA_TYPE& to, const AM_MEDIA_TYPE& from);

class CSinkFilter : public IBaseFilter, public IMediaSeeking, public IAMFilterMiscFlags {
 public:
  CSinkFilter(const CLSID& clsid, const wchar_t* pinName, bool presentOnClock);

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;
  // IPersist, IMediaFilter, IBaseFilter
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
  // IAMFilterMiscFlags
  STDMETHODIMP_(ULONG) GetMiscFlags() override;
  // IMediaSeeking, passed to the pin upstream
  STDMETHODIMP GetCapabilities(DWORD* caps) override;
  STDMETHODIMP CheckCapabilities(DWORD* caps) override;
  STDMETHODIMP IsFormatSupported(const GUID* format) override;
  STDMETHODIMP QueryPreferredFormat(GUID* format) override;
  STDMETHODIMP GetTimeFormat(GUID* format) override;
  STDMETHODIMP IsUsingTimeFormat(const GUID* format) override;
  STDMETHODIMP SetTimeFormat(const GUID* format) override;
  STDMETHODIMP GetDuration(LONGLONG* duration) override;
  STDMETHODIMP GetStopPosition(LONGLONG* stop) override;
  STDMETHODIMP GetCurrentPosition(LONGLONG* current) override;
  STDMETHODIMP ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                 const GUID* sourceFormat) override;
  STDMETHODIMP SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) override;
  STDMETHODIMP GetPositions(LONGLONG* current, LONGLONG* stop) override;
  STDMETHODIMP GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
  STDMETHODIMP SetRate(double rate) override;
  STDMETHODIMP GetRate(double* rate) override;
  STDMETHODIMP GetPreroll(LONGLONG* preroll) override;

 protected:
  virtual ~CSinkFilter();
  // The media type check; Prepare readies the filter for accepted types (also
  // for a type that arrives with a sample) and may still refuse.
  virtual bool Accept(const AM_MEDIA_TYPE& mt) = 0;
  virtual bool Prepare(const AM_MEDIA_TYPE& mt) = 0;
  virtual void Deliver(const BYTE* data, long size) = 0;

  CRITICAL_SECTION m_Lock;  // state and connection

 private:
  class CPin;
  friend class CPin;
  HRESULT Receive(IMediaSample* sample);
  bool WaitForPresentation(IMediaSample* sample);
  void NotifyComplete();
  IMediaSeeking* Upstream();

  std::atomic<LONG> m_Ref{1};
  CLSID m_Clsid;
  bool m_PresentOnClock;
  FILTER_STATE m_State = State_Stopped;
  REFERENCE_TIME m_Start = 0;
  IReferenceClock* m_Clock = nullptr;
  IFilterGraph* m_Graph = nullptr;  // not held: the graph holds us
  wchar_t m_Name[MAX_FILTER_NAME] = {};
  bool m_Flushing = false;
  bool m_EndOfStream = false;
  bool m_CompleteSent = false;
  HANDLE m_RunEvent;    // set while running
  HANDLE m_AbortEvent;  // set while stopped or flushing
  CPin* m_Pin;
};

}  // namespace vidmill
