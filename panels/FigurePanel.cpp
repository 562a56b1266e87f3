#include "panels/FigurePanel.h"

#include <cwchar>
#include <string>

#include "engine/DirectUI.h"
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

namespace {

using Format = FigureValueFormat;
using Values = double (&)[6];

// The type checks of the table rows make these casts safe.
void ReadLine(const CDTDraw& f, Values v) { v[0] = static_cast<const CDTLine&>(f).m_dLength; }
void ReadAngle(const CDTDraw& f, Values v) { v[0] = static_cast<const CDTAngleBase&>(f).m_dAngle; }
void ReadParallel(const CDTDraw& f, Values v) { v[0] = static_cast<const CDTDistance&>(f).m_dDistance; }
void ReadPointLine(const CDTDraw& f, Values v) { v[0] = static_cast<const CDTPoints&>(f).m_dDistance; }
void ReadCurve(const CDTDraw& f, Values v) { v[0] = static_cast<const CDTCurve&>(f).m_dLength; }
void ReadCircle(const CDTDraw& f, Values v) {
  const auto& c = static_cast<const CDTCircle&>(f);
  v[0] = c.m_dRadius;
  v[2] = c.m_dArea;
  v[4] = c.m_dPerimeter;
}
void ReadEllipse(const CDTDraw& f, Values v) {
  const auto& e = static_cast<const CDTEllipse&>(f);
  v[0] = e.m_dSemiAxisX;
  v[1] = e.m_dSemiAxisY;
  v[2] = e.m_dArea;
  v[4] = e.m_dPerimeter;
}
void ReadRectangle(const CDTDraw& f, Values v) {
  const auto& r = static_cast<const CDTRectangle&>(f);
  v[0] = r.m_dWidth;
  v[1] = r.m_dHeight;
  v[2] = r.m_dArea;
  v[4] = 2.0 * (r.m_dWidth + r.m_dHeight);
}
void ReadPolygon(const CDTDraw& f, Values v) {
  const auto& p = static_cast<const CDTPolygon&>(f);
  v[0] = p.m_dArea;
  v[2] = p.m_dPerimeter;
}
void ReadCurvePolygon(const CDTDraw& f, Values v) {
  const auto& p = static_cast<const CDTCurvePolygon&>(f);
  v[0] = p.m_dArea;
  v[2] = p.m_dPerimeter;
}

constexpr Format S = Format::kSingle, A = Format::kAngle, P = Format::kPair, N = Format::kNone;

// clang-format off
//                                 caption key      first type          last type           by name four-point values     reader
const FigurePanelTraits kLine =          {L"Length",        DRAW_LINE,          DRAW_LINE,          true,  false, {S, N, N}, ReadLine};
const FigurePanelTraits kAngle =         {L"Angle",         DRAW_ANGLE,         DRAW_ANGLE_PT4,     true,  true,  {A, N, N}, ReadAngle};
const FigurePanelTraits kParallelLines = {L"Distance",      DRAW_DISTANCE,      DRAW_DISTANCE,      true,  false, {S, N, N}, ReadParallel};
const FigurePanelTraits kPoint2Line =    {L"PointDistance", DRAW_POINT_LINE,    DRAW_POINT_LINE,    true,  false, {S, N, N}, ReadPointLine};
const FigurePanelTraits kCurve =         {L"Curve",         DRAW_CURVE,         DRAW_CURVE,         true,  false, {S, N, N}, ReadCurve};
const FigurePanelTraits kCircle =        {L"Circle",        DRAW_CIRCLE,        DRAW_CIRCLE,        true,  false, {S, S, S}, ReadCircle};
const FigurePanelTraits kEllipse =       {L"Ellipse",       DRAW_ELLIPSE,       DRAW_ELLIPSE,       true,  false, {P, S, S}, ReadEllipse};
// The rectangle keeps its own caption whatever the figure is called.
const FigurePanelTraits kRectangle =     {L"Rectangle",     DRAW_RECTANGLE,     DRAW_RECTANGLE,     false, false, {P, S, S}, ReadRectangle};
const FigurePanelTraits kPolygon =       {L"Polygon",       DRAW_POLYGON,       DRAW_POLYGON,       true,  false, {S, S, N}, ReadPolygon};
const FigurePanelTraits kCurvePolygon =  {L"CurvePolygon",  DRAW_CURVE_POLYGON, DRAW_CURVE_POLYGON, true,  false, {S, S, N}, ReadCurvePolygon};
// clang-format on

constexpr int kValueIds[3] = {FIGURE_VALUE1, FIGURE_VALUE2, FIGURE_VALUE3};
constexpr int kCopyIds[3] = {FIGURE_COPY1, FIGURE_COPY2, FIGURE_COPY3};

void ShowControl(AvlfWindowBase* control, bool shown) {
  if (control && control->m_hWnd) ::ShowWindow(control->m_hWnd, shown ? SW_SHOW : SW_HIDE);
}

}  // namespace

