// The measurement list and the property host in the product skin's main view,
// on its real canvas with a document of real figures; the canvas reports to
// the two panels as the main frame passes its events on.

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include <gdiplus.h>

#include <gtest/gtest.h>

#include "app/MeasureView.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/FigureTypes.h"
#include "engine/figures/Ruler.h"
#include "engine/figures/Draw.h"
#include "panels/MeasureList.h"
#include "panels/PropertyHost.h"
#include "settings/Configuration.h"
#include "tests/panels/main_view_fixture.h"
#include "toolkit/Buttons.h"

namespace {

struct Box {
  int x, y, w, h;
  bool operator==(const Box&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Box& b) {
  return out << "(" << b.x << ", " << b.y << ", " << b.w << ", " << b.h << ")";
}

// What the screen shows of a window, kept as a PNG in the work folder.
void ScreenShot(HWND window, const wchar_t* file) {
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  paneltest::Pump();
  RECT rc{};
  ::GetWindowRect(window, &rc);
  const int width = rc.right - rc.left, height = rc.bottom - rc.top;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, width, height, screen, rc.left, rc.top, SRCCOPY);
  ::SelectObject(memory, old);
  UINT count = 0, size = 0;
  Gdiplus::GetImageEncodersSize(&count, &size);
  std::vector<unsigned char> storage(size);
  auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(storage.data());
  Gdiplus::GetImageEncoders(count, size, codecs);
  for (UINT i = 0; i < count; ++i) {
    if (std::wstring(codecs[i].MimeType) != L"image/png") continue;
    Gdiplus::Bitmap picture(bitmap, nullptr);
    picture.Save(file, &codecs[i].Clsid, nullptr);
  }
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
}

Box PlaceOf(HWND child) {
  RECT rc{};
  ::GetWindowRect(child, &rc);
  ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&rc), 2);
  return {rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top};
}

class SidePanels : public paneltest::MainViewFixture {
 protected:
  void SetUp() override {
    m_savedPrecision = g_Config.m_DecimalPrecision;
    MainViewFixture::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(measure().m_list.m_hWnd);
    ASSERT_TRUE(properties().m_hWnd);
  }
  void TearDown() override {
    MainViewFixture::TearDown();
    g_Config.m_DecimalPrecision = m_savedPrecision;
  }
  bool Route(paneltest::CPanelRouter& router) override {
    router.m_pMeasure = &measure();
    router.m_pProperties = &properties();
    return true;
  }
  void PrepareDocument() override {
    const double scale = 0.01;  // 100 pixels to the centimetre
    m_document.SetReferenceScale(&scale, 1);
  }
  CWndListEx& list() { return measure().m_list; }

