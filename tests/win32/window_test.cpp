// Window objects: message maps, creation, reflection, subclassing, superclassing.

#include "win32/Window.h"

#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/win32/guarded_page.h"

namespace {

using win32::CWindowImpl;
using win32::Reflected;

constexpr UINT kMsgA = WM_APP + 1;
constexpr UINT kMsgB = WM_APP + 2;
constexpr UINT kMsgC = WM_APP + 3;

// A chained base map, as a window type's template base would be.
class CBaseHandlers {
 public:
  std::vector<std::wstring> m_log;
  BEGIN_MSG_MAP(CBaseHandlers)
  MESSAGE_HANDLER(kMsgB, OnB)
  MESSAGE_HANDLER(kMsgC, OnBaseC)
  END_MSG_MAP()
  LRESULT OnB(UINT, WPARAM, LPARAM, BOOL&) {
    m_log.push_back(L"base B");
    return 20;
  }
  LRESULT OnBaseC(UINT, WPARAM, LPARAM, BOOL&) {
    m_log.push_back(L"base C");
    return 30;
  }
};

class CRecorder : public CWindowImpl<CRecorder, win32::CFrameWinTraits>, public CBaseHandlers {
 public:
  void* m_createParam = nullptr;
  HWND m_finalHwnd = nullptr;
  bool m_failCreate = false;
  UINT m_currentDuringA = 0;

  BEGIN_MSG_MAP(CRecorder)
  MESSAGE_HANDLER(WM_CREATE, OnCreate)
  MESSAGE_HANDLER(kMsgA, OnA)
  MESSAGE_HANDLER(kMsgC, OnC)  // passes on: the chained base gets it
  COMMAND_ID_HANDLER(100, OnCommand100)
  COMMAND_RANGE_HANDLER(200, 210, OnCommandRange)
  NOTIFY_HANDLER(7, NM_CLICK, OnClick7)
  NOTIFY_CODE_HANDLER(NM_DBLCLK, OnDblClk)
  CHAIN_MSG_MAP(CBaseHandlers)
  END_MSG_MAP()

  LRESULT OnCreate(UINT, WPARAM, LPARAM lParam, BOOL&) {
    m_createParam = reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams;
    return m_failCreate ? -1 : 0;
  }
  LRESULT OnA(UINT, WPARAM wParam, LPARAM, BOOL&) {
    m_currentDuringA = GetCurrentMessage()->message;
    m_log.push_back(L"A");
    return static_cast<LRESULT>(wParam) * 2;
  }
  LRESULT OnC(UINT, WPARAM, LPARAM, BOOL& handled) {
    m_log.push_back(L"C passed");
    handled = FALSE;
    return 0;
  }
  LRESULT OnCommand100(WORD code, WORD id, HWND, BOOL&) {
    m_log.push_back(L"cmd " + std::to_wstring(id) + L"/" + std::to_wstring(code));
    return 0;
  }
  LRESULT OnCommandRange(WORD, WORD id, HWND, BOOL&) {
    m_log.push_back(L"range " + std::to_wstring(id));
    return 0;
  }
  LRESULT OnClick7(int, LPNMHDR, BOOL&) {
    m_log.push_back(L"click 7");
    return 70;
  }
  LRESULT OnDblClk(int id, LPNMHDR, BOOL&) {
    m_log.push_back(L"dblclk " + std::to_wstring(id));
    return 0;
  }
  void OnFinalMessage(HWND hWnd) override { m_finalHwnd = hWnd; }
};

TEST(WindowImpl, MessageMapRoutesMessagesCommandsAndNotifications) {
  CRecorder wnd;
  int param = 0;
  HWND hWnd = wnd.Create(nullptr, nullptr, L"recorder", 0, 0, 0, &param);
  ASSERT_NE(hWnd, nullptr);
  EXPECT_EQ(wnd.m_hWnd, hWnd);
  EXPECT_EQ(wnd.m_createParam, &param) << "WM_CREATE must see the caller's parameter";

  EXPECT_EQ(wnd.SendMessage(kMsgA, 21), 42);
  EXPECT_EQ(wnd.m_currentDuringA, kMsgA);
  EXPECT_EQ(wnd.GetCurrentMessage(), nullptr);
  EXPECT_EQ(wnd.SendMessage(kMsgB), 20);
  EXPECT_EQ(wnd.SendMessage(kMsgC), 30);
  wnd.SendMessage(WM_COMMAND, MAKEWPARAM(100, 3), 0);
  wnd.SendMessage(WM_COMMAND, MAKEWPARAM(205, 0), 0);
  wnd.SendMessage(WM_COMMAND, MAKEWPARAM(211, 0), 0);  // unhandled
  NMHDR click{nullptr, 7, static_cast<UINT>(NM_CLICK)};
  EXPECT_EQ(wnd.SendMessage(WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&click)), 70);
  NMHDR clickOther{nullptr, 8, static_cast<UINT>(NM_CLICK)};
  wnd.SendMessage(WM_NOTIFY, 8, reinterpret_cast<LPARAM>(&clickOther));  // unhandled
  NMHDR dbl{nullptr, 9, static_cast<UINT>(NM_DBLCLK)};
  wnd.SendMessage(WM_NOTIFY, 9, reinterpret_cast<LPARAM>(&dbl));

