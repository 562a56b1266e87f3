// The clip-art tile on real windows: where a picture is drawn in the square,
// where the square sits in the window, the underline that loading gives, and
// a picture too small to draw that still keeps its path.

#include <windows.h>

#include <gdiplus.h>

#include <array>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "panels/ClipartPanel.h"
#include "panels/ClipartTile.h"
#include "tests/panels/panel_fixture.h"

namespace {

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Colors>
    <Back Red="255" Green="255" Blue="255"/>
  </Colors>
  <Windows>
    <Host Class="WINDOW" X="40" Y="40" Width="200" Height="60" ClBkGround="Back">
      <Small Class="WINDOW" CommandID="10" X="0" Y="0" Width="30" Height="30"/>
      <Wide Class="WINDOW" CommandID="11" X="40" Y="0" Width="60" Height="40"/>
      <Third Class="WINDOW" CommandID="12" X="110" Y="0" Width="44" Height="44"/>
    </Host>
  </Windows>
</Skin>
)";

std::wstring SavePicture(const wchar_t* name, int width, int height) {
  wchar_t folder[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, folder);
  const std::wstring path = std::wstring(folder) + L"\\" + name;
  Gdiplus::Bitmap bitmap(width, height, PixelFormat32bppARGB);
  {
    Gdiplus::Graphics graphics(&bitmap);
    graphics.Clear(Gdiplus::Color(0xFFFF0000));
  }
  CLSID png{0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
  EXPECT_EQ(bitmap.Save(path.c_str(), &png, nullptr), Gdiplus::Ok);
  return path;
}

// The import dialogs the panel opened, with the owner each got; cancelled.
std::vector<HWND> g_dialogs;
BOOL WINAPI RecordDialog(OPENFILENAMEW* dialog) {
  g_dialogs.push_back(dialog->hwndOwner);
  return FALSE;
}

TEST(ClipartTileFit, DrawnSizeAndPlace) {
  struct Case {
    int width, height, x, y, dw, dh;
  } cases[] = {
      {100, 50, 0, 9, 36, 18}, {50, 100, 9, 0, 18, 36}, {20, 10, 8, 13, 20, 10},
      {36, 36, 0, 0, 36, 36},  {37, 36, 0, 0, 36, 35},  {1000, 3, 0, 18, 36, 0},
  };
  for (const Case& c : cases) {
    int x = -1, y = -1, dw = -1, dh = -1;
    CWndIcon::FitPicture(c.width, c.height, &x, &y, &dw, &dh);
    EXPECT_EQ((std::array<int, 4>{x, y, dw, dh}), (std::array<int, 4>{c.x, c.y, c.dw, c.dh}))
        << c.width << " x " << c.height;
  }
}

class ClipartTile : public paneltest::PanelFixture {
 protected:
  void SetUp() override {
    LoadSkin(kSkin);
    ASSERT_TRUE(CreateHost(L"Host"));
    ASSERT_TRUE(Attach(m_small, 10));
    ASSERT_TRUE(Attach(m_wide, 11));
    ASSERT_TRUE(Attach(m_third, 12));
    g_dialogs.clear();
    m_panel.m_pfnOpenDialog = RecordDialog;
  }
  void TearDown() override {
    for (CWndIcon* tile : {&m_small, &m_wide, &m_third})
      if (tile->m_hWnd) tile->DestroyWindow();
    paneltest::PanelFixture::TearDown();
  }

  CWndSettingsClipart m_panel;
  CWndIcon m_small{&m_panel}, m_wide{&m_panel}, m_third{&m_panel};
};

TEST_F(ClipartTile, SquareIsCentredInTheWindow) {
  EXPECT_EQ((std::array<int, 4>{m_small.m_nTileX, m_small.m_nTileY, m_small.m_nTileWidth, m_small.m_nTileHeight}),
            (std::array<int, 4>{0, 0, 36, 36}));
  EXPECT_EQ((std::array<int, 2>{m_wide.m_nTileX, m_wide.m_nTileY}), (std::array<int, 2>{12, 2}));
  ::SetWindowPos(m_wide.m_hWnd, nullptr, 0, 0, 80, 50, SWP_NOMOVE | SWP_NOZORDER);
  EXPECT_EQ((std::array<int, 2>{m_wide.m_nTileX, m_wide.m_nTileY}), (std::array<int, 2>{22, 7}));
  ::SetWindowPos(m_wide.m_hWnd, nullptr, 0, 0, 0, 50, SWP_NOMOVE | SWP_NOZORDER);  // ignored
  EXPECT_EQ(m_wide.m_nTileX, 22);
}

TEST_F(ClipartTile, LoadingDrawsThePictureAndUnderlinesIt) {
  const std::wstring path = SavePicture(L"tile_wide.png", 100, 50);
  EXPECT_EQ(m_third.LoadImageFile(path.c_str()), 0);
  EXPECT_EQ(m_third.m_strPath, path);
  EXPECT_EQ(m_third.m_bLoaded, 1);
  EXPECT_EQ(m_third.m_bSelected, 1);
  paneltest::PaintedPicture picture(m_third.m_hWnd);
  picture.Save(L"clipart_tile.png");
  // Square at (4, 4); the picture 36 x 18 at (0, 9) inside it.
  EXPECT_EQ(picture.At(4 + 18, 4 + 18), 0xFF0000u);
  EXPECT_EQ(picture.At(4 + 18, 4 + 4), 0xFFFFFFu);   // above the picture: background
  EXPECT_EQ(picture.At(4 + 18, 44 - 3), 0x005098u);  // the underline
  m_third.SetSelected(FALSE);
  paneltest::PaintedPicture plain(m_third.m_hWnd);
  EXPECT_EQ(plain.At(4 + 18, 44 - 3), 0xFFFFFFu);

  // A click on an unselected tile with a picture selects it; a double click
  // asks the panel for an import (the panel's own tiles are tested with it).
  ::SendMessageW(m_third.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  EXPECT_EQ(m_third.m_bSelected, 1);
  EXPECT_TRUE(g_dialogs.empty());
  ::SendMessageW(m_third.m_hWnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 10));
  EXPECT_EQ(g_dialogs.size(), 1u);
}

TEST_F(ClipartTile, OnePixelPictureKeepsItsPathOnly) {
  // Without a path a click does nothing.
  ::SendMessageW(m_small.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(m_small.m_bSelected, 0);

  const std::wstring thin = SavePicture(L"tile_thin.png", 1, 30);
  m_small.LoadImageFile(thin.c_str());
  EXPECT_EQ(m_small.m_strPath, thin);
  EXPECT_EQ(m_small.m_bLoaded, 0);
  EXPECT_EQ(m_small.m_bSelected, 0);
  m_small.LoadImageFile((thin + L".missing").c_str());
  EXPECT_EQ(m_small.m_strPath, thin + L".missing");
  EXPECT_EQ(m_small.m_bLoaded, 0);
  // The path is enough for a click to choose the tile.
  ::SendMessageW(m_small.m_hWnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  EXPECT_EQ(m_small.m_bSelected, 1);
}

}  // namespace
