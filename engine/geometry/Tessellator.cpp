#include "engine/geometry/Tessellator.h"

#include <windows.h>

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

namespace {

// Beyond this glu32 clamps coordinates and reports an error; such an outline
// could not be shown anyway.
constexpr double kMaxCoordinate = 1e150;

using GluCallback = void(CALLBACK*)();

void CALLBACK OnBegin(GLenum type, void* data) { static_cast<TriangleTessellator*>(data)->Begin(type); }

void CALLBACK OnVertex(void* vertex, void* data) {
  static_cast<TriangleTessellator*>(data)->AddTessVertex(static_cast<TessVertex*>(vertex));
}

void CALLBACK OnCombine(GLdouble coords[3], void* /*neighbours*/[4], GLfloat /*weights*/[4], void** out, void* data) {
  *out = static_cast<TriangleTessellator*>(data)->Combine(coords);
}

void CALLBACK OnEnd(void*) {}
void CALLBACK OnError(GLenum, void*) {}

}  // namespace

TriangleTessellator::TriangleTessellator() {
  m_tess = gluNewTess();
  if (!m_tess) return;
  gluTessCallback(m_tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<GluCallback>(OnBegin));
  gluTessCallback(m_tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<GluCallback>(OnVertex));
  gluTessCallback(m_tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<GluCallback>(OnCombine));
  gluTessCallback(m_tess, GLU_TESS_END_DATA, reinterpret_cast<GluCallback>(OnEnd));
  gluTessCallback(m_tess, GLU_TESS_ERROR_DATA, reinterpret_cast<GluCallback>(OnError));
}

TriangleTessellator::~TriangleTessellator() {
  if (m_tess) gluDeleteTess(m_tess);
}

void TriangleTessellator::Clear() {
  m_vertices.Clear();
  m_triangles.clear();
  m_primitive = 0;
  m_a = m_b = m_c = nullptr;
  m_stripParity = false;
}

TessVertex* TriangleTessellator::AddVertex(double x, double y) {
  m_vertices.Add({x, y, 0.0});
  return &m_vertices.Last();
}

void TriangleTessellator::Tessellate(bool nonzero) {
  if (!m_tess) return;
  const unsigned count = m_vertices.Size();
  if (count < 3) return;
  // NaN or absurd coordinates make the sweep meaningless: no triangles.
  for (unsigned i = 0; i < count; ++i) {
    const TessVertex& v = m_vertices[i];
    if (!(std::fabs(v.x) <= kMaxCoordinate && std::fabs(v.y) <= kMaxCoordinate)) return;
  }
  gluTessNormal(m_tess, 0, 0, 1);
  gluTessProperty(m_tess, GLU_TESS_WINDING_RULE, nonzero ? GLU_TESS_WINDING_NONZERO : GLU_TESS_WINDING_ODD);
  gluTessBeginPolygon(m_tess, this);
  gluTessBeginContour(m_tess);
  for (unsigned i = 0; i < count; ++i) {
    TessVertex* v = &m_vertices[i];
    gluTessVertex(m_tess, &v->x, v);
  }
  gluTessEndContour(m_tess);
  gluTessEndPolygon(m_tess);
}

void TriangleTessellator::Begin(unsigned type) {
  m_primitive = type;
  m_a = m_b = m_c = nullptr;
  m_stripParity = false;
}

void TriangleTessellator::AddTessVertex(TessVertex* v) {
  if (m_a) {
    m_c = v;
  } else {
    m_a = m_b;
    m_b = m_c;
    m_c = v;
    if (!m_a) return;
  }
  switch (m_primitive) {
    case GL_TRIANGLES:
      Emit();
      m_a = m_b = m_c = nullptr;
      break;
    case GL_TRIANGLE_STRIP:
      Emit();
      m_a = m_b;
      m_b = m_c;
      m_stripParity = !m_stripParity;
      break;
    case GL_TRIANGLE_FAN:
      Emit();
      m_b = m_c;
      break;
    default:
      break;
  }
}

// The closing point of an outline repeats its start, and glu32 hands it back as
// a triangle with two equal corners: such a triangle covers nothing.
void TriangleTessellator::Emit() {
  auto same = [](const TessVertex* p, const TessVertex* q) { return p->x == q->x && p->y == q->y; };
  if (same(m_a, m_b) || same(m_b, m_c) || same(m_a, m_c)) return;
  m_triangles.push_back({m_a, m_b, m_c});
}

TessVertex* TriangleTessellator::Combine(const double coords[3]) {
  m_vertices.Add({coords[0], coords[1], coords[2]});
  return &m_vertices.Last();
}
