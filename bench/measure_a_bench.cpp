// The geometry rebuild of a stroked circle of radius 500 (pen 5), as one
// mouse move of a circle's point makes it, beside glu32 tessellating the
// same ring alone.
#include <windows.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "bench/bench_timer.h"
#include "engine/figures/Draw.h"
#include "engine/figures/Strokes.h"
#include "engine/geometry/ArcEllipse.h"

namespace {

int g_vertices = 0;
void CALLBACK CountVertex(void*) { ++g_vertices; }
void CALLBACK Begin(GLenum) {}
void CALLBACK End() {}
void CALLBACK Combine(GLdouble c[3], void* [4], GLfloat[4], void** out) {
  static GLdouble spare[4096][3];
  static int next = 0;
  GLdouble* v = spare[next++ & 4095];
  v[0] = c[0];
  v[1] = c[1];
  v[2] = c[2];
  *out = v;
}

}  // namespace

int main() {
  constexpr double kRadius = 500.0, kHalfPen = 2.5;
  std::vector<PointF> outline;
  int triangles = 0;
  const double rebuild = BestMs(50, [&] {
    outline.clear();
    PEllipse ellipse(640.0, 480.0, kRadius, kRadius, true);
    triangles = strokes::OutlineInto(&ellipse, 5, &outline);
  });
  if (triangles <= 0) {
    std::printf("error: no triangles\n");
    return 1;
  }

  // The same ring: the circle's points pushed out and in by half the pen.
  std::vector<PointF> circle;
  PEllipse ellipse(640.0, 480.0, kRadius, kRadius, true);
  strokes::CollectPoints(&ellipse, &circle);
  std::vector<GLdouble> ring(circle.size() * 2 * 3);
  for (size_t i = 0; i < circle.size(); ++i) {
    const double dx = circle[i].x - 640.0, dy = circle[i].y - 480.0, r = std::hypot(dx, dy);
    for (int k = 0; k < 2; ++k) {
      const double s = (r + (k ? -kHalfPen : kHalfPen)) / r;
      GLdouble* v = &ring[(k * circle.size() + i) * 3];
      v[0] = 640.0 + dx * s;
      v[1] = 480.0 + dy * s;
      v[2] = 0.0;
    }
  }
  GLUtesselator* tess = gluNewTess();
  if (!tess) {
    std::printf("error: no glu tessellator\n");
    return 1;
  }
  gluTessCallback(tess, GLU_TESS_BEGIN, reinterpret_cast<void(CALLBACK*)()>(&Begin));
  gluTessCallback(tess, GLU_TESS_END, reinterpret_cast<void(CALLBACK*)()>(&End));
  gluTessCallback(tess, GLU_TESS_VERTEX, reinterpret_cast<void(CALLBACK*)()>(&CountVertex));
  gluTessCallback(tess, GLU_TESS_COMBINE, reinterpret_cast<void(CALLBACK*)()>(&Combine));
  gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_ODD);
  const double peer = BestMs(50, [&] {
    g_vertices = 0;
    gluTessBeginPolygon(tess, nullptr);
    for (int k = 0; k < 2; ++k) {
      gluTessBeginContour(tess);
      for (size_t i = 0; i < circle.size(); ++i) {
        GLdouble* v = &ring[(k * circle.size() + i) * 3];
        gluTessVertex(tess, v, v);
      }
      gluTessEndContour(tess);
    }
    gluTessEndPolygon(tess);
  });
  gluDeleteTess(tess);

  std::printf("measure_a_circle_r500_pen5_rebuild: %.1f us\n", rebuild * 1000.0);
  std::printf("measure_a_circle_r500_triangles: %d triangles\n", triangles);
  std::printf("measure_a_glu32_ring_r500: %.1f us\n", peer * 1000.0);
  std::printf("measure_a_circle_r500_rebuild_vs_glu32: %.2f x\n", rebuild / peer);
  return 0;
}
