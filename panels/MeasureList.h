// The measurement group of the side pane: one row per figure of the current
// document (the calibration ruler excepted) with its name and value, and the
// load, save, remove-all, undo, redo, visible and locked buttons. The main
// frame keeps it in step with the canvas.
#pragma once

#include <windows.h>

#include <string>

#include "panels/GroupPanel.h"
#include "panels/OwnerDrawnList.h"

class AvlfIconBtn;
class CDTElement;
class CDTImage;

enum MeasureButtonId {
  MEASURE_LOAD = 1,
  MEASURE_SAVE = 2,
  MEASURE_REMOVE_ALL = 3,
  MEASURE_UNDO = 4,
  MEASURE_REDO = 5,
  MEASURE_VISIBLE = 10,
  MEASURE_LOCKED = 11,
  MEASURE_LIST = 12
};

class CWndMeasure : public CWndGroup {
 public:
  CWndMeasure();
  ~CWndMeasure() override;

  BEGIN_MSG_MAP(CWndMeasure)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnSkinInitMessage)
  MESSAGE_HANDLER(WM_COMMAND, OnCommand)
  CHAIN_MSG_MAP(CWndGroup)
  END_MSG_MAP()

  void SetDocument(CDTImage* document);
  void OnFigureAdded(CDTElement* figure);
  void OnFigureRemoved(CDTElement* figure);
  void SelectFigure(CDTElement* figure);
  void SetFigureVisible(CDTElement* figure, BOOL visible);
  void SetFigureLocked(CDTElement* figure, BOOL locked);
  void RefreshFigureText(CDTElement* figure);
  void UpdateUndoRedo(BOOL refresh);
  void Undo();
  void Redo();
  void RemoveAll();
  // The row text of a figure; valid until the next call.
  const wchar_t* GetRowText(CDTElement* figure);

  // The list's callbacks.
  void OnListKeyDown(unsigned key);
  void OnRemoveItem(CWndListEx::CItem* item);

  CWndListEx m_list;
  CDTElement* m_pFigure = nullptr;
  CDTImage* m_pDocument = nullptr;
  AvlfIconBtn* m_pVisible = nullptr;
  AvlfIconBtn* m_pLocked = nullptr;
  AvlfWindowBase* m_pRemoveAll = nullptr;
  AvlfWindowBase* m_pUndo = nullptr;
  AvlfWindowBase* m_pRedo = nullptr;
  AvlfWindowBase* m_pSave = nullptr;

 private:
  LRESULT OnSkinInitMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& handled);
  LRESULT OnCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& handled);
  void OnListSelectionChanged();
  // Sets visibility (button 10) or locking (11) of the selected figures.
  void ToggleSelected(int button);
  // Remove-all and save buttons and the remove-all command.
  void EnableRemoval(bool any);
  void SetMenuState(UINT command, bool enabled);
  // The row text with an already built number format.
  const wchar_t* RowText(CDTElement* figure, const std::wstring& format);

  wchar_t m_szRowText[512]{};
};

extern CWndMeasure* g_pWndMeasure;
