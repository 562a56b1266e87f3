#include "panels/ThumbnailStrip.h"

#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/MainFrame.h"
#include "app/ProjectManager.h"
#include "app/RecentImages.h"
#include "capture/CameraFactory.h"
#include "capture/Project.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "image/Image.h"
#include "panels/PropertyHost.h"
#include "panels/ThumbnailKernel.h"
#include "toolkit/DoubleBuffer.h"
#include "toolkit/SkinUi.h"
#include "win32/ComPtr.h"

CWndImageList* g_pWndImageList = nullptr;

namespace {

constexpr int kStripId = 101;
constexpr int kScrollBarId = 100;
constexpr int kEdgeZone = 150;
constexpr int kDragThreshold = 24;
constexpr WORD kMenuStrip = 222;

enum StripCommand : WORD {
  ID_STRIP_FOLDER = 32807,
  ID_STRIP_ADD = 57601,
  ID_STRIP_DELETE = 32805,
  ID_STRIP_CLEAR = 32806,
  ID_STRIP_PREVIEW = 32803,
  ID_STRIP_BURN = 32804,
};

StripMessageBoxFunction g_pfnStripMessageBox = ::MessageBoxW;

// A GDI+ bitmap laid over the picture's own pixels, rows top-down; the
// picture must outlive it. Made from the rows rather than as a DIB: Wine
// copies a DIB's pixels one by one, seconds for a large picture.
Gdiplus::Bitmap* WrapImage(const ZEvuvoro::CImage* image) {
  if (!image || image->GetWidth() <= 0 || image->GetHeight() <= 0 || !image->GetData()) return nullptr;
  auto* bitmap = new Gdiplus::Bitmap(image->GetWidth(), image->GetHeight(), image->GetStride(), PixelFormat32bppRGB,
                                     image->GetData());
  if (bitmap->GetLastStatus() != Gdiplus::Ok) {
    delete bitmap;
    return nullptr;
  }
  return bitmap;
}

}  // namespace

void SetStripMessageBoxFunction(StripMessageBoxFunction box) { g_pfnStripMessageBox = box ? box : ::MessageBoxW; }

int StripMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type) {
  return g_pfnStripMessageBox(owner, text, caption, type);
}

void CoverCropRect(int tw, int th, Gdiplus::Rect* source) {
  if (!source) return;
  const int sw = source->Width;
  const int sh = source->Height;
  if (sw <= 0 || sh <= 0 || tw <= 0 || th <= 0) return;
  const float scale =
      std::max(static_cast<float>(tw) / static_cast<float>(sw), static_cast<float>(th) / static_cast<float>(sh));
  int cw = sw;
  int left = 0;
  if (static_cast<int>(static_cast<float>(sw) * scale + 0.5f) > tw) {
    cw = std::min(static_cast<int>(static_cast<float>(tw) / scale + 0.5f), sw);
    left = std::max(static_cast<int>(static_cast<float>(sw - cw) * 0.5f), 0);
  }
  int ch = sh;
  int top = 0;
  if (static_cast<int>(static_cast<float>(sh) * scale + 0.5f) > th) {
    ch = std::min(static_cast<int>(static_cast<float>(th) / scale + 0.5f), sh);
    top = std::max(static_cast<int>(static_cast<float>(sh - ch) * 0.5f), 0);
  }
  source->X += left;
  source->Y += top;
  source->Width = cw;
  source->Height = ch;
}

Gdiplus::Bitmap* MakeThumbnail(Gdiplus::Bitmap* source, int width, int height) {
  if (!source || width <= 0 || height <= 0) return nullptr;
  Gdiplus::Rect crop(0, 0, static_cast<INT>(source->GetWidth()), static_cast<INT>(source->GetHeight()));
  CoverCropRect(width, height, &crop);
  if (crop.Width <= 0 || crop.Height <= 0) return nullptr;
  // The cells of the crop are averaged here rather than drawn with GDI+,
  // whose bilinear reduction under Wine leaves the first row empty and reads
  // the whole picture converted; a 32-bit picture is read in place.
  const bool opaque = source->GetPixelFormat() == PixelFormat32bppRGB;
  Gdiplus::BitmapData from{};
  if (source->LockBits(&crop, Gdiplus::ImageLockModeRead, opaque ? PixelFormat32bppRGB : PixelFormat32bppARGB, &from) !=
      Gdiplus::Ok)
    return nullptr;
  auto* thumbnail = new Gdiplus::Bitmap(width, height, PixelFormat32bppARGB);
  Gdiplus::BitmapData to{};
  const Gdiplus::Rect whole(0, 0, width, height);
  bool made = false;
  if (thumbnail->GetLastStatus() == Gdiplus::Ok &&
      thumbnail->LockBits(&whole, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &to) == Gdiplus::Ok) {
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    if (crop.Width >= width && crop.Height >= height) {
      made = ReduceToThumbnail(static_cast<const uint8_t*>(from.Scan0), from.Stride,
                               ThumbnailCrop{0, 0, crop.Width, crop.Height}, width, height, opaque, pixels.data());
    } else {
      // A picture smaller than the thumbnail is enlarged: each thumbnail
      // pixel takes the crop's pixel under its centre.
      for (int y = 0; y < height; ++y) {
        const int sy = static_cast<int>((static_cast<int64_t>(2 * y + 1) * crop.Height) / (2 * height));
        const auto* row = static_cast<const uint8_t*>(from.Scan0) + static_cast<ptrdiff_t>(sy) * from.Stride;
        for (int x = 0; x < width; ++x) {
          const int sx = static_cast<int>((static_cast<int64_t>(2 * x + 1) * crop.Width) / (2 * width));
          uint8_t* out = pixels.data() + (static_cast<size_t>(y) * width + x) * 4;
          memcpy(out, row + static_cast<size_t>(sx) * 4, 4);
          if (opaque) out[3] = 0xFF;
        }
      }
      made = true;
    }
    for (int y = 0; made && y < height; ++y)
      memcpy(static_cast<uint8_t*>(to.Scan0) + static_cast<ptrdiff_t>(y) * to.Stride,
             pixels.data() + static_cast<size_t>(y) * width * 4, static_cast<size_t>(width) * 4);
    thumbnail->UnlockBits(&to);
  }
  source->UnlockBits(&from);
  if (!made) {
    delete thumbnail;
    return nullptr;
  }
  return thumbnail;
}

