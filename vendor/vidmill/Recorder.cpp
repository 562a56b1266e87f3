// The recorder: frames (and sound) into an AVI file. WriteFrame copies the
// frame into a pool slot and returns; one worker thread per recording either
// encodes straight into the destination or spools raw frames to the
// temporary folder for a later Encode.
#include "vendor/vidmill/Vidmill.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "vendor/vidmill/AudioCapture.h"
#include "vendor/vidmill/AviWriter.h"
#include "vendor/vidmill/FrameEncoder.h"
#include "vendor/vidmill/Wait.h"

using namespace vidmill;

namespace {

constexpr int kPoolFrames = 12;
// Frames looked at before the frame rate is chosen.
constexpr int kRateFrames = 8;
constexpr int64_t kDefaultDurationMs = 60000;
// Gaps longer than this are closed up instead of filled.
constexpr int64_t kLongestGapMs = 60000;

struct SpoolRecord {
  DWORD stamp;
  DWORD bytes;
};

bool ReadAll(HANDLE file, void* data, DWORD size) {
  DWORD got = 0;
  return ::ReadFile(file, data, size, &got, nullptr) && got == size;
}

bool WriteAll(HANDLE file, const void* data, DWORD size) {
  DWORD put = 0;
  return ::WriteFile(file, data, size, &put, nullptr) && put == size;
}

}  // namespace

class CVidmillImpl {
 public:
  static CVidmill* NewRecorder() { return new CVidmill; }

  explicit CVidmillImpl(CVidmill* owner) : m_Owner(owner) {
    ::InitializeCriticalSection(&m_Lock);
    ::InitializeConditionVariable(&m_Filled);
    ::InitializeConditionVariable(&m_Freed);
  }
  ~CVidmillImpl() { ::DeleteCriticalSection(&m_Lock); }

  enum class Phase { Idle, Recording, Spooled, Encoding, Stopped };

  CVidmill* m_Owner;
  // Settings.
  int m_Width = 0, m_Height = 0;
  int m_Quality = VIDMILL_QUALITY_HIGH;
  int m_Format = VIDMILL_FORMAT_BITMAP;
  bool m_ClipOn = false;
  RECT m_Clip = {};
  int64_t m_Duration = kDefaultDurationMs;
  std::wstring m_FontFace;
  CAudioCapture m_Audio;

  // Shared with the worker, under m_Lock.
  CRITICAL_SECTION m_Lock;
  CONDITION_VARIABLE m_Filled, m_Freed;
  Phase m_Phase = Phase::Idle;
  bool m_Direct = true;
  bool m_TopDown = false;
  bool m_Ending = false;  // no more frames: the worker drains and finishes
  bool m_Abort = false;   // stop at once, leave no file
  std::vector<BYTE> m_PoolMemory;
  size_t m_FrameBytes = 0;
  DWORD m_Stamps[kPoolFrames] = {};
  int m_Free[kPoolFrames] = {};
  int m_FreeCount = 0;
  int m_Queue[kPoolFrames] = {};
  int m_QueueHead = 0, m_QueueCount = 0;
  bool m_HaveFirst = false;
  DWORD m_FirstStamp = 0;
  HANDLE m_Thread = nullptr;
  bool m_Complete = false;  // the destination holds a finished file

  // Buffered recordings.
  HANDLE m_Spool = INVALID_HANDLE_VALUE;
  std::vector<DWORD> m_SpoolStamps;
  HANDLE m_AudioSpool = INVALID_HANDLE_VALUE;
  uint64_t m_AudioSpoolBytes = 0;
  bool m_SpoolFailed = false;

  // Worker state.
  CFrameEncoder m_Encoder;
  CAviWriter m_Writer;
  std::wstring m_PartPath;
  RECT m_UsedClip = {};

  BYTE* Slot(int i) { return m_PoolMemory.data() + size_t(i) * m_FrameBytes; }

