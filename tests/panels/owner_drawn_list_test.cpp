// The owner-drawn list on a real window: when its scroll bar shows, what
// clicks with Ctrl and Shift select and tell the parent, the remove glyph,
// the row messages, thumbnails and the colours of row texts.

#include <windows.h>
#include <objidl.h>

#include <gdiplus.h>

#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "panels/OwnerDrawnList.h"
#include "tests/panels/panel_fixture.h"

namespace {

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Colors>
    <Back Red="255" Green="255" Blue="255"/>
    <Ink Red="0" Green="0" Blue="0"/>
    <Band Red="0" Green="200" Blue="0"/>
    <Picked Red="0" Green="0" Blue="255"/>
  </Colors>
  <Fonts>
    <Rows FamilyName="Arial" Height="22" Weight="700"/>
  </Fonts>
  <Windows>
    <ListHost Class="WINDOW" X="40" Y="40" Width="300" Height="400" ClBkGround="Back">
      <Short Class="WINDOW" CommandID="12" X="10" Y="10" Width="200" Height="100" ClBkGround="Back" ClText="Ink"
             Font="Rows" ClBand="Band" ClTextSel="Picked"/>
      <Tall Class="WINDOW" CommandID="13" X="10" Y="120" Width="200" Height="260" ClBkGround="Back" ClText="Ink"
            Font="Rows"/>
    </ListHost>
  </Windows>
</Skin>
)";

class OwnerDrawnList : public paneltest::PanelFixture {
 protected:
  void SetUp() override {
    LoadSkin(kSkin);
    ASSERT_TRUE(CreateHost(L"ListHost"));
  }
  void AttachList(CWndListEx& list, int id, int rowHeight) {
    list.m_nItemHeight = rowHeight;
    ASSERT_TRUE(Attach(list, id));
  }
  // Rows with data 1, 2, ... and texts "row 0", "row 1", ...
  static void Fill(CWndListEx& list, int count) {
    for (int i = 0; i < count; ++i)
      list.AddItem((L"row " + std::to_wstring(i)).c_str(), nullptr, reinterpret_cast<void*>(INT_PTR{i + 1}), true);
  }
  size_t Notes(int id, WORD code) const {
    size_t n = 0;
    for (const auto& c : m_host->CommandsFrom(id)) n += c.code == code;
    return n;
  }
  static unsigned SelectedMask(const CWndListEx& list) {
    unsigned mask = 0;
    for (size_t i = 0; i < list.m_items.size(); ++i)
      if (list.m_items[i]->m_bSelected) mask |= 1u << i;
    return mask;
  }
  static int IndexOf(const CWndListEx& list, const CWndListEx::CItem* item) {
    for (size_t i = 0; i < list.m_items.size(); ++i)
      if (list.m_items[i] == item) return static_cast<int>(i);
    return -1;
  }
  // A press (and release) at the middle of a row, or below the last one.
  static void Press(CWndListEx& list, int row, WPARAM keys, UINT message = WM_LBUTTONDOWN) {
    const LPARAM at = MAKELPARAM(40, row * list.m_nItemHeight + list.m_nItemHeight / 2);
    list.SendMessage(message, MK_LBUTTON | keys, at);
    list.SendMessage(WM_LBUTTONUP, keys, at);
    if (::GetCapture() == list.m_hWnd) ::ReleaseCapture();
  }
};

