// A thousand labelled line figures (pen 4) over a 1920 x 1080 picture in fit
// mode: the frame time of the canvas's Repaint against the picture alone and
// against a batched peer in the same process and on the same device (every
// line in one vertex buffer and one draw, every label from one pre-rendered
// texture in one draw) and against the labels each drawn by itself; the
// memory the figures add; and dragging a vertex of a 200-vertex polyline at
// pen 8, frame included, per mouse move.

#include <windows.h>
#include <d3d9.h>
#include <psapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/bench_timer.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/Label.h"
#include "engine/figures/Line.h"
#include "engine/figures/Ruler.h"
#include "win32/ComPtr.h"
#include "win32/Window.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080;
constexpr int kFigures = 1000;
constexpr int kAtlas = 2048;

class CHost : public win32::CWindowImpl<CHost, win32::CWinTraits<WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN>> {
 public:
  BEGIN_MSG_MAP(CHost)
  END_MSG_MAP()
};

void QuietFontMessage(const wchar_t*) {}

SIZE_T PrivateBytes() {
  SIZE_T total = 0;
  MEMORY_BASIC_INFORMATION info{};
  const char* address = nullptr;
  while (::VirtualQuery(address, &info, sizeof info) == sizeof info) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
    const char* next = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
    if (next <= address) break;
    address = next;
  }
  return total;
}

SIZE_T WorkingSet() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  return ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters) ? counters.WorkingSetSize : 0;
}

uint32_t g_seed = 12345;
float Random(float low, float high) {
  g_seed = g_seed * 1664525u + 1013904223u;
  return low + (high - low) * static_cast<float>(g_seed >> 8) / static_cast<float>(1u << 24);
}

// The peer: what the figures draw, gathered once into one buffer and one texture.
struct CBatch {
  win32::CComPtr<IDirect3DVertexBuffer9> lines;
  UINT triangles = 0;
  win32::CComPtr<IDirect3DTexture9> atlas;
  std::vector<TexturedVertex> quads;

  bool Build(IDirect3DDevice9* device, const std::vector<CDTLine*>& figures) {
    std::vector<ColorVertex> vertices;
    for (const CDTLine* f : figures)
      for (const PointF& p : f->m_outline) vertices.push_back({p.x - 0.5f, p.y - 0.5f, 0.0f, 1.0f, f->m_clrLine});
    triangles = static_cast<UINT>(vertices.size() / 3);
    const UINT bytes = static_cast<UINT>(vertices.size() * sizeof(ColorVertex));
    if (FAILED(device->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, kColorVertexFormat, D3DPOOL_MANAGED, &lines,
                                          nullptr)))
      return false;
    void* data = nullptr;
    if (FAILED(lines->Lock(0, 0, &data, 0))) return false;
    std::memcpy(data, vertices.data(), bytes);
    lines->Unlock();

