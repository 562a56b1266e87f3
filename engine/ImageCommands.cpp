// The document's side of the command protocol: frames, layout, zoom,
// calibration, unit, info lines, deletion, selection, files, undo and redo.

#include <algorithm>
#include <cmath>
#include <cwchar>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/Draw.h"
#include "engine/figures/Ruler.h"

namespace {

bool IsPositive(double value) { return std::isfinite(value) && value > 0.0; }

// First 255 characters of a unit into the zero-filled field.
void CopyUnit(wchar_t (&unit)[256], const wchar_t* text) {
  std::wmemset(unit, 0, 256);
  std::wcsncpy(unit, text, 255);
}

}  // namespace

LRESULT CDTImage::Send(int command, int value, void* data) { return m_pOwner->SendCommand(this, command, value, data); }

int CDTImage::UploadFrame(const void* pixels, int width, int height, int stride, const wchar_t* infoText) {
  if (!HasCanvas()) return 0;
  ImageFrameData frame{pixels, infoText, width, height, stride};
  Send(IMAGE_FRAME, 0, &frame);
  return 0;
}

int CDTImage::UploadTileFrame(const wchar_t* infoText, const void* pixels, int width, int height, int stride, int tile,
                              int x, int y, BOOL bottomUp) {
  if (!HasCanvas()) return 0;
  ImageTileFrameData data{{pixels, nullptr, width, height, stride}, tile, x, y, bottomUp, infoText};
  Send(IMAGE_TILE_FRAME, 0, &data);
  return 0;
}

int CDTImage::SetLayout(int tiles, int tileWidth, int tileHeight) {
  if (!HasCanvas()) return 0;
  ImageLayoutData layout{tiles, tileWidth, tileHeight};
  Send(IMAGE_LAYOUT, 0, &layout);
  return 0;
}

int CDTImage::SetZoomMode(int mode, float zoom) {
  if (!HasCanvas()) return 0;
  ImageZoomData data{mode, zoom};
  Send(IMAGE_ZOOM, 0, &data);
  return 0;
}

int CDTImage::CalibrateLength(double length) {
  if (!IsPositive(length)) return 0;
  if (HasCanvas()) return static_cast<int>(Send(IMAGE_CALIBRATE_LENGTH, 0, &length));
  return OnCalibrateLength(length);
}

void CDTImage::SetReferenceScale(const double* values, int count) {
  if (!values || count < 1) return;
  if (HasCanvas())
    Send(IMAGE_SCALE, count, const_cast<double*>(values));
  else
    OnScale(values, count);
}

void CDTImage::SetMultiPower(double power) {
  if (!IsPositive(power)) return;
  if (HasCanvas())
    Send(IMAGE_MULTI_POWER, 0, &power);
  else
    OnMultiPower(power);
}

void CDTImage::SetUnit(const wchar_t* unit) {
  if (!unit) return;
  if (HasCanvas())
    Send(IMAGE_UNIT, 0, const_cast<wchar_t*>(unit));
  else
    OnUnit(unit);
}

void CDTImage::ShowInfoLine(int line) {
  if (HasCanvas()) Send(IMAGE_INFO_LINE, 1, reinterpret_cast<void*>(static_cast<INT_PTR>(line)));
}

void CDTImage::HideInfoLine(int line) {
  if (HasCanvas()) Send(IMAGE_INFO_LINE, 0, reinterpret_cast<void*>(static_cast<INT_PTR>(line)));
}

int CDTImage::DeleteFigure(CDTElement* figure) {
  if (!HasCanvas()) return 0;
  return static_cast<int>(Send(IMAGE_DELETE_FIGURE, 0, figure));
}

int CDTImage::SelectElement(CDTElement* element) {
  if (!HasCanvas()) {
    if (element != m_pSelected) {
      if (m_pSelected) static_cast<CDTDraw*>(m_pSelected)->m_nSelectedHandle = -1;
      m_pSelected = element;
    }
    return 0;
  }
  return static_cast<int>(Send(IMAGE_SELECT, 0, element));
}

int CDTImage::MergeFile(const wchar_t* path) {
  return HasCanvas() ? static_cast<int>(Send(IMAGE_MERGE_FILE, 0, const_cast<wchar_t*>(path))) : 0;
}

BOOL CDTImage::SaveFile(const wchar_t* path) {
  return HasCanvas() ? static_cast<BOOL>(Send(IMAGE_SAVE_FILE, 0, const_cast<wchar_t*>(path))) : FALSE;
}

int CDTImage::LoadFile(const wchar_t* path) {
  return HasCanvas() ? static_cast<int>(Send(IMAGE_LOAD_FILE, 0, const_cast<wchar_t*>(path))) : 0;
}

void CDTImage::Undo() {
  if (HasCanvas()) Send(IMAGE_UNDO, 0, nullptr);
}

void CDTImage::Redo() {
  if (HasCanvas()) Send(IMAGE_REDO, 0, nullptr);
}

