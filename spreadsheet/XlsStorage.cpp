#include "spreadsheet/XlsStorage.h"

namespace YExcel {

namespace {
constexpr DWORD kCreateMode = STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE;
constexpr DWORD kWriteMode = STGM_SHARE_EXCLUSIVE | STGM_READWRITE;
constexpr DWORD kReadMode = STGM_SHARE_EXCLUSIVE | STGM_READ;
static_assert(kCreateMode == 0x1012 && kWriteMode == 0x12 && kReadMode == 0x10);
}  // namespace

bool XlsStorage::Create(const wchar_t* path) {
  if (FAILED(StgCreateDocfile(path, kCreateMode, 0, &m_storage))) {
    m_storage.Release();
    return false;
  }
  return true;
}

bool XlsStorage::Open(const wchar_t* path) {
  if (FAILED(StgOpenStorage(path, nullptr, kWriteMode, nullptr, 0, &m_storage))) {
    m_storage.Release();
    return false;
  }
  return true;
}

bool XlsStorage::CloseChecked() {
  if (!m_storage) return false;
  m_storage.Release();
  return true;
}

bool XlsStorage::Commit() { return m_storage && SUCCEEDED(m_storage->Commit(STGC_DEFAULT)); }

int32_t XlsStorage::CreateStream(const wchar_t* name) {
  if (!m_storage) return kFailed;
  win32::CComPtr<IStream> stream;
  return FAILED(m_storage->CreateStream(name, kCreateMode, 0, 0, &stream)) || !stream ? kFailed : kSuccess;
}

int32_t XlsStorage::StreamSize(const wchar_t* name, uint64_t& size) {
  if (!m_storage) return kFailed;
  win32::CComPtr<IStream> stream;
  if (FAILED(m_storage->OpenStream(name, nullptr, kReadMode, 0, &stream)) || !stream) return kFailed;
  STATSTG stat = {};
  if (FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return kFailed;
  size = stat.cbSize.QuadPart;
  return kSuccess;
}

int32_t XlsStorage::ReadStream(const wchar_t* name, void* buffer, uint32_t count) {
  if (!m_storage) return kFailed;
  win32::CComPtr<IStream> stream;
  if (FAILED(m_storage->OpenStream(name, nullptr, kReadMode, 0, &stream)) || !stream) return kFailed;
  ULONG read = 0;
  return FAILED(stream->Read(buffer, count, &read)) || read != count ? kFailed : kSuccess;
}

int32_t XlsStorage::ReadWholeStream(const wchar_t* name, Bytes& bytes) {
  bytes.clear();
  uint64_t size = 0;
  if (const int32_t result = StreamSize(name, size); result != kSuccess) return result;
  if (size == 0) return kSuccess;
  if (size >> 32) return kTooLarge;
  bytes.resize(static_cast<size_t>(size));
  const int32_t result = ReadStream(name, bytes.data(), static_cast<uint32_t>(size));
  if (result != kSuccess) bytes.clear();
  return result;
}

int32_t XlsStorage::WriteStream(const wchar_t* name, const void* bytes, uint32_t count) {
  if (!m_storage) return kFailed;
  win32::CComPtr<IStream> stream;
  if (FAILED(m_storage->OpenStream(name, nullptr, kWriteMode, 0, &stream)) || !stream) return kFailed;
  // The stream ends where the new bytes end: a shorter workbook saved over a longer one
  // must not keep the old tail after its last record.
  ULARGE_INTEGER size;
  size.QuadPart = count;
  STATSTG stat = {};
  if (SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME)) && stat.cbSize.QuadPart != count && FAILED(stream->SetSize(size)))
    return kFailed;
  ULONG written = 0;
  return FAILED(stream->Write(bytes, count, &written)) || written != count ? kFailed : kSuccess;
}

}  // namespace YExcel
