// The canvas's command table and the operations that send it: style defaults
// and figure styles, fonts, texts, overlays, tools, documents and the device.

#include <algorithm>
#include <cstdio>
#include <cwchar>

#include "engine/DirectUI.h"
#include "engine/FigureTypes.h"
#include "engine/Image.h"
#include "engine/figures/Clipart.h"
#include "engine/figures/Draw.h"
#include "engine/figures/Ruler.h"
#include "engine/figures/TextFigure.h"

namespace {

void* AsData(INT_PTR value) { return reinterpret_cast<void*>(value); }
int FromData(void* data) { return static_cast<int>(reinterpret_cast<INT_PTR>(data)); }
DWORD ColorFromData(void* data) { return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(data)); }
int ClampFontSize(int size) { return std::clamp(size, 8, 64); }

// Whether element is root or lies in root's tree of children.
bool IsWithin(const CDTElement* element, const CDTElement* root) {
  for (; element; element = element->m_pParent)
    if (element == root) return true;
  return false;
}

}  // namespace

// ---- Operations ------------------------------------------------------------

void CDirectUI::SetBackgroundColor(DWORD argb) {
  if (!m_hWnd) {
    m_clrBackground = argb;
    return;
  }
  SendCommand(nullptr, CANVAS_BACKGROUND_COLOR, static_cast<int>(argb), AsData(static_cast<INT_PTR>(argb)));
}

void CDirectUI::SetActiveImage(CDTImage* document, BOOL redraw) {
  if (!m_hWnd) {
    if (document != m_pActiveImage) {
      m_pActiveImage = document;
      if (m_pObserver) m_pObserver->OnActiveImageChanged(document);
    }
    return;
  }
  SendCommand(nullptr, CANVAS_ACTIVE_IMAGE, redraw, document);
}

void CDirectUI::SetTool(int tool) {
  if (!m_hWnd) {
    m_nTool = tool;
    return;
  }
  SendCommand(nullptr, CANVAS_TOOL, tool, nullptr);
}

#define CANVAS_FIGURE_SETTER(Name, Type, command, field)            \
  void CDirectUI::Name(Type value, CDTDraw* figure) {               \
    if (!m_hWnd) {                                                  \
      field = value;                                                \
      return;                                                       \
    }                                                               \
    SendCommand(nullptr, command, static_cast<int>(value), figure); \
  }

CANVAS_FIGURE_SETTER(SetSolid, BOOL, CANVAS_SOLID, m_bSolid)
CANVAS_FIGURE_SETTER(SetPenWeight, int, CANVAS_PEN_WEIGHT, m_nPenWeight)
CANVAS_FIGURE_SETTER(SetLineColor, DWORD, CANVAS_LINE_COLOR, m_clrLine)
CANVAS_FIGURE_SETTER(SetClipartColor, DWORD, CANVAS_CLIPART_COLOR, m_clrClipart)
CANVAS_FIGURE_SETTER(SetClipartFixedSize, BOOL, CANVAS_CLIPART_FIXED, m_bClipartFixed)
CANVAS_FIGURE_SETTER(SetTextColor, DWORD, CANVAS_TEXT_COLOR, m_clrText)
CANVAS_FIGURE_SETTER(SetTextBackgroundColor, DWORD, CANVAS_TEXT_BK_COLOR, m_clrTextBk)
CANVAS_FIGURE_SETTER(SetTextBorder, BOOL, CANVAS_TEXT_BORDER, m_bTextBorder)
CANVAS_FIGURE_SETTER(SetTextBackground, BOOL, CANVAS_TEXT_BACKGROUND, m_bTextBackground)
CANVAS_FIGURE_SETTER(SetLineCap, int, CANVAS_LINE_CAP, m_nLineCap)
CANVAS_FIGURE_SETTER(SetShowMeasureResult, BOOL, CANVAS_SHOW_RESULT, m_bShowResult)
#undef CANVAS_FIGURE_SETTER

