// Attaching application windows to skin-created windows, as the main view
// and its panels do inside the main view's WM_CREATE.

#include <windows.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "tests/toolkit/skin_fixture.h"
#include "toolkit/SkinWindow.h"

namespace {

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Colors>
    <Blue Blue="255"/>
    <Red Red="255"/>
  </Colors>
  <Windows>
    <Standalone Class="WINDOW" Width="10" Height="10"/>
    <MainFrame Class="WINDOW" ClBkGround="Blue">
      <Tool Class="WINDOW" CommandID="1" ClBkGround="Red" Width="200" Align="ALIGN_PARENT_LEFT|ALIGN_PARENT_HEIGHT">
        <ToolInner Class="WINDOW" CommandID="11" X="150" Width="40" Height="40">
          <Leaf Class="WINDOW" CommandID="111" Width="5" Height="5"/>
        </ToolInner>
        <Glass Class="WINDOW" CommandID="12" Transparent="true" X="10" Y="10" Width="20" Height="20"
               Align="ALIGN_PARENT_LEFT"/>
      </Tool>
      <Process Class="WINDOW" CommandID="2" X="200" Width="200" Align="ALIGN_PARENT_TOP|ALIGN_PARENT_HEIGHT">
        <ProcessInner Class="WINDOW" CommandID="21" X="0xFFF6" Y="5" Width="30" Height="30" Align="ALIGN_PARENT_RIGHT"/>
      </Process>
      <Spare Class="WINDOW" CommandID="3" X="0" Y="0" Width="50" Height="50">
        <SpareChild Class="WINDOW" Width="5" Height="5"/>
      </Spare>
    </MainFrame>
  </Windows>
</Skin>
)";

std::vector<std::wstring> g_log;

// An application panel: logs its WM_SKIN_INIT, attaches its own members
// there and paints green.
class CTestPanel : public AvlfWindowImpl<CTestPanel> {
 public:
  explicit CTestPanel(std::wstring name) : m_name(std::move(name)) {}
  std::wstring m_name;
  std::vector<std::pair<int, CTestPanel*>> m_members;
  HWND m_initWindow = nullptr;

  BEGIN_MSG_MAP(CTestPanel)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnSkinInit)
  CHAIN_MSG_MAP(AvlfWindowImpl<CTestPanel>)
  END_MSG_MAP()

  LRESULT OnSkinInit(UINT, WPARAM wParam, LPARAM, BOOL&) {
    m_initWindow = reinterpret_cast<HWND>(wParam);
    g_log.push_back(L"init " + m_name);
    for (auto& [id, member] : m_members) AttachSkinChild(this, *member, id);
    return 0;
  }
  void DrawBackground(HDC hdc) {
    RECT rc{};
    ::GetClientRect(m_hWnd, &rc);
    HBRUSH green = ::CreateSolidBrush(RGB(0, 255, 0));
    ::FillRect(hdc, &rc, green);
    ::DeleteObject(green);
  }
};

// An application window with no WM_SKIN_INIT handler of its own.
class CQuietPanel : public AvlfWindowImpl<CQuietPanel> {};

class CCountedWindow : public AvlfWindowBase {
 public:
  explicit CCountedWindow(int* deletions) : m_deletions(deletions) {}
  ~CCountedWindow() override { ++*m_deletions; }
  int* m_deletions;
};

class CTestMainView : public AvlfWindowImpl<CTestMainView> {
 public:
  CTestMainView() {
    m_tool.m_members = {{11, &m_toolInner}};
    m_toolInner.m_members = {{111, &m_leaf}};
  }
  CTestPanel m_tool{L"tool"}, m_toolInner{L"toolInner"}, m_leaf{L"leaf"}, m_missing{L"missing"};
  CQuietPanel m_process;
  bool m_missingAttached = true;
  int* m_sharedDeletions = nullptr;
  AvlfMemoryDC* m_skinBufferAfterAttach = reinterpret_cast<AvlfMemoryDC*>(1);

  BEGIN_MSG_MAP(CTestMainView)
  MESSAGE_HANDLER(WM_CREATE, OnCreate)
  CHAIN_MSG_MAP(AvlfWindowImpl<CTestMainView>)
  END_MSG_MAP()

  LRESULT OnCreate(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    g_log.push_back(L"create begin");
    AvlfWindowImpl<CTestMainView>::OnCreate(uMsg, wParam, lParam, bHandled);
    if (m_sharedDeletions) FindChildByCommandId(1)->m_children.push_back(new CCountedWindow(m_sharedDeletions));
    AttachSkinChild(this, m_tool, 1);
    m_skinBufferAfterAttach = FindChildByCommandId(1)->m_pBackBuffer;
    AttachSkinChild(this, m_process, 2);
    m_missingAttached = AttachSkinChild(this, m_missing, 99);
    g_log.push_back(L"create end");
    return 0;
  }
};

class SkinAttach : public skintest::SkinFixture {
 protected:
  void SetUp() override {
    SkinFixture::SetUp();
    LoadSkin(kSkin);
    g_log.clear();
  }
  RECT m_rect{0, 0, 400, 300};
};

