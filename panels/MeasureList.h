// The measurement list panel. Least stand-in until its own code arrives; it records its calls
// (app/StandInCalls.h) so that the frame's routing can be checked.
#pragma once

#include <windows.h>

#include "panels/GroupPanel.h"

class CDTElement;
class CDTImage;

// A titled group panel so that the side pane can attach it.
class CWndMeasure : public CWndGroup {
 public:
  CWndMeasure() { m_bGlyphShown = FALSE; }
  void OnFigureAdded(CDTElement* figure);
  void SelectFigure(CDTElement* figure);
  void OnFigureRemoved(CDTElement* figure);
  void SetDocument(CDTImage* document);
  void RefreshFigureText(CDTElement* figure);
  void SetFigureVisible(CDTElement* figure, BOOL visible);
  void SetFigureLocked(CDTElement* figure, BOOL locked);
  void UpdateUndoRedo(BOOL refresh);
  void Undo();
  void Redo();
  void RemoveAll();
};

extern CWndMeasure* g_pWndMeasure;
