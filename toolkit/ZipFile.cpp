#include "toolkit/ZipFile.h"

// unzip.h first: iowin32.h needs its declarations.
#include <minizip/unzip.h>

#include <minizip/iowin32.h>

#include <string>

#include "toolkit/AvlfException.h"

namespace {

std::string ToAnsi(const wchar_t* text) {
  if (!text) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, text, -1, out.data(), n, nullptr, nullptr);
  out.resize(static_cast<size_t>(n) - 1);
  return out;
}

// Reads the current entry into block; false unless every declared byte came
// back and the checksum matched.
bool ReadWhole(unzFile zip, void* block, uint64_t size) {
  if (unzOpenCurrentFile(zip) != UNZ_OK) return false;
  const int got = unzReadCurrentFile(zip, block, static_cast<unsigned>(size));
  // One more byte must not exist, and closing reports a CRC mismatch.
  char extra;
  const bool whole = got >= 0 && static_cast<uint64_t>(got) == size && unzReadCurrentFile(zip, &extra, 1) == 0;
  const int closed = unzCloseCurrentFile(zip);
  return whole && closed == UNZ_OK;
}

}  // namespace

ZipFile::~ZipFile() { Close(); }

void ZipFile::Close() {
  if (m_zip) unzClose(static_cast<unzFile>(m_zip));
  m_zip = nullptr;
}

void ZipFile::Open(const wchar_t* path) {
  Close();
  // The wide file functions: a package folder outside the ANSI code page
  // must still open.
  zlib_filefunc64_def functions;
  fill_win32_filefunc64W(&functions);
  const wchar_t* name = path ? path : L"";
  m_zip = unzOpen2_64(name, &functions);
  if (!m_zip) ThrowAvlfException(1, name);
}

HGLOBAL ZipFile::ReadEntry(const char* name) {
  uint64_t size = 0;
  return ReadEntry(name, &size);
}

HGLOBAL ZipFile::ReadEntry(const char* name, uint64_t* entrySize) {
  *entrySize = 0;
  unzFile zip = static_cast<unzFile>(m_zip);
  if (!zip || !name || unzLocateFile(zip, name, 2) != UNZ_OK) ThrowAvlfException(2, name ? name : "");
  unz_file_info64 info{};
  if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return nullptr;
  const uint64_t size = info.uncompressed_size;
  if (size == 0 || size > kMaxEntrySize) return nullptr;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(size));
  if (!block) return nullptr;
  void* bytes = GlobalLock(block);
  const bool ok = bytes && ReadWhole(zip, bytes, size);
  if (bytes) GlobalUnlock(block);
  if (!ok) {
    GlobalFree(block);
    return nullptr;
  }
  *entrySize = size;
  return block;
}

void ZipFile::GetStream(IStream** stream, const wchar_t* name) {
  if (!stream) return;
  *stream = nullptr;
  uint64_t size = 0;
  HGLOBAL block = ReadEntry(ToAnsi(name).c_str(), &size);
  if (FAILED(CreateStreamOnHGlobal(block, TRUE, stream))) {
    *stream = nullptr;
    if (block) GlobalFree(block);
    return;
  }
  // The block may be larger than asked for; the stream ends with the entry.
  ULARGE_INTEGER length;
  length.QuadPart = size;
  (*stream)->SetSize(length);
}
