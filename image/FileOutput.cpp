#include "image/FileOutput.h"

#include <windows.h>

#include <cstring>

namespace ZEvuvoro {

namespace {

constexpr size_t kBufferSize = 256 * 1024;

}  // namespace

CFileOutput::CFileOutput(const wchar_t* path) : m_hFile(nullptr), m_nUsed(0), m_bFailed(false) {
  if (path == nullptr) return;
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  m_hFile = file;
  m_path = path;
  m_buffer.resize(kBufferSize);
}

CFileOutput::~CFileOutput() { Discard(); }

bool CFileOutput::Write(const void* data, size_t size) {
  if (m_hFile == nullptr || m_bFailed) return false;
  const uint8_t* bytes = static_cast<const uint8_t*>(data);
  while (size > 0) {
    if (m_nUsed == m_buffer.size() && !Flush()) return false;
    size_t piece = m_buffer.size() - m_nUsed;
    if (piece > size) piece = size;
    std::memcpy(m_buffer.data() + m_nUsed, bytes, piece);
    m_nUsed += piece;
    bytes += piece;
    size -= piece;
  }
  return true;
}

bool CFileOutput::Flush() {
  size_t done = 0;
  while (done < m_nUsed) {
    DWORD written = 0;
    DWORD piece = static_cast<DWORD>(m_nUsed - done);
    if (!WriteFile(m_hFile, m_buffer.data() + done, piece, &written, nullptr) || written == 0) {
      m_bFailed = true;
      return false;
    }
    done += written;
  }
  m_nUsed = 0;
  return true;
}

void CFileOutput::Close() {
  if (m_hFile == nullptr) return;
  if (!CloseHandle(m_hFile)) m_bFailed = true;
  m_hFile = nullptr;
}

bool CFileOutput::Commit() {
  if (m_hFile == nullptr) return false;
  if (!m_bFailed) Flush();
  Close();
  if (!m_bFailed) {
    m_path.clear();
    return true;
  }
  DeleteFileW(m_path.c_str());
  m_path.clear();
  return false;
}

void CFileOutput::Discard() {
  if (m_hFile == nullptr) return;
  Close();
  DeleteFileW(m_path.c_str());
  m_path.clear();
}

}  // namespace ZEvuvoro