LRESULT CDTImage::Command(int command, int value, void* data, int* handled) {
  if (handled) *handled = 1;
  switch (command) {
    case IMAGE_FRAME:
      if (data) OnFrame(*static_cast<const ImageFrameData*>(data), FALSE);
      m_pOwner->Repaint();
      return 0;
    case IMAGE_TILE_FRAME:
      if (data) OnTileFrame(*static_cast<const ImageTileFrameData*>(data));
      m_pOwner->Repaint();
      return 0;
    case IMAGE_LAYOUT:
      return data ? OnLayout(*static_cast<const ImageLayoutData*>(data)) : 0;
    case IMAGE_ZOOM:
      if (data)
        OnZoomRequest(static_cast<const ImageZoomData*>(data)->mode, static_cast<const ImageZoomData*>(data)->zoom);
      return 0;
    case IMAGE_CALIBRATE:
      return data ? OnCalibrate(*static_cast<const ImageCalibrateData*>(data)) : 0;
    case IMAGE_CALIBRATE_LENGTH:
      return data ? OnCalibrateLength(*static_cast<const double*>(data)) : 0;
    case IMAGE_SCALE:
      OnScale(static_cast<const double*>(data), value);
      return 0;
    case IMAGE_MULTI_POWER:
      if (data) OnMultiPower(*static_cast<const double*>(data));
      return 0;
    case IMAGE_UNIT:
      OnUnit(static_cast<const wchar_t*>(data));
      return 0;
    case IMAGE_INFO_LINE: {
      const int line = static_cast<int>(std::clamp<INT_PTR>(reinterpret_cast<INT_PTR>(data), 0, 3));
      CInfoLine& info = m_pOwner->m_infoLines[line];
      if (value == 1)
        info.Show(this, line);
      else if (value == 0)
        info.Hide();
      return 0;
    }
    case IMAGE_DELETE_FIGURE:
      return OnDelete(static_cast<CDTElement*>(data));
    case IMAGE_SELECT: {
      const int changed = OnSelect(static_cast<CDTElement*>(data));
      m_pOwner->Repaint();
      return changed;
    }
    case IMAGE_MERGE_FILE:
      return OnReadFile(static_cast<const wchar_t*>(data), false);
    case IMAGE_SAVE_FILE:
      return OnSaveFile(static_cast<const wchar_t*>(data));
    case IMAGE_LOAD_FILE:
      return OnReadFile(static_cast<const wchar_t*>(data), true);
    case IMAGE_UNDO:
    case IMAGE_REDO:
      OnUndoRedo(command == IMAGE_UNDO);
      return 0;
    default:
      return CDTElement::Command(command, value, data, handled);
  }
}

int CDTImage::OnLayout(const ImageLayoutData& layout) {
  const int w = layout.tileWidth, h = layout.tileHeight;
  if (w < 1 || h < 1) return 0;
  const int tiles = std::clamp(layout.tiles, 1, 4);
  if (tiles == m_nTileCount && w == m_nTileWidth && h == m_nTileHeight) return 1;
  {
    std::lock_guard<std::recursive_mutex> guard(m_frameLock);
    m_pFrame.Release();
  }
  if (m_nZoomMode == 1) m_rcBounds.left = m_rcBounds.top = 0;
  m_nTileCount = tiles;
  m_nTileWidth = w;
  m_nTileHeight = h;
  for (CTile& tile : m_tiles) tile = {0, 0, w, h};
  if (tiles <= 1) {
    m_nWidth = w;
    m_nHeight = h;
  } else if (tiles == 2) {
    m_nWidth = 2 * w;
    m_nHeight = h;
    m_tiles[1].x = w;
  } else {
    m_nWidth = 2 * w;
    m_nHeight = 2 * h;
    m_tiles[1].x = w;
    m_tiles[2].y = h;
    m_tiles[3].x = w;
    m_tiles[3].y = h;
  }
  RebuildCells();
  ApplyZoom(TRUE);
  if (m_pOwner->m_pObserver) m_pOwner->m_pObserver->OnImageResized();
  return 0;
}

void CDTImage::OnZoomRequest(int mode, float zoom) {
  if (m_nWidth <= 0 || m_nHeight <= 0 || mode < 0 || mode > 2) return;
  if (mode == 2 && !std::isfinite(zoom)) return;
  m_nZoomMode = mode;
  if (mode == 1) {
    m_fZoom = 1.0f;
    CentreInWindow();
  } else if (mode == 2) {
    const float next = std::clamp(zoom, 0.2f, 15.0f);
    m_rcBounds.left = static_cast<LONG>(m_nWidth / 2 * m_fZoom + 0.5f) + m_rcBounds.left -
                      static_cast<LONG>(m_nWidth / 2 * next + 0.5f);
    m_rcBounds.top = static_cast<LONG>(m_nHeight / 2 * m_fZoom + 0.5f) + m_rcBounds.top -
                     static_cast<LONG>(m_nHeight / 2 * next + 0.5f);
    m_fZoom = next;
  }
  ApplyZoom(TRUE);
  m_pOwner->Repaint();
}

