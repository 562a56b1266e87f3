// The skinned tree: highlight states kept consistent with input, and items
// drawn over in the skin's and the highlight colours.

#include <windows.h>

#include <commctrl.h>

#include <memory>

#include <gtest/gtest.h>

#include "tests/toolkit/skin_fixture.h"
#include "toolkit/SkinTree.h"
#include "toolkit/SkinWindow.h"

namespace {

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Colors>
    <Back Red="10" Green="20" Blue="30" Alpha="0"/>
    <Ink Red="200" Green="100" Blue="50" Alpha="10"/>
  </Colors>
  <Windows>
    <Panel Class="WINDOW" Width="300" Height="200">
      <Tree Class="TREEVIEW" CommandID="4" ClBkGround="Back" ClText="Ink" Width="200" Height="150"
            Align="ALIGN_PARENT_LEFT" Style="WS_CHILD|WS_VISIBLE|TVS_HASBUTTONS|TVS_SHOWSELALWAYS"/>
    </Panel>
  </Windows>
</Skin>
)";

class SkinTree : public skintest::SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    LoadSkin(kSkin);
    RECT rc{0, 0, 300, 200};
    ASSERT_TRUE(m_panel.Create(nullptr, m_host, &rc, L"Panel"));
    m_tree = dynamic_cast<AvlfTree*>(m_panel.FindChildByCommandId(4));
    ASSERT_TRUE(m_tree && m_tree->m_hWnd);
    m_a = m_tree->InsertItem(L"alpha");
    m_b = m_tree->InsertItem(L"beta");
    m_b1 = m_tree->InsertItem(L"beta one", m_b);
    m_c = m_tree->InsertItem(L"gamma");
    m_empty = m_tree->InsertItem(L"");
    m_tree->Expand(m_b);
  }
  void TearDown() override {
    m_ownedPanel.reset();
    SkinFixture::TearDown();
  }

  void FlagAll() {
    for (HTREEITEM item : {m_a, m_b, m_b1, m_c}) m_tree->SetItemState(item, TVIS_SELECTED, TVIS_SELECTED);
  }
  bool Selected(HTREEITEM item) { return (m_tree->GetItemState(item, TVIS_SELECTED) & TVIS_SELECTED) != 0; }

  // The tree as it paints itself, read back through WM_PRINTCLIENT.
  struct Picture {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    ~Picture() {
      ::SelectObject(dc, old);
      ::DeleteObject(bitmap);
      ::DeleteDC(dc);
    }
    COLORREF At(int x, int y) const { return ::GetPixel(dc, x, y); }
  };
  void Print(Picture& picture) {
    HDC screen = ::GetDC(nullptr);
    picture.dc = ::CreateCompatibleDC(screen);
    picture.bitmap = ::CreateCompatibleBitmap(screen, 200, 150);
    picture.old = ::SelectObject(picture.dc, picture.bitmap);
    ::ReleaseDC(nullptr, screen);
    m_tree->SendMessage(WM_PRINTCLIENT, reinterpret_cast<WPARAM>(picture.dc), PRF_CLIENT);
  }
  RECT TextRect(HTREEITEM item) {
    RECT rc{};
    EXPECT_TRUE(m_tree->GetItemRect(item, &rc, TRUE));
    return rc;
  }

  // Gone before GDI+ shuts down in TearDown.
  std::unique_ptr<AvlfWindow> m_ownedPanel = std::make_unique<AvlfWindow>();
  AvlfWindow& m_panel = *m_ownedPanel;
  AvlfTree* m_tree = nullptr;
  HTREEITEM m_a = nullptr, m_b = nullptr, m_b1 = nullptr, m_c = nullptr, m_empty = nullptr;
};

