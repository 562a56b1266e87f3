#include "panels/ThumbnailStrip.h"

#include "app/StandInCalls.h"
#include "capture/Project.h"
#include "image/Image.h"

CWndImages* g_pWndImageList = nullptr;

CWndImages::~CWndImages() { ClearItems(); }

void CWndImages::FuseCheckedImages() { StandInCall(L"CWndImages::FuseCheckedImages"); }

CWndImages::IMAGE_ITEM* CWndImages::AddImage(ZEvuvoro::CImage* image, CProject* project) {
  if (!image || !image->IsValid() || !project) return nullptr;
  std::lock_guard<std::mutex> guard(m_lock);
  auto* item = new IMAGE_ITEM;
  item->m_pProject = project;
  item->m_nIndex = static_cast<int>(m_items.size());
  m_items.push_back(item);
  return item;
}

int CWndImages::AddThumbnail(const wchar_t* thumbnailPath, CProject* project, Gdiplus::Image* image) {
  if (!project || (!image && (!thumbnailPath || !*thumbnailPath))) return 0;
  std::lock_guard<std::mutex> guard(m_lock);
  auto* item = new IMAGE_ITEM;
  item->m_pProject = project;
  item->m_nIndex = static_cast<int>(m_items.size());
  m_items.push_back(item);
  return 1;
}

void CWndImages::OnLoadingDone() { m_nLoadingDone.fetch_add(1); }

CWndImages::IMAGE_ITEM* CWndImages::GetItem(int index) {
  std::lock_guard<std::mutex> guard(m_lock);
  return index >= 0 && index < static_cast<int>(m_items.size()) ? m_items[size_t(index)] : nullptr;
}

int CWndImages::GetCount() {
  std::lock_guard<std::mutex> guard(m_lock);
  return static_cast<int>(m_items.size());
}

void CWndImages::SelectItem(int index) { m_nSelected = index; }

void CWndImages::ClearItems() {
  std::lock_guard<std::mutex> guard(m_lock);
  for (IMAGE_ITEM* item : m_items) delete item;
  m_items.clear();
}
