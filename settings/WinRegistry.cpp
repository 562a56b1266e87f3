#include "settings/WinRegistry.h"

#include <cwchar>

namespace {

// Closes a key that an accessor had to open for itself.
class CTemporaryKey {
 public:
  CTemporaryKey(HKEY key, bool owned) : m_key(key), m_owned(owned) {}
  ~CTemporaryKey() {
    if (m_owned && m_key) RegCloseKey(m_key);
  }
  CTemporaryKey(const CTemporaryKey&) = delete;
  CTemporaryKey& operator=(const CTemporaryKey&) = delete;
  HKEY Get() const { return m_key; }

 private:
  HKEY m_key;
  bool m_owned;
};

}  // namespace

std::unique_ptr<wchar_t[]> ReadRegistryText(HKEY key, const wchar_t* name, size_t maxChars) {
  if (!key) return nullptr;
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return nullptr;
  if (type != REG_SZ || size == 0) return nullptr;
  // Characters the bytes can fill, plus one that always stays a terminator.
  const size_t chars = (static_cast<size_t>(size) + 1) / 2;
  if (chars > maxChars + 1) return nullptr;
  std::unique_ptr<wchar_t[]> text(new wchar_t[chars + 1]());
  DWORD read = size;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text.get()), &read) != ERROR_SUCCESS ||
      type != REG_SZ || read > size)
    return nullptr;
  text[chars] = L'\0';
  // Data without a terminator can fill every character the size allows.
  if (std::wcslen(text.get()) > maxChars) return nullptr;
  return text;
}

CWinRegistry::CWinRegistry(HKEY root, const wchar_t* subKey, BOOL write, BOOL create)
    : m_root(root), m_path(subKey ? subKey : L"") {
  if (create) {
    const REGSAM access = write ? (KEY_READ | KEY_WRITE) : KEY_READ;
    HKEY key = nullptr;
    if (RegCreateKeyExW(m_root, m_path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &key, nullptr) ==
        ERROR_SUCCESS)
      m_key = key;
  }
}

CWinRegistry::~CWinRegistry() {
  if (m_key) RegCloseKey(m_key);
}

BOOL CWinRegistry::OpenExisting(REGSAM access) {
  if (m_key) return TRUE;
  HKEY key = nullptr;
  if (RegOpenKeyExW(m_root, m_path.c_str(), 0, access, &key) != ERROR_SUCCESS) return FALSE;
  m_key = key;
  return TRUE;
}

HKEY CWinRegistry::OpenForAccess(REGSAM access, bool* mustClose) {
  *mustClose = false;
  if (m_key) return m_key;
  HKEY key = nullptr;
  if (RegOpenKeyExW(m_root, m_path.c_str(), 0, access, &key) != ERROR_SUCCESS) return nullptr;
  *mustClose = true;
  return key;
}

BOOL CWinRegistry::ReadDword(const wchar_t* name, DWORD* value) {
  if (!value) return FALSE;
  bool mustClose = false;
  CTemporaryKey key(OpenForAccess(KEY_QUERY_VALUE, &mustClose), mustClose);
  if (!key.Get()) return FALSE;
  // Read into a copy: a failed query must not leave half a value behind.
  DWORD data = *value;
  DWORD size = sizeof data;
  if (RegQueryValueExW(key.Get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&data), &size) != ERROR_SUCCESS)
    return FALSE;
  *value = data;
  return TRUE;
}

BOOL CWinRegistry::ReadString(const wchar_t* name, std::wstring& value) {
  std::unique_ptr<wchar_t[]> text = ReadStringCopy(name);
  if (!text) return FALSE;
  value = text.get();
  return TRUE;
}

std::unique_ptr<wchar_t[]> CWinRegistry::ReadStringCopy(const wchar_t* name) {
  if (!m_key) OpenExisting(KEY_QUERY_VALUE);  // stays open until the destructor
  return ReadRegistryText(m_key, name);
}

BOOL CWinRegistry::WriteDword(const wchar_t* name, DWORD value) {
  bool mustClose = false;
  CTemporaryKey key(OpenForAccess(KEY_ALL_ACCESS, &mustClose), mustClose);
  if (!key.Get()) return FALSE;
  // A value of another size belongs to someone else's idea of the setting:
  // leave it alone rather than guess.
  DWORD size = 0;
  if (RegQueryValueExW(key.Get(), name, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS && size != sizeof(DWORD))
    return FALSE;
  return RegSetValueExW(key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
         ERROR_SUCCESS;
}

BOOL CWinRegistry::WriteString(const wchar_t* name, const wchar_t* text) {
  if (!text) return FALSE;
  bool mustClose = false;
  CTemporaryKey key(OpenForAccess(KEY_ALL_ACCESS, &mustClose), mustClose);
  if (!key.Get()) return FALSE;
  const size_t bytes = (std::wcslen(text) + 1) * sizeof(wchar_t);
  if (bytes > MAXDWORD) return FALSE;
  return RegSetValueExW(key.Get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(bytes)) ==
         ERROR_SUCCESS;
}

void CWinRegistry::DeleteValue(const wchar_t* name) {
  bool mustClose = false;
  CTemporaryKey key(OpenForAccess(KEY_ALL_ACCESS, &mustClose), mustClose);
  if (key.Get()) RegDeleteValueW(key.Get(), name);
}

void CWinRegistry::DeleteSubKeyTree(const wchar_t* name) {
  if (m_key && name && *name) RegDeleteTreeW(m_key, name);
}
