// The thumbnail strip on real windows: layout and scroll range, the item
// limit and its eviction, checking items with real clicks and keys, dragging
// an item to reorder strip and project list, thumbnails read by PIL, a worker
// thread adding items while the strip paints, and the painted band.

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/ProjectManager.h"
#include "app/RecentImages.h"
#include "capture/Project.h"
#include "image/Image.h"
#include "panels/ThumbnailKernel.h"
#include "panels/ThumbnailStrip.h"
#include "tests/panels/panel_fixture.h"

namespace {

using Item = CWndImages::IMAGE_ITEM;

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Colors>
    <Back Red="0" Green="0" Blue="255"/>
  </Colors>
  <Windows>
    <Host Class="WINDOW" X="40" Y="40" Width="420" Height="70" ClBkGround="Back">
      <Pane Class="WINDOW" CommandID="5" X="0" Y="0" Width="420" Height="70">
        <Strip Class="WINDOW" CommandID="101" X="0" Y="0" Width="420" Height="56"/>
        <Bar Class="WINDOW" CommandID="100" X="0" Y="58" Width="420" Height="12"/>
      </Pane>
    </Host>
  </Windows>
</Skin>
)";

struct Note {
  UINT code;
  int item;
  UINT oldState;
  UINT newState;
  LPARAM lParam;
};

// The container, with every notification of the strip written down.
class CRecordingImageList : public CWndImageList {
 public:
  BEGIN_MSG_MAP(CRecordingImageList)
  MESSAGE_HANDLER(WM_NOTIFY, OnRecord)
  CHAIN_MSG_MAP(CWndImageList)
  END_MSG_MAP()

  LRESULT OnRecord(UINT, WPARAM, LPARAM lParam, BOOL& handled) {
    const auto* record = reinterpret_cast<const NMLISTVIEW*>(lParam);
    m_notes.push_back({record->hdr.code, record->iItem, record->uOldState, record->uNewState, record->lParam});
    handled = FALSE;
    return 0;
  }
  std::vector<Note> Notes(UINT code) const {
    std::vector<Note> found;
    for (const Note& note : m_notes)
      if (note.code == code) found.push_back(note);
    return found;
  }

  std::vector<Note> m_notes;
};

std::wstring WorkFolder() {
  wchar_t path[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, path);
  return path;
}

void Touch(const std::wstring& path) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  ::CloseHandle(file);
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

void Key(WORD key, bool down) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
  ::SendInput(1, &input, sizeof input);
}

class Strip : public paneltest::PanelFixture {
 protected:
  void SetUp() override {
    LoadSkin(kSkin);
    ASSERT_TRUE(CreateHost(L"Host"));
    ASSERT_TRUE(Attach(m_list, 5));
    ASSERT_TRUE(m_strip.m_hWnd);
    ASSERT_TRUE(m_list.m_wndScrollBar.m_hWnd);
    m_picture.Create(64, 36);
    m_picture.Fill(255, 255, 0, 0);
  }
  void TearDown() override {
    BYTE keys[256] = {};
    ::SetKeyboardState(keys);
    if (m_list.m_hWnd) m_list.DestroyWindow();
    paneltest::PanelFixture::TearDown();
  }

  // n items, each with a project of its own path.
  void AddItems(int n, const wchar_t* stem = L"C:\\strip\\pic") {
    for (int i = 0; i < n; ++i) {
      const std::wstring path = stem + std::to_wstring(m_nAdded++) + L".png";
      CProject* project = m_manager.OpenImage(path.c_str());
      ASSERT_TRUE(project);
      ASSERT_TRUE(m_list.AddImage(&m_picture, project));
    }
  }
  std::vector<int> Checked() const {
    std::vector<int> found;
    for (Item* item : m_strip.m_items)
      if (item->m_nState == LVIS_SELECTED) found.push_back(item->m_nIndex);
    return found;
  }
  int Current() const { return m_strip.m_pCurrent ? m_strip.m_pCurrent->m_nIndex : -1; }
  std::wstring PathOf(int index) {
    Item* item = m_strip.GetItem(index);
    return item && item->m_pProject && item->m_pProject->m_pszPath ? item->m_pProject->m_pszPath : L"";
  }
  POINT ItemPoint(int index) {
    const int x = m_strip.m_nScrollOffset + 2 + 50 * index + 24;
    return paneltest::ScreenPoint(m_strip.m_hWnd, x, 28);
  }

