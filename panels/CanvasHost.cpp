#include "panels/CanvasHost.h"

#include "app/MainFrame.h"
#include "app/StartupTimes.h"
#include "panels/PropertyHost.h"
#include "settings/Configuration.h"
#include "toolkit/SkinUi.h"

namespace {

// Figure-name prefixes by skin text key; a missing key keeps the canvas's
// own name for that type.
const struct {
  const wchar_t* key;
  int type;
} kAutoNames[] = {
    {L"Length", DRAW_LINE},           {L"Angle", DRAW_ANGLE},         {L"Distance", DRAW_DISTANCE},
    {L"Curve", DRAW_CURVE},           {L"Circle", DRAW_CIRCLE},       {L"Ellipse", DRAW_ELLIPSE},
    {L"Rectangle", DRAW_RECTANGLE},   {L"Polygon", DRAW_POLYGON},     {L"CurvePolygon", DRAW_CURVE_POLYGON},
    {L"Clipart", DRAW_CLIPART},       {L"Text", DRAW_TEXT},           {L"PointDistance", DRAW_POINT_LINE},
};

const wchar_t* SkinText(const wchar_t* key) {
  auto* text = static_cast<AvlfUiElementText*>(GetSkinUi()->FindElement(key, 5));
  return text ? text->GetText() : nullptr;
}

}  // namespace

win32::CWndClassInfo& CWndRender::GetWndClassInfo() {
  static win32::CWndClassInfo info = {L"WndRender", CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
  return info;
}

CWndRender::~CWndRender() {
  if (g_pDirectUI == &m_canvas) g_pDirectUI = nullptr;
  if (m_canvas.m_hWnd && ::IsWindow(m_canvas.m_hWnd)) m_canvas.DestroyWindow();
}

void CWndRender::ApplySettings() {
  for (const auto& name : kAutoNames)
    if (const wchar_t* prefix = SkinText(name.key)) m_canvas.SetAutoNamePrefix(name.type, prefix);
  m_canvas.ShowInfoLines(g_Config.m_ShowCamTimer ? 1 : 0);
  m_canvas.m_pObserver = g_pMainFrame;
  m_canvas.SetFont(static_cast<int>(g_Config.m_TextWeight), g_Config.CopyFontFace().c_str());
  m_canvas.SetLineColor(g_Config.m_MeasureColor, nullptr);
  m_canvas.SetClipartColor(g_Config.m_ClipartColor, nullptr);
  m_canvas.SetPenWeight(static_cast<int>(g_Config.m_PenWeight), nullptr);
  m_canvas.SetTextColor(g_Config.m_TextColor, nullptr);
  m_canvas.SetRulerColors(g_Config.m_RulerColor, g_Config.m_RulerTextColor, g_Config.m_RulerTextBkColor);
  m_canvas.SetRulerFontSize(static_cast<int>(g_Config.m_RulerWeight));
  m_canvas.SetDecimalPrecision(static_cast<int>(g_Config.m_DecimalPrecision));
  m_canvas.SetLineCap(static_cast<int>(g_Config.m_LineCap), nullptr);
  m_canvas.SetSolid(g_Config.m_Solid, nullptr);
  m_canvas.SetShowMeasureResult(g_Config.m_ShowMeasureResult, nullptr);
  m_canvas.m_hWndFrame = g_pMainFrame ? g_pMainFrame->m_hWnd : GetTopLevelParent();
  m_canvas.SetBackgroundColor(g_Config.m_BackgroundColor);
  m_canvas.ShowGrid(g_Config.m_GridShow);
  m_canvas.SetGridWeight(static_cast<int>(g_Config.m_GridWeight));
  m_canvas.SetGridColor(g_Config.m_GridColor);
  m_canvas.SetCrossColor(g_Config.m_CrossColor);
  m_canvas.ShowCross(g_Config.m_CrossShow);
  m_canvas.SetCrossTrack(g_Config.m_CrossTrack);
  m_canvas.SetMagnifierWeight(static_cast<int>(g_Config.m_MagnifierWeight));
  m_canvas.SetMagnifierDisplay(static_cast<int>(g_Config.m_MagnifierDisplay));
  m_canvas.SetMagnifierMouse(g_Config.m_MagnifierMouse);
  m_canvas.SetAngle4Pts(g_Config.m_Angle4Pts);
  m_canvas.SetClipartFixedSize(g_Config.m_ClipartFixS, nullptr);
  m_canvas.SetTextBackgroundColor(g_Config.m_TextBackgroundColor, nullptr);
  m_canvas.SetTextBackground(g_Config.m_TextBackground, nullptr);
  m_canvas.SetTextBorder(g_Config.m_TextBorder, nullptr);
  // The skin's sample text becomes the setting, so that it is saved with
  // the others.
  if (!g_Config.m_TextContent.empty()) {
    m_canvas.SetText(g_Config.m_TextContent.c_str());
  } else if (const wchar_t* sample = SkinText(L"TextInput")) {
    g_Config.m_TextContent = sample;
    if (sample[0]) m_canvas.SetText(sample);
  }
}

LRESULT CWndRender::OnSkinInit(UINT, WPARAM, LPARAM, BOOL&) {
  MarkStartup(StartupCanvasBegin);
  ApplySettings();
  g_pDirectUI = &m_canvas;
  HWND frame = g_pMainFrame ? g_pMainFrame->m_hWnd : GetTopLevelParent();
  // Without a canvas window the host carries on: the canvas keeps its values.
  if (m_canvas.Create(nullptr, m_hWnd, frame)) {
    RECT rc{};
    GetClientRect(&rc);
    ::MoveWindow(m_canvas.m_hWnd, 0, 0, rc.right, rc.bottom, FALSE);
  }
  if (HCURSOR region = ::LoadCursorW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDC_REGION_SELECT)))
    m_canvas.m_hCursorCross = region;
  return 0;
}

LRESULT CWndRender::OnSizeMessage(UINT, WPARAM, LPARAM lParam, BOOL&) {
  const int width = static_cast<short>(LOWORD(lParam)), height = static_cast<short>(HIWORD(lParam));
  if (width < 32 || height < 32) return 0;
  if (m_canvas.m_hWnd) ::MoveWindow(m_canvas.m_hWnd, 0, 0, width, height, TRUE);
  if (g_pWndProperties) g_pWndProperties->RefreshZoom(m_canvas.m_pActiveImage);
  return 0;
}
