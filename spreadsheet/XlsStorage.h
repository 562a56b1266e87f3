// The compound document that holds a workbook's "Workbook" stream.
#pragma once

#include <objbase.h>

#include <cstdint>
#include <string>
#include <vector>

#include "spreadsheet/ByteOrder.h"
#include "win32/ComPtr.h"

namespace YExcel {

inline constexpr const char* kWorkbookStreamName = "Workbook";

class XlsStorage {
 public:
  enum Result : int32_t { kSuccess = 1, kFailed = -1, kTooLarge = -6 };

  XlsStorage() = default;
  XlsStorage(const XlsStorage&) = delete;
  XlsStorage& operator=(const XlsStorage&) = delete;
  ~XlsStorage() { Close(); }

  bool Create(const wchar_t* path);
  bool Create(const char* path) { return Create(ToWide(path).c_str()); }
  bool Open(const wchar_t* path);
  bool Open(const char* path) { return Open(ToWide(path).c_str()); }
  void Close() { m_storage.Release(); }
  bool CloseChecked();
  // Flushes what was written to the file; false when the document could not be completed.
  bool Commit();
  bool IsOpen() const { return static_cast<bool>(m_storage); }

  int32_t CreateStream(const wchar_t* name);
  int32_t CreateStream(const char* name) { return CreateStream(ToWide(name).c_str()); }
  int32_t CreateStream() { return CreateStream(kWorkbookStreamName); }

  int32_t StreamSize(const wchar_t* name, uint64_t& size);
  int32_t StreamSize(const char* name, uint64_t& size) { return StreamSize(ToWide(name).c_str(), size); }

  int32_t ReadStream(const wchar_t* name, void* buffer, uint32_t count);
  int32_t ReadStream(const char* name, void* buffer, uint32_t count) {
    return ReadStream(ToWide(name).c_str(), buffer, count);
  }

  int32_t ReadWholeStream(const wchar_t* name, Bytes& bytes);
  int32_t ReadWholeStream(const char* name, Bytes& bytes) { return ReadWholeStream(ToWide(name).c_str(), bytes); }
  int32_t ReadWholeStream(Bytes& bytes) { return ReadWholeStream(kWorkbookStreamName, bytes); }

  int32_t WriteStream(const wchar_t* name, const void* bytes, uint32_t count);
  int32_t WriteStream(const char* name, const void* bytes, uint32_t count) {
    return WriteStream(ToWide(name).c_str(), bytes, count);
  }
  int32_t WriteStream(const wchar_t* name, const Bytes& bytes, uint32_t count) {
    return WriteStream(name, bytes.data(), count);
  }
  int32_t WriteStream(const char* name, const Bytes& bytes, uint32_t count) {
    return WriteStream(name, bytes.data(), count);
  }
  int32_t WriteStream(const void* bytes, uint32_t count) { return WriteStream(kWorkbookStreamName, bytes, count); }

 private:
  win32::CComPtr<IStorage> m_storage;
};

}  // namespace YExcel
