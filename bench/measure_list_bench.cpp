// The measurement list with 1,000 figures beside the same list with 10, in
// the same run: filling it for a document, a recalibration (every row text
// anew and one repaint) and a plain repaint. The list shows nine rows, so
// both fill it and a repaint should cost about the same.

#include <windows.h>

#include <gdiplus.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_timer.h"
#include "engine/DirectUI.h"
#include "engine/FigureTypes.h"
#include "engine/Image.h"
#include "engine/figures/Draw.h"
#include "panels/MeasureList.h"
#include "settings/Configuration.h"
#include "toolkit/SkinUi.h"
#include "toolkit/XmlDocument.h"

namespace {

const char kSkin[] = R"(<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Colors>
    <Back Red="255" Green="255" Blue="255"/>
    <Ink Red="31" Green="41" Blue="55"/>
  </Colors>
  <Fonts>
    <Rows FamilyName="Arial" Height="14" Weight="400"/>
  </Fonts>
  <Windows>
    <BenchHost Class="WINDOW" X="0" Y="0" Width="300" Height="460" ClBkGround="Back">
      <Measure Class="WINDOW" CommandID="2" X="0" Y="0" Width="280" Height="450" ClBkGround="Back" Font="Rows">
        <List Class="WINDOW" CommandID="12" X="4" Y="40" Width="260" Height="252" ClBkGround="Back" ClText="Ink"
              Font="Rows"/>
      </Measure>
    </BenchHost>
  </Windows>
</Skin>
)";

class CBenchCanvasHost : public win32::CWindowImpl<CBenchCanvasHost, win32::CWinTraits<WS_POPUP | WS_CLIPCHILDREN>> {
 public:
  BEGIN_MSG_MAP(CBenchCanvasHost)
  END_MSG_MAP()
};

// A document of `count` lines on the canvas, as a project file's loader builds them.
struct BenchDocument {
  BenchDocument(CDirectUI* canvas, int count) {
    RECT rc{0, 0, 800, 600};
    document.Create(canvas, nullptr, L"document", &rc);
    const FigureType* line = FindFigureType(DRAW_LINE);
    for (int i = 0; i < count; ++i) {
      CDTDraw* figure = line->createDefault();
      figure->m_nType = DRAW_LINE;
      figure->Rename((L"#" + std::to_wstring(i + 1) + L" length").c_str());
      const float y = static_cast<float>(i % 500) + 10.0f;
      figure->AppendVertex(10.0f, y);
      figure->AppendVertex(100.0f + static_cast<float>(i % 300), y + 20.0f);
      figure->AttachToDocument(&document);
      RECT empty{};
      if (SUCCEEDED(figure->Create(canvas, &document, nullptr, &empty))) figure->m_bComplete = 1;
    }
  }
  CDTImage document;
};

void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
}

}  // namespace

int main() {
  ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartupInput input;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return 1;
  GetSkinUi()->SetLanguage(1033);
  AvlfXmlDocument xml;
  if (!xml.Load(kSkin, sizeof kSkin - 1)) return 1;
  GetSkinUi()->WalkSkinDocument(xml);

  CBenchCanvasHost canvasHost;
  RECT canvasPlace{0, 0, 640, 480};
  canvasHost.Create(nullptr, &canvasPlace, L"canvas");
  auto canvas = std::make_unique<CDirectUI>();
  if (!canvas->Create(nullptr, canvasHost, canvasHost)) {
    std::fprintf(stderr, "no canvas\n");
    return 1;
  }
  g_pDirectUI = canvas.get();

  AvlfWindow host;
  if (!host.Create(nullptr, nullptr, nullptr, L"BenchHost", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN)) return 1;
  auto measure = std::make_unique<CWndMeasure>();
  if (!AttachSkinChild(&host, *measure, 2) || !measure->m_list.m_hWnd) return 1;
  Pump();

  BenchDocument small(canvas.get(), 10), large(canvas.get(), 1000);
  HWND list = measure->m_list.m_hWnd;
  const auto fill = [&measure](CDTImage* document) {
    return BestMs(7, [&] {
      measure->SetDocument(nullptr);
      measure->SetDocument(document);
    });
  };
  // Each recalibration gives every row a new text: the precision alternates.
  const auto recalibrate = [&measure, list] {
    return BestMs(15, [&] {
      g_Config.m_DecimalPrecision = g_Config.m_DecimalPrecision == 3 ? 2 : 3;
      measure->RefreshFigureText(nullptr);
      ::UpdateWindow(list);
    });
  };
  const auto paint = [list] {
    return BestMs(60, [&] { ::RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW); });
  };

  const double fillSmall = fill(&small.document);
  const double recalibrateSmall = recalibrate();
  const double paintSmall = paint();
  const double fillLarge = fill(&large.document);
  const int rows = measure->m_list.GetCount();
  const double recalibrateLarge = recalibrate();
  const double paintLarge = paint();
  if (rows != 1000) {
    std::fprintf(stderr, "the list holds %d rows, not 1000\n", rows);
    return 1;
  }

  std::printf("measure_list_fill_10: %.3f ms\n", fillSmall);
  std::printf("measure_list_fill_1000: %.3f ms\n", fillLarge);
  std::printf("measure_list_fill_1000_vs_10: %.2f x\n", fillLarge / fillSmall);
  std::printf("measure_list_recalibrate_10: %.3f ms\n", recalibrateSmall);
  std::printf("measure_list_recalibrate_1000: %.3f ms\n", recalibrateLarge);
  std::printf("measure_list_recalibrate_1000_vs_16ms: %.2f x\n", recalibrateLarge / 16.0);
  std::printf("measure_list_paint_10: %.3f ms\n", paintSmall);
  std::printf("measure_list_paint_1000: %.3f ms\n", paintLarge);
  std::printf("measure_list_paint_1000_vs_10: %.2f x\n", paintLarge / paintSmall);

  measure->SetDocument(nullptr);
  measure.reset();
  host.DestroyWindow();
  canvas->DetachElement(&small.document);
  canvas->DetachElement(&large.document);
  g_pDirectUI = nullptr;
  canvas->DestroyWindow();
  canvasHost.DestroyWindow();
  GetSkinUi()->ClearSkin();
  Gdiplus::GdiplusShutdown(token);
  ::CoUninitialize();
  return 0;
}