    // Labels packed in rows of the atlas, copied from the figures' own surfaces.
    if (FAILED(device->CreateTexture(kAtlas, kAtlas, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &atlas, nullptr)))
      return false;
    D3DLOCKED_RECT target{};
    if (FAILED(atlas->LockRect(0, &target, nullptr, 0))) return false;
    int x = 0, y = 0, rowHeight = 0;
    for (const CDTLine* f : figures) {
      const CDTLabel& label = f->m_label;
      const int w = label.m_nTextWidth, h = std::min(label.m_nTextHeight, label.m_nSurfaceRows);
      if (!label.m_pSurface || w <= 0 || h <= 0) continue;
      if (x + w > kAtlas) {
        x = 0;
        y += rowHeight;
        rowHeight = 0;
      }
      if (y + h > kAtlas) break;
      D3DLOCKED_RECT source{};
      if (FAILED(label.m_pSurface->LockRect(&source, nullptr, D3DLOCK_READONLY))) continue;
      for (int r = 0; r < h; ++r)
        std::memcpy(static_cast<BYTE*>(target.pBits) + static_cast<ptrdiff_t>(y + r) * target.Pitch + x * 4,
                    static_cast<const BYTE*>(source.pBits) + static_cast<ptrdiff_t>(r) * source.Pitch,
                    static_cast<size_t>(w) * 4);
      label.m_pSurface->UnlockRect();
      const float l = label.m_ptPosition.x - 0.5f, t = label.m_ptPosition.y - 0.5f;
      const float rr = l + w, b = t + h;
      const float u0 = static_cast<float>(x) / kAtlas, v0 = static_cast<float>(y) / kAtlas;
      const float u1 = static_cast<float>(x + w) / kAtlas, v1 = static_cast<float>(y + h) / kAtlas;
      const DWORD c = label.m_clrText;
      const TexturedVertex quad[6] = {{l, t, 0, 1, c, u0, v0},  {rr, t, 0, 1, c, u1, v0}, {l, b, 0, 1, c, u0, v1},
                                      {rr, t, 0, 1, c, u1, v0}, {rr, b, 0, 1, c, u1, v1}, {l, b, 0, 1, c, u0, v1}};
      quads.insert(quads.end(), quad, quad + 6);
      x += w;
      rowHeight = std::max(rowHeight, h);
    }
    atlas->UnlockRect(0);
    return true;
  }

  // One frame as the canvas makes it, with the figures drawn in two calls.
  void Frame(CDirectUI& canvas, CDTImage& doc) const {
    IDirect3DDevice9* device = canvas.m_pDevice;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, canvas.m_clrBackground, 1.0f, 0);
    device->BeginScene();
    doc.Draw();
    device->SetTexture(0, nullptr);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
    device->SetFVF(kColorVertexFormat);
    device->SetStreamSource(0, lines, 0, sizeof(ColorVertex));
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, triangles);
    device->SetTexture(0, atlas);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetFVF(kTexturedVertexFormat);
    if (!quads.empty())
      device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, static_cast<UINT>(quads.size() / 3), quads.data(),
                              sizeof(TexturedVertex));
    device->EndScene();
    canvas.PresentFrame();
  }
};

}  // namespace

