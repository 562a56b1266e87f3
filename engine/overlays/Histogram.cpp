#include <emmintrin.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "engine/DirectUI.h"
#include "engine/Image.h"
#include "engine/overlays/Overlays.h"
#include "image/primitives/HistogramPrimitives.h"

namespace {

// The primitives choose their processor variant once, with the first user.
void InitPrimitivesOnce() {
  static const int status = InitPrimitives();
  (void)status;
}

// One row of BGRA pixels into blue, green and red planes; alpha is dropped.
void SplitRow(const uint8_t* src, int width, uint8_t* red, uint8_t* green, uint8_t* blue) {
  int x = 0;
  const __m128i low = _mm_set1_epi32(0xFF);
  for (; x + 16 <= width; x += 16) {
    const __m128i* p = reinterpret_cast<const __m128i*>(src + 4 * x);
    const __m128i a = _mm_loadu_si128(p), b = _mm_loadu_si128(p + 1);
    const __m128i c = _mm_loadu_si128(p + 2), d = _mm_loadu_si128(p + 3);
    // Each channel lies in 0..255 within its 32-bit lane, so the saturating packs keep it exact.
    auto plane = [&](int shift) {
      const __m128i sa = _mm_and_si128(_mm_srli_epi32(a, shift), low);
      const __m128i sb = _mm_and_si128(_mm_srli_epi32(b, shift), low);
      const __m128i sc = _mm_and_si128(_mm_srli_epi32(c, shift), low);
      const __m128i sd = _mm_and_si128(_mm_srli_epi32(d, shift), low);
      return _mm_packus_epi16(_mm_packs_epi32(sa, sb), _mm_packs_epi32(sc, sd));
    };
    _mm_storeu_si128(reinterpret_cast<__m128i*>(blue + x), plane(0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(green + x), plane(8));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(red + x), plane(16));
  }
  for (; x < width; ++x) {
    blue[x] = src[4 * x];
    green[x] = src[4 * x + 1];
    red[x] = src[4 * x + 2];
  }
}

// The largest of 255 counts, four at a time (counts stay below 2^31: they are pixels of one frame).
float MaxCount(const uint32_t* counts) {
  __m128i best = _mm_setzero_si128();
  int i = 0;
  for (; i + 4 <= CHistogramBins::kBins; i += 4) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(counts + i));
    const __m128i greater = _mm_cmpgt_epi32(v, best);
    best = _mm_or_si128(_mm_and_si128(greater, v), _mm_andnot_si128(greater, best));
  }
  alignas(16) uint32_t lanes[4];
  _mm_store_si128(reinterpret_cast<__m128i*>(lanes), best);
  uint32_t m = std::max(std::max(lanes[0], lanes[1]), std::max(lanes[2], lanes[3]));
  for (; i < CHistogramBins::kBins; ++i) m = std::max(m, counts[i]);
  return static_cast<float>(m);
}

}  // namespace

// ---- Bins ------------------------------------------------------------------------

CHistogramBins::CHistogramBins() {
  InitPrimitivesOnce();
  m_pRed = AllocAligned32u(kBins);
  m_pGreen = AllocAligned32u(kBins);
  m_pBlue = AllocAligned32u(kBins);
  for (uint32_t* counts : {m_pRed, m_pGreen, m_pBlue})
    if (counts) std::memset(counts, 0, kBins * sizeof(uint32_t));
}

CHistogramBins::~CHistogramBins() {
  FreeAligned(m_pRed);
  FreeAligned(m_pGreen);
  FreeAligned(m_pBlue);
}

// ---- Overlay ---------------------------------------------------------------------

CHistogram::CHistogram() {
  for (ColorVertex& v : m_panel) v = {0.0f, 0.0f, 0.0f, 1.0f, 0x80000000};
  for (int i = 0; i < CHistogramBins::kBins; ++i) {
    m_red[i] = {0.0f, 0.0f, 0.0f, 1.0f, 0xFFFF0000};
    m_green[i] = {0.0f, 0.0f, 0.0f, 1.0f, 0xFF00FF00};
    m_blue[i] = {0.0f, 0.0f, 0.0f, 1.0f, 0xFF0000FF};
  }
  SetPosition(0, 0);
}

CHistogram::~CHistogram() { ReleaseBuffers(); }

void CHistogram::Attach(CDirectUI* canvas) {
  InitPrimitivesOnce();
  m_pCanvas = canvas;
  m_pDevice = canvas ? static_cast<IDirect3DDevice9*>(canvas->m_pDevice) : nullptr;
}

void CHistogram::FreeSpec() {
  FreeAligned(m_pSpec);
  FreeAligned(m_pWork);
  m_pSpec = nullptr;
  m_pWork = nullptr;
}

void CHistogram::ReleaseBuffers() {
  FreeAligned(m_pRed);
  FreeAligned(m_pGreen);
  FreeAligned(m_pBlue);
  m_pRed = m_pGreen = m_pBlue = nullptr;
  FreeSpec();
  m_nCapacityWidth = m_nCapacityHeight = 0;
  m_nSpecWidth = m_nSpecHeight = 0;
  m_bReady = false;
  m_pDocument = nullptr;
}