  RECT ClampedClip() const {
    RECT r = {0, 0, m_Width, m_Height};
    if (m_ClipOn) {
      RECT c = m_Clip;
      c.left = std::max<LONG>(c.left, 0);
      c.top = std::max<LONG>(c.top, 0);
      c.right = std::min<LONG>(c.right, m_Width);
      c.bottom = std::min<LONG>(c.bottom, m_Height);
      if (c.right > c.left && c.bottom > c.top) r = c;
    }
    return r;
  }

  bool Start() {
    if (m_Phase != Phase::Idle || m_Width <= 0 || m_Height <= 0) return false;
    m_Direct = m_Owner->m_DirectFile != 0;
    m_TopDown = m_Owner->m_SlideShow != 0;
    if (m_Direct && (!m_Owner->m_Destination || !*m_Owner->m_Destination)) return false;
    m_FrameBytes = size_t(m_Width) * 4 * size_t(m_Height);
    try {
      m_PoolMemory.resize(m_FrameBytes * kPoolFrames);
    } catch (const std::bad_alloc&) {
      return false;
    }
    for (int i = 0; i < kPoolFrames; ++i) m_Free[i] = i;
    m_FreeCount = kPoolFrames;
    m_QueueHead = m_QueueCount = 0;
    m_HaveFirst = false;
    m_Ending = m_Abort = false;
    const bool audio = m_Owner->m_AudioEnabled && m_Audio.HasSource();
    if (m_Direct) {
      m_UsedClip = ClampedClip();
      if (!OpenDestination(audio && m_Audio.Prepare())) return false;
    } else {
      if (!OpenSpool(&m_Spool)) return false;
      m_SpoolStamps.clear();
      m_SpoolStamps.reserve(size_t(std::max<int64_t>(m_Duration, 1000)) + kPoolFrames);
      m_SpoolFailed = false;
      m_AudioSpoolBytes = 0;
      if (audio && m_Audio.Prepare() && !OpenSpool(&m_AudioSpool)) m_Audio.Release();
    }
    if (audio && m_Audio.IsPrepared()) m_Audio.Run();
    m_Phase = Phase::Recording;
    m_Thread = ::CreateThread(nullptr, 0, m_Direct ? &DirectThread : &SpoolThread, this, 0, nullptr);
    if (!m_Thread) {
      m_Phase = Phase::Idle;
      m_Audio.Stop();
      m_Writer.Abort();
      ::DeleteFileW(m_PartPath.c_str());
      CloseSpools();
      return false;
    }
    return true;
  }

  bool OpenSpool(HANDLE* file) {
    wchar_t folder[MAX_PATH + 1], name[MAX_PATH + 1];
    DWORD n = ::GetTempPathW(MAX_PATH + 1, folder);
    if (n == 0 || n > MAX_PATH || !::GetTempFileNameW(folder, L"vdm", 0, name)) return false;
    // Deleted by the system when the recorder lets go of it.
    *file = ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (*file == INVALID_HANDLE_VALUE) {
      ::DeleteFileW(name);
      return false;
    }
    return true;
  }

  void CloseSpools() {
    if (m_Spool != INVALID_HANDLE_VALUE) ::CloseHandle(m_Spool);
    if (m_AudioSpool != INVALID_HANDLE_VALUE) ::CloseHandle(m_AudioSpool);
    m_Spool = m_AudioSpool = INVALID_HANDLE_VALUE;
  }

  // The file grows under a name of its own and takes the destination's name
  // only when complete, so an older file of that name survives a failure.
  bool OpenDestination(bool withAudio) {
    m_PartPath = std::wstring(m_Owner->m_Destination) + L".part";
    const RECT& c = m_UsedClip;
    AviVideoFormat video;
    video.width = c.right - c.left;
    video.height = c.bottom - c.top;
    video.mjpeg = m_Format == VIDMILL_FORMAT_MJPEG;
    if (!m_Encoder.Configure(video.width, video.height, video.mjpeg, m_Quality)) return false;
    if (!m_Writer.Open(m_PartPath.c_str(), video, withAudio ? &m_Audio.Format() : nullptr)) {
      ::DeleteFileW(m_PartPath.c_str());
      return false;
    }
    return true;
  }

