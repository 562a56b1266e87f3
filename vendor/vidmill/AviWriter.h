// Writes an AVI file with an OpenDML (AVI 2.0) index: a first RIFF 'AVI '
// with a legacy idx1, then RIFF 'AVIX' extensions, each at most about 1 GiB,
// every segment indexed per stream by an ix## chunk that the stream's super
// index (indx) lists. One video stream, optionally one PCM stream.
#pragma once

#include <windows.h>
#include <mmreg.h>

#include <cstdint>
#include <vector>

namespace vidmill {

struct AviVideoFormat {
  int width = 0;
  int height = 0;  // positive: bottom-up rows for uncompressed frames
  bool mjpeg = false;
  DWORD rate = 30;  // frames per second = rate / scale
  DWORD scale = 1;
};

class CAviWriter {
 public:
  CAviWriter();
  ~CAviWriter();
  CAviWriter(const CAviWriter&) = delete;
  CAviWriter& operator=(const CAviWriter&) = delete;

  // Creates the file (replacing one already there); audio may be null.
  bool Open(const wchar_t* path, const AviVideoFormat& video, const WAVEFORMATEX* audio);
  // The frame rate may still change until Close (it is written then).
  void SetRate(DWORD rate, DWORD scale);
  bool WriteVideo(const BYTE* data, DWORD size);
  bool WriteAudio(const BYTE* data, DWORD size);
  // Completes the headers and indexes and closes the file.
  bool Close();
  // Closes without completing (the file is left unusable).
  void Abort();

  bool IsOpen() const { return m_File != INVALID_HANDLE_VALUE; }
  uint64_t VideoFrames() const { return m_Streams[0].total; }
  uint64_t AudioBytes() const { return m_Streams[1].total; }
  uint64_t FileSize() const { return m_Pos; }

  // A segment is closed when writing the next chunk would take it past this
  // size (1 GiB by default; tests lower it to see many segments).
  void SetSegmentLimit(uint64_t bytes) { m_SegmentLimit = bytes; }

 private:
  struct IndexEntry {
    uint64_t pos;  // file offset of the chunk's data
    DWORD size;
  };
  struct SuperEntry {
    uint64_t offset;  // file offset of the ix## chunk
    DWORD size;       // its size with the header
    DWORD duration;   // frames, or sample blocks
  };
  struct Stream {
    DWORD chunkId = 0;
    DWORD indexId = 0;
    uint64_t total = 0;         // frames (video) or bytes (audio)
    uint64_t segmentStart = 0;  // the same count when the current segment began
    DWORD maxChunk = 0;
    uint64_t indxOffset = 0;  // where the indx chunk's header lies
    uint64_t strhOffset = 0;
    std::vector<IndexEntry> entries;  // of the current segment
    std::vector<SuperEntry> super;
  };

  bool WriteRaw(const void* data, DWORD size);
  bool WriteAt(uint64_t offset, const void* data, DWORD size);
  bool Flush();
  bool WriteChunk(int stream, const BYTE* data, DWORD size);
  bool BeginSegment();
  bool EndSegment();
  bool WriteHeaders(bool final);

  HANDLE m_File = INVALID_HANDLE_VALUE;
  AviVideoFormat m_Video;
  bool m_HasAudio = false;
  WAVEFORMATEX m_Audio = {};
  Stream m_Streams[2];
  uint64_t m_Pos = 0;  // logical end of the file (buffer included)
  std::vector<BYTE> m_Buffer;
  size_t m_Buffered = 0;
  uint64_t m_SegmentLimit = uint64_t(1) << 30;
  uint64_t m_RiffOffset = 0;  // of the current RIFF header
  uint64_t m_MoviOffset = 0;  // of the current movi list's 'movi' fourcc
  int m_Segment = 0;
  uint64_t m_FirstRiffFrames = 0;
  bool m_Failed = false;
};

}  // namespace vidmill
