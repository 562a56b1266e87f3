// The skinned drop-down list and its popup list window.

#include "toolkit/SkinCombo.h"

#include <windowsx.h>

#include <objidl.h>

#include <algorithm>

#include "toolkit/SkinUi.h"

AvlfMenuWindow* g_pAvlfMenuWindow = nullptr;

namespace {

// The picture of an image element of the skin, or null when the skin or its
// package lacks it.
Gdiplus::Bitmap* LoadSkinPicture(const wchar_t* name) {
  auto* image = static_cast<AvlfUiElementImage*>(GetSkinUi()->FindElement(name, 4));
  if (!image || !image->GetFile()) return nullptr;
  IStream* stream = nullptr;
  try {
    GetSkinUi()->GetPackageStream(&stream, image->GetFile());
  } catch (const AvlfException&) {
    return nullptr;
  }
  if (!stream) return nullptr;
  Gdiplus::Bitmap* bitmap = Gdiplus::Bitmap::FromStream(stream);
  stream->Release();
  if (bitmap && bitmap->GetLastStatus() != Gdiplus::Ok) {
    delete bitmap;
    bitmap = nullptr;
  }
  return bitmap;
}

RECT WorkArea() {
  RECT area{};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  return area;
}

}  // namespace

void ReleaseMenuWindow() {
  if (!g_pAvlfMenuWindow) return;
  if (g_pAvlfMenuWindow->m_hWnd && ::IsWindow(g_pAvlfMenuWindow->m_hWnd)) ::DestroyWindow(g_pAvlfMenuWindow->m_hWnd);
  delete g_pAvlfMenuWindow;
  g_pAvlfMenuWindow = nullptr;
}

// ---- Popup list ------------------------------------------------------------

AvlfMenuWindow::~AvlfMenuWindow() {
  if (m_hWnd && ::IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
}

int AvlfMenuWindow::AddItem(const wchar_t* text, int id, Gdiplus::Bitmap* picture) {
  for (size_t i = 0; i < m_rows.size(); ++i)
    if (m_rows[i]->id == id) {
      delete picture;
      return static_cast<int>(i);
    }
  auto row = std::make_unique<AvlfMenuItem>();
  row->picture = picture;
  row->text = text ? text : L"";
  row->id = id;
  m_rows.push_back(std::move(row));
  return static_cast<int>(m_rows.size());
}

void AvlfMenuWindow::Popup(const wchar_t* element, const RECT* screenRect, AvlfWindowBase* owner) {
  std::vector<std::unique_ptr<AvlfMenuItem>> copies;
  for (const auto& row : m_rows) {
    auto copy = std::make_unique<AvlfMenuItem>();
    copy->picture =
        row->picture ? row->picture->Clone(0, 0, static_cast<INT>(row->picture->GetWidth()),
                                           static_cast<INT>(row->picture->GetHeight()), row->picture->GetPixelFormat())
                     : nullptr;
    copy->text = row->text;
    copy->id = row->id;
    copies.push_back(std::move(copy));
  }
  ReleaseMenuWindow();
  g_pAvlfMenuWindow = new AvlfMenuWindow;
  for (auto& copy : copies) {
    g_pAvlfMenuWindow->AddItem(copy->text.c_str(), copy->id, copy->picture);
    copy->picture = nullptr;
  }
  if (g_pAvlfMenuWindow->Create(owner, screenRect, element)) ::SetCapture(g_pAvlfMenuWindow->m_hWnd);
}

HWND AvlfMenuWindow::Create(AvlfWindowBase* owner, const RECT* screenRect, const wchar_t* element) {
  m_pOwnerWindow = owner;
  if (!BindSkinElement(owner, element)) return nullptr;
  // Created directly: a popup takes no control id.
  return win32::CWindowImplBaseT<AvlfMenuWindow, AvlfWindowBase, AvlfWinTraits>::Create(
      owner ? owner->m_hWnd : nullptr, screenRect, m_strText.empty() ? nullptr : m_strText.c_str(),
      WS_POPUP | WS_VISIBLE, WS_EX_NOACTIVATE);
}

LRESULT AvlfMenuWindow::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
  CreateDrawingObjects();
  ::SetWindowTextW(m_hWnd, m_strText.c_str());
  if (m_pElement) {
    for (int i = 0; i < m_pElement->GetChildCount(); ++i) {
      const AvlfUiWindow* entry = m_pElement->GetChild(i);
      const AvlfUiWindow::Attribute* text = entry ? entry->FindAttribute(L"Text") : nullptr;
      if (!text) continue;
      const AvlfUiWindow::Attribute* id = entry->FindAttribute(L"CommandID");
      const AvlfUiWindow::Attribute* pic = entry->FindAttribute(L"Pic");
      AddItem(GetSkinUi()->FindText(text->GetValue()), id ? id->GetInt() : 0,
              pic ? LoadSkinPicture(pic->GetValue()) : nullptr);
    }
  }
  RECT rc{};
  ::GetWindowRect(m_hWnd, &rc);
  ::SetWindowPos(m_hWnd, nullptr, rc.left, rc.top, rc.right - rc.left, ListHeight(),
                 SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOZORDER);
  ::SetCapture(m_hWnd);
  ::GetWindowRect(m_hWnd, &rc);
  const RECT area = WorkArea();
  if (rc.bottom > area.bottom)
    ::SetWindowPos(m_hWnd, nullptr, rc.left, rc.top - (rc.bottom - rc.top), 0, 0,
                   SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOZORDER);
  return 0;
}

