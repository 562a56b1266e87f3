#include "panels/PropertyHost.h"

#include "capture/Project.h"
#include "engine/Element.h"
#include "engine/Image.h"
#include "engine/Types.h"
#include "engine/figures/Draw.h"
#include "panels/ImagePanel.h"
#include "toolkit/SkinUi.h"
#include "toolkit/Static.h"

CWndProperties* g_pWndProperties = nullptr;

namespace {

// The order in which the skin children are attached.
constexpr int kAttachOrder[] = {101, 103, 102, 104, 106, 107, 108, 109, 110, 111, 113, 112, 100, 114, 115, 116, 105};
// The panels told of a new figure, in order (the image and magnifier panels are not).
constexpr int kFigureOrder[] = {101, 103, 102, 104, 106, 107, 108, 109, 110, 111, 112, 113, 100, 115, 105};
// Every panel, in member order, for a new document.
constexpr int kDocumentOrder[] = {101, 103, 102, 104, 106, 107, 108, 109, 110, 111, 113, 112, 100, 114, 115, 116, 105};
// The measuring panels, which show values and styles of their figure.
constexpr int kValueOrder[] = {103, 102, 104, 106, 107, 108, 109, 110, 111, 105};

bool IsDrawing(const CDTElement* element) { return element && element->m_nKind == 1; }

}  // namespace

int PanelForFigureType(int type) {
  static constexpr int kPanels[] = {
      PANEL_RULER,          PANEL_LINE,          PANEL_ANGLE,   PANEL_ANGLE,   PANEL_POINT2LINE,
      PANEL_PARALLEL_LINES, PANEL_CURVE,         PANEL_CIRCLE,  PANEL_ELLIPSE, PANEL_RECTANGLE,
      PANEL_POLYGON,        PANEL_CURVE_POLYGON, PANEL_CLIPART, PANEL_TEXT};
  if (type < 0 || type >= static_cast<int>(std::size(kPanels))) return 0;
  return kPanels[type];
}

// The first host made publishes itself; one made while it lives (a second
// start's frame) leaves the global alone.
CWndProperties::CWndProperties() {
  m_bGlyphShown = FALSE;
  if (!g_pWndProperties) g_pWndProperties = this;
}

CWndProperties::~CWndProperties() {
  if (g_pWndProperties == this) g_pWndProperties = nullptr;
}

const CWndProperties::HostedPanel* CWndProperties::Find(int id) const {
  for (const HostedPanel& panel : m_panels)
    if (panel.id == id) return &panel;
  return nullptr;
}

CWndSettingsBase* CWndProperties::FindPanel(int id) const {
  const HostedPanel* panel = Find(id);
  return panel ? panel->face : nullptr;
}

LRESULT CWndProperties::OnSkinInitMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& handled) {
  m_pCaptionText = dynamic_cast<AvlfUiElementText*>(GetSkinUi()->FindElement(L"GroupProperties", AVLF_UI_TEXT));
  m_pCaptionLabel = FindChildByCommandId(kCaptionLabelId);
  AttachSkinChild(this, m_wndMeasurements, kStyleBlockId);
  for (int id : kAttachOrder)
    for (HostedPanel& panel : m_panels)
      if (panel.id == id) panel.attached = panel.attach(this, panel.window, id);
  // The general panel is current; it keeps whatever visibility the skin gave it.
  const HostedPanel* general = Find(PANEL_GENERAL);
  m_pCurrentPanel = general && general->attached ? general->window : FindChildByCommandId(PANEL_GENERAL);
  m_pCurrentFace = general && general->attached ? general->face : nullptr;
  // The label starts with the caption of what is shown, not empty.
  ShowCaption();
  return CWndGroup::OnSkinInit(uMsg, wParam, lParam, handled);
}