void CDirectUI::SetFont(int size, const wchar_t* face) {
  size = ClampFontSize(size);
  if (!m_hWnd) {
    m_nFontSize = size;
    if (face) m_strFontFace = face;
    return;
  }
  SendCommand(nullptr, CANVAS_FONT, size, const_cast<wchar_t*>(face));
}

void CDirectUI::SetFontSize(int size, CDTDraw* figure) {
  size = ClampFontSize(size);
  if (!m_hWnd) {
    if (figure)
      figure->SetFontSize(size, FALSE);
    else
      m_nFontSize = size;
    return;
  }
  SendCommand(nullptr, CANVAS_FONT_SIZE, size, figure);
}

void CDirectUI::SetFontFace(const wchar_t* face) {
  if (!m_hWnd) {
    if (face) m_strFontFace = face;
    return;
  }
  SendCommand(nullptr, CANVAS_FONT_FACE, 0, const_cast<wchar_t*>(face));
}

BOOL CDirectUI::SetClipartFile(const wchar_t* path) {
  if (!path || !m_hWnd) return FALSE;
  return static_cast<BOOL>(SendCommand(nullptr, CANVAS_CLIPART_FILE, 0, const_cast<wchar_t*>(path)));
}

void CDirectUI::SetText(const wchar_t* text) {
  if (!text) return;
  if (!m_hWnd) {
    if (text[0]) {
      std::wmemset(m_szNewText, 0, 256);
      std::wcsncpy(m_szNewText, text, 255);
    }
    return;
  }
  SendCommand(nullptr, CANVAS_TEXT, 0, const_cast<wchar_t*>(text));
}

#define CANVAS_VALUE_SETTER(Name, Type, command, store)                                          \
  void CDirectUI::Name(Type value) {                                                             \
    if (!m_hWnd) {                                                                               \
      store;                                                                                     \
      return;                                                                                    \
    }                                                                                            \
    SendCommand(nullptr, command, static_cast<int>(value), AsData(static_cast<INT_PTR>(value))); \
  }

CANVAS_VALUE_SETTER(ShowGrid, BOOL, CANVAS_GRID_SHOW, m_grid.m_bShow = value)
CANVAS_VALUE_SETTER(SetGridWeight, int, CANVAS_GRID_WEIGHT, if (value >= 1) m_grid.m_nWeight = value)
CANVAS_VALUE_SETTER(SetGridColor, DWORD, CANVAS_GRID_COLOR, m_grid.SetColor(value))
CANVAS_VALUE_SETTER(ShowCross, BOOL, CANVAS_CROSS_SHOW, m_cross.m_bShow = value)
CANVAS_VALUE_SETTER(SetCrossColor, DWORD, CANVAS_CROSS_COLOR, m_cross.SetColor(value))
CANVAS_VALUE_SETTER(SetCrossTrack, BOOL, CANVAS_CROSS_TRACK, m_cross.m_bTrack = value != 0)
CANVAS_VALUE_SETTER(ShowMagnifier, BOOL, CANVAS_MAGNIFIER_SHOW, m_magnifier.m_bShow = value)
CANVAS_VALUE_SETTER(SetMagnifierWeight, int, CANVAS_MAGNIFIER_WEIGHT, if (value > 0) m_magnifier.m_nWeight = value)
CANVAS_VALUE_SETTER(SetMagnifierDisplay, int, CANVAS_MAGNIFIER_DISPLAY, m_magnifier.m_nDisplay = value)
CANVAS_VALUE_SETTER(SetMagnifierMouse, BOOL, CANVAS_MAGNIFIER_MOUSE, m_magnifier.m_bMouse = value)
CANVAS_VALUE_SETTER(ShowHistogram, BOOL, CANVAS_HISTOGRAM_SHOW, m_histogram.SetShown(value != 0))
CANVAS_VALUE_SETTER(SetAngle4Pts, BOOL, CANVAS_ANGLE_4PTS, m_bAngle4Pts = value)
CANVAS_VALUE_SETTER(ShowInfoLines, BOOL, CANVAS_INFO_LINES, m_bShowInfoLines = value)
#undef CANVAS_VALUE_SETTER

