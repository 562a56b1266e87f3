// The program's folders: where it lives, where temporary files, recordings and
// snapshots go.

#include "settings/Configuration.h"

#include <shlobj.h>

#include <io.h>

#include <cwchar>
#include <string>

#include "win32/Handle.h"

namespace {

const KNOWNFOLDERID kFolderLocalAppData = {
    0xf1b32785, 0x6fba, 0x4fcf, {0x9d, 0x55, 0x7b, 0x8e, 0x7f, 0x15, 0x70, 0x91}};
const KNOWNFOLDERID kFolderVideos = {0x18989b1d, 0x99b5, 0x455b, {0x84, 0x1c, 0xab, 0x7c, 0x74, 0xe4, 0xdd, 0xfc}};
const KNOWNFOLDERID kFolderPictures = {0x33e28130, 0x4e1e, 0x4676, {0x83, 0x5a, 0x98, 0x39, 0x5c, 0x3b, 0xc3, 0xbb}};

constexpr wchar_t kProgramSubFolder[] = L"\\Quorvex\\Mensaro\\temp";

bool IsFolder(const wchar_t* path) {
  const DWORD attributes = GetFileAttributesW(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void CreateFolderTree(const wchar_t* path) { SHCreateDirectoryExW(nullptr, path, nullptr); }

// True when the text looks like a file path: its last '.' after its last '\'.
bool LooksLikeFilePath(const std::wstring& path) {
  const size_t dot = path.rfind(L'.');
  if (dot == std::wstring::npos) return false;
  const size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos || dot > slash;
}

// Cuts a file path at its last '\'; false when there is no folder part.
bool CutToFolder(std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  if (slash == std::wstring::npos) return false;
  path.resize(slash);
  return true;
}

void TrimTrailingBackslash(std::wstring& path) {
  if (path.size() > 2 && path.back() == L'\\') path.pop_back();
}

// A CSIDL folder's path, created when missing; empty when there is none.
std::wstring SpecialFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (!SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE)) return std::wstring();
  path[MAX_PATH - 1] = L'\0';
  return path;
}

}  // namespace

std::unique_ptr<wchar_t[]> GetKnownFolderPath(const KNOWNFOLDERID* id) {
  using GetKnownFolderPathFn = HRESULT(WINAPI*)(REFKNOWNFOLDERID, DWORD, HANDLE, PWSTR*);
  std::unique_ptr<wchar_t[]> result;
  win32::CLibrary shell(LoadLibraryW(L"shell32.dll"));
  if (!shell) return result;
  auto query =
      reinterpret_cast<GetKnownFolderPathFn>(reinterpret_cast<void*>(GetProcAddress(shell, "SHGetKnownFolderPath")));
  PWSTR found = nullptr;
  if (id && query && SUCCEEDED(query(*id, KF_FLAG_CREATE, nullptr, &found)) && found && std::wcslen(found) > 1) {
    std::wstring path(found);
    TrimTrailingBackslash(path);
    result.reset(new wchar_t[path.size() + 1]);
    std::wmemcpy(result.get(), path.c_str(), path.size() + 1);
  }
  CoTaskMemFree(found);
  return result;
}

std::wstring CConfiguration::AppDirFromModulePath(const wchar_t* modulePath, bool* tooShort) {
  std::wstring folder(modulePath ? modulePath : L"");
  const size_t slash = folder.rfind(L'\\');
  folder.resize(slash == std::wstring::npos ? 0 : slash + 1);
  const size_t length = folder.size();
  if (length > 2 && folder.back() == L'\\') folder.pop_back();
  if (tooShort) *tooShort = length < 4;
  return folder;
}

