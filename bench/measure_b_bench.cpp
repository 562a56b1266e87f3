// The geometry rebuild of one mouse move of the curve, polygon and curve
// polygon figures (spline, stroke or fill, vertex buffer), beside glu32
// tessellating the same outline alone, the floor of any rebuild; and one zoom
// step that rebuilds 300 mixed stroked figures. Writes each curve's samples
// to curve_<n>.txt for the shapely peer that measure_b_bench.sh runs.
//
//   measure_b_bench.exe   prints `name: value unit` lines

#include <windows.h>
#include <GL/glu.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "bench/bench_timer.h"
#include "engine/DirectUI.h"
#include "engine/FigureTypes.h"
#include "engine/Image.h"
#include "engine/figures/Curve.h"
#include "engine/figures/CurvePolygon.h"
#include "engine/figures/Ellipse.h"
#include "engine/figures/Label.h"
#include "engine/figures/Polygon.h"
#include "engine/figures/Rectangle.h"
#include "win32/Window.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

class CHost : public win32::CWindowImpl<CHost, win32::CWinTraits<WS_POPUP | WS_CLIPCHILDREN>> {
 public:
  BEGIN_MSG_MAP(CHost)
  END_MSG_MAP()
};

void QuietFontMessage(const wchar_t*) {}

// Points on a wavy path across the picture, window pixels.
std::vector<PointF> Wave(int n) {
  std::vector<PointF> out;
  for (int i = 0; i < n; ++i) {
    const double t = n > 1 ? static_cast<double>(i) / (n - 1) : 0.0;
    out.push_back({static_cast<float>(100 + 1600 * t), static_cast<float>(500 + 300 * std::sin(t * 9.0 * kPi))});
  }
  return out;
}

// A star-shaped loop of n corners.
std::vector<PointF> Loop(int n, double wobble) {
  std::vector<PointF> out;
  for (int i = 0; i < n; ++i) {
    const double a = 2 * kPi * i / n;
    const double r = 400 + wobble * std::sin(7.0 * a);
    out.push_back({static_cast<float>(960 + r * std::cos(a)), static_cast<float>(540 + r * std::sin(a))});
  }
  return out;
}

// glu32's tessellation of one closed outline (odd winding), triangles counted.
struct CGluTess {
  GLUtesselator* tess = gluNewTess();
  int vertices = 0;
  std::vector<GLdouble> coords;

  static void CALLBACK Vertex(void* data, void* self) {
    (void)data;
    ++static_cast<CGluTess*>(self)->vertices;
  }
  static void CALLBACK Combine(GLdouble c[3], void* [4], GLfloat[4], void** out, void* self) {
    auto* t = static_cast<CGluTess*>(self);
    t->extra.push_back({c[0], c[1], c[2]});
    *out = t->extra.back().data();
  }
  std::vector<std::vector<GLdouble>> extra;

  CGluTess() {
    gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<void(CALLBACK*)()>(&CGluTess::Vertex));
    gluTessCallback(tess, GLU_TESS_COMBINE_DATA, reinterpret_cast<void(CALLBACK*)()>(&CGluTess::Combine));
    gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_ODD);
    gluTessNormal(tess, 0, 0, 1);
  }
  ~CGluTess() { gluDeleteTess(tess); }

  void Run(const std::vector<PointF>& outline) {
    coords.resize(outline.size() * 3);
    extra.clear();
    extra.reserve(4096);
    vertices = 0;
    gluTessBeginPolygon(tess, this);
    gluTessBeginContour(tess);
    for (size_t i = 0; i < outline.size(); ++i) {
      coords[3 * i] = outline[i].x;
      coords[3 * i + 1] = outline[i].y;
      coords[3 * i + 2] = 0;
      gluTessVertex(tess, &coords[3 * i], &coords[3 * i]);
    }
    gluTessEndContour(tess);
    gluTessEndPolygon(tess);
  }
};

// The outline a pen of width w makes around an open polyline: left side out, right side back.
std::vector<PointF> StrokeOutline(const std::vector<PointF>& line, float w) {
  std::vector<PointF> left, right;
  for (size_t i = 0; i < line.size(); ++i) {
    const PointF& a = line[i > 0 ? i - 1 : i];
    const PointF& b = line[i + 1 < line.size() ? i + 1 : i];
    float dx = b.x - a.x, dy = b.y - a.y;
    const float len = std::sqrt(dx * dx + dy * dy);
    if (len > 0) {
      dx /= len;
      dy /= len;
    }
    left.push_back({line[i].x - dy * w / 2, line[i].y + dx * w / 2});
    right.push_back({line[i].x + dy * w / 2, line[i].y - dx * w / 2});
  }
  left.insert(left.end(), right.rbegin(), right.rend());
  return left;
}

}  // namespace

