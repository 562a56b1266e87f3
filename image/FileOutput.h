#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ZEvuvoro {

// Where the picture writers put their bytes; a failed write stays failed.
class CByteSink {
 public:
  virtual bool Write(const void* data, size_t size) = 0;

 protected:
  ~CByteSink() = default;
};

// A new file (replacing an existing one, no sharing) written through a
// buffer. Unless Commit succeeds the file is deleted again, so a failed save
// leaves no half-written picture behind.
class CFileOutput final : public CByteSink {
 public:
  explicit CFileOutput(const wchar_t* path);
  CFileOutput(const CFileOutput&) = delete;
  CFileOutput& operator=(const CFileOutput&) = delete;
  ~CFileOutput();

  bool IsOpen() const { return m_hFile != nullptr; }
  bool Write(const void* data, size_t size) override;
  // Flushes and closes; false (and the file removed) when anything failed.
  bool Commit();
  void Discard();

 private:
  bool Flush();
  void Close();

  void* m_hFile;
  std::wstring m_path;
  std::vector<uint8_t> m_buffer;
  size_t m_nUsed;
  bool m_bFailed;
};

}  // namespace ZEvuvoro
