#include <windows.h>
#include <objidl.h>

#include <cstring>
#include <memory>
#include <new>

#include <png.h>

#include "image/Decode.h"
#include "image/FormatProbe.h"
#include "image/Image.h"
#include "image/codecs/DecodeBitmap.h"
#include "image/codecs/DecodeJPG.h"
#include "image/codecs/DecodePNG.h"
#include "image/codecs/DecodeTGA.h"
#include "win32/Handle.h"

namespace ZEvuvoro {

namespace {

// Pieces in which files and streams are read into memory: large enough that
// the calls cost nothing next to decoding.
constexpr DWORD kReadPiece = 1024 * 1024;
constexpr uint64_t kMaxFileSize = 0xFFFFFFFFull;

// ".tga" (any case) starting at the last dot, where that dot lies after the
// last backslash and is not the first character.
bool HasTgaExtension(const wchar_t* path) {
  const wchar_t* dot = std::wcsrchr(path, L'.');
  const wchar_t* slash = std::wcsrchr(path, L'\\');
  if (dot == nullptr || dot == path || (slash != nullptr && dot < slash)) return false;
  if (std::wcslen(dot) < 4) return false;
  return _wcsnicmp(dot, L".tga", 4) == 0;
}

std::unique_ptr<uint8_t[]> AllocateInput(uint64_t size) {
  if (size == 0 || size > kMaxFileSize || size > SIZE_MAX) return nullptr;
  return std::unique_ptr<uint8_t[]>(new (std::nothrow) uint8_t[static_cast<size_t>(size)]);
}

// All `total` bytes of a file or stream, read in pieces by read(to, piece,
// &got); null when a read fails or delivers nothing before the end: decoding
// the rest as zeros would pass a damaged picture off as a good one.
template <class ReadPiece>
std::unique_ptr<uint8_t[]> ReadWhole(uint64_t total, ReadPiece read) {
  std::unique_ptr<uint8_t[]> buffer = AllocateInput(total);
  if (!buffer) return nullptr;
  uint64_t done = 0;
  while (done < total) {
    const ULONG piece = total - done < kReadPiece ? ULONG(total - done) : kReadPiece;
    ULONG got = 0;
    if (!read(buffer.get() + done, piece, &got) || got == 0) return nullptr;
    done += got;
  }
  return buffer;
}

}  // namespace

void CImage::TakeOutput(CDecode& decoder) {
  m_pData = decoder.GetOutput();
  m_nWidth = decoder.GetWidth();
  m_nHeight = decoder.GetHeight();
  m_nStride = m_nWidth * 4;
  if (m_nWidth >= 1 && m_nHeight >= 1 && m_pData != nullptr) {
    m_bValid = 1;
    m_bOwner = 1;
  } else {
    delete[] m_pData;
    m_pData = nullptr;
    m_nWidth = m_nHeight = m_nStride = 0;
    m_bValid = 0;
  }
  decoder.Detach();
}

int CImage::LoadFile(const wchar_t* path) {
  if (path == nullptr) return 0;
  Release();
  win32::CHandle file(
      CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 0;
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart < 1 || uint64_t(size.QuadPart) > kMaxFileSize) return 0;
  const uint64_t total = uint64_t(size.QuadPart);
  const std::unique_ptr<uint8_t[]> buffer = ReadWhole(total, [&](uint8_t* to, ULONG piece, ULONG* got) {
    return ReadFile(file.Get(), to, piece, got, nullptr) != FALSE;
  });
  if (!buffer) return 0;
  if (HasTgaExtension(path)) {
    CDecodeTGA decoder;
    decoder.SetOwner(this);
    if (decoder.Decode(buffer.get(), total)) TakeOutput(decoder);
  } else {
    LoadMemory(buffer.get(), total);
  }
  return 1;
}

int CImage::LoadMemory(const uint8_t* data, uint64_t size) {
  if (data == nullptr || size < 32) return 0;
  std::unique_ptr<CDecode> decoder;
  if (IsBmpData(data, size))
    decoder = std::make_unique<CDecodeBitmap>();
  else if (data[0] == 0xFF && data[1] == 0xD8)
    decoder = std::make_unique<CDecodeJPG>();
  else if (png_sig_cmp(data, 0, 8) == 0)
    decoder = std::make_unique<CDecodePNG>();
  else
    return -1;
  Release();
  decoder->SetOwner(this);
  if (decoder->Decode(data, size)) TakeOutput(*decoder);
  return m_bValid;
}

int CImage::LoadStream(IStream* stream) {
  if (stream == nullptr) return 0;
  Release();
  return ReadStream(stream);
}

int CImage::ReadStream(IStream* stream) {
  LARGE_INTEGER start{};
  if (FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr))) return 0;
  STATSTG stat{};
  if (FAILED(stream->Stat(&stat, STATFLAG_NONAME))) return 0;
  const uint64_t total = stat.cbSize.QuadPart;
  if (total < 1 || total > kMaxFileSize) return 0;
  const std::unique_ptr<uint8_t[]> buffer =
      ReadWhole(total, [&](uint8_t* to, ULONG piece, ULONG* got) { return SUCCEEDED(stream->Read(to, piece, got)); });
  if (!buffer) return 0;
  LoadMemory(buffer.get(), total);
  return 1;
}

}  // namespace ZEvuvoro
