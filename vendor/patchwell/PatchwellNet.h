#pragma once
// The library's network and hashing helpers.
#include <windows.h>

#include <cstdint>
#include <string>

namespace patchwell {

// Receives the body of a GET in pieces; false stops the transfer.
class CBodySink {
 public:
  virtual ~CBodySink() = default;
  virtual bool Write(const uint8_t* data, size_t size) = 0;
};

// GET of an http or https address with short timeouts. True only for status
// 200 with a body of at most maxBytes delivered whole to the sink.
bool HttpGet(const std::wstring& url, uint64_t maxBytes, CBodySink& sink);

// SHA-256 over pieces, through the system's hash provider.
class CSha256 {
 public:
  CSha256();
  ~CSha256();
  CSha256(const CSha256&) = delete;
  CSha256& operator=(const CSha256&) = delete;
  bool IsValid() const { return m_hHash != nullptr; }
  bool Update(const uint8_t* data, size_t size);
  // Lower-case hex of the digest; empty after a failure.
  std::string FinishHex();

 private:
  void* m_hAlgorithm = nullptr;
  void* m_hHash = nullptr;
  bool m_bFailed = false;
};

// Hex digest of a file's contents; empty when it cannot be read.
std::string HashFile(const std::wstring& path);

}  // namespace patchwell