  // A figure built as a project file's loader builds one, reported to the panels.
  CDTDraw* Add(int type, std::vector<PointF> vertices, const wchar_t* name) {
    const FigureType* row = FindFigureType(type);
    if (!row || !row->createDefault) return nullptr;
    CDTDraw* figure = row->createDefault();
    figure->m_nType = type;
    figure->Rename(name);
    figure->m_nPenWeight = 2;
    if (type == DRAW_TEXT) {
      FigureExtra extra;
      extra.hasText = true;
      extra.text = L"note";
      extra.boxWidth = 80.0f;
      extra.boxHeight = 30.0f;
      figure->SetStoredExtra(extra);
    }
    for (const PointF& v : vertices) figure->AppendVertex(v.x, v.y);
    figure->AttachToDocument(&m_document);
    RECT empty{};
    if (FAILED(figure->Create(m_canvas, &m_document, nullptr, &empty))) return nullptr;
    figure->m_bComplete = 1;
    ::CoCreateGuid(&figure->m_guid);
    m_router.OnFigureAdded(figure);
    // As after a drawing gesture: the new state is an undo step.
    m_document.PushHistory();
    return figure;
  }
  CDTDraw* AddLine(int i) {
    const float y = 50.0f + 20.0f * static_cast<float>(i);
    return Add(DRAW_LINE, {{100.0f, y}, {300.0f, y}}, (L"#" + std::to_wstring(i + 1) + L" length").c_str());
  }
  std::vector<std::wstring> Rows() {
    std::vector<std::wstring> rows;
    for (const auto* item : list().m_items) rows.push_back(item->m_strText);
    return rows;
  }
  // A press on a row as a person gives it, with the keys held (the list
  // reads Ctrl and Shift from the thread's key state as well).
  void Click(int row, WPARAM keys = 0) {
    ::UpdateWindow(list().m_hWnd);
    BYTE state[256];
    ::GetKeyboardState(state);
    state[VK_CONTROL] = state[VK_LCONTROL] = (keys & MK_CONTROL) ? 0x80 : 0;
    state[VK_SHIFT] = state[VK_LSHIFT] = (keys & MK_SHIFT) ? 0x80 : 0;
    ::SetKeyboardState(state);
    const LPARAM at = MAKELPARAM(30, row * list().m_nItemHeight + list().m_nItemHeight / 2 - list().m_nScrollPos);
    list().SendMessage(WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
    list().SendMessage(WM_LBUTTONUP, keys, at);
    if (::GetCapture() == list().m_hWnd) ::ReleaseCapture();
    state[VK_CONTROL] = state[VK_LCONTROL] = state[VK_SHIFT] = state[VK_LSHIFT] = 0;
    ::SetKeyboardState(state);
  }
  void PressDelete() {
    list().SendMessage(WM_KEYDOWN, VK_DELETE, 1);
    list().SendMessage(WM_KEYUP, VK_DELETE, 1);
  }
  bool Enabled(const AvlfWindowBase* control) { return control && ::IsWindowEnabled(control->m_hWnd); }

  DWORD m_savedPrecision = 3;
};

TEST_F(SidePanels, RowTextsPerTypeAtPrecisionOneAndThree) {
  // Worked values at 100 pixels to the centimetre.
  Add(DRAW_LINE, {{100.0f, 100.0f}, {400.0f, 500.0f}}, L"#1 length");                    // 500 px
  Add(DRAW_ANGLE, {{300.0f, 300.0f}, {100.0f, 100.0f}, {300.0f, 100.0f}}, L"#2 angle");  // apex in the middle
  Add(DRAW_RECTANGLE, {{100.0f, 100.0f}, {300.0f, 100.0f}, {300.0f, 400.0f}, {100.0f, 400.0f}}, L"#3 rectangle");
  Add(DRAW_TEXT, {{500.0f, 100.0f}, {580.0f, 130.0f}}, L"#4 text");
  ASSERT_EQ(list().GetCount(), 4);
  g_Config.m_DecimalPrecision = 1;
  measure().RefreshFigureText(nullptr);
  EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"#1 length, 5.0 cm", L"#2 angle, 45.0\u00B0",
                                               L"#3 rectangle, 6.0 cm\u00B2", L"#4 text"}));
  paneltest::PaintedPicture(list().m_hWnd).Save(L"measure_list_precision1.png");
  g_Config.m_DecimalPrecision = 3;
  measure().RefreshFigureText(nullptr);
  EXPECT_EQ(Rows(), (std::vector<std::wstring>{L"#1 length, 5.000 cm", L"#2 angle, 45.000\u00B0",
                                               L"#3 rectangle, 6.000 cm\u00B2", L"#4 text"}));
  // A new unit reaches the rows through the recalibration.
  m_document.SetUnit(L"mm");
  measure().RefreshFigureText(nullptr);
  EXPECT_EQ(Rows()[0], L"#1 length, 5.000 mm");
  ScreenShot(m_view.m_hWnd, L"side_pane.png");
}

