#include "app/ProjectManager.h"

#include <algorithm>
#include <cwchar>

#include "capture/ProjectVideo.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"

CProjectManager* g_pProjectManager = nullptr;

namespace {

bool SamePath(const wchar_t* listed, const wchar_t* path, size_t length) {
  if (!listed || std::wcslen(listed) != length) return false;
  if (length == 0) return true;
  return ::CompareStringOrdinal(listed, static_cast<int>(length), path, static_cast<int>(length), TRUE) == CSTR_EQUAL;
}

}  // namespace

CProjectManager::CHold& CProjectManager::CHold::operator=(CHold&& other) noexcept {
  if (this != &other) {
    Release();
    m_pManager = other.m_pManager;
    m_pProject = other.m_pProject;
    other.m_pProject = nullptr;
  }
  return *this;
}

void CProjectManager::CHold::Release() {
  if (m_pProject && m_pManager) m_pManager->ReleaseHold(m_pProject);
  m_pProject = nullptr;
}

CProjectManager::CProjectManager() : m_LiveProject(this, nullptr) {
  g_pProjectManager = this;
  m_LiveProject.CreateDocument();
}

CProjectManager::~CProjectManager() {
  CloseAll();
  if (g_pProjectManager == this) g_pProjectManager = nullptr;
}

CDirectUI* CProjectManager::GetCanvas() const { return m_pCanvas ? m_pCanvas : g_pDirectUI; }

void CProjectManager::Destroy(CProject* project) {
  project->Close();
  delete project;
}

CProjectManager::CHold CProjectManager::Open(const wchar_t* path, bool video, bool hold, bool* created) {
  if (created) *created = false;
  if (!path || !*path) return {};
  CProject* refused = nullptr;
  CProject* result = nullptr;
  {
    // Find and append in one step, so that one path never gets two projects.
    // A fresh document sends no message, so it is made under the lock.
    std::lock_guard<std::mutex> guard(m_lock);
    const size_t length = std::wcslen(path);
    for (CProject* project : m_projects)
      if (SamePath(project->m_pszPath, path, length)) {
        result = project;
        break;
      }
    if (!result) {
      CProject* project = video ? new CProjectVideo(this, path) : new CProject(this, path);
      if (project->CreateDocument()) {
        m_projects.push_back(project);
        result = project;
        if (created) *created = true;
      } else {
        refused = project;
      }
    }
    if (result && hold) ++result->m_nHolds;
  }
  if (refused) Destroy(refused);
  if (!result) return {};
  // Without a hold the result carries no manager, so nothing is released.
  return CHold(hold ? this : nullptr, result);
}

CProject* CProjectManager::OpenImage(const wchar_t* path) {
  CHold opened = Open(path, false, false, nullptr);
  return opened.Get();
}

CProject* CProjectManager::OpenVideo(const wchar_t* path) {
  CHold opened = Open(path, true, false, nullptr);
  return opened.Get();
}

CProjectManager::CHold CProjectManager::OpenImageHeld(const wchar_t* path, bool* created) {
  return Open(path, false, true, created);
}

CProjectManager::CHold CProjectManager::OpenVideoHeld(const wchar_t* path, bool* created) {
  return Open(path, true, true, created);
}

CProject* CProjectManager::Find(const wchar_t* path) {
  if (!path) return nullptr;
  const size_t length = std::wcslen(path);
  std::lock_guard<std::mutex> guard(m_lock);
  for (CProject* project : m_projects)
    if (SamePath(project->m_pszPath, path, length)) return project;
  return nullptr;
}

CProjectManager::CHold CProjectManager::FindHeld(const wchar_t* path) {
  if (!path) return {};
  const size_t length = std::wcslen(path);
  std::lock_guard<std::mutex> guard(m_lock);
  for (CProject* project : m_projects)
    if (SamePath(project->m_pszPath, path, length)) {
      ++project->m_nHolds;
      return CHold(this, project);
    }
  return {};
}

CProjectManager::CHold CProjectManager::Hold(CProject* project) {
  if (!project) return {};
  std::lock_guard<std::mutex> guard(m_lock);
  if (std::find(m_projects.begin(), m_projects.end(), project) == m_projects.end()) return {};
  ++project->m_nHolds;
  return CHold(this, project);
}

void CProjectManager::ReleaseHold(CProject* project) {
  bool destroy = false;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    destroy = --project->m_nHolds == 0 && project->m_bRemoved;
  }
  if (destroy) Destroy(project);
}

void CProjectManager::Remove(CProject* project) {
  if (!project) return;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    auto it = std::find(m_projects.begin(), m_projects.end(), project);
    if (it == m_projects.end()) return;
    m_projects.erase(it);
    if (project->m_nHolds > 0) {
      project->m_bRemoved = 1;
      return;
    }
  }
  Destroy(project);
}

void CProjectManager::RemoveAll() {
  std::vector<CProject*> closing;
  {
    std::lock_guard<std::mutex> guard(m_lock);
    for (CProject* project : m_projects) {
      if (project->m_nHolds > 0)
        project->m_bRemoved = 1;
      else
        closing.push_back(project);
    }
    m_projects.clear();
  }
  for (CProject* project : closing) Destroy(project);
}

void CProjectManager::CloseAll() {
  RemoveAll();
  m_LiveProject.Close();
}

int CProjectManager::MoveBefore(CProject* target, CProject* moved) {
  if (!target || !moved || target == moved) return 0;
  std::lock_guard<std::mutex> guard(m_lock);
  auto to = std::find(m_projects.begin(), m_projects.end(), target);
  auto from = std::find(m_projects.begin(), m_projects.end(), moved);
  if (to == m_projects.end() || from == m_projects.end()) return 0;
  const size_t insertAt = static_cast<size_t>(to - m_projects.begin());
  m_projects.insert(m_projects.begin() + static_cast<ptrdiff_t>(insertAt), moved);
  for (size_t i = 0; i < m_projects.size(); ++i)
    if (i != insertAt && m_projects[i] == moved) {
      m_projects.erase(m_projects.begin() + static_cast<ptrdiff_t>(i));
      break;
    }
  return 1;
}

int CProjectManager::GetCount() const {
  std::lock_guard<std::mutex> guard(m_lock);
  return static_cast<int>(m_projects.size());
}

void CProjectManager::ForEachProject(const std::function<void(CProject*)>& visit) const {
  std::lock_guard<std::mutex> guard(m_lock);
  for (CProject* project : m_projects) visit(project);
}

std::vector<std::wstring> CProjectManager::CopyPaths() const {
  std::vector<std::wstring> paths;
  std::lock_guard<std::mutex> guard(m_lock);
  paths.reserve(m_projects.size());
  for (const CProject* project : m_projects) paths.emplace_back(project->m_pszPath ? project->m_pszPath : L"");
  return paths;
}
