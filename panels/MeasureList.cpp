#include "panels/MeasureList.h"

#include <cwchar>

#include "app/MainFrame.h"
#include "engine/DirectUI.h"
#include "engine/Element.h"
#include "engine/Image.h"
#include "engine/Types.h"
#include "engine/figures/Angle.h"
#include "engine/figures/Circle.h"
#include "engine/figures/Curve.h"
#include "engine/figures/CurvePolygon.h"
#include "engine/figures/Distance.h"
#include "engine/figures/Ellipse.h"
#include "engine/figures/Line.h"
#include "engine/figures/Points.h"
#include "engine/figures/Polygon.h"
#include "engine/figures/Rectangle.h"
#include "panels/PropertyHost.h"
#include "settings/Configuration.h"
#include "toolkit/Buttons.h"
#include "toolkit/SkinUi.h"

CWndMeasure* g_pWndMeasure = nullptr;

namespace {

constexpr UINT kStateEnabled = 0;
constexpr UINT kStateGrey = MF_GRAYED | MF_DISABLED;
constexpr int kEditMenu = 1;

// The figure of a row: a drawing element of type 1 to 13, else null.
CDTDraw* ListedFigure(CDTElement* element) {
  if (!element || element->m_nKind != 1) return nullptr;
  auto* figure = static_cast<CDTDraw*>(element);
  return figure->m_nType >= DRAW_LINE && figure->m_nType <= DRAW_TEXT ? figure : nullptr;
}

bool ShowsValue(const CDTElement* element) {
  if (!element || element->m_nKind != 1) return false;
  const int type = static_cast<const CDTDraw*>(element)->m_nType;
  return type >= DRAW_LINE && type <= DRAW_CURVE_POLYGON;
}

// The measured value a row shows and whether it is an angle or an area;
// false when the figure's class does not carry its type's value.
bool RowValue(CDTDraw* figure, double* value, bool* angle, bool* area) {
  *angle = *area = false;
  switch (figure->m_nType) {
    case DRAW_LINE:
      if (auto* line = dynamic_cast<CDTLine*>(figure)) return *value = line->m_dLength, true;
      return false;
    case DRAW_POINT_LINE:
      if (auto* points = dynamic_cast<CDTPoints*>(figure)) return *value = points->m_dDistance, true;
      return false;
    case DRAW_DISTANCE:
      if (auto* distance = dynamic_cast<CDTDistance*>(figure)) return *value = distance->m_dDistance, true;
      return false;
    case DRAW_CURVE:
      if (auto* curve = dynamic_cast<CDTCurve*>(figure)) return *value = curve->m_dLength, true;
      return false;
    case DRAW_ANGLE:
    case DRAW_ANGLE_PT4:
      *angle = true;
      if (auto* corner = dynamic_cast<CDTAngleBase*>(figure)) return *value = corner->m_dAngle, true;
      return false;
    case DRAW_CIRCLE:
      *area = true;
      if (auto* circle = dynamic_cast<CDTCircle*>(figure)) return *value = circle->m_dArea, true;
      return false;
    case DRAW_ELLIPSE:
      *area = true;
      if (auto* ellipse = dynamic_cast<CDTEllipse*>(figure)) return *value = ellipse->m_dArea, true;
      return false;
    case DRAW_RECTANGLE:
      *area = true;
      if (auto* rectangle = dynamic_cast<CDTRectangle*>(figure)) return *value = rectangle->m_dArea, true;
      return false;
    case DRAW_POLYGON:
      *area = true;
      if (auto* polygon = dynamic_cast<CDTPolygon*>(figure)) return *value = polygon->m_dArea, true;
      return false;
    case DRAW_CURVE_POLYGON:
      *area = true;
      if (auto* curved = dynamic_cast<CDTCurvePolygon*>(figure)) return *value = curved->m_dArea, true;
      return false;
    default:
      return false;
  }
}

void EnableControl(AvlfWindowBase* control, bool enabled) {
  if (control && control->m_hWnd) ::EnableWindow(control->m_hWnd, enabled ? TRUE : FALSE);
}

}  // namespace

// The first panel made publishes itself; one made while it lives (a second
// start's frame) leaves the global alone.
CWndMeasure::CWndMeasure() {
  m_bGlyphShown = FALSE;
  if (!g_pWndMeasure) g_pWndMeasure = this;
}

