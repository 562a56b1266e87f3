#pragma once

#include <cstddef>
#include <vector>

#include "engine/geometry/Path.h"
#include "engine/geometry/PointBlockList.h"

typedef struct GLUtesselator GLUtesselator;

// One GLU tessellator with the vertices it was fed and the triangles it
// returned. Vertices are owned here, those made by the tessellator included.
class TriangleTessellator {
 public:
  TriangleTessellator();
  TriangleTessellator(const TriangleTessellator&) = delete;
  TriangleTessellator& operator=(const TriangleTessellator&) = delete;
  ~TriangleTessellator();

  bool Valid() const { return m_tess != nullptr; }
  // Forgets the vertices and triangles, keeping their storage and the glu tessellator.
  void Clear();
  TessVertex* AddVertex(double x, double y);
  // Feeds every vertex added so far as one contour; with nonzero false the
  // odd winding rule fills it.
  void Tessellate(bool nonzero);

  int TriangleCount() const { return static_cast<int>(m_triangles.size()); }
  Triangle* GetTriangle(int index) { return &m_triangles[static_cast<std::size_t>(index)]; }
  std::size_t VertexCount() const { return m_vertices.Size(); }

  // Callback bodies; public for the glu32 trampolines.
  void Begin(unsigned type);
  void AddTessVertex(TessVertex* v);
  TessVertex* Combine(const double coords[3]);

 private:
  void Emit();

  GLUtesselator* m_tess = nullptr;
  bool m_stripParity = false;
  unsigned m_primitive = 0;
  TessVertex* m_a = nullptr;
  TessVertex* m_b = nullptr;
  TessVertex* m_c = nullptr;
  PointBlockList<TessVertex, 8> m_vertices;  // stable addresses for the tessellator
  std::vector<Triangle> m_triangles;
};