TEST_F(SkinAttach, WholeTreeAttachesDepthFirstInsideCreate) {
  CTestMainView view;
  ASSERT_TRUE(view.Create(nullptr, m_host, &m_rect, L"MainFrame", 0x56000000));
  const std::vector<std::wstring> expected = {L"create begin", L"init tool", L"init toolInner", L"init leaf",
                                              L"create end"};
  EXPECT_EQ(g_log, expected);

  AvlfWindowBase* tool = view.FindChildByCommandId(1);
  ASSERT_TRUE(tool);
  EXPECT_EQ(view.m_tool.m_hWnd, tool->m_hWnd);
  EXPECT_EQ(view.m_tool.m_initWindow, tool->m_hWnd);
  EXPECT_EQ(view.m_tool.m_pOwner, &view);
  EXPECT_EQ(view.m_tool.m_pParent, &view);
  EXPECT_EQ(view.m_tool.m_nCommandID, 1);
  EXPECT_EQ(view.m_tool.m_clrBkGround, 0xFFFF0000u);
  EXPECT_TRUE(view.m_tool.m_bSharedChildren);
  EXPECT_EQ(view.m_tool.m_children, tool->m_children);
  for (AvlfWindowBase* child : tool->m_children) EXPECT_EQ(child->m_pOwner, &view.m_tool);
  // The skin object's buffer went with the attach; the first layout made a new one.
  EXPECT_EQ(view.m_skinBufferAfterAttach, nullptr);
  EXPECT_EQ(view.m_toolInner.m_pOwner, &view.m_tool);
  EXPECT_EQ(view.m_leaf.m_pOwner, &view.m_toolInner);
  EXPECT_EQ(view.m_leaf.m_nCommandID, 111);
  // The skin object stays in its parent's list, the application object is
  // in none.
  EXPECT_EQ(view.m_children[0], tool);

  // No child with the id: nothing attached, nothing broken.
  EXPECT_FALSE(view.m_missingAttached);
  EXPECT_EQ(view.m_missing.m_hWnd, nullptr);
  EXPECT_EQ(view.m_missing.m_pOwner, nullptr);
}

TEST_F(SkinAttach, TransparentChildrenCopyTheAttachedWindowsBuffer) {
  CTestMainView view;
  ASSERT_TRUE(view.Create(nullptr, m_host, &m_rect, L"MainFrame", 0x56000000));
  AvlfWindowBase* glass = view.FindChildByCommandId(1)->FindChildByCommandId(12);
  ASSERT_TRUE(glass && glass->m_bTransparent);
  // The application object paints green; the skin object would paint red.
  EXPECT_EQ(skintest::PaintedPixel(glass->m_hWnd, 3, 3), RGB(0, 255, 0));
  EXPECT_EQ(skintest::PaintedPixel(view.m_tool, 100, 100), RGB(0, 255, 0));
  ASSERT_NE(view.m_tool.m_pBackBuffer, nullptr);
}

TEST_F(SkinAttach, ApplicationWindowWithoutHandlerStillLaysOut) {
  CTestMainView view;
  ASSERT_TRUE(view.Create(nullptr, m_host, &m_rect, L"MainFrame", 0x56000000));
  ::MoveWindow(view, 0, 0, 500, 240, TRUE);
  AvlfWindowBase* process = view.FindChildByCommandId(2);
  ASSERT_TRUE(process);
  EXPECT_EQ(view.m_process.m_hWnd, process->m_hWnd);
  RECT rc{};
  ::GetClientRect(process->m_hWnd, &rc);
  EXPECT_EQ(rc.bottom, 240);
  AvlfWindowBase* inner = process->FindChildByCommandId(21);
  ::GetWindowRect(inner->m_hWnd, &rc);
  ::MapWindowPoints(nullptr, process->m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
  EXPECT_EQ(rc.left, 200 - 30 + 10);  // 10 past the right edge: the offset is -10
  EXPECT_EQ(rc.top, 5);
  EXPECT_EQ(skintest::PaintedPixel(process->m_hWnd, 5, 5), RGB(0, 0, 255));  // its own skin colour
}

TEST_F(SkinAttach, SharedChildrenAreDeletedOnceBySkinParent) {
  int deletions = 0;
  {
    CTestMainView view;
    view.m_sharedDeletions = &deletions;
    ASSERT_TRUE(view.Create(nullptr, m_host, &m_rect, L"MainFrame", 0x56000000));
    EXPECT_EQ(view.m_tool.m_children.back(), view.FindChildByCommandId(1)->m_children.back());
    view.DestroyWindow();
    EXPECT_EQ(deletions, 0);
  }
  EXPECT_EQ(deletions, 1);
}

TEST_F(SkinAttach, FailedSubclassChangesNothing) {
  CTestMainView view;
  ASSERT_TRUE(view.Create(nullptr, m_host, &m_rect, L"MainFrame", 0x56000000));
  AvlfWindowBase* spare = view.FindChildByCommandId(3);
  ASSERT_TRUE(spare && spare->m_hWnd);
  AvlfMemoryDC* buffer = spare->GetBackBuffer();
  ASSERT_TRUE(buffer);

  CTestPanel busy(L"busy");
  RECT rc{0, 0, 10, 10};
  ASSERT_TRUE(busy.Create(nullptr, m_host, &rc, L"Standalone"));
  HWND own = busy.m_hWnd;
  g_log.clear();
  EXPECT_FALSE(AttachSkinChild(&view, busy, 3));
  EXPECT_EQ(busy.m_hWnd, own);
  EXPECT_EQ(busy.m_pOwner, nullptr);
  EXPECT_EQ(busy.m_nCommandID, 0);
  EXPECT_TRUE(busy.m_children.empty());
  EXPECT_TRUE(g_log.empty());
  EXPECT_EQ(spare->m_pBackBuffer, buffer);
  for (AvlfWindowBase* child : spare->m_children) EXPECT_EQ(child->m_pOwner, nullptr);
}

}  // namespace
