// The tool palette: the column of tool buttons beside the work area. A click
// becomes a canvas tool, a marked button, a property panel, an overlay switch
// or a file command of the main frame.
#pragma once

#include "toolkit/SkinWindow.h"

// The skin CommandIDs of the palette's buttons.
enum ToolButtonId {
  ToolOpen = 1,
  ToolSave = 2,
  ToolSaveAs = 3,
  ToolRegion = 5,
  ToolImageView = 6,
  ToolHistogram = 7,
  ToolMagnifier = 8,
  ToolRuler = 10,
  ToolAngle = 11,
  ToolLine = 12,
  ToolParallel = 13,
  ToolPointLine = 14,
  ToolCurve = 15,
  ToolCircle = 16,
  ToolEllipse = 17,
  ToolRectangle = 18,
  ToolPolygon = 19,
  ToolCurvePolygon = 20,
  ToolText = 21,
  ToolClipart = 22,
  ToolSelect = 24
};

class CWndTool : public AvlfWindowImpl<CWndTool> {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();
  CWndTool();
  ~CWndTool() override;

  BEGIN_MSG_MAP(CWndTool)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnSkinInit)
  MESSAGE_HANDLER(WM_COMMAND, OnCommand)
  CHAIN_MSG_MAP(AvlfWindowImpl<CWndTool>)
  END_MSG_MAP()

  // Marks buttonId alone in the tool group and shows its property panel.
  void SelectButton(int buttonId);
  void ResetToSelect(BOOL on);
  void SetHistogram(BOOL on);
  void ToggleMagnifier();

  // The selected mark of an icon or geometry button; false for any other.
  bool GetMark(int buttonId) const;
  void SetMark(int buttonId, bool on);

  LRESULT OnSkinInit(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled);

  // Region, histogram, magnifier, select, image view, ruler, then the
  // figure tools 11 to 22.
  AvlfWindowBase* m_pButtons[18]{};
};

extern CWndTool* g_pWndTool;
