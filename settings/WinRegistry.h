#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>

// One registry key of the program, open for the length of one load or save.
// Keys are created on first access, even for reading; an absent value keeps the
// caller's default, and no failure is reported beyond a 0 result.
class CWinRegistry {
 public:
  // Longest text any string reader hands out, in characters: more than the
  // longest path the system accepts, far less than a hostile value can hold.
  static constexpr size_t kMaxTextChars = 32767;

  CWinRegistry(HKEY root, const wchar_t* subKey, BOOL write, BOOL create);
  virtual ~CWinRegistry();
  CWinRegistry(const CWinRegistry&) = delete;
  CWinRegistry& operator=(const CWinRegistry&) = delete;

  BOOL ReadDword(const wchar_t* name, DWORD* value);
  BOOL ReadString(const wchar_t* name, std::wstring& value);
  std::unique_ptr<wchar_t[]> ReadStringCopy(const wchar_t* name);
  BOOL WriteDword(const wchar_t* name, DWORD value);
  BOOL WriteString(const wchar_t* name, const wchar_t* text);
  void DeleteValue(const wchar_t* name);

  // For the readers of lists (recent files, saved rulers, camera keys).
  HKEY GetKey() const { return m_key; }
  const std::wstring& GetPath() const { return m_path; }
  // Opens an existing key with the given access when none is open yet.
  BOOL OpenExisting(REGSAM access);
  // Deletes a sub-key of the open key with everything below it.
  void DeleteSubKeyTree(const wchar_t* name);

 private:
  HKEY OpenForAccess(REGSAM access, bool* mustClose);

  HKEY m_root;
  HKEY m_key = nullptr;
  std::wstring m_path;
};

// Reads a REG_SZ value with data of an open key into a terminated copy, never
// past the stored bytes, whether or not they end in a terminator. Null for an
// absent value, another type, no data, or a text of more than maxChars
// characters (terminated or not).
std::unique_ptr<wchar_t[]> ReadRegistryText(HKEY key, const wchar_t* name,
                                            size_t maxChars = CWinRegistry::kMaxTextChars);