Gdiplus::Bitmap* LoadBitmapCopy(const wchar_t* path) {
  if (!path) return nullptr;
  Gdiplus::GpBitmap* native = nullptr;
  if (Gdiplus::DllExports::GdipCreateBitmapFromFile(path, &native) != Gdiplus::Ok || !native) return nullptr;
  UINT width = 0;
  UINT height = 0;
  Gdiplus::DllExports::GdipGetImageWidth(native, &width);
  Gdiplus::DllExports::GdipGetImageHeight(native, &height);
  auto* copy = new Gdiplus::Bitmap(static_cast<INT>(width), static_cast<INT>(height), PixelFormat32bppARGB);
  if (copy->GetLastStatus() != Gdiplus::Ok) {
    delete copy;
    Gdiplus::DllExports::GdipDisposeImage(native);
    return nullptr;
  }
  const Gdiplus::Rect whole(0, 0, static_cast<INT>(width), static_cast<INT>(height));
  Gdiplus::BitmapData from{};
  Gdiplus::BitmapData to{};
  bool copied = false;
  if (Gdiplus::DllExports::GdipBitmapLockBits(native, &whole, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB,
                                              &from) == Gdiplus::Ok) {
    if (copy->LockBits(&whole, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &to) == Gdiplus::Ok) {
      const size_t row = static_cast<size_t>(width) * 4;
      for (UINT y = 0; y < height; ++y)
        memcpy(static_cast<uint8_t*>(to.Scan0) + static_cast<ptrdiff_t>(y) * to.Stride,
               static_cast<const uint8_t*>(from.Scan0) + static_cast<ptrdiff_t>(y) * from.Stride, row);
      copy->UnlockBits(&to);
      copied = true;
    }
    Gdiplus::DllExports::GdipBitmapUnlockBits(native, &from);
  }
  Gdiplus::DllExports::GdipDisposeImage(native);
  if (!copied) {
    delete copy;
    return nullptr;
  }
  return copy;
}

// ---------------------------------------------------------------------------
// The strip.

CWndImages::IMAGE_ITEM::~IMAGE_ITEM() { delete m_pThumbnail; }