LRESULT AvlfMenuWindow::OnSize(UINT, WPARAM, LPARAM lParam, BOOL&) {
  const int width = static_cast<short>(LOWORD(lParam));
  for (size_t i = 0; i < m_rows.size(); ++i) {
    const int top = static_cast<int>(i) * m_nRowHeight;
    m_rows[i]->rect = {0, top, width, top + m_nRowHeight};
  }
  return 0;
}

void AvlfMenuWindow::DoPaint(HDC hdc) {
  RECT rc{};
  ::GetClientRect(m_hWnd, &rc);
  Gdiplus::Graphics graphics(hdc);
  if (m_pBkBrush) graphics.FillRectangle(m_pBkBrush, 0, 0, static_cast<INT>(rc.right), static_cast<INT>(rc.bottom));
  Gdiplus::StringFormat format;
  format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
  format.SetFormatFlags(Gdiplus::StringFormatFlagsNoWrap);
  Gdiplus::SolidBrush hotFill(Gdiplus::Color(0xFF3399FF));
  Gdiplus::SolidBrush white(Gdiplus::Color(0xFFFFFFFF));
  for (const auto& row : m_rows) {
    const RECT& r = row->rect;
    const bool hot = row.get() == m_pHot;
    if (hot)
      graphics.FillRectangle(&hotFill, static_cast<INT>(r.left), static_cast<INT>(r.top),
                             static_cast<INT>(r.right - r.left), static_cast<INT>(r.bottom - r.top));
    int textX = 4;
    if (row->picture) {
      const int w = static_cast<int>(row->picture->GetWidth()), h = static_cast<int>(row->picture->GetHeight());
      graphics.DrawImage(row->picture, 4, r.top + (m_nRowHeight - h) / 2, w, h);
      textX = w + 8;
    }
    if (!row->text.empty() && m_pFont) {
      const Gdiplus::RectF box(static_cast<float>(textX), static_cast<float>(r.top),
                               static_cast<float>(rc.right - 4 - textX), static_cast<float>(m_nRowHeight));
      graphics.DrawString(row->text.c_str(), static_cast<INT>(row->text.size()), m_pFont, box, &format,
                          hot ? static_cast<Gdiplus::Brush*>(&white) : m_pTextBrush);
    }
  }
  Gdiplus::Pen border(Gdiplus::Color(0xFF0078D7), 1);
  graphics.DrawRectangle(&border, 0, 0, static_cast<INT>(rc.right - 1), static_cast<INT>(rc.bottom - 1));
}