TEST_F(SidePanels, DeleteKeyCases) {
  struct Case {
    const char* what;
    int rows;
    std::vector<int> selected;  // clicked, the first plainly, the others with Ctrl
    int selectedAfter;          // the former index of the figure selected afterwards
  };
  const Case cases[] = {
      {"second of five", 5, {1}, 2},
      {"second and third of six", 6, {1, 2}, 4},
      {"the last", 4, {3}, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<CDTDraw*> figures;
    for (int i = 0; i < c.rows; ++i) figures.push_back(AddLine(i));
    ASSERT_EQ(list().GetCount(), c.rows);
    for (size_t k = 0; k < c.selected.size(); ++k) Click(c.selected[k], k ? MK_CONTROL : 0);
    PressDelete();
    EXPECT_EQ(list().GetCount(), c.rows - static_cast<int>(c.selected.size()));
    EXPECT_EQ(m_document.m_pSelected, figures[static_cast<size_t>(c.selectedAfter)]);
    ASSERT_TRUE(list().m_pCurrent);
    EXPECT_EQ(list().m_pCurrent->m_pData, figures[static_cast<size_t>(c.selectedAfter)]);
    measure().RemoveAll();
    ASSERT_EQ(list().GetCount(), 0);
  }

  // No selected row: the current figure goes; with none, nothing does.
  CDTDraw* a = AddLine(0);
  CDTDraw* b = AddLine(1);
  m_document.SelectElement(b);
  for (auto* item : list().m_items) item->m_bSelected = 0;
  PressDelete();
  ASSERT_EQ(list().GetCount(), 1);
  EXPECT_EQ(list().m_items[0]->m_pData, a);
  m_document.SelectElement(nullptr);
  for (auto* item : list().m_items) item->m_bSelected = 0;
  PressDelete();
  EXPECT_EQ(list().GetCount(), 1);
}

TEST_F(SidePanels, ButtonStatesAtOneAndTwoElements) {
  ASSERT_EQ(m_document.m_children.size(), 1u) << "only the calibration ruler";
  measure().SetDocument(nullptr);
  measure().SetDocument(&m_document);
  EXPECT_EQ(list().GetCount(), 0);
  EXPECT_FALSE(Enabled(measure().m_pRemoveAll));
  EXPECT_FALSE(Enabled(measure().m_pSave));
  CDTDraw* line = AddLine(0);
  EXPECT_TRUE(Enabled(measure().m_pRemoveAll));
  EXPECT_TRUE(Enabled(measure().m_pSave));
  // Removing the last figure through the remove glyph disables them again.
  ::UpdateWindow(list().m_hWnd);
  const RECT row = list().m_items[0]->m_rcItem;
  const LPARAM glyph = MAKELPARAM(row.right - 18, (row.top + row.bottom) / 2);
  list().SendMessage(WM_MOUSEMOVE, 0, glyph);
  list().SendMessage(WM_MOUSEMOVE, 0, glyph);
  ASSERT_EQ(list().m_pHover, list().m_items[0]);
  list().SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, glyph);
  list().SendMessage(WM_LBUTTONUP, 0, glyph);
  if (::GetCapture() == list().m_hWnd) ::ReleaseCapture();
  EXPECT_EQ(list().GetCount(), 0);
  EXPECT_EQ(m_document.m_children.size(), 1u);
  EXPECT_FALSE(Enabled(measure().m_pRemoveAll));
  EXPECT_FALSE(Enabled(measure().m_pSave));
  (void)line;
  // The deletion is one undo step; the undo button, enabled since the figure
  // was drawn, brings it back.
  EXPECT_TRUE(Enabled(measure().m_pUndo));
  measure().SendMessage(WM_COMMAND, MAKEWPARAM(MEASURE_UNDO, BN_CLICKED), 0);
  EXPECT_EQ(list().GetCount(), 1);
  EXPECT_TRUE(Enabled(measure().m_pRedo));
}

TEST_F(SidePanels, VisibilityAndLockOfThreeSelectedRows) {
  std::vector<CDTDraw*> figures;
  for (int i = 0; i < 4; ++i) figures.push_back(AddLine(i));
  Click(0);
  Click(1, MK_CONTROL);
  Click(2, MK_CONTROL);
  ASSERT_EQ(measure().m_pFigure, figures[2]);
  ASSERT_TRUE(measure().m_pVisible && measure().m_pLocked);
  EXPECT_TRUE(measure().m_pVisible->GetCheck());
  EXPECT_FALSE(measure().m_pLocked->GetCheck());
  EXPECT_TRUE(Enabled(measure().m_pVisible));

  measure().SendMessage(WM_COMMAND, MAKEWPARAM(MEASURE_VISIBLE, BN_CLICKED), 0);
  measure().SendMessage(WM_COMMAND, MAKEWPARAM(MEASURE_LOCKED, BN_CLICKED), 0);
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const bool chosen = i < 3;
    EXPECT_EQ(figures[i]->m_bVisible, chosen ? 0 : 1);
    EXPECT_EQ(figures[i]->m_bLocked, chosen ? 1 : 0);
    EXPECT_EQ(list().m_items[i]->m_bHidden, chosen ? 1 : 0);
    EXPECT_EQ(list().m_items[i]->m_bLocked, chosen ? 1 : 0);
  }
  EXPECT_FALSE(measure().m_pVisible->GetCheck());
  EXPECT_TRUE(measure().m_pLocked->GetCheck());
  paneltest::PaintedPicture(list().m_hWnd).Save(L"measure_list_hidden_locked.png");

  // Selecting the calibration ruler deselects every row and disables both.
  m_document.SelectElement(m_document.m_pRuler);
  for (const auto* item : list().m_items) EXPECT_FALSE(item->m_bSelected);
  EXPECT_FALSE(Enabled(measure().m_pVisible));
  EXPECT_FALSE(Enabled(measure().m_pLocked));
}

TEST_F(SidePanels, RemoveAllIsOneUndoStep) {
  for (int i = 0; i < 3; ++i) AddLine(i);
  measure().SendMessage(WM_COMMAND, MAKEWPARAM(MEASURE_REMOVE_ALL, BN_CLICKED), 0);
  EXPECT_EQ(list().GetCount(), 0);
  EXPECT_EQ(m_document.m_children.size(), 1u);
  measure().Undo();
  EXPECT_EQ(list().GetCount(), 3);
  EXPECT_EQ(m_document.m_children.size(), 4u);
  measure().Redo();
  EXPECT_EQ(list().GetCount(), 0);
}