int CDTImage::OnCalibrateLength(double length) {
  const double pixels = m_pRuler ? m_pRuler->PixelLength() : 0.0;
  if (!IsPositive(length) || !(pixels > 0.0)) return 0;
  ReferenceScale = length / pixels * MultiPower;
  RemeasureAll();
  ReportFigureChanged();
  return 1;
}

int CDTImage::OnCalibrate(const ImageCalibrateData& data) {
  const double pixels = m_pRuler ? m_pRuler->PixelLength() : 0.0;
  if (!data.unit || !data.unit[0] || !(pixels > 0.0) || !IsPositive(data.length) || !IsPositive(data.magnification))
    return 0;
  CopyUnit(m_szUnit, data.unit);
  ReferenceScale = data.length / pixels * data.magnification;
  MultiPower = data.magnification;
  RemeasureAll();
  return 1;
}

void CDTImage::OnScale(const double* values, int count) {
  // A scale that is missing, zero, negative or not a number would poison every
  // measurement and the ruler's length; it is ignored.
  if (!values || count < 1 || !IsPositive(values[0])) return;
  const double old = ReferenceScale;
  ReferenceScale = values[0];
  // The stored ruler direction comes as four more values; fewer are not read.
  if (count >= 5 && m_pRuler && std::all_of(values + 1, values + 5, [](double v) { return std::isfinite(v); }))
    m_pRuler->TurnTo(old, ReferenceScale, values + 1);
  RemeasureAll();
  ReportFigureChanged();
}

void CDTImage::OnMultiPower(double power) {
  if (!IsPositive(power)) return;
  MultiPower = power;
  RemeasureAll();
  ReportFigureChanged();
}

void CDTImage::OnUnit(const wchar_t* unit) {
  if (!unit || !unit[0]) return;
  CopyUnit(m_szUnit, unit);
  RemeasureAll();
  ReportFigureChanged();
}

void CDTImage::RemoveFigure(CDTElement* figure) {
  m_pOwner->ForgetElement(figure);
  DestroyChildren(figure);
  m_children.erase(std::find(m_children.begin(), m_children.end(), figure));
  delete figure;
}

int CDTImage::OnDelete(CDTElement* figure) {
  if (figure && figure == m_pRuler) return 0;
  if (m_pSelected) static_cast<CDTDraw*>(m_pSelected)->m_nSelectedHandle = -1;
  m_pSelected = nullptr;
  if (m_pOwner->m_pObserver) m_pOwner->m_pObserver->OnFigureSelected(nullptr);

  if (figure) {
    auto it = std::find(m_children.begin(), m_children.end(), figure);
    if (it == m_children.end()) {
      m_history.Push();
      return 0;
    }
    RemoveFigure(figure);
    m_pOwner->Repaint();
    m_history.Push();
    return 1;
  }
  bool any = false;
  for (;;) {
    auto it = std::find_if(m_children.begin(), m_children.end(),
                           [this](const CDTElement* e) { return e != m_pRuler && e->m_bRemove; });
    if (it == m_children.end()) break;
    RemoveFigure(*it);
    any = true;
  }
  if (any) m_pOwner->Repaint();
  m_history.Push();
  return 0;
}

int CDTImage::OnSelect(CDTElement* figure) {
  if (figure == m_pSelected) return 0;
  if (m_pSelected) static_cast<CDTDraw*>(m_pSelected)->m_nSelectedHandle = -1;
  m_pSelected = figure;
  if (m_pOwner && m_pOwner->m_pObserver) m_pOwner->m_pObserver->OnFigureSelected(figure);
  return 1;
}

void CDTImage::OnUndoRedo(bool undo) {
  if (m_pOwner->m_pCaptured) m_pOwner->ReleaseCapturedElement();
  {
    // One frame once the figures and the selection are back: of the part the
    // restore changed, when it knows the part.
    CRepaintHold hold(m_pOwner);
    GUID remembered{};
    const bool hadSelection = m_pSelected != nullptr;
    if (hadSelection) remembered = static_cast<CDTDraw*>(m_pSelected)->m_guid;
    m_bRestoredInPart = false;
    const bool restored = undo ? m_history.Undo() : m_history.Redo();
    CDTElement* keep = nullptr;
    if (hadSelection) {
      for (CDTElement* child : m_children)
        if (IsEqualGUID(static_cast<CDTDraw*>(child)->m_guid, remembered)) keep = child;
    }
    if (keep != m_pSelected) {
      OnSelect(keep);
      m_bRestoredInPart = false;  // handles shown or hidden elsewhere
    }
    if (restored && m_bRestoredInPart) hold.DrawOnly(m_rcRestored);
  }
  if (m_pOwner->m_pObserver) {
    m_pOwner->m_pObserver->OnHistoryChanged(this);
    m_pOwner->m_pObserver->OnHistoryRestored(this);
  }
}