void CConfiguration::LoadFolders(HINSTANCE instance) {
  std::wstring module(1024, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(instance, module.data(), static_cast<DWORD>(module.size()));
    if (length < module.size()) {
      module.resize(length);
      break;
    }
    module.assign(module.size() + 256, L'\0');
  }
  bool tooShort = false;
  const std::wstring appDir = AppDirFromModulePath(module.c_str(), &tooShort);
  ReplaceText(m_AppDir, appDir.c_str());
  if (tooShort && m_pfnShowMessage) m_pfnShowMessage(L"Can't find Application working directory");

  if (m_OsVersionClass) {
    if (auto local = GetKnownFolderPath(&kFolderLocalAppData)) {
      const std::wstring temp = std::wstring(local.get()) + kProgramSubFolder;
      CreateFolderTree(temp.c_str());
      SetTempDir(temp.c_str());
    }
  } else {
    const std::wstring appData = SpecialFolder(CSIDL_APPDATA);
    if (!appData.empty()) {
      const std::wstring temp = appData + kProgramSubFolder;
      CreateFolderTree(temp.c_str());
      SetTempDir(temp.c_str());
    }
  }
  if (!m_TempDir.IsSet()) {
    const std::wstring temp = appDir + L"\\Temp";
    CreateFolderTree(temp.c_str());
    ReplaceText(m_TempDir, temp.c_str());
  }

  if (m_OsVersionClass) {
    if (auto videos = GetKnownFolderPath(&kFolderVideos)) {
      CreateFolderTree(videos.get());
      ReplaceText(m_VideoDir, videos.get());
    }
  } else {
    std::wstring videos = SpecialFolder(CSIDL_MYVIDEO);
    if (!videos.empty()) {
      CreateFolderTree(videos.c_str());
      SetVideoDir(videos.c_str());
    }
    if (!m_VideoDir.IsSet()) {
      videos = SpecialFolder(CSIDL_PERSONAL);
      if (!videos.empty()) {
        CreateFolderTree(videos.c_str());
        SetVideoDir(videos.c_str());
      }
    }
  }
  if (!m_VideoDir.IsSet()) SetVideoDir(m_TempDir);
}

void CConfiguration::ChooseImageDir() {
  if (m_ImageDir.IsSet() && IsFolder(m_ImageDir) && _waccess(m_ImageDir, 6) == 0) return;
  ReplaceText(m_ImageDir, nullptr);
  if (m_OsVersionClass) {
    if (auto pictures = GetKnownFolderPath(&kFolderPictures)) {
      CreateFolderTree(pictures.get());
      ReplaceText(m_ImageDir, pictures.get());
    }
  } else {
    for (int csidl : {CSIDL_MYPICTURES, CSIDL_PERSONAL}) {
      if (m_ImageDir.IsSet()) break;
      const std::wstring folder = SpecialFolder(csidl);
      if (!folder.empty()) {
        CreateFolderTree(folder.c_str());
        SetImageDir(folder.c_str());
      }
    }
  }
  if (!m_ImageDir.IsSet()) SetImageDir(m_TempDir);
}

void CConfiguration::SetImageDir(const wchar_t* path) {
  if (!path || path == m_ImageDir.Get() || std::wcslen(path) < 2) return;
  std::wstring folder(path);
  if (!IsFolder(folder.c_str()) && LooksLikeFilePath(folder)) {
    // A bare file name has no folder to keep.
    if (!CutToFolder(folder) || folder.size() < 2) return;
  }
  if (m_ImageDir.IsSet() && m_ImageDir.Length() == folder.size() && _wcsicmp(m_ImageDir, folder.c_str()) == 0) return;
  // A cut file path may have left a dotted folder name that does not exist
  // either: cut once more.
  if (!IsFolder(folder.c_str()) && LooksLikeFilePath(folder) && CutToFolder(folder) && folder.size() < 2) return;
  TrimTrailingBackslash(folder);
  ReplaceText(m_ImageDir, folder.c_str());
}

void CConfiguration::SetVideoDir(const wchar_t* path) {
  if (!path || path == m_VideoDir.Get() || std::wcslen(path) < 2) return;
  std::wstring folder(path);
  TrimTrailingBackslash(folder);
  ReplaceText(m_VideoDir, folder.c_str());
}

void CConfiguration::SetTempDir(const wchar_t* path) {
  if (!path || path == m_TempDir.Get() || std::wcslen(path) < 2) return;
  std::wstring folder(path);
  TrimTrailingBackslash(folder);
  ReplaceText(m_TempDir, folder.c_str());
}
