// The property panel host. Least stand-in until its own code arrives; it records its calls
// (app/StandInCalls.h) so that the frame's routing can be checked.
#pragma once

#include <windows.h>

#include "panels/GroupPanel.h"

class CDTElement;
class CDTImage;

// Figure panels are 102 to 113; 100 general, 101 calibration, 114 image.
enum PropertyPanelId {
  PanelGeneral = 100,
  PanelRuler = 101,
  PanelFirstFigure = 102,
  PanelLastFigure = 113,
  PanelImage = 114
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
