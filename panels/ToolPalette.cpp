#include "panels/ToolPalette.h"

#include <cwchar>

#include "app/MainFrame.h"
#include "engine/DirectUI.h"
#include "panels/ClipartPanel.h"
#include "panels/PropertyHost.h"
#include "toolkit/Buttons.h"

CWndTool* g_pWndTool = nullptr;

namespace {

constexpr int kPanelGeneral = 100;
constexpr int kPanelRuler = 101;
constexpr int kPanelImage = 114;
constexpr int kPanelMagnifier = 116;
constexpr UINT kHistogramMenuItem = 32802;
constexpr int kHistogramMenuPopup = 4;

// Buttons 11 to 22: canvas tool and property panel.
const struct {
  int tool;
  int panel;
} kFigureTools[] = {
    {DRAW_ANGLE, 102},   {DRAW_LINE, 103},          {DRAW_DISTANCE, 104}, {DRAW_POINT_LINE, 105},
    {DRAW_CURVE, 106},   {DRAW_CIRCLE, 107},        {DRAW_ELLIPSE, 108},  {DRAW_RECTANGLE, 109},
    {DRAW_POLYGON, 110}, {DRAW_CURVE_POLYGON, 111}, {DRAW_TEXT, 112},     {DRAW_CLIPART, 113},
};

const int kButtonOrder[18] = {ToolRegion,
                              ToolHistogram,
                              ToolMagnifier,
                              ToolSelect,
                              ToolImageView,
                              ToolRuler,
                              11,
                              12,
                              13,
                              14,
                              15,
                              16,
                              17,
                              18,
                              19,
                              20,
                              21,
                              22};

bool IsToolGroup(int id) { return id == ToolImageView || (id >= ToolRuler && id <= ToolClipart) || id == ToolSelect; }
// The buttons that the region switch and ResetToSelect walk: the group
// without the ruler.
bool IsResetGroup(int id) { return id == ToolImageView || (id >= ToolAngle && id <= ToolClipart) || id == ToolSelect; }

int PanelOf(int id) {
  if (id >= ToolAngle && id <= ToolClipart) return kFigureTools[id - ToolAngle].panel;
  switch (id) {
    case ToolImageView:
      return kPanelImage;
    case ToolMagnifier:
      return kPanelMagnifier;
    case ToolRuler:
      return kPanelRuler;
    case ToolSelect:
      return kPanelGeneral;
    default:
      return 0;
  }
}

void ShowPanel(int panel) {
  if (g_pWndProperties) g_pWndProperties->ShowPanel(panel);
}

// The canvas the tools go to.
CDirectUI* Canvas() { return g_pDirectUI; }

}  // namespace

