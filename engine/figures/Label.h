// The measurement label of a figure: one line of text rendered by the text
// engine into a system-memory surface and drawn in slices of at most 256
// pixels through the canvas's staging texture, on an optional box.
#pragma once

#include <windows.h>

#include <string>

#include "engine/Types.h"

struct IDirect3DSurface9;
struct IDirect3DDevice9;
class CDirectUI;
class CDTDraw;
class CLabelBatch;
class FTFont;

// Shows the "font missing" message; tests replace it so no box stops a run.
typedef void (*FontMessageFunction)(const wchar_t* text);
// Returns the previous function; null restores the message box.
FontMessageFunction SetFontMessageFunction(FontMessageFunction function);
// "Make sure you have the font file", through the function above; for every
// figure that cannot get its font.
void ShowFontMissingMessage();

class CDTLabel {
 public:
  // One 256-pixel column slice of the text.
  class CCell {
   public:
    virtual ~CCell() = default;
    CDTLabel* m_pLabel = nullptr;
    RECT m_rcSource{};
    RECT m_rcScreen{};
    TexturedVertex m_quad[4]{};
  };

  CDTLabel();
  CDTLabel(const CDTLabel&) = delete;
  CDTLabel& operator=(const CDTLabel&) = delete;
  virtual ~CDTLabel();

  void Init(CDirectUI* canvas, const wchar_t* face, DWORD textColour, int fontSize);
  void Attach(CDTDraw* figure);
  void SetText(const wchar_t* text);
  void SetFontFace(const wchar_t* face);
  void SetFontSize(int size);
  void UseCanvasFontFace();
  void SetTextColor(DWORD argb);
  void SetBackgroundColor(DWORD argb);
  void SetBackground(BOOL on) { m_bBackground = on ? 1 : 0; }
  void SetBorder(BOOL on) { m_bBorder = on ? 1 : 0; }
  // The figure's placement; a following label keeps its own.
  void PlaceAt(int x, int y);
  // The user's placement.
  void MoveTo(int x, int y);
  void RecordOffset();
  void UpdatePosition();
  // The text itself, not the box around it.
  BOOL HitTest(const POINT* point) const;
  int Draw();
  void ReleaseDeviceObjects();

  ColorVertex m_box[9]{};
  CDirectUI* m_pCanvas = nullptr;
  CDTDraw* m_pFigure = nullptr;
  std::wstring m_strFontFace;
  int m_nFontSize = 16;
  DWORD m_clrText = 0xFF0000FF;
  DWORD m_clrBackground = 0x80000000;
  IDirect3DSurface9* m_pSurface = nullptr;
  int m_nSurfaceRows = 0;  // rows of the surface: the drawn rows, at most 256
  int m_nTextHeight = 0;
  int m_nTextWidth = 0;
  int m_nCells = 0;
  CCell* m_pCells = nullptr;
  wchar_t m_szText[256]{};
  FTFont* m_pFont = nullptr;
  POINT m_ptPosition{};
  float m_fOffsetX = 0.0f;
  float m_fOffsetY = 0.0f;
  int m_bFollows = 0;
  int m_bBackground = 1;
  int m_bBorder = 1;
  // The label's place in its canvas's atlas (see CLabelBatch).
  CLabelBatch* m_pAtlasOwner = nullptr;
  unsigned m_nAtlasGeneration = 0;
  int m_nAtlasPage = -1;
  RECT m_rcAtlas{};
  bool m_bAtlasStale = true;  // the glyphs changed since they went to the atlas

  // The border as triangles (four one-pixel bars); the number of vertices.
  int BorderTriangles(ColorVertex (&v)[24]) const;

 private:
  void DrawBorder(IDirect3DDevice9* device) const;
  bool m_bRendered = false;  // the surface shows m_szText in m_pFont
  FTFont* ObtainFont(const wchar_t* face, int size);
  void Render();
  void Layout();
  // Box, border and text drawn at once, each slice through the staging texture.
  void DrawAlone();
  void FigureCenter(float* x, float* y) const;
  void LabelCenter(float* x, float* y) const;
};
