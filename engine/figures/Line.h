// The line figure: a straight line or polyline measured as the sum of its
// segment lengths. Every segment carries a green midpoint handle; dragging one
// and releasing it turns it into a vertex that splits the segment. Thin lines
// draw as a line strip, thick ones as stroked triangles.
#pragma once

#include "engine/figures/Draw.h"

struct IDirect3DVertexBuffer9;

class CDTLine : public CDTDraw {
 public:
  CDTLine();
  // A line being drawn: both ends at the press point (window pixels).
  explicit CDTLine(POINT point);
  ~CDTLine() override;

  int Draw() override;
  bool MayDrawOver(const CLabelBatch& batch) const override;
  bool DrawnExtent(RECT* out) const override;
  void NoteDrawing() override;
  bool ChangedArea(RECT* out) const override;
  int CreateDeviceObjects() override;
  int ReleaseDeviceObjects() override;
  int OnLButtonDown(UINT flags, const POINT* point) override;
  int OnLButtonUp(UINT flags, const POINT* point) override;
  void OnVertexMoved(int index) override;
  void MoveBy(float dx, float dy) override;
  void Reposition(float dx, float dy, BOOL zoomChanged) override;
  void Measure() override;
  void BuildHandles() override;
  void FormatValue(wchar_t* buffer, int length) override;
  void SetVertices(const std::vector<PointF>& points) override;
  void OnLineColorChanged() override;
  void OnPenWeightChanged() override;
  void OnLineCapChanged() override;

  void InsertMidpoints();
  void RecentreMidpoints();
  void BuildGeometry();

  // A triangle's three corners, compared by their bits.
  struct TriangleKey {
    float corners[6];
  };

  IDirect3DVertexBuffer9* m_pVertexBuffer = nullptr;
  int m_nTriangles = 0;
  int m_nVertexCount = 0;
  double m_dLength = 0.0;

 private:
  int m_nBufferCapacity = 0;       // vertices the buffer has room for
  std::vector<PointF> m_previous;  // the outline before the last rebuild
  // What NoteDrawing saw, and room to compare it with what is drawn now.
  std::vector<PointF> m_notedOutline;
  std::vector<PointF> m_notedHandles;
  int m_nNotedTriangles = 0;
  int m_nNotedPenWeight = 0;
  RECT m_rcNotedLabel{};
  mutable std::vector<TriangleKey> m_sortedBefore;
  mutable std::vector<TriangleKey> m_sortedAfter;
  void ReleaseBuffer();
  // Writes the outline points into the buffer: the ones that differ from the
  // previous outline's first `previousCount`, or all into a new buffer when
  // the buffer is too small.
  void FillBuffer(int previousCount);
  void ComputeLength();
  void FormatLength();
};
