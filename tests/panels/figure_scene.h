// The product skin's main view with its real canvas and property host, a
// grey 800 x 600 picture at 100 pixels to the centimetre, and the canvas
// events the main frame passes to the host. Figures are made as the figure
// store makes them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/MeasureView.h"
#include "engine/DirectUI.h"
#include "engine/FigureTypes.h"
#include "engine/Image.h"
#include "engine/figures/Draw.h"
#include "panels/PropertyHost.h"
#include "settings/Configuration.h"
#include "tests/panels/panel_fixture.h"

namespace figscene {

// What the main frame tells the property host of the canvas.
class CHostRouting : public CDirectUIMeasureObserver {
 public:
  CWndProperties* m_pHost = nullptr;
  void OnFigureAdded(CDTElement*) override {}
  void OnFigureSelected(CDTElement* figure) override { m_pHost->SetFigure(figure); }
  void OnActiveImageChanged(CDTImage* document) override { m_pHost->SetDocument(document); }
  void OnFigureChanged(CDTElement*, int vertex) override { m_pHost->RefreshValues(vertex); }
  void OnHistoryRestored(CDTImage* document) override { m_pHost->RefreshStyle(document); }
};

// The settings the panels write, put back after each test.
struct SavedSettings {
  DWORD precision = g_Config.m_DecimalPrecision;
  DWORD angle4 = g_Config.m_Angle4Pts;
  DWORD show = g_Config.m_ShowMeasureResult;
  DWORD background = g_Config.m_TextBackground;
  DWORD border = g_Config.m_TextBorder;
  double power = g_Config.m_MultiPower;
  double scale = g_Config.m_ReferenceScale;
  std::wstring unit = g_Config.CopyUnit();
  void Restore() const {
    g_Config.m_DecimalPrecision = precision;
    g_Config.m_Angle4Pts = angle4;
    g_Config.m_ShowMeasureResult = show;
    g_Config.m_TextBackground = background;
    g_Config.m_TextBorder = border;
    g_Config.m_MultiPower = power;
    g_Config.m_ReferenceScale = scale;
    g_Config.SetUnit(unit.c_str());
  }
};

class FigureScene : public paneltest::PanelFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(LoadProductSkin()) << "velin.dll beside the test";
    RECT place{20, 20, 20 + 64 + 1000, 20 + 700};
    ASSERT_TRUE(m_view.Create(nullptr, nullptr, &place, L"MainFrame", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN));
    paneltest::Pump();
    m_canvas = g_pDirectUI;
    ASSERT_TRUE(m_canvas && m_canvas->m_hWnd);
    ASSERT_TRUE(host().m_hWnd);
    m_routing.m_pHost = &host();
    m_canvas->m_pObserver = &m_routing;
    RECT rc{0, 0, 800, 600};
    m_document.Create(m_canvas, nullptr, L"document", &rc);
    std::vector<uint32_t> grey(800 * 600, 0xFF808080u);
    m_document.UploadFrame(grey.data(), 800, 600, 800 * 4, nullptr);
    const double scale = 0.01;
    m_document.SetReferenceScale(&scale, 1);
    m_document.SetUnit(L"cm");
    m_canvas->SetActiveImage(&m_document, TRUE);
    paneltest::Pump();
  }
  void TearDown() override {
    if (m_canvas && m_canvas->m_hWnd) {
      m_canvas->SetActiveImage(nullptr, FALSE);
      m_canvas->DetachElement(&m_document);
      m_canvas->m_pObserver = nullptr;
    }
    if (m_view.m_hWnd) m_view.DestroyWindow();
    m_saved.Restore();
    PanelFixture::TearDown();
  }
  CWndProperties& host() { return m_view.m_wndProcess.m_wndProperties; }

  // A figure of that type through picture-pixel vertices, in the document.
  CDTDraw* Add(int type, std::vector<PointF> vertices, const wchar_t* name) {
    const FigureType* row = FindFigureType(type);
    if (!row || !row->createDefault) return nullptr;
    CDTDraw* figure = row->createDefault();
    figure->m_nType = type;
    figure->m_vertices = std::move(vertices);
    figure->AttachToDocument(&m_document);
    RECT empty{};
    if (FAILED(figure->Create(m_canvas, &m_document, name, &empty))) return nullptr;
    figure->m_bComplete = 1;
    figure->Rename(name);
    return figure;
  }

  // A click on a control of a panel, as the button reports it to its parent.
  static void Click(HWND panel, int id) {
    ::PostMessageW(panel, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(panel, id)));
    paneltest::Pump();
  }

  static std::wstring TextOf(HWND window) {
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, 512);
    return text;
  }

  COrvelMeasureView m_view;
  CHostRouting m_routing;
  CDirectUI* m_canvas = nullptr;
  CDTImage m_document;
  SavedSettings m_saved;
};

}  // namespace figscene
