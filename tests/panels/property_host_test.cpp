// The property host with panels of its own: attached to their skin children,
// told of figures and documents through their panel base, their captions in
// the label, and what showing the same panel again does.

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/Image.h"
#include "engine/Types.h"
#include "engine/figures/Line.h"
#include "panels/PropertyHost.h"
#include "tests/panels/panel_fixture.h"

namespace {

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Colors>
    <Back Red="255" Green="255" Blue="255"/>
  </Colors>
  <Text>
    <Language Id="1033">
      <GroupProperties Text="Properties"/>
    </Language>
  </Text>
  <Windows>
    <PropertyTestHost Class="WINDOW" X="40" Y="40" Width="300" Height="300" ClBkGround="Back">
      <Host Class="WINDOW" CommandID="3" X="0" Y="0" Width="260" Height="260" ClBkGround="Back">
        <Caption Class="STATIC" CommandID="98" X="4" Y="0" Width="200" Height="18"/>
        <Block Class="WINDOW" CommandID="99" X="4" Y="26" Width="252" Height="68"/>
        <General Class="WINDOW" CommandID="100" X="4" Y="98" Width="252" Height="158"/>
        <Line Class="WINDOW" CommandID="103" Style="WS_CHILD" X="4" Y="98" Width="252" Height="158"/>
        <Vertex Class="WINDOW" CommandID="115" Style="WS_CHILD" X="4" Y="38" Width="252" Height="218"/>
      </Host>
    </PropertyTestHost>
  </Windows>
</Skin>
)";

std::vector<std::wstring> g_log;

// A panel that writes down what the host asks of it.
class CLoggingPanel : public AvlfWindowImpl<CLoggingPanel>, public CWndSettingsBase {
 public:
  explicit CLoggingPanel(std::wstring name) : m_name(std::move(name)) {}
  static win32::CWndClassInfo& GetWndClassInfo() {
    static win32::CWndClassInfo info = {L"LoggingPanel", 0, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
    return info;
  }
  BEGIN_MSG_MAP(CLoggingPanel)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnSkinInit)
  CHAIN_MSG_MAP(AvlfWindowImpl<CLoggingPanel>)
  END_MSG_MAP()

  LRESULT OnSkinInit(UINT, WPARAM, LPARAM, BOOL&) {
    g_log.push_back(m_name + L" init");
    return 0;
  }
  const wchar_t* GetCaption() override { return m_pFigure ? m_pFigure->m_pszName : nullptr; }
  void Update() override { g_log.push_back(m_name + L" update"); }
  void SetPreviousPanel(int id) override { g_log.push_back(m_name + L" back to " + std::to_wstring(id)); }
  void RefreshValues(int vertex) override { g_log.push_back(m_name + L" values " + std::to_wstring(vertex)); }

  std::wstring m_name;
};

class PropertyHost : public paneltest::PanelFixture {
 protected:
  void SetUp() override {
    g_log.clear();
    LoadSkin(kSkin);
    ASSERT_TRUE(CreateHost(L"PropertyTestHost"));
    m_host.HostPanel(m_line, PANEL_LINE);
    m_host.HostPanel(m_general, PANEL_GENERAL);
    m_host.HostPanel(m_vertex, PANEL_VERTEX);
    ASSERT_TRUE(Attach(m_host, 3));
  }
  std::vector<std::wstring> Log() {
    std::vector<std::wstring> log;
    log.swap(g_log);
    return log;
  }

  CLoggingPanel m_line{L"line"}, m_general{L"general"}, m_vertex{L"vertex"};
  CWndProperties m_host;
};

using Calls = std::vector<std::wstring>;

TEST_F(PropertyHost, HostedPanelsAreAttachedInOrderAndToldThroughTheirBase) {
  EXPECT_EQ(Log(), (Calls{L"line init", L"general init", L"vertex init"})) << "line 103 before general 100";
  EXPECT_EQ(m_host.m_pCurrentPanel, &m_general);
  EXPECT_EQ(m_host.m_pCurrentFace, &m_general);

  CDTLine line;
  line.Rename(L"#1 length");
  m_host.SetFigure(&line);
  // Every panel takes the figure (and reloads); then the line panel is shown and reloads.
  EXPECT_EQ(Log(), (Calls{L"line update", L"general update", L"vertex update", L"line update"}));
  EXPECT_EQ(m_host.m_pCurrentPanel, &m_line);
  EXPECT_TRUE(::IsWindowVisible(m_line.m_hWnd));
  EXPECT_FALSE(::IsWindowVisible(m_general.m_hWnd));
  EXPECT_EQ(m_host.m_pCaptionLabel->m_strText, L"#1 length");

  // The same panel again: the caption only, no update.
  line.Rename(L"#1 renamed");
  m_host.ShowPanel(PANEL_LINE);
  EXPECT_TRUE(Log().empty());
  EXPECT_EQ(m_host.m_pCaptionLabel->m_strText, L"#1 renamed");

  // The vertex panel learns where its back command returns.
  m_host.ShowPanel(PANEL_VERTEX);
  EXPECT_EQ(Log(), (Calls{L"vertex back to 103"}));
  EXPECT_EQ(m_host.m_nPanelId, PANEL_LINE);
  m_host.RefreshValues(2);
  EXPECT_EQ(Log(), (Calls{L"vertex values 2", L"line values 2"}));

  // A null figure keeps the panel; the panels hold none.
  m_host.SetFigure(nullptr);
  EXPECT_EQ(m_host.m_pCurrentPanel, &m_vertex);
  EXPECT_EQ(m_line.m_pFigure, nullptr);
  EXPECT_EQ(m_host.m_pCaptionLabel->m_strText, L"#1 renamed") << "shown until the next panel change";
  m_host.ShowPanel(PANEL_GENERAL);
  EXPECT_EQ(m_host.m_pCaptionLabel->m_strText, L"Properties") << "a face without a caption gives the host's";
}

TEST_F(PropertyHost, SameDocumentAgainRerunsTheFigure) {
  CDTImage document;
  CDTLine line;
  document.m_pSelected = &line;
  m_host.SetDocument(&document);
  EXPECT_EQ(m_host.m_pDocument, &document);
  EXPECT_EQ(m_line.m_pDocument, &document);
  EXPECT_EQ(m_host.m_pFigure, &line);
  EXPECT_EQ(m_host.m_pCurrentPanel, &m_line);
  Log();
  document.m_pSelected = nullptr;
  m_host.SetDocument(&document);
  EXPECT_EQ(m_host.m_pFigure, nullptr);
  EXPECT_EQ(m_line.m_pFigure, nullptr);
  // A null document is handed on but changes no figure.
  m_host.SetDocument(nullptr);
  EXPECT_EQ(m_host.m_pDocument, nullptr);
  EXPECT_EQ(m_line.m_pDocument, nullptr);
}

}  // namespace
