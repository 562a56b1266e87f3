// The recent-file slots and the saved rulers of the settings.

#include "settings/Configuration.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "settings/SplitByRegex.h"
#include "settings/WinRegistry.h"

namespace {

constexpr wchar_t kNumberListPattern[] = L",|;|:|\\s+";

std::wstring DecimalName(unsigned i) { return std::to_wstring(i); }

// The standard library's string-to-float reading of one piece (blanks skipped,
// the longest number taken, the rest ignored); false for a piece that holds no
// number or one that no float can hold.
bool ParsePoint(const std::wstring& piece, float* value) {
  const wchar_t* start = piece.c_str();
  wchar_t* end = nullptr;
  errno = 0;
  const float parsed = std::wcstof(start, &end);
  if (end == start || errno == ERANGE || !std::isfinite(parsed)) return false;
  *value = parsed;
  return true;
}

enum class RegistryNames { Values, SubKeys };

// Calls visit(name, type, size) for each of the first `limit` values or
// subkeys of a key, in the key's order; a subkey has type and size 0. An entry
// that cannot be read is passed over.
template <class Visit>
void ForEachRegistryName(HKEY key, RegistryNames what, DWORD limit, Visit visit) {
  const bool values = what == RegistryNames::Values;
  DWORD entries = 0;
  DWORD longestName = 0;
  if (RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, values ? nullptr : &entries, values ? nullptr : &longestName,
                       nullptr, values ? &entries : nullptr, values ? &longestName : nullptr, nullptr, nullptr,
                       nullptr) != ERROR_SUCCESS ||
      entries == 0 || longestName == 0)
    return;
  std::wstring name(longestName + 1, L'\0');
  const DWORD count = std::min<DWORD>(entries, limit);
  for (DWORD position = 0; position < count; ++position) {
    DWORD nameLength = longestName + 1;
    DWORD type = 0;
    DWORD size = 0;
    const LSTATUS status =
        values ? RegEnumValueW(key, position, name.data(), &nameLength, nullptr, &type, nullptr, &size)
               : RegEnumKeyExW(key, position, name.data(), &nameLength, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_SUCCESS) visit(name.c_str(), type, size);
  }
}

}  // namespace

CConfiguration::CRulerRecord::CRulerRecord(const wchar_t* name, double scale, const float points[4])
    : m_Name(name), m_Scale(scale) {
  if (points) std::copy(points, points + 4, m_Points);
}

void CConfiguration::SetRecent(unsigned index, const wchar_t* path) {
  if (index >= kRecentCount || path == m_Recents[index].Get()) return;
  ReplaceText(m_Recents[index], path && *path ? path : nullptr);
}

void CConfiguration::ClearRecents() {
  for (CHeapText& slot : m_Recents) ReplaceText(slot, nullptr);
}

int CConfiguration::FindRuler(const wchar_t* name) const {
  if (!name) return -1;
  for (size_t i = 0; i < m_Rulers.size(); ++i) {
    if (m_Rulers[i]->m_Name.IsSet() && std::wcscmp(m_Rulers[i]->m_Name, name) == 0) return static_cast<int>(i);
  }
  return -1;
}

void CConfiguration::SetRuler(const wchar_t* name, double scale, const float points[4]) {
  if (!name) return;
  const int found = FindRuler(name);
  if (found < 0) {
    m_Rulers.push_back(std::make_unique<CRulerRecord>(name, scale, points));
    return;
  }
  CRulerRecord& record = *m_Rulers[found];
  record.m_Scale = scale;
  if (points)
    std::copy(points, points + 4, record.m_Points);
  else
    std::fill(record.m_Points, record.m_Points + 4, 0.0f);
}

void CConfiguration::RemoveRuler(CRulerRecord* record) {
  auto it = std::find_if(m_Rulers.begin(), m_Rulers.end(),
                         [record](const std::unique_ptr<CRulerRecord>& r) { return r.get() == record; });
  if (it != m_Rulers.end()) m_Rulers.erase(it);
}

void CConfiguration::ClearRulers() { m_Rulers.clear(); }

