// The clip-art panel in the product skin's main view, on its real canvas and
// tool palette: the opacity in percent both ways, imports filling the tiles
// and then replacing the selected one, a tile click choosing the clip-art
// tool, placing a clip-art at the canvas centre, and the scale switch.

#include <windows.h>

#include <dlgs.h>
#include <gdiplus.h>

#include <cwchar>
#include <deque>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/OpenFiles.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/Types.h"
#include "engine/figures/Clipart.h"
#include "panels/ClipartPanel.h"
#include "panels/PropertyHost.h"
#include "panels/ToolPalette.h"
#include "settings/Configuration.h"
#include "tests/panels/main_view_fixture.h"
#include "tests/panels/screen_shot.h"
#include "toolkit/Buttons.h"
#include "toolkit/Slider.h"

namespace {

// A solid PNG picture in the work folder; its full path.
std::wstring MakePicture(const wchar_t* name, Gdiplus::ARGB colour, int width = 40, int height = 30) {
  wchar_t folder[MAX_PATH] = {};
  ::GetCurrentDirectoryW(MAX_PATH, folder);
  const std::wstring path = std::wstring(folder) + L"\\" + name;
  Gdiplus::Bitmap bitmap(width, height, PixelFormat32bppARGB);
  {
    Gdiplus::Graphics graphics(&bitmap);
    graphics.Clear(Gdiplus::Color(colour));
  }
  const CLSID png{0x557cf406, 0x1a04, 0x11d3, {0x9a, 0x73, 0x00, 0x00, 0xf8, 0x1e, 0xf3, 0x2e}};
  EXPECT_EQ(bitmap.Save(path.c_str(), &png, nullptr), Gdiplus::Ok);
  return path;
}

// The import dialog as the user answers it: the next queued file, or a
// cancel when none is queued. What the dialog was given is kept.
std::deque<std::wstring> g_answers;
struct ShownDialog {
  std::wstring title;
  std::wstring filter;
  DWORD flags;
  bool hooked;
  DWORD fileChars;
};
std::vector<ShownDialog> g_shown;

BOOL WINAPI AnswerDialog(OPENFILENAMEW* dialog) {
  const wchar_t* filter = dialog->lpstrFilter;
  std::wstring filterText;
  for (const wchar_t* at = filter; at && *at; at += std::wcslen(at) + 1) filterText += std::wstring(at) + L"|";
  g_shown.push_back({dialog->lpstrTitle ? dialog->lpstrTitle : L"", filterText, dialog->Flags,
                     dialog->lpfnHook == FileDialogHookProc, dialog->nMaxFile});
  if (g_answers.empty()) return FALSE;
  wcsncpy_s(dialog->lpstrFile, dialog->nMaxFile, g_answers.front().c_str(), _TRUNCATE);
  g_answers.pop_front();
  return TRUE;
}

// A person in the real open dialog: once it shows, the path typed into the
// file name box and Open pressed. The dialog's title is kept.
std::wstring g_typed;
std::wstring g_dialogTitle;

BOOL CALLBACK AnswerShownDialog(HWND window, LPARAM) {
  wchar_t name[16] = {};
  ::GetClassNameW(window, name, 16);
  if (std::wstring(name) != L"#32770" || !::IsWindowVisible(window)) return TRUE;
  HWND box = ::GetDlgItem(window, cmb13);
  HWND open = ::GetDlgItem(window, IDOK);
  if (!box || !open) return TRUE;
  wchar_t title[64] = {};
  ::GetWindowTextW(window, title, 64);
  g_dialogTitle = title;
  ::SetWindowTextW(box, g_typed.c_str());
  ::PostMessageW(open, BM_CLICK, 0, 0);
  return FALSE;
}

void CALLBACK LookForDialog(HWND, UINT, UINT_PTR timer, DWORD) {
  if (!::EnumThreadWindows(::GetCurrentThreadId(), AnswerShownDialog, 0)) ::KillTimer(nullptr, timer);
}

class ClipartPanel : public paneltest::MainViewFixture {
 protected:
  void SetUp() override {
    m_savedColour = g_Config.m_ClipartColor;
    m_savedFixed = g_Config.m_ClipartFixS;
    g_answers.clear();
    g_shown.clear();
    MainViewFixture::SetUp();
    ASSERT_TRUE(panel().m_hWnd) << "the host attached the panel";
    panel().m_pfnOpenDialog = AnswerDialog;
  }
  void TearDown() override {
    MainViewFixture::TearDown();
    g_Config.m_ClipartColor = m_savedColour;
    g_Config.m_ClipartFixS = m_savedFixed;
  }
  CWndSettingsClipart& panel() { return m_view.m_wndProcess.m_wndSettingsClipart; }
  void Click(int id) { Command(panel(), id); }
  void Slide(int code, int pos) {
    ::SendMessageW(panel().m_hWnd, WM_HSCROLL, MAKEWPARAM(code, pos),
                   reinterpret_cast<LPARAM>(panel().m_pOpacity->m_hWnd));
  }
  // A click on the palette's clip-art button while the select tool is on.
  void ChooseClipartTool() {
    m_view.m_wndTool.SelectButton(ToolSelect);
    m_canvas->SetTool(DRAW_SELECT);
    AvlfWindowBase* button = m_view.m_wndTool.FindChildByCommandId(ToolClipart);
    ASSERT_TRUE(button && button->m_hWnd);
    ::SendMessageW(m_view.m_wndTool.m_hWnd, WM_COMMAND, MAKEWPARAM(ToolClipart, BN_CLICKED),
                   reinterpret_cast<LPARAM>(button->m_hWnd));
  }
  std::vector<std::wstring> TilePaths() {
    std::vector<std::wstring> paths;
    for (int i = 0; i < CWndSettingsClipart::kTileCount; ++i) paths.push_back(panel().Tile(i)->m_strPath);
    return paths;
  }
  std::vector<int> TilesSelected() {
    std::vector<int> selected;
    for (int i = 0; i < CWndSettingsClipart::kTileCount; ++i) selected.push_back(panel().Tile(i)->m_bSelected);
    return selected;
  }
  std::vector<CDTClipart*> Cliparts() {
    std::vector<CDTClipart*> found;
    for (CDTElement* child : m_document.m_children)
      if (child->m_nKind == 1 && static_cast<CDTDraw*>(child)->m_nType == DRAW_CLIPART)
        found.push_back(static_cast<CDTClipart*>(child));
    return found;
  }
  std::wstring Percent() { return panel().m_pPercent->m_strText; }
  std::wstring Name() { return panel().m_pName->m_strText; }