LRESULT AvlfMenuWindow::OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  DefWindowProc(uMsg, wParam, lParam);
  if ((wParam & MK_LBUTTON) && !m_bTracking) return 0;
  if (::GetCapture() != m_hWnd && ::GetActiveWindow() && ::IsWindow(::GetParent(m_hWnd))) {
    m_bTracking = true;
    ::SetCapture(m_hWnd);
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
  } else {
    POINT screen{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ::ClientToScreen(m_hWnd, &screen);
    if (::WindowFromPoint(screen) != m_hWnd) {
      m_bTracking = false;
      m_pHot = nullptr;
      ::InvalidateRect(m_hWnd, nullptr, FALSE);
      return 0;
    }
  }
  const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  AvlfMenuItem* hot = nullptr;
  for (const auto& row : m_rows)
    if (::PtInRect(&row->rect, pt)) {
      hot = row.get();
      break;
    }
  if (hot != m_pHot) {
    m_pHot = hot;
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
  }
  return 0;
}

void AvlfMenuWindow::Hide() {
  m_bTracking = false;
  m_pHot = nullptr;
  ::InvalidateRect(m_hWnd, nullptr, FALSE);
  ::ShowWindow(m_hWnd, SW_HIDE);
}

LRESULT AvlfMenuWindow::OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  DefWindowProc(uMsg, wParam, lParam);
  if (m_pHot && m_pOwnerWindow && m_pOwnerWindow->m_hWnd)
    ::SendMessageW(m_pOwnerWindow->m_hWnd, WM_COMMAND, static_cast<WPARAM>(static_cast<WORD>(m_pHot->id)),
                   reinterpret_cast<LPARAM>(m_hWnd));
  m_bTracking = false;
  m_pHot = nullptr;
  ::InvalidateRect(m_hWnd, nullptr, FALSE);
  if (::GetCapture() == m_hWnd) ::ReleaseCapture();
  ::ShowWindow(m_hWnd, SW_HIDE);
  return 0;
}

LRESULT AvlfMenuWindow::OnClose(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  const LRESULT result = DefWindowProc(uMsg, wParam, lParam);
  if (uMsg == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) return result;
  if (uMsg == WM_ENABLE && wParam) return result;
  Hide();
  return result;
}

LRESULT AvlfMenuWindow::OnCaptureChanged(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  if (m_bTracking) {
    m_bTracking = false;
    if (::GetCapture() == m_hWnd) ::ReleaseCapture();
    ::ShowWindow(m_hWnd, SW_HIDE);
  }
  return DefWindowProc(uMsg, wParam, lParam);
}

LRESULT AvlfMenuWindow::OnDestroy(UINT, WPARAM, LPARAM, BOOL&) {
  m_pHot = nullptr;
  m_rows.clear();
  return 0;
}

// ---- Combo box -------------------------------------------------------------

AvlfComboBox::~AvlfComboBox() { delete m_pArrowFont; }

int AvlfComboBox::IndexOf(const AvlfComboItem* item) const {
  for (size_t i = 0; i < m_items.size(); ++i)
    if (m_items[i].get() == item) return static_cast<int>(i);
  return -1;
}

void AvlfComboBox::Repaint(BOOL erase) {
  if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, erase);
}

void AvlfComboBox::NotifySelChange() {
  ::SendMessageW(::GetParent(m_hWnd), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(m_nCommandID), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(m_hWnd));
}

void AvlfComboBox::SelectionLost(bool hadSelection) {
  if (!m_hWnd || !::IsWindow(m_hWnd) || !hadSelection) return;
  // The parent learns of the moved selection directly; routed through the
  // pick handler it would select the item of the control's own id.
  NotifySelChange();
  Repaint();
}

