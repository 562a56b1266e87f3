// Rebuild costs of figure geometry on a mouse move, and of a label's text.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "engine/geometry/ArcEllipse.h"
#include "engine/geometry/Bspline.h"
#include "engine/geometry/CurveFlatten.h"
#include "engine/text/FTFontFactory.h"
#include "engine/geometry/Path.h"
#include "engine/geometry/PathImpl.h"
#include "engine/geometry/StrokeGenerator.h"

namespace {

using Clock = std::chrono::steady_clock;

// Microseconds per call of body, best of a few rounds. A round makes at most
// `iterations` calls and stops after about 20 ms, so slow cases stay short.
template <class F>
double Measure(int iterations, F body) {
  const auto once = Clock::now();
  body(0);
  const double first = std::chrono::duration<double, std::micro>(Clock::now() - once).count();
  iterations = std::max(1, std::min(iterations, static_cast<int>(20000.0 / std::max(first, 0.001))));
  double best = 1e300;
  for (int round = 0; round < 5; ++round) {
    const auto start = Clock::now();
    for (int i = 0; i < iterations; ++i) body(i);
    const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count() / iterations;
    if (us < best) best = us;
  }
  return best;
}

volatile double g_sink;

void Consume(PPath* path) {
  double s = 0;
  for (int i = 0; i < path->GetTriangleCount(); ++i) s += path->GetTriangle(i)->A->x;
  g_sink = s;
}

// The outline alone, without the triangulation.
double OutlineOnly(PPathImpl& path) {
  return Measure(50, [&](int) {
    PCurveConvert curves(&path);
    StrokeGenerator stroke(&curves, 3, CapRound, JoinRound);
    stroke.Rewind();
    double x, y, s = 0;
    for (PathCommand cmd; !IsStop(cmd = stroke.Vertex(&x, &y));) s += x;
    g_sink = s;
  });
}

}  // namespace

int main() {
  // A wandering polyline as a user draws it.
  std::vector<double> xs(1000), ys(1000);
  for (int i = 0; i < 1000; ++i) {
    xs[i] = 20 + i * 1.2;
    ys[i] = 400 + 150 * std::sin(i * 0.05) + 30 * std::sin(i * 0.31);
  }
  int triangles = 0;
  const double polyline = Measure(50, [&](int frame) {
    PPath* path = CreatePath();
    path->StartNewPath();
    path->MoveTo(xs[0] + frame * 0.01, ys[0]);
    for (int i = 1; i < 1000; ++i) path->LineTo(xs[i], ys[i]);
    path->SetWidth(3);
    path->SetLineJoin(JoinRound);
    path->StrokeToTriangles();
    triangles = path->GetTriangleCount();
    Consume(path);
    ReleasePath(path);
  });
  std::printf("polyline_1000_stroke: %.1f us\n", polyline);
  std::printf("polyline_1000_triangles: %d count\n", triangles);
  {
    PPathImpl path;
    path.MoveTo(xs[0], ys[0]);
    for (int i = 1; i < 1000; ++i) path.LineTo(xs[i], ys[i]);
    std::printf("polyline_1000_outline_only: %.1f us\n", OutlineOnly(path));
  }

  std::vector<double> cx(200), cy(200);
  for (int i = 0; i < 200; ++i) {
    cx[i] = 50 + i * 6;
    cy[i] = 300 + 200 * std::sin(i * 0.2);
  }
  const double curve = Measure(20, [&](int frame) {
    PBspline spline;
    for (int i = 0; i < 200; ++i)
      spline.AddVertex(cx[i] + (i == 199 ? frame * 0.01 : 0), cy[i], i ? CmdLineTo : CmdMoveTo);
    PPath* path = CreatePath();
    path->StartNewPath();
    path->JoinPath(&spline);
    path->SetWidth(3);
    path->StrokeToTriangles();
    triangles = path->GetTriangleCount();
    Consume(path);
    ReleasePath(path);
  });
  std::printf("curve_200_smoothed_stroke: %.1f us\n", curve);
  std::printf("curve_200_triangles: %d count\n", triangles);
  {
    PBspline spline;
    for (int i = 0; i < 200; ++i) spline.AddVertex(cx[i], cy[i], i ? CmdLineTo : CmdMoveTo);
    PPathImpl path;
    path.JoinPath(&spline);
    std::printf("curve_200_outline_only: %.1f us\n", OutlineOnly(path));
    std::printf("curve_200_spline_only: %.1f us\n", Measure(50, [&](int) {
                  PBspline s;
                  for (int i = 0; i < 200; ++i) s.AddVertex(cx[i], cy[i], i ? CmdLineTo : CmdMoveTo);
                  PPathImpl p;
                  p.JoinPath(&s);
                }));
  }

  // Everyday figures for scale: a ruler line and a circle outline.
  const double line = Measure(2000, [&](int frame) {
    PPath* path = CreatePath();
    path->MoveTo(10, 10);
    path->LineTo(300 + frame * 0.01, 200);
    path->SetWidth(3);
    path->StrokeToTriangles();
    Consume(path);
    ReleasePath(path);
  });
  std::printf("line_2_stroke: %.1f us\n", line);
  const double circle = Measure(500, [&](int frame) {
    PEllipse ellipse(400, 300, 48 + frame * 0.001, 48, true);
    PPath* path = CreatePath();
    path->StartNewPath();
    path->JoinPath(&ellipse);
    path->ClosePolygon();
    path->SetWidth(3);
    path->StrokeToTriangles();
    Consume(path);
    ReleasePath(path);
  });
  std::printf("circle_48_stroke: %.1f us\n", circle);

  FTFontFactory factory;
  FTFont* font = factory.CreateFaceFont(L"Arial", 20, 0, 0, false);
  if (!font) {
    std::printf("error: no Arial font\n");
    return 1;
  }
  const wchar_t* label = L"Length 1234.567 mm, angle 45.000\u00B0 (L12)";
  std::vector<uint32_t> pixels(512 * 64);
  // A new font of a face already held: its glyphs are rendered on first use.
  const double first = Measure(20, [&](int) {
    FTFont* fresh = factory.CreateFaceFont(L"Arial", 20, 0, 0, false);
    int w = 0, h = 0;
    fresh->MeasureText(label, -1, &w, &h);
    fresh->SetTarget(pixels.data(), 512, 64, 512 * 4);
    fresh->DrawText(label, -1, 4, 4);
    factory.ReleaseFont(fresh);
  });
  const double text = Measure(2000, [&](int) {
    int w = 0, h = 0;
    font->MeasureText(label, -1, &w, &h);
    font->SetTarget(pixels.data(), 512, 64, 512 * 4);
    font->DrawText(label, -1, 4, 4);
  });
  const double blend = Measure(2000, [&](int) {
    font->SetTarget(pixels.data(), 512, 64, 512 * 4);
    font->BlendText(label, -1, 4, 4);
  });
  std::printf("label_40_new_font_first_draw: %.1f us\n", first);
  std::printf("label_40_measure_draw: %.1f us\n", text);
  std::printf("label_40_blend: %.1f us\n", blend);
  factory.ReleaseFont(font);
  return 0;
}