TEST_F(OwnerDrawnList, ScrollBarShowsOnceTheRowsOutgrowTheClient) {
  CWndListEx list;
  AttachList(list, 12, 28);
  list.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
  EXPECT_TRUE(m_host->CommandsFrom(12).empty()) << "an empty list ignores presses";
  Fill(list, 3);  // 3 x 28 + 1 = 85 <= 100
  EXPECT_FALSE(::IsWindowVisible(list.m_hScrollBar));
  EXPECT_EQ(list.m_nScrollBarWidth, 0);
  EXPECT_EQ(list.m_rcContent.right, 200);
  Fill(list, 1);  // 113 > 100
  ASSERT_TRUE(::IsWindowVisible(list.m_hScrollBar));
  SCROLLINFO info{sizeof(info), SIF_ALL, 0, 0, 0, 0, 0};
  ASSERT_TRUE(::GetScrollInfo(list.m_hScrollBar, SB_CTL, &info));
  EXPECT_EQ(info.nMin, 0);
  EXPECT_EQ(info.nMax, 113);
  EXPECT_EQ(info.nPage, 100u);
  // SBS_RIGHTALIGN gives the bar the system's own width (18 under Wine), not 32.
  RECT created{};
  ::GetWindowRect(list.m_hScrollBar, &created);
  const int barWidth = created.right - created.left;
  EXPECT_GT(barWidth, 0);
  EXPECT_EQ(list.m_nScrollBarWidth, barWidth);
  EXPECT_EQ(list.m_rcContent.right, 200 - barWidth - 1);
  RECT bar{};
  ::GetWindowRect(list.m_hScrollBar, &bar);
  ::MapWindowPoints(nullptr, list.m_hWnd, reinterpret_cast<POINT*>(&bar), 2);
  EXPECT_EQ(bar.left, 200 - barWidth - 1);
  EXPECT_EQ(bar.top, 1);
  EXPECT_EQ(bar.bottom - bar.top, 98);

  // The wheel scrolls to the end and no further; removing a row hides the bar.
  list.SendMessage(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-360)), 0);
  EXPECT_EQ(list.m_nScrollPos, 13);
  EXPECT_EQ(list.RemoveItemByData(reinterpret_cast<void*>(INT_PTR{1})), 3);
  EXPECT_FALSE(::IsWindowVisible(list.m_hScrollBar));
  EXPECT_EQ(list.m_nScrollPos, 0);
}

TEST_F(OwnerDrawnList, ClicksWithCtrlAndShiftSelectAndNotify) {
  CWndListEx list;
  AttachList(list, 13, 28);
  Fill(list, 6);
  ::UpdateWindow(list.m_hWnd);  // rows get their rectangles when painted
  ASSERT_EQ(list.m_items[5]->m_rcItem.top, 5 * 28);

  struct Step {
    const char* what;
    int row;  // 6: below the last row
    WPARAM keys;
    UINT message;
    unsigned selected;
    int current;  // -1: none
    int anchor;
    size_t changes;  // code 1 notifications so far
    size_t doubles;  // code 2
  };
  const Step steps[] = {
      {"plain", 1, 0, WM_LBUTTONDOWN, 0b000010, 1, 1, 1, 0},
      {"ctrl adds", 3, MK_CONTROL, WM_LBUTTONDOWN, 0b001010, 3, 1, 2, 0},
      {"ctrl again keeps", 3, MK_CONTROL, WM_LBUTTONDOWN, 0b001010, 3, 1, 3, 0},
      {"shift range from anchor", 4, MK_SHIFT, WM_LBUTTONDOWN, 0b011110, 3, 1, 4, 0},
      {"shift range upwards", 0, MK_SHIFT, WM_LBUTTONDOWN, 0b000011, 3, 1, 5, 0},
      {"shift below the rows", 6, MK_SHIFT, WM_LBUTTONDOWN, 0b000011, 3, 1, 6, 0},
      {"ctrl below the rows", 6, MK_CONTROL, WM_LBUTTONDOWN, 0b000011, -1, 1, 7, 0},
      {"plain below the rows", 6, 0, WM_LBUTTONDOWN, 0b000000, -1, 1, 8, 0},
      {"double click clears the anchor", 2, 0, WM_LBUTTONDBLCLK, 0b000000, 2, -1, 9, 1},
      {"double click on the current row", 2, 0, WM_LBUTTONDBLCLK, 0b000000, 2, -1, 9, 2},
      {"shift without anchor toggles on", 2, MK_SHIFT, WM_LBUTTONDOWN, 0b000100, 2, 2, 10, 2},
      {"shift range", 5, MK_SHIFT, WM_LBUTTONDOWN, 0b111100, 2, 2, 11, 2},
      {"plain", 4, 0, WM_LBUTTONDOWN, 0b010000, 4, 4, 12, 2},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    Press(list, step.row, step.keys, step.message);
    EXPECT_EQ(SelectedMask(list), step.selected);
    EXPECT_EQ(IndexOf(list, list.m_pCurrent), step.current);
    EXPECT_EQ(IndexOf(list, list.m_pAnchor), step.anchor);
    EXPECT_EQ(Notes(13, LBN_SELCHANGE), step.changes);
    EXPECT_EQ(Notes(13, LBN_DBLCLK), step.doubles);
  }
  // Shift without an anchor on a selected row toggles it off and sets no anchor.
  list.m_pAnchor = nullptr;
  Press(list, 4, MK_SHIFT);
  EXPECT_EQ(SelectedMask(list), 0u);
  EXPECT_EQ(list.m_pAnchor, nullptr);
  EXPECT_EQ(IndexOf(list, list.m_pCurrent), 4);
}

