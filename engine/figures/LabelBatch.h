// Draws the labels of a frame together: their glyph rows are kept in a few
// large atlas textures, and the labels queued while figures draw go out in
// one call for all boxes, one for all borders and one per atlas page.
//
// A label is drawn later than its figure asked for, so the queue is drawn
// before anything that may touch a queued label's pixels: a label that
// overlaps one already queued, a figure that cannot show it keeps clear of
// them, handles, and the end of the frame. The frame therefore blends exactly
// as if every label had drawn itself in turn.
#pragma once

#include <windows.h>
#include <d3d9.h>

#include <vector>

#include "engine/Types.h"
#include "win32/ComPtr.h"

class CDirectUI;
class CDTElement;
class CDTLabel;

class CLabelBatch {
 public:
  static constexpr int kPageSize = 1024;
  static constexpr int kMaxPages = 4;
  static constexpr int kScratchRows = kCellSize + 8;  // the tallest place

  explicit CLabelBatch(CDirectUI* canvas) : m_pCanvas(canvas) {}
  CLabelBatch(const CLabelBatch&) = delete;
  CLabelBatch& operator=(const CLabelBatch&) = delete;

  // Queues the label; false when it must draw itself now (the queue is then
  // already drawn, so it still lands after everything before it).
  bool Add(CDTLabel* label);
  // An element is about to draw: the queue goes first unless the element
  // keeps clear of it. The outermost end draws what is left.
  void BeginElement(const CDTElement* element);
  void EndElement();
  // Draws the queue and leaves the device's states as they were.
  void Flush();
  // Whether something drawn within the rectangle or the triangle (window
  // pixels, as the vertices are given) may touch a queued label.
  bool Touches(float left, float top, float right, float bottom) const;
  bool TouchesTriangle(float ax, float ay, float bx, float by, float cx, float cy) const;
  bool Empty() const { return m_extents.empty(); }
  // The atlas lives in the default pool: released before a reset, made again when needed.
  void ReleaseDeviceObjects();

  // Off draws every label by itself, the reference the batch must match.
  bool m_bEnabled = true;
  int m_nLineAntialias = 0;  // the device's line antialiasing, kept by the canvas

 private:
  struct Shelf {
    int y;
    int height;
    int x;
  };
  struct Page {
    win32::CComPtr<IDirect3DTexture9> texture;
    std::vector<Shelf> shelves;
    int top = 0;  // first row no shelf uses
    std::vector<TexturedVertex> quads;
  };

  // Gives the label a place in the atlas holding its present glyphs.
  bool Place(CDTLabel* label);
  bool Allocate(int width, int height, int* page, RECT* slot);
  bool AllocateIn(Page& page, int width, int height, RECT* slot);
  bool AddPage();
  // Writes the label's glyph alpha, in its clear ring, to the place.
  bool Upload(CDTLabel* label, IDirect3DSurface9* target, const RECT& slot);
  // Leaves the device as the label's own drawing would have.
  void LeaveLabelState(bool text);

  CDirectUI* m_pCanvas;
  std::vector<Page> m_pages;
  // The text takes its colour from the vertices, so the atlas keeps alpha only;
  // the bytes go through this system-memory surface.
  win32::CComPtr<IDirect3DSurface9> m_pScratch;
  unsigned m_nGeneration = 1;  // a label's place counts only in the generation it was given
  int m_nDepth = 0;
  int m_nQueuedAntialias = 0;
  std::vector<ColorVertex> m_boxes;  // each queued box, then its border bars
  std::vector<RECT> m_extents;
  RECT m_bounds{};  // of every queued extent
};