win32::CWndClassInfo& CWndImages::GetWndClassInfo() {
  static win32::CWndClassInfo info = {L"WndImages", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

CWndImages::CWndImages() = default;

CWndImages::~CWndImages() {
  for (IMAGE_ITEM* item : m_items) delete item;
  m_items.clear();
  delete m_pCheckedBrush;
  delete m_pFramePen;
  delete m_pBadge;
}

CWndImages::IMAGE_ITEM* CWndImages::GetItem(int index) {
  AcquireSRWLockShared(&m_lock);
  IMAGE_ITEM* item = index >= 0 && index < static_cast<int>(m_items.size()) ? m_items[index] : nullptr;
  ReleaseSRWLockShared(&m_lock);
  return item;
}

int CWndImages::GetItemCount() const {
  AcquireSRWLockShared(&m_lock);
  const int count = static_cast<int>(m_items.size());
  ReleaseSRWLockShared(&m_lock);
  return count;
}

void CWndImages::LayoutItems() {
  if (m_items.empty()) return;
  const int y = (static_cast<int>(m_rcClient.bottom) - kThumbHeight) / 2;
  for (size_t i = 0; i < m_items.size(); ++i) {
    IMAGE_ITEM* item = m_items[i];
    item->m_nX = m_nScrollOffset + 2 + kThumbSlot * static_cast<int>(i);
    item->m_nY = y;
    item->m_nWidth = kThumbWidth;
    item->m_nHeight = kThumbHeight;
    item->m_rc = RECT{item->m_nX, y, item->m_nX + kThumbWidth, y + kThumbHeight};
    item->m_nIndex = static_cast<int>(i);
  }
}

void CWndImages::ScrollTo(int position) {
  m_nScrollOffset = -position;
  if (m_items.empty()) return;
  LayoutItems();
  Invalidate(FALSE);
}

CWndImages::IMAGE_ITEM* CWndImages::HitTest(POINT point) const {
  for (IMAGE_ITEM* item : m_items)
    if (PtInRect(&item->m_rc, point)) return item;
  return nullptr;
}

int CWndImages::ScrollRange() const { return m_pScrollBar ? m_pScrollBar->m_nRange : 0; }
int CWndImages::ScrollPage() const { return m_pScrollBar ? m_pScrollBar->m_nPage : 0; }
int CWndImages::ScrollPos() const { return m_pScrollBar ? m_pScrollBar->m_nPosition : 0; }

void CWndImages::UpdateScrollRange() {
  if (!m_pScrollBar || !m_pScrollBar->m_hWnd) return;
  const int count = GetItemCount();
  const int range = count * kThumbSlot + (count > 0 ? 2 : 0);
  ::SendMessageW(m_pScrollBar->m_hWnd, SBM_SETRANGE, static_cast<WPARAM>(range), m_rcClient.right);
}

void CWndImages::SetScrollPosition(int position) {
  if (m_pScrollBar && m_pScrollBar->m_hWnd) ::SendMessageW(m_pScrollBar->m_hWnd, SBM_SETPOS, position, 0);
  m_nScrollOffset = -position;
  LayoutItems();
}

void CWndImages::SendNotify(UINT code, int item, UINT newState, UINT oldState, LPARAM lParam) {
  HWND parent = ::GetParent(m_hWnd);
  if (!parent) return;
  NMLISTVIEW record{};
  record.hdr.hwndFrom = m_hWnd;
  record.hdr.idFrom = static_cast<UINT_PTR>(m_nCommandID);
  record.hdr.code = code;
  record.iItem = item;
  record.uNewState = newState;
  record.uOldState = oldState;
  record.lParam = lParam;
  ::SendMessageW(parent, WM_NOTIFY, record.hdr.idFrom, reinterpret_cast<LPARAM>(&record));
}

void CWndImages::SetItemState(IMAGE_ITEM* item, int state, bool notify) {
  const int old = item->m_nState;
  item->m_nState = state;
  if (notify) SendNotify(LVN_ITEMCHANGED, item->m_nIndex, static_cast<UINT>(state), static_cast<UINT>(old));
}

void CWndImages::AppendItem(IMAGE_ITEM* item) {
  AcquireSRWLockExclusive(&m_lock);
  m_items.push_back(item);
  ReleaseSRWLockExclusive(&m_lock);
  item->m_nIndex = static_cast<int>(m_items.size()) - 1;
}

void CWndImages::EraseItem(IMAGE_ITEM* item) {
  if (m_pCurrent == item) m_pCurrent = nullptr;
  if (m_pAnchor == item) m_pAnchor = nullptr;
  AcquireSRWLockExclusive(&m_lock);
  m_items.erase(std::remove(m_items.begin(), m_items.end(), item), m_items.end());
  ReleaseSRWLockExclusive(&m_lock);
  delete item;
}

void CWndImages::ApplyItemLimit() {
  if (!m_bLimitOn || static_cast<int>(m_items.size()) <= m_nItemLimit || m_items.size() <= 1) return;
  // The oldest leaves; its thumbnail file stays, and the container never
  // deletes its picture (m_bUserRemoval is clear).
  IMAGE_ITEM* oldest = m_items.front();
  if (m_pCurrent == oldest) m_pCurrent = nullptr;
  const int userRemoval = m_bUserRemoval;
  m_bUserRemoval = 0;
  SendNotify(LVN_DELETEITEM, oldest->m_nIndex, 0, 0, reinterpret_cast<LPARAM>(oldest->m_pProject));
  m_bUserRemoval = userRemoval;
  CProject* project = oldest->m_pProject;
  EraseItem(oldest);
  if (project && g_pProjectManager) g_pProjectManager->Remove(project);
}

void CWndImages::RemoveOneItem(IMAGE_ITEM* item, bool deleteThumbnailFile) {
  if (m_pCurrent == item) m_pCurrent = nullptr;
  CProject* project = item->m_pProject;
  SendNotify(LVN_DELETEITEM, item->m_nIndex, 0, 0, reinterpret_cast<LPARAM>(project));
  if (deleteThumbnailFile && project && !project->m_strThumbnail.empty())
    ::DeleteFileW(project->m_strThumbnail.c_str());
  EraseItem(item);
  if (project && g_pProjectManager) g_pProjectManager->Remove(project);
}

LRESULT CWndImages::OnAddImage(const ImageItemSource* source) {
  ZEvuvoro::CImage* image = source ? source->image : nullptr;
  if (!image || image->GetWidth() <= 0 || image->GetHeight() <= 0) {
    SendNotify(LVN_GETDISPINFOW, 0, LVIS_SELECTED, 0);
    return 0;
  }
  Gdiplus::Bitmap* wrapped = WrapImage(image);
  Gdiplus::Bitmap* thumbnail = wrapped ? MakeThumbnail(wrapped, kThumbWidth, kThumbHeight) : nullptr;
  if (!thumbnail) {
    delete wrapped;
    return 0;
  }
  auto* item = new IMAGE_ITEM;
  item->m_pThumbnail = thumbnail;
  item->m_pProject = source->project;
  AppendItem(item);
  ApplyItemLimit();
  LayoutItems();
  Invalidate(FALSE);
  delete wrapped;
  SendNotify(LVN_GETDISPINFOW, 0, LVIS_SELECTED, 0);
  return reinterpret_cast<LRESULT>(item);
}

LRESULT CWndImages::OnAddThumbnail(const ThumbnailItemSource* source) {
  if (!source) return 0;
  Gdiplus::Bitmap* thumbnail = nullptr;
  if (!source->image) {
    thumbnail = LoadBitmapCopy(source->path);
    if (!thumbnail || thumbnail->GetWidth() == 0) {
      delete thumbnail;
      return 0;
    }
  } else {
    const INT width = static_cast<INT>(source->image->GetWidth());
    const INT height = static_cast<INT>(source->image->GetHeight());
    // A copy of the whole picture in its own format.
    auto* bitmap = static_cast<Gdiplus::Bitmap*>(source->image);
    thumbnail = bitmap->Clone(0, 0, width, height, source->image->GetPixelFormat());
    if (!thumbnail || thumbnail->GetLastStatus() != Gdiplus::Ok) {
      delete thumbnail;
      return 0;
    }
  }
  if (thumbnail->GetWidth() != static_cast<UINT>(kThumbWidth) ||
      thumbnail->GetHeight() != static_cast<UINT>(kThumbHeight)) {
    Gdiplus::Bitmap* made = MakeThumbnail(thumbnail, kThumbWidth, kThumbHeight);
    delete thumbnail;
    thumbnail = made;
    if (!thumbnail) return 0;
  }
  auto* item = new IMAGE_ITEM;
  item->m_pThumbnail = thumbnail;
  item->m_pProject = source->project;
  AppendItem(item);
  ApplyItemLimit();
  LayoutItems();
  Invalidate(FALSE);
  return 1;
}

LRESULT CWndImages::OnUpdateThumbnail(const ImageItemSource* source) {
  if (!source) return 0;
  IMAGE_ITEM* found = nullptr;
  for (IMAGE_ITEM* item : m_items)
    if (item->m_pProject == source->project) {
      found = item;
      break;
    }
  if (!found) return 0;
  Gdiplus::Bitmap* wrapped = WrapImage(source->image);
  Gdiplus::Bitmap* thumbnail = wrapped ? MakeThumbnail(wrapped, kThumbWidth, kThumbHeight) : nullptr;
  delete wrapped;
  if (thumbnail) {
    delete found->m_pThumbnail;
    found->m_pThumbnail = thumbnail;
    CProject* project = found->m_pProject;
    if (project && !project->m_strThumbnail.empty()) SaveImageAsPng(thumbnail, project->m_strThumbnail.c_str());
  }
  Invalidate(FALSE);
  return 0;
}

LRESULT CWndImages::OnRemoveItem(CProject* project) {
  m_pAnchor = nullptr;
  bool removed = false;
  if (project) {
    for (IMAGE_ITEM* item : m_items)
      if (item->m_pProject == project) {
        RemoveOneItem(item, true);
        removed = true;
        break;
      }
  } else {
    for (bool again = true; again;) {
      again = false;
      for (IMAGE_ITEM* item : m_items)
        if (item->m_nState == LVIS_SELECTED) {
          RemoveOneItem(item, true);
          removed = again = true;
          break;
        }
    }
  }
  if (removed) {
    LayoutItems();
    Invalidate(FALSE);
  }
  SendNotify(LVN_GETDISPINFOW, 0, LVIS_SELECTED, 0);
  return removed ? 1 : 0;
}

LRESULT CWndImages::OnSelectItem(int index) {
  IMAGE_ITEM* target = nullptr;
  for (IMAGE_ITEM* item : m_items) {
    item->m_nState = 0;
    if (item->m_nIndex == index) target = item;
  }
  if (target) target->m_nState = LVIS_SELECTED;
  if (target && target != m_pCurrent) {
    m_pCurrent = target;
    ScrollIntoView(target);
    Invalidate(FALSE);
  } else if (index == -1 && m_pCurrent) {
    m_pCurrent = nullptr;
    Invalidate(FALSE);
  } else {
    Invalidate(FALSE);
  }
  SendNotify(LVN_ITEMCHANGING, index, LVIS_SELECTED, 0);
  return 0;
}

LRESULT CWndImages::OnClear() {
  m_pCurrent = nullptr;
  m_pAnchor = nullptr;
  m_nScrollOffset = 0;
  AcquireSRWLockExclusive(&m_lock);
  std::vector<IMAGE_ITEM*> items;
  items.swap(m_items);
  ReleaseSRWLockExclusive(&m_lock);
  for (IMAGE_ITEM* item : items) delete item;
  Invalidate(FALSE);
  SendNotify(LVN_GETDISPINFOW, 0, LVIS_SELECTED, 0);
  return 0;
}

LRESULT CWndImages::OnRegisteredMessage(UINT msg, WPARAM, LPARAM lParam, BOOL& handled) {
  if (msg == WM_IMAGES_ADDIMAGE) return OnAddImage(reinterpret_cast<const ImageItemSource*>(lParam));
  if (msg == WM_IMAGES_ADDTHUMBNAIL) return OnAddThumbnail(reinterpret_cast<const ThumbnailItemSource*>(lParam));
  if (msg == WM_IMAGES_REMOVEITEM) return OnRemoveItem(reinterpret_cast<CProject*>(lParam));
  if (msg == WM_IMAGES_CLEAR) return OnClear();
  if (msg == WM_IMAGES_SELECTITEM) return OnSelectItem(static_cast<int>(lParam));
  if (msg == WM_IMAGES_UPDATETHUMBNAIL) return OnUpdateThumbnail(reinterpret_cast<const ImageItemSource*>(lParam));
  if (msg == WM_IMAGES_SETITEMLIMIT) {
    m_nItemLimit = static_cast<int>(std::clamp<LPARAM>(lParam, 12, 320));
    return 0;
  }
  handled = FALSE;
  return 0;
}

void CWndImages::ScrollIntoView(IMAGE_ITEM* item) {
  if (!item || (item->m_rc.left >= 0 && item->m_rc.right <= m_rcClient.right)) return;
  const int most = std::max(ScrollRange() - ScrollPage(), 0);
  SetScrollPosition(std::clamp(2 + kThumbSlot * item->m_nIndex, 0, most));
}

bool CWndImages::EdgeStep(IMAGE_ITEM* item) {
  const int range = ScrollRange();
  const int page = ScrollPage();
  if (!item || range <= page) return false;
  const int position = ScrollPos();
  int next;
  if (m_rcClient.right - item->m_rc.right < kEdgeZone)
    next = std::min(position + kThumbSlot, range - page);
  else if (item->m_rc.left < kEdgeZone)
    next = std::max(position - kThumbSlot, 0);
  else
    return false;
  SetScrollPosition(next);
  Invalidate(FALSE);
  return true;
}

void CWndImages::ShowLiveDocument() {
  if (g_pDirectUI && g_pProjectManager) g_pDirectUI->SetActiveImage(g_pProjectManager->GetLiveDocument(), TRUE);
}

LRESULT CWndImages::OnLButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, BOOL&) {
  DefWindowProc(msg, wParam, lParam);
  ::SetFocus(m_hWnd);
  const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  IMAGE_ITEM* hit = HitTest(point);
  const bool shift = ::GetKeyState(VK_SHIFT) < 0;
  const bool ctrl = ::GetKeyState(VK_CONTROL) < 0;
  bool stepped = false;
  if (shift) {
    if (hit) {
      if (!m_pAnchor) m_pAnchor = m_pCurrent;
      bool changed = false;
      if (hit != m_pCurrent) {
        m_pCurrent = hit;
        SetItemState(hit, LVIS_SELECTED, true);
        changed = true;
      }
      if (m_pAnchor && m_pAnchor != m_pCurrent) {
        const int low = std::min(m_pAnchor->m_nX, m_pCurrent->m_nX);
        const int high = std::max(m_pAnchor->m_nX, m_pCurrent->m_nX);
        for (IMAGE_ITEM* item : m_items) {
          if (item == m_pAnchor || item == m_pCurrent) continue;
          const int state = item->m_nX > low && item->m_nX < high ? LVIS_SELECTED : 0;
          if (item->m_nState != state) changed = true;
          item->m_nState = state;
        }
      }
      stepped = EdgeStep(m_pCurrent);
      if (!stepped && changed) Invalidate(FALSE);
    }
  } else {
    m_pAnchor = nullptr;
    if (ctrl) {
      if (hit && hit != m_pCurrent) {
        m_pCurrent = hit;
        SetItemState(hit, LVIS_SELECTED, true);
        stepped = EdgeStep(hit);
      } else if (hit) {
        SetItemState(hit, 0, true);
        m_pCurrent = nullptr;
      } else {
        m_pCurrent = nullptr;
      }
    } else {
      for (IMAGE_ITEM* item : m_items)
        if (item != hit && item->m_nState == LVIS_SELECTED) SetItemState(item, 0, true);
      if (hit) {
        if (hit != m_pCurrent) {
          m_pCurrent = hit;
          SetItemState(hit, LVIS_SELECTED, true);
          stepped = EdgeStep(hit);
        }
      } else if (m_pCurrent) {
        m_pCurrent = nullptr;
        if (g_pCameraFactory && g_pCameraFactory->GetCameraCount() > 0) ShowLiveDocument();
      }
    }
    if (!stepped) Invalidate(FALSE);
  }
  if (m_pCurrent && !stepped) {
    m_bPressed = 1;
    m_nGrabOffset = point.x - m_pCurrent->m_nX;
  }
  return 0;
}

LRESULT CWndImages::OnMouseMove(UINT msg, WPARAM wParam, LPARAM lParam, BOOL&) {
  DefWindowProc(msg, wParam, lParam);
  const bool leftDown = (wParam & MK_LBUTTON) != 0;
  if (leftDown && !m_bHover) return 0;
  if (::GetCapture() != m_hWnd && ::GetParent(m_hWnd)) {
    ::SetCapture(m_hWnd);
    m_bHover = m_bCapture = 1;
    return 0;
  }
  const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  POINT screen = point;
  ::ClientToScreen(m_hWnd, &screen);
  if (::WindowFromPoint(screen) != m_hWnd && !leftDown) {
    m_bHover = 0;
    ::ReleaseCapture();
    return 0;
  }
  if (leftDown && m_bPressed && m_pCurrent) {
    if (!m_bDragging && std::abs(point.x - m_pCurrent->m_nX - m_nGrabOffset) > kDragThreshold) m_bDragging = 1;
    if (m_bDragging) {
      m_nDragX = point.x - m_nGrabOffset;
      m_nDragY = m_pCurrent->m_nY;
      Invalidate(FALSE);
    }
  }
  return 0;
}

LRESULT CWndImages::OnLButtonUp(UINT msg, WPARAM wParam, LPARAM lParam, BOOL&) {
  DefWindowProc(msg, wParam, lParam);
  const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  if (m_bDragging && m_pCurrent && !m_items.empty()) {
    IMAGE_ITEM* target = nullptr;
    for (size_t k = 0; k < m_items.size(); ++k) {
      const int left = m_nScrollOffset + kThumbSlot * static_cast<int>(k);
      if (point.x >= left && point.x <= left + kThumbSlot) {
        target = m_items[k];
        break;
      }
    }
    IMAGE_ITEM* moved = m_pCurrent;
    if (target && target != moved && target->m_pProject && moved->m_pProject &&
        target->m_pProject != moved->m_pProject && target->m_pProject->m_pManager &&
        target->m_pProject->m_pManager->MoveBefore(target->m_pProject, moved->m_pProject)) {
      AcquireSRWLockExclusive(&m_lock);
      m_items.erase(std::find(m_items.begin(), m_items.end(), moved));
      m_items.insert(std::find(m_items.begin(), m_items.end(), target), moved);
      ReleaseSRWLockExclusive(&m_lock);
      for (size_t i = 0; i < m_items.size(); ++i) m_items[i]->m_nIndex = static_cast<int>(i);
    }
  }
  m_bPressed = m_bDragging = 0;
  POINT screen = point;
  ::ClientToScreen(m_hWnd, &screen);
  if (::WindowFromPoint(screen) != m_hWnd) {
    m_bHover = 0;
    ::ReleaseCapture();
  }
  LayoutItems();
  Invalidate(FALSE);
  return 0;
}

void CWndImages::OpenItemFolder(IMAGE_ITEM* item) {
  CProject* project = item ? item->m_pProject : nullptr;
  if (!project || !project->m_pszPath) return;
  PIDLIST_ABSOLUTE list = nullptr;
  if (FAILED(::SHParseDisplayName(project->m_pszPath, nullptr, &list, 0, nullptr)) || !list) return;
  PCUITEMID_CHILD child = list;
  ::SHOpenFolderAndSelectItems(list, 1, &child, 0);
  ::ILFree(list);
}

LRESULT CWndImages::OnLButtonDblClk(UINT msg, WPARAM wParam, LPARAM lParam, BOOL&) {
  DefWindowProc(msg, wParam, lParam);
  const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  if (IMAGE_ITEM* item = HitTest(point))
    OpenItemFolder(item);
  else if (g_pMainFrame)
    g_pMainFrame->OnFileOpen();
  return 0;
}

LRESULT CWndImages::OnRButtonUp(UINT msg, WPARAM wParam, LPARAM lParam, BOOL&) {
  DefWindowProc(msg, wParam, lParam);
  HMENU menu = ::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kMenuStrip));
  if (!menu) return 0;
  HMENU popup = ::GetSubMenu(menu, 0);
  if (popup) {
    LocalizeFrameMenu(popup);
    const bool anyChecked =
        std::any_of(m_items.begin(), m_items.end(), [](IMAGE_ITEM* item) { return item->m_nState == LVIS_SELECTED; });
    if (anyChecked) {
      ::SetMenuDefaultItem(popup, ID_STRIP_FOLDER, FALSE);
    } else {
      ::EnableMenuItem(popup, ID_STRIP_FOLDER, MF_BYCOMMAND | MF_GRAYED);
      ::EnableMenuItem(popup, ID_STRIP_DELETE, MF_BYCOMMAND | MF_GRAYED);
    }
    if (m_items.empty()) {
      for (UINT id : {ID_STRIP_CLEAR, ID_STRIP_PREVIEW, ID_STRIP_BURN})
        ::EnableMenuItem(popup, id, MF_BYCOMMAND | MF_GRAYED);
    }
    POINT screen{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ::ClientToScreen(m_hWnd, &screen);
    ::TrackPopupMenu(popup, TPM_RIGHTBUTTON, screen.x, screen.y, 0, m_hWnd, nullptr);
  }
  ::DestroyMenu(menu);
  return 0;
}