int CDirectUI::AddFigureAtCenter() {
  if (!m_hWnd) return 0;
  return static_cast<int>(SendCommand(nullptr, CANVAS_ADD_FIGURE_AT_CENTER, 0, nullptr));
}

void CDirectUI::ResetDevice() {
  if (m_hWnd) SendCommand(nullptr, CANVAS_RESET_DEVICE, 0, nullptr);
}

HRESULT CDirectUI::DetachElement(CDTElement* element) {
  if (!m_hWnd) return E_FAIL;
  return static_cast<HRESULT>(SendCommand(nullptr, CANVAS_DETACH_ELEMENT, 0, element));
}

void CDirectUI::SetZoomMode(int mode, float zoom) {
  if (m_pActiveImage) m_pActiveImage->SetZoomMode(mode, zoom);
}

// ---- Dispatcher ------------------------------------------------------------

bool CDirectUI::IsActiveRuler(const CDTDraw* figure) const {
  return m_pActiveImage && figure == static_cast<const CDTDraw*>(m_pActiveImage->m_pRuler);
}

void CDirectUI::PushActive() {
  if (m_pActiveImage) m_pActiveImage->PushHistory();
}

LRESULT CDirectUI::Dispatch(int command, int value, void* data) {
  auto* figure = static_cast<CDTDraw*>(data);
  switch (command) {
    case CANVAS_ATTACH_ELEMENT: {
      auto* element = static_cast<CDTElement*>(data);
      if (!element) return E_INVALIDARG;
      element->m_pDevice = m_pDevice;
      if (element->Resize(element->m_rcBounds.right - element->m_rcBounds.left,
                          element->m_rcBounds.bottom - element->m_rcBounds.top) < 0) {
        DestroyChildren(element);
        return E_INVALIDARG;
      }
      if (element->CreateDeviceObjects() < 0) return E_INVALIDARG;
      m_elements.push_back(element);
      return 0;
    }
    case CANVAS_DETACH_ELEMENT: {
      auto* element = static_cast<CDTElement*>(data);
      if (!element) return E_INVALIDARG;
      ForgetInput(element);
      // Its figures are deleted below: the canvas keeps no pointer to them.
      if (IsWithin(m_pCaptured, element)) m_pCaptured = nullptr;
      if (IsWithin(m_pHovered, element)) m_pHovered = nullptr;
      if (m_pDraggedLabel && IsWithin(m_pDraggedLabel->m_pFigure, element)) m_pDraggedLabel = nullptr;
      DestroyChildren(element);
      m_elements.erase(std::remove(m_elements.begin(), m_elements.end(), element), m_elements.end());
      // A detached document reaches the canvas no more: late frames are dropped.
      element->m_pOwner = nullptr;
      element->m_pDevice = nullptr;
      if (element == m_pKeptImage) m_bFrameKept = false;
      if (element == m_pActiveImage) {
        m_pActiveImage = nullptr;
        Repaint();
      }
      return 0;
    }
    case CANVAS_BACKGROUND_COLOR:
      m_clrBackground = ColorFromData(data) | 0xFF000000;
      Repaint();
      return 0;
    case CANVAS_ACTIVE_IMAGE: {
      auto* document = static_cast<CDTImage*>(data);
      if (document != m_pActiveImage) {
        m_pActiveImage = document;
        if (document && document->m_pRuler) document->m_pRuler->Measure();
        if (m_pObserver) m_pObserver->OnActiveImageChanged(document);
      }
      if (value) Repaint();
      return 0;
    }
    case CANVAS_TOOL:
      ChangeTool(value);
      return 0;
    case CANVAS_SOLID:
      if (!figure) {
        m_bSolid = value;
      } else {
        figure->SetSolid(value, TRUE);
        PushActive();
      }
      return 0;
    case CANVAS_PEN_WEIGHT:
      if (!figure) {
        m_nPenWeight = value;
      } else {
        figure->SetPenWeight(value, TRUE);
        PushActive();
      }
      return 0;
    case CANVAS_LINE_COLOR:
      if (!figure) {
        m_clrLine = static_cast<DWORD>(value);
      } else if (IsActiveRuler(figure)) {
        m_clrRulerLine = static_cast<DWORD>(value);
        figure->SetLineColor(static_cast<DWORD>(value), TRUE);
      } else {
        figure->SetLineColor(static_cast<DWORD>(value), TRUE);
        PushActive();
      }
      return 0;
    case CANVAS_CLIPART_COLOR:
      if (!figure) {
        m_clrClipart = static_cast<DWORD>(value);
      } else if (figure->m_nType == DRAW_CLIPART) {
        figure->SetLineColor(static_cast<DWORD>(value), FALSE);
        Repaint();
        PushActive();
      }
      return 0;
    case CANVAS_CLIPART_FIXED:
      if (!figure) {
        m_bClipartFixed = value;
      } else if (figure->m_nType == DRAW_CLIPART) {
        static_cast<CDTClipart*>(figure)->SetFixed(value);
        Repaint();
        PushActive();
      }
      return 0;
    case CANVAS_TEXT_COLOR:
      if (!figure) {
        m_clrText = static_cast<DWORD>(value);
      } else if (IsActiveRuler(figure)) {
        m_clrRulerText = static_cast<DWORD>(value);
        figure->SetTextColor(static_cast<DWORD>(value), TRUE);
      } else {
        figure->SetTextColor(static_cast<DWORD>(value), TRUE);
        PushActive();
      }
      return 0;
    case CANVAS_TEXT_BK_COLOR:
      if (!figure) {
        m_clrTextBk = static_cast<DWORD>(value);
      } else {
        if (figure->m_nType == DRAW_RULER) m_clrRulerTextBk = static_cast<DWORD>(value);
        figure->SetTextBackgroundColor(static_cast<DWORD>(value), TRUE);
        if (figure->m_nType != DRAW_RULER) PushActive();
      }
      return 0;
    case CANVAS_TEXT_BORDER:
    case CANVAS_TEXT_BACKGROUND: {
      const bool border = command == CANVAS_TEXT_BORDER;
      auto apply = [&](CDTDraw* target) {
        if (border)
          target->SetTextBorder(value, TRUE);
        else
          target->SetTextBackground(value, TRUE);
      };
      if (!figure) {
        (border ? m_bTextBorder : m_bTextBackground) = value;
        if (m_pActiveImage && m_pActiveImage->m_pRuler) apply(m_pActiveImage->m_pRuler);
      } else {
        apply(figure);
        if (figure->m_nType != DRAW_RULER) PushActive();
      }
      return 0;
    }
    case CANVAS_FONT:
      m_nFontSize = value;
      if (data) m_strFontFace = static_cast<const wchar_t*>(data);
      return 0;
    case CANVAS_FONT_SIZE:
      if (figure)
        figure->SetFontSize(value, TRUE);
      else
        m_nFontSize = value;
      return 0;
    case CANVAS_FONT_FACE:
      if (data) {
        m_strFontFace = static_cast<const wchar_t*>(data);
        for (CDTElement* element : m_elements) element->OnFontFaceChanged();
        for (CInfoLine& line : m_infoLines) line.OnFontFaceChanged();
        Repaint();
      }
      return 0;
    case CANVAS_CLIPART_FILE: {
      if (!data) return 0;
      const auto* path = static_cast<const wchar_t*>(data);
      size_t length = std::wcslen(path);
      auto* copy = new wchar_t[length + 1]();
      std::wmemcpy(copy, path, length);
      delete[] m_pszClipartFile;
      m_pszClipartFile = copy;
      return 1;
    }
    case CANVAS_TEXT: {
      const auto* text = static_cast<const wchar_t*>(data);
      if (!text || !text[0]) return 0;
      std::wmemset(m_szNewText, 0, 256);
      std::wcsncpy(m_szNewText, text, 255);
      auto* selected = m_pActiveImage ? static_cast<CDTDraw*>(m_pActiveImage->m_pSelected) : nullptr;
      if (selected && selected->m_nType == DRAW_TEXT) {
        static_cast<CDTText*>(selected)->SetText(m_szNewText);
        Repaint();
        PushActive();
      }
      return 0;
    }
    case CANVAS_LINE_CAP:
      if (figure)
        figure->SetLineCap(value, TRUE);
      else
        m_nLineCap = value;
      return 0;
    case CANVAS_SHOW_RESULT:
      if (figure)
        figure->m_bShowResult = value;
      else
        m_bShowResult = value;
      Repaint();
      return 0;
    case CANVAS_GRID_SHOW:
      m_grid.m_bShow = FromData(data);
      Repaint();
      return 0;
    case CANVAS_GRID_WEIGHT:
      // Spacings below 1 are ignored: the grid would never reach the window's edge.
      if (FromData(data) >= 1) m_grid.m_nWeight = FromData(data);
      Repaint();
      return 0;
    case CANVAS_GRID_COLOR:
      m_grid.SetColor(ColorFromData(data));
      Repaint();
      return 0;
    case CANVAS_CROSS_SHOW:
      m_cross.m_bShow = FromData(data);
      Repaint();
      return 0;
    case CANVAS_CROSS_COLOR:
      m_cross.SetColor(ColorFromData(data));
      Repaint();
      return 0;
    case CANVAS_CROSS_TRACK:
      m_cross.m_bTrack = FromData(data) != 0;
      if (!m_cross.m_bTrack) Repaint();
      return 0;
    case CANVAS_MAGNIFIER_SHOW:
      m_magnifier.m_bShow = FromData(data);
      Repaint();
      return 0;
    case CANVAS_MAGNIFIER_WEIGHT:
      if (FromData(data) > 0) m_magnifier.m_nWeight = FromData(data);
      Repaint();
      return 0;
    case CANVAS_MAGNIFIER_DISPLAY:
      m_magnifier.m_nDisplay = FromData(data);
      Repaint();
      return 0;
    case CANVAS_MAGNIFIER_MOUSE:
      m_magnifier.m_bMouse = FromData(data);
      Repaint();
      return 0;
    case CANVAS_HISTOGRAM_SHOW:
      m_histogram.SetShown(FromData(data) != 0);
      Repaint();
      return 0;
    case CANVAS_ANGLE_4PTS:
      m_bAngle4Pts = FromData(data);
      return 0;
    case CANVAS_INFO_LINES:
      m_bShowInfoLines = FromData(data);
      return 0;
    case CANVAS_ADD_FIGURE_AT_CENTER: {
      RECT rc{};
      GetClientRect(&rc);
      const POINT centre{(rc.right - rc.left) / 2, (rc.bottom - rc.top) / 2};
      return CreateFigureForTool(&centre);
    }
    case CANVAS_RESET_DEVICE:
      ResetDevice(m_d3dpp.BackBufferWidth, m_d3dpp.BackBufferHeight);
      return 0;
    default:
      return 0;
  }
}