LRESULT AvlfComboBox::HandleComboMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& handled) {
  handled = true;
  const int index = static_cast<int>(static_cast<INT_PTR>(wParam));
  const int count = static_cast<int>(m_items.size());
  switch (uMsg) {
    case CB_ADDSTRING: {
      const auto* info = reinterpret_cast<const AvlfComboItemInfo*>(lParam);
      if (!info || count >= kMaxItems) return -1;
      auto item = std::make_unique<AvlfComboItem>();
      item->text = info->text ? info->text : L"";
      item->data = info->data;
      m_items.push_back(std::move(item));
      return count;
    }
    case CB_INSERTSTRING: {
      const auto* info = reinterpret_cast<const AvlfComboItemInfo*>(lParam);
      if (!info || index < 0 || index >= count) return -1;
      auto item = std::make_unique<AvlfComboItem>();
      item->text = info->text ? info->text : L"";
      item->data = info->data;
      m_items.insert(m_items.begin() + index, std::move(item));
      return index;
    }
    case CB_DELETESTRING: {
      if (index >= count) return -1;
      const auto key = static_cast<int32_t>(lParam);
      int victim = index;
      if (key != 0 || index < 0) {
        victim = -1;
        for (int i = 0; i < count; ++i)
          if (m_items[static_cast<size_t>(i)]->data == key) {
            victim = i;
            break;
          }
      }
      if (victim >= 0) {
        const bool wasSelected = m_items[static_cast<size_t>(victim)].get() == m_pSelected;
        m_items.erase(m_items.begin() + victim);
        if (wasSelected) {
          m_pSelected = m_items.empty() ? nullptr : m_items.front().get();
          SelectionLost(true);
        }
      }
      return static_cast<LRESULT>(m_items.size());
    }
    case CB_RESETCONTENT: {
      const bool hadSelection = m_pSelected != nullptr;
      m_pSelected = nullptr;
      m_items.clear();
      SelectionLost(hadSelection);
      return 0;
    }
    case CB_GETCOUNT:
      return count;
    case CB_GETCURSEL:
      return IndexOf(m_pSelected);
    case CB_SETCURSEL: {
      if (index < 0 || index >= count) return -1;
      AvlfComboItem* item = m_items[static_cast<size_t>(index)].get();
      if (item != m_pSelected) {
        m_pSelected = item;
        Repaint();
      }
      return index;
    }
    case CB_FINDSTRING:
      for (int i = std::max(index, 0); i < count; ++i)
        if (m_items[static_cast<size_t>(i)]->data == static_cast<int32_t>(lParam)) return i;
      return -1;
    case CB_GETITEMDATA:
      if (index < 0 || index >= count) return -1;
      return m_items[static_cast<size_t>(index)]->data;
    case CB_SETITEMDATA:
      if (index >= 0 && index < count) m_items[static_cast<size_t>(index)]->data = static_cast<int32_t>(lParam);
      return 0;
    case CB_SETITEMHEIGHT:
      m_nItemHeight = static_cast<int32_t>(lParam);
      return 0;
    case CB_GETITEMHEIGHT:
      return m_nItemHeight;
    default:
      handled = false;
      return 0;
  }
}

LRESULT AvlfComboBox::OnComboMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  bool handled = false;
  const LRESULT result = HandleComboMessage(uMsg, wParam, lParam, handled);
  bHandled = handled ? TRUE : FALSE;
  return result;
}

namespace {

LRESULT SendOrHandle(AvlfComboBox& box, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (box.m_hWnd && ::IsWindow(box.m_hWnd)) return ::SendMessageW(box.m_hWnd, msg, wParam, lParam);
  bool handled = false;
  return box.HandleComboMessage(msg, wParam, lParam, handled);
}

}  // namespace

int AvlfComboBox::AddString(const wchar_t* text, int data) {
  AvlfComboItemInfo info{text, data};
  return static_cast<int>(SendOrHandle(*this, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(&info)));
}
void AvlfComboBox::ResetContent() { SendOrHandle(*this, CB_RESETCONTENT, 0, 0); }
int AvlfComboBox::DeleteString(int index, int data) {
  return static_cast<int>(SendOrHandle(*this, CB_DELETESTRING, static_cast<WPARAM>(static_cast<INT_PTR>(index)),
                                       static_cast<LPARAM>(data)));
}
int AvlfComboBox::GetCount() { return static_cast<int>(SendOrHandle(*this, CB_GETCOUNT, 0, 0)); }
int AvlfComboBox::GetCurSel() { return static_cast<int>(SendOrHandle(*this, CB_GETCURSEL, 0, 0)); }
int AvlfComboBox::GetItemData(int index) {
  return static_cast<int>(SendOrHandle(*this, CB_GETITEMDATA, static_cast<WPARAM>(static_cast<INT_PTR>(index)), 0));
}
int AvlfComboBox::SetCurSel(int index) {
  return static_cast<int>(SendOrHandle(*this, CB_SETCURSEL, static_cast<WPARAM>(static_cast<INT_PTR>(index)), 0));
}