  std::vector<std::wstring> expected{L"A",         L"base B",    L"C passed", L"base C",
                                     L"cmd 100/3", L"range 205", L"click 7",  L"dblclk 9"};
  EXPECT_EQ(wnd.m_log, expected);

  // Unhandled messages reach DefWindowProcW.
  EXPECT_TRUE(::SetWindowTextW(hWnd, L"renamed"));
  wchar_t text[32]{};
  ::GetWindowTextW(hWnd, text, 32);
  EXPECT_STREQ(text, L"renamed");

  EXPECT_TRUE(wnd.DestroyWindow());
  EXPECT_EQ(wnd.m_hWnd, nullptr);
  EXPECT_EQ(wnd.m_finalHwnd, hWnd);
}

TEST(WindowImpl, FailedCreationLeavesNoWindow) {
  CRecorder wnd;
  wnd.m_failCreate = true;
  EXPECT_EQ(wnd.Create(nullptr), nullptr);
  EXPECT_EQ(wnd.m_hWnd, nullptr);
  EXPECT_NE(wnd.m_finalHwnd, nullptr);
  // The object can create again afterwards.
  wnd.m_failCreate = false;
  ASSERT_NE(wnd.Create(nullptr), nullptr);
  wnd.DestroyWindow();
}

TEST(WindowImpl, ObjectDestroyedBeforeWindowNoLongerReceivesMessages) {
  HWND hWnd;
  {
    CRecorder wnd;
    hWnd = wnd.Create(nullptr);
    ASSERT_NE(hWnd, nullptr);
  }
  EXPECT_EQ(::SendMessageW(hWnd, kMsgA, 21, 0), 0);  // DefWindowProcW, no dead object
  ::DestroyWindow(hWnd);
}

// A member object with a second map for another window's messages.
class CAltHandlers {
 public:
  int m_mainHits = 0;
  int m_altHits = 0;
  BEGIN_MSG_MAP(CAltHandlers)
  MESSAGE_HANDLER(kMsgA, OnMain)
  ALT_MSG_MAP(1)
  MESSAGE_HANDLER(kMsgA, OnAlt)
  END_MSG_MAP()
  LRESULT OnMain(UINT, WPARAM, LPARAM, BOOL&) { return ++m_mainHits; }
  LRESULT OnAlt(UINT, WPARAM, LPARAM, BOOL&) { return 100 + ++m_altHits; }
};

class CAltUser : public CWindowImpl<CAltUser, win32::CFrameWinTraits>, public CAltHandlers {
 public:
  BEGIN_MSG_MAP(CAltUser)
  CHAIN_MSG_MAP_ALT(CAltHandlers, 1)
  END_MSG_MAP()
};

TEST(WindowImpl, AlternateMapsAreChosenByNumber) {
  CAltUser wnd;
  ASSERT_NE(wnd.Create(nullptr), nullptr);
  EXPECT_EQ(wnd.SendMessage(kMsgA), 101);
  EXPECT_EQ(wnd.m_mainHits, 0);
  LRESULT result = 0;
  EXPECT_TRUE(wnd.CAltHandlers::ProcessWindowMessage(wnd, kMsgA, 0, 0, result));
  EXPECT_EQ(result, 1);
  EXPECT_FALSE(wnd.CAltHandlers::ProcessWindowMessage(wnd, kMsgB, 0, 0, result, 1));
  wnd.DestroyWindow();
}

