// The skinned window: attributes from the skin, defaults, creation, the
// control factory, tooltips and back buffers.

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "tests/toolkit/skin_fixture.h"
#include "toolkit/NativeControls.h"
#include "toolkit/SkinTree.h"
#include "toolkit/SkinWindow.h"

namespace {

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Colors>
    <Red Red="255" Green="0" Blue="0" Alpha="255"/>
    <Green Red="0" Green="255" Blue="0" Alpha="128"/>
  </Colors>
  <Fonts>
    <Big FamilyName="Liberation Sans" Height="20" Weight="700" Italic="1" Underline="0"/>
    <Long FamilyName="ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghij" Height="9"/>
  </Fonts>
  <Text>
    <Hello Text="Hello"/>
    <Tip Text="A tip"/>
  </Text>
  <Windows>
    <Plain Class="WINDOW" CommandID="3"/>
    <ZeroStyle Class="WINDOW" Style="NOTHING_KNOWN"/>
    <Texts Class="WINDOW" Text="Hello" Char="41;42 43" IconChar="41; 42" GraphicChar="0x2190"/>
    <Replaced Class="WINDOW" Char="41" Text="Hello"/>
    <Codes Class="WINDOW" Char=",41" IconChar="zz:41"/>
    <Unresolved Class="WINDOW" ClBkGround="NoSuchColour" ClText="Green" Pic="NoSuchPicture" Font="Long"/>
    <Flags Class="WINDOW" Transparent="TRUE" Trim="1" Align="ALIGN_PARENT_RIGHT|ALIGN_PARENT_BOTTOM"/>
    <Sizes Class="WINDOW" X="0x000A0005" Y="-3" Width="120" Height="0x20" MinWidth="7" MaxHeight="99" Menu="12"/>
    <Parent Class="WINDOW" ClBkGround="Red" Font="Big" Width="200" Height="100">
      <Child Class="window" CommandID="5" Width="40" Height="30"/>
      <Child Class="WINDOW" CommandID="6"/>
      <NoClass Width="10" Height="10"/>
      <List Class="LISTBOX" Width="10"/>
      <Unknown Class="GAUGE" Width="10"/>
      <Tree Class="treeview" CommandID="7"/>
      <Zero1 Class="WINDOW" CommandID="0" Width="11"/>
      <Zero2 Class="WINDOW" CommandID="0" Width="12"/>
      <Glass Class="WINDOW" Transparent="true" X="10" Y="10" Width="20" Height="20"/>
    </Parent>
    <Tipped Class="WINDOW" ToolTip="Tip"/>
  </Windows>
</Skin>
)";

class SkinWindow : public skintest::SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    LoadSkin(kSkin);
  }
};

TEST_F(SkinWindow, DefaultsWithoutAttributes) {
  AvlfWindow window;
  ASSERT_TRUE(window.Create(nullptr, m_host, nullptr, L"Plain"));
  EXPECT_EQ(window.m_nCommandID, 3);
  EXPECT_EQ(window.m_clrBkGround, 0xFF000000u);
  EXPECT_EQ(window.m_clrText, 0xFFFFFFFFu);
  EXPECT_EQ(window.m_logFont.lfHeight, 12);
  EXPECT_STREQ(window.m_logFont.lfFaceName, L"MS Sans Serif");
  EXPECT_EQ(window.m_nWidth, 64);
  EXPECT_EQ(window.m_nHeight, 64);
  EXPECT_EQ(window.m_nMinWidth, -1);
  EXPECT_EQ(window.m_nMinHeight, -1);
  EXPECT_EQ(window.GetMaxWidth(), 6900);
  EXPECT_EQ(window.GetMaxHeight(), 6900);
  EXPECT_EQ(window.m_dwStyle, 0x50000000u);
  EXPECT_EQ(window.GetStyle() & 0xFFFF0000u, 0x50000000u);
  EXPECT_EQ(window.GetDlgCtrlID(), 3);
  EXPECT_EQ(skintest::PaintedPixel(window, 10, 10), RGB(0, 0, 0));
}

