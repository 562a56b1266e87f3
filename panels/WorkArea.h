// The work area beside the tool palette: the canvas host, the splitter bar,
// the side pane, the status strip and the thumbnail pane, in fixed geometry,
// with the two pane switches and their settings.
#pragma once

#include "panels/Bars.h"
#include "panels/CameraPanel.h"
#include "panels/CanvasHost.h"
#include "panels/ClipartPanel.h"
#include "panels/GeneralPanel.h"
#include "panels/FigurePanel.h"
#include "panels/ImagePanel.h"
#include "panels/MagnifierPanel.h"
#include "panels/MeasureList.h"
#include "panels/PropertyHost.h"
#include "panels/TextPanel.h"
#include "panels/RulerPanel.h"
#include "panels/ThumbnailStrip.h"
#include "panels/VertexPanel.h"
#include "toolkit/SkinWindow.h"

// The side pane: camera panel, measurement list and property host, stacked.
class CWndSettings : public AvlfWindowImpl<CWndSettings> {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();

  BEGIN_MSG_MAP(CWndSettings)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnSkinInit)
  MESSAGE_HANDLER(WM_SIZE, OnSizeMessage)
  COMMAND_ID_HANDLER(1, OnCameraHeader)
  CHAIN_MSG_MAP(AvlfWindowImpl<CWndSettings>)
  END_MSG_MAP()

  LRESULT OnSkinInit(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnSizeMessage(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnCameraHeader(WORD, WORD, HWND, BOOL&);
  void Layout();

  CWndCamera m_wndCamera;
  CWndMeasure m_wndMeasure;
  CWndProperties m_wndProperties;
  RECT m_rcClient{};
};

// The thumbnail pane: the host of the thumbnail strip.
class CWndDetail : public AvlfWindowImpl<CWndDetail> {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();

  BEGIN_MSG_MAP(CWndDetail)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnSkinInit)
  CHAIN_MSG_MAP(AvlfWindowImpl<CWndDetail>)
  END_MSG_MAP()

  LRESULT OnSkinInit(UINT, WPARAM, LPARAM, BOOL&);

  CWndImageList m_wndImageList;
};

class CWndProcess : public AvlfWindowImpl<CWndProcess> {
 public:
  static win32::CWndClassInfo& GetWndClassInfo();
  CWndProcess();
  ~CWndProcess() override;

  BEGIN_MSG_MAP(CWndProcess)
  MESSAGE_HANDLER(WM_SKIN_INIT, OnSkinInit)
  MESSAGE_HANDLER(WM_SIZE, OnSizeMessage)
  COMMAND_ID_HANDLER(2, OnToggleSettings)
  COMMAND_ID_HANDLER(4, OnToggleDetail)
  CHAIN_MSG_MAP(AvlfWindowImpl<CWndProcess>)
  END_MSG_MAP()

  LRESULT OnSkinInit(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnSizeMessage(UINT, WPARAM, LPARAM lParam, BOOL&);
  LRESULT OnToggleSettings(WORD, WORD, HWND, BOOL&);
  LRESULT OnToggleDetail(WORD, WORD, HWND, BOOL&);
  void Layout();

  CWndRender m_wndRender;
  CWndRuler m_wndSplitter;
  CWndSettings m_wndSettings;
  CWndHorizontalRuler m_wndRuler;  // the status strip
  CWndDetail m_wndDetail;
  BOOL m_bShowSettings = TRUE;
  BOOL m_bShowDetail = TRUE;
  RECT m_rcClient{};

  // The panels the main frame talks to, where they live.
  CWndMeasure& m_wndMeasure = m_wndSettings.m_wndMeasure;
  CWndCamera& m_wndCamera = m_wndSettings.m_wndCamera;
  CWndProperties& m_wndProperties = m_wndSettings.m_wndProperties;
  CWndImageList& m_wndImages = m_wndDetail.m_wndImageList;
  CWndSettingsZoom m_wndSettingsZoom;
  CWndSettingsClipart m_wndSettingsClipart;
  CWndSettingsGeneral m_wndSettingsGeneral;
  CWndSettingsMagnifier m_wndSettingsMagnifier;
  CWndSettingsText m_wndSettingsText;
  CWndSettingsVertex m_wndSettingsVertex;
  CFigurePanels m_figurePanels;
  CWndSettingsRuler m_wndSettingsRuler;
};