win32::CWndClassInfo& CWndTool::GetWndClassInfo() {
  static win32::CWndClassInfo info = {L"WndTool", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

CWndTool::CWndTool() {
  if (!g_pWndTool) g_pWndTool = this;
}

CWndTool::~CWndTool() {
  if (g_pWndTool == this) g_pWndTool = nullptr;
}

bool CWndTool::GetMark(int buttonId) const {
  AvlfWindowBase* button = FindChildByCommandId(buttonId);
  if (!button) return false;
  if (_wcsicmp(button->m_strClass.c_str(), L"ICONBUTTON") == 0)
    if (auto* icon = dynamic_cast<AvlfIconBtn*>(button)) return icon->GetSelected();
  if (_wcsicmp(button->m_strClass.c_str(), L"GEOMETRYBUTTON") == 0)
    if (auto* geometry = dynamic_cast<AvlfGeomeryBtn*>(button)) return geometry->GetSelected();
  return false;
}

void CWndTool::SetMark(int buttonId, bool on) {
  AvlfWindowBase* button = FindChildByCommandId(buttonId);
  if (!button) return;
  if (_wcsicmp(button->m_strClass.c_str(), L"ICONBUTTON") == 0) {
    if (auto* icon = dynamic_cast<AvlfIconBtn*>(button)) icon->SetSelected(on);
  } else if (_wcsicmp(button->m_strClass.c_str(), L"GEOMETRYBUTTON") == 0) {
    if (auto* geometry = dynamic_cast<AvlfGeomeryBtn*>(button)) geometry->SetSelected(on);
  }
}

void CWndTool::SelectButton(int buttonId) {
  if (IsToolGroup(buttonId)) {
    for (AvlfWindowBase* child : m_children)
      if (IsToolGroup(child->m_nCommandID)) SetMark(child->m_nCommandID, child->m_nCommandID == buttonId);
  }
  if (const int panel = PanelOf(buttonId)) ShowPanel(panel);
}

void CWndTool::ResetToSelect(BOOL on) {
  for (AvlfWindowBase* child : m_children)
    if (IsResetGroup(child->m_nCommandID))
      SetMark(child->m_nCommandID, child->m_nCommandID == ToolSelect ? on != FALSE : false);
}

void CWndTool::SetHistogram(BOOL on) {
  SetMark(ToolHistogram, on != FALSE);
  if (CDirectUI* canvas = Canvas()) canvas->ShowHistogram(on);
  if (g_pMainFrame) g_pMainFrame->SetMenuItemState(kHistogramMenuPopup, kHistogramMenuItem, on ? MFS_CHECKED : 0);
}

void CWndTool::ToggleMagnifier() {
  if (!g_pDirectUI) return;
  const BOOL on = !g_pDirectUI->IsMagnifierShown();
  g_pDirectUI->ShowMagnifier(on);
  SetMark(ToolMagnifier, on != FALSE);
}

LRESULT CWndTool::OnSkinInit(UINT, WPARAM, LPARAM, BOOL&) {
  SelectButton(ToolSelect);
  for (int i = 0; i < 18; ++i) m_pButtons[i] = FindChildByCommandId(kButtonOrder[i]);
  SetMark(ToolSelect, true);
  return 0;
}

LRESULT CWndTool::OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
  const int id = LOWORD(wParam);
  CDirectUI* canvas = Canvas();
  switch (id) {
    case ToolOpen:
      if (g_pMainFrame) g_pMainFrame->OnFileOpen();
      return 0;
    case ToolSave:
      if (g_pMainFrame) g_pMainFrame->OnFileSave();
      return 0;
    case ToolSaveAs:
      if (g_pMainFrame) g_pMainFrame->OnFileSaveAs();
      return 0;
    case ToolRuler:
      SelectButton(ToolRuler);
      if (canvas) canvas->SetTool(DRAW_RULER);
      return 0;
    case ToolSelect:
      SetMark(ToolSelect, true);
      SetMark(ToolImageView, false);
      SelectButton(ToolSelect);
      if (canvas) canvas->SetTool(DRAW_SELECT);
      return 0;
    case ToolImageView:
      SetMark(ToolSelect, false);
      SetMark(ToolImageView, true);
      SelectButton(ToolImageView);
      if (canvas) canvas->SetTool(DRAW_PAN);
      return 0;
    case ToolRegion: {
      if (canvas) canvas->SetTool(DRAW_REGION);
      const bool active = canvas && canvas->m_region.m_bActive;
      SetMark(ToolRegion, active);
      for (AvlfWindowBase* child : m_children)
        if (IsResetGroup(child->m_nCommandID))
          SetMark(child->m_nCommandID, child->m_nCommandID == ToolSelect ? !active : false);
      return 0;
    }
    case ToolHistogram:
      SetHistogram(canvas && canvas->IsHistogramShown() ? FALSE : TRUE);
      return 0;
    case ToolMagnifier:
      if (!g_pDirectUI) return 0;
      ToggleMagnifier();
      ShowPanel(kPanelMagnifier);
      return 0;
    default:
      break;
  }
  if (id >= ToolAngle && id <= ToolClipart) {
    // A second click on the marked tool goes back to selecting.
    if (GetMark(id)) {
      SelectButton(ToolSelect);
      if (canvas) canvas->SetTool(DRAW_SELECT);
      return 0;
    }
    SelectButton(id);
    if (canvas) canvas->SetTool(kFigureTools[id - ToolAngle].tool);
    if (id == ToolClipart && g_pWndProperties)
      if (auto* clipart = dynamic_cast<CWndSettingsClipart*>(g_pWndProperties->FindPanel(PANEL_CLIPART)))
        clipart->PlaceClipart();
    return 0;
  }
  handled = FALSE;  // on to the reflection
  return 0;
}