int CDirectUI::CreateFigureForTool(const POINT* p) {
  CDTImage* doc = m_pActiveImage;
  if (!doc || !p) return 0;
  const int tool = m_nTool;
  // The four-point angle is no tool of its own: the angle tool makes it.
  const int type = tool == DRAW_ANGLE && m_bAngle4Pts ? DRAW_ANGLE_PT4 : tool;
  const FigureType* row = tool == DRAW_ANGLE_PT4 ? nullptr : FindFigureType(type);
  const wchar_t* source = tool == DRAW_CLIPART ? m_pszClipartFile : tool == DRAW_TEXT ? m_szNewText : nullptr;
  const bool sourceMissing = (tool == DRAW_CLIPART || tool == DRAW_TEXT) && (!source || !source[0]);
  CDTDraw* figure = row && row->createAt && !sourceMissing ? row->createAt(*p, source) : nullptr;
  if (!figure) {
    if (m_pObserver) m_pObserver->OnFigureAdded(nullptr);
    ResetTool(DRAW_SELECT);
    return 0;
  }

  const int number = doc->NextFigureNumber();
  const wchar_t* prefix = m_pszPrefix[tool < DRAW_ANGLE_PT4 ? tool - 1 : tool - 2];
  wchar_t name[256]{};
  if (prefix)
    std::swprintf(name, 256, L"#%d %ls", number, prefix);
  else
    std::swprintf(name, 256, row->autoName, number);
  figure->Rename(name);
  figure->m_nNumber = number;
  figure->m_nSelectedHandle = row->selectedHandle;
  if (type == DRAW_CLIPART) static_cast<CDTClipart*>(figure)->SetFixed(m_bClipartFixed);
  ::CoCreateGuid(&figure->m_guid);
  figure->m_nType = type;

  figure->SetSolid(m_bSolid, FALSE);
  figure->SetLineColor(m_clrLine, FALSE);
  figure->SetPenWeight(m_nPenWeight, FALSE);
  figure->SetLineCap(m_nLineCap, FALSE);
  figure->SetFontSize(m_nFontSize, FALSE);
  figure->SetFontFace(m_strFontFace.c_str());
  figure->SetTextColor(m_clrText, FALSE);
  figure->m_bShowResult = m_bShowResult;
  figure->SetTextBackgroundColor(m_clrTextBk, FALSE);
  figure->SetTextBackground(m_bTextBackground, FALSE);
  figure->SetTextBorder(m_bTextBorder, FALSE);
  if (type == DRAW_CLIPART) figure->SetLineColor(m_clrClipart, FALSE);

  const RECT bounds{p->x, p->y, p->x, p->y};
  if (FAILED(figure->Create(this, doc, nullptr, &bounds))) {
    delete figure;
    return 0;
  }
  // A clip-art figure is placed with its one click; the others follow the mouse.
  if (type != DRAW_CLIPART) SetCapturedElement(figure);
  Repaint();
  if (m_pObserver) m_pObserver->OnFigureAdded(figure);
  doc->SelectElement(figure);
  if (type == DRAW_CLIPART || type == DRAW_TEXT) {
    figure->FinishCreation();
    doc->PushHistory();
  }
  return 1;
}