void CWndImages::CancelTracking() {
  if (!m_bHover) return;
  m_bHover = m_bCapture = m_bDragging = m_bPressed = 0;
  Invalidate(FALSE);
}

LRESULT CWndImages::OnCancelTracking(UINT msg, WPARAM wParam, LPARAM lParam, BOOL&) {
  const LRESULT result = DefWindowProc(msg, wParam, lParam);
  if (msg != WM_ACTIVATE || LOWORD(wParam) == WA_INACTIVE) CancelTracking();
  return result;
}

LRESULT CWndImages::OnCaptureChanged(UINT, WPARAM, LPARAM, BOOL& handled) {
  if (m_bHover) {
    m_bCapture = 0;
    // Clear first: releasing may bring this message back.
    m_bHover = m_bDragging = m_bPressed = 0;
    if (::GetCapture() == m_hWnd) ::ReleaseCapture();
    Invalidate(FALSE);
  }
  handled = FALSE;
  return 0;
}

LRESULT CWndImages::OnKeyDown(UINT, WPARAM wParam, LPARAM, BOOL&) {
  const int count = static_cast<int>(m_items.size());
  if (!m_pCurrent || count < 2) return 0;
  const int i = m_pCurrent->m_nIndex;
  int target;
  switch (wParam) {
    case VK_PRIOR:
      target = std::max(i - 3, 0);
      break;
    case VK_NEXT:
      target = i + 3 < count ? i + 3 : count - 1;
      break;
    case VK_END:
      target = count - 1;
      break;
    case VK_HOME:
      if (i == 0) return 0;
      target = 0;
      break;
    case VK_LEFT:
    case VK_UP:
      target = i - 1;
      break;
    case VK_RIGHT:
    case VK_DOWN:
      target = i + 1;
      break;
    default:
      return 0;
  }
  if (target < 0 || target >= count) return 0;
  IMAGE_ITEM* next = m_items[target];
  for (IMAGE_ITEM* item : m_items) {
    if (item == next) {
      if (item->m_nState != LVIS_SELECTED) SetItemState(item, LVIS_SELECTED, true);
    } else if (item->m_nState == LVIS_SELECTED) {
      SetItemState(item, 0, true);
    }
  }
  if (next != m_pCurrent) {
    m_pCurrent = next;
    ScrollIntoView(next);
  }
  Invalidate(FALSE);
  return 0;
}