LRESULT AvlfComboBox::OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
  AvlfWindowImpl<AvlfComboBox>::OnCreate(uMsg, wParam, lParam, bHandled);
  if (m_pElement) {
    if (const AvlfUiWindow* list = m_pElement->FindChild(L"LIST")) {
      for (int i = 0; i < list->GetChildCount(); ++i) {
        const AvlfUiWindow* entry = list->GetChild(i);
        const AvlfUiWindow::Attribute* text = entry ? entry->FindAttribute(L"Text") : nullptr;
        // An entry whose key the skin lacks shows as an empty row.
        AddString(text ? GetSkinUi()->FindText(text->GetValue()) : L"", 0);
      }
    }
  }
  if (!m_items.empty()) SetCurSel(0);
  m_nHeight = kHeight;
  delete m_pArrowFont;
  m_pArrowFont = GetSkinUi()->FindFont(L"FontAwesome", 10);
  return 0;
}

LRESULT AvlfComboBox::OnSize(UINT, WPARAM, LPARAM lParam, BOOL&) {
  const int width = static_cast<short>(LOWORD(lParam));
  m_rcClient = {0, 0, width, kHeight};
  if (!m_bSizing) {
    m_bSizing = true;
    RECT rc{};
    ::GetWindowRect(m_hWnd, &rc);
    ::MapWindowPoints(nullptr, ::GetParent(m_hWnd), reinterpret_cast<POINT*>(&rc), 2);
    ::MoveWindow(m_hWnd, rc.left, rc.top, width, kHeight, TRUE);
    m_bSizing = false;
  }
  Repaint();
  return 0;
}

void AvlfComboBox::DoPaint(HDC hdc) {
  RECT rc{};
  ::GetClientRect(m_hWnd, &rc);
  if (m_bTransparent) {
    DrawBackground(hdc);
  } else if (m_pBkBrush) {
    Gdiplus::Graphics background(hdc);
    background.FillRectangle(m_pBkBrush, 0, 0, static_cast<INT>(rc.right), static_cast<INT>(rc.bottom));
  }
  Gdiplus::Graphics graphics(hdc);
  uint32_t fill = 0xFFE1E1E1, border = 0xFFADADAD;
  if (m_nState == 1 || m_nState == 2) {
    fill = 0xFFE5F1FB;
    border = 0xFF0078D7;
  } else if (m_nState == 3) {
    fill = 0xFFCCCCCC;
    border = 0xFFBFBFBF;
  }
  Gdiplus::SolidBrush fillBrush{Gdiplus::Color(fill)};
  graphics.FillRectangle(&fillBrush, 0, 0, static_cast<INT>(rc.right), static_cast<INT>(rc.bottom));
  Gdiplus::Pen pen(Gdiplus::Color(border), 1);
  graphics.DrawRectangle(&pen, 0, 0, static_cast<INT>(rc.right - 1), static_cast<INT>(rc.bottom - 1));
  if (m_pArrowFont) {
    Gdiplus::SolidBrush arrowBrush{Gdiplus::Color(border)};
    Gdiplus::StringFormat farRight;
    farRight.SetAlignment(Gdiplus::StringAlignmentFar);
    const wchar_t arrow = 0xF078;
    graphics.DrawString(&arrow, 1, m_pArrowFont,
                        Gdiplus::RectF(0, 4, static_cast<float>(rc.right - 2), static_cast<float>(rc.bottom - 4)),
                        &farRight, &arrowBrush);
  }
  if (m_pSelected && !m_pSelected->text.empty() && m_pFont) {
    Gdiplus::StringFormat format;
    format.SetLineAlignment(Gdiplus::StringAlignmentCenter);
    const std::wstring& text = m_pSelected->text;
    const Gdiplus::RectF box(static_cast<float>(rc.left + 8), static_cast<float>(rc.top),
                             static_cast<float>(rc.right - rc.left), static_cast<float>(kHeight - rc.top));
    Gdiplus::SolidBrush white(Gdiplus::Color(0xFFFFFFFF));
    Gdiplus::RectF lower = box;
    lower.Y += 1;
    graphics.DrawString(text.c_str(), static_cast<INT>(text.size()), m_pFont, lower, &format, &white);
    if (m_pTextBrush)
      graphics.DrawString(text.c_str(), static_cast<INT>(text.size()), m_pFont, box, &format, m_pTextBrush);
  }
}

