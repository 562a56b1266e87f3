// The property panels of the measuring figures: the held figure's measured
// values as plain numbers, each with a copy button, and the three label
// switches (show the value, background box, border). The angle panel adds
// the switch between three-point and four-point angles. All ten panels share
// CFigurePanel; a table row says what each one shows.
#pragma once

#include <windows.h>

#include "panels/PanelBase.h"
#include "toolkit/SkinWindow.h"

class AvlfIconBtn;
class CDTDraw;

// The controls of every figure panel by skin CommandID.
enum FigurePanelControlId {
  FIGURE_SHOW_RESULT = 2,
  FIGURE_LABEL_BACKGROUND = 3,
  FIGURE_LABEL_BORDER = 4,
  FIGURE_ANGLE_4PTS = 6,
  FIGURE_VALUE1 = 21,
  FIGURE_COPY1 = 22,
  FIGURE_VALUE2 = 24,
  FIGURE_COPY2 = 25,
  FIGURE_VALUE3 = 27,
  FIGURE_COPY3 = 28
};

// How a value window shows its value(s).
enum class FigureValueFormat { kNone, kSingle, kAngle, kPair };

// What one figure panel shows.
struct FigurePanelTraits {
  const wchar_t* captionKey;
  int firstType;  // the DrawTypes the panel shows, inclusive
  int lastType;
  bool captionFromName;  // the held figure's name titles the panel
  bool fourPointSwitch;
  FigureValueFormat formats[3];  // value windows 21, 24, 27
  // The figure's values in calibrated units: window k shows values[2k], a
  // pair values[2k] and values[2k + 1].
  void (*read)(const CDTDraw& figure, double (&values)[6]);
};

class CFigurePanel : public CWndSettingsBase {
 public:
  explicit CFigurePanel(const FigurePanelTraits& traits) : m_traits(traits) {}

  const wchar_t* GetCaption() override;
  void Update() override;
  void RefreshValues(int vertex) override;
  void RefreshStyle(CDTImage* document) override;

  // The held figure is one this panel shows.
  bool HoldsOwnFigure() const;
  // Finds the controls in the panel's window and takes the canvas's document.
  void InitControls(AvlfWindowBase& panel);
  // What a click on one of the panel's controls does; false for other ids.
  bool OnControl(int id);

  const FigurePanelTraits& m_traits;
  AvlfIconBtn* m_pShowResult = nullptr;
  AvlfIconBtn* m_pTextBackground = nullptr;
  AvlfIconBtn* m_pTextBorder = nullptr;
  AvlfIconBtn* m_pAngle4Pts = nullptr;
  HWND m_hValues[3]{};

 private:
  void ShowLabelToggles(bool shown);
  void ToggleFourPoints();
};

template <class T>
class CWndSettingsFigure : public AvlfWindowImpl<T>, public CFigurePanel {
 public:
  explicit CWndSettingsFigure(const FigurePanelTraits& traits) : CFigurePanel(traits) {}

  static win32::CWndClassInfo& GetWndClassInfo() {
    static win32::CWndClassInfo info = {T::kClassName, CS_DBLCLKS, nullptr, IDC_ARROW, nullptr, 0, nullptr, {}};
    return info;
  }

  BEGIN_MSG_MAP(CWndSettingsFigure)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnSkinInit)
  MESSAGE_HANDLER(WM_COMMAND, OnCommand)
  CHAIN_MSG_MAP(AvlfWindowImpl<T>)
  END_MSG_MAP()

 private:
  LRESULT OnSkinInit(UINT, WPARAM, LPARAM, BOOL&) {
    InitControls(*this);
    return 0;
  }
  // The panel's own controls are handled here, whatever the notification;
  // anything else goes on to be reflected.
  LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
    if (!OnControl(LOWORD(wParam))) handled = FALSE;
    return 0;
  }
};

#define MENSARO_FIGURE_PANEL(Name)                          \
  class Name : public CWndSettingsFigure<Name> {            \
   public:                                                  \
    static constexpr const wchar_t* kClassName = L"" #Name; \
    Name();                                                 \
  };

MENSARO_FIGURE_PANEL(CWndSettingsLine)
MENSARO_FIGURE_PANEL(CWndSettingsAngle)
MENSARO_FIGURE_PANEL(CWndSettingsParallelLines)
MENSARO_FIGURE_PANEL(CWndSettingsPoint2Line)
MENSARO_FIGURE_PANEL(CWndSettingsCurve)
MENSARO_FIGURE_PANEL(CWndSettingsCircle)
MENSARO_FIGURE_PANEL(CWndSettingsEllipse)
MENSARO_FIGURE_PANEL(CWndSettingsRectangle)
MENSARO_FIGURE_PANEL(CWndSettingsPolygon)
MENSARO_FIGURE_PANEL(CWndSettingsCurvePolygon)

#undef MENSARO_FIGURE_PANEL

class CWndProperties;

// The ten panels as the property host keeps them.
struct CFigurePanels {
  // Makes every panel one of the host's panels.
  void HostIn(CWndProperties& host);

  CWndSettingsLine m_wndLine;
  CWndSettingsAngle m_wndAngle;
  CWndSettingsParallelLines m_wndParallelLines;
  CWndSettingsCurve m_wndCurve;
  CWndSettingsCircle m_wndCircle;
  CWndSettingsEllipse m_wndEllipse;
  CWndSettingsRectangle m_wndRectangle;
  CWndSettingsPolygon m_wndPolygon;
  CWndSettingsCurvePolygon m_wndCurvePolygon;
  CWndSettingsPoint2Line m_wndPoint2Line;
};