LRESULT CWndImages::OnKeyUp(UINT, WPARAM wParam, LPARAM, BOOL&) {
  if (wParam == VK_SHIFT) m_pAnchor = nullptr;
  if (wParam == VK_DELETE) RemoveCheckedItems();
  return 0;
}

void CWndImages::RemoveCheckedItems() {
  ShowLiveDocument();
  m_bUserRemoval = 1;
  const LRESULT removed = ::SendMessageW(m_hWnd, WM_IMAGES_REMOVEITEM, 0, 0);
  m_bUserRemoval = 0;
  if (removed) {
    UpdateScrollRange();
    const int most = std::max(ScrollRange() - ScrollPage(), 0);
    if (ScrollPos() > most) {
      if (m_pScrollBar && m_pScrollBar->m_hWnd) ::SendMessageW(m_pScrollBar->m_hWnd, SBM_SETPOS, most, 0);
      m_nScrollOffset = -most;
      if (!m_items.empty()) {
        LayoutItems();
        Invalidate(FALSE);
      }
    }
  }
  if (g_pWndProperties) g_pWndProperties->ShowPanel(PanelImage);
  SendNotify(LVN_ITEMCHANGING, 0, LVIS_SELECTED, 0);
}

LRESULT CWndImages::OnCommand(UINT, WPARAM wParam, LPARAM, BOOL&) {
  switch (LOWORD(wParam)) {
    case ID_STRIP_ADD:
      if (g_pMainFrame) g_pMainFrame->OnFileOpen();
      break;
    case ID_STRIP_FOLDER: {
      IMAGE_ITEM* item = m_pCurrent;
      if (!item)
        for (IMAGE_ITEM* each : m_items)
          if (each->m_nState == LVIS_SELECTED) item = each;
      if (item) OpenItemFolder(item);
      break;
    }
    case ID_STRIP_DELETE:
      RemoveCheckedItems();
      break;
    case ID_STRIP_PREVIEW:
      if (g_pMainFrame) g_pMainFrame->RunSlideShow(FALSE);
      break;
    case ID_STRIP_BURN:
      if (g_pMainFrame) g_pMainFrame->RunSlideShow(TRUE);
      break;
    case ID_STRIP_CLEAR:
      if (g_pWndImageList) g_pWndImageList->ClearHistory();
      break;
    default:
      break;
  }
  return 0;
}