CWndMeasure::~CWndMeasure() {
  if (g_pWndMeasure == this) g_pWndMeasure = nullptr;
}

LRESULT CWndMeasure::OnSkinInitMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  if (const wchar_t* caption = GetSkinUi()->FindText(L"GroupMeasure")) m_strCaption = caption;
  m_pSave = FindChildByCommandId(MEASURE_SAVE);
  m_pVisible = dynamic_cast<AvlfIconBtn*>(FindChildByCommandId(MEASURE_VISIBLE));
  m_pLocked = dynamic_cast<AvlfIconBtn*>(FindChildByCommandId(MEASURE_LOCKED));
  m_pRemoveAll = FindChildByCommandId(MEASURE_REMOVE_ALL);
  m_pUndo = FindChildByCommandId(MEASURE_UNDO);
  m_pRedo = FindChildByCommandId(MEASURE_REDO);
  m_list.m_nItemHeight = 28;
  AttachSkinChild(this, m_list, MEASURE_LIST);
  m_list.m_fnKeyDown = [this](unsigned key) { OnListKeyDown(key); };
  m_list.m_fnRemoveItem = [this](CWndListEx::CItem* item) { OnRemoveItem(item); };
  return CWndGroup::OnSkinInit(uMsg, wParam, lParam, handled);
}

LRESULT CWndMeasure::OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
  switch (LOWORD(wParam)) {
    case MEASURE_LOAD:
      if (g_pMainFrame) g_pMainFrame->OnMeasureLoad();
      return 0;
    case MEASURE_SAVE:
      if (g_pMainFrame) g_pMainFrame->OnMeasureSave();
      return 0;
    case MEASURE_REMOVE_ALL:
      RemoveAll();
      return 0;
    case MEASURE_UNDO:
      Undo();
      return 0;
    case MEASURE_REDO:
      Redo();
      return 0;
    case MEASURE_VISIBLE:
    case MEASURE_LOCKED:
      ToggleSelected(LOWORD(wParam));
      return 0;
    case MEASURE_LIST:
      if (HIWORD(wParam) == LBN_SELCHANGE) {
        OnListSelectionChanged();
        return 0;
      }
      break;
    default:
      break;
  }
  handled = FALSE;
  return 0;
}

const wchar_t* CWndMeasure::GetRowText(CDTElement* figure) { return RowText(figure, g_Config.GetPrecisionFormat()); }

const wchar_t* CWndMeasure::RowText(CDTElement* element, const std::wstring& format) {
  m_szRowText[0] = L'\0';
  if (!element) return m_szRowText;
  const wchar_t* name = element->m_pszName ? element->m_pszName : L"";
  double value = 0.0;
  bool angle = false, area = false;
  if (!m_pDocument || !ShowsValue(element) || !RowValue(static_cast<CDTDraw*>(element), &value, &angle, &area)) {
    std::swprintf(m_szRowText, std::size(m_szRowText), L"%ls", name);
    return m_szRowText;
  }
  wchar_t number[256] = {};
  wchar_t valueText[256] = {};
  std::swprintf(number, std::size(number), format.c_str(), value);
  if (angle)
    std::swprintf(valueText, std::size(valueText), L"%ls%lc", number, static_cast<wint_t>(0x00B0));
  else if (area)
    std::swprintf(valueText, std::size(valueText), L"%ls %ls%lc", number, m_pDocument->m_szUnit,
                  static_cast<wint_t>(0x00B2));
  else
    std::swprintf(valueText, std::size(valueText), L"%ls %ls", number, m_pDocument->m_szUnit);
  std::swprintf(m_szRowText, std::size(m_szRowText), L"%ls, %ls", name, valueText);
  return m_szRowText;
}

void CWndMeasure::SetMenuState(UINT command, bool enabled) {
  if (g_pMainFrame) g_pMainFrame->SetMenuItemState(kEditMenu, command, enabled ? kStateEnabled : kStateGrey);
}

void CWndMeasure::EnableRemoval(bool any) {
  EnableControl(m_pRemoveAll, any);
  EnableControl(m_pSave, any);
  SetMenuState(ID_EDIT_REMOVE_ALL, any);
}