TEST_F(SkinWindow, StyleNamesThatGiveZeroMeanTheTemplateStyle) {
  AvlfWindow window;
  ASSERT_TRUE(window.Create(nullptr, m_host, nullptr, L"ZeroStyle"));
  EXPECT_EQ(window.m_dwStyle, 0u);
  EXPECT_EQ(window.GetStyle() & 0xFFFF0000u, 0x56000000u);
}

TEST_F(SkinWindow, UnknownElementCreatesNothing) {
  AvlfWindow window;
  EXPECT_EQ(window.Create(nullptr, m_host, nullptr, L"NoSuchWindow"), nullptr);
  EXPECT_EQ(window.m_hWnd, nullptr);
  EXPECT_EQ(::GetWindow(m_host, GW_CHILD), nullptr);
}

TEST_F(SkinWindow, AttributesBecomeFields) {
  struct Case {
    const wchar_t* element;
    std::wstring text, iconChar, graphicChar;
  } cases[] = {
      {L"Texts", L"HelloABC", L"A", L"\x2190"},
      {L"Replaced", L"Hello", L"", L""},
      {L"Codes", L"", std::wstring(1, L'\0') + L"A", L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.element);
    AvlfWindowBase window;
    ASSERT_TRUE(window.BindSkinElement(nullptr, c.element));
    EXPECT_EQ(window.m_strText, c.text);
    EXPECT_EQ(window.m_strIconChar, c.iconChar);
    EXPECT_EQ(window.m_strGraphicChar, c.graphicChar);
  }

  AvlfWindowBase sizes;
  ASSERT_TRUE(sizes.BindSkinElement(nullptr, L"Sizes"));
  EXPECT_EQ(sizes.m_nX, 0x000A0005);
  EXPECT_EQ(sizes.m_nY, -3);
  EXPECT_EQ(sizes.m_nWidth, 120);
  EXPECT_EQ(sizes.m_nHeight, 32);
  EXPECT_EQ(sizes.GetMinWidth(), 7);
  EXPECT_EQ(sizes.GetMaxHeight(), 99);
  EXPECT_EQ(sizes.m_nMenu, 12);

  AvlfWindowBase flags;
  ASSERT_TRUE(flags.BindSkinElement(nullptr, L"Flags"));
  EXPECT_TRUE(flags.m_bTransparent);
  EXPECT_FALSE(flags.m_bTrim);  // only "true" counts
  EXPECT_EQ(flags.m_dwAlign, 0xCu);
}

