// The canvas's mouse-move path with many figures: a thousand lines drawn with
// the line tool, then moves that change no hover, over empty picture and over
// the line at the bottom of the list (the hit test walks every figure), each
// against the same move over a document without figures. Prints microseconds
// per move (best of several rounds).

#include <windows.h>

#include <cstdio>

#include "bench/bench_timer.h"
#include "engine/DirectUI.h"
#include "engine/FigureTypes.h"
#include "engine/Image.h"
#include "win32/Window.h"

namespace {

constexpr int kWidth = 1280, kHeight = 960;
constexpr int kFigures = 1000;
constexpr int kMoves = 2000;

class CHost : public win32::CWindowImpl<CHost, win32::CWinTraits<WS_POPUP | WS_CLIPCHILDREN>> {
 public:
  BEGIN_MSG_MAP(CHost)
  END_MSG_MAP()
};

void Mouse(HWND canvas, UINT message, WPARAM flags, int x, int y) {
  ::SendMessageW(canvas, message, flags, MAKELPARAM(x, y));
}

// Microseconds per move, alternating between two points a pixel apart.
double MoveMicroseconds(HWND canvas, int x, int y) {
  const double ms = BestMs(5, [&] {
    for (int i = 0; i < kMoves; ++i) Mouse(canvas, WM_MOUSEMOVE, 0, x + (i & 1), y);
  });
  return ms * 1000.0 / kMoves;
}

}  // namespace

int main() {
  const FigureType* line = FindFigureType(DRAW_LINE);
  if (!line || !line->createAt) {
    std::printf("error: the line tool makes no figure\n");
    return 1;
  }
  CHost host;
  RECT rc{0, 0, kWidth, kHeight};
  if (!host.Create(nullptr, &rc, L"bench")) {
    std::printf("error: no host window\n");
    return 1;
  }
  CDirectUI canvas;
  if (!canvas.Create(nullptr, host, host)) {
    std::printf("error: no canvas\n");
    return 1;
  }
  CDTImage document, empty;
  RECT bounds{0, 0, kWidth, kHeight};
  document.Create(&canvas, nullptr, L"lines", &bounds);
  empty.Create(&canvas, nullptr, L"empty", &bounds);
  std::vector<DWORD> picture(static_cast<size_t>(kWidth) * kHeight, 0xFF406080);
  document.UploadFrame(picture.data(), kWidth, kHeight, kWidth * 4, nullptr);
  empty.UploadFrame(picture.data(), kWidth, kHeight, kWidth * 4, nullptr);

  // Lines on a 40 x 25 grid left of x = 1000; the moves stay right of it.
  // Drawing them is set-up, not measured: one frame at the end instead of
  // one per press, move and release.
  canvas.SetActiveImage(&document, FALSE);
  {
    CRepaintHold hold(&canvas);
    for (int i = 0; i < kFigures; ++i) {
      const int x = 20 + (i % 40) * 24, y = 20 + (i / 40) * 36;
      canvas.SetTool(DRAW_LINE);
      Mouse(canvas, WM_LBUTTONDOWN, MK_LBUTTON, x, y);
      Mouse(canvas, WM_MOUSEMOVE, MK_LBUTTON, x + 18, y + 20);
      Mouse(canvas, WM_LBUTTONUP, 0, x + 18, y + 20);
    }
  }
  if (document.m_children.size() != kFigures + 1u) {
    std::printf("error: %d figures drawn\n", static_cast<int>(document.m_children.size()) - 1);
    return 1;
  }
  Mouse(canvas, WM_MOUSEMOVE, 0, 1100, 500);
  const double overEmptyPicture = MoveMicroseconds(canvas, 1100, 500);
  Mouse(canvas, WM_MOUSEMOVE, 0, 28, 30);  // hovers the first line
  const double overHoveredLine = MoveMicroseconds(canvas, 28, 30);
  const bool hovered = canvas.m_pHovered == document.m_children[1];

  canvas.SetActiveImage(&empty, FALSE);
  Mouse(canvas, WM_MOUSEMOVE, 0, 1100, 500);
  const double emptyDocument = MoveMicroseconds(canvas, 1100, 500);
  if (!hovered) {
    std::printf("error: the first line was not hovered\n");
    return 1;
  }

  std::printf("canvas_move_1000_lines_no_hit: %.2f us\n", overEmptyPicture);
  std::printf("canvas_move_1000_lines_same_hover: %.2f us\n", overHoveredLine);
  std::printf("canvas_move_empty_document: %.2f us\n", emptyDocument);
  std::printf("canvas_move_1000_lines_no_hit_vs_empty_document: %.2f x\n", overEmptyPicture / emptyDocument);

  canvas.DetachElement(&document);
  canvas.DetachElement(&empty);
  canvas.DestroyWindow();
  host.DestroyWindow();
  return 0;
}
