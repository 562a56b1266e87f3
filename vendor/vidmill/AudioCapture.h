// Sound for a recording: the chosen capture filter runs in a small graph of
// its own into a PCM sink; the samples collect in a ring from which the
// recorder takes them (or, for an encoding, from the spooled copy).
#pragma once

#include <windows.h>
#include <mmreg.h>
#include <control.h>
#include <strmif.h>

#include <cstdint>
#include <vector>

namespace vidmill {

class CPcmSink;

class CAudioCapture {
 public:
  CAudioCapture();
  ~CAudioCapture();
  CAudioCapture(const CAudioCapture&) = delete;
  CAudioCapture& operator=(const CAudioCapture&) = delete;

  void SetSource(IBaseFilter* filter, IPin* input);
  bool HasSource() const { return m_Source != nullptr; }
  // Builds the graph: enables the input, connects the capture pin to the sink.
  bool Prepare();
  bool IsPrepared() const { return m_Prepared; }
  const WAVEFORMATEX& Format() const { return m_Format; }
  bool Run();
  void Stop();
  // Stops and tears the graph down; the source stays set.
  void Release();

  // Sound before this moment is dropped (called with the first frame).
  void MarkStart();
  // Bytes of sound that last as long as frames at rate / scale frames a second.
  uint64_t BytesAt(uint64_t frames, DWORD rate, DWORD scale) const;
  // The next run of collected bytes (at most max, whole blocks); false when none.
  bool Peek(BYTE** data, DWORD* size, uint64_t max);
  void Consume(DWORD size);
  const std::vector<BYTE>& Silence() const { return m_Silence; }
  // From now on Peek reads the spooled sound of a buffered recording.
  void ReplayFrom(HANDLE spool, uint64_t bytes);

  // Called by the sink on its streaming thread.
  void Collect(const BYTE* data, DWORD size);

 private:
  IBaseFilter* m_Source = nullptr;
  IPin* m_Input = nullptr;
  IGraphBuilder* m_Graph = nullptr;
  IMediaControl* m_Control = nullptr;
  CPcmSink* m_Sink = nullptr;
  bool m_Prepared = false;
  bool m_Running = false;
  WAVEFORMATEX m_Format = {};
  std::vector<BYTE> m_Silence;

  CRITICAL_SECTION m_Lock;
  std::vector<BYTE> m_Ring;
  uint64_t m_Written = 0;  // bytes ever collected
  uint64_t m_Read = 0;     // bytes ever taken or dropped
  bool m_Started = false;  // MarkStart came: keep what arrives
  HANDLE m_Replay = INVALID_HANDLE_VALUE;
  uint64_t m_ReplayLeft = 0;
  std::vector<BYTE> m_Chunk;
};

}  // namespace vidmill