TEST_F(OwnerDrawnList, RemoveGlyphCallsBackOnly) {
  CWndListEx list;
  AttachList(list, 13, 28);
  Fill(list, 3);
  ::UpdateWindow(list.m_hWnd);
  std::vector<CWndListEx::CItem*> removed;
  list.m_fnRemoveItem = [&removed](CWndListEx::CItem* item) { removed.push_back(item); };
  Press(list, 1, 0);
  ASSERT_EQ(IndexOf(list, list.m_pCurrent), 1);
  const size_t before = m_host->CommandsFrom(13).size();

  // The first move takes the capture, the next one finds the row and its glyph.
  const LPARAM onGlyph = MAKELPARAM(200 - 18, 28 + 14);
  list.SendMessage(WM_MOUSEMOVE, 0, onGlyph);
  list.SendMessage(WM_MOUSEMOVE, 0, onGlyph);
  ASSERT_EQ(list.m_pHover, list.m_items[1]);
  EXPECT_EQ(list.m_bRemoveHot, 1);
  EXPECT_EQ(list.m_rcRemove.left, 200 - 34);
  EXPECT_EQ(list.m_rcRemove.right, 200 - 2);
  paneltest::PaintedPicture hovered(list.m_hWnd);
  hovered.Save(L"list_hover_glyph.png");

  list.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, onGlyph);
  ASSERT_EQ(removed.size(), 1u);
  EXPECT_EQ(removed[0], list.m_items[1]);
  EXPECT_EQ(list.m_pCurrent, nullptr);
  EXPECT_EQ(list.m_pHover, nullptr);
  EXPECT_EQ(list.GetCount(), 3) << "the owner removes the row, not the list";
  EXPECT_EQ(m_host->CommandsFrom(13).size(), before);
  list.SendMessage(WM_LBUTTONUP, 0, onGlyph);
  if (::GetCapture() == list.m_hWnd) ::ReleaseCapture();
}

TEST_F(OwnerDrawnList, RowMessages) {
  CWndListEx list;
  AttachList(list, 13, 28);
  Fill(list, 4);
  void* data2 = reinterpret_cast<void*>(INT_PTR{2});
  void* data3 = reinterpret_cast<void*>(INT_PTR{3});
  ::UpdateWindow(list.m_hWnd);
  Press(list, 1, 0);
  const size_t changes = Notes(13, LBN_SELCHANGE);

  // Removing another row tells nothing; the current row's removal tells the
  // parent while no row is current any more.
  EXPECT_EQ(list.RemoveItemByData(data3), 3);
  EXPECT_EQ(Notes(13, LBN_SELCHANGE), changes);
  EXPECT_EQ(list.SendMessage(WM_LISTEX_REMOVEITEM, static_cast<WPARAM>(-1), 0), 3);
  EXPECT_EQ(list.SendMessage(WM_LISTEX_REMOVEITEM, 7, 0), 3);
  EXPECT_EQ(list.RemoveItemByData(data2), 2);
  EXPECT_EQ(Notes(13, LBN_SELCHANGE), changes + 1);
  EXPECT_EQ(list.m_pCurrent, nullptr);

  EXPECT_EQ(list.SendMessage(WM_LISTEX_SWAPITEMS, 1, 1), 0);
  EXPECT_EQ(list.SendMessage(WM_LISTEX_SWAPITEMS, 0, 2), 0);
  void* first = list.m_items[0]->m_pData;
  EXPECT_EQ(list.SendMessage(WM_LISTEX_SWAPITEMS, 0, 1), 1);
  EXPECT_EQ(list.m_items[1]->m_pData, first);

  // Data that no row holds deselects all and keeps the current row.
  list.SendMessage(WM_LISTEX_SELECTDATA, 1, reinterpret_cast<LPARAM>(first));
  EXPECT_EQ(list.m_pCurrent, list.m_items[1]);
  EXPECT_EQ(SelectedMask(list), 0b10u);
  list.SendMessage(WM_LISTEX_SELECTDATA, 1, 999);
  EXPECT_EQ(SelectedMask(list), 0u);
  EXPECT_EQ(list.m_pCurrent, list.m_items[1]);

  list.SetItemText(first, L"renamed");
  EXPECT_EQ(list.m_items[1]->m_strText, L"renamed");
  list.SetItemText(first, nullptr);
  EXPECT_EQ(list.m_items[1]->m_strText, L"renamed");

  list.RemoveAllItems();
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.m_pCurrent, nullptr);
  EXPECT_EQ(Notes(13, LBN_SELCHANGE), changes + 2);
  list.RemoveAllItems();
  EXPECT_EQ(Notes(13, LBN_SELCHANGE), changes + 2) << "no current row, no notification";
}