int main() {
  SetFontMessageFunction(QuietFontMessage);
  CHost host;
  RECT rc{0, 0, kWidth, kHeight};
  if (!host.Create(nullptr, &rc, L"bench")) {
    std::printf("error: no host window\n");
    return 1;
  }
  CDirectUI canvas;
  if (!canvas.Create(nullptr, host, host) || !canvas.m_pDevice) {
    std::printf("error: no canvas device\n");
    return 1;
  }
  canvas.m_strFontFace = L"Liberation Sans";
  CDTImage doc;
  RECT docRect{0, 0, kWidth, kHeight};
  doc.Create(&canvas, nullptr, L"picture", &docRect);
  canvas.SetActiveImage(&doc, TRUE);
  std::vector<uint32_t> picture(static_cast<size_t>(kWidth) * kHeight);
  for (uint32_t& px : picture) px = 0xFF000000u | ((g_seed = g_seed * 1664525u + 1013904223u) >> 8);
  doc.UploadFrame(picture.data(), kWidth, kHeight, kWidth * 4, nullptr);
  doc.m_pRuler->m_bVisible = 0;

  const int draws = 20;
  auto repaints = [&] {
    for (int i = 0; i < draws; ++i) canvas.Repaint();
  };
  const double alone = BestMs(3, repaints) / draws;

  // The figures, as the figure store makes them: vertices, handles, device objects.
  const SIZE_T privateBefore = PrivateBytes(), setBefore = WorkingSet();
  std::vector<CDTLine*> figures;
  figures.reserve(kFigures);
  for (int i = 0; i < kFigures; ++i) {
    auto* line = new CDTLine();
    const float x = Random(20.0f, kWidth - 220.0f), y = Random(20.0f, kHeight - 120.0f);
    line->m_vertices = {{x, y}, {x + Random(20.0f, 200.0f), y + Random(-15.0f, 100.0f)}};
    line->m_nPenWeight = 4;
    line->m_nFontSize = 16;
    line->m_clrLine = 0xE0FF0000;
    line->AttachToDocument(&doc);
    RECT none{};
    if (FAILED(line->Create(&canvas, &doc, L"line", &none)) || !line->m_pVertexBuffer || !line->m_label.m_pSurface) {
      std::printf("error: figure %d has no device objects\n", i);
      return 1;
    }
    figures.push_back(line);
  }
  const double addedPrivate = (static_cast<double>(PrivateBytes()) - static_cast<double>(privateBefore)) / 1048576.0;
  const double addedSet = (static_cast<double>(WorkingSet()) - static_cast<double>(setBefore)) / 1048576.0;

  const double withFigures = BestMs(3, repaints) / draws;
  // The same frame with every label drawing itself through the staging texture.
  canvas.m_labelBatch.m_bEnabled = false;
  const double oneByOne = BestMs(3, repaints) / draws;
  canvas.m_labelBatch.m_bEnabled = true;
  // Where the time goes: the lines without their labels.
  for (CDTLine* f : figures) f->m_bShowResult = 0;
  const double unlabelled = BestMs(3, repaints) / draws;
  for (CDTLine* f : figures) f->m_bShowResult = 1;

  CBatch batch;
  if (!batch.Build(canvas.m_pDevice, figures)) {
    std::printf("error: the batched peer could not be built\n");
    return 1;
  }
  const double peer = BestMs(3,
                             [&] {
                               for (int i = 0; i < draws; ++i) batch.Frame(canvas, doc);
                             }) /
                      draws;

  // Dragging a vertex of a long polyline, alone on the picture.
  for (CDTLine* f : figures) f->m_bVisible = 0;
  const double aloneAgain = BestMs(3, repaints) / draws;
  auto* poly = new CDTLine();
  for (int i = 0; i < 200; ++i) poly->m_vertices.push_back({100.0f + i * 8.5f, 500.0f + 200.0f * std::sin(i * 0.2f)});
  poly->m_nPenWeight = 8;
  poly->AttachToDocument(&doc);
  RECT none{};
  if (FAILED(poly->Create(&canvas, &doc, L"polyline", &none)) || poly->m_handles.size() != 399) {
    std::printf("error: the polyline was not made\n");
    return 1;
  }
  const double polyFrame = BestMs(3, repaints) / draws;
  const int vertexHandle = 200;  // vertex 100
  const POINT press{static_cast<LONG>(poly->m_handles[vertexHandle]->cx),
                    static_cast<LONG>(poly->m_handles[vertexHandle]->cy)};
  const int moves = 60;
  const double drag = BestMs(3,
                             [&] {
                               poly->OnLButtonDown(0, &press);
                               for (int i = 1; i <= moves; ++i) {
                                 const POINT to{press.x + (i % 7) * 3, press.y + i * 2};
                                 poly->OnMouseMove(0, &to);
                               }
                               poly->OnLButtonUp(0, &press);
                             }) /
                      moves;

  // The figure's own work per move, without the frame: geometry, measuring, label.
  const double work = BestMs(3,
                             [&] {
                               for (int i = 1; i <= moves; ++i) {
                                 poly->SetVertexScreen(vertexHandle, press.x + (i % 7) * 3.0f, press.y + i * 2.0f);
                                 poly->Measure();
                               }
                             }) /
                      moves;

  std::printf("figures_repaint_picture_alone: %.3f ms\n", std::min(alone, aloneAgain));
  std::printf("figures_repaint_1000_lines: %.3f ms\n", withFigures);
  std::printf("figures_frame_rate_1000_lines: %.1f frames/s\n", 1000.0 / withFigures);
  std::printf("figures_repaint_1000_lines_unlabelled: %.3f ms\n", unlabelled);
  std::printf("figures_repaint_1000_lines_labels_one_by_one: %.3f ms\n", oneByOne);
  std::printf("figures_repaint_1000_lines_vs_labels_one_by_one: %.2f x\n", withFigures / oneByOne);
  std::printf("figures_batched_peer_1000_lines: %.3f ms\n", peer);
  std::printf("figures_repaint_1000_lines_vs_picture_alone: %.2f x\n", withFigures / std::min(alone, aloneAgain));
  std::printf("figures_repaint_1000_lines_vs_batched_peer: %.2f x\n", withFigures / peer);
  std::printf("figures_1000_lines_private_bytes: %.1f MB\n", addedPrivate);
  std::printf("figures_1000_lines_working_set: %.1f MB\n", addedSet);
  std::printf("figures_drag_vertex_200_pen8: %.3f ms\n", drag);
  std::printf("figures_repaint_polyline_200_pen8: %.3f ms\n", polyFrame);
  std::printf("figures_drag_vertex_200_pen8_figure_work: %.3f ms\n", work);

  canvas.DetachElement(&doc);
  canvas.DestroyWindow();
  host.DestroyWindow();
  return 0;
}