void CDirectUI::UpdateToolCursor() {
  HCURSOR cursor = m_nTool == DRAW_PAN ? m_hCursorSizeAll : m_nTool == DRAW_REGION ? m_hCursorCross : m_hCursorArrow;
  if (m_hWnd) ::SetClassLongPtrW(m_hWnd, GCLP_HCURSOR, reinterpret_cast<LONG_PTR>(cursor));
  m_hCursor = cursor;
}

void CDirectUI::ChangeTool(int tool) {
  CDTImage* doc = m_pActiveImage;
  if (tool != m_nTool && doc) {
    if (doc->m_pSelected) static_cast<CDTDraw*>(doc->m_pSelected)->m_nSelectedHandle = -1;
    doc->m_pSelected = nullptr;
    if (m_pObserver) m_pObserver->OnFigureSelected(nullptr);
    bool deleted = false;
    for (size_t i = 0; i < doc->m_children.size();) {
      auto* figure = static_cast<CDTDraw*>(doc->m_children[i]);
      if (figure != static_cast<CDTDraw*>(doc->m_pRuler) && !figure->m_bComplete) {
        ForgetElement(figure);
        DestroyChildren(figure);
        doc->m_children.erase(doc->m_children.begin() + static_cast<ptrdiff_t>(i));
        delete figure;
        deleted = true;
      } else {
        ++i;
      }
    }
    if (deleted) Repaint();
  }
  if (tool != DRAW_RULER) {
    m_nTool = tool;
    if (tool == DRAW_REGION) {
      m_region.SetActive(!m_region.m_bActive);
      Repaint();
      if (!m_region.m_bActive) ResetTool(DRAW_SELECT);
    }
  } else {
    if (doc && doc->m_pRuler) {
      CDTRuler* ruler = doc->m_pRuler;
      bool repaint = false;
      if (!ruler->m_bVisible) {
        ruler->m_bVisible = 1;
        repaint = true;
      }
      if (doc->m_pSelected != ruler) {
        doc->SelectElement(ruler);
        repaint = true;
      }
      if (repaint) Repaint();
    }
    m_nTool = DRAW_SELECT;
  }
  UpdateToolCursor();
}
