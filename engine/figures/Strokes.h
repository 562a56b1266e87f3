// Buffer and stroke helpers for the measuring figures drawn from a few
// straight pieces and arcs: point-to-line, parallel lines, angles, circle.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "engine/figures/Draw.h"

struct IDirect3DVertexBuffer9;
class CDirectUI;
class PGraphic;

namespace strokes {

// Releases the buffer and clears the pointer.
void Release(IDirect3DVertexBuffer9** buffer);

// A new managed buffer holding the points (each written half a pixel up and
// left) in one colour; null without a device, on failure or for no points.
IDirect3DVertexBuffer9* MakeBuffer(CDirectUI* canvas, const PointF* points, int count, DWORD colour);

// Rewrites the positions of the buffer's first count vertices.
void WritePositions(IDirect3DVertexBuffer9* buffer, const PointF* points, int count);

// Gives the buffer's first count vertices one colour.
void WriteColour(IDirect3DVertexBuffer9* buffer, int count, DWORD colour);

// Strokes the open polyline with the width, cap and join, and appends the
// corners of its triangles to out. Returns the number of triangles.
int StrokeInto(const PointF* points, int count, int width, int cap, int join, std::vector<PointF>* out);

// Strokes (width > 0) or fills (width 0) the closed outline a source yields
// and appends the triangle corners to out. Returns the number of triangles.
int OutlineInto(PGraphic* source, int width, std::vector<PointF>* out);

// The points a source yields, narrowed to float.
void CollectPoints(PGraphic* source, std::vector<PointF>* out);

// Sets the stage-0 state the flat-coloured figures draw with.
void PrepareFlatColour(CDirectUI* canvas);

// The value printed with the canvas's number of decimals.
std::wstring Number(CDirectUI* canvas, double value);

// Copies the text into the caller's buffer, cut to fit, always ending in a zero.
void CopyText(const std::wstring& text, wchar_t* buffer, int length);

// Figures with a fixed number of points.
// A stored figure: keeps the first count vertices, puts a handle on each and
// marks the figure complete.
void HandlesFromVertices(CDTDraw* figure, size_t count);
// After a zoom: every handle back on its vertex's window position.
void HandlesOntoVertices(CDTDraw* figure);
// The first count handles into the vertices, in picture pixels.
void VerticesFromHandles(CDTDraw* figure, size_t count);
// An undo snapshot: takes each of the first count points that differs from
// its vertex, moving the handle with it. False when nothing changed, the
// figure is not complete or there are too few points.
bool TakeVertices(CDTDraw* figure, const std::vector<PointF>& points, size_t count);
// The creation clicks of figures placed point by point; last is the index
// of the last handle. A release returns true when the figure became complete
// and the base's release handling is to follow.
bool ReleaseWhileCreating(CDTDraw* figure, const POINT* point, int last);
void PressWhileCreating(CDTDraw* figure, int last);

}  // namespace strokes
