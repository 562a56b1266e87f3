// The camera panel: the first group of the side pane. It picks the camera,
// its video format, frame size and still size, and carries the capture
// buttons; it shows what the camera factory and the current camera report.
#pragma once

#include <windows.h>

#include <vector>

#include "panels/GroupPanel.h"

class AvlfComboBox;
class CDTImage;
class COrvelCamera;
class COrvelCameraDS;
struct SubtypeGroup;

// Menu resource of the still sizes and the command ids inside it.
inline constexpr int IDR_STILL_SIZE_MENU = 221;
inline constexpr UINT ID_STILL_SAMPLE = 35000;
inline constexpr UINT ID_STILL_SIZE_FIRST = 35001;
inline constexpr UINT ID_STILL_SIZE_LAST = 35100;

// The address the phone-camera entry opens.
extern const wchar_t kPhoneCameraPage[];

// Start, pause, stop, record, still-size and list changes for a capture state.
struct CaptureStateView {
  int start;  // SW_SHOW, SW_HIDE or -1 unchanged
  int pause;
  int stop;  // 1 enable, 0 disable, -1 unchanged
  int record;
  int stillSize;
  int lists;  // format and resolution lists
};
// What the panel shows for a factory state; stillFormats tells whether the
// current camera (if any) has a still size, hasCamera whether there is one.
CaptureStateView ViewForCaptureState(int state, bool hasCamera, bool stillFormats);

class CWndCamera : public CWndGroup {
 public:
  CWndCamera() = default;
  ~CWndCamera() override;

  // Skin command ids of the controls.
  enum ControlId {
    kCameraList = 1,
    kLiveView = 2,
    kFormatList = 3,
    kResolutionList = 4,
    kStillSize = 5,
    kStart = 6,
    kPause = 7,
    kStop = 8,
    kSnapshot = 9,
    kRecord = 10,
    kColor = 11,
    kSettings = 12,
  };

  BEGIN_MSG_MAP(CWndCamera)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnSkinInit)
  MESSAGE_HANDLER(WM_COMMAND, OnCommand)
  CHAIN_MSG_MAP(CWndGroup)
  END_MSG_MAP()

  void AddCamera(COrvelCamera* camera);
  void RemoveCamera(COrvelCamera* camera);
  void EnableSnapshotButton(BOOL enable);
  void SetCurrentCamera(COrvelCamera* camera);
  void OnCaptureState(int state);
  void SetCurrentDocument(CDTImage* document);
  bool IsGroupExpanded() const { return !m_bCollapsed; }

  BOOL ShowChildOnExpand(HWND child) override;

  void RefreshCamera();
  void EnableControls(BOOL enable);
  void FillFormatLists(COrvelCamera* camera);
  void OnCameraSelected();
  void ShowStillSizeMenu();

  CDTImage* m_pCurrentDocument = nullptr;
  COrvelCamera* m_pCurrentCamera = nullptr;
  AvlfComboBox* m_pCameraList = nullptr;
  AvlfComboBox* m_pFormatList = nullptr;
  AvlfComboBox* m_pResolutionList = nullptr;
  AvlfWindowBase* m_pLiveView = nullptr;
  AvlfWindowBase* m_pStillSize = nullptr;
  AvlfWindowBase* m_pSnapshot = nullptr;
  AvlfWindowBase* m_pRecord = nullptr;
  AvlfWindowBase* m_pStart = nullptr;
  AvlfWindowBase* m_pPause = nullptr;
  AvlfWindowBase* m_pStop = nullptr;
  AvlfWindowBase* m_pSettings = nullptr;
  AvlfWindowBase* m_pColor = nullptr;

  // The popup shown by ShowStillSizeMenu, while it is open (for tests).
  HMENU m_hStillMenu = nullptr;
  // Opens the phone-camera page; tests put a recorder here.
  static void (*s_pOpenAddress)(const wchar_t* address);

 private:
  LRESULT OnSkinInit(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  LRESULT OnCommand(UINT uMsg, WPARAM wParam, LPARAM lParam, BOOL& bHandled);
  // Item data of a camera entry: list items hold 32 bits, so the entry holds
  // a slot number (from 1; 0 is the phone-camera entry).
  int CameraData(COrvelCamera* camera);
  COrvelCamera* CameraOf(int data) const;
  void AppendPhoneEntry();
  void EnableCameraList();
  // Fills the resolution list from group `index` of the camera; see FillFormatLists.
  void FillResolutionList(COrvelCameraDS* camera, int index);
  void OnFormatChosen();
  void OnResolutionChosen();
  void OnLiveView();

  std::vector<COrvelCamera*> m_CameraSlots;
  bool m_bFilling = false;
};
