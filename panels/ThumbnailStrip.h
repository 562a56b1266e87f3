// The thumbnail strip along the bottom of the work area: one small picture per
// opened project, checked and reordered with the mouse and the keys, reached
// by other threads through registered messages.
#pragma once

#include <windows.h>

#include <commctrl.h>
#include <gdiplus.h>

#include <string>
#include <vector>

#include "panels/ScrollBar.h"
#include "settings/RegisteredMessages.h"
#include "toolkit/SkinWindow.h"

class CProject;
namespace ZEvuvoro {
class CImage;
}

// Sent by nothing in the program; lets a caller bound the strip.
inline const UINT WM_IMAGES_SETITEMLIMIT = RegisterWindowMessageW(L"0B035FFF-7AE3-414F-B1EA-5D617EC33E4B");

// Records of the add and update messages.
struct ImageItemSource {
  ZEvuvoro::CImage* image;
  CProject* project;
};

struct ThumbnailItemSource {
  const wchar_t* path;
  Gdiplus::Image* image;  // may be null; the caller keeps it
  CProject* project;
};

// Thumbnail size and slot width of the strip.
inline constexpr int kThumbWidth = 48;
inline constexpr int kThumbHeight = 27;
inline constexpr int kThumbSlot = 50;

// The centred part of `source` with the aspect of tw x th, so that scaling it
// fills the target; unchanged for a side of 0 or less.
void CoverCropRect(int tw, int th, Gdiplus::Rect* source);
// A tw x th 32-bit ARGB thumbnail of source, cropped to cover; null when it
// cannot be made. The source stays the caller's.
Gdiplus::Bitmap* MakeThumbnail(Gdiplus::Bitmap* source, int width, int height);
// A 32-bit ARGB copy of a picture file that keeps no file open; null when the
// file cannot be loaded.
Gdiplus::Bitmap* LoadBitmapCopy(const wchar_t* path);

// Message boxes of the strip and the fusion; tests replace it.
using StripMessageBoxFunction = int(WINAPI*)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
void SetStripMessageBoxFunction(StripMessageBoxFunction box);
int StripMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);

// The clock that names fused pictures; tests replace it.
using StripClockFunction = void(WINAPI*)(SYSTEMTIME* time);
void SetFusionClockFunction(StripClockFunction clock);

class CWndImages : public AvlfWindowImpl<CWndImages> {
 public:
  class IMAGE_ITEM {
   public:
    IMAGE_ITEM() = default;
    IMAGE_ITEM(const IMAGE_ITEM&) = delete;
    IMAGE_ITEM& operator=(const IMAGE_ITEM&) = delete;
    virtual ~IMAGE_ITEM();

    Gdiplus::Bitmap* m_pThumbnail = nullptr;
    int m_nX = 0;
    int m_nY = 0;
    int m_nWidth = kThumbWidth;
    int m_nHeight = kThumbHeight;
    CProject* m_pProject = nullptr;
    RECT m_rc{};
    int m_nIndex = 0;
    int m_nState = 0;  // 0 or LVIS_SELECTED
  };

  static win32::CWndClassInfo& GetWndClassInfo();
  CWndImages();
  ~CWndImages() override;

  // The item at that position; null outside the list. Safe from any thread.
  IMAGE_ITEM* GetItem(int index);
  // Safe from any thread.
  int GetItemCount() const;
  void ScrollTo(int position);
  // Range (count x 50, plus 2 with items) and page (the width) of the scroll bar.
  void UpdateScrollRange();
  void LayoutItems();
  IMAGE_ITEM* HitTest(POINT point) const;
  void RemoveCheckedItems();
  void FuseCheckedImages();
  void DoPaint(HDC hdc);