  bool FinishDestination(bool keep) {
    bool ok = keep && m_Writer.VideoFrames() > 0 && m_Writer.Close();
    m_Writer.Abort();
    if (ok) ok = ::MoveFileExW(m_PartPath.c_str(), m_Owner->m_Destination, MOVEFILE_REPLACE_EXISTING) != 0;
    if (!ok) ::DeleteFileW(m_PartPath.c_str());
    return ok;
  }

  int WriteFrame(const BYTE* pixels, int stride, DWORD ms) {
    if (!pixels) return 0;
    ::EnterCriticalSection(&m_Lock);
    if (m_Phase != Phase::Recording || m_Ending) {
      ::LeaveCriticalSection(&m_Lock);
      return 0;
    }
    if (!m_HaveFirst) {
      m_HaveFirst = true;
      m_FirstStamp = ms;
      m_Audio.MarkStart();
    } else if (!m_Direct && int64_t(int32_t(ms - m_FirstStamp)) > m_Duration) {
      ::LeaveCriticalSection(&m_Lock);
      return 0;
    }
    while (m_FreeCount == 0 && !m_Ending) ::SleepConditionVariableCS(&m_Freed, &m_Lock, INFINITE);
    if (m_Ending) {
      ::LeaveCriticalSection(&m_Lock);
      return 0;
    }
    const int slot = m_Free[--m_FreeCount];
    ::LeaveCriticalSection(&m_Lock);

    // Copied outside the lock: the slot is ours until it is queued.
    BYTE* dst = Slot(slot);
    const size_t row = size_t(m_Width) * 4;
    for (int y = 0; y < m_Height; ++y) {
      const int from = m_TopDown ? m_Height - 1 - y : y;  // the pool holds bottom-up frames
      std::memcpy(dst + row * y, pixels + ptrdiff_t(stride) * from, row);
    }

    ::EnterCriticalSection(&m_Lock);
    m_Stamps[slot] = ms;
    m_Queue[(m_QueueHead + m_QueueCount++) % kPoolFrames] = slot;
    ::LeaveCriticalSection(&m_Lock);
    ::WakeConditionVariable(&m_Filled);
    return 1;
  }

  // Waits for a queued frame; -1 when the recording ends and none is left.
  int TakeFrame(DWORD* stamp) {
    ::EnterCriticalSection(&m_Lock);
    while (m_QueueCount == 0 && !m_Ending && !m_Abort) ::SleepConditionVariableCS(&m_Filled, &m_Lock, INFINITE);
    int slot = -1;
    if (m_QueueCount > 0 && !m_Abort) {
      slot = m_Queue[m_QueueHead];
      m_QueueHead = (m_QueueHead + 1) % kPoolFrames;
      --m_QueueCount;
      *stamp = m_Stamps[slot];
    }
    ::LeaveCriticalSection(&m_Lock);
    return slot;
  }

  void GiveBack(int slot) {
    ::EnterCriticalSection(&m_Lock);
    m_Free[m_FreeCount++] = slot;
    ::LeaveCriticalSection(&m_Lock);
    ::WakeConditionVariable(&m_Freed);
  }

  // Stamps of the first queued frames, to choose the rate before encoding.
  void PeekStamps(std::vector<DWORD>& stamps) {
    ::EnterCriticalSection(&m_Lock);
    while (m_QueueCount < kRateFrames && !m_Ending && !m_Abort)
      ::SleepConditionVariableCS(&m_Filled, &m_Lock, INFINITE);
    for (int i = 0; i < m_QueueCount; ++i) stamps.push_back(m_Stamps[m_Queue[(m_QueueHead + i) % kPoolFrames]]);
    ::LeaveCriticalSection(&m_Lock);
  }

  bool Aborted() {
    ::EnterCriticalSection(&m_Lock);
    bool abort = m_Abort;
    ::LeaveCriticalSection(&m_Lock);
    return abort;
  }