CWndSettingsLine::CWndSettingsLine() : CWndSettingsFigure(kLine) {}
CWndSettingsAngle::CWndSettingsAngle() : CWndSettingsFigure(kAngle) {}
CWndSettingsParallelLines::CWndSettingsParallelLines() : CWndSettingsFigure(kParallelLines) {}
CWndSettingsPoint2Line::CWndSettingsPoint2Line() : CWndSettingsFigure(kPoint2Line) {}
CWndSettingsCurve::CWndSettingsCurve() : CWndSettingsFigure(kCurve) {}
CWndSettingsCircle::CWndSettingsCircle() : CWndSettingsFigure(kCircle) {}
CWndSettingsEllipse::CWndSettingsEllipse() : CWndSettingsFigure(kEllipse) {}
CWndSettingsRectangle::CWndSettingsRectangle() : CWndSettingsFigure(kRectangle) {}
CWndSettingsPolygon::CWndSettingsPolygon() : CWndSettingsFigure(kPolygon) {}
CWndSettingsCurvePolygon::CWndSettingsCurvePolygon() : CWndSettingsFigure(kCurvePolygon) {}

void CFigurePanels::HostIn(CWndProperties& host) {
  host.HostPanel(m_wndLine, PANEL_LINE);
  host.HostPanel(m_wndAngle, PANEL_ANGLE);
  host.HostPanel(m_wndParallelLines, PANEL_PARALLEL_LINES);
  host.HostPanel(m_wndCurve, PANEL_CURVE);
  host.HostPanel(m_wndCircle, PANEL_CIRCLE);
  host.HostPanel(m_wndEllipse, PANEL_ELLIPSE);
  host.HostPanel(m_wndRectangle, PANEL_RECTANGLE);
  host.HostPanel(m_wndPolygon, PANEL_POLYGON);
  host.HostPanel(m_wndCurvePolygon, PANEL_CURVE_POLYGON);
  host.HostPanel(m_wndPoint2Line, PANEL_POINT2LINE);
}

bool CFigurePanel::HoldsOwnFigure() const {
  if (!m_pFigure || m_pFigure->m_nKind != 1) return false;
  const int type = static_cast<const CDTDraw*>(m_pFigure)->m_nType;
  return type >= m_traits.firstType && type <= m_traits.lastType;
}

void CFigurePanel::InitControls(AvlfWindowBase& panel) {
  m_pCaption = dynamic_cast<AvlfUiElementText*>(GetSkinUi()->FindElement(m_traits.captionKey, AVLF_UI_TEXT));
  m_pShowResult = dynamic_cast<AvlfIconBtn*>(panel.FindChildByCommandId(FIGURE_SHOW_RESULT));
  m_pTextBackground = dynamic_cast<AvlfIconBtn*>(panel.FindChildByCommandId(FIGURE_LABEL_BACKGROUND));
  m_pTextBorder = dynamic_cast<AvlfIconBtn*>(panel.FindChildByCommandId(FIGURE_LABEL_BORDER));
  if (m_traits.fourPointSwitch)
    m_pAngle4Pts = dynamic_cast<AvlfIconBtn*>(panel.FindChildByCommandId(FIGURE_ANGLE_4PTS));
  for (int k = 0; k < 3; ++k)
    m_hValues[k] = m_traits.formats[k] != Format::kNone ? ::GetDlgItem(panel.m_hWnd, kValueIds[k]) : nullptr;
  if (g_pDirectUI) CWndSettingsBase::SetDocument(g_pDirectUI->m_pActiveImage);
}

const wchar_t* CFigurePanel::GetCaption() {
  if (m_traits.captionFromName && HoldsOwnFigure()) {
    const wchar_t* name = m_pFigure->m_pszName;
    if (name && *name) return name;
  }
  return m_pCaption ? m_pCaption->GetText() : nullptr;
}