// An encoded PNG of that size in a memory stream.
IStream* PictureStream(int width, int height) {
  IStream* stream = nullptr;
  if (FAILED(::CreateStreamOnHGlobal(nullptr, TRUE, &stream))) return nullptr;
  Gdiplus::Bitmap picture(width, height, PixelFormat32bppARGB);
  Gdiplus::Graphics(&picture).Clear(Gdiplus::Color(255, 200, 10, 10));
  CLSID png{};
  UINT count = 0, size = 0;
  Gdiplus::GetImageEncodersSize(&count, &size);
  std::vector<unsigned char> storage(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(storage.data());
  Gdiplus::GetImageEncoders(count, size, codecs);
  for (UINT i = 0; i < count; ++i)
    if (std::wstring(codecs[i].MimeType) == L"image/png") png = codecs[i].Clsid;
  picture.Save(stream, &png, nullptr);
  LARGE_INTEGER zero{};
  stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  return stream;
}

TEST_F(OwnerDrawnList, ThumbnailsAreFourByThreeAtTheRowHeight) {
  struct Case {
    int rowHeight, width, height, thumbWidth, thumbHeight;
  };
  const Case cases[] = {{56, 800, 600, 64, 48}, {56, 600, 800, 64, 48}, {28, 800, 600, 26, 20}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.width);
    CWndListEx list;
    AttachList(list, 13, c.rowHeight);
    IStream* stream = PictureStream(c.width, c.height);
    ASSERT_TRUE(stream);
    CWndListEx::CItem* item = list.AddItem(L"picture", stream, nullptr, true);
    stream->Release();
    ASSERT_TRUE(item && item->m_pThumbnail);
    EXPECT_EQ(item->m_rcImage[2], c.thumbWidth);
    EXPECT_EQ(item->m_rcImage[3], c.thumbHeight);
    IStream* junk = nullptr;
    ASSERT_EQ(::CreateStreamOnHGlobal(nullptr, TRUE, &junk), S_OK);
    junk->Write("not a picture", 13, nullptr);
    CWndListEx::CItem* plain = list.AddItem(L"junk", junk, nullptr, true);
    junk->Release();
    EXPECT_EQ(plain->m_pThumbnail, nullptr);
    list.DestroyWindow();
    m_host->DestroyWindow();
    m_host.reset();
    ASSERT_TRUE(CreateHost(L"ListHost"));
  }
}

// The colours a row's text is drawn in: the darkest pixel of the row's text
// area is a core pixel of a glyph.
TEST_F(OwnerDrawnList, RowTextColours) {
  CWndListEx list;
  AttachList(list, 12, 28);
  Fill(list, 3);
  list.m_items[0]->m_bSelected = 1;
  list.m_items[1]->m_bSelected = 1;
  list.m_items[1]->m_bHidden = 1;
  list.m_items[1]->m_bLocked = 1;
  list.m_items[2]->m_bLocked = 1;
  paneltest::PaintedPicture picture(list.m_hWnd);
  picture.Save(L"list_row_colours.png");
  const auto coreColour = [&picture](int row, unsigned background) {
    // Glyph cores are the pixels furthest from the background.
    unsigned best = background;
    int bestDistance = -1;
    for (int y = row * 28 + 2; y < row * 28 + 26; ++y)
      for (int x = 8; x < 120; ++x) {
        const unsigned p = picture.At(x, y);
        const int d = std::abs(static_cast<int>(p >> 16 & 0xFF) - static_cast<int>(background >> 16 & 0xFF)) +
                      std::abs(static_cast<int>(p >> 8 & 0xFF) - static_cast<int>(background >> 8 & 0xFF)) +
                      std::abs(static_cast<int>(p & 0xFF) - static_cast<int>(background & 0xFF));
        if (d > bestDistance) {
          bestDistance = d;
          best = p;
        }
      }
    return best;
  };
  EXPECT_EQ(picture.At(2, 2), 0x00C800u) << "skin band colour";
  EXPECT_EQ(coreColour(0, 0x00C800), 0x0000FFu) << "skin selected-text colour";
  EXPECT_EQ(coreColour(1, 0x00C800), 0x808080u) << "hidden wins over locked and selected";
  EXPECT_EQ(coreColour(2, 0xFFFFFF), 0x005098u) << "locked";
  EXPECT_EQ(picture.At(2, 2 * 28 + 2), 0xFFFFFFu);
}

}  // namespace