  static DWORD WINAPI DirectThread(void* self) {
    static_cast<CVidmillImpl*>(self)->RunDirect();
    return 0;
  }
  static DWORD WINAPI SpoolThread(void* self) {
    static_cast<CVidmillImpl*>(self)->RunSpool();
    return 0;
  }
  static DWORD WINAPI EncodeThread(void* self) {
    static_cast<CVidmillImpl*>(self)->RunEncode();
    return 0;
  }

  void RunDirect() {
    std::vector<DWORD> stamps;
    stamps.reserve(kPoolFrames);
    PeekStamps(stamps);
    CFrameClock clock(stamps, kLongestGapMs);
    m_Writer.SetRate(clock.Rate(), clock.Scale());
    bool ok = true;
    DWORD stamp = 0;
    for (int slot; (slot = TakeFrame(&stamp)) >= 0;) {
      if (ok) ok = EmitFrame(clock, Slot(slot), stamp);
      GiveBack(slot);
    }
    m_Audio.Stop();
    if (ok && !Aborted()) ok = FinishAudio(clock);
    const bool complete = FinishDestination(ok && !Aborted());
    ::EnterCriticalSection(&m_Lock);
    m_Complete = complete;
    ::LeaveCriticalSection(&m_Lock);
  }

  // Writes one frame at its place on the constant-rate time line, repeating
  // the previous frame over a gap and dropping a frame whose place is taken.
  bool EmitFrame(CFrameClock& clock, const BYTE* frame, DWORD stamp) {
    int repeats = 0;
    if (!clock.Place(stamp, &repeats)) return true;
    for (int i = 0; i < repeats; ++i) {
      if (!m_Writer.WriteVideo(m_Encoder.Data(), m_Encoder.Size()) || !PumpAudio(clock)) return false;
      clock.Advance();
    }
    const RECT& c = m_UsedClip;
    // Rows of the clip, counted from the top, in the bottom-up frame.
    const size_t row = size_t(m_Width) * 4;
    const BYTE* bottom = frame + row * size_t(m_Height - c.bottom) + size_t(c.left) * 4;
    if (!m_Encoder.Encode(bottom, ptrdiff_t(row))) return false;
    if (!m_Writer.WriteVideo(m_Encoder.Data(), m_Encoder.Size())) return false;
    clock.Advance();
    return PumpAudio(clock);
  }

  // Sound up to the end of the frames written so far.
  bool PumpAudio(const CFrameClock& clock) {
    if (!m_Audio.IsPrepared()) return true;
    const uint64_t want = m_Audio.BytesAt(clock.Frames(), clock.Rate(), clock.Scale());
    BYTE* data = nullptr;
    DWORD size = 0;
    while (m_Writer.AudioBytes() < want && m_Audio.Peek(&data, &size, want - m_Writer.AudioBytes())) {
      if (!m_Writer.WriteAudio(data, size)) return false;
      m_Audio.Consume(size);
    }
    return true;
  }

  // The sound stream ends with the picture: silence makes up a shortfall.
  bool FinishAudio(const CFrameClock& clock) {
    if (!m_Audio.IsPrepared()) return true;
    if (!PumpAudio(clock)) return false;
    const uint64_t want = m_Audio.BytesAt(clock.Frames(), clock.Rate(), clock.Scale());
    while (m_Writer.AudioBytes() < want) {
      const DWORD n = DWORD(std::min<uint64_t>(want - m_Writer.AudioBytes(), m_Audio.Silence().size()));
      if (!m_Writer.WriteAudio(m_Audio.Silence().data(), n)) return false;
    }
    return true;
  }

  void RunSpool() {
    DWORD stamp = 0;
    for (int slot; (slot = TakeFrame(&stamp)) >= 0;) {
      if (!m_SpoolFailed) {
        const SpoolRecord record = {stamp, DWORD(m_FrameBytes)};
        m_SpoolFailed = !WriteAll(m_Spool, &record, sizeof record) || !WriteAll(m_Spool, Slot(slot), record.bytes);
        if (!m_SpoolFailed) m_SpoolStamps.push_back(stamp);
      }
      GiveBack(slot);
      SpoolAudio();
    }
    m_Audio.Stop();
    SpoolAudio();
  }