bool CHistogram::SetFrame(CDTImage* document, const void* pixels, int width, int height, int pitch) {
  m_pDocument = document;
  if (document) document->m_histogramBins.m_bComputed = false;
  m_bReady = false;
  if (!document || !pixels || width < 1 || height < 1) return false;
  if (m_nCapacityWidth < width || m_nCapacityHeight < height) {
    FreeAligned(m_pRed);
    FreeAligned(m_pGreen);
    FreeAligned(m_pBlue);
    m_pRed = m_pGreen = m_pBlue = nullptr;
    m_nCapacityWidth = m_nCapacityHeight = 0;
    const int cw = static_cast<int>(width * 1.5), ch = static_cast<int>(height * 1.5);
    if (static_cast<long long>(cw) * ch > INT_MAX) return false;
    m_pRed = AllocAligned8u(cw * ch);
    m_pGreen = AllocAligned8u(cw * ch);
    m_pBlue = AllocAligned8u(cw * ch);
    if (!m_pRed || !m_pGreen || !m_pBlue) return false;
    m_nCapacityWidth = cw;
    m_nCapacityHeight = ch;
  }
  const auto* src = static_cast<const uint8_t*>(pixels);
  const size_t step = static_cast<size_t>(m_nCapacityWidth);
  for (int y = 0; y < height; ++y)
    SplitRow(src + static_cast<ptrdiff_t>(y) * pitch, width, m_pRed + y * step, m_pGreen + y * step,
             m_pBlue + y * step);

  if (width != m_nSpecWidth || height != m_nSpecHeight || !m_pSpec) {
    FreeSpec();
    m_nSpecWidth = width;
    m_nSpecHeight = height;
    const int levels = 256;
    int specSize = 0, workSize = 0;
    const float lower = 0.0f, upper = 255.0f;
    bool made =
        GetHistogramBufferSize(HistData8u, width, height, &levels, 1, 1, &specSize, &workSize) == 0 && workSize > 0;
    if (made) {
      m_pSpec = reinterpret_cast<HistogramSpec*>(AllocAligned8u(specSize));
      m_pWork = AllocAligned8u(workSize);
      made = m_pSpec && m_pWork && InitHistogramSpec(HistData8u, &lower, &upper, &levels, 1, m_pSpec) == 0;
    }
    if (!made) {
      // The next frame tries again.
      FreeSpec();
      m_nSpecWidth = m_nSpecHeight = 0;
      return false;
    }
  }
  m_bReady = true;
  if (m_bShow) Compute(document);
  return true;
}

bool CHistogram::Compute(CDTImage* document) {
  if (!m_bReady || !document) return false;
  CHistogramBins& bins = document->m_histogramBins;
  if (!bins.m_pRed || !bins.m_pGreen || !bins.m_pBlue) return false;
  const size_t bytes = CHistogramBins::kBins * sizeof(uint32_t);
  std::memset(bins.m_pRed, 0, bytes);
  std::memset(bins.m_pGreen, 0, bytes);
  std::memset(bins.m_pBlue, 0, bytes);
  const std::pair<const uint8_t*, uint32_t*> planes[3] = {
      {m_pRed, bins.m_pRed}, {m_pGreen, bins.m_pGreen}, {m_pBlue, bins.m_pBlue}};
  for (const auto& [plane, counts] : planes)
    if (ComputeHistogram8u(plane, m_nCapacityWidth, m_nSpecWidth, m_nSpecHeight, counts, m_pSpec, m_pWork) != 0)
      return false;
  bins.m_fMaxRed = MaxCount(bins.m_pRed);
  bins.m_fMaxGreen = MaxCount(bins.m_pGreen);
  bins.m_fMaxBlue = MaxCount(bins.m_pBlue);
  bins.m_bComputed = true;
  return true;
}

void CHistogram::SetPosition(int width, int) {
  m_fOriginX = static_cast<float>(width - 260);
  m_fOriginY = 6.0f;
  const float x0 = m_fOriginX;
  const float corners[4][2] = {{x0, 6.0f}, {x0 + 255.0f, 6.0f}, {x0, 135.0f}, {x0 + 255.0f, 135.0f}};
  for (int i = 0; i < 4; ++i) {
    m_panel[i].x = corners[i][0];
    m_panel[i].y = corners[i][1];
  }
}

void CHistogram::Draw(CDTImage* document) {
  if (!document || !m_pDevice) return;
  IDirect3DDevice9* device = m_pDevice;
  device->SetTexture(0, nullptr);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
  device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
  device->SetFVF(kColorVertexFormat);
  device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, m_panel, sizeof(ColorVertex));

  CHistogramBins& bins = document->m_histogramBins;
  if (!bins.m_bComputed) {
    if (m_pDocument != document && !document->ReadFrameForHistogram()) return;
    Compute(document);
    if (!bins.m_bComputed) return;
  }
  const float x0 = m_fOriginX, y0 = m_fOriginY;
  auto curve = [&](ColorVertex* line, const uint32_t* counts, float maximum) {
    for (int i = 0; i < CHistogramBins::kBins; ++i) {
      line[i].x = x0 + static_cast<float>(i);
      // A channel with no counted pixel (all 255) lies flat on the baseline.
      line[i].y = maximum > 0.0f ? y0 + 128.0f - 128.0f * static_cast<float>(counts[i]) / maximum : y0 + 128.0f;
    }
    device->DrawPrimitiveUP(D3DPT_LINESTRIP, CHistogramBins::kBins - 1, line, sizeof(ColorVertex));
  };
  curve(m_red, bins.m_pRed, bins.m_fMaxRed);
  curve(m_green, bins.m_pGreen, bins.m_fMaxGreen);
  curve(m_blue, bins.m_pBlue, bins.m_fMaxBlue);
}