void CWndProperties::ShowPanel(int id) {
  if (id != PANEL_VERTEX) m_nPanelId = id;
  if (m_pCurrentPanel && m_pCurrentPanel->m_nCommandID == id) {
    if (m_pCurrentFace) ShowCaption();
    return;
  }
  if (!m_hWnd) return;
  // An id that no panel carries changes nothing else; the caption label and
  // the style block are children too but never panels.
  if (id < PANEL_GENERAL || id > PANEL_MAGNIFIER) return;
  AvlfWindowBase* target = FindChildByCommandId(id);
  if (!target || !target->m_hWnd) return;
  const bool blockShown = m_wndMeasurements.m_hWnd && ::IsWindowVisible(m_wndMeasurements.m_hWnd);

  const HostedPanel* hosted = Find(id);
  CWndSettingsBase* face = hosted && hosted->attached ? hosted->face : nullptr;
  if (hosted && hosted->attached) target = hosted->window;
  bool withBlock = false;
  if (id >= PANEL_GENERAL && id <= PANEL_TEXT) {
    if (face) face->Update();
    withBlock = true;
  } else if (id == PANEL_CLIPART || id == PANEL_MAGNIFIER) {
    if (face) face->Update();
  } else if (id == PANEL_ZOOM) {
    if (face && g_pWndSettingsZoom) g_pWndSettingsZoom->RefreshZoom();
  } else if (id == PANEL_VERTEX) {
    if (face) face->SetPreviousPanel(m_nPanelId);
  } else {
    face = nullptr;
  }

  RECT rc{};
  GetClientRect(&rc);
  const int width = rc.right - 8;
  const int height = rc.bottom;
  const bool blockChanges = m_wndMeasurements.m_hWnd && blockShown != withBlock;
  HDWP batch = ::BeginDeferWindowPos(blockChanges ? 3 : 2);
  constexpr UINT kFlags = SWP_NOZORDER | SWP_NOACTIVATE;
  if (blockChanges && batch) {
    batch = withBlock
                ? ::DeferWindowPos(batch, m_wndMeasurements.m_hWnd, nullptr, 4, 26, width, 68, kFlags | SWP_SHOWWINDOW)
                : ::DeferWindowPos(batch, m_wndMeasurements.m_hWnd, nullptr, 0, 0, 0, 0,
                                   kFlags | SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE);
  }
  if (batch && m_pCurrentPanel && m_pCurrentPanel->m_hWnd)
    batch = ::DeferWindowPos(batch, m_pCurrentPanel->m_hWnd, nullptr, 0, 0, 0, 0,
                             kFlags | SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE);
  const int top = withBlock ? 98 : 38;
  if (batch)
    batch = ::DeferWindowPos(batch, target->m_hWnd, nullptr, 4, top, width, height - top - 4, kFlags | SWP_SHOWWINDOW);
  if (batch) ::EndDeferWindowPos(batch);

  m_pCurrentPanel = target;
  m_pCurrentFace = face;
  ShowCaption();
}

void CWndProperties::ShowCaption() {
  const wchar_t* caption = m_pCurrentFace ? m_pCurrentFace->GetCaption() : nullptr;
  if (!m_pCaptionText || !m_pCaptionLabel || !m_pCaptionLabel->m_hWnd) return;
  if (!caption) caption = m_pCaptionText->GetText();
  m_pCaptionLabel->m_strText = caption;
  ::SetWindowTextW(m_pCaptionLabel->m_hWnd, caption);
  if (auto* label = dynamic_cast<AvlfStatic*>(m_pCaptionLabel)) label->m_bLayoutValid = false;
  ::InvalidateRect(m_pCaptionLabel->m_hWnd, nullptr, TRUE);
}

void CWndProperties::SetFigure(CDTElement* figure) {
  m_wndMeasurements.SetFigure(figure);
  for (int id : kFigureOrder)
    if (CWndSettingsBase* face = FindPanel(id)) face->SetFigure(figure);
  if (IsDrawing(figure)) {
    if (const int panel = PanelForFigureType(static_cast<CDTDraw*>(figure)->m_nType)) ShowPanel(panel);
  }
  m_pFigure = IsDrawing(figure) ? figure : nullptr;
}

void CWndProperties::SetDocument(CDTImage* document) {
  m_wndMeasurements.SetDocument(document);
  for (int id : kDocumentOrder) {
    CWndSettingsBase* face = FindPanel(id);
    // The image panel takes the document through its own operation: the
    // base's would hold it without titling the panel.
    if (face && g_pWndSettingsZoom && face == static_cast<CWndSettingsBase*>(g_pWndSettingsZoom))
      g_pWndSettingsZoom->SetDocument(document);
    else if (face)
      face->SetDocument(document);
  }
  if (document == m_pDocument) {
    SetFigure(document ? document->m_pSelected : nullptr);
    return;
  }
  m_pDocument = document;
  if (document) SetFigure(document->m_pSelected);
}

void CWndProperties::RefreshValues(int vertex) {
  if (CWndSettingsBase* vertices = FindPanel(PANEL_VERTEX)) vertices->RefreshValues(vertex);
  for (int id : kValueOrder)
    if (CWndSettingsBase* face = FindPanel(id)) face->RefreshValues(vertex);
}

void CWndProperties::RefreshStyle(CDTImage* document) {
  m_wndMeasurements.RefreshStyle(document);
  for (int id : kValueOrder)
    if (CWndSettingsBase* face = FindPanel(id)) face->RefreshStyle(document);
  if (CWndSettingsBase* text = FindPanel(PANEL_TEXT)) text->RefreshStyle(document);
}

void CWndProperties::RefreshZoom(CDTImage* document) {
  // The image panel shows the zoom of the document it holds.
  CWndSettingsBase* zoom = FindPanel(PANEL_ZOOM);
  if (zoom && g_pWndSettingsZoom && (!document || zoom->m_pDocument == document)) g_pWndSettingsZoom->RefreshZoom();
  if (CWndSettingsBase* vertices = FindPanel(PANEL_VERTEX)) vertices->OnZoomChanged(document);
}
