// The product skin's main view, shown, with its real canvas holding an
// 800 x 600 grey document that the property host has been given.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "app/MeasureView.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "panels/PropertyHost.h"
#include "tests/panels/panel_fixture.h"

namespace paneltest {

class MainViewFixture : public PanelFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(LoadProductSkin()) << "velin.dll beside the test";
    RECT place{20, 20, 20 + 64 + 1000, 20 + 700};
    ASSERT_TRUE(m_view.Create(nullptr, nullptr, &place, L"MainFrame", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN));
    Pump();
    m_canvas = g_pDirectUI;
    ASSERT_TRUE(m_canvas && m_canvas->m_hWnd);
    // The tests tell the panels themselves; no frame listens in.
    m_canvas->m_pObserver = nullptr;
    RECT rc{0, 0, 800, 600};
    m_document.Create(m_canvas, nullptr, L"document", &rc);
    std::vector<uint32_t> grey(800 * 600, 0xFF808080u);
    m_document.UploadFrame(grey.data(), 800, 600, 800 * 4, nullptr);
    m_canvas->SetActiveImage(&m_document, TRUE);
    properties().SetDocument(&m_document);
    Pump();
  }
  void TearDown() override {
    g_pDirectUI = m_canvas;
    if (m_canvas && m_canvas->m_hWnd) {
      m_canvas->SetActiveImage(nullptr, FALSE);
      m_canvas->DetachElement(&m_document);
    }
    if (m_view.m_hWnd) m_view.DestroyWindow();
    PanelFixture::TearDown();
  }
  CWndProperties& properties() { return m_view.m_wndProcess.m_wndProperties; }
  // What a control sends its panel when clicked, or after a pick.
  static void Command(AvlfWindowBase& panel, int id) {
    AvlfWindowBase* control = panel.FindChildByCommandId(id);
    ASSERT_TRUE(control && control->m_hWnd) << id;
    ::SendMessageW(panel.m_hWnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control->m_hWnd));
  }

  COrvelMeasureView m_view;
  CDirectUI* m_canvas = nullptr;
  CDTImage m_document;
};

}  // namespace paneltest