void CConfiguration::LoadRecents() {
  CWinRegistry key(HKEY_CURRENT_USER, kRecentsKey, FALSE, TRUE);
  if (!key.GetKey()) return;
  ForEachRegistryName(key.GetKey(), RegistryNames::Values, kRecentCount,
                      [&](const wchar_t* name, DWORD type, DWORD size) {
                        if (type != REG_SZ || size == 0) return;
                        const long slot = std::wcstol(name, nullptr, 10);
                        if (slot < 0 || slot >= static_cast<long>(kRecentCount)) return;
                        if (auto path = ReadRegistryText(key.GetKey(), name)) {
                          CHeapText text;
                          text.Adopt(std::move(path));
                          ReplaceText(m_Recents[slot], text);
                        }
                      });
}

void CConfiguration::SaveRecents() {
  CWinRegistry key(HKEY_CURRENT_USER, kRecentsKey, TRUE, TRUE);
  if (!key.GetKey()) return;
  for (unsigned i = 0; i < kRecentCount; ++i) {
    const std::wstring name = DecimalName(i);
    if (m_Recents[i].IsSet())
      key.WriteString(name.c_str(), m_Recents[i]);
    else
      key.DeleteValue(name.c_str());
  }
}

int CConfiguration::ParseRulerPoints(CWinRegistry& rulerKey, float points[4]) {
  std::wstring text;
  if (!rulerKey.ReadString(L"pts", text)) return 0;
  const std::vector<std::wstring> pieces = SplitByRegex(text, kNumberListPattern);
  size_t count = 0;
  for (const std::wstring& piece : pieces) {
    // A hand-edited piece spoils only the points from it on, not the ruler.
    if (count == 4 || piece.empty() || !ParsePoint(piece, &points[count])) break;
    ++count;
  }
  return 1;
}

void CConfiguration::LoadRulers() {
  CWinRegistry key(HKEY_CURRENT_USER, kRulersKey, FALSE, TRUE);
  if (!key.GetKey()) return;
  ForEachRegistryName(key.GetKey(), RegistryNames::SubKeys, kMaxSavedRulers, [&](const wchar_t* name, DWORD, DWORD) {
    CWinRegistry ruler(HKEY_CURRENT_USER, (std::wstring(kRulersKey) + L"\\" + name).c_str(), FALSE, FALSE);
    if (!ruler.OpenExisting(KEY_QUERY_VALUE)) return;
    auto rulerName = ruler.ReadStringCopy(L"name");
    if (!rulerName) return;
    auto record = std::make_unique<CRulerRecord>(rulerName.get(), 1.0, nullptr);
    std::wstring scale;
    if (ruler.ReadString(L"scale", scale)) {
      record->m_Scale = std::wcstod(scale.c_str(), nullptr);
      if (!std::isfinite(record->m_Scale)) record->m_Scale = 0.0;
    }
    ParseRulerPoints(ruler, record->m_Points);
    if (record->m_Scale <= 0.0) record->m_Scale = 1.0;
    m_Rulers.push_back(std::move(record));
  });
}

void CConfiguration::SaveRulers() {
  CWinRegistry key(HKEY_CURRENT_USER, kRulersKey, TRUE, TRUE);
  if (!key.GetKey()) return;
  for (unsigned i = 0; i < kMaxSavedRulers; ++i) {
    const std::wstring name = DecimalName(i);
    if (i >= m_Rulers.size() || !m_Rulers[i]->m_Name.IsSet()) {
      key.DeleteSubKeyTree(name.c_str());
      continue;
    }
    const CRulerRecord& record = *m_Rulers[i];
    CWinRegistry ruler(HKEY_CURRENT_USER, (std::wstring(kRulersKey) + L"\\" + name).c_str(), TRUE, TRUE);
    if (!ruler.GetKey()) continue;
    ruler.WriteString(L"name", record.m_Name);
    wchar_t text[512];
    std::swprintf(text, 512, L"%.6f", record.m_Scale);
    ruler.WriteString(L"scale", text);
    std::swprintf(text, 512, L"%.3f,%.3f,%.3f,%.3f", static_cast<double>(record.m_Points[0]),
                  static_cast<double>(record.m_Points[1]), static_cast<double>(record.m_Points[2]),
                  static_cast<double>(record.m_Points[3]));
    ruler.WriteString(L"pts", text);
  }
}