LRESULT AvlfComboBox::OnMouseMove(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  DefWindowProc(uMsg, wParam, lParam);
  if ((wParam & MK_LBUTTON) && !m_bHot) return 0;
  if (::GetCapture() != m_hWnd && ::GetActiveWindow() && ::IsWindow(::GetParent(m_hWnd))) {
    m_bHot = true;
    m_nState = 1;
    ::SetCapture(m_hWnd);
    Repaint();
    return 0;
  }
  POINT screen{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  ::ClientToScreen(m_hWnd, &screen);
  if (::WindowFromPoint(screen) != m_hWnd) {
    m_bHot = false;
    m_nState = RestingState();
    Repaint();
    ::ReleaseCapture();
  }
  return 0;
}

LRESULT AvlfComboBox::OnLButtonDown(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  DefWindowProc(uMsg, wParam, lParam);
  if (m_items.empty()) return 0;
  const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  if (!::PtInRect(&m_rcClient, pt)) {
    m_nState = RestingState();
    Repaint();
    return 0;
  }
  AvlfMenuWindow builder;
  for (size_t i = 0; i < m_items.size(); ++i)
    builder.AddItem(m_items[i]->text.c_str(), static_cast<int>(i) + 1, nullptr);
  const int height = builder.ListHeight();
  RECT drop{};
  ::GetWindowRect(m_hWnd, &drop);
  const int controlTop = drop.top;
  drop.top = drop.bottom;
  drop.bottom = drop.top + height;
  if (drop.bottom > WorkArea().bottom) {
    drop.bottom = controlTop;
    drop.top = controlTop - height;
  }
  builder.Popup(L"LIST", &drop, this);
  m_nState = 2;
  Repaint();
  return 0;
}

LRESULT AvlfComboBox::OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
  const int id = LOWORD(wParam);
  if (id < 1 || id > kMaxItems) {
    bHandled = FALSE;
    return 0;
  }
  ::SendMessageW(m_hWnd, CB_SETCURSEL, static_cast<WPARAM>(id - 1), 0);
  NotifySelChange();
  return 0;
}

LRESULT AvlfComboBox::OnReset(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  const LRESULT result = DefWindowProc(uMsg, wParam, lParam);
  if (uMsg == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) return result;
  m_bHot = false;
  m_nState = RestingState();
  if (uMsg == WM_ENABLE) {
    ::InvalidateRect(m_hWnd, nullptr, FALSE);
    ::InvalidateRect(m_hWnd, nullptr, TRUE);
  } else {
    Repaint();
  }
  return result;
}

LRESULT AvlfComboBox::OnCaptureChanged(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL&) {
  if (m_bHot) {
    ::ReleaseCapture();
    Repaint();
  }
  return DefWindowProc(uMsg, wParam, lParam);
}

LRESULT AvlfComboBox::OnDestroy(UINT, WPARAM, LPARAM, BOOL&) {
  m_pSelected = nullptr;
  m_items.clear();
  delete m_pArrowFont;
  m_pArrowFont = nullptr;
  return 0;
}