  CProjectManager m_manager;
  CRecordingImageList m_list;
  CWndImages& m_strip = m_list.m_wndImages;
  ZEvuvoro::CImage m_picture;
  int m_nAdded = 0;
};

TEST_F(Strip, LayoutAndScrollRange) {
  EXPECT_EQ(m_list.m_wndScrollBar.m_nRange, 0);
  EXPECT_EQ(m_list.m_wndScrollBar.m_nPage, 420);
  AddItems(10);
  struct Case {
    int width, height, y;
  } cases[] = {{300, 56, 14}, {420, 27, 0}, {300, 20, -3}};  // (20 - 27) / 2 truncates toward zero
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height);
    ::SetWindowPos(m_strip.m_hWnd, nullptr, 0, 0, c.width, c.height, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(m_list.m_wndScrollBar.m_nRange, 502);
    EXPECT_EQ(m_list.m_wndScrollBar.m_nPage, c.width);
    for (int i = 0; i < 10; ++i) {
      Item* item = m_strip.GetItem(i);
      EXPECT_EQ(item->m_nIndex, i);
      EXPECT_EQ(item->m_nX, 2 + 50 * i);
      EXPECT_EQ(item->m_nY, c.y);
      EXPECT_EQ(item->m_rc.right - item->m_rc.left, 48);
      EXPECT_EQ(item->m_rc.bottom - item->m_rc.top, 27);
    }
  }
  EXPECT_EQ(m_strip.GetItem(-1), nullptr);
  EXPECT_EQ(m_strip.GetItem(10), nullptr);

  // The scroll bar moves the strip; clearing resets the range.
  ::SendMessageW(m_list.m_wndScrollBar.m_hWnd, SBM_SETPOS, 100, 0);
  ::SendMessageW(m_list.m_hWnd, WM_COMMAND, MAKEWPARAM(100, 1), 0);
  EXPECT_EQ(m_strip.GetItem(0)->m_nX, -98);
  ::SendMessageW(m_strip.m_hWnd, WM_IMAGES_CLEAR, 0, 0);
  m_list.SetScrollRange();
  EXPECT_EQ(m_strip.GetItemCount(), 0);
  EXPECT_EQ(m_list.m_wndScrollBar.m_nRange, 0);
  EXPECT_EQ(m_manager.GetCount(), 10);  // clearing the strip alone keeps the projects
}

TEST_F(Strip, ThirtyThirdItemEvictsTheOldestAndNeverItsFile) {
  // Real files, and Shift held: an eviction must not delete the picture.
  const std::wstring folder = WorkFolder() + L"\\evict";
  ::CreateDirectoryW(folder.c_str(), nullptr);
  std::vector<std::wstring> paths;
  for (int i = 0; i < 33; ++i) {
    paths.push_back(folder + L"\\pic" + std::to_wstring(i) + L".png");
    Touch(paths.back());
  }
  BYTE keys[256] = {};
  keys[VK_SHIFT] = 0x80;
  ::SetKeyboardState(keys);
  for (int i = 0; i < 32; ++i) ASSERT_TRUE(m_list.AddImage(&m_picture, m_manager.OpenImage(paths[i].c_str())));
  // The oldest is current and the anchor of a range: neither may outlive it.
  m_strip.m_pCurrent = m_strip.m_pAnchor = m_strip.GetItem(0);
  ASSERT_TRUE(m_list.AddImage(&m_picture, m_manager.OpenImage(paths[32].c_str())));
  EXPECT_EQ(m_strip.m_pCurrent, nullptr);
  EXPECT_EQ(m_strip.m_pAnchor, nullptr);

  const auto removed = m_list.Notes(LVN_DELETEITEM);
  ASSERT_EQ(removed.size(), 1u);
  EXPECT_EQ(removed[0].item, 0);
  EXPECT_EQ(m_strip.GetItemCount(), 32);
  EXPECT_EQ(m_manager.GetCount(), 32);
  EXPECT_EQ(m_manager.Find(paths[0].c_str()), nullptr);
  EXPECT_EQ(PathOf(0), paths[1]);
  EXPECT_EQ(PathOf(31), paths[32]);
  EXPECT_TRUE(Exists(paths[0]));

  // The user's own removal with Shift held does delete the checked pictures.
  ::SendMessageW(m_strip.m_hWnd, WM_IMAGES_SELECTITEM, 0, 3);
  ::SendMessageW(m_strip.m_hWnd, WM_KEYUP, VK_DELETE, 0);
  EXPECT_EQ(m_strip.GetItemCount(), 31);
  EXPECT_FALSE(Exists(paths[4]));
  EXPECT_TRUE(Exists(paths[5]));
}

