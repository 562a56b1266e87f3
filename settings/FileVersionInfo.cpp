#include "settings/FileVersionInfo.h"

#include <cstdio>
#include <cstring>

CFileVersionInfo::CFileVersionInfo() { std::memset(&m_Fixed, 0, sizeof m_Fixed); }

CFileVersionInfo::~CFileVersionInfo() { Reset(); }

void CFileVersionInfo::Reset() {
  std::memset(&m_Fixed, 0, sizeof m_Fixed);
  m_pTranslations = nullptr;
  m_TranslationCount = 0;
  m_Valid = FALSE;
  m_pBlock.reset();
}

BOOL CFileVersionInfo::Create(HMODULE module) {
  if (!module) return FALSE;
  wchar_t path[MAX_PATH] = {};
  const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return FALSE;
  Reset();

  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &handle);
  if (size != 0) {
    m_pBlock.reset(new BYTE[size]());
    if (GetFileVersionInfoW(path, 0, size, m_pBlock.get())) {
      void* fixed = nullptr;
      UINT fixedSize = 0;
      if (VerQueryValueW(m_pBlock.get(), L"\\", &fixed, &fixedSize) && fixed && fixedSize >= sizeof(VS_FIXEDFILEINFO)) {
        std::memcpy(&m_Fixed, fixed, sizeof m_Fixed);
        m_Valid = m_Fixed.dwSignature == 0xFEEF04BD;
      }
    }
  }
  if (m_Valid) {
    void* table = nullptr;
    UINT tableSize = 0;
    if (VerQueryValueW(m_pBlock.get(), L"\\VarFileInfo\\Translation", &table, &tableSize) && table && tableSize >= 4) {
      m_pTranslations = static_cast<const WORD*>(table);
      m_TranslationCount = tableSize / 4;
    }
  }
  if (m_Valid && m_pTranslations) return TRUE;
  Reset();
  return FALSE;
}

std::wstring FormatProductVersion(const wchar_t* label, HMODULE module) {
  CFileVersionInfo info;
  info.Create(module);
  const DWORD high = info.GetFixedInfo().dwProductVersionMS;
  const DWORD low = info.GetFixedInfo().dwProductVersionLS;
  info.Reset();
  wchar_t text[256] = {};
  std::swprintf(text, 256, L"%ls %d.%d.%d.%d", label ? label : L"", HIWORD(high), LOWORD(high), HIWORD(low),
                LOWORD(low));
  return text;
}
