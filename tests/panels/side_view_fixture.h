// The product skin's main view with its real canvas and a grey 800 x 600
// picture, the canvas's events routed to the measurement list and the
// property host as the main frame routes them, figures built as a project
// file's loader builds them, and the canvas's frame read back.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/MeasureView.h"
#include "engine/DirectUI.h"
#include "engine/FigureTypes.h"
#include "engine/Image.h"
#include "engine/figures/Draw.h"
#include "image/Image.h"
#include "panels/MeasureList.h"
#include "panels/PropertyHost.h"
#include "tests/engine/canvas_fixture.h"
#include "tests/panels/main_view_fixture.h"

namespace sideview {

class SideView : public paneltest::MainViewFixture {
 protected:
  void SetUp() override {
    MainViewFixture::SetUp();
    if (HasFatalFailure()) return;
    ASSERT_TRUE(m_canvas->m_pDevice);
  }
  bool Route(paneltest::CPanelRouter& router) override {
    router.m_pMeasure = &measure();
    router.m_pProperties = &properties();
    return true;
  }

  // A complete figure of that type through the given picture points, told to
  // the panels as a new figure; text figures get a box of 120 x 40 and `text`.
  CDTDraw* Add(int type, std::vector<PointF> vertices, const wchar_t* name, const wchar_t* text = L"note") {
    const FigureType* row = FindFigureType(type);
    if (!row || !row->createDefault) return nullptr;
    CDTDraw* figure = row->createDefault();
    figure->m_nType = type;
    figure->Rename(name);
    if (type == DRAW_TEXT) {
      FigureExtra extra;
      extra.hasText = true;
      extra.text = text;
      extra.boxWidth = 120.0f;
      extra.boxHeight = 40.0f;
      figure->SetStoredExtra(extra);
    }
    for (const PointF& v : vertices) figure->AppendVertex(v.x, v.y);
    figure->AttachToDocument(&m_document);
    RECT empty{};
    if (FAILED(figure->Create(m_canvas, &m_document, nullptr, &empty))) return nullptr;
    figure->m_bComplete = 1;
    m_router.OnFigureAdded(figure);
    return figure;
  }

  // The frame the canvas draws now: the active document into the back
  // buffer, read back before anything presents it.
  canvas_test::CReadBack Frame() {
    canvas_test::CReadBack frame;
    IDirect3DDevice9* device = m_canvas->m_pDevice;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, m_canvas->m_clrBackground, 1.0f, 0);
    if (SUCCEEDED(device->BeginScene())) {
      if (m_canvas->m_pActiveImage) m_canvas->m_pActiveImage->Render();
      device->EndScene();
    }
    canvas_test::ReadBackBuffer(device, &frame);
    return frame;
  }

  // A frame kept as a BMP artefact in the work folder.
  static void SaveFrame(const canvas_test::CReadBack& frame, const wchar_t* file) {
    ZEvuvoro::CImage image(frame.width, frame.height);
    for (int y = 0; y < frame.height; ++y)
      for (int x = 0; x < frame.width; ++x)
        reinterpret_cast<uint32_t*>(image.m_pData + static_cast<ptrdiff_t>(y) * image.m_nStride)[x] =
            frame.At(x, y) | 0xFF000000u;
    image.SaveBmp(file, 1);
  }
};

}  // namespace sideview