TEST_F(Strip, ItemLimitIsClampedAndTakesEffectAtTheNextAdd) {
  struct Case {
    LPARAM asked;
    int limit;
  } cases[] = {{5, 12}, {1000, 320}, {40, 40}, {12, 12}};
  for (const Case& c : cases) {
    ::SendMessageW(m_strip.m_hWnd, WM_IMAGES_SETITEMLIMIT, 0, c.asked);
    EXPECT_EQ(m_strip.m_nItemLimit, c.limit) << c.asked;
  }
  AddItems(13);
  EXPECT_EQ(m_strip.GetItemCount(), 12);
  EXPECT_EQ(m_list.Notes(LVN_DELETEITEM).size(), 1u);
  // Every add reports to the parent.
  EXPECT_EQ(m_list.Notes(LVN_GETDISPINFOW).size(), 13u);
}

TEST_F(Strip, SelectByMessage) {
  AddItems(12);  // 602 wide in a 420 window
  ::SendMessageW(m_strip.m_hWnd, WM_IMAGES_SELECTITEM, 0, 10);
  EXPECT_EQ(Checked(), std::vector<int>{10});
  EXPECT_EQ(Current(), 10);
  // Scrolled as far as the range allows: 602 - 420.
  EXPECT_EQ(m_list.m_wndScrollBar.m_nPosition, 182);
  EXPECT_EQ(m_strip.GetItem(10)->m_nX, 2 + 500 - 182);
  EXPECT_TRUE(m_list.Notes(LVN_ITEMCHANGED).empty());
  ASSERT_FALSE(m_list.Notes(LVN_ITEMCHANGING).empty());
  EXPECT_EQ(m_list.Notes(LVN_ITEMCHANGING).back().item, 10);

  ::SendMessageW(m_strip.m_hWnd, WM_IMAGES_SELECTITEM, 0, 12);  // beyond the last
  EXPECT_TRUE(Checked().empty());
  EXPECT_EQ(Current(), 10);
  ::SendMessageW(m_strip.m_hWnd, WM_IMAGES_SELECTITEM, 0, -1);
  EXPECT_TRUE(Checked().empty());
  EXPECT_EQ(Current(), -1);
}

