// Shared helpers of the rectangle, ellipse, polygon, curve and curve polygon
// tests: a canvas with a usable label face, figures made as the canvas or
// the figure store makes them, the frame as one byte per pixel for Python.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "engine/DirectUI.h"
#include "engine/FigureTypes.h"
#include "engine/Image.h"
#include "engine/figures/Draw.h"
#include "engine/figures/Ruler.h"
#include "tests/engine/canvas_fixture.h"

namespace shape_test {

// Holds Shift (or not) in this thread's key state for one scope.
class CShiftKey {
 public:
  explicit CShiftKey(bool down) {
    ::GetKeyboardState(m_saved);
    BYTE keys[256];
    std::copy(m_saved, m_saved + 256, keys);
    keys[VK_SHIFT] = down ? 0x80 : 0;
    ::SetKeyboardState(keys);
  }
  ~CShiftKey() { ::SetKeyboardState(m_saved); }

 private:
  BYTE m_saved[256]{};
};

inline void IgnoreFontMessage(const wchar_t*) {}

// A canvas on a 640 x 480 picture at zoom 1, unit "cm", labels in a face that exists.
struct CShapeScene {
  explicit CShapeScene(bool visible = false)
      : previous(SetFontMessageFunction(IgnoreFontMessage)), scene(640, 480, true, visible) {
    if (!scene.Ready()) return;
    scene.m_canvas.m_strFontFace = L"Liberation Sans";
    scene.Show(canvas_test::Noise(640, 480, 31));
    scene.m_document.SetUnit(L"cm");
    scene.m_observer.m_events.clear();
  }
  ~CShapeScene() { SetFontMessageFunction(previous); }
  bool Ready() const { return scene.Ready(); }
  CDTImage& Doc() { return scene.m_document; }

  // As the figure store rebuilds a figure: picture-pixel vertices, then handles.
  CDTDraw* Stored(int type, const std::vector<PointF>& vertices, int penWeight = 1, BOOL solid = FALSE) {
    const FigureType* row = FindFigureType(type);
    if (!row || !row->createDefault) return nullptr;
    CDTDraw* figure = row->createDefault();
    figure->m_nPenWeight = penWeight;
    figure->m_bSolid = solid;
    figure->m_vertices = vertices;
    figure->m_nType = type;
    ::CoCreateGuid(&figure->m_guid);
    figure->AttachToDocument(&scene.m_document);
    RECT rc{};
    if (FAILED(figure->Create(&scene.m_canvas, &scene.m_document, L"stored", &rc))) return nullptr;
    return figure;
  }

  // As the canvas makes a figure at a press: its row's handle selected, mouse captured.
  CDTDraw* Begin(int type, POINT press, int penWeight = 1, BOOL solid = FALSE) {
    const FigureType* row = FindFigureType(type);
    if (!row || !row->createAt) return nullptr;
    CDTDraw* figure = row->createAt(press, nullptr);
    figure->m_nPenWeight = penWeight;
    figure->m_bSolid = solid;
    figure->m_nSelectedHandle = row->selectedHandle;
    RECT rc{press.x, press.y, press.x, press.y};
    if (FAILED(figure->Create(&scene.m_canvas, &scene.m_document, L"made", &rc))) return nullptr;
    scene.m_canvas.SetCapturedElement(figure);
    return figure;
  }

  // Only the figures on black: no picture, no ruler.
  void Bare() {
    scene.m_canvas.m_clrBackground = 0xFF000000;
    scene.m_document.m_pFrame.Release();
    scene.m_document.m_pRuler->m_bVisible = 0;
  }

  // Writes the red channel of the current frame, one byte per pixel.
  bool WriteRed(const char* path) {
    const canvas_test::CReadBack frame = scene.Read();
    if (frame.width != 640 || frame.height != 480) return false;
    std::vector<unsigned char> red(frame.pixels.size());
    for (size_t i = 0; i < red.size(); ++i) red[i] = static_cast<unsigned char>(frame.pixels[i] >> 16);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(red.data()), std::streamsize(red.size()));
    return true;
  }

  FontMessageFunction previous;
  canvas_test::CCanvasScene scene;
};

inline std::wstring Value(const CDTDraw* figure) { return figure->m_szValue; }
inline std::wstring Export(CDTDraw* figure) {
  wchar_t buffer[256]{};
  figure->FormatValue(buffer, 256);
  return buffer;
}

}  // namespace shape_test