  void SpoolAudio() {
    if (m_AudioSpool == INVALID_HANDLE_VALUE) return;
    BYTE* data = nullptr;
    DWORD size = 0;
    while (m_Audio.Peek(&data, &size, ~uint64_t(0))) {
      if (!WriteAll(m_AudioSpool, data, size)) break;
      m_AudioSpoolBytes += size;
      m_Audio.Consume(size);
    }
  }

  // Ends the worker: drains what is queued (abort: drops it) and waits for it
  // while sent messages are dispatched, since an observer may be sending to
  // the waiting thread.
  void EndWorker(bool abort) {
    ::EnterCriticalSection(&m_Lock);
    m_Ending = true;
    if (abort) m_Abort = true;
    ::LeaveCriticalSection(&m_Lock);
    ::WakeAllConditionVariable(&m_Filled);
    ::WakeAllConditionVariable(&m_Freed);
    if (m_Thread) {
      WaitPumpingSent(m_Thread);
      ::CloseHandle(m_Thread);
      m_Thread = nullptr;
    }
  }

  int Encode() {
    if (m_Phase != Phase::Recording || m_Direct) return 0;
    if (!m_Owner->m_Destination || !*m_Owner->m_Destination) return 0;
    EndWorker(false);  // the spool is complete
    m_Phase = Phase::Spooled;
    if (m_SpoolFailed || m_SpoolStamps.empty()) return 0;
    ::EnterCriticalSection(&m_Lock);
    m_Ending = m_Abort = false;
    ::LeaveCriticalSection(&m_Lock);
    m_UsedClip = ClampedClip();
    const bool audio = m_AudioSpool != INVALID_HANDLE_VALUE;
    if (!OpenDestination(audio)) return 0;
    m_Phase = Phase::Encoding;
    m_Thread = ::CreateThread(nullptr, 0, &EncodeThread, this, 0, nullptr);
    if (!m_Thread) {
      FinishDestination(false);
      m_Phase = Phase::Spooled;
      return 0;
    }
    return 1;
  }

  CVidmillObserver* Observer() { return __atomic_load_n(&m_Owner->m_Observer, __ATOMIC_ACQUIRE); }

  void Tell(int state) {
    if (Aborted()) return;
    if (CVidmillObserver* o = Observer()) o->OnState(0, state);
  }
  void TellProgress(int percent) {
    if (Aborted()) return;
    if (CVidmillObserver* o = Observer()) o->OnProgress(percent);
  }

  void RunEncode() {
    Tell(VIDMILL_STATE_RUNNING);
    TellProgress(0);
    const size_t count = m_SpoolStamps.size();
    std::vector<DWORD> first(m_SpoolStamps.begin(), m_SpoolStamps.begin() + std::min<size_t>(count, kRateFrames));
    CFrameClock clock(first, kLongestGapMs);
    m_Writer.SetRate(clock.Rate(), clock.Scale());
    if (m_AudioSpool != INVALID_HANDLE_VALUE) m_Audio.ReplayFrom(m_AudioSpool, m_AudioSpoolBytes);
    LARGE_INTEGER zero = {};
    bool ok = ::SetFilePointerEx(m_Spool, zero, nullptr, FILE_BEGIN) != 0;
    BYTE* frame = Slot(0);
    int percent = 0;
    for (size_t i = 0; ok && i < count && !Aborted(); ++i) {
      SpoolRecord record;
      ok = ReadAll(m_Spool, &record, sizeof record) && record.bytes == m_FrameBytes &&
           ReadAll(m_Spool, frame, record.bytes) && EmitFrame(clock, frame, record.stamp);
      const int now = int((i + 1) * 100 / count);
      if (ok && now != percent && now < 100) TellProgress(percent = now);
    }
    if (ok && !Aborted()) ok = FinishAudio(clock);
    const bool complete = FinishDestination(ok && !Aborted());
    ::EnterCriticalSection(&m_Lock);
    m_Complete = complete;
    ::LeaveCriticalSection(&m_Lock);
    if (complete) TellProgress(100);
    Tell(complete ? VIDMILL_STATE_DONE : VIDMILL_STATE_FAILED);
  }

