// The property group of the side pane: a caption label, the common style
// block and the property panels, one of them shown at a time. It hands the
// current document and figure to the panels, picks the panel that fits the
// selected figure and forwards value, style and zoom changes.
#pragma once

#include <windows.h>

#include <vector>

#include "panels/GroupPanel.h"
#include "panels/PanelBase.h"

class AvlfUiElementText;
class CDTElement;
class CDTImage;

// The property panels by skin CommandID.
enum PropertyPanelId {
  PANEL_GENERAL = 100,
  PANEL_RULER = 101,
  PANEL_ANGLE = 102,
  PANEL_LINE = 103,
  PANEL_PARALLEL_LINES = 104,
  PANEL_POINT2LINE = 105,
  PANEL_CURVE = 106,
  PANEL_CIRCLE = 107,
  PANEL_ELLIPSE = 108,
  PANEL_RECTANGLE = 109,
  PANEL_POLYGON = 110,
  PANEL_CURVE_POLYGON = 111,
  PANEL_TEXT = 112,
  PANEL_CLIPART = 113,
  PANEL_ZOOM = 114,
  PANEL_VERTEX = 115,
  PANEL_MAGNIFIER = 116,
  // The shell's names: the figure panels are 102 to 113.
  PanelGeneral = PANEL_GENERAL,
  PanelRuler = PANEL_RULER,
  PanelFirstFigure = PANEL_ANGLE,
  PanelLastFigure = PANEL_CLIPART,
  PanelImage = PANEL_ZOOM
};

// The panel that shows a selected figure of that DrawType; 0 for none.
int PanelForFigureType(int type);

class CWndProperties : public CWndGroup {
 public:
  static constexpr int kCaptionLabelId = 98;
  static constexpr int kStyleBlockId = 99;

  CWndProperties();
  ~CWndProperties() override;

  BEGIN_MSG_MAP(CWndProperties)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnSkinInitMessage)
  CHAIN_MSG_MAP(CWndGroup)
  END_MSG_MAP()

  void ShowPanel(int id);
  void SetDocument(CDTImage* document);
  void SetFigure(CDTElement* figure);
  void RefreshValues(int vertex);
  void RefreshStyle(CDTImage* document);
  void RefreshZoom(CDTImage* document);

  // Makes a panel object one of the host's panels: attached to the skin
  // child `id` at skin initialisation and reached through its
  // CWndSettingsBase face. Panels not hosted are simply absent; their skin
  // child, when there is one, is still shown and hidden with no face.
  template <class TPanel>
  void HostPanel(TPanel& panel, int id) {
    m_panels.push_back({id, &panel, &panel, [](AvlfWindowBase* owner, AvlfWindowBase* window, int commandId) {
                          return AttachSkinChild(owner, *static_cast<TPanel*>(window), commandId);
                        }});
  }
  // The hosted panel's face for that id, or null.
  CWndSettingsBase* FindPanel(int id) const;

  AvlfUiElementText* m_pCaptionText = nullptr;
  CDTImage* m_pDocument = nullptr;
  CDTElement* m_pFigure = nullptr;
  AvlfWindowBase* m_pCurrentPanel = nullptr;
  CWndSettingsBase* m_pCurrentFace = nullptr;
  int m_nPanelId = PANEL_RULER;
  AvlfWindowBase* m_pCaptionLabel = nullptr;
  CWndSettingsMeasurements m_wndMeasurements;

 private:
  struct HostedPanel {
    int id;
    AvlfWindowBase* window;
    CWndSettingsBase* face;
    bool (*attach)(AvlfWindowBase* owner, AvlfWindowBase* window, int commandId);
    bool attached = false;
  };

  LRESULT OnSkinInitMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& handled);
  const HostedPanel* Find(int id) const;
  void ShowCaption();

  std::vector<HostedPanel> m_panels;
};

extern CWndProperties* g_pWndProperties;