TEST_F(SidePanels, HostShowsThePanelOfTheSelectedFigure) {
  CWndProperties& host = properties();
  ASSERT_TRUE(host.m_wndMeasurements.m_hWnd);
  RECT client{};
  host.GetClientRect(&client);
  const int width = client.right - 8;
  const auto panel = [&host](int id) { return host.FindChildByCommandId(id)->m_hWnd; };
  CDTDraw* line = AddLine(0);
  CDTDraw* rectangle =
      Add(DRAW_RECTANGLE, {{100.0f, 100.0f}, {300.0f, 100.0f}, {300.0f, 400.0f}, {100.0f, 400.0f}}, L"#2 rectangle");
  CDTDraw* text = Add(DRAW_TEXT, {{500.0f, 100.0f}, {580.0f, 130.0f}}, L"#3 text");
  CDTDraw* angle =
      Add(DRAW_ANGLE_PT4, {{100.0f, 100.0f}, {300.0f, 100.0f}, {100.0f, 300.0f}, {300.0f, 300.0f}}, L"#4 angle");

  struct Step {
    const char* what;
    CDTElement* figure;
    int shown;
    int top;  // 98 under the style block, 38 without
    int remembered;
  };
  const Step steps[] = {
      {"line", line, PANEL_LINE, 98, PANEL_LINE},
      {"rectangle", rectangle, PANEL_RECTANGLE, 98, PANEL_RECTANGLE},
      {"text", text, PANEL_TEXT, 98, PANEL_TEXT},
      {"four-point angle", angle, PANEL_ANGLE, 98, PANEL_ANGLE},
      {"ruler", m_document.m_pRuler, PANEL_RULER, 98, PANEL_RULER},
      {"none keeps the panel", nullptr, PANEL_RULER, 98, PANEL_RULER},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.what);
    m_document.SelectElement(step.figure);
    EXPECT_EQ(host.m_nPanelId, step.remembered);
    ASSERT_TRUE(host.m_pCurrentPanel);
    EXPECT_EQ(host.m_pCurrentPanel->m_nCommandID, step.shown);
    EXPECT_TRUE(::IsWindowVisible(panel(step.shown)));
    EXPECT_EQ(PlaceOf(panel(step.shown)), (Box{4, step.top, width, client.bottom - step.top - 4}));
    EXPECT_TRUE(::IsWindowVisible(host.m_wndMeasurements.m_hWnd));
    EXPECT_EQ(PlaceOf(host.m_wndMeasurements.m_hWnd), (Box{4, 26, width, 68}));
  }
  // The vertex panel from the style block: without the block, remembering the panel it came from.
  m_document.SelectElement(rectangle);
  host.m_wndMeasurements.SendMessage(WM_COMMAND, MAKEWPARAM(STYLE_VERTICES, BN_CLICKED), 0);
  EXPECT_EQ(host.m_nPanelId, PANEL_RECTANGLE);
  EXPECT_TRUE(::IsWindowVisible(panel(PANEL_VERTEX)));
  EXPECT_FALSE(::IsWindowVisible(panel(PANEL_RECTANGLE)));
  EXPECT_FALSE(::IsWindowVisible(host.m_wndMeasurements.m_hWnd));
  EXPECT_EQ(PlaceOf(panel(PANEL_VERTEX)), (Box{4, 38, width, client.bottom - 38 - 4}));
  // An id no panel carries changes nothing but the remembered id.
  host.ShowPanel(150);
  EXPECT_EQ(host.m_nPanelId, 150);
  EXPECT_TRUE(::IsWindowVisible(panel(PANEL_VERTEX)));
  EXPECT_EQ(host.m_pCurrentPanel->m_nCommandID, PANEL_VERTEX);
  // The image panel goes without the block; the block comes back with the general panel.
  host.ShowPanel(PANEL_ZOOM);
  EXPECT_FALSE(::IsWindowVisible(panel(PANEL_VERTEX)));
  EXPECT_EQ(PlaceOf(panel(PANEL_ZOOM)), (Box{4, 38, width, client.bottom - 38 - 4}));
  host.ShowPanel(PANEL_GENERAL);
  EXPECT_TRUE(::IsWindowVisible(host.m_wndMeasurements.m_hWnd));
  EXPECT_EQ(PlaceOf(panel(PANEL_GENERAL)), (Box{4, 98, width, client.bottom - 98 - 4}));
  // The general panel titles the host with its own caption.
  ASSERT_TRUE(host.m_pCaptionLabel);
  EXPECT_EQ(host.m_pCaptionLabel->m_strText, L"General");
  ScreenShot(m_view.m_hWnd, L"property_host.png");
}

}  // namespace