  DWORD m_savedColour = 0, m_savedFixed = 1;
};

TEST(ClipartOpacity, PercentAndAlphaRoundHalfAwayFromZero) {
  const struct {
    DWORD alpha;
    int percent;
  } shown[] = {{128, 50}, {127, 50}, {255, 100}, {254, 100}, {0, 0}, {1, 0}, {2, 1}, {191, 75}};
  for (const auto& c : shown) EXPECT_EQ(ClipartOpacityPercent(c.alpha << 24 | 0x123456), c.percent) << c.alpha;
  const struct {
    int percent;
    int alpha;
  } picked[] = {{50, 128}, {100, 255}, {0, 0}, {1, 3}, {99, 252}, {25, 64}, {150, 255}, {-5, 0}};
  for (const auto& c : picked) EXPECT_EQ(ClipartAlphaFromPercent(c.percent), c.alpha) << c.percent;
}

TEST(ClipartOpacity, NameIsTheTextAfterTheLastBackslash) {
  const struct {
    const wchar_t* path;
    const wchar_t* name;
  } cases[] = {{L"C:\\art\\logo.png", L"logo.png"},
               {L"C:\\art\\", L"C:\\art\\"},
               {L"a\\b", L"a\\b"},
               {L"logo.png", L"logo.png"},
               {L"", L""}};
  for (const auto& c : cases) EXPECT_STREQ(ClipartFileName(c.path), c.name) << c.path;
}

TEST_F(ClipartPanel, OpacityShowsInPercentAndTheSliderSetsTheDefault) {
  // The stored default's alpha, shown when the panel updates.
  g_Config.m_ClipartColor = 0x80FFFFFF;
  panel().SetFigure(nullptr);
  EXPECT_EQ(Percent(), L"50");
  EXPECT_EQ(panel().m_pOpacity->m_nPos, 50);

  m_canvas->SetClipartColor(0xFF102030, nullptr);
  const struct {
    int code, pos;
    DWORD colour;  // canvas default and setting afterwards
    const wchar_t* percent;
  } moves[] = {
      {SB_THUMBPOSITION, 50, 0x80102030, L"50"},
      {SB_ENDSCROLL, 100, 0xFF102030, L"100"},
      {SB_THUMBPOSITION, 0, 0x00102030, L"0"},
      {SB_THUMBTRACK, 70, 0x00102030, L"0"},  // the press alone changes nothing
      {SB_THUMBPOSITION, 25, 0x40102030, L"25"},
  };
  for (const auto& m : moves) {
    SCOPED_TRACE(m.pos);
    Slide(m.code, m.pos);
    EXPECT_EQ(m_canvas->m_clrClipart, m.colour);
    EXPECT_EQ(g_Config.m_ClipartColor, m.colour);
    EXPECT_EQ(Percent(), m.percent);
  }

  // Without a document the slider does nothing.
  panel().SetDocument(nullptr);
  Slide(SB_THUMBPOSITION, 90);
  EXPECT_EQ(m_canvas->m_clrClipart, 0x40102030u);
}

TEST_F(ClipartPanel, ImportsFillTheTilesThenReplaceTheSelectedOne) {
  properties().ShowPanel(PANEL_CLIPART);
  std::vector<std::wstring> files;
  const Gdiplus::ARGB colours[] = {0xFFFF0000, 0xFF00A000, 0xFF0000FF, 0xFFFFA000, 0xFF800080, 0xFF00A0A0};
  for (int i = 0; i < 6; ++i)
    files.push_back(MakePicture((L"clip" + std::to_wstring(i + 1) + L".png").c_str(), colours[i]));

  for (int i = 0; i < 5; ++i) {
    g_answers.push_back(files[i]);
    Click(CLIPART_IMPORT);
  }
  EXPECT_EQ(TilePaths(), (std::vector<std::wstring>{files[0], files[1], files[2], files[4]}))
      << "the fifth replaces the selected fourth";
  EXPECT_EQ(TilesSelected(), (std::vector<int>{0, 0, 0, 1}));
  EXPECT_EQ(Name(), L"clip5.png");
  ASSERT_TRUE(m_canvas->m_pszClipartFile);
  EXPECT_EQ(std::wstring(m_canvas->m_pszClipartFile), files[4]);

  // What the dialog was given.
  ASSERT_EQ(g_shown.size(), 5u);
  EXPECT_EQ(g_shown[0].title, L"Import Clip Art");
  EXPECT_EQ(g_shown[0].filter, L"Image Files|*.bmp;*.jpg;*.png;|");
  const DWORD flags = OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_FILEMUSTEXIST | OFN_EXPLORER | OFN_ENABLESIZING;
  EXPECT_EQ(g_shown[0].flags & flags, flags);
  EXPECT_TRUE(g_shown[0].hooked);
  EXPECT_EQ(g_shown[0].fileChars, 260u);

  // A cancelled dialog changes nothing.
  Click(CLIPART_IMPORT);
  EXPECT_EQ(TilePaths()[3], files[4]);
  EXPECT_EQ(Name(), L"clip5.png");

  // A double click on tile 3 imports into tile 3, whatever the others hold.
  g_answers.push_back(files[5]);
  ::SendMessageW(panel().Tile(2)->m_hWnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(20, 20));
  EXPECT_EQ(TilePaths(), (std::vector<std::wstring>{files[0], files[1], files[5], files[4]}));
  EXPECT_EQ(TilesSelected(), (std::vector<int>{0, 0, 1, 0}));

  // A click on tile 1: the clip-art tool, its picture and name.
  m_canvas->SetTool(DRAW_SELECT);
  const POINT at = paneltest::ScreenPoint(panel().Tile(0)->m_hWnd, 28, 24);
  ASSERT_TRUE(realinput::BringToFront(m_view.m_hWnd));
  paneltest::MoveMouseTo(at.x, at.y);
  paneltest::MouseButton(MOUSEEVENTF_LEFTDOWN);
  paneltest::MouseButton(MOUSEEVENTF_LEFTUP);
  EXPECT_TRUE(paneltest::PumpUntil([&] { return panel().Tile(0)->m_bSelected == 1; }));
  EXPECT_EQ(TilesSelected(), (std::vector<int>{1, 0, 0, 0}));
  EXPECT_EQ(m_canvas->m_nTool, DRAW_CLIPART);
  EXPECT_EQ(std::wstring(m_canvas->m_pszClipartFile), files[0]);
  EXPECT_EQ(Name(), L"clip1.png");
  EXPECT_EQ(properties().m_pCurrentPanel, &panel()) << "the palette's clip-art button shows the panel";

  // The tiles on the panel's white band, the first underlined.
  paneltest::SaveScreenShot(properties().m_hWnd, L"clipart_panel.png");
  paneltest::PaintedPicture tile(panel().Tile(0)->m_hWnd);
  EXPECT_EQ(tile.At(28, 24), 0xFF0000u) << "the red picture";
  EXPECT_EQ(tile.At(2, 2), 0xFFFFFFu) << "the band behind the tile";
  EXPECT_EQ(tile.At(28, 48 - 3), 0x005098u) << "the underline";
}

TEST_F(ClipartPanel, RealDialogImportsIntoTheDoubleClickedTile) {
  panel().m_pfnOpenDialog = ::GetOpenFileNameW;
  g_typed = MakePicture(L"typed.png", 0xFF2060C0);
  g_dialogTitle.clear();
  const UINT_PTR timer = ::SetTimer(nullptr, 0, 100, LookForDialog);
  ::SendMessageW(panel().Tile(1)->m_hWnd, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(20, 20));
  ::KillTimer(nullptr, timer);
  EXPECT_EQ(g_dialogTitle, L"Import Clip Art");
  EXPECT_EQ(TilePaths(), (std::vector<std::wstring>{L"", g_typed, L"", L""}));
  EXPECT_EQ(Name(), L"typed.png");
  ASSERT_TRUE(m_canvas->m_pszClipartFile);
  EXPECT_EQ(std::wstring(m_canvas->m_pszClipartFile), g_typed);
}

TEST_F(ClipartPanel, ChoosingTheToolPlacesAClipartAtTheCentre) {
  // No tile yet: the tool asks for a picture; a cancel places nothing.
  ChooseClipartTool();
  EXPECT_EQ(g_shown.size(), 1u);
  EXPECT_TRUE(Cliparts().empty());
  EXPECT_EQ(m_canvas->m_nTool, DRAW_CLIPART);

  // Again with an answer: imported into tile 1 and placed at the centre.
  const std::wstring picture = MakePicture(L"centre.png", 0xFF00C000, 60, 40);
  g_answers.push_back(picture);
  ChooseClipartTool();
  EXPECT_EQ(g_shown.size(), 2u);
  EXPECT_EQ(TilePaths()[0], picture);
  ASSERT_EQ(Cliparts().size(), 1u);
  const CDTClipart* placed = Cliparts()[0];
  ASSERT_FALSE(placed->m_handles.empty());
  RECT canvas{};
  ::GetClientRect(m_canvas->m_hWnd, &canvas);
  // The 60 x 40 picture's four corners lie around the window's centre.
  ASSERT_GE(placed->m_handles.size(), 4u);
  float x = 0, y = 0;
  for (int i = 0; i < 4; ++i) {
    x += placed->m_handles[i]->cx / 4;
    y += placed->m_handles[i]->cy / 4;
  }
  EXPECT_NEAR(x, canvas.right / 2.0f, 1.0f);
  EXPECT_NEAR(y, canvas.bottom / 2.0f, 1.0f);
  EXPECT_NEAR(placed->m_handles[2]->cx - placed->m_handles[0]->cx, 60.0f, 1.0f);

  // With a tile filled the tool places at once, without a dialog.
  ChooseClipartTool();
  EXPECT_EQ(g_shown.size(), 2u);
  EXPECT_EQ(Cliparts().size(), 2u);

  // No picture shown: nothing is placed.
  m_canvas->SetActiveImage(nullptr, FALSE);
  ChooseClipartTool();
  EXPECT_EQ(Cliparts().size(), 2u);
  m_canvas->SetActiveImage(&m_document, TRUE);
}

TEST_F(ClipartPanel, SliderAndScaleActOnTheHeldClipart) {
  g_answers.push_back(MakePicture(L"held.png", 0xFF0000FF));
  ChooseClipartTool();
  ASSERT_EQ(Cliparts().size(), 1u);
  CDTClipart* clipart = Cliparts()[0];
  clipart->m_clrLine = 0xFF123456;
  m_document.m_pSelected = clipart;
  properties().SetDocument(&m_document);
  EXPECT_EQ(panel().m_pFigure, clipart);
  EXPECT_EQ(properties().m_pCurrentPanel, &panel());
  EXPECT_EQ(Percent(), L"100");

  const DWORD canvasDefault = m_canvas->m_clrClipart;
  Slide(SB_THUMBPOSITION, 50);
  EXPECT_EQ(clipart->m_clrLine, 0x80123456u);
  EXPECT_EQ(g_Config.m_ClipartColor, 0x80123456u) << "the figure's colour with the new alpha";
  EXPECT_EQ(m_canvas->m_clrClipart, canvasDefault);

  // The scale switch inverts the setting and sets the figure's flag.
  g_Config.m_ClipartFixS = 1;
  clipart->m_bFixed = 1;
  Click(CLIPART_SCALE);
  EXPECT_EQ(g_Config.m_ClipartFixS, 0u);
  EXPECT_EQ(clipart->m_bFixed, 0);
  EXPECT_TRUE(panel().m_pScale->GetCheck()) << "checked while clip-art scales";
  Click(CLIPART_SCALE);
  EXPECT_EQ(g_Config.m_ClipartFixS, 1u);
  EXPECT_EQ(clipart->m_bFixed, 1);
  EXPECT_FALSE(panel().m_pScale->GetCheck());
  m_document.m_pSelected = nullptr;
}

}  // namespace