  int Stop() {
    switch (m_Phase) {
      case Phase::Idle:
        m_Phase = Phase::Stopped;
        return 0;
      case Phase::Recording:
        EndWorker(false);
        m_Audio.Stop();
        break;
      case Phase::Encoding:
        EndWorker(true);  // a cancelled encoding leaves no file
        break;
      case Phase::Spooled:
      case Phase::Stopped:
        break;
    }
    if (m_Phase != Phase::Stopped) {
      m_Phase = Phase::Stopped;
      m_Audio.Release();
      CloseSpools();
      std::vector<BYTE>().swap(m_PoolMemory);
    }
    ::EnterCriticalSection(&m_Lock);
    const bool complete = m_Complete;
    ::LeaveCriticalSection(&m_Lock);
    return complete ? 1 : 0;
  }
};

CVidmill::CVidmill() : m_Impl(new CVidmillImpl(this)) {}

CVidmill::~CVidmill() {
  m_Impl->Stop();
  delete m_Impl;
  delete[] m_Destination;
}

void CVidmill::SetDestinationFileName(const wchar_t* path) {
  delete[] m_Destination;
  m_Destination = nullptr;
  if (path && *path) {
    const size_t n = wcslen(path);
    m_Destination = new wchar_t[n + 1];
    std::memcpy(m_Destination, path, (n + 1) * sizeof(wchar_t));
  }
}

void CVidmill::SetInputMediaFormat(int width, int height, int bits) {
  if (m_Impl->m_Phase != CVidmillImpl::Phase::Idle) return;
  const bool ok = bits == 32 && width > 0 && height > 0 && width <= 16384 && height <= 16384;
  m_Impl->m_Width = ok ? width : 0;
  m_Impl->m_Height = ok ? height : 0;
}

void CVidmill::SetQuality(int quality) {
  m_Impl->m_Quality = std::clamp(quality, int(VIDMILL_QUALITY_HIGH), int(VIDMILL_QUALITY_LOW));
}

void CVidmill::SetFormat(int format) {
  m_Impl->m_Format = format == VIDMILL_FORMAT_MJPEG ? VIDMILL_FORMAT_MJPEG : VIDMILL_FORMAT_BITMAP;
}

void CVidmill::SetClipRect(int enable, const RECT* rect) {
  m_Impl->m_ClipOn = enable && rect;
  if (rect) m_Impl->m_Clip = *rect;
}

void CVidmill::SetDuration(int64_t ms) { m_Impl->m_Duration = ms > 0 ? ms : kDefaultDurationMs; }
int64_t CVidmill::GetDuration() { return m_Impl->m_Duration; }
void CVidmill::SetFontFace(const wchar_t* face) { m_Impl->m_FontFace = face ? face : L""; }

void CVidmill::SetAudioSource(IBaseFilter* filter, IPin* pin) {
  if (m_Impl->m_Phase == CVidmillImpl::Phase::Idle) m_Impl->m_Audio.SetSource(filter, pin);
}

int CVidmill::WriteFrame(const BYTE* pixels, int stride, DWORD ms, int) {
  return m_Impl->WriteFrame(pixels, stride, ms);
}

int CVidmill::Start() { return m_Impl->Start() ? 1 : 0; }
int CVidmill::Stop() { return m_Impl->Stop(); }
int CVidmill::Encode() { return m_Impl->Encode(); }

CVidmill* CreateVidmill() { return CVidmillImpl::NewRecorder(); }
void DeleteVidmill(CVidmill* recorder) { delete recorder; }
