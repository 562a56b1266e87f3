#include "image/fusion/FusionImage.h"

#include "image/fusion/FusionColour.h"
#include "image/fusion/FusionLaplace.h"

#include <algorithm>
#include <climits>
#include <new>

namespace {

FusionPlaneRows Rows(const FloatPlane* planes) {
  return {planes[0].Data(), planes[1].Data(), planes[2].Data(), planes[0].Stride()};
}

int BytesPerPixel(int bitsPerPixel) { return bitsPerPixel == 24 ? 3 : 4; }

}  // namespace

int CGPUFusionImage::PaddedSide(int side, bool powerOfTwo) {
  if (side < 1) return 0;
  if (powerOfTwo) {
    int padded = 2;
    while (padded < side) {
      if (padded > INT_MAX / 2) return 0;
      padded *= 2;
    }
    return padded;
  }
  if (side > INT_MAX - 3) return 0;
  return (side + 3) / 4 * 4;
}

uint64_t CGPUFusionImage::RowBytes(int width, int bitsPerPixel) {
  if (bitsPerPixel == 24) return (static_cast<uint64_t>(width) * 24 + 31) / 32 * 4;
  return static_cast<uint64_t>(width) * 4;
}

CGPUFusionImage::CGPUFusionImage(int width, int height, int powerOfTwo)
    : m_width(width),
      m_height(height),
      m_paddedWidth(PaddedSide(width, powerOfTwo != 0)),
      m_paddedHeight(PaddedSide(height, powerOfTwo != 0)) {
  if (m_paddedWidth == 0 || m_paddedHeight == 0 || FloatPlane::BytesFor(m_paddedWidth, m_paddedHeight) == 0)
    throw std::bad_alloc();
  for (auto& plane : m_planes) plane = FloatPlane::Allocate(m_paddedWidth, m_paddedHeight);
  m_engine = new CFusionLaplace;
  m_engine->AddRef();
  try {
    m_engine->Init(width, height, std::max(m_paddedWidth, m_paddedHeight) + 4);
  } catch (...) {
    m_engine->Release();
    throw;
  }
}

CGPUFusionImage::~CGPUFusionImage() {
  if (m_engine) m_engine->Release();
}

void CGPUFusionImage::FreeLineBuffers() { m_engine->Filter().FreeLineBuffers(); }

bool CGPUFusionImage::AddImage(int bitsPerPixel, const uint8_t* pixels) {
  FusionPixelsToPlanesSse2(pixels, static_cast<size_t>(RowBytes(m_width, bitsPerPixel)), BytesPerPixel(bitsPerPixel),
                           m_width, m_height, Rows(m_planes));
  return m_engine->AddImage(m_planes[0], m_planes[1], m_planes[2]);
}

bool CGPUFusionImage::GetResult(int bitsPerPixel, uint8_t* out) {
  FloatPlane fused[3];
  if (!m_engine->GetResult(fused[0], fused[1], fused[2])) return false;
  for (int p = 0; p < 3; ++p) m_planes[p] = fused[p];
  FusionPlanesToPixelsSse2(Rows(m_planes), m_width, m_height, out, static_cast<size_t>(RowBytes(m_width, bitsPerPixel)),
                           BytesPerPixel(bitsPerPixel));
  return true;
}

CGPUFusionImage* CreateFusionImage(int width, int height, int powerOfTwo) {
  if (width < 1 || height < 1) return nullptr;
  try {
    return new CGPUFusionImage(width, height, powerOfTwo);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

bool FusionAddImage(CGPUFusionImage* fusion, int bitsPerPixel, const uint8_t* pixels) {
  if (!fusion || !pixels) return false;
  try {
    return fusion->AddImage(bitsPerPixel, pixels);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool FusionGetResult(CGPUFusionImage* fusion, int bitsPerPixel, uint8_t* out) {
  if (!fusion || !out) return false;
  try {
    return fusion->GetResult(bitsPerPixel, out);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void DestroyFusionImage(CGPUFusionImage* fusion) {
  if (!fusion) return;
  fusion->FreeLineBuffers();
  delete fusion;
}
