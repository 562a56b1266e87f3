#include "FusionImage.h"

#include "FusionLaplace.h"

#include <algorithm>
#include <climits>
#include <new>

namespace {

inline int Clamp255(int v)
{
    return v < 0 ? 0 : (v > 255 ? 255 : v);
}

// BT.601 studio range in integers, with b0 in the place of red and b2 in the place of blue.
void PixelsToPlanes(const uint8_t* pixels, int bitsPerPixel, int width, int height, const FloatPlane* planes)
{
    const int step = bitsPerPixel == 24 ? 3 : 4;
    const size_t rowBytes = static_cast<size_t>(CGPUFusionImage::RowBytes(width, bitsPerPixel));
    for (int y = 0; y < height; ++y) {
        const uint8_t* p = pixels + rowBytes * static_cast<size_t>(y);
        float* py = planes[0].Row(y);
        float* pcb = planes[1].Row(y);
        float* pcr = planes[2].Row(y);
        for (int x = 0; x < width; ++x, p += step) {
            const int b0 = p[0], b1 = p[1], b2 = p[2];
            py[x] = static_cast<float>(std::min(((66 * b0 + 129 * b1 + 25 * b2 + 128) >> 8) + 16, 255));
            pcb[x] = static_cast<float>(Clamp255(((112 * b2 - 38 * b0 - 74 * b1 + 128) >> 8) + 128));
            pcr[x] = static_cast<float>(Clamp255(((112 * b0 - 94 * b1 - 18 * b2 + 128) >> 8) + 128));
        }
    }
}

// Truncation toward zero; the sums run in 64 bits so that no fused value,
// however far outside 0 .. 255, can overflow them.
inline int64_t Truncate(float v)
{
    constexpr float kLimit = 2147483520.0f; // the largest float below 2^31
    if (v != v)
        return 0;
    return static_cast<int64_t>(std::clamp(v, -kLimit, kLimit));
}

inline uint8_t Byte(int64_t v)
{
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

void PlanesToPixels(const FloatPlane* planes, int bitsPerPixel, int width, int height, uint8_t* out)
{
    const int step = bitsPerPixel == 24 ? 3 : 4;
    const size_t rowBytes = static_cast<size_t>(CGPUFusionImage::RowBytes(width, bitsPerPixel));
    for (int y = 0; y < height; ++y) {
        uint8_t* p = out + rowBytes * static_cast<size_t>(y);
        const float* py = planes[0].Row(y);
        const float* pcb = planes[1].Row(y);
        const float* pcr = planes[2].Row(y);
        for (int x = 0; x < width; ++x, p += step) {
            const int64_t l = Truncate(py[x]), cb = Truncate(pcb[x]), cr = Truncate(pcr[x]);
            p[0] = Byte((298 * l + 409 * cr - 56992) >> 8);
            p[1] = Byte((298 * l - 100 * cb - 208 * cr + 34784) >> 8);
            p[2] = Byte((298 * l + 516 * cb - 70688) >> 8);
            if (step == 4)
                p[3] = 255;
        }
    }
}

} // namespace

int CGPUFusionImage::PaddedSide(int side, bool powerOfTwo)
{
    if (side < 1)
        return 0;
    if (powerOfTwo) {
        int padded = 2;
        while (padded < side) {
            if (padded > INT_MAX / 2)
                return 0;
            padded *= 2;
        }
        return padded;
    }
    if (side > INT_MAX - 3)
        return 0;
    return (side + 3) / 4 * 4;
}

uint64_t CGPUFusionImage::RowBytes(int width, int bitsPerPixel)
{
    if (bitsPerPixel == 24)
        return (static_cast<uint64_t>(width) * 24 + 31) / 32 * 4;
    return static_cast<uint64_t>(width) * 4;
}

CGPUFusionImage::CGPUFusionImage(int width, int height, int powerOfTwo)
    : m_width(width),
      m_height(height),
      m_paddedWidth(PaddedSide(width, powerOfTwo != 0)),
      m_paddedHeight(PaddedSide(height, powerOfTwo != 0))
{
    if (m_paddedWidth == 0 || m_paddedHeight == 0 || FloatPlane::BytesFor(m_paddedWidth, m_paddedHeight) == 0)
        throw std::bad_alloc();
    for (auto& plane : m_planes)
        plane = FloatPlane::Allocate(m_paddedWidth, m_paddedHeight);
    m_engine = new CFusionLaplace;
    m_engine->AddRef();
    try {
        m_engine->Init(width, height, std::max(m_paddedWidth, m_paddedHeight) + 4);
    } catch (...) {
        m_engine->Release();
        throw;
    }
}

CGPUFusionImage::~CGPUFusionImage()
{
    if (m_engine)
        m_engine->Release();
}

void CGPUFusionImage::FreeLineBuffers()
{
    m_engine->Filter().FreeLineBuffers();
}

bool CGPUFusionImage::AddImage(int bitsPerPixel, const uint8_t* pixels)
{
    PixelsToPlanes(pixels, bitsPerPixel, m_width, m_height, m_planes);
    return m_engine->AddImage(m_planes[0], m_planes[1], m_planes[2]);
}

bool CGPUFusionImage::GetResult(int bitsPerPixel, uint8_t* out)
{
    FloatPlane fused[3];
    if (!m_engine->GetResult(fused[0], fused[1], fused[2]))
        return false;
    for (int p = 0; p < 3; ++p)
        m_planes[p] = fused[p];
    PlanesToPixels(m_planes, bitsPerPixel, m_width, m_height, out);
    return true;
}

CGPUFusionImage* CreateFusionImage(int width, int height, int powerOfTwo)
{
    if (width < 1 || height < 1)
        return nullptr;
    try {
        return new CGPUFusionImage(width, height, powerOfTwo);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool FusionAddImage(CGPUFusionImage* fusion, int bitsPerPixel, const uint8_t* pixels)
{
    if (!fusion || !pixels)
        return false;
    try {
        return fusion->AddImage(bitsPerPixel, pixels);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool FusionGetResult(CGPUFusionImage* fusion, int bitsPerPixel, uint8_t* out)
{
    if (!fusion || !out)
        return false;
    try {
        return fusion->GetResult(bitsPerPixel, out);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

void DestroyFusionImage(CGPUFusionImage* fusion)
{
    if (!fusion)
        return;
    fusion->FreeLineBuffers();
    delete fusion;
}