LRESULT CWndImages::OnSkinInit(UINT, WPARAM, LPARAM, BOOL&) {
  ::GetClientRect(m_hWnd, &m_rcClient);
  m_nBandX = m_nBandY = 0;
  m_nBandWidth = m_rcClient.right;
  m_nBandHeight = m_rcClient.bottom;
  LayoutItems();
  delete m_pCheckedBrush;
  delete m_pFramePen;
  m_pCheckedBrush = new Gdiplus::SolidBrush(Gdiplus::Color(0x80007AE0));
  m_pFramePen = new Gdiplus::Pen(Gdiplus::Color(0xFF005098), 1.0f);
  delete m_pBadge;
  m_pBadge = nullptr;
  const auto* badge = static_cast<const AvlfUiElementImage*>(GetSkinUi()->FindElement(L"Video", AVLF_UI_IMAGE));
  if (badge && badge->GetFile()) {
    try {
      win32::CComPtr<IStream> stream;
      GetSkinUi()->GetPackageStream(&stream, badge->GetFile());
      if (stream) {
        m_pBadge = new Gdiplus::Bitmap(stream.Get());
        if (m_pBadge->GetLastStatus() != Gdiplus::Ok) {
          delete m_pBadge;
          m_pBadge = nullptr;
        }
      }
    } catch (const AvlfException&) {
      m_pBadge = nullptr;
    }
  }
  if (m_pBadge) {
    m_nBadgeWidth = static_cast<int>(m_pBadge->GetWidth());
    m_nBadgeHeight = static_cast<int>(m_pBadge->GetHeight());
  }
  return 0;
}