// One table of real clicks and keys, each read back through the -101
// notifications it produced.
TEST_F(Strip, ClicksAndKeysCheckItems) {
  AddItems(6);
  struct Step {
    const char* what;
    WORD modifier;  // 0, VK_CONTROL or VK_SHIFT, held around a click
    int click;      // item index (7: empty space), or -1 for a key
    WORD key;
    std::vector<int> checked;
    int current;
    std::vector<std::array<int, 3>> notes;  // item, old state, new state
  };
  const std::vector<Step> steps = {
      {"plain 1", 0, 1, 0, {1}, 1, {{1, 0, 2}}},
      {"plain 3", 0, 3, 0, {3}, 3, {{1, 2, 0}, {3, 0, 2}}},
      {"ctrl 4", VK_CONTROL, 4, 0, {3, 4}, 4, {{4, 0, 2}}},
      {"ctrl current", VK_CONTROL, 4, 0, {3}, -1, {{4, 2, 0}}},
      {"plain 2", 0, 2, 0, {2}, 2, {{3, 2, 0}, {2, 0, 2}}},
      // Anchor 2 (the current item), click 5: 3 and 4 silently, 2 keeps its state.
      {"shift 5", VK_SHIFT, 5, 0, {2, 3, 4, 5}, 5, {{5, 0, 2}}},
      // Shift released in between: the anchor is now 5.
      {"shift 0", VK_SHIFT, 0, 0, {0, 1, 2, 3, 4, 5}, 0, {{0, 0, 2}}},
      {"right", 0, -1, VK_RIGHT, {1}, 1, {{0, 2, 0}, {2, 2, 0}, {3, 2, 0}, {4, 2, 0}, {5, 2, 0}}},
      {"end", 0, -1, VK_END, {5}, 5, {{1, 2, 0}, {5, 0, 2}}},
      {"prior", 0, -1, VK_PRIOR, {2}, 2, {{2, 0, 2}, {5, 2, 0}}},
      {"home", 0, -1, VK_HOME, {0}, 0, {{0, 0, 2}, {2, 2, 0}}},
      {"left at 0", 0, -1, VK_LEFT, {0}, 0, {}},
      {"empty space", 0, 7, 0, {}, -1, {{0, 2, 0}}},
  };
  const POINT inside = ItemPoint(0);
  paneltest::MoveMouseTo(inside.x, inside.y + 1);
  ASSERT_TRUE(paneltest::PumpUntil([&] { return m_strip.m_bHover != 0; }));
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    m_list.m_notes.clear();
    if (step.click >= 0) {
      ::Sleep(600);  // never a double click
      const POINT at = ItemPoint(step.click);
      paneltest::MoveMouseTo(at.x, at.y);
      if (step.modifier) Key(step.modifier, true);
      paneltest::MouseButton(MOUSEEVENTF_LEFTDOWN);
      paneltest::MouseButton(MOUSEEVENTF_LEFTUP);
      if (step.modifier) Key(step.modifier, false);
    } else {
      Key(step.key, true);
      Key(step.key, false);
    }
    paneltest::PumpUntil([&] { return Checked() == step.checked && Current() == step.current; });
    ::Sleep(100);
    paneltest::Pump();
    EXPECT_EQ(Checked(), step.checked);
    EXPECT_EQ(Current(), step.current);
    std::vector<std::array<int, 3>> notes;
    for (const Note& note : m_list.Notes(LVN_ITEMCHANGED))
      notes.push_back({note.item, static_cast<int>(note.oldState), static_cast<int>(note.newState)});
    EXPECT_EQ(notes, step.notes);
  }
}