void CWndMeasure::OnFigureAdded(CDTElement* element) {
  CDTDraw* figure = ListedFigure(element);
  if (!figure) return;
  if (m_list.m_hWnd) m_list.AddItem(GetRowText(figure), nullptr, figure, true);
  if (m_pDocument) EnableRemoval(m_pDocument->m_children.size() >= 2);
}

void CWndMeasure::OnFigureRemoved(CDTElement* figure) {
  if (!m_list.m_hWnd) return;
  const int rows = m_list.RemoveItemByData(figure);
  EnableRemoval(rows >= 1);
}

void CWndMeasure::SetDocument(CDTImage* document) {
  if (document == m_pDocument) {
    SelectFigure(document ? document->m_pSelected : nullptr);
    return;
  }
  m_pDocument = document;
  if (m_list.m_hWnd) m_list.RemoveAllItems();
  if (!document) return;
  if (m_list.m_hWnd) {
    const std::wstring format = g_Config.GetPrecisionFormat();
    for (size_t i = 1; i < document->m_children.size(); ++i)
      if (CDTDraw* figure = ListedFigure(document->m_children[i]))
        m_list.AddItem(RowText(figure, format), nullptr, figure, true);
  }
  SelectFigure(document->m_pSelected);
  const bool any = document->m_children.size() >= 2;
  const bool canUndo = document->m_history.CanUndo();
  const bool canRedo = document->m_history.CanRedo();
  EnableControl(m_pRemoveAll, any);
  EnableControl(m_pSave, any);
  EnableControl(m_pUndo, canUndo);
  EnableControl(m_pRedo, canRedo);
  SetMenuState(ID_EDIT_UNDO, canUndo);
  SetMenuState(ID_EDIT_REDO, canRedo);
  SetMenuState(ID_EDIT_REMOVE_ALL, any);
}

void CWndMeasure::SelectFigure(CDTElement* element) {
  if (m_list.m_hWnd) m_list.SendMessage(WM_LISTEX_SELECTDATA, 1, reinterpret_cast<LPARAM>(element));
  CDTElement* figure = nullptr;
  if (element && element->m_nKind == 1 && static_cast<CDTDraw*>(element)->m_nType != DRAW_RULER) figure = element;
  m_pFigure = figure;
  if (!g_pDirectUI || !m_pDocument) return;
  const bool visible = figure && figure->m_bVisible;
  const bool locked = figure && figure->m_bLocked;
  if (m_pVisible) m_pVisible->SetCheck(visible, false);
  if (m_pLocked) m_pLocked->SetCheck(locked, false);
  EnableControl(m_pVisible, figure != nullptr);
  EnableControl(m_pLocked, figure != nullptr);
  if (m_pVisible && m_pVisible->m_hWnd) ::InvalidateRect(m_pVisible->m_hWnd, nullptr, FALSE);
  if (m_pLocked && m_pLocked->m_hWnd) ::InvalidateRect(m_pLocked->m_hWnd, nullptr, FALSE);
}

void CWndMeasure::SetFigureVisible(CDTElement* figure, BOOL visible) {
  if (m_list.m_hWnd && figure) m_list.SetItemHidden(figure, !visible);
}

void CWndMeasure::SetFigureLocked(CDTElement* figure, BOOL locked) {
  if (m_list.m_hWnd && figure) m_list.SetItemLocked(figure, locked);
}

void CWndMeasure::RefreshFigureText(CDTElement* figure) {
  if (!m_list.m_hWnd) return;
  const std::wstring format = g_Config.GetPrecisionFormat();
  if (figure) {
    if (ShowsValue(figure)) m_list.SetItemText(figure, RowText(figure, format));
    return;
  }
  bool changed = false;
  for (CWndListEx::CItem* item : m_list.m_items) {
    auto* element = static_cast<CDTElement*>(item->m_pData);
    if (!ShowsValue(element)) continue;
    const wchar_t* text = RowText(element, format);
    if (item->m_strText != text) {
      item->m_strText = text;
      changed = true;
    }
  }
  if (changed) ::InvalidateRect(m_list.m_hWnd, &m_list.m_rcContent, FALSE);
}