int main() {
  SetFontMessageFunction(QuietFontMessage);
  CHost host;
  RECT rc{0, 0, 1920, 1080};
  if (!host.Create(nullptr, &rc, L"bench")) {
    std::fprintf(stderr, "error: no host window\n");
    return 1;
  }
  CDirectUI canvas;
  if (!canvas.Create(nullptr, host, host) || !canvas.m_pDevice) {
    std::fprintf(stderr, "error: no canvas device\n");
    return 1;
  }
  canvas.m_strFontFace = L"Liberation Sans";
  CDTImage doc;
  RECT docRect{0, 0, 1920, 1080};
  doc.Create(&canvas, nullptr, L"picture", &docRect);
  canvas.SetActiveImage(&doc, TRUE);
  std::vector<uint32_t> picture(1920u * 1080u, 0xFF404040u);
  doc.UploadFrame(picture.data(), 1920, 1080, 1920 * 4, nullptr);

  auto make = [&](int type, const std::vector<PointF>& vertices, int pen, BOOL solid) -> CDTDraw* {
    CDTDraw* f = FindFigureType(type)->createDefault();
    f->m_nPenWeight = pen;
    f->m_bSolid = solid;
    f->m_vertices = vertices;
    f->AttachToDocument(&doc);
    RECT none{};
    if (FAILED(f->Create(&canvas, &doc, L"figure", &none))) return nullptr;
    return f;
  };

  // One mouse move: a point handle dragged by a pixel, back and forth. Many
  // short runs rather than a few long ones, on both sides: on a machine busy
  // with other work a long run is nearly always interrupted.
  auto perMove = [&](CDTDraw* f, int handle) {
    const int moves = 10;
    return BestMs(25,
                  [&] {
                    for (int i = 0; i < moves; ++i) {
                      const float dx = (i & 1) ? 1.0f : -1.0f;
                      f->SetVertexScreen(handle, f->m_handles[handle]->cx + dx, f->m_handles[handle]->cy);
                    }
                  }) *
           1000.0 / moves;
  };

  CGluTess glu;
  auto gluTime = [&](const std::vector<PointF>& outline) {
    const int runs = 10;
    return BestMs(25,
                  [&] {
                    for (int i = 0; i < runs; ++i) glu.Run(outline);
                  }) *
           1000.0 / runs;
  };

  bool failed = false;
  for (int n : {5, 20, 100}) {
    CDTDraw* curve = make(DRAW_CURVE, Wave(n), 5, FALSE);
    if (!curve || static_cast<CDTCurve*>(curve)->m_nPrimitives <= 0) {
      failed = true;
      continue;
    }
    const double ours = perMove(curve, 2);
    // The same line: the curve's own samples, thin.
    auto* thin = static_cast<CDTCurve*>(make(DRAW_CURVE, Wave(n), 1, FALSE));
    const std::vector<PointF> samples = thin ? thin->m_outline : std::vector<PointF>{};
    const double floor = gluTime(StrokeOutline(samples, 5.0f));
    char name[64];
    std::snprintf(name, sizeof name, "curve_%d.txt", n);
    if (FILE* f = std::fopen(name, "w")) {
      for (const PointF& p : samples) std::fprintf(f, "%.6f %.6f\n", p.x, p.y);
      std::fclose(f);
    }
    std::printf("curve%d_pen5_move: %.1f us\n", n, ours);
    std::printf("curve%d_glu_outline: %.1f us\n", n, floor);
    std::printf("curve%d_pen5_move_vs_glu: %.2f x\n", n, ours / floor);
  }
  {
    auto* cp = static_cast<CDTCurvePolygon*>(make(DRAW_CURVE_POLYGON, Loop(20, 120), 1, TRUE));
    auto* thin = static_cast<CDTCurvePolygon*>(make(DRAW_CURVE_POLYGON, Loop(20, 120), 1, FALSE));
    if (!cp || !thin || cp->m_nPrimitives <= 0) {
      failed = true;
    } else {
      const double ours = perMove(cp, 3);
      const double floor = gluTime(thin->m_outline);
      std::printf("curve_polygon20_solid_move: %.1f us\n", ours);
      std::printf("curve_polygon20_glu_outline: %.1f us\n", floor);
      std::printf("curve_polygon20_solid_move_vs_glu: %.2f x\n", ours / floor);
    }
  }
  {
    const std::vector<PointF> corners = Loop(200, 150);
    auto* p = static_cast<CDTPolygon*>(make(DRAW_POLYGON, corners, 1, TRUE));
    if (!p || p->m_nPrimitives <= 0) {
      failed = true;
    } else {
      const double ours = perMove(p, 7);
      const double floor = gluTime(corners);
      std::printf("polygon200_solid_move: %.1f us\n", ours);
      std::printf("polygon200_glu_outline: %.1f us\n", floor);
      std::printf("polygon200_solid_move_vs_glu: %.2f x\n", ours / floor);
    }
  }

  // One zoom step over 300 mixed stroked figures.
  const int types[] = {DRAW_RECTANGLE, DRAW_ELLIPSE, DRAW_POLYGON, DRAW_CURVE, DRAW_CURVE_POLYGON};
  for (int i = 0; i < 300; ++i) {
    const float x = static_cast<float>(40 + (i % 20) * 90), y = static_cast<float>(40 + (i / 20) * 65);
    const std::vector<PointF> box{{x, y}, {x + 70, y}, {x + 70, y + 50}, {x, y + 50}};
    const std::vector<PointF> path{{x, y}, {x + 30, y + 45}, {x + 55, y + 5}, {x + 70, y + 50}};
    const int type = types[i % 5];
    if (!make(type, type == DRAW_RECTANGLE || type == DRAW_ELLIPSE ? box : path, 3, FALSE)) failed = true;
  }
  int step = 0;
  const double zoom = BestMs(5, [&] { doc.SetZoomMode(2, (++step & 1) ? 0.75f : 0.5f); });
  std::printf("zoom_step_300_stroked: %.2f ms\n", zoom);
  // The same figures rebuilt without the document's zoom bookkeeping.
  const double rebuild = BestMs(5, [&] {
    for (CDTElement* e : doc.m_children)
      if (e->m_nKind == 1) static_cast<CDTDraw*>(e)->Reposition(0, 0, TRUE);
  });
  std::printf("rebuild_300_stroked: %.2f ms\n", rebuild);
  std::printf("zoom_step_300_stroked_vs_rebuild: %.2f x\n", zoom / rebuild);
  canvas.SetActiveImage(nullptr, FALSE);
  if (failed) std::fprintf(stderr, "error: a figure was not built\n");
  return failed ? 1 : 0;
}