  BEGIN_MSG_MAP(CWndImages)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnSkinInit)
  MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
  MESSAGE_HANDLER(WM_SIZE, OnSizeMessage)
  MESSAGE_HANDLER(WM_ENABLE, OnEnable)
  MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
  MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
  MESSAGE_HANDLER(WM_LBUTTONUP, OnLButtonUp)
  MESSAGE_HANDLER(WM_LBUTTONDBLCLK, OnLButtonDblClk)
  MESSAGE_HANDLER(WM_RBUTTONUP, OnRButtonUp)
  MESSAGE_HANDLER(WM_ACTIVATE, OnCancelTracking)
  MESSAGE_HANDLER(WM_KILLFOCUS, OnCancelTracking)
  MESSAGE_HANDLER(WM_CANCELMODE, OnCancelTracking)
  MESSAGE_HANDLER(WM_CAPTURECHANGED, OnCaptureChanged)
  MESSAGE_HANDLER(WM_KEYDOWN, OnKeyDown)
  MESSAGE_HANDLER(WM_KEYUP, OnKeyUp)
  MESSAGE_HANDLER(WM_COMMAND, OnCommand)
  MESSAGE_HANDLER(WM_PAINT, OnPaintMessage)
  MESSAGE_HANDLER(WM_PRINTCLIENT, OnPaintMessage)
  MESSAGE_RANGE_HANDLER(0xC000, 0xFFFF, OnRegisteredMessage)
  CHAIN_MSG_MAP(AvlfWindowImpl<CWndImages>)
  END_MSG_MAP()

  LRESULT OnSkinInit(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnSizeMessage(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnEnable(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnMouseMove(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnLButtonDown(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnLButtonUp(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnLButtonDblClk(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnRButtonUp(UINT, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnCancelTracking(UINT msg, WPARAM wParam, LPARAM lParam, BOOL&);
  LRESULT OnCaptureChanged(UINT, WPARAM, LPARAM, BOOL& handled);
  LRESULT OnKeyDown(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnKeyUp(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnPaintMessage(UINT, WPARAM wParam, LPARAM, BOOL&);
  LRESULT OnRegisteredMessage(UINT msg, WPARAM wParam, LPARAM lParam, BOOL& handled);

  LRESULT OnAddImage(const ImageItemSource* source);
  LRESULT OnAddThumbnail(const ThumbnailItemSource* source);
  LRESULT OnUpdateThumbnail(const ImageItemSource* source);
  LRESULT OnRemoveItem(CProject* project);
  LRESULT OnSelectItem(int index);
  LRESULT OnClear();

  std::vector<IMAGE_ITEM*> m_items;
  Gdiplus::SolidBrush* m_pCheckedBrush = nullptr;
  Gdiplus::Pen* m_pFramePen = nullptr;
  int m_nBandX = 0, m_nBandY = 0, m_nBandWidth = 0, m_nBandHeight = 0;
  Gdiplus::Bitmap* m_pBadge = nullptr;
  int m_nBadgeX = 0, m_nBadgeY = 0, m_nBadgeWidth = 0, m_nBadgeHeight = 0;
  int m_nDragX = 0, m_nDragY = 0, m_nDragWidth = kThumbWidth, m_nDragHeight = kThumbHeight;
  RECT m_rcClient{};
  IMAGE_ITEM* m_pCurrent = nullptr;
  IMAGE_ITEM* m_pAnchor = nullptr;
  int m_nScrollOffset = 0;
  int m_bHover = 0;
  int m_bCapture = 0;
  int m_bDragging = 0;
  int m_bPressed = 0;
  int m_nGrabOffset = 0;
  int m_bLimitOn = 1;
  int m_nItemLimit = 32;

  // The container's scroll bar; null until the container attaches the strip.
  CWndScrollBar* m_pScrollBar = nullptr;
  // Set while the user's remove command runs, so that the container deletes
  // files for those removals only and never for an eviction by the limit.
  int m_bUserRemoval = 0;

 private:
  void SendNotify(UINT code, int item, UINT newState, UINT oldState, LPARAM lParam = 0);
  void SetItemState(IMAGE_ITEM* item, int state, bool notify);
  void AppendItem(IMAGE_ITEM* item);
  void ApplyItemLimit();
  void RemoveOneItem(IMAGE_ITEM* item, bool deleteThumbnailFile);
  void EraseItem(IMAGE_ITEM* item);
  bool EdgeStep(IMAGE_ITEM* item);
  void ScrollIntoView(IMAGE_ITEM* item);
  void SetScrollPosition(int position);
  int ScrollRange() const;
  int ScrollPage() const;
  int ScrollPos() const;
  void CancelTracking();
  void OpenItemFolder(IMAGE_ITEM* item);
  void ShowLiveDocument();

  // Guards m_items against readers on other threads; only the main thread
  // changes the list, so it reads without the lock.
  mutable SRWLOCK m_lock = SRWLOCK_INIT;
};

class CWndImageList : public AvlfWindowImpl<CWndImageList> {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();
  CWndImageList();
  ~CWndImageList() override;

  CWndImages::IMAGE_ITEM* AddImage(ZEvuvoro::CImage* image, CProject* project);
  int AddThumbnail(const wchar_t* thumbnailPath, CProject* project, Gdiplus::Image* image);
  void ClearHistory();
  void OnLoadingDone() {}
  // The frame's fuse command.
  void FuseCheckedImages() { m_wndImages.FuseCheckedImages(); }
  // The strip's items for the openers and the recent-pictures loader.
  CWndImages::IMAGE_ITEM* GetItem(int index) { return m_wndImages.GetItem(index); }
  int GetCount() const { return m_wndImages.GetItemCount(); }
  // Sends WM_IMAGES_SELECTITEM to the strip.
  void SelectItem(int index);
  // Range and page of the scroll bar from the strip's count and width.
  void SetScrollRange();

  BEGIN_MSG_MAP(CWndImageList)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnSkinInit)
  MESSAGE_HANDLER(WM_COMMAND, OnCommand)
  MESSAGE_HANDLER(WM_NOTIFY, OnNotify)
  CHAIN_MSG_MAP(AvlfWindowImpl<CWndImageList>)
  END_MSG_MAP()

  LRESULT OnSkinInit(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled);
  LRESULT OnNotify(UINT, WPARAM, LPARAM lParam, BOOL& handled);

  CWndScrollBar m_wndScrollBar;
  CWndImages m_wndImages;

 private:
  void ShowItemProject(int index);
  void DeleteProjectFile(CProject* project);
};

extern CWndImageList* g_pWndImageList;
