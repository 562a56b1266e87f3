// Placeholder for the figure base: the fields and operations the canvas, its
// commands and the document call, with the plainest behaviour. The real
// figure base (handles, drawing, mouse editing, labels) replaces it.
#pragma once

#include <guiddef.h>

#include <vector>

#include "engine/Element.h"
#include "engine/Types.h"
#include "engine/figures/Label.h"

class CDTImage;

struct PointF {
  float x;
  float y;
};

class CDTDraw : public CDTElement {
 public:
  CDTDraw() { m_pLabel = &m_label; }
  ~CDTDraw() override;

  int ReleaseDeviceObjects() override { return 0; }

  // The document's picture moved or zoomed: handles follow the vertices.
  virtual void Reposition(float dx, float dy, BOOL zoomChanged);
  // Vertices from the handles (picture pixels), then the value.
  virtual void Measure();
  virtual int SetFontSize(int size, BOOL repaint);
  virtual void SetTextBackgroundColor(DWORD argb, BOOL repaint);
  virtual void SetTextBackground(BOOL on, BOOL repaint);
  virtual void SetTextBorder(BOOL on, BOOL repaint);

  void SetLineColor(DWORD argb, BOOL repaint);
  void SetPenWeight(int weight, BOOL repaint);
  void SetLineCap(int cap, BOOL repaint);
  void SetSolid(BOOL solid, BOOL repaint);
  void SetTextColor(DWORD argb, BOOL repaint);

  void SetVertexScreen(int index, float x, float y);
  void UpdateBounds();
  void ScreenToPixel(float sx, float sy, float* px, float* py) const;
  void PixelToScreen(float px, float py, float* sx, float* sy) const;
  CDTImage* Document() const;

  int m_nType = DRAW_RULER;
  int m_nNumber = 0;
  int m_bShowResult = 1;
  int m_bSolid = 1;
  DWORD m_clrLine = 0xFFFF0000;
  int m_nPenWeight = 1;
  int m_nLineCap = 0;
  int m_nFontSize = 16;
  DWORD m_clrText = 0xFF0000FF;
  int m_bComplete = 0;
  int m_nSelectedHandle = -1;
  std::vector<PointF> m_vertices;  // picture pixels
  std::vector<PointF> m_handles;   // window pixels
  CDTLabel m_label;
  wchar_t m_szValue[256]{};
  GUID m_guid{};

 protected:
  void AfterStyleChange(BOOL repaint);
};