TEST_F(SkinWindow, ChildrenInheritAndUnresolvedNamesKeepValues) {
  AvlfWindowBase parent;
  ASSERT_TRUE(parent.BindSkinElement(nullptr, L"Parent"));
  EXPECT_EQ(parent.m_clrBkGround, 0xFFFF0000u);
  EXPECT_EQ(parent.m_logFont.lfHeight, 20);
  EXPECT_EQ(parent.m_logFont.lfWeight, 700);
  EXPECT_EQ(parent.m_logFont.lfItalic, 1);
  EXPECT_STREQ(parent.m_logFont.lfFaceName, L"Liberation Sans");
  parent.m_bTransparent = true;

  AvlfWindowBase child;
  ASSERT_TRUE(child.BindSkinElement(&parent, L"Child"));
  EXPECT_EQ(child.m_pParent, &parent);
  EXPECT_EQ(child.m_nCommandID, 5);  // the first of two siblings of that name
  EXPECT_EQ(child.m_clrBkGround, 0xFFFF0000u);
  EXPECT_EQ(child.m_logFont.lfHeight, 20);
  EXPECT_TRUE(child.m_bTransparent);

  // Found among the skin's windows when the parent's element lacks it.
  AvlfWindowBase other;
  ASSERT_TRUE(other.BindSkinElement(&parent, L"Unresolved"));
  EXPECT_EQ(other.m_clrBkGround, 0xFFFF0000u);  // inherited, not replaced
  EXPECT_EQ(other.m_clrText, 0x8000FF00u);
  EXPECT_EQ(other.m_pPic, nullptr);
  EXPECT_EQ(other.m_logFont.lfHeight, 9);
  EXPECT_EQ(std::wstring(other.m_logFont.lfFaceName), L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcde");
}

TEST_F(SkinWindow, FactoryCreatesOneControlPerKnownClass) {
  AvlfWindow parent;
  ASSERT_TRUE(parent.Create(nullptr, m_host, nullptr, L"Parent"));
  // NoClass, LISTBOX and an unknown Class make nothing.
  ASSERT_EQ(parent.m_children.size(), 6u);
  EXPECT_EQ(parent.m_children[0]->m_strClass, L"window");
  EXPECT_NE(dynamic_cast<AvlfTree*>(parent.m_children[2]), nullptr);
  EXPECT_EQ(parent.FindChildByCommandId(7), parent.m_children[2]);
  EXPECT_EQ(parent.FindChildByCommandId(0), parent.m_children[3]);
  EXPECT_EQ(parent.FindChildByCommandId(0)->m_nWidth, 11);
  EXPECT_EQ(parent.FindChildByCommandId(42), nullptr);
  // Children with CommandID 0 still get distinct window ids of their own.
  int id1 = ::GetDlgCtrlID(parent.m_children[3]->m_hWnd), id2 = ::GetDlgCtrlID(parent.m_children[4]->m_hWnd);
  EXPECT_NE(id1, 0);
  EXPECT_NE(id1, id2);
  EXPECT_EQ(::GetDlgItem(parent, id1), parent.m_children[3]->m_hWnd);
  for (AvlfWindowBase* child : parent.m_children) EXPECT_EQ(::GetParent(child->m_hWnd), parent.m_hWnd);
}

TEST_F(SkinWindow, OneToolTipToolForEveryText) {
  AvlfWindow window;
  ASSERT_TRUE(window.Create(nullptr, m_host, nullptr, L"Tipped"));
  ASSERT_TRUE(window.m_wndToolTip);
  EXPECT_EQ(::SendMessageW(window.m_wndToolTip, TTM_GETTOOLCOUNT, 0, 0), 1);
  window.SetToolTipText(L"second");
  EXPECT_EQ(::SendMessageW(window.m_wndToolTip, TTM_GETTOOLCOUNT, 0, 0), 1);
  wchar_t text[64] = {};
  TOOLINFOW tool{};
  tool.cbSize = sizeof tool;
  tool.hwnd = window;
  tool.uId = 1;
  tool.lpszText = text;
  ::SendMessageW(window.m_wndToolTip, TTM_GETTEXTW, 64, reinterpret_cast<LPARAM>(&tool));
  EXPECT_STREQ(text, L"second");

  AvlfWindow plain;
  ASSERT_TRUE(plain.Create(nullptr, m_host, nullptr, L"Plain"));
  EXPECT_EQ(plain.m_wndToolTip, nullptr);
}

TEST_F(SkinWindow, TransparentChildMakesItsParentsBufferOnFirstPaint) {
  AvlfWindow parent;
  RECT rc{0, 0, 200, 100};
  ASSERT_TRUE(parent.Create(nullptr, m_host, &rc, L"Parent"));
  parent.DestroyBackBuffer();
  AvlfWindowBase* glass = parent.m_children.back();
  ASSERT_TRUE(glass->m_bTransparent);
  ::MoveWindow(glass->m_hWnd, 10, 10, 20, 20, FALSE);
  EXPECT_EQ(skintest::PaintedPixel(glass->m_hWnd, 5, 5), RGB(255, 0, 0));
  ASSERT_NE(parent.m_pBackBuffer, nullptr);

  // An existing buffer is handed out as it is, without repainting.
  AvlfMemoryDC* buffer = parent.m_pBackBuffer;
  ::SetPixel(buffer->m_hDC, 0, 0, RGB(1, 2, 3));
  EXPECT_EQ(parent.GetBackBuffer(), buffer);
  EXPECT_EQ(::GetPixel(buffer->m_hDC, 0, 0), RGB(1, 2, 3));
  EXPECT_EQ(parent.GetBackBuffer(TRUE), buffer);
  EXPECT_EQ(::GetPixel(buffer->m_hDC, 0, 0), RGB(255, 0, 0));

  // A size not above zero keeps the old buffer.
  parent.CreateBackBuffer(0, 50);
  EXPECT_EQ(parent.m_pBackBuffer, buffer);
}

// Counts deletions, to show who deletes shared children.
class CountedWindow : public AvlfWindowBase {
 public:
  explicit CountedWindow(int* deletions) : m_deletions(deletions) {}
  ~CountedWindow() override { ++*m_deletions; }
  int* m_deletions;
};

TEST(SkinWindowCopy, CopySharesChildrenAndLeavesSourceBuffer) {
  int deletions = 0;
  auto source = std::make_unique<AvlfWindowBase>();
  source->m_nCommandID = 9;
  source->m_strText = L"text";
  source->m_children.push_back(new CountedWindow(&deletions));
  source->m_children.push_back(new CountedWindow(&deletions));
  auto copy = std::make_unique<AvlfWindowBase>();
  copy->CopyFrom(*source);
  EXPECT_EQ(copy->m_nCommandID, 9);
  EXPECT_EQ(copy->m_strText, L"text");
  EXPECT_TRUE(copy->m_bSharedChildren);
  EXPECT_EQ(copy->m_pBackBuffer, nullptr);
  ASSERT_EQ(copy->m_children, source->m_children);
  for (AvlfWindowBase* child : source->m_children) EXPECT_EQ(child->m_pOwner, copy.get());
  copy.reset();
  EXPECT_EQ(deletions, 0);
  source.reset();
  EXPECT_EQ(deletions, 2);

  AvlfWindowBase self;
  self.m_strText = L"kept";
  self.CopyFrom(self);
  EXPECT_EQ(self.m_strText, L"kept");
}

}  // namespace

