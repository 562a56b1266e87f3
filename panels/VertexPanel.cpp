#include "panels/VertexPanel.h"

#include <commctrl.h>

#include <cstdint>
#include <cwchar>
#include <cwctype>

#include "engine/DirectUI.h"
#include "engine/Element.h"
#include "engine/Image.h"
#include "engine/Types.h"
#include "engine/figures/Draw.h"
#include "engine/figures/Ruler.h"
#include "panels/MeasureList.h"
#include "panels/PropertyHost.h"
#include "toolkit/SkinCombo.h"
#include "toolkit/SkinUi.h"

bool ParseCoordinate(const wchar_t* text, int* value) {
  if (!text || !value) return false;
  while (*text && std::iswspace(*text)) ++text;
  bool negative = false;
  if (*text == L'+' || *text == L'-') negative = *text++ == L'-';
  int64_t number = 0;
  for (; *text >= L'0' && *text <= L'9'; ++text) {
    number = number * 10 + (*text - L'0');
    if (number > static_cast<int64_t>(INT32_MAX) + 1) return false;
  }
  if (negative) number = -number;
  if (number > INT32_MAX || number < INT32_MIN) return false;
  *value = static_cast<int>(number);
  return true;
}

win32::CWndClassInfo& CWndSettingsVertex::GetWndClassInfo() {
  static win32::CWndClassInfo info = {L"WndSettingsVertex", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

// An up-down of the system's arrow width right beside its edit, as tall as
// the edit.
HWND CWndSettingsVertex::CreateSpin(HWND edit, int id) {
  if (!edit) return nullptr;
  RECT rc{};
  ::GetWindowRect(edit, &rc);
  ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rc), 2);
  const int width = ::GetSystemMetrics(SM_CXVSCROLL);
  return ::CreateWindowExW(0, UPDOWN_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, rc.right, rc.top, width,
                           rc.bottom - rc.top, m_hWnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           ::GetModuleHandleW(nullptr), nullptr);
}

LRESULT CWndSettingsVertex::OnInit(UINT, WPARAM, LPARAM, BOOL&) {
  m_pCaption = dynamic_cast<AvlfUiElementText*>(GetSkinUi()->FindElement(L"Vertex", AVLF_UI_TEXT));
  m_pList = dynamic_cast<AvlfComboBox*>(FindChildByCommandId(VERTEX_LIST));
  m_hXEdit = ::GetDlgItem(m_hWnd, VERTEX_X);
  m_hYEdit = ::GetDlgItem(m_hWnd, VERTEX_Y);
  m_hXSpin = CreateSpin(m_hXEdit, VERTEX_X_SPIN);
  m_hYSpin = CreateSpin(m_hYEdit, VERTEX_Y_SPIN);
  return 0;
}

const wchar_t* CWndSettingsVertex::GetCaption() { return m_pCaption ? m_pCaption->GetText() : nullptr; }

CDTDraw* CWndSettingsVertex::Figure() const { return static_cast<CDTDraw*>(m_pFigure); }

int CWndSettingsVertex::HandleCount() const { return m_pFigure ? static_cast<int>(Figure()->m_handles.size()) : 0; }

void CWndSettingsVertex::SetDocument(CDTImage* document) {
  m_pDocument = document;
  if (document) {
    CDTElement* current = document->m_pSelected;
    m_pFigure = current && current->m_nKind == 1 ? current : document->m_pRuler;
  } else {
    // A figure of a document that is gone must not be read again.
    m_pFigure = nullptr;
  }
  Update();
  if (m_pFigure) {
    m_nVertex = 0;
    ShowVertex();
  }
}

void CWndSettingsVertex::SetFigure(CDTElement* element) {
  CDTElement* figure = element && element->m_nKind == 1 ? element : nullptr;
  if (figure == m_pFigure) return;
  m_pFigure = figure;
  if (!m_pFigure && m_pDocument) m_pFigure = m_pDocument->m_pRuler;
  Update();
  if (m_pFigure) {
    m_nVertex = 0;
    ShowVertex();
  }
}

void CWndSettingsVertex::EnableFields(bool on) {
  for (HWND window : {m_hXEdit, m_hYEdit, m_hXSpin, m_hYSpin})
    if (window) ::EnableWindow(window, on ? TRUE : FALSE);
}

void CWndSettingsVertex::FillList() {
  m_pList->ResetContent();
  m_nHandleCount = HandleCount();
  if (m_nVertex >= m_nHandleCount) m_nVertex = 0;
  if (!m_pFigure) return;
  wchar_t number[16];
  int running = 0;
  for (int i = 0; i < m_nHandleCount; ++i) {
    // Midpoint handles sit between two vertices; they are no vertices here.
    if (Figure()->m_handles[static_cast<size_t>(i)]->marked) continue;
    std::swprintf(number, 16, L"%d", ++running);
    m_pList->AddString(number, i);
  }
}

void CWndSettingsVertex::Update() {
  if (!m_pList || !g_pDirectUI) return;
  m_pList->ResetContent();
  m_nVertex = 0;
  m_nHandleCount = 0;
  if (!m_pDocument || !m_pFigure) {
    EnableFields(false);
    return;
  }
  const int type = Figure()->m_nType;
  if (type == DRAW_CLIPART || type == DRAW_TEXT) {
    EnableFields(false);
    return;
  }
  FillList();
  m_pList->SetCurSel(0);
  EnableFields(true);
}