LRESULT CWndImages::OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled) {
  delete m_pCheckedBrush;
  delete m_pFramePen;
  delete m_pBadge;
  m_pCheckedBrush = nullptr;
  m_pFramePen = nullptr;
  m_pBadge = nullptr;
  AcquireSRWLockExclusive(&m_lock);
  std::vector<IMAGE_ITEM*> items;
  items.swap(m_items);
  ReleaseSRWLockExclusive(&m_lock);
  for (IMAGE_ITEM* item : items) delete item;
  m_pCurrent = m_pAnchor = nullptr;
  handled = FALSE;
  return 0;
}

LRESULT CWndImages::OnSizeMessage(UINT, WPARAM, LPARAM lParam, BOOL&) {
  const int width = static_cast<short>(LOWORD(lParam));
  const int height = static_cast<short>(HIWORD(lParam));
  m_rcClient = RECT{0, 0, width, height};
  m_nBandX = m_nBandY = 0;
  m_nBandWidth = width;
  m_nBandHeight = height;
  LayoutItems();
  UpdateScrollRange();
  Invalidate(FALSE);
  return 0;
}

LRESULT CWndImages::OnEnable(UINT, WPARAM, LPARAM, BOOL&) {
  Invalidate(FALSE);
  return 0;
}

LRESULT CWndImages::OnPaintMessage(UINT, WPARAM wParam, LPARAM, BOOL&) {
  AvlfPaintDoubleBuffered(m_hWnd, wParam, [this](HDC hdc) { DoPaint(hdc); });
  return 0;
}

void CWndImages::DoPaint(HDC hdc) {
  CopyTransparentBackground(*this, hdc);
  Gdiplus::Graphics graphics(hdc);
  Gdiplus::SolidBrush band(Gdiplus::Color(0xFF696969));
  graphics.FillRectangle(&band, m_nBandX, m_nBandY, m_nBandWidth, m_nBandHeight);
  for (IMAGE_ITEM* item : m_items) {
    if (item->m_nX + item->m_nWidth < 0) continue;
    if (item->m_nX >= m_nBandWidth) break;
    if (item->m_pThumbnail) {
      graphics.DrawImage(item->m_pThumbnail, Gdiplus::Rect(item->m_nX, item->m_nY, kThumbWidth, kThumbHeight), 0, 0,
                         static_cast<INT>(item->m_pThumbnail->GetWidth()),
                         static_cast<INT>(item->m_pThumbnail->GetHeight()), Gdiplus::UnitPixel);
      if (item->m_pProject && item->m_pProject->m_bVideo && m_pBadge) {
        m_nBadgeX = item->m_nX + kThumbWidth - m_nBadgeWidth - 1;
        m_nBadgeY = item->m_nY + kThumbHeight - m_nBadgeHeight - 1;
        graphics.DrawImage(m_pBadge, m_nBadgeX, m_nBadgeY, m_nBadgeWidth, m_nBadgeHeight);
      }
    }
    if (item->m_nState == LVIS_SELECTED) {
      if (m_pCheckedBrush) graphics.FillRectangle(m_pCheckedBrush, item->m_nX, item->m_nY, kThumbWidth, kThumbHeight);
      if (m_pFramePen) graphics.DrawRectangle(m_pFramePen, item->m_nX, item->m_nY, kThumbWidth, kThumbHeight);
    }
  }
  if (m_bDragging && m_pCurrent && m_pCurrent->m_pThumbnail) {
    Gdiplus::ColorMatrix matrix = {
        {{1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0}, {0, 0, 0, 0.8f, 0}, {0, 0, 0, 0, 1}}};
    Gdiplus::ImageAttributes attributes;
    attributes.SetColorMatrix(&matrix);
    graphics.DrawImage(m_pCurrent->m_pThumbnail, Gdiplus::Rect(m_nDragX, m_nDragY, m_nDragWidth, m_nDragHeight), 0, 0,
                       static_cast<INT>(m_pCurrent->m_pThumbnail->GetWidth()),
                       static_cast<INT>(m_pCurrent->m_pThumbnail->GetHeight()), Gdiplus::UnitPixel, &attributes);
  }
}

// ---------------------------------------------------------------------------
// The container.