void CFigurePanel::ShowLabelToggles(bool shown) {
  ShowControl(m_pTextBackground, shown);
  ShowControl(m_pTextBorder, shown);
}

void CFigurePanel::Update() {
  if (!g_pDirectUI) return;
  const auto* figure = static_cast<const CDTDraw*>(m_pFigure);
  const bool show = figure ? figure->m_bShowResult != 0 : g_pDirectUI->m_bShowResult != 0;
  const bool background = figure ? figure->m_label.m_bBackground != 0 : g_pDirectUI->m_bTextBackground != 0;
  const bool border = figure ? figure->m_label.m_bBorder != 0 : g_pDirectUI->m_bTextBorder != 0;
  if (m_pAngle4Pts && g_Config.m_Angle4Pts) m_pAngle4Pts->SetCheck(true, true);
  if (m_pShowResult) m_pShowResult->SetCheck(show, true);
  if (m_pTextBackground && m_pTextBackground->GetSelected() != background) m_pTextBackground->SetSelected(background);
  if (m_pTextBorder && m_pTextBorder->GetSelected() != border) m_pTextBorder->SetSelected(border);
  ShowLabelToggles(show);
  RefreshValues(-1);
}

void CFigurePanel::RefreshValues(int /*vertex*/) {
  double values[6] = {};
  const bool own = HoldsOwnFigure();
  if (own) m_traits.read(*static_cast<const CDTDraw*>(m_pFigure), values);
  const std::wstring p = g_Config.GetPrecisionFormat();
  const std::wstring angle = p + L"%c";
  const std::wstring pair = p + L", " + p;
  for (int k = 0; k < 3; ++k) {
    if (!m_hValues[k]) continue;
    m_szText[0] = L'\0';
    if (own) {
      const int size = m_nTextSize;
      switch (m_traits.formats[k]) {
        case Format::kSingle:
          std::swprintf(m_szText, size, p.c_str(), values[2 * k]);
          break;
        case Format::kAngle:
          std::swprintf(m_szText, size, angle.c_str(), values[2 * k], static_cast<wchar_t>(176));
          break;
        case Format::kPair:
          std::swprintf(m_szText, size, pair.c_str(), values[2 * k], values[2 * k + 1]);
          break;
        case Format::kNone:
          break;
      }
    }
    ::SetWindowTextW(m_hValues[k], m_szText);
  }
}

void CFigurePanel::RefreshStyle(CDTImage* document) {
  if (!document || !document->m_pSelected || document->m_pSelected != m_pFigure || !HoldsOwnFigure()) return;
  const auto* figure = static_cast<const CDTDraw*>(m_pFigure);
  const bool background = figure->m_label.m_bBackground != 0;
  const bool border = figure->m_label.m_bBorder != 0;
  if (m_pTextBackground && m_pTextBackground->GetSelected() != background) m_pTextBackground->SetSelected(background);
  if (m_pTextBorder && m_pTextBorder->GetSelected() != border) m_pTextBorder->SetSelected(border);
}

void CFigurePanel::ToggleFourPoints() {
  const bool on = g_Config.m_Angle4Pts == 0;
  g_Config.m_Angle4Pts = on ? 1 : 0;
  if (m_pAngle4Pts) m_pAngle4Pts->SetCheck(on, true);
  if (g_pDirectUI) g_pDirectUI->SetAngle4Pts(on ? TRUE : FALSE);
}

bool CFigurePanel::OnControl(int id) {
  auto* figure = static_cast<CDTDraw*>(m_pFigure);
  switch (id) {
    case FIGURE_SHOW_RESULT:
      ShowLabelToggles(ToggleShowResult(figure, m_pShowResult));
      return true;
    case FIGURE_LABEL_BACKGROUND:
      ToggleTextBackground(figure, m_pTextBackground);
      return true;
    case FIGURE_LABEL_BORDER:
      ToggleTextBorder(figure, m_pTextBorder);
      return true;
    case FIGURE_ANGLE_4PTS:
      if (!m_traits.fourPointSwitch) return false;
      ToggleFourPoints();
      return true;
    default:
      break;
  }
  for (int k = 0; k < 3; ++k) {
    if (id != kCopyIds[k]) continue;
    // A copy button without its value window belongs to no value.
    if (m_traits.formats[k] == Format::kNone) return false;
    CopyTextToClipboard(m_hValues[k]);
    return true;
  }
  return false;
}
