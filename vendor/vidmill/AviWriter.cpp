#include "vendor/vidmill/AviWriter.h"

#include <algorithm>
#include <cstring>

namespace vidmill {

namespace {

constexpr DWORD FourCC(const char (&s)[5]) {
  return DWORD(BYTE(s[0])) | DWORD(BYTE(s[1])) << 8 | DWORD(BYTE(s[2])) << 16 | DWORD(BYTE(s[3])) << 24;
}

// Room in each stream's super index: one entry per segment, so about 256 GiB.
constexpr size_t kSuperEntries = 256;
constexpr DWORD kAvifHasIndex = 0x10;
constexpr DWORD kAvifIsInterleaved = 0x100;
constexpr DWORD kAviifKeyframe = 0x10;
constexpr size_t kBufferSize = 1 << 20;

// Little-endian record builder for the headers and index chunks.
class CBytes {
 public:
  explicit CBytes(std::vector<BYTE>& out) : m_Out(out) { m_Out.clear(); }
  void U8(BYTE v) { m_Out.push_back(v); }
  void U16(WORD v) {
    U8(BYTE(v));
    U8(BYTE(v >> 8));
  }
  void U32(DWORD v) {
    U16(WORD(v));
    U16(WORD(v >> 16));
  }
  void U64(uint64_t v) {
    U32(DWORD(v));
    U32(DWORD(v >> 32));
  }
  void Zeros(size_t n) { m_Out.insert(m_Out.end(), n, 0); }
  size_t Size() const { return m_Out.size(); }
  // Opens a chunk (or a LIST with its type) and returns where its size goes.
  size_t Open(DWORD id) {
    U32(id);
    size_t at = Size();
    U32(0);
    return at;
  }
  size_t OpenList(DWORD list, DWORD type) {
    size_t at = Open(list);
    U32(type);
    return at;
  }
  void Close(size_t at) {
    DWORD size = DWORD(Size() - at - 4);
    std::memcpy(&m_Out[at], &size, 4);
  }