void CWndSettingsVertex::ShowVertex() {
  if (!m_pFigure || m_nVertex < 0 || m_nVertex >= HandleCount()) return;
  // The shown values go in as the guess: a vertex still on its handle keeps them.
  float x = static_cast<float>(m_nX), y = static_cast<float>(m_nY);
  Figure()->GetVertexPixel(m_nVertex, &x, &y);
  m_nX = static_cast<int>(x);
  m_nY = static_cast<int>(y);
  wchar_t text[16];
  std::swprintf(text, 16, L"%d", m_nX);
  if (m_hXEdit) ::SetWindowTextW(m_hXEdit, text);
  std::swprintf(text, 16, L"%d", m_nY);
  if (m_hYEdit) ::SetWindowTextW(m_hYEdit, text);
}

void CWndSettingsVertex::MoveVertex() {
  CDTDraw* figure = Figure();
  if (!figure || !figure->m_bVisible || figure->m_bLocked) return;
  if (m_nVertex < 0 || m_nVertex >= m_nHandleCount || m_nVertex >= HandleCount()) return;
  figure->SetVertexPixel(m_nVertex, static_cast<float>(m_nX), static_cast<float>(m_nY));
  if (g_pWndMeasure) g_pWndMeasure->RefreshFigureText(figure);
}

bool CWndSettingsVertex::SelectByData(int index) {
  if (!m_pList) return false;
  const int count = m_pList->GetCount();
  for (int i = 0; i < count; ++i) {
    if (m_pList->GetItemData(i) == index) {
      m_pList->SetCurSel(i);
      return true;
    }
  }
  return false;
}

void CWndSettingsVertex::RefreshValues(int vertex) {
  if (!m_pFigure) return;
  const int count = HandleCount();
  if (count != m_nHandleCount) {
    if (vertex >= 0) {
      m_nVertex = vertex;
    } else {
      const int current = Figure()->m_nSelectedHandle;
      if (current >= 0 && current < count) m_nVertex = current;
    }
    if (m_pList) {
      FillList();
      SelectByData(m_nVertex);
    }
  }
  if (vertex >= 0 && vertex != m_nVertex && SelectByData(vertex)) m_nVertex = vertex;
  ShowVertex();
}

void CWndSettingsVertex::OnZoomChanged(CDTImage*) { ShowVertex(); }

void CWndSettingsVertex::OnSelectVertex() {
  if (!m_pFigure || !m_pDocument || !m_pList) return;
  const int selected = m_pList->GetCurSel();
  if (selected < 0) return;
  const int data = m_pList->GetItemData(selected);
  const int count = HandleCount();
  if (data == m_nVertex || data < 0 || data >= count) return;
  m_nVertex = data;
  ShowVertex();
}

void CWndSettingsVertex::OnTypedCoordinate(HWND edit, int* coordinate) {
  // Texts the panel sets itself come without the focus.
  if (!edit || ::GetFocus() != edit) return;
  if (!ReadText(edit)) return;
  int value = 0;
  if (!ParseCoordinate(m_szText, &value) || value == *coordinate) return;
  *coordinate = value;
  MoveVertex();
}

// The default range runs from 100 down to 0, so the upper arrow proposes a
// negative change: it raises the coordinate.
void CWndSettingsVertex::OnStep(int spinId, int delta) {
  int& coordinate = spinId == VERTEX_X_SPIN ? m_nX : m_nY;
  const HWND edit = spinId == VERTEX_X_SPIN ? m_hXEdit : m_hYEdit;
  coordinate += delta <= 0 ? 1 : -1;
  wchar_t text[16];
  std::swprintf(text, 16, L"%d", coordinate);
  if (edit) ::SetWindowTextW(edit, text);
  MoveVertex();
}

void CWndSettingsVertex::OnBack() {
  if (m_nPreviousPanel < PANEL_RULER || m_nPreviousPanel > PANEL_CURVE_POLYGON) return;
  if (g_pWndProperties) g_pWndProperties->ShowPanel(m_nPreviousPanel);
}

LRESULT CWndSettingsVertex::OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  switch (id) {
    case VERTEX_LIST:
      if (code == CBN_SELCHANGE) OnSelectVertex();
      return 0;
    case VERTEX_X:
      if (code == EN_CHANGE) OnTypedCoordinate(m_hXEdit, &m_nX);
      return 0;
    case VERTEX_Y:
      if (code == EN_CHANGE) OnTypedCoordinate(m_hYEdit, &m_nY);
      return 0;
    case VERTEX_BACK:
      OnBack();
      return 0;
    default:
      handled = FALSE;
      return 0;
  }
}

LRESULT CWndSettingsVertex::OnNotify(UINT, WPARAM, LPARAM lParam, BOOL& handled) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (!header || header->code != UDN_DELTAPOS || (header->idFrom != VERTEX_X_SPIN && header->idFrom != VERTEX_Y_SPIN)) {
    handled = FALSE;
    return 0;
  }
  OnStep(static_cast<int>(header->idFrom), reinterpret_cast<const NMUPDOWN*>(lParam)->iDelta);
  return 0;
}
