// Reader of the skin package, a ZIP archive: hands out whole entries as
// memory blocks or COM streams.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <cstdint>

class ZipFile {
 public:
  // An entry that declares more than this is not read: a damaged or hostile
  // header must not make the program allocate gigabytes.
  static constexpr uint64_t kMaxEntrySize = 64ull << 20;

  ZipFile() = default;
  ZipFile(const ZipFile&) = delete;
  ZipFile& operator=(const ZipFile&) = delete;
  virtual ~ZipFile();

  // Closes the open archive if any and opens path; throws AvlfException
  // code 1 with the path when it cannot be opened as an archive.
  void Open(const wchar_t* path);
  void Close();
  bool IsOpen() const { return m_zip != nullptr; }

  // The whole entry (name compared without letter case) in a new movable
  // global block owned by the caller. Throws code 2 with the name when the
  // entry is missing. Null when the block cannot be made, the entry is
  // empty, larger than kMaxEntrySize, or does not read back whole and
  // intact (short read, CRC error).
  HGLOBAL ReadEntry(const char* name);
  // ReadEntry of the wide name, then a stream over the block that frees it
  // when released; an entry that could not be read gives an empty stream.
  // *stream is cleared first and owned by the caller.
  void GetStream(IStream** stream, const wchar_t* name);

 private:
  HGLOBAL ReadEntry(const char* name, uint64_t* size);

  void* m_zip = nullptr;  // unzFile
};
