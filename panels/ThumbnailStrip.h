// The thumbnail strip. Least stand-in until its own code arrives; it records its calls
// (app/StandInCalls.h) so that the frame's routing can be checked. The calls
// of the openers, which come from other threads too, are seen in its plain
// item list, its last selection and its count of finished loads.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <vector>

namespace Gdiplus {
class Image;
}
namespace ZEvuvoro {
class CImage;
}
class CProject;

class CWndImages {
 public:
  class IMAGE_ITEM {
   public:
    virtual ~IMAGE_ITEM() = default;
    CProject* m_pProject = nullptr;
    int m_nIndex = 0;
  };
  CWndImages() = default;
  ~CWndImages();
  CWndImages(const CWndImages&) = delete;
  CWndImages& operator=(const CWndImages&) = delete;

  void FuseCheckedImages();
  IMAGE_ITEM* AddImage(ZEvuvoro::CImage* image, CProject* project);
  int AddThumbnail(const wchar_t* thumbnailPath, CProject* project, Gdiplus::Image* image);
  void OnLoadingDone();
  IMAGE_ITEM* GetItem(int index);
  int GetCount();
  void SelectItem(int index);
  void ClearItems();

  HWND m_hWnd = nullptr;
  std::atomic<int> m_nSelected{-2};
  std::atomic<int> m_nLoadingDone{0};

 private:
  std::mutex m_lock;
  std::vector<IMAGE_ITEM*> m_items;
};

extern CWndImages* g_pWndImageList;
