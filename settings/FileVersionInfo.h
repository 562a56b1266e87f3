#pragma once

#include <windows.h>

#include <memory>
#include <string>

// Reads the version resource of a loaded module's file.
class CFileVersionInfo {
 public:
  CFileVersionInfo();
  virtual ~CFileVersionInfo();
  CFileVersionInfo(const CFileVersionInfo&) = delete;
  CFileVersionInfo& operator=(const CFileVersionInfo&) = delete;

  // TRUE when the fixed information carries its signature and the resource
  // has a translation table; otherwise the object ends zeroed.
  BOOL Create(HMODULE module);
  void Reset();

  const VS_FIXEDFILEINFO& GetFixedInfo() const { return m_Fixed; }
  const WORD* GetTranslations() const { return m_pTranslations; }  // language, code-page pairs
  UINT GetTranslationCount() const { return m_TranslationCount; }
  BOOL IsValid() const { return m_Valid; }

 private:
  VS_FIXEDFILEINFO m_Fixed;
  std::unique_ptr<BYTE[]> m_pBlock;
  const WORD* m_pTranslations = nullptr;
  UINT m_TranslationCount = 0;
  BOOL m_Valid = FALSE;
};

// The About box's version line: "<label> <a>.<b>.<c>.<d>" from the module's
// product version, 0.0.0.0 when the resource cannot be read. The label is the
// skin's "Version" text, which the caller looks up.
std::wstring FormatProductVersion(const wchar_t* label, HMODULE module);
