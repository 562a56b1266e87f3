// What every property panel shares: the interface the property host calls
// (caption, update, the held document and figure) with a few helpers, and
// the common style block the host shows above the measuring panels.
#pragma once

#include <windows.h>

#include "toolkit/SkinWindow.h"

class AvlfIconBtn;
class AvlfUiElementText;
class CColorButton;
class CDTDraw;
class CDTElement;
class CDTImage;
class CFontButton;
class CWeightButton;

// The second base of every property panel window class.
class CWndSettingsBase {
 public:
  CWndSettingsBase() = default;
  CWndSettingsBase(const CWndSettingsBase&) = delete;
  CWndSettingsBase& operator=(const CWndSettingsBase&) = delete;
  virtual ~CWndSettingsBase();

  // The host's caption while the panel is shown; null for the host's own.
  virtual const wchar_t* GetCaption() = 0;
  // Reloads the controls from the held figure, or from the canvas defaults.
  virtual void Update() = 0;

  // Holds a drawing element (anything else counts as none); a change reloads.
  // A panel with its own way of taking the figure or document overrides these.
  virtual void SetFigure(CDTElement* element);
  // Holds the document and then its current figure as SetFigure does.
  virtual void SetDocument(CDTImage* document);
  // What the host forwards to the panels that show such values; most ignore
  // them. The host reaches every panel through this face only.
  virtual void RefreshValues(int /*vertex*/) {}
  virtual void RefreshStyle(CDTImage* /*document*/) {}
  virtual void OnZoomChanged(CDTImage* /*document*/) {}
  virtual void SetPreviousPanel(int /*panelId*/) {}
  // The control's text into m_szText; true when it held at least a character.
  bool ReadText(HWND control);
  static void CopyTextToClipboard(HWND control);
  // The label toggles: flip the figure's flag, or the canvas default and its
  // setting without a figure. Nothing without a canvas.
  bool ToggleShowResult(CDTDraw* figure, AvlfIconBtn* button);
  void ToggleTextBackground(CDTDraw* figure, AvlfIconBtn* button);
  void ToggleTextBorder(CDTDraw* figure, AvlfIconBtn* button);

  wchar_t m_szText[512]{};
  int m_nTextSize = 512;
  AvlfUiElementText* m_pCaption = nullptr;
  CDTImage* m_pDocument = nullptr;
  CDTElement* m_pFigure = nullptr;
};

// The style block's controls by skin CommandID.
enum StyleBlockControlId {
  STYLE_WEIGHT = 11,
  STYLE_LINE_COLOR = 12,
  STYLE_FILL = 13,
  STYLE_VERTICES = 14,
  STYLE_FONT_SIZE = 21,
  STYLE_TEXT_COLOR = 22,
  STYLE_TEXT_BK_COLOR = 23
};

// The common style block: line weight and colour, fill, the vertex panel,
// and the label's font size and colours, for the held figure or, without
// one, for figures drawn later (also stored in the settings).
class CWndSettingsMeasurements : public AvlfWindowImpl<CWndSettingsMeasurements> {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();

  BEGIN_MSG_MAP(CWndSettingsMeasurements)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnSkinInit)
  MESSAGE_HANDLER(WM_COMMAND, OnCommand)
  CHAIN_MSG_MAP(AvlfWindowImpl<CWndSettingsMeasurements>)
  END_MSG_MAP()

  void SetFigure(CDTElement* element);
  void SetDocument(CDTImage* document) { m_pDocument = document; }
  void Update();
  // After undo, redo or a loaded project: the held figure's style again.
  void RefreshStyle(CDTImage* document);
  // What a command from one of the controls does (also the WM_COMMAND path).
  void OnControl(int id);

  CWeightButton* m_pWeight = nullptr;
  CColorButton* m_pLineColor = nullptr;
  AvlfIconBtn* m_pFill = nullptr;
  AvlfWindowBase* m_pVertices = nullptr;
  CFontButton* m_pFontSize = nullptr;
  CColorButton* m_pTextColor = nullptr;
  CColorButton* m_pTextBkColor = nullptr;
  CDTElement* m_pFigure = nullptr;
  CDTImage* m_pDocument = nullptr;

 private:
  LRESULT OnSkinInit(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled);
  // Sets the value controls wherever they show something else.
  void ShowStyle(int weight, DWORD line, bool fill, int fontSize, DWORD text, DWORD textBk);
};
