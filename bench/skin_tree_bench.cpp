// Skinned window tree: building a 300-window tree from the skin against 300
// bare CreateWindowExW calls, and one child layout per resize of that tree
// (alternating two sizes) against the same moves in one DeferWindowPos batch.

#include <windows.h>

#include <gdiplus.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_timer.h"
#include "toolkit/SkinUi.h"
#include "toolkit/SkinWindow.h"
#include "toolkit/XmlDocument.h"

namespace {

constexpr int kGroups = 30, kPerGroup = 9;  // 30 + 270 = 300 windows below the root

std::string BenchSkin() {
  std::string xml = "<Skin><Colors><Grey Red=\"128\" Green=\"128\" Blue=\"128\"/></Colors><Windows>";
  xml += "<BenchRoot Class=\"WINDOW\" ClBkGround=\"Grey\">";
  for (int g = 0; g < kGroups; ++g) {
    xml +=
        "<Group Class=\"WINDOW\" X=\"0x00040004\" Y=\"2\" Height=\"18\" "
        "Align=\"ALIGN_PARENT_LEFT|ALIGN_PARENT_WIDTH|OFFSET_PRE_BOTTOM\">";
    for (int i = 0; i < kPerGroup; ++i) {
      xml += i % 3 == 2 ? "<Item Class=\"WINDOW\" Transparent=\"true\" X=\"2\" Y=\"1\" Width=\"30\" Height=\"16\" "
                          "Align=\"OFFSET_PRE_RIGHT|ALIGN_PARENT_TOP\"/>"
                        : "<Item Class=\"WINDOW\" X=\"2\" Y=\"1\" Width=\"30\" Height=\"16\" "
                          "Align=\"OFFSET_PRE_RIGHT|ALIGN_PARENT_TOP\"/>";
    }
    xml += "</Group>";
  }
  xml += "</BenchRoot></Windows></Skin>";
  return xml;
}

LRESULT CALLBACK PlainProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return ::DefWindowProcW(hWnd, msg, wParam, lParam);
}

double NowMs() {
  LARGE_INTEGER f, c;
  ::QueryPerformanceFrequency(&f);
  ::QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

struct Move {
  HWND hWnd;
  RECT rc;  // in its parent's client coordinates
};

void CollectMoves(HWND parent, std::vector<Move>& moves) {
  for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
    RECT rc{};
    ::GetWindowRect(child, &rc);
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    moves.push_back({child, rc});
    CollectMoves(child, moves);
  }
}

}  // namespace

int main() {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) {
    std::fprintf(stderr, "skin_tree_bench: GDI+ did not start\n");
    return 1;
  }
  const std::string xml = BenchSkin();
  AvlfXmlDocument document;
  if (!document.Load(xml.data(), xml.size())) {
    std::fprintf(stderr, "skin_tree_bench: bench skin does not parse\n");
    return 1;
  }
  GetSkinUi()->WalkSkinDocument(document);

  HWND host = ::CreateWindowExW(0, L"STATIC", L"bench", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 800, 700, nullptr, nullptr,
                                nullptr, nullptr);
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = PlainProc;
  wc.hInstance = ::GetModuleHandleW(nullptr);
  wc.lpszClassName = L"BenchPlain";
  ::RegisterClassExW(&wc);

  // Building: best of five, each tree destroyed outside the timing.
  const int kRuns = 5;
  double skinBuild = 1e30, bareBuild = 1e30;
  size_t skinWindows = 0;
  for (int run = 0; run < kRuns; ++run) {
    RECT rc{0, 0, 800, 700};
    auto* root = new AvlfWindow;
    double t0 = NowMs();
    root->Create(nullptr, host, &rc, L"BenchRoot");
    skinBuild = std::min(skinBuild, NowMs() - t0);
    std::vector<Move> moves;
    CollectMoves(*root, moves);
    skinWindows = moves.size();
    root->DestroyWindow();
    delete root;

    t0 = NowMs();
    HWND bareRoot = ::CreateWindowExW(0, L"BenchPlain", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 800, 700, host, nullptr,
                                      nullptr, nullptr);
    for (int g = 0; g < kGroups; ++g) {
      HWND group = ::CreateWindowExW(0, L"BenchPlain", nullptr, WS_CHILD | WS_VISIBLE, 4, 2 + 20 * g, 792, 18, bareRoot,
                                     nullptr, nullptr, nullptr);
      for (int i = 0; i < kPerGroup; ++i)
        ::CreateWindowExW(0, L"BenchPlain", nullptr, WS_CHILD | WS_VISIBLE, 2 + 32 * i, 1, 30, 16, group, nullptr,
                          nullptr, nullptr);
    }
    bareBuild = std::min(bareBuild, NowMs() - t0);
    ::DestroyWindow(bareRoot);
  }
  if (skinWindows != kGroups * (kPerGroup + 1)) {
    std::fprintf(stderr, "skin_tree_bench: the skin tree has %zu windows\n", skinWindows);
    return 1;
  }

  // Layout: the same tree resized between two sizes.
  RECT full{0, 0, 800, 700};
  AvlfWindow root;
  root.Create(nullptr, host, &full, L"BenchRoot");
  const SIZE sizes[2] = {{800, 700}, {640, 660}};
  std::vector<Move> movesAt[2];
  for (int s = 0; s < 2; ++s) {
    ::MoveWindow(root, 0, 0, sizes[s].cx, sizes[s].cy, TRUE);
    CollectMoves(root, movesAt[s]);
  }
  const int kResizes = 40;
  double skinLayout = 1e30;
  long buffers = 0;
  for (int i = 0; i < kResizes; ++i) {
    const SIZE& size = sizes[i % 2];
    const long before = AvlfMemoryDC::s_nCreated;
    double t0 = NowMs();
    ::MoveWindow(root, 0, 0, size.cx, size.cy, TRUE);
    skinLayout = std::min(skinLayout, NowMs() - t0);
    buffers = AvlfMemoryDC::s_nCreated - before;
  }

  // The same moves of the same windows, all in one batch.
  double deferred = 1e30;
  for (int i = 0; i < kResizes; ++i) {
    const std::vector<Move>& moves = movesAt[i % 2];
    double t0 = NowMs();
    HDWP batch = ::BeginDeferWindowPos(static_cast<int>(moves.size()) + 1);
    batch = ::DeferWindowPos(batch, root, nullptr, 0, 0, sizes[i % 2].cx, sizes[i % 2].cy, SWP_NOZORDER);
    for (const Move& m : moves)
      if (batch)
        batch = ::DeferWindowPos(batch, m.hWnd, nullptr, m.rc.left, m.rc.top, m.rc.right - m.rc.left,
                                 m.rc.bottom - m.rc.top, SWP_NOZORDER | SWP_NOACTIVATE);
    if (batch) ::EndDeferWindowPos(batch);
    deferred = std::min(deferred, NowMs() - t0);
  }

  std::printf("skin_tree_build: %.2f ms\n", skinBuild);
  std::printf("bare_tree_build: %.2f ms\n", bareBuild);
  std::printf("skin_tree_build_vs_bare: %.2f x\n", skinBuild / bareBuild);
  std::printf("skin_layout_resize: %.2f ms\n", skinLayout);
  std::printf("skin_layout_back_buffers: %ld buffers\n", buffers);
  std::printf("deferred_moves: %.2f ms\n", deferred);
  std::printf("skin_layout_vs_deferred: %.2f x\n", skinLayout / deferred);
  root.DestroyWindow();
  ::DestroyWindow(host);
  GetSkinUi()->ClearSkin();
  Gdiplus::GdiplusShutdown(token);
  return 0;
}
