#include "vendor/patchwell/PatchwellNet.h"

#include <bcrypt.h>
#include <winhttp.h>

#include <vector>

namespace patchwell {

namespace {

// An update check must never hold up its caller for long.
constexpr int kResolveTimeout = 3000;
constexpr int kConnectTimeout = 3000;
constexpr int kSendTimeout = 3000;
constexpr int kReceiveTimeout = 4000;

struct CInternet {
  HINTERNET handle = nullptr;
  explicit CInternet(HINTERNET h) : handle(h) {}
  ~CInternet() {
    if (handle) WinHttpCloseHandle(handle);
  }
  CInternet(const CInternet&) = delete;
  CInternet& operator=(const CInternet&) = delete;
};

}  // namespace

bool HttpGet(const std::wstring& url, uint64_t maxBytes, CBodySink& sink) {
  if (url.empty() || url.size() > 2048) return false;
  URL_COMPONENTS parts{};
  parts.dwStructSize = sizeof(parts);
  wchar_t host[256] = {};
  std::vector<wchar_t> path(url.size() + 1, L'\0');
  parts.lpszHostName = host;
  parts.dwHostNameLength = 256;
  parts.lpszUrlPath = path.data();
  parts.dwUrlPathLength = static_cast<DWORD>(path.size());
  std::vector<wchar_t> extra(url.size() + 1, L'\0');
  parts.lpszExtraInfo = extra.data();
  parts.dwExtraInfoLength = static_cast<DWORD>(extra.size());
  if (!WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) return false;
  if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) return false;
  if (!host[0]) return false;
  std::wstring object = path.data();
  object += extra.data();
  if (object.empty()) object = L"/";

  CInternet session(
      WinHttpOpen(L"Patchwell/1.0", WINHTTP_ACCESS_TYPE_NO_PROXY, WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
  if (!session.handle) return false;
  WinHttpSetTimeouts(session.handle, kResolveTimeout, kConnectTimeout, kSendTimeout, kReceiveTimeout);
  CInternet connection(WinHttpConnect(session.handle, host, parts.nPort, 0));
  if (!connection.handle) return false;
  const DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
  CInternet request(WinHttpOpenRequest(connection.handle, L"GET", object.c_str(), nullptr, WINHTTP_NO_REFERER,
                                       WINHTTP_DEFAULT_ACCEPT_TYPES, flags));
  if (!request.handle) return false;
  WinHttpSetTimeouts(request.handle, kResolveTimeout, kConnectTimeout, kSendTimeout, kReceiveTimeout);
  // The wait for the response headers has its own limit.
  DWORD responseTimeout = kReceiveTimeout;
  WinHttpSetOption(request.handle, WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &responseTimeout, sizeof(responseTimeout));
  if (!WinHttpSendRequest(request.handle, WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0))
    return false;
  if (!WinHttpReceiveResponse(request.handle, nullptr)) return false;
  DWORD status = 0, size = sizeof(status);
  if (!WinHttpQueryHeaders(request.handle, WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                           WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX) ||
      status != 200)
    return false;

  std::vector<uint8_t> buffer(64 * 1024);
  uint64_t total = 0;
  for (;;) {
    DWORD got = 0;
    if (!WinHttpReadData(request.handle, buffer.data(), static_cast<DWORD>(buffer.size()), &got)) return false;
    if (got == 0) break;
    total += got;
    if (total > maxBytes) return false;
    if (!sink.Write(buffer.data(), got)) return false;
  }
  return true;
}

CSha256::CSha256() {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) < 0) return;
  m_hAlgorithm = algorithm;
  BCRYPT_HASH_HANDLE hash = nullptr;
  if (BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) < 0) return;
  m_hHash = hash;
}

CSha256::~CSha256() {
  if (m_hHash) BCryptDestroyHash(static_cast<BCRYPT_HASH_HANDLE>(m_hHash));
  if (m_hAlgorithm) BCryptCloseAlgorithmProvider(static_cast<BCRYPT_ALG_HANDLE>(m_hAlgorithm), 0);
}

bool CSha256::Update(const uint8_t* data, size_t size) {
  if (!m_hHash || m_bFailed) return false;
  while (size > 0) {
    const ULONG piece = size > 0x40000000 ? 0x40000000 : static_cast<ULONG>(size);
    if (BCryptHashData(static_cast<BCRYPT_HASH_HANDLE>(m_hHash), const_cast<PUCHAR>(data), piece, 0) < 0) {
      m_bFailed = true;
      return false;
    }
    data += piece;
    size -= piece;
  }
  return true;
}

std::string CSha256::FinishHex() {
  if (!m_hHash || m_bFailed) return {};
  UCHAR digest[32];
  if (BCryptFinishHash(static_cast<BCRYPT_HASH_HANDLE>(m_hHash), digest, sizeof(digest), 0) < 0) return {};
  m_bFailed = true;  // a finished hash takes no more data
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  for (UCHAR byte : digest) {
    text += kHex[byte >> 4];
    text += kHex[byte & 15];
  }
  return text;
}

std::string HashFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  CSha256 hash;
  std::vector<uint8_t> buffer(64 * 1024);
  bool ok = hash.IsValid();
  while (ok) {
    DWORD got = 0;
    if (!ReadFile(file, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr)) ok = false;
    if (!ok || got == 0) break;
    ok = hash.Update(buffer.data(), got);
  }
  CloseHandle(file);
  return ok ? hash.FinishHex() : std::string();
}

}  // namespace patchwell
