// Shared by the tests of the point-to-line, parallel-lines, angle and circle
// figures: a canvas showing a picture in cm with labels that find their
// face, and figures built the way the figure store builds them.
#pragma once

#include <windows.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/Draw.h"
#include "engine/figures/Label.h"
#include "engine/figures/Ruler.h"
#include "tests/engine/canvas_fixture.h"

namespace measure_a_test {

inline void IgnoreFontMessage(const wchar_t*) {}

// A 640 x 480 picture at zoom 1 and offset 0, reference scale 1, unit cm.
struct CFigureScene {
  CFigureScene() : previous(SetFontMessageFunction(IgnoreFontMessage)) {
    if (!scene.Ready()) return;
    scene.m_canvas.m_strFontFace = L"Liberation Sans";
    scene.Show(canvas_test::Noise(640, 480, 31));
    scene.m_document.SetUnit(L"cm");
    scene.m_observer.m_events.clear();
  }
  ~CFigureScene() { SetFontMessageFunction(previous); }
  bool Ready() const { return scene.Ready(); }
  CDTImage& Doc() { return scene.m_document; }

  // A complete figure from vertices in picture pixels, as a project file gives it.
  template <class Figure>
  Figure* Stored(const std::vector<PointF>& vertices, int penWeight = 1, bool solid = false, bool complement = false) {
    auto* figure = new Figure();
    figure->m_vertices = vertices;
    figure->m_nPenWeight = penWeight;
    figure->m_bSolid = solid ? 1 : 0;
    FigureExtra extra;
    extra.complement = complement ? 1 : 0;
    figure->SetStoredExtra(extra);
    figure->AttachToDocument(&scene.m_document);
    RECT rc{};
    if (FAILED(figure->Create(&scene.m_canvas, &scene.m_document, L"figure", &rc))) return nullptr;
    return figure;
  }

  // Black background, no picture and no ruler: only the figures draw.
  void PlainBackground() {
    scene.m_canvas.m_clrBackground = 0xFF000000;
    scene.m_document.m_pFrame.Release();
    scene.m_document.m_pRuler->m_bVisible = 0;
  }

  // Writes the red channel of the current frame for a Python check.
  bool WriteRed(const char* path) {
    const canvas_test::CReadBack frame = scene.Read();
    if (frame.pixels.empty()) return false;
    std::vector<unsigned char> red(frame.pixels.size());
    for (size_t i = 0; i < red.size(); ++i) red[i] = static_cast<unsigned char>(frame.pixels[i] >> 16);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(red.data()), std::streamsize(red.size()));
    width = frame.width;
    height = frame.height;
    return true;
  }

  FontMessageFunction previous;
  canvas_test::CCanvasScene scene;
  int width = 0;
  int height = 0;
};

inline std::wstring Value(const CDTDraw* figure) { return figure->m_szValue; }

inline std::wstring Exported(CDTDraw* figure) {
  wchar_t buffer[256] = L"untouched";
  figure->FormatValue(buffer, 256);
  return buffer;
}

}  // namespace measure_a_test