TEST_F(SkinTree, TypingClearsEverySelectedStateArrowsDoNot) {
  struct Key {
    WPARAM vk;
    bool clears;
  } keys[] = {
      {'A', true},      {'7', true},      {VK_F1, true},   {VK_F11, true},    {VK_NUMPAD1, true},
      {VK_LEFT, false}, {VK_DOWN, false}, {VK_F12, false}, {VK_SHIFT, false}, {VK_RETURN, false},
  };
  for (const Key& k : keys) {
    SCOPED_TRACE(testing::Message() << "key 0x" << std::hex << k.vk);
    FlagAll();
    m_tree->SendMessage(WM_KEYDOWN, k.vk, 1);
    for (HTREEITEM item : {m_a, m_b, m_b1, m_c}) EXPECT_EQ(Selected(item), !k.clears);
  }
}

TEST_F(SkinTree, DragMakesTheCaretItemAndClearsTheOthers) {
  FlagAll();
  NMTREEVIEWW drag{};
  drag.hdr.hwndFrom = m_tree->m_hWnd;
  drag.hdr.idFrom = 4;
  drag.hdr.code = TVN_BEGINDRAGW;
  drag.itemNew.hItem = m_c;
  m_panel.SendMessage(WM_NOTIFY, 4, reinterpret_cast<LPARAM>(&drag));
  EXPECT_EQ(m_tree->GetSelectedItem(), m_c);
  EXPECT_TRUE(Selected(m_c));
  for (HTREEITEM item : {m_a, m_b, m_b1}) EXPECT_FALSE(Selected(item));
}

TEST_F(SkinTree, ColoursComeFromTheSkinWithoutAlpha) {
  EXPECT_EQ(m_tree->m_crBk, RGB(10, 20, 30));
  EXPECT_EQ(m_tree->m_crText, RGB(200, 100, 50));
  EXPECT_EQ(m_tree->GetBkColor(), RGB(10, 20, 30));
  ASSERT_TRUE(m_tree->m_hFont);
  EXPECT_EQ(m_tree->GetFont(), m_tree->m_hFont);
  Picture picture;
  Print(picture);
  EXPECT_EQ(picture.At(199, 149), RGB(10, 20, 30));  // below the items
  RECT empty = TextRect(m_empty);
  EXPECT_EQ(picture.At(empty.left + 1, (empty.top + empty.bottom) / 2), RGB(10, 20, 30));
}

TEST_F(SkinTree, FlaggedItemsGetTheHighlightOfTheFocusState) {
  m_tree->SetItemState(m_b, TVIS_SELECTED, TVIS_SELECTED);
  const RECT rc = TextRect(m_b);
  const int middle = (rc.top + rc.bottom) / 2;
  const RECT plain = TextRect(m_a);
  {
    SCOPED_TRACE("not focused");
    ASSERT_NE(::GetFocus(), m_tree->m_hWnd);
    Picture picture;
    Print(picture);
    EXPECT_EQ(picture.At(rc.left, middle), RGB(220, 220, 220));          // outer frame
    EXPECT_EQ(picture.At(rc.left + 1, middle), RGB(245, 245, 245));      // inner frame
    EXPECT_EQ(picture.At(rc.left + 2, rc.top + 2), RGB(250, 250, 250));  // gradient top
    EXPECT_EQ(picture.At(plain.left, (plain.top + plain.bottom) / 2), RGB(10, 20, 30));
  }
  ::ShowWindow(m_host, SW_SHOWNA);
  m_tree->SetFocus();
  if (::GetFocus() == m_tree->m_hWnd) {
    SCOPED_TRACE("focused");
    Picture picture;
    Print(picture);
    EXPECT_EQ(picture.At(rc.left, middle), RGB(170, 200, 245));
    EXPECT_EQ(picture.At(rc.left + 1, middle), RGB(230, 250, 250));
    EXPECT_EQ(picture.At(rc.left + 2, rc.top + 2), RGB(210, 240, 250));
  } else {
    ADD_FAILURE() << "the tree did not take the focus";
  }
  {
    SCOPED_TRACE("another item is the drop target");
    m_tree->SelectItem(m_c, TVGN_DROPHILITE);
    Picture picture;
    Print(picture);
    EXPECT_EQ(picture.At(rc.left, middle), RGB(10, 20, 30));
  }
}

}  // namespace