TEST_F(Strip, DragReordersStripAndProjectList) {
  AddItems(6);
  const std::wstring moved = PathOf(0);
  const POINT from = ItemPoint(0);
  paneltest::MoveMouseTo(from.x, from.y + 1);
  ASSERT_TRUE(paneltest::PumpUntil([&] { return m_strip.m_bHover != 0; }));
  paneltest::MoveMouseTo(from.x, from.y);
  paneltest::MouseButton(MOUSEEVENTF_LEFTDOWN);
  ASSERT_TRUE(paneltest::PumpUntil([&] { return m_strip.m_bPressed != 0; }));
  // Within 24 pixels nothing starts.
  paneltest::MoveMouseTo(from.x + 20, from.y);
  paneltest::PumpUntil([&] { return false; });
  EXPECT_EQ(m_strip.m_bDragging, 0);
  for (int x = from.x + 30; x <= from.x + 150; x += 30) {
    paneltest::MoveMouseTo(x, from.y);
    paneltest::Pump();
  }
  ASSERT_TRUE(paneltest::PumpUntil([&] { return m_strip.m_bDragging != 0; }));
  // Drop on the slot of item 3 (150 .. 200).
  paneltest::MoveMouseTo(from.x + 151, from.y);
  EXPECT_TRUE(paneltest::PumpUntil([&] { return m_strip.m_nDragX == 26 + 151 - m_strip.m_nGrabOffset; }));
  paneltest::PaintedPicture dragging(m_strip.m_hWnd);
  dragging.Save(L"strip_dragging.png");
  paneltest::MouseButton(MOUSEEVENTF_LEFTUP);
  ASSERT_TRUE(paneltest::PumpUntil([&] { return m_strip.m_bDragging == 0; }));

  const std::vector<std::wstring> paths = m_manager.CopyPaths();
  ASSERT_EQ(paths.size(), 6u);
  EXPECT_EQ(paths[2], moved);
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(PathOf(i), paths[i]) << i;
    EXPECT_EQ(m_strip.GetItem(i)->m_nIndex, i);
    EXPECT_EQ(m_strip.GetItem(i)->m_nX, 2 + 50 * i);
  }
}

TEST_F(Strip, ThumbnailOfAPictureIsWrittenForPil) {
  const std::wstring work = WorkFolder();
  g_ThumbnailFolder = work + L"\\thumbs";
  ::CreateDirectoryW(g_ThumbnailFolder.c_str(), nullptr);
  const std::wstring path = work + L"\\bars.png";
  ZEvuvoro::CImage picture;
  ASSERT_TRUE(picture.LoadFile(path.c_str()));
  CProject* project = m_manager.OpenImage(path.c_str());
  ASSERT_TRUE(project);
  project->m_bNoReload = 0;
  Item* item = m_list.AddImage(&picture, project);
  ASSERT_TRUE(item);
  // Named after the picture and a hash of its whole path.
  EXPECT_EQ(project->m_strThumbnail, GetThumbnailPath(path.c_str()));
  EXPECT_EQ(project->m_strThumbnail.rfind(g_ThumbnailFolder + L"\\bars.png.", 0), 0u);
  EXPECT_TRUE(Exists(project->m_strThumbnail));

  // A project the strip does not read again gets no thumbnail file.
  CProject* raw = m_manager.OpenImage((work + L"\\raw.png").c_str());
  ASSERT_TRUE(m_list.AddImage(&picture, raw));
  EXPECT_TRUE(raw->m_strThumbnail.empty());
  EXPECT_FALSE(Exists(g_ThumbnailFolder + L"\\raw.png.png"));

  // The saved thumbnail comes back as an item of its own at 48 x 27.
  CProject* again = m_manager.OpenImage((work + L"\\again.png").c_str());
  EXPECT_EQ(m_list.AddThumbnail(project->m_strThumbnail.c_str(), again, nullptr), 1);
  Item* loaded = m_strip.GetItem(2);
  ASSERT_TRUE(loaded);
  EXPECT_EQ(loaded->m_pThumbnail->GetWidth(), 48u);
  EXPECT_EQ(m_list.AddThumbnail((work + L"\\missing.png").c_str(), again, nullptr), 0);
  EXPECT_EQ(m_strip.GetItemCount(), 3);
  g_ThumbnailFolder.clear();
}

DWORD WINAPI AddForty(void* parameter) {
  auto* test = static_cast<std::pair<CWndImageList*, std::vector<CProject*>*>*>(parameter);
  ZEvuvoro::CImage picture(64, 36);
  for (size_t i = 0; i < test->second->size(); ++i) {
    picture.Fill(255, static_cast<uint8_t>(i * 6), 0, 0);
    test->first->AddImage(&picture, (*test->second)[i]);
    // The loader reads the last item while the main thread may change the list.
    const int count = test->first->m_wndImages.GetItemCount();
    if (!test->first->m_wndImages.GetItem(count - 1)) return 1;
  }
  return 0;
}

