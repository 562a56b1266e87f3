// The base of every figure a document holds: type and style, the defining
// points as vertices (picture pixels) and as handles (window pixels), the
// measurement label and value text, and the editing most figures share.
#pragma once

#include <guiddef.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/Element.h"
#include "engine/Types.h"
#include "engine/figures/Label.h"

class CDTImage;

struct PointF {
  float x;
  float y;
};

// A draggable square around one defining point, in window pixels.
struct FigureHandle {
  FigureHandle(float x, float y);
  // Re-lays the square around the new centre.
  void SetCenter(float x, float y);
  void SetMarked(int marked);

  ColorVertex square[5];
  float cx;
  float cy;
  int tag = 1;
  int marked = 0;
};

// The stored variable data that belongs to one figure type: the text
// figure's box and text, the clip-art's picture path, size flag and scales,
// the angle figures' complement flag.
struct FigureExtra {
  float boxWidth = 0.0f;
  float boxHeight = 0.0f;
  bool hasText = false;
  std::wstring text;
  bool hasPath = false;
  std::wstring path;
  uint32_t fixedSize = 1;
  float scaleX = 1.0f;
  float scaleY = 1.0f;
  // A fixed clip-art is stored by its centre, written for every vertex.
  bool storesCentre = false;
  PointF centre{};
  uint8_t complement = 0;
};

class CDTDraw : public CDTElement {
 public:
  CDTDraw();
  explicit CDTDraw(POINT point);
  ~CDTDraw() override;

  int ReleaseDeviceObjects() override;
  int OnFontFaceChanged() override;
  int OnLButtonDown(UINT flags, const POINT* point) override;
  int OnLButtonUp(UINT flags, const POINT* point) override;
  int OnMouseMove(UINT flags, const POINT* point) override;
  int OnMouseEnter(UINT flags, const POINT* point) override;
  int OnMouseLeave(UINT flags, const POINT* point) override;

  virtual void UpdateBounds();
  // Every window pixel the figure's drawing may touch, label and handles
  // included; false when the figure cannot tell (the whole frame is then drawn).
  virtual bool DrawnExtent(RECT* /*out*/) const { return false; }
  // Remembers what the figure draws now, before an edit; ChangedArea then
  // gives the window pixels the edit may have changed (false when unknown).
  virtual void NoteDrawing();
  virtual bool ChangedArea(RECT* out) const;
  virtual void OnVertexMoved(int /*index*/) {}
  virtual void MoveBy(float /*dx*/, float /*dy*/) {}
  // The document's picture moved on the screen or its zoom changed.
  virtual void Reposition(float /*dx*/, float /*dy*/, BOOL /*zoomChanged*/) {}
  // Vertices from the handles, then the value, its text and the label.
  virtual void Measure() {}
  virtual void BuildHandles() {}
  virtual void SetVertexScreen(int index, float x, float y);
  virtual int SetFontSize(int size, BOOL repaint);
  virtual void SetTextBackgroundColor(DWORD argb, BOOL repaint);
  virtual void SetTextBackground(BOOL on, BOOL repaint);
  virtual void SetTextBorder(BOOL on, BOOL repaint);
  // Figures without a value leave the buffer as it was.
  virtual void FormatValue(wchar_t* /*buffer*/, int /*length*/) {}
  virtual void SetVertices(const std::vector<PointF>& /*points*/) {}
  virtual void OnLineColorChanged() {}
  virtual void OnPenWeightChanged() {}
  virtual void OnSolidChanged() {}
  virtual void OnTextColorChanged() {}
  virtual void Unused() {}
  virtual void OnLineCapChanged() {}
  // Project files and undo snapshots: the figure's own variable data.
  virtual void GetStoredExtra(FigureExtra* /*extra*/) const {}
  virtual void SetStoredExtra(const FigureExtra& /*extra*/) {}

  void SetLineColor(DWORD argb, BOOL repaint);
  void SetPenWeight(int weight, BOOL repaint);
  void SetLineCap(int cap, BOOL repaint);
  void SetSolid(BOOL solid, BOOL repaint);
  void SetTextColor(DWORD argb, BOOL repaint);

  void SetFontFace(const wchar_t* face);
  void AppendVertex(float x, float y);
  // Appends a handle at a window position; the figure owns it.
  FigureHandle* AddHandle(float x, float y);
  void AttachToDocument(CDTImage* document);
  void PlaceLabel();
  // Gives the label the figure's face (else the canvas's), colour and size.
  void InitLabel();
  void ScreenToPixel(float sx, float sy, float* px, float* py) const;
  void PixelToScreen(float px, float py, float* sx, float* sy) const;
  void GetVertexPixel(int index, float* x, float* y) const;
  void GetVertexValue(int index, float* x, float* y) const;
  void SetVertexPixel(int index, float x, float y);
  // A length in picture pixels in calibrated units.
  double CalibratedLength(double pixels) const;
  int HitHandle(const POINT* point) const;
  bool IsFarFromPrevious(int index, const POINT* point) const;
  void FinishCreation();
  void ConstrainToAxis(float* x, float* y, const POINT* mouse) const;
  void DrawHandle(const FigureHandle* handle, bool selected) const;
  void NudgeBy(float dx, float dy);
  void SelectNextHandle();
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
  wchar_t* m_pszFontFace = nullptr;
  int m_bComplete = 0;
  int m_bWholeDrag = 0;
  int m_nSelectedHandle = -1;
  int m_nWorkingIndex = -1;
  POINT m_ptPress{};
  std::vector<PointF> m_vertices;  // picture pixels
  std::vector<std::unique_ptr<FigureHandle>> m_handles;
  std::vector<PointF> m_outline;  // screen points of the drawn geometry
  PointF m_dragAnchor{};
  CDTLabel m_label;
  wchar_t m_szValue[256]{};
  GUID m_guid{};

 protected:
  void AfterStyleChange(BOOL repaint);
  // The extent of the handles and the label, grown by their drawing's reach.
  void AddHandlesAndLabel(RECT* extent) const;
  static RECT HandleExtent(float cx, float cy);
  RECT LabelExtent() const;
  // Repaints what the edit since NoteDrawing changed, or the whole frame.
  void RepaintChange();

  RECT m_rcNoted{};
  bool m_bNoted = false;
  void MoveHandlesBy(float dx, float dy);
  // Records an undo snapshot of the document, except for the ruler.
  void RecordHistory();
};