void CWndMeasure::UpdateUndoRedo(BOOL refresh) {
  if (!m_list.m_hWnd || !refresh) return;
  const bool canUndo = m_pDocument && m_pDocument->m_history.CanUndo();
  const bool canRedo = m_pDocument && m_pDocument->m_history.CanRedo();
  EnableControl(m_pUndo, canUndo);
  EnableControl(m_pRedo, canRedo);
  SetMenuState(ID_EDIT_UNDO, canUndo);
  SetMenuState(ID_EDIT_REDO, canRedo);
}

void CWndMeasure::Undo() {
  if (m_pDocument && m_pDocument->m_history.CanUndo()) m_pDocument->Undo();
}

void CWndMeasure::Redo() {
  if (m_pDocument && m_pDocument->m_history.CanRedo()) m_pDocument->Redo();
}

void CWndMeasure::RemoveAll() {
  if (!m_pDocument) return;
  for (CWndListEx::CItem* item : m_list.m_items)
    if (auto* figure = static_cast<CDTElement*>(item->m_pData)) figure->m_bRemove = 1;
  m_pDocument->DeleteFigure(nullptr);
}

void CWndMeasure::OnRemoveItem(CWndListEx::CItem* item) {
  if (!m_pDocument || !item || !item->m_pData) return;
  m_pDocument->DeleteFigure(static_cast<CDTElement*>(item->m_pData));
}

void CWndMeasure::OnListKeyDown(unsigned key) {
  if (key != VK_DELETE || !m_pDocument) return;
  int selected = 0;
  int last = -1;
  for (size_t i = 0; i < m_list.m_items.size(); ++i) {
    CWndListEx::CItem* item = m_list.m_items[i];
    auto* figure = static_cast<CDTElement*>(item->m_pData);
    if (!figure) continue;
    figure->m_bRemove = item->m_bSelected ? 1 : 0;
    if (item->m_bSelected) {
      ++selected;
      last = static_cast<int>(i);
    }
  }
  if (selected == 0) {
    m_pDocument->DeleteFigure(m_pFigure);
    return;
  }
  m_pDocument->DeleteFigure(nullptr);
  // The rows of the deleted figures are gone by now: the neighbour that took
  // the last selected row's place, else the new last row.
  const int count = m_list.GetCount();
  CWndListEx::CItem* next = nullptr;
  if (last >= 0 && last < count)
    next = m_list.m_items[static_cast<size_t>(last)];
  else if (count > 0)
    next = m_list.m_items.back();
  if (next) m_pDocument->SelectElement(static_cast<CDTElement*>(next->m_pData));
}

void CWndMeasure::ToggleSelected(int button) {
  AvlfIconBtn* check = button == MEASURE_VISIBLE ? m_pVisible : m_pLocked;
  if (!check) return;
  const BOOL state = check->GetCheck() ? FALSE : TRUE;
  const auto apply = [button, state](CDTElement* figure) {
    if (button == MEASURE_VISIBLE)
      figure->SetVisible(state);
    else
      figure->SetLocked(state);
  };
  // Setting a flag reports back to this panel, which does not change the rows.
  for (CWndListEx::CItem* item : m_list.m_items) {
    auto* figure = static_cast<CDTElement*>(item->m_pData);
    if (item->m_bSelected && figure && figure != m_pFigure) apply(figure);
  }
  if (m_pFigure) apply(m_pFigure);
  check->SetCheck(state != FALSE, true);
}

void CWndMeasure::OnListSelectionChanged() {
  if (CWndListEx::CItem* current = m_list.m_pCurrent) {
    if (current->m_pData && m_pDocument) m_pDocument->SelectElement(static_cast<CDTElement*>(current->m_pData));
    return;
  }
  if (m_pDocument) m_pDocument->SelectElement(nullptr);
  if (!g_pDirectUI || !g_pWndProperties) return;
  switch (g_pDirectUI->m_nTool) {
    case DRAW_SELECT:
      g_pWndProperties->ShowPanel(PANEL_GENERAL);
      break;
    case DRAW_PAN:
      g_pWndProperties->ShowPanel(PANEL_ZOOM);
      break;
    case DRAW_RULER:
      g_pWndProperties->ShowPanel(PANEL_RULER);
      break;
    default:
      break;
  }
}
