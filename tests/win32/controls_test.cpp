// Control wrappers over a window object's own base, double-buffered paint and
// custom-draw stages.

#include <windows.h>

#include <commctrl.h>

#include <gtest/gtest.h>

#include "win32/Controls.h"
#include "win32/Paint.h"
#include "win32/Window.h"

namespace {

// A base that carries more than the handle, as skinned windows do.
class CTaggedWindow : public win32::CWindow {
 public:
  int m_tag = 7;
};

class CTreeObject : public win32::CWindowImplBaseT<CTreeObject, win32::CTreeViewCtrlT<CTaggedWindow>>,
                    public win32::CCustomDraw<CTreeObject> {
 public:
  DECLARE_WND_SUPERCLASS(L"W32TestTree", WC_TREEVIEWW)
  int m_prePaints = 0;
  BEGIN_MSG_MAP(CTreeObject)
  CHAIN_MSG_MAP(win32::CCustomDraw<CTreeObject>)
  END_MSG_MAP()
  DWORD OnPrePaint(NMCUSTOMDRAW*) {
    ++m_prePaints;
    return CDRF_NOTIFYITEMDRAW;
  }
};

class CEditObject : public win32::CWindowImplBaseT<CEditObject, win32::CEditT<CTaggedWindow>> {
 public:
  int m_chars = 0;
  BEGIN_MSG_MAP(CEditObject)
  MESSAGE_HANDLER(WM_CHAR, OnChar)
  END_MSG_MAP()
  LRESULT OnChar(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    ++m_chars;
    bHandled = FALSE;
    return 0;
  }
};

TEST(ControlWrappers, ObjectAndWrapperShareOneHandle) {
  CTreeObject tree;
  RECT rc{0, 0, 200, 100};
  ASSERT_TRUE(tree.Create(HWND_MESSAGE, &rc, nullptr, WS_CHILD));
  // The wrapper, the base with its own fields and the window procedure all
  // see the same m_hWnd.
  EXPECT_EQ(static_cast<win32::CWindow&>(tree).m_hWnd, tree.m_hWnd);
  EXPECT_EQ(tree.m_tag, 7);
  HTREEITEM first = tree.InsertItem(L"first");
  HTREEITEM second = tree.InsertItem(L"second");
  ASSERT_TRUE(first && second);
  EXPECT_EQ(tree.GetRootItem(), first);
  EXPECT_EQ(tree.GetNextSiblingItem(first), second);
  wchar_t text[32];
  ASSERT_TRUE(tree.GetItemText(second, text, 32));
  EXPECT_STREQ(text, L"second");
  EXPECT_TRUE(tree.SetItemState(second, TVIS_SELECTED, TVIS_SELECTED));
  EXPECT_EQ(tree.GetItemState(second, TVIS_SELECTED), static_cast<UINT>(TVIS_SELECTED));
  tree.DestroyWindow();
  EXPECT_EQ(tree.m_hWnd, nullptr);
}

TEST(ControlWrappers, SubclassingSetsTheBaseHandle) {
  HWND edit = ::CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 100, 20, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_TRUE(edit);
  CEditObject object;
  ASSERT_TRUE(object.SubclassWindow(edit));
  EXPECT_EQ(object.m_hWnd, edit);
  ::SendMessageW(edit, WM_CHAR, L'a', 0);
  EXPECT_EQ(object.m_chars, 1);
  EXPECT_EQ(object.GetWindowText(), L"a");  // the native edit still got it
  object.SetSel(0, -1);
  object.ReplaceSel(L"xyz");
  EXPECT_EQ(object.GetWindowText(), L"xyz");
  EXPECT_EQ(object.UnsubclassWindow(), edit);
  EXPECT_EQ(object.m_hWnd, nullptr);
  ::DestroyWindow(edit);
}

TEST(CustomDraw, StagesReachTheirHandlers) {
  CTreeObject tree;
  RECT rc{0, 0, 200, 100};
  ASSERT_TRUE(tree.Create(HWND_MESSAGE, &rc, nullptr, WS_CHILD));
  NMCUSTOMDRAW draw{};
  draw.hdr.hwndFrom = tree.m_hWnd;
  draw.hdr.code = NM_CUSTOMDRAW;
  struct Case {
    DWORD stage;
    LRESULT answer;
  } cases[] = {{CDDS_PREPAINT, CDRF_NOTIFYITEMDRAW}, {CDDS_ITEMPOSTPAINT, CDRF_DODEFAULT}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stage);
    draw.dwDrawStage = c.stage;
    EXPECT_EQ(tree.SendMessage(win32::Reflected(WM_NOTIFY), 0, reinterpret_cast<LPARAM>(&draw)), c.answer);
  }
  EXPECT_EQ(tree.m_prePaints, 1);
  // A stage nobody knows is left unhandled and reaches the native tree.
  LRESULT lResult = 0;
  draw.dwDrawStage = 0x12345;
  EXPECT_FALSE(
      tree.ProcessWindowMessage(tree.m_hWnd, win32::Reflected(WM_NOTIFY), 0, reinterpret_cast<LPARAM>(&draw), lResult));
  tree.DestroyWindow();
}

// Paints its client area in two colours split at x = 10.
class CBuffered : public win32::CWindowImpl<CBuffered, win32::CWinTraits<WS_CHILD>>,
                  public win32::CDoubleBufferImpl<CBuffered> {
 public:
  BEGIN_MSG_MAP(CBuffered)
  CHAIN_MSG_MAP(win32::CDoubleBufferImpl<CBuffered>)
  END_MSG_MAP()
  int m_paints = 0;
  HDC m_lastDC = nullptr;
  void DoPaint(HDC hdc) {
    ++m_paints;
    m_lastDC = hdc;
    RECT left{0, 0, 10, 40}, right{10, 0, 60, 40};
    HBRUSH red = ::CreateSolidBrush(RGB(255, 0, 0)), blue = ::CreateSolidBrush(RGB(0, 0, 255));
    ::FillRect(hdc, &left, red);
    ::FillRect(hdc, &right, blue);
    ::DeleteObject(red);
    ::DeleteObject(blue);
  }
};

TEST(DoubleBuffer, PrintClientPaintsOffScreenThenCopies) {
  CBuffered window;
  RECT rc{0, 0, 60, 40};
  ASSERT_TRUE(window.Create(HWND_MESSAGE, &rc));
  HDC screen = ::GetDC(nullptr);
  HDC target = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, 60, 40);
  HGDIOBJ old = ::SelectObject(target, bitmap);
  for (UINT msg : {static_cast<UINT>(WM_PRINTCLIENT), static_cast<UINT>(WM_PAINT)}) {
    SCOPED_TRACE(msg);
    RECT all{0, 0, 60, 40};
    ::FillRect(target, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    window.m_lastDC = nullptr;
    window.SendMessage(msg, reinterpret_cast<WPARAM>(target), PRF_CLIENT);
    EXPECT_NE(window.m_lastDC, target);  // drawn into a buffer, not the target
    EXPECT_EQ(::GetPixel(target, 5, 20), RGB(255, 0, 0));
    EXPECT_EQ(::GetPixel(target, 59, 39), RGB(0, 0, 255));
  }
  EXPECT_EQ(window.SendMessage(WM_ERASEBKGND, reinterpret_cast<WPARAM>(target)), 1);
  EXPECT_EQ(::GetPixel(target, 5, 20), RGB(255, 0, 0));  // erasing changed nothing
  ::SelectObject(target, old);
  ::DeleteObject(bitmap);
  ::DeleteDC(target);
  ::ReleaseDC(nullptr, screen);
  window.DestroyWindow();
}

}  // namespace
