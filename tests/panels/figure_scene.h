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
#include "tests/panels/main_view_fixture.h"

namespace figscene {

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

class FigureScene : public paneltest::MainViewFixture {
 protected:
  void SetUp() override {
    MainViewFixture::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(host().m_hWnd);
  }
  void TearDown() override {
    MainViewFixture::TearDown();
    m_saved.Restore();
  }
  // Only the property host hears the canvas here.
  bool Route(paneltest::CPanelRouter& router) override {
    router.m_pProperties = &properties();
    return true;
  }
  void PrepareDocument() override {
    const double scale = 0.01;
    m_document.SetReferenceScale(&scale, 1);
    m_document.SetUnit(L"cm");
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

  SavedSettings m_saved;
};

}  // namespace figscene