// A plain child; counts what reaches it.
class CChild : public CWindowImpl<CChild> {
 public:
  std::vector<UINT> m_messages;
  LRESULT m_answer = 5;
  BEGIN_MSG_MAP(CChild)
  MESSAGE_HANDLER(Reflected(WM_COMMAND), OnReflected)
  MESSAGE_HANDLER(Reflected(WM_NOTIFY), OnReflected)
  MESSAGE_HANDLER(Reflected(WM_CTLCOLORSTATIC), OnReflected)
  MESSAGE_HANDLER(kMsgA, OnOwn)
  MESSAGE_HANDLER(kMsgB, OnOwn)
  END_MSG_MAP()
  LRESULT OnReflected(UINT msg, WPARAM, LPARAM, BOOL&) {
    m_messages.push_back(msg);
    return m_answer;
  }
  LRESULT OnOwn(UINT msg, WPARAM, LPARAM, BOOL&) {
    m_messages.push_back(msg);
    return 100 + (msg - WM_APP);
  }
};

class CReflectingParent : public CWindowImpl<CReflectingParent, win32::CFrameWinTraits> {
 public:
  BEGIN_MSG_MAP(CReflectingParent)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()
};

TEST(WindowImpl, ParentReflectsNotificationsToTheControl) {
  CReflectingParent parent;
  ASSERT_NE(parent.Create(nullptr), nullptr);
  CChild child;
  RECT rc{0, 0, 50, 20};
  HWND hChild = child.Create(parent, &rc);
  ASSERT_NE(hChild, nullptr);

  EXPECT_EQ(parent.SendMessage(WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), reinterpret_cast<LPARAM>(hChild)), 5);
  NMHDR nm{hChild, 1, static_cast<UINT>(NM_CLICK)};
  EXPECT_EQ(parent.SendMessage(WM_NOTIFY, 1, reinterpret_cast<LPARAM>(&nm)), 5);
  parent.SendMessage(WM_CTLCOLORSTATIC, 0, reinterpret_cast<LPARAM>(hChild));
  // A menu command has no control to reflect to.
  parent.SendMessage(WM_COMMAND, MAKEWPARAM(1, 0), 0);
  std::vector<UINT> expected{Reflected(WM_COMMAND), Reflected(WM_NOTIFY), Reflected(WM_CTLCOLORSTATIC)};
  EXPECT_EQ(child.m_messages, expected);
  parent.DestroyWindow();
  EXPECT_EQ(child.m_hWnd, nullptr);
}

// Takes over an existing window, as an application window takes over a
// window the skin created.
class CTakeover : public CWindowImpl<CTakeover> {
 public:
  std::vector<UINT> m_messages;
  HWND m_finalHwnd = nullptr;
  BEGIN_MSG_MAP(CTakeover)
  MESSAGE_HANDLER(kMsgA, OnA)
  REFLECTED_COMMAND_CODE_HANDLER(BN_CLICKED, OnClicked)
  DEFAULT_REFLECTION_HANDLER()
  END_MSG_MAP()
  LRESULT OnA(UINT msg, WPARAM, LPARAM, BOOL&) {
    m_messages.push_back(msg);
    return 999;
  }
  LRESULT OnClicked(WORD, WORD, HWND, BOOL&) {
    m_messages.push_back(Reflected(WM_COMMAND));
    return 0;
  }
  void OnFinalMessage(HWND hWnd) override { m_finalHwnd = hWnd; }
};

TEST(WindowImpl, SubclassedWindowHandlesFirstThenFallsThrough) {
  CReflectingParent parent;
  ASSERT_NE(parent.Create(nullptr), nullptr);
  CChild skin;
  RECT rc{0, 0, 50, 20};
  HWND hWnd = skin.Create(parent, &rc);
  ASSERT_NE(hWnd, nullptr);

  CTakeover outer, inner;
  ASSERT_TRUE(inner.SubclassWindow(hWnd));
  ASSERT_TRUE(outer.SubclassWindow(hWnd));
  EXPECT_FALSE(outer.SubclassWindow(hWnd)) << "one window per object";
  EXPECT_EQ(::SendMessageW(hWnd, kMsgA, 0, 0), 999);
  EXPECT_EQ(::SendMessageW(hWnd, kMsgB, 0, 0), 102) << "unhandled messages reach the original object";
  EXPECT_EQ(outer.m_messages, std::vector<UINT>{kMsgA});
  EXPECT_TRUE(inner.m_messages.empty());
  EXPECT_EQ(skin.m_messages, std::vector<UINT>{kMsgB});

  EXPECT_EQ(outer.UnsubclassWindow(), hWnd);
  EXPECT_EQ(::SendMessageW(hWnd, kMsgA, 0, 0), 999);
  EXPECT_EQ(inner.m_messages, std::vector<UINT>{kMsgA});

  parent.DestroyWindow();
  EXPECT_EQ(inner.m_finalHwnd, hWnd);
  EXPECT_EQ(inner.m_hWnd, nullptr);
  EXPECT_EQ(skin.m_hWnd, nullptr);
  EXPECT_EQ(outer.m_finalHwnd, nullptr);
}

