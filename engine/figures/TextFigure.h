// The text box: a rectangle of window pixels holding a word-wrapped text in
// the figure's face and text colour, on an optional half-transparent box. The
// text is composed line by line into a bitmap of the box's size and drawn in
// slices of at most 256 pixels through the canvas's staging texture. The box
// keeps its screen size when the picture is zoomed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/figures/Draw.h"

struct IDirect3DSurface9;
class FTFont;

// Wraps a text into a bitmap of width x height 32-bit pixels, lines centred
// horizontally, one line at a time through the line buffer (pitch x lineRows
// bytes, the font's target while this runs). Returns the rows the lines took,
// which may be more than the bitmap holds.
int WrapTextIntoBitmap(FTFont* font, const wchar_t* text, uint8_t* bitmap, int width, int height, int pitch,
                       uint8_t* lineBuffer, int lineRows);

class CDTText : public CDTDraw {
 public:
  // One slice of at most 256 x 256 pixels of the box.
  class CCell {
   public:
    virtual ~CCell() = default;
    CDTText* m_pOwner = nullptr;
    RECT m_rcSource{};
    RECT m_rcScreen{};
    TexturedVertex m_quad[4]{};
  };

  CDTText();
  // A new box at a click (window pixels) with a copy of the text.
  CDTText(POINT point, const wchar_t* text);
  ~CDTText() override;

  int Draw() override;
  int CreateDeviceObjects() override;
  int ReleaseDeviceObjects() override;
  int OnFontFaceChanged() override;
  int OnLButtonUp(UINT flags, const POINT* point) override;
  void OnVertexMoved(int index) override;
  void MoveBy(float dx, float dy) override;
  void Reposition(float dx, float dy, BOOL zoomChanged) override;
  void Measure() override;
  void BuildHandles() override;
  void SetTextBackgroundColor(DWORD argb, BOOL repaint) override;
  void SetTextBackground(BOOL on, BOOL repaint) override;
  void SetTextBorder(BOOL on, BOOL repaint) override;
  void OnTextColorChanged() override;
  void GetStoredExtra(FigureExtra* extra) const override;
  // Before creation the stored box and text are taken as they are; on a box
  // that exists they wait for the vertices of the same snapshot record.
  void SetStoredExtra(const FigureExtra& extra) override;
  void SetVertices(const std::vector<PointF>& points) override;

  void SetText(const wchar_t* text);
  void SetBoxSize(int width, int height);
  // Brings an existing box to a snapshot's vertices, box size and text.
  void Restore(const std::vector<PointF>& vertices, float boxWidth, float boxHeight, const wchar_t* text);

  int m_bBackground = 1;
  int m_bBorder = 1;
  ColorVertex m_frame[5]{};
  ColorVertex m_box[9]{};
  IDirect3DSurface9* m_pSurface = nullptr;
  int m_nRowPitch = 0;
  std::unique_ptr<uint8_t[]> m_pBitmap;
  int m_nBoxWidth = 0;
  int m_nBoxHeight = 0;
  std::unique_ptr<uint8_t[]> m_pLineBuffer;
  int m_nLineRows = 32;
  int m_nColumns = 0;
  int m_nRows = 0;
  std::unique_ptr<CCell[]> m_pCells;
  std::wstring m_strText;
  FTFont* m_pFont = nullptr;
  int m_nAlignment = 1;
  PointF m_center{};

 private:
  void LayoutAroundHandle0(float width, float height);
  void RebuildFrame();
  void LayoutCells();
  void ComposeText();
  void ReleaseFont();
  void ReleaseSurface();

  // A snapshot's box and text, held until its vertices arrive.
  bool m_bPending = false;
  float m_fPendingWidth = 0.0f;
  float m_fPendingHeight = 0.0f;
  bool m_bPendingText = false;
  std::wstring m_strPendingText;
};
