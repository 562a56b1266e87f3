// Vidmill.dll: the media library. A grabber filter that hands DirectShow
// frames to a callback, and a recorder that writes frames and sound into an
// AVI file (direct, or buffered and encoded later).
#pragma once

#include <windows.h>
#include <strmif.h>

#include <cstdint>

#ifdef VIDMILL_BUILD
#define VIDMILL_API __declspec(dllexport)
#else
#define VIDMILL_API __declspec(dllimport)
#endif

// Told by the recorder's own thread while it encodes.
class CVidmillObserver {
 public:
  // state: VIDMILL_STATE_*; the first argument is always 0.
  virtual void OnState(int reserved, int state) = 0;
  virtual void OnProgress(int percent) = 0;  // 0..100
};

enum VidmillState {
  VIDMILL_STATE_DONE = 0,     // finished: the destination file is complete
  VIDMILL_STATE_RUNNING = 1,  // the encoding has begun
  VIDMILL_STATE_FAILED = 2,   // finished: nothing usable was written
};

enum VidmillQuality { VIDMILL_QUALITY_HIGH = 0, VIDMILL_QUALITY_MIDDLE = 1, VIDMILL_QUALITY_LOW = 2 };
enum VidmillFormat { VIDMILL_FORMAT_BITMAP = 0, VIDMILL_FORMAT_MJPEG = 1 };

class CVidmill;
class CVidmillImpl;
class CMediaGrabber;

extern "C" {
// Never null.
VIDMILL_API CVidmill* CreateVidmill();
VIDMILL_API void DeleteVidmill(CVidmill* recorder);
VIDMILL_API CMediaGrabber* CreateMediaGrabber();
}

class VIDMILL_API CVidmill {
 public:
  // Copies the path; null or empty clears it.
  void SetDestinationFileName(const wchar_t* path);
  // Size of the frames WriteFrame gets; bits must be 32.
  void SetInputMediaFormat(int width, int height, int bits);
  void SetQuality(int quality);  // VidmillQuality
  void SetFormat(int format);    // VidmillFormat
  // The part of the picture to record, counted from its top-left corner;
  // clamped to the frame when the recording starts or is encoded.
  void SetClipRect(int enable, const RECT* rect);

  virtual ~CVidmill();
  // Buffered recordings keep at most this much (from the first frame).
  virtual void SetDuration(int64_t ms);
  virtual int64_t GetDuration();
  virtual void SetFontFace(const wchar_t* face);
  // The sound capture filter and the input pin to enable on it; both are held
  // until the recorder is deleted.
  virtual void SetAudioSource(IBaseFilter* filter, IPin* pin);
  // Queues one frame of the input format (bottom row first, or top row first
  // when m_SlideShow is set) stamped in milliseconds; returns 0 when it was
  // not taken (not started, stopped, or past the buffered duration).
  virtual int WriteFrame(const BYTE* pixels, int stride, DWORD ms, int flags);
  // Opens the destination (direct) or the spool (buffered); 0 on failure.
  virtual int Start();
  // Ends a recording or aborts an encoding; returns 1 when the destination
  // holds a complete file, 0 otherwise (never started, failed, or cancelled).
  // No observer call comes after it returns; calling it again changes nothing.
  virtual int Stop();
  // Encodes a buffered recording into the destination on the library's
  // thread; returns at once, non-zero when the encoding runs.
  virtual int Encode();

  // Destination path (owned by the recorder, null when none).
  wchar_t* m_Destination = nullptr;
  CVidmillObserver* m_Observer = nullptr;
  int m_DirectFile = 1;    // 1: straight into the destination; 0: spooled for Encode
  int m_AudioEnabled = 0;  // record sound from the audio source
  int m_Reserved = 0;
  int m_SlideShow = 0;  // frames arrive top row first

 private:
  friend class CVidmillImpl;  // CreateVidmill makes recorders through it
  CVidmill();
  CVidmill(const CVidmill&) = delete;
  CVidmill& operator=(const CVidmill&) = delete;
  CVidmillImpl* m_Impl;
};

class CMediaGrabberCallback {
 public:
  // One call per frame on a streaming thread: 32-bit BGRA, stride width x 4,
  // bottom row first; flag is the grabber's m_Flag.
  virtual void OnSample(const BYTE* pixels, int flag) = 0;
};

class CMediaGrabber {
 public:
  // Null detaches; no callback runs after this returns (a callback still
  // running on another thread is waited for, with sent messages dispatched).
  virtual void SetCallback(CMediaGrabberCallback* callback) = 0;
  virtual HRESULT GetFilter(IBaseFilter** filter) = 0;
  // Destroys the grabber; the filter lives on while references to it remain.
  virtual void Release() = 0;
  // Size of the connected stream's frames (0 x 0 before the connection).
  virtual void GetFrameSize(int* width, int* height) = 0;

  int m_Flag = 0;

 protected:
  virtual ~CMediaGrabber() = default;
};
