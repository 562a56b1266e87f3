#include "capture/Project.h"

#include <cstdlib>
#include <cwchar>

#include "engine/Image.h"

CVideoPanelSink* g_pVideoPanelSink = nullptr;

CProject::CProject(CProjectManager* manager, const wchar_t* path)
    : m_pManager(manager), m_pszPath(path ? _wcsdup(path) : nullptr) {}

CProject::~CProject() {
  free(m_pszPath);
  free(m_pszThumbnail);
}

void CProject::Close() {
  OnDestroy();
  free(m_pszPath);
  m_pszPath = nullptr;
  delete m_pDocument;
  m_pDocument = nullptr;
}