win32::CWndClassInfo& CWndImageList::GetWndClassInfo() {
  static win32::CWndClassInfo info = {L"WndImageList", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

CWndImageList::CWndImageList() {
  if (!g_pWndImageList) g_pWndImageList = this;
}

CWndImageList::~CWndImageList() {
  if (g_pWndImageList == this) g_pWndImageList = nullptr;
}

void CWndImageList::SetScrollRange() { m_wndImages.UpdateScrollRange(); }

CWndImages::IMAGE_ITEM* CWndImageList::AddImage(ZEvuvoro::CImage* image, CProject* project) {
  if (!m_wndImages.m_hWnd) return nullptr;
  ImageItemSource source{image, project};
  auto* item = reinterpret_cast<CWndImages::IMAGE_ITEM*>(
      ::SendMessageW(m_wndImages.m_hWnd, WM_IMAGES_ADDIMAGE, 0, reinterpret_cast<LPARAM>(&source)));
  SetScrollRange();
  if (item && project && !project->m_bNoReload && item->m_pThumbnail && project->m_pszPath && *project->m_pszPath) {
    const std::wstring path = GetThumbnailPath(project->m_pszPath);
    if (!path.empty()) {
      SaveImageAsPng(item->m_pThumbnail, path.c_str());
      project->m_strThumbnail = path;
    }
  }
  return item;
}

void CWndImageList::SelectItem(int index) {
  if (m_wndImages.m_hWnd) ::SendMessageW(m_wndImages.m_hWnd, WM_IMAGES_SELECTITEM, 0, index);
}

int CWndImageList::AddThumbnail(const wchar_t* thumbnailPath, CProject* project, Gdiplus::Image* image) {
  if (!m_wndImages.m_hWnd) return 0;
  ThumbnailItemSource source{thumbnailPath, image, project};
  const LRESULT added =
      ::SendMessageW(m_wndImages.m_hWnd, WM_IMAGES_ADDTHUMBNAIL, 0, reinterpret_cast<LPARAM>(&source));
  SetScrollRange();
  return static_cast<int>(added);
}

void CWndImageList::ClearHistory() {
  if (StripMessageBox(m_hWnd, SkinTextOrKey(L"HistoryClearW"), SkinTextOrKey(L"Prompt"),
                      MB_OKCANCEL | MB_ICONWARNING) != IDOK)
    return;
  if (g_pDirectUI && g_pProjectManager) g_pDirectUI->SetActiveImage(g_pProjectManager->GetLiveDocument(), TRUE);
  if (m_wndImages.m_hWnd) ::SendMessageW(m_wndImages.m_hWnd, WM_IMAGES_CLEAR, 0, 0);
  SetScrollRange();
  const int most = std::max(m_wndScrollBar.m_nRange - m_wndScrollBar.m_nPage, 0);
  if (m_wndScrollBar.m_nPosition > most) {
    if (m_wndScrollBar.m_hWnd) ::SendMessageW(m_wndScrollBar.m_hWnd, SBM_SETPOS, most, 0);
    m_wndImages.ScrollTo(most);
  }
  if (g_pProjectManager) g_pProjectManager->RemoveAll();
  const std::wstring folder = g_ThumbnailFolder;
  if (!folder.empty()) {
    std::wstring from = folder;
    from.push_back(L'\0');
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = 0x1694;
    ::SHFileOperationW(&operation);
  }
}

LRESULT CWndImageList::OnSkinInit(UINT, WPARAM, LPARAM, BOOL&) {
  AttachSkinChild(this, m_wndScrollBar, kScrollBarId);
  if (AttachSkinChild(this, m_wndImages, kStripId)) m_wndImages.m_pScrollBar = &m_wndScrollBar;
  m_wndImages.m_pScrollBar = &m_wndScrollBar;
  SetScrollRange();
  return 0;
}

LRESULT CWndImageList::OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
  if (LOWORD(wParam) == kScrollBarId && HIWORD(wParam) == 1) {
    m_wndImages.ScrollTo(m_wndScrollBar.m_nPosition);
    return 0;
  }
  handled = FALSE;
  return 0;
}

void CWndImageList::ShowItemProject(int index) {
  CWndImages::IMAGE_ITEM* item = m_wndImages.GetItem(index);
  CProject* project = item ? item->m_pProject : nullptr;
  if (!project) return;
  CDTImage* document = project->m_pDocument;
  const bool sized = document && document->m_nWidth > 0 && document->m_nHeight > 0;
  if (!sized && !project->LoadDocument(g_pDirectUI)) return;
  document = project->m_pDocument;
  if (document && document->m_nWidth > 0 && document->m_nHeight > 0 && g_pDirectUI)
    g_pDirectUI->SetActiveImage(document, TRUE);
  if (g_pWndProperties) g_pWndProperties->ShowPanel(PanelImage);
}

void CWndImageList::DeleteProjectFile(CProject* project) {
  if (!project || !project->m_pszPath || !*project->m_pszPath) return;
  std::wstring from = project->m_pszPath;
  from.push_back(L'\0');
  SHFILEOPSTRUCTW operation{};
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION;
  ::SHFileOperationW(&operation);
}

LRESULT CWndImageList::OnNotify(UINT, WPARAM, LPARAM lParam, BOOL& handled) {
  const auto* record = reinterpret_cast<const NMLISTVIEW*>(lParam);
  if (!record || record->hdr.hwndFrom != m_wndImages.m_hWnd) {
    handled = FALSE;
    return 0;
  }
  const UINT code = record->hdr.code;
  if (code == LVN_ITEMCHANGED && record->uNewState == LVIS_SELECTED) ShowItemProject(record->iItem);
  if (code == LVN_DELETEITEM && m_wndImages.m_bUserRemoval && ::GetKeyState(VK_SHIFT) < 0)
    DeleteProjectFile(reinterpret_cast<CProject*>(record->lParam));
  return 0;
}