TEST_F(Strip, WorkerAddsFortyItemsWhileTheStripPaints) {
  std::vector<CProject*> projects;
  for (int i = 0; i < 40; ++i)
    projects.push_back(m_manager.OpenImage((L"C:\\worker\\pic" + std::to_wstring(i) + L".png").c_str()));
  std::vector<std::wstring> paths;
  for (CProject* project : projects) paths.push_back(project->m_pszPath);
  std::pair<CWndImageList*, std::vector<CProject*>*> parameter{&m_list, &projects};
  HANDLE thread = ::CreateThread(nullptr, 0, AddForty, &parameter, 0, nullptr);
  ASSERT_TRUE(thread);
  int paints = 0;
  while (::MsgWaitForMultipleObjects(1, &thread, FALSE, 5000, QS_ALLINPUT) != WAIT_OBJECT_0) {
    paneltest::Pump();
    paneltest::PaintedPicture picture(m_strip.m_hWnd);
    ++paints;
  }
  DWORD code = 99;
  ::GetExitCodeThread(thread, &code);
  ::CloseHandle(thread);
  EXPECT_EQ(code, 0u);
  EXPECT_GT(paints, 0);
  ASSERT_EQ(m_strip.GetItemCount(), 32);
  for (int i = 0; i < 32; ++i) EXPECT_EQ(PathOf(i), paths[8 + i]) << i;
  EXPECT_EQ(m_list.Notes(LVN_DELETEITEM).size(), 8u);
}

TEST_F(Strip, PaintsBandCheckedOverlayAndFrame) {
  AddItems(3);
  ::SendMessageW(m_strip.m_hWnd, WM_IMAGES_SELECTITEM, 0, 1);
  paneltest::PaintedPicture picture(m_strip.m_hWnd);
  picture.Save(L"strip_checked.png");
  Item* plain = m_strip.GetItem(0);
  Item* checked = m_strip.GetItem(1);
  auto similar = [](unsigned got, unsigned want) {
    for (int shift = 0; shift < 24; shift += 8) {
      const int a = static_cast<int>((got >> shift) & 0xFF);
      const int b = static_cast<int>((want >> shift) & 0xFF);
      if (std::abs(a - b) > 3) return false;
    }
    return true;
  };
  EXPECT_EQ(picture.At(300, 2), 0x696969u);                              // the band
  EXPECT_EQ(picture.At(plain->m_nX + 24, plain->m_nY + 13), 0xFF0000u);  // a red thumbnail
  // 0x80007AE0 over red: about half of each.
  EXPECT_PRED2(similar, picture.At(checked->m_nX + 24, checked->m_nY + 13), 0x7F3D70u);
  EXPECT_EQ(picture.At(checked->m_nX, checked->m_nY + 13), 0x005098u);  // the frame
  EXPECT_EQ(picture.At(checked->m_nX + 48, checked->m_nY + 13), 0x005098u);
  EXPECT_EQ(picture.At(checked->m_nX + 49, checked->m_nY + 13), 0x696969u);
}

}  // namespace

