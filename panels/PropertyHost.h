// The property panel host. Least stand-in until its own code arrives; it records its calls
// (app/StandInCalls.h) so that the frame's routing can be checked.
#pragma once

#include <windows.h>

#include "panels/GroupPanel.h"

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

// A titled group panel so that the side pane can attach it.
class CWndProperties : public CWndGroup {
 public:
  CWndProperties() { m_bGlyphShown = FALSE; }
  void SetFigure(CDTElement* figure);
  void ShowPanel(int id);
  void SetDocument(CDTImage* document);
  void RefreshValues(int vertex);
  void RefreshZoom(CDTImage* document);
  void RefreshStyle(CDTImage* document);
  int m_nPanelId = PanelGeneral;
};

extern CWndProperties* g_pWndProperties;