TEST(WindowImpl, SubclassedNativeButtonGetsItsClickReflected) {
  CReflectingParent parent;
  ASSERT_NE(parent.Create(nullptr), nullptr);
  HWND button = ::CreateWindowExW(0, L"BUTTON", L"ok", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 0, 0, 60, 20, parent,
                                  reinterpret_cast<HMENU>(12), ::GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(button, nullptr);
  CTakeover wrapper;
  ASSERT_TRUE(wrapper.SubclassWindow(button));
  ::SendMessageW(button, BM_CLICK, 0, 0);
  EXPECT_EQ(wrapper.m_messages, std::vector<UINT>{Reflected(WM_COMMAND)});
  // Unhandled reflected colour requests get the default answer, not 0 from nowhere.
  HDC dc = ::GetDC(button);
  LRESULT brush =
      ::SendMessageW(button, Reflected(WM_CTLCOLORBTN), reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(button));
  ::ReleaseDC(button, dc);
  EXPECT_NE(brush, 0);
  parent.DestroyWindow();
  EXPECT_EQ(wrapper.m_finalHwnd, button);
}

class CUpperEdit : public CWindowImpl<CUpperEdit> {
 public:
  DECLARE_WND_SUPERCLASS(L"Win32TestUpperEdit", L"EDIT")
  BEGIN_MSG_MAP(CUpperEdit)
  MESSAGE_HANDLER(WM_CHAR, OnChar)
  END_MSG_MAP()
  LRESULT OnChar(UINT msg, WPARAM wParam, LPARAM lParam, BOOL&) {
    return DefWindowProc(msg, ::towupper(static_cast<wint_t>(wParam)), lParam);
  }
};

TEST(WindowImpl, SuperclassKeepsTheNativeBehaviour) {
  CReflectingParent parent;
  ASSERT_NE(parent.Create(nullptr), nullptr);
  CUpperEdit edit;
  RECT rc{0, 0, 100, 20};
  ASSERT_NE(edit.Create(parent, &rc, L"ab"), nullptr);
  wchar_t cls[64]{};
  ::GetClassNameW(edit, cls, 64);
  EXPECT_STREQ(cls, L"Win32TestUpperEdit");
  ::SendMessageW(edit, EM_SETSEL, 2, 2);
  ::SendMessageW(edit, WM_CHAR, L'c', 1);
  wchar_t text[16]{};
  ::GetWindowTextW(edit, text, 16);
  EXPECT_STREQ(text, L"abC");
  parent.DestroyWindow();
}

// Children created without an id get one that fits the 16 bits of
// WM_COMMAND's wParam, unique among their siblings, so commands and owner-drawn
// items (found again by id) reach them.
class CCommandCounter : public CWindowImpl<CCommandCounter, win32::CFrameWinTraits> {
 public:
  std::vector<WORD> m_ids;
  BEGIN_MSG_MAP(CCommandCounter)
  MESSAGE_HANDLER(WM_COMMAND, OnCommand)
  MESSAGE_HANDLER(WM_MEASUREITEM, OnMeasureItem)
  END_MSG_MAP()
  LRESULT OnCommand(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
    if (lParam) {
      EXPECT_EQ(::GetDlgItem(m_hWnd, LOWORD(wParam)), reinterpret_cast<HWND>(lParam));
    }
    m_ids.push_back(LOWORD(wParam));
    return 0;
  }
  LRESULT OnMeasureItem(UINT, WPARAM, LPARAM lParam, BOOL&) {
    auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
    m_measured.push_back(::GetDlgItem(m_hWnd, static_cast<int>(mis->CtlID)));
    mis->itemHeight = 20;
    return TRUE;
  }
  std::vector<HWND> m_measured;
};

class COwnerDrawList : public CWindowImpl<COwnerDrawList> {
 public:
  DECLARE_WND_SUPERCLASS(L"Win32TestOwnerDrawList", L"LISTBOX")
  BEGIN_MSG_MAP(COwnerDrawList)
  END_MSG_MAP()
};

TEST(WindowImpl, ChildrenWithoutAnIdGetSmallUniqueIds) {
  CCommandCounter parent;
  ASSERT_NE(parent.Create(nullptr), nullptr);
  constexpr int kChildren = 40;
  std::vector<std::unique_ptr<CChild>> children;
  std::vector<int> ids;
  for (int i = 0; i < kChildren; ++i) {
    children.push_back(std::make_unique<CChild>());
    RECT rc{0, 0, 10, 10};
    ASSERT_NE(children.back()->Create(parent, &rc), nullptr);
    int id = children.back()->GetDlgCtrlID();
    EXPECT_GT(id, 0);
    EXPECT_LE(id, 0xFFFF) << "does not fit WM_COMMAND";
    EXPECT_EQ(::GetDlgItem(parent, id), children.back()->m_hWnd);
    ids.push_back(id);
  }
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(std::unique(ids.begin(), ids.end()), ids.end()) << "ids repeat among siblings";

  // A command from a child carries its id in 16 bits; the parent finds the child by it.
  HWND first = children.front()->m_hWnd;
  ::SendMessageW(parent, WM_COMMAND, MAKEWPARAM(children.front()->GetDlgCtrlID(), 0), reinterpret_cast<LPARAM>(first));
  EXPECT_EQ(parent.m_ids.size(), 1u);

  // An owner-drawn list asks its parent for its item height by id during creation.
  COwnerDrawList list;
  RECT rc{0, 0, 80, 80};
  HWND hList = list.Create(parent, &rc, nullptr, WS_CHILD | WS_VISIBLE | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS);
  ASSERT_NE(hList, nullptr);
  ASSERT_FALSE(parent.m_measured.empty());
  EXPECT_EQ(parent.m_measured.front(), hList) << "WM_MEASUREITEM's id does not lead back to the list";
  // An id given by the caller is kept.
  CChild given;
  ASSERT_NE(given.Create(parent, &rc, nullptr, 0, 0, 4321), nullptr);
  EXPECT_EQ(given.GetDlgCtrlID(), 4321);
  parent.DestroyWindow();
}

// A window created by class name, without an object, is not ours: the layer
// must not follow its creation parameter, and a superclass keeps its native
// behaviour.
TEST(WindowImpl, WindowsCreatedByClassNameAreNotTakenForObjects) {
  // Register both classes through an object first.
  CReflectingParent parent;
  ASSERT_NE(parent.Create(nullptr), nullptr);
  CUpperEdit registered;
  RECT rc{0, 0, 100, 20};
  ASSERT_NE(registered.Create(parent, &rc), nullptr);
  wchar_t plainClass[64]{};
  ::GetClassNameW(parent, plainClass, 64);

  struct Case {
    const char* name;
    const wchar_t* cls;
    bool guarded;  // creation parameter points at a guarded page, else null
  } cases[] = {{"plain class, foreign parameter", plainClass, true},
               {"superclass, foreign parameter", L"Win32TestUpperEdit", true},
               {"superclass, no parameter", L"Win32TestUpperEdit", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    win32test::CGuardedPage page;
    HWND hWnd = ::CreateWindowExW(0, c.cls, L"ab", WS_CHILD | WS_VISIBLE, 0, 30, 100, 20, parent, nullptr,
                                  ::GetModuleHandleW(nullptr), c.guarded ? page.Address() : nullptr);
    ASSERT_NE(hWnd, nullptr);
    EXPECT_FALSE(win32test::CGuardedPage::Touched()) << "the layer followed a creation parameter it does not own";
    if (c.cls != plainClass) {
      // The native edit still works: it types and answers its own messages.
      ::SendMessageW(hWnd, EM_SETSEL, 2, 2);
      ::SendMessageW(hWnd, WM_CHAR, L'c', 1);
      wchar_t text[16]{};
      ::GetWindowTextW(hWnd, text, 16);
      EXPECT_STREQ(text, L"abc") << "the superclass lost its native procedure";
      EXPECT_NE(::SendMessageW(hWnd, EM_GETLIMITTEXT, 0, 0), 0);
    }
    ::DestroyWindow(hWnd);
  }
  parent.DestroyWindow();
}

}  // namespace