namespace {

TEST(StripThumbnail, CoverCropKeepsTheCentreInTheTargetAspect) {
  struct Case {
    int sw, sh, x, y, w, h;
  } cases[] = {
      {640, 480, 0, 60, 640, 360},                           // 4:3 loses rows at top and bottom
      {1920, 1080, 0, 0, 1920, 1080},                        // already 16:9
      {1000, 100, 411, 0, 178, 100},                         // wide: columns go
      {48, 27, 0, 0, 48, 27},         {0, 27, 0, 0, 0, 27},  // nothing to crop
  };
  for (const Case& c : cases) {
    Gdiplus::Rect rect(0, 0, c.sw, c.sh);
    CoverCropRect(48, 27, &rect);
    EXPECT_EQ((std::array<int, 4>{rect.X, rect.Y, rect.Width, rect.Height}), (std::array<int, 4>{c.x, c.y, c.w, c.h}))
        << c.sw << " x " << c.sh;
  }
}

TEST(StripThumbnail, SimdReductionEqualsTheScalarOne) {
  // Odd sizes and an offset crop, so that runs end between SIMD steps.
  const int width = 1003, height = 611;
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  uint32_t seed = 12345;
  for (uint8_t& byte : pixels) {
    seed = seed * 1664525u + 1013904223u;
    byte = static_cast<uint8_t>(seed >> 24);
  }
  const ThumbnailCrop crops[] = {{0, 0, width, height}, {7, 3, 997, 560}, {1, 1, 48, 27}, {0, 0, 95, 27}};
  for (const ThumbnailCrop& crop : crops) {
    for (bool opaque : {false, true}) {
      std::vector<uint8_t> simd(48 * 27 * 4), scalar(48 * 27 * 4);
      ASSERT_TRUE(ReduceToThumbnail(pixels.data(), width * 4, crop, 48, 27, opaque, simd.data()));
      ASSERT_TRUE(ReduceToThumbnailScalar(pixels.data(), width * 4, crop, 48, 27, opaque, scalar.data()));
      EXPECT_EQ(simd, scalar) << crop.width << " x " << crop.height;
    }
  }
  // Worked numbers: a 4 x 2 picture into 2 x 1, each cell the rounded mean.
  const uint8_t small[] = {0, 0, 0, 0, 10, 20, 30, 40, 1,   1,   1,   1,   3, 3, 3, 3,
                           2, 2, 2, 2, 10, 20, 30, 40, 255, 255, 255, 255, 0, 0, 0, 0};
  uint8_t out[8];
  ASSERT_TRUE(ReduceToThumbnail(small, 16, {0, 0, 4, 2}, 2, 1, false, out));
  EXPECT_EQ((std::array<int, 8>{out[0], out[1], out[2], out[3], out[4], out[5], out[6], out[7]}),
            (std::array<int, 8>{6, 11, 16, 21, 65, 65, 65, 65}));
  // A crop smaller than the target is refused.
  EXPECT_FALSE(ReduceToThumbnail(small, 16, {0, 0, 4, 2}, 5, 1, false, out));
}

}  // namespace

namespace {

// The states of the strip's context menu, read while it is open.
std::vector<std::pair<UINT, UINT>> g_menuStates;
void CALLBACK ReadOpenMenu(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND window = ::FindWindowW(L"#32768", nullptr);
  if (!window) return;
  ::KillTimer(nullptr, timer);
  auto menu = reinterpret_cast<HMENU>(::SendMessageW(window, 0x01E1 /* MN_GETHMENU */, 0, 0));
  for (UINT id : {32807u, 57601u, 32805u, 32806u, 32803u, 32804u})
    g_menuStates.emplace_back(id, ::GetMenuState(menu, id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED));
  ::EndMenu();
}

TEST_F(Strip, ContextMenuOffersWhatTheItemsAllow) {
  struct Case {
    int items;
    int checked;  // -1 for none
    std::vector<UINT> enabled;
  } cases[] = {
      {0, -1, {57601}},
      {2, -1, {57601, 32806, 32803, 32804}},
      {2, 1, {32807, 57601, 32805, 32806, 32803, 32804}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.items);
    ::SendMessageW(m_strip.m_hWnd, WM_IMAGES_CLEAR, 0, 0);
    AddItems(c.items);
    if (c.checked >= 0) ::SendMessageW(m_strip.m_hWnd, WM_IMAGES_SELECTITEM, 0, c.checked);
    g_menuStates.clear();
    ::SetTimer(nullptr, 0, 100, ReadOpenMenu);
    ::SendMessageW(m_strip.m_hWnd, WM_RBUTTONUP, 0, MAKELPARAM(300, 20));
    std::vector<UINT> enabled;
    for (const auto& [id, state] : g_menuStates)
      if (!state) enabled.push_back(id);
    EXPECT_EQ(enabled, c.enabled);
  }
}

}  // namespace
