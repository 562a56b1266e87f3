#include "app/ProjectManager.h"

#include "app/StandInCalls.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"

CProjectManager::CProjectManager() : m_pLiveDocument(new CDTImage) {}
CProjectManager::~CProjectManager() { delete m_pLiveDocument; }
CDirectUI* CProjectManager::GetCanvas() const { return g_pDirectUI; }
void CProjectManager::CloseAll() { StandInCall(L"CProjectManager::CloseAll"); }
