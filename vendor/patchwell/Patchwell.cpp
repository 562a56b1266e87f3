#include "vendor/patchwell/Patchwell.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "vendor/patchwell/PatchwellNet.h"

using patchwell::CBodySink;
using patchwell::CSha256;

namespace {

constexpr uint64_t kMaxManifest = 16 * 1024;
constexpr uint64_t kMaxPackage = 512ull * 1024 * 1024;
constexpr wchar_t kPackageName[] = L"\\package.exe";
constexpr wchar_t kRecordName[] = L"\\package.ini";
constexpr wchar_t kInstallerName[] = L"\\installer.exe";

struct Manifest {
  std::string version;
  std::string package;
  std::string sha256;
  int fetchAtOnce = 0;
};

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return text;
}

std::wstring Widen(const std::string& text) {
  std::wstring wide;
  for (char c : text) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return wide;
}

bool ReadRegistryText(const std::wstring& product, const wchar_t* name, std::wstring& value) {
  HKEY key = nullptr;
  const std::wstring path = std::wstring(kPatchwellKey) + product;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  wchar_t buffer[2049] = {};
  DWORD type = 0, size = sizeof(buffer) - sizeof(wchar_t);
  const LONG status = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
  buffer[size / sizeof(wchar_t)] = 0;
  value = buffer;
  return !value.empty();
}

// Version texts are one to four dot-separated numbers below 65536.
bool ParseVersion(const std::string& text, unsigned parts[4]) {
  for (int i = 0; i < 4; ++i) parts[i] = 0;
  int index = 0;
  unsigned value = 0;
  bool digit = false;
  for (size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : '.';
    if (c >= '0' && c <= '9') {
      value = value * 10 + unsigned(c - '0');
      if (value > 65535) return false;
      digit = true;
    } else if (c == '.') {
      if (!digit || index >= 4) return false;
      parts[index++] = value;
      value = 0;
      digit = false;
    } else {
      return false;
    }
  }
  return index > 0;
}

bool IsNewer(const std::string& offered, const std::string& current) {
  unsigned a[4], b[4];
  if (!ParseVersion(offered, a) || !ParseVersion(current, b)) return false;
  for (int i = 0; i < 4; ++i)
    if (a[i] != b[i]) return a[i] > b[i];
  return false;
}

bool IsHexDigest(const std::string& text) {
  if (text.size() != 64) return false;
  for (char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

// "key=value" lines; every field must be present and well formed.
bool ParseManifest(const std::string& text, Manifest& out) {
  Manifest m;
  bool haveFetch = false;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    start = end + 1;
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    const size_t equals = line.find('=');
    if (equals == std::string::npos) return false;
    const std::string key = line.substr(0, equals), value = line.substr(equals + 1);
    if (key == "version") {
      m.version = value;
    } else if (key == "package") {
      m.package = value;
    } else if (key == "sha256") {
      m.sha256 = value;
      for (char& c : m.sha256)
        if (c >= 'A' && c <= 'F') c = char(c - 'A' + 'a');
    } else if (key == "fetch") {
      if (value != "0" && value != "1") return false;
      m.fetchAtOnce = value == "1";
      haveFetch = true;
    }
  }
  unsigned parts[4];
  if (!ParseVersion(m.version, parts) || !IsHexDigest(m.sha256) || !haveFetch) return false;
  if (m.package.rfind("http://", 0) != 0 && m.package.rfind("https://", 0) != 0) return false;
  for (char c : m.package)
    if (static_cast<unsigned char>(c) <= ' ' || static_cast<unsigned char>(c) >= 0x7f) return false;
  out = m;
  return true;
}

std::string ReadSmallFile(const std::wstring& path, size_t limit) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string text(limit, '\0');
  DWORD got = 0;
  const BOOL ok = ReadFile(file, text.data(), static_cast<DWORD>(limit), &got, nullptr);
  CloseHandle(file);
  if (!ok) return {};
  text.resize(got);
  return text;
}

// Written beside the target, then moved over it, so a reader never sees half a file.
bool WriteWholeFile(const std::wstring& path, const std::string& text) {
  const std::wstring temporary = path + L".part";
  HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
                  written == text.size() && FlushFileBuffers(file);
  CloseHandle(file);
  if (ok && MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  DeleteFileW(temporary.c_str());
  return false;
}

std::string RecordText(const Manifest& m) {
  return "version=" + m.version + "\npackage=" + m.package + "\nsha256=" + m.sha256 +
         "\nfetch=" + (m.fetchAtOnce ? "1" : "0") + "\n";
}

bool EnsureFolder(const std::wstring& folder) {
  if (folder.empty()) return false;
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr) == ERROR_SUCCESS;
}

// Streams a package into its part file while hashing it.
class CPackageSink : public CBodySink {
 public:
  explicit CPackageSink(HANDLE file) : m_hFile(file) {}
  bool Write(const uint8_t* data, size_t size) override {
    DWORD written = 0;
    if (!WriteFile(m_hFile, data, static_cast<DWORD>(size), &written, nullptr) || written != size) return false;
    return m_Hash.Update(data, size);
  }
  CSha256 m_Hash;

 private:
  HANDLE m_hFile;
};

class CTextSink : public CBodySink {
 public:
  bool Write(const uint8_t* data, size_t size) override {
    m_Text.append(reinterpret_cast<const char*>(data), size);
    return true;
  }
  std::string m_Text;
};

}  // namespace

struct PatchwellState {
  std::wstring product;  // "{...}", empty until SetProduct
  bool checked = false;  // a manifest newer than the caller's version is known
  Manifest manifest;