 private:
  std::vector<BYTE>& m_Out;
};

}  // namespace

CAviWriter::CAviWriter() {
  m_Streams[0].chunkId = FourCC("00db");
  m_Streams[0].indexId = FourCC("ix00");
  m_Streams[1].chunkId = FourCC("01wb");
  m_Streams[1].indexId = FourCC("ix01");
}

CAviWriter::~CAviWriter() { Abort(); }

bool CAviWriter::Open(const wchar_t* path, const AviVideoFormat& video, const WAVEFORMATEX* audio) {
  Abort();
  if (!path || video.width <= 0 || video.height <= 0 || video.rate == 0 || video.scale == 0) return false;
  if (audio && (audio->wFormatTag != WAVE_FORMAT_PCM || audio->nBlockAlign == 0 || audio->nAvgBytesPerSec == 0))
    return false;
  m_Video = video;
  m_HasAudio = audio != nullptr;
  if (audio) m_Audio = *audio;
  m_Audio.cbSize = 0;
  m_Streams[0].chunkId = FourCC(video.mjpeg ? "00dc" : "00db");
  for (Stream& s : m_Streams) {
    s.total = s.segmentStart = 0;
    s.maxChunk = 0;
    s.entries.clear();
    s.entries.reserve(1 << 16);
    s.super.clear();
    s.super.reserve(kSuperEntries);
  }
  m_Buffer.resize(kBufferSize);
  m_Buffered = 0;
  m_Pos = 0;
  m_Segment = 0;
  m_FirstRiffFrames = 0;
  m_Failed = false;
  m_File = ::CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (m_File == INVALID_HANDLE_VALUE) return false;
  if (!WriteHeaders(false)) {
    Abort();
    return false;
  }
  return true;
}

void CAviWriter::SetRate(DWORD rate, DWORD scale) {
  if (rate && scale) {
    m_Video.rate = rate;
    m_Video.scale = scale;
  }
}

// The header block has the same size before and after the recording, so the
// final values are written over the first ones.
bool CAviWriter::WriteHeaders(bool final) {
  std::vector<BYTE> block;
  CBytes b(block);
  const DWORD streams = m_HasAudio ? 2 : 1;
  const Stream& v = m_Streams[0];
  const Stream& a = m_Streams[1];
  const DWORD usPerFrame = DWORD(uint64_t(1000000) * m_Video.scale / m_Video.rate);
  const uint64_t seconds100 = v.total ? v.total * m_Video.scale * 100 / m_Video.rate : 0;
  const uint64_t bytes = m_Pos;

  size_t riff = b.OpenList(FourCC("RIFF"), FourCC("AVI "));
  size_t hdrl = b.OpenList(FourCC("LIST"), FourCC("hdrl"));
  size_t avih = b.Open(FourCC("avih"));
  b.U32(usPerFrame);
  b.U32(seconds100 ? DWORD(std::min<uint64_t>(bytes * 100 / seconds100, 0xFFFFFFFFu)) : 0);
  b.U32(0);
  b.U32(kAvifHasIndex | (m_HasAudio ? kAvifIsInterleaved : 0));
  b.U32(DWORD(final ? (m_Segment == 0 ? v.total : m_FirstRiffFrames) : 0));
  b.U32(0);
  b.U32(streams);
  b.U32(std::max(v.maxChunk, a.maxChunk));
  b.U32(DWORD(m_Video.width));
  b.U32(DWORD(m_Video.height));
  b.Zeros(16);
  b.Close(avih);

  for (DWORD s = 0; s < streams; ++s) {
    const Stream& st = m_Streams[s];
    size_t strl = b.OpenList(FourCC("LIST"), FourCC("strl"));
    size_t strh = b.Open(FourCC("strh"));
    if (s == 0) {
      b.U32(FourCC("vids"));
      b.U32(m_Video.mjpeg ? FourCC("MJPG") : 0);
      b.U32(0);
      b.U16(0);
      b.U16(0);
      b.U32(0);
      b.U32(m_Video.scale);
      b.U32(m_Video.rate);
      b.U32(0);
      b.U32(DWORD(st.total));
      b.U32(st.maxChunk);
      b.U32(0xFFFFFFFF);
      b.U32(0);
      b.U16(0);
      b.U16(0);
      b.U16(WORD(m_Video.width));
      b.U16(WORD(m_Video.height));
    } else {
      b.U32(FourCC("auds"));
      b.U32(0);
      b.U32(0);
      b.U16(0);
      b.U16(0);
      b.U32(0);
      b.U32(m_Audio.nBlockAlign);
      b.U32(m_Audio.nAvgBytesPerSec);
      b.U32(0);
      b.U32(DWORD(st.total / m_Audio.nBlockAlign));
      b.U32(st.maxChunk);
      b.U32(0xFFFFFFFF);
      b.U32(m_Audio.nBlockAlign);
      b.Zeros(8);
    }
    b.Close(strh);
    size_t strf = b.Open(FourCC("strf"));
    if (s == 0) {
      const DWORD stride = (DWORD(m_Video.width) * 3 + 3) & ~3u;
      b.U32(40);
      b.U32(DWORD(m_Video.width));
      b.U32(DWORD(m_Video.height));
      b.U16(1);
      b.U16(24);
      b.U32(m_Video.mjpeg ? FourCC("MJPG") : BI_RGB);
      b.U32(stride * DWORD(m_Video.height));
      b.Zeros(16);
    } else {
      b.U16(m_Audio.wFormatTag);
      b.U16(m_Audio.nChannels);
      b.U32(m_Audio.nSamplesPerSec);
      b.U32(m_Audio.nAvgBytesPerSec);
      b.U16(m_Audio.nBlockAlign);
      b.U16(m_Audio.wBitsPerSample);
      b.U16(0);
    }
    b.Close(strf);
    size_t indx = b.Open(FourCC("indx"));
    b.U16(4);
    b.U8(0);
    b.U8(0);  // an index of indexes
    b.U32(DWORD(st.super.size()));
    b.U32(st.chunkId);
    b.Zeros(12);
    for (size_t i = 0; i < kSuperEntries; ++i) {
      if (i < st.super.size()) {
        b.U64(st.super[i].offset);
        b.U32(st.super[i].size);
        b.U32(st.super[i].duration);
      } else {
        b.Zeros(16);
      }
    }
    b.Close(indx);
    b.Close(strl);
  }
  size_t odml = b.OpenList(FourCC("LIST"), FourCC("odml"));
  size_t dmlh = b.Open(FourCC("dmlh"));
  b.U32(DWORD(v.total));
  b.Zeros(244);
  b.Close(dmlh);
  b.Close(odml);
  b.Close(hdrl);
  // The first movi list follows; its size and the RIFF's are set when the
  // segment ends.
  size_t movi = b.OpenList(FourCC("LIST"), FourCC("movi"));
  if (!final) {
    m_RiffOffset = 0;
    m_MoviOffset = movi + 4;
    return WriteRaw(block.data(), DWORD(block.size()));
  }
  // Only the header part is rewritten: the sizes of the first RIFF and movi
  // list were written by EndSegment.
  (void)riff;
  return WriteAt(8, block.data() + 8, DWORD(movi - 4 - 8));
}

bool CAviWriter::WriteRaw(const void* data, DWORD size) {
  if (m_Failed) return false;
  const BYTE* p = static_cast<const BYTE*>(data);
  if (m_Buffered + size > m_Buffer.size()) {
    if (!Flush()) return false;
    if (size >= m_Buffer.size()) {
      DWORD written = 0;
      if (!::WriteFile(m_File, p, size, &written, nullptr) || written != size) {
        m_Failed = true;
        return false;
      }
      m_Pos += size;
      return true;
    }
  }
  std::memcpy(m_Buffer.data() + m_Buffered, p, size);
  m_Buffered += size;
  m_Pos += size;
  return true;
}

bool CAviWriter::Flush() {
  if (m_Failed) return false;
  if (m_Buffered == 0) return true;
  DWORD written = 0;
  if (!::WriteFile(m_File, m_Buffer.data(), DWORD(m_Buffered), &written, nullptr) || written != m_Buffered) {
    m_Failed = true;
    return false;
  }
  m_Buffered = 0;
  return true;
}

bool CAviWriter::WriteAt(uint64_t offset, const void* data, DWORD size) {
  if (!Flush()) return false;
  LARGE_INTEGER at, end;
  at.QuadPart = LONGLONG(offset);
  end.QuadPart = LONGLONG(m_Pos);
  DWORD written = 0;
  bool ok = ::SetFilePointerEx(m_File, at, nullptr, FILE_BEGIN) && ::WriteFile(m_File, data, size, &written, nullptr) &&
            written == size && ::SetFilePointerEx(m_File, end, nullptr, FILE_BEGIN);
  if (!ok) m_Failed = true;
  return ok;
}

bool CAviWriter::WriteChunk(int stream, const BYTE* data, DWORD size) {
  if (!IsOpen() || m_Failed) return false;
  Stream& st = m_Streams[stream];
  const DWORD padded = size + (size & 1);
  // What closing the segment will still add: the index chunks, and for the
  // first segment the legacy index too.
  uint64_t pending = 0;
  for (const Stream& s : m_Streams) pending += 32 + 8 * uint64_t(s.entries.size() + 1);
  if (m_Segment == 0) pending += 8 + 16 * uint64_t(m_Streams[0].entries.size() + m_Streams[1].entries.size() + 1);
  if (m_Pos + 8 + padded + pending - m_RiffOffset > m_SegmentLimit && !st.entries.empty()) {
    if (!EndSegment() || !BeginSegment()) return false;
  }
  const DWORD header[2] = {st.chunkId, size};
  if (!WriteRaw(header, 8)) return false;
  st.entries.push_back({m_Pos, size});
  if (!WriteRaw(data, size)) return false;
  if (size & 1) {
    const BYTE pad = 0;
    if (!WriteRaw(&pad, 1)) return false;
  }
  st.total += stream == 0 ? 1 : size;
  st.maxChunk = std::max(st.maxChunk, size);
  return true;
}

bool CAviWriter::WriteVideo(const BYTE* data, DWORD size) { return WriteChunk(0, data, size); }

bool CAviWriter::WriteAudio(const BYTE* data, DWORD size) {
  if (!m_HasAudio || size == 0) return m_HasAudio;
  return WriteChunk(1, data, size);
}

bool CAviWriter::EndSegment() {
  std::vector<BYTE> block;
  for (int s = 0; s < (m_HasAudio ? 2 : 1); ++s) {
    Stream& st = m_Streams[s];
    if (st.entries.empty()) continue;
    if (st.super.size() >= kSuperEntries) {
      m_Failed = true;
      return false;
    }
    CBytes b(block);
    size_t ix = b.Open(st.indexId);
    b.U16(2);
    b.U8(0);
    b.U8(1);  // an index of chunks
    b.U32(DWORD(st.entries.size()));
    b.U32(st.chunkId);
    b.U64(m_MoviOffset);
    b.U32(0);
    for (const IndexEntry& e : st.entries) {
      b.U32(DWORD(e.pos - m_MoviOffset));
      b.U32(e.size);  // every frame is a key frame: bit 31 stays clear
    }
    b.Close(ix);
    const uint64_t duration = s == 0 ? st.total - st.segmentStart : (st.total - st.segmentStart) / m_Audio.nBlockAlign;
    st.super.push_back({m_Pos, DWORD(block.size()), DWORD(duration)});
    if (!WriteRaw(block.data(), DWORD(block.size()))) return false;
  }
  // The movi list ends here.
  const DWORD moviSize = DWORD(m_Pos - (m_MoviOffset - 4) - 4);
  if (!WriteAt(m_MoviOffset - 4, &moviSize, 4)) return false;
  if (m_Segment == 0) {
    // Legacy index of the first segment, in file order.
    CBytes b(block);
    size_t idx1 = b.Open(FourCC("idx1"));
    const auto& ve = m_Streams[0].entries;
    const auto& ae = m_Streams[1].entries;
    size_t i = 0, j = 0;
    while (i < ve.size() || j < ae.size()) {
      const bool video = j >= ae.size() || (i < ve.size() && ve[i].pos < ae[j].pos);
      const IndexEntry& e = video ? ve[i++] : ae[j++];
      b.U32(video ? m_Streams[0].chunkId : m_Streams[1].chunkId);
      b.U32(kAviifKeyframe);
      b.U32(DWORD(e.pos - 8 - m_MoviOffset));
      b.U32(e.size);
    }
    b.Close(idx1);
    if (!WriteRaw(block.data(), DWORD(block.size()))) return false;
    m_FirstRiffFrames = m_Streams[0].total;
  }
  const DWORD riffSize = DWORD(m_Pos - m_RiffOffset - 8);
  if (!WriteAt(m_RiffOffset + 4, &riffSize, 4)) return false;
  for (Stream& st : m_Streams) {
    st.entries.clear();
    st.segmentStart = st.total;
  }
  return true;
}

bool CAviWriter::BeginSegment() {
  ++m_Segment;
  m_RiffOffset = m_Pos;
  const DWORD header[6] = {FourCC("RIFF"), 0, FourCC("AVIX"), FourCC("LIST"), 0, FourCC("movi")};
  if (!WriteRaw(header, sizeof header)) return false;
  m_MoviOffset = m_Pos - 4;
  return true;
}

bool CAviWriter::Close() {
  if (!IsOpen()) return false;
  bool ok = !m_Failed && EndSegment() && WriteHeaders(true) && Flush();
  ::CloseHandle(m_File);
  m_File = INVALID_HANDLE_VALUE;
  return ok;
}

void CAviWriter::Abort() {
  if (!IsOpen()) return;
  ::CloseHandle(m_File);
  m_File = INVALID_HANDLE_VALUE;
}

}  // namespace vidmill