namespace {

const char kNestedSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Windows>
    <Outer Class="WINDOW" Width="200" Height="100">
      <Middle Class="WINDOW" X="0x00050005" Y="5" Height="40" Align="ALIGN_PARENT_LEFT|ALIGN_PARENT_WIDTH">
        <Leaf Class="WINDOW" X="2" Y="2" Width="10" Height="10" Align="ALIGN_PARENT_LEFT"/>
      </Middle>
      <Lone Class="WINDOW" X="1" Y="60" Width="10" Height="10" Align="ALIGN_PARENT_LEFT"/>
    </Outer>
  </Windows>
</Skin>
)";

class SkinLayoutBuffers : public skintest::SkinFixture {};

TEST_F(SkinLayoutBuffers, OneNewBufferPerWindowWithChildrenPerLayout) {
  LoadSkin(kNestedSkin);
  AvlfWindow outer;
  RECT rc{0, 0, 200, 100};
  ASSERT_TRUE(outer.Create(nullptr, m_host, &rc, L"Outer"));
  AvlfWindowBase* middle = outer.m_children[0];
  AvlfWindowBase* lone = outer.m_children[1];
  struct Step {
    int cx, cy;
    long buffers;  // made by this layout
  } steps[] = {
      {300, 120, 2},  // the middle window's size changes: its own WM_SIZE renews it
      {300, 150, 2},  // its size stays: the parent's pass renews it
      {0, 150, 0},    // nothing is laid out at size 0, nothing renewed
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(testing::Message() << s.cx << "x" << s.cy);
    const long before = AvlfMemoryDC::s_nCreated;
    ::MoveWindow(outer, 0, 0, s.cx, s.cy, TRUE);
    EXPECT_EQ(AvlfMemoryDC::s_nCreated - before, s.buffers);
    ASSERT_NE(middle->m_pBackBuffer, nullptr);
    EXPECT_EQ(middle->m_pBackBuffer->m_nWidth, 290);
    EXPECT_EQ(middle->m_pBackBuffer->m_nHeight, 40);
  }
  EXPECT_EQ(lone->m_pBackBuffer, nullptr);  // no children, no buffer
  EXPECT_EQ(outer.m_pBackBuffer->m_nWidth, 300);
}

}  // namespace
