// The product skin's main view, shown, with its real canvas holding an
// 800 x 600 grey document. The canvas's events reach the side panels through
// the fixture's router when a test chooses it; otherwise the property host is
// given the document directly.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "app/MeasureView.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "panels/MeasureList.h"
#include "panels/PropertyHost.h"
#include "tests/panels/panel_fixture.h"

namespace paneltest {

// What the main frame tells the measurement list and the property host of
// the canvas; a panel left null is not told.
class CPanelRouter : public CDirectUIMeasureObserver {
 public:
  CWndMeasure* m_pMeasure = nullptr;
  CWndProperties* m_pProperties = nullptr;
  void OnFigureAdded(CDTElement* figure) override {
    if (m_pMeasure) m_pMeasure->OnFigureAdded(figure);
  }
  void OnFigureSelected(CDTElement* figure) override {
    if (m_pMeasure) m_pMeasure->SelectFigure(figure);
    if (m_pProperties) m_pProperties->SetFigure(figure);
  }
  void OnFigureRemoved(CDTElement* figure) override {
    if (m_pMeasure) m_pMeasure->OnFigureRemoved(figure);
  }
  void OnActiveImageChanged(CDTImage* document) override {
    if (m_pMeasure) m_pMeasure->SetDocument(document);
    if (m_pProperties) m_pProperties->SetDocument(document);
  }
  void OnFigureChanged(CDTElement* figure, int vertex) override {
    if (m_pProperties) m_pProperties->RefreshValues(vertex);
    if (m_pMeasure) m_pMeasure->RefreshFigureText(figure);
  }
  void OnFigureVisibilityChanged(CDTElement* figure, BOOL visible) override {
    if (m_pMeasure) m_pMeasure->SetFigureVisible(figure, visible);
  }
  void OnFigureLockChanged(CDTElement* figure, BOOL locked) override {
    if (m_pMeasure) m_pMeasure->SetFigureLocked(figure, locked);
  }
  void OnHistoryChanged(CDTImage* document) override {
    if (m_pMeasure) m_pMeasure->UpdateUndoRedo(document ? TRUE : FALSE);
  }
  void OnZoomChanged(CDTImage* document) override {
    if (m_pProperties) m_pProperties->RefreshZoom(document);
  }
  void OnHistoryRestored(CDTImage* document) override {
    if (m_pProperties) m_pProperties->RefreshStyle(document);
  }
};

class MainViewFixture : public PanelFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(LoadProductSkin()) << "velin.dll beside the test";
    RECT place{20, 20, 20 + 64 + 1000, 20 + 700};
    ASSERT_TRUE(m_view.Create(nullptr, nullptr, &place, L"MainFrame", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN));
    Pump();
    m_canvas = g_pDirectUI;
    ASSERT_TRUE(m_canvas && m_canvas->m_hWnd);
    m_canvas->m_pObserver = Route(m_router) ? &m_router : nullptr;
    RECT rc{0, 0, 800, 600};
    m_document.Create(m_canvas, nullptr, L"document", &rc);
    std::vector<uint32_t> grey(800 * 600, kGrey);
    m_document.UploadFrame(grey.data(), 800, 600, 800 * 4, nullptr);
    PrepareDocument();
    m_canvas->SetActiveImage(&m_document, TRUE);
    if (!m_canvas->m_pObserver) properties().SetDocument(&m_document);
    Pump();
  }
  void TearDown() override {
    g_pDirectUI = m_canvas;
    if (m_canvas && m_canvas->m_hWnd) {
      m_canvas->SetActiveImage(nullptr, FALSE);
      m_canvas->DetachElement(&m_document);
      m_canvas->m_pObserver = nullptr;
    }
    if (m_view.m_hWnd) m_view.DestroyWindow();
    PanelFixture::TearDown();
  }
  // Chooses which panels the canvas's events reach; false: none, the tests
  // tell the panels themselves.
  virtual bool Route(CPanelRouter&) { return false; }
  // The document before it is shown, for a calibration say.
  virtual void PrepareDocument() {}

  static constexpr uint32_t kGrey = 0xFF808080u;

  CWndProperties& properties() { return m_view.m_wndProcess.m_wndProperties; }
  CWndMeasure& measure() { return m_view.m_wndProcess.m_wndMeasure; }
  // What a control sends its panel when clicked, or after a pick.
  static void Command(AvlfWindowBase& panel, int id) {
    AvlfWindowBase* control = panel.FindChildByCommandId(id);
    ASSERT_TRUE(control && control->m_hWnd) << id;
    ::SendMessageW(panel.m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control->m_hWnd));
  }

  COrvelMeasureView m_view;
  CPanelRouter m_router;
  CDirectUI* m_canvas = nullptr;
  CDTImage m_document;
};

}  // namespace paneltest