  std::wstring CacheFolder() const {
    if (product.empty()) return {};
    std::wstring folder;
    if (ReadRegistryText(product, L"Cache", folder)) return folder;
    wchar_t base[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, base))) return {};
    return std::wstring(base) + L"\\Quorvex\\Patchwell\\" + product;
  }

  // The cached record when its package is there and hashes to it.
  bool CachedPackage(Manifest* record) const {
    const std::wstring folder = CacheFolder();
    if (folder.empty()) return false;
    Manifest m;
    if (!ParseManifest(ReadSmallFile(folder + kRecordName, kMaxManifest), m)) return false;
    if (patchwell::HashFile(folder + kPackageName) != m.sha256) return false;
    if (record) *record = m;
    return true;
  }
};

CPatchwell::CPatchwell() : m_pState(new PatchwellState) {}

CPatchwell::~CPatchwell() { delete m_pState; }

void CPatchwell::SetProduct(GUID product) {
  m_pState->product = GuidText(product);
  m_pState->checked = false;
}

int CPatchwell::GetUpdateInfo(wchar_t*, int& available, int& fetchAtOnce) {
  Manifest cached;
  const bool waiting = m_pState->CachedPackage(&cached);
  available = waiting ? 1 : 0;
  if (m_pState->checked)
    fetchAtOnce = m_pState->manifest.fetchAtOnce;
  else
    fetchAtOnce = waiting ? cached.fetchAtOnce : 0;
  return waiting ? 1 : 0;
}

int CPatchwell::CheckUpdate(const wchar_t* version) {
  m_pState->checked = false;
  if (m_pState->product.empty() || !version) return 0;
  std::wstring service;
  if (!ReadRegistryText(m_pState->product, L"Service", service)) return 0;
  CTextSink body;
  if (!patchwell::HttpGet(service, kMaxManifest, body)) return 0;
  Manifest m;
  if (!ParseManifest(body.m_Text, m)) return 0;
  std::string current;
  for (const wchar_t* p = version; *p; ++p) current += *p < 0x80 ? char(*p) : '?';
  if (!IsNewer(m.version, current)) return 0;
  m_pState->manifest = m;
  m_pState->checked = true;
  return 1;
}

int CPatchwell::UpdateDownloaded(const wchar_t*) {
  Manifest cached;
  if (!m_pState->CachedPackage(&cached)) return 0;
  if (!m_pState->checked) return 1;
  return cached.sha256 == m_pState->manifest.sha256 && cached.version == m_pState->manifest.version ? 1 : 0;
}

int CPatchwell::DownloadUpdate(const wchar_t*, int) {
  if (!m_pState->checked) return 0;
  const std::wstring folder = m_pState->CacheFolder();
  if (!EnsureFolder(folder)) return 0;
  const std::wstring part = folder + L"\\package.exe.part";
  HANDLE file = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 0;
  CPackageSink sink(file);
  bool ok = sink.m_Hash.IsValid() && patchwell::HttpGet(Widen(m_pState->manifest.package), kMaxPackage, sink);
  ok = ok && FlushFileBuffers(file);
  CloseHandle(file);
  // A package that does not hash to the manifest is never kept.
  ok = ok && sink.m_Hash.FinishHex() == m_pState->manifest.sha256;
  if (ok) {
    // The old record goes first, so a crash in between leaves no record that
    // names the wrong package.
    DeleteFileW((folder + kRecordName).c_str());
    ok = MoveFileExW(part.c_str(), (folder + kPackageName).c_str(), MOVEFILE_REPLACE_EXISTING) &&
         WriteWholeFile(folder + kRecordName, RecordText(m_pState->manifest));
  }
  DeleteFileW(part.c_str());
  return ok ? 1 : 0;
}

namespace {

void InstallUpdate(const std::wstring& commandLine) {
  std::wstring text = commandLine;
  while (!text.empty() && (text.back() == L' ' || text.back() == L'"')) text.pop_back();
  while (!text.empty() && (text.front() == L' ' || text.front() == L'"')) text.erase(0, 1);
  GUID product{};
  if (text.size() != 38 || FAILED(CLSIDFromString(text.c_str(), &product))) return;
  PatchwellState state;
  state.product = GuidText(product);
  Manifest cached;
  if (!state.CachedPackage(&cached)) return;
  const std::wstring folder = state.CacheFolder();
  // The installer runs from its own name, so the package is no longer
  // waiting once it started.
  const std::wstring installer = folder + kInstallerName;
  if (!MoveFileExW((folder + kPackageName).c_str(), installer.c_str(), MOVEFILE_REPLACE_EXISTING)) return;
  DeleteFileW((folder + kRecordName).c_str());
  // Checked again after the move: the file run is the file hashed.
  if (patchwell::HashFile(installer) != cached.sha256) return;
  std::wstring line = L"\"" + installer + L"\" " + state.product;
  std::vector<wchar_t> buffer(line.begin(), line.end());
  buffer.push_back(0);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (CreateProcessW(installer.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                     &process)) {
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
}

}  // namespace

extern "C" void CALLBACK PWInstallUpdate(HWND, HINSTANCE, LPSTR commandLine, int) {
  if (!commandLine) return;
  std::wstring wide;
  for (const char* p = commandLine; *p; ++p) wide += static_cast<wchar_t>(static_cast<unsigned char>(*p));
  InstallUpdate(wide);
}

extern "C" void CALLBACK PWInstallUpdateW(HWND, HINSTANCE, LPWSTR commandLine, int) {
  if (commandLine) InstallUpdate(commandLine);
}
