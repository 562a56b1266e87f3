// The text box and the clip-art: a canvas repaint with a 4000 x 3000 clip-art
// against the same picture drawn as the document's own cells (both 16 x 12
// cells of 256 pixels, the cost of a small picture alone taken off each), and
// composing 10,000 characters into a 1000 x 1000 text box against one GDI
// DrawTextW of the same text with word breaks into a bitmap of the same size.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_timer.h"
#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/figures/Clipart.h"
#include "engine/figures/Label.h"
#include "engine/figures/Ruler.h"
#include "engine/figures/TextFigure.h"
#include "image/Image.h"
#include "win32/Window.h"

namespace {

constexpr int kCanvasWidth = 1280, kCanvasHeight = 960;
constexpr int kClipWidth = 4000, kClipHeight = 3000;
constexpr int kBox = 1000;
constexpr int kCharacters = 10000;

class CHost : public win32::CWindowImpl<CHost, win32::CWinTraits<WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN>> {
 public:
  BEGIN_MSG_MAP(CHost)
  END_MSG_MAP()
};

void QuietFontMessage(const wchar_t*) {}

uint32_t g_seed = 4711;
uint32_t Next() { return g_seed = g_seed * 1664525u + 1013904223u; }

std::vector<uint32_t> Noise(int width, int height) {
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  for (uint32_t& px : pixels) px = 0xFF000000u | (Next() >> 8);
  return pixels;
}

// Words of 1 to 9 letters, one blank after each.
std::wstring Words(int length) {
  std::wstring text;
  while (static_cast<int>(text.size()) < length) {
    const int letters = 1 + static_cast<int>(Next() >> 28) % 9;
    for (int i = 0; i < letters; ++i) text += static_cast<wchar_t>(L'a' + (Next() >> 27) % 26);
    text += L' ';
  }
  text.resize(static_cast<size_t>(length));
  return text;
}

}  // namespace

int main() {
  SetFontMessageFunction(QuietFontMessage);
  CHost host;
  RECT rc{0, 0, kCanvasWidth, kCanvasHeight};
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
  RECT docRect{0, 0, kCanvasWidth, kCanvasHeight};
  doc.Create(&canvas, nullptr, L"picture", &docRect);
  canvas.SetActiveImage(&doc, TRUE);
  doc.m_pRuler->m_bVisible = 0;
  const int draws = 10;
  auto repaint = [&] {
    return BestMs(5,
                  [&] {
                    for (int i = 0; i < draws; ++i) canvas.Repaint();
                  }) /
           draws;
  };

  // The large picture as the document's own cells.
  const std::vector<uint32_t> big = Noise(kClipWidth, kClipHeight);
  doc.UploadFrame(big.data(), kClipWidth, kClipHeight, kClipWidth * 4, nullptr);
  const double asCells = repaint();
  // A small picture alone: the frame's fixed cost.
  const std::vector<uint32_t> small = Noise(64, 48);
  doc.UploadFrame(small.data(), 64, 48, 64 * 4, nullptr);
  const double alone = repaint();

  // The same picture as a clip-art over the small one.
  ZEvuvoro::CImage file;
  file.Attach(kClipWidth, kClipHeight, kClipWidth * 4, reinterpret_cast<uint8_t*>(const_cast<uint32_t*>(big.data())));
  if (!file.SaveBmp(L"textclip_bench.bmp", 0)) {
    std::printf("error: the clip-art picture was not written\n");
    return 1;
  }
  auto* clip = new CDTClipart(POINT{kCanvasWidth / 2, kCanvasHeight / 2}, L"textclip_bench.bmp");
  RECT none{};
  if (FAILED(clip->Create(&canvas, &doc, L"clip", &none)) || clip->m_nCellColumns * clip->m_nCellRows != 192) {
    std::printf("error: the clip-art was not made\n");
    return 1;
  }
  const double withClip = repaint();
  ::DeleteFileW(L"textclip_bench.bmp");
  const double clipCost = std::max(withClip - alone, 1e-3), cellCost = std::max(asCells - alone, 1e-3);

  // Composing: a 1000 x 1000 box, two texts taking turns so each call composes.
  const std::wstring textA = Words(kCharacters), textB = Words(kCharacters);
  auto* box = new CDTText(POINT{kCanvasWidth / 2, kCanvasHeight / 2}, L"box");
  if (FAILED(box->Create(&canvas, &doc, L"text", &none))) {
    std::printf("error: the text box was not made\n");
    return 1;
  }
  box->SetBoxSize(kBox, kBox);
  if (!box->m_pSurface) {
    std::printf("error: the text box has no surface\n");
    return 1;
  }
  // Without a canvas to repaint, the timing is the composing alone.
  CDirectUI* owner = box->m_pOwner;
  int turn = 0;
  const double compose = BestMs(10, [&] {
    box->m_pOwner = nullptr;
    box->SetText((turn++ & 1) ? textA.c_str() : textB.c_str());
    box->m_pOwner = owner;
  });

  // The peer: GDI word-wrapping the same text into a 1000 x 1000 DIB at the same pixel size.
  HDC dc = ::CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), kBox, -kBox, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  LOGFONTW lf{};
  lf.lfHeight = -box->m_nFontSize;
  lstrcpynW(lf.lfFaceName, L"Liberation Sans", LF_FACESIZE);
  HFONT font = ::CreateFontIndirectW(&lf);
  HGDIOBJ oldBitmap = ::SelectObject(dc, bitmap);
  HGDIOBJ oldFont = ::SelectObject(dc, font);
  const double gdi = BestMs(10, [&] {
    RECT area{0, 0, kBox, kBox};
    const std::wstring& text = (turn++ & 1) ? textA : textB;
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, DT_WORDBREAK | DT_CENTER | DT_NOPREFIX);
    ::GdiFlush();
  });
  ::SelectObject(dc, oldFont);
  ::SelectObject(dc, oldBitmap);
  ::DeleteObject(font);
  ::DeleteObject(bitmap);
  ::DeleteDC(dc);

  std::printf("textclip_repaint_small_picture: %.3f ms\n", alone);
  std::printf("textclip_repaint_4000x3000_clipart: %.3f ms\n", withClip);
  std::printf("textclip_repaint_4000x3000_picture_cells: %.3f ms\n", asCells);
  std::printf("textclip_clipart_vs_picture_cells: %.2f x\n", clipCost / cellCost);
  std::printf("textclip_compose_10000_chars_1000x1000: %.3f ms\n", compose);
  std::printf("textclip_gdi_drawtext_10000_chars_1000x1000: %.3f ms\n", gdi);
  std::printf("textclip_compose_vs_gdi_drawtext: %.2f x\n", compose / gdi);
  canvas.DetachElement(&doc);
  canvas.DestroyWindow();
  host.DestroyWindow();
  return 0;
}
