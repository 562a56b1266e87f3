// The canvas's aiming and information overlays: grid, cross-hair, magnifier,
// histogram panel and the four info lines. All draw with pre-transformed
// vertices in window pixels, on the canvas thread.
#pragma once

#include <windows.h>
#include <d3d9.h>

#include <cstdint>
#include <string>

#include "engine/Types.h"
#include "win32/ComPtr.h"

class CDirectUI;
class CDTImage;
class FTFont;
struct HistogramSpec;

// Lines every spacing window pixels across and down the whole window.
class CDTGrid {
 public:
  void Attach(CDirectUI* canvas) { m_pCanvas = canvas; }
  void SetColor(DWORD argb) { m_clrLine = m_clrLine2 = argb; }
  void Draw();

  CDirectUI* m_pCanvas = nullptr;
  int m_bShow = 0;
  int m_nWeight = 25;  // spacing; below 1 nothing is drawn
  DWORD m_clrLine = 0xBF808080;
  DWORD m_clrLine2 = 0xBF808080;
  ColorVertex m_line[2]{};
};

// Two red lines through the window centre, or through the cursor when tracking.
class CDTCross {
 public:
  CDTCross();
  void Attach(CDirectUI* canvas);
  void Resize(float width, float height);
  void SetColor(DWORD argb);
  void Track(POINT p);
  void Draw();

  CDirectUI* m_pCanvas = nullptr;
  ColorVertex m_v[8]{};  // 0-3 centre lines, 4-7 tracking lines
  int m_bShow = 0;
  int m_bTrack = 0;
  int m_bInWindow = 0;
  float m_fWidth = 0.0f;
  float m_fHeight = 0.0f;
  DWORD m_clrLine = 0xFFFF0000;
  POINT m_pt{};
};

// The picture around a point, enlarged into a square box.
class CDTMagnifier {
 public:
  CDTMagnifier();
  void CreateDeviceObjects(CDirectUI* canvas);
  void ReleaseDeviceObjects();
  void Draw(CDTImage* document);

  CDirectUI* m_pCanvas = nullptr;
  IDirect3DDevice9* m_pDevice = nullptr;
  int m_bShow = 0;
  int m_bMouse = 0;     // the box follows the cursor instead of the bottom-left corner
  int m_nWeight = 3;    // magnification
  int m_nDisplay = 64;  // half box size, window pixels
  win32::CComPtr<IDirect3DVertexBuffer9> m_pQuad;
  RECT m_rcSource{};
  POINT m_pt{-1, -1};
  ColorVertex m_v[7]{};  // 0-1 cross mark, 2-6 border
  float m_fCentreX = 0.0f;
  float m_fCentreY = 0.0f;

 private:
  bool Prepare(CDTImage* document);
};

// A document's red, green and blue counts, 255 bins each (255 falls in none).
class CHistogramBins {
 public:
  static constexpr int kBins = 255;
  CHistogramBins();
  ~CHistogramBins();
  CHistogramBins(const CHistogramBins&) = delete;
  CHistogramBins& operator=(const CHistogramBins&) = delete;

  bool m_bComputed = false;
  uint32_t* m_pRed = nullptr;
  uint32_t* m_pGreen = nullptr;
  uint32_t* m_pBlue = nullptr;
  float m_fMaxRed = 0.0f;
  float m_fMaxGreen = 0.0f;
  float m_fMaxBlue = 0.0f;
};

// Splits frames into channel planes, counts them into the document's bins and
// draws the three curves on a dark panel at the top right.
class CHistogram {
 public:
  CHistogram();
  ~CHistogram();
  CHistogram(const CHistogram&) = delete;
  CHistogram& operator=(const CHistogram&) = delete;

  void Attach(CDirectUI* canvas);
  bool SetFrame(CDTImage* document, const void* pixels, int width, int height, int pitch);
  bool Compute(CDTImage* document);
  void Draw(CDTImage* document);
  void SetPosition(int width, int height);
  void SetShown(bool shown) { m_bShow = shown; }
  void ReleaseBuffers();

  CDirectUI* m_pCanvas = nullptr;
  IDirect3DDevice9* m_pDevice = nullptr;
  CDTImage* m_pDocument = nullptr;
  int m_nBins = CHistogramBins::kBins;
  int m_nCapacityWidth = 0;
  int m_nCapacityHeight = 0;
  uint8_t* m_pRed = nullptr;
  uint8_t* m_pGreen = nullptr;
  uint8_t* m_pBlue = nullptr;
  int m_bShow = 0;
  bool m_bReady = false;
  ColorVertex m_panel[4]{};
  ColorVertex m_red[CHistogramBins::kBins]{};
  ColorVertex m_green[CHistogramBins::kBins]{};
  ColorVertex m_blue[CHistogramBins::kBins]{};
  int m_nSpecWidth = 0;
  int m_nSpecHeight = 0;
  float m_fOriginX = 0.0f;
  float m_fOriginY = 6.0f;
  HistogramSpec* m_pSpec = nullptr;
  uint8_t* m_pWork = nullptr;

 private:
  void FreeSpec();
};

// One line of red text at the top left, shown for one document.
class CInfoLine {
 public:
  static constexpr int kWidth = 256;
  static constexpr int kHeight = 48;
  static constexpr int kFontSize = 20;
  CInfoLine();
  ~CInfoLine();
  CInfoLine(const CInfoLine&) = delete;
  CInfoLine& operator=(const CInfoLine&) = delete;

  void CreateDeviceObjects(CDirectUI* canvas);
  void ReleaseDeviceObjects();
  void Show(const CDTImage* document, int index);
  void Hide();
  void SetText(const wchar_t* text);
  void Draw(const CDTImage* document);
  void OnFontFaceChanged();

  TexturedVertex m_quad[4]{};
  CDirectUI* m_pCanvas = nullptr;
  win32::CComPtr<IDirect3DSurface9> m_pSurface;
  int m_nTextWidth = kWidth;
  FTFont* m_pFont = nullptr;
  float m_fX = 12.0f;
  float m_fY = 12.0f;
  int m_bShown = 0;
  RECT m_rcSource{0, 0, kWidth, kHeight};
  const CDTImage* m_pDocument = nullptr;
  std::wstring m_strText;  // the text last drawn

 private:
  void Clear(const D3DLOCKED_RECT& lr);
  void LayoutQuad();
};
