// The transitions of Fadeworks.dll; their arithmetic is stated in Fadeworks.h.
// A test build (FADEWORKS_VARIANT) makes the faulty plug-ins the slide show
// must survive: one export missing, no transitions, or no objects.
#include "vendor/fadeworks/Fadeworks.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "vendor/fadeworks/Kernels.h"

#ifndef FADEWORKS_VARIANT
#define FADEWORKS_VARIANT 0
#endif
#define FADEWORKS_VARIANT_NO_DELETE 1
#define FADEWORKS_VARIANT_NO_TRANSITIONS 2
#define FADEWORKS_VARIANT_NULL_OBJECTS 3

namespace {

using ZEvuvoro::CImage;

bool Usable(const CImage* image) {
  return image && image->m_pData && image->m_nWidth > 0 && image->m_nHeight > 0 &&
         image->m_nStride >= image->m_nWidth * 4;
}

bool SameSize(const CImage* a, const CImage* b) { return a->m_nWidth == b->m_nWidth && a->m_nHeight == b->m_nHeight; }

uint8_t* Row(CImage* image, int y) { return image->m_pData + static_cast<ptrdiff_t>(image->m_nStride) * y; }
const uint8_t* Row(const CImage* image, int y) { return image->m_pData + static_cast<ptrdiff_t>(image->m_nStride) * y; }

class CTransitionBase : public CTransition {
 public:
  int Render(CImage* output, const CImage* from, const CImage* to, int percent) final {
    if (!Usable(output) || !Usable(from) || !Usable(to) || !SameSize(output, from) || !SameSize(output, to)) return 0;
    Draw(output, from, to, std::clamp(percent, 0, 100));
    return 1;
  }

 protected:
  virtual void Draw(CImage* output, const CImage* from, const CImage* to, int percent) = 0;
};

class CCrossFade : public CTransitionBase {
  void Draw(CImage* output, const CImage* from, const CImage* to, int percent) override {
    const int weight = fadeworks::CrossFadeWeight(percent);
    for (int y = 0; y < output->m_nHeight; ++y)
      fadeworks::CrossFadeRowSse2(Row(output, y), Row(from, y), Row(to, y), output->m_nWidth, weight);
  }
};

class CWipe : public CTransitionBase {
  void Draw(CImage* output, const CImage* from, const CImage* to, int percent) override {
    const int width = output->m_nWidth;
    const size_t edge = static_cast<size_t>(width * percent / 100) * 4;
    const size_t row = static_cast<size_t>(width) * 4;
    for (int y = 0; y < output->m_nHeight; ++y) {
      std::memcpy(Row(output, y), Row(to, y), edge);
      std::memcpy(Row(output, y) + edge, Row(from, y) + edge, row - edge);
    }
  }
};

class CPush : public CTransitionBase {
  void Draw(CImage* output, const CImage* from, const CImage* to, int percent) override {
    const int width = output->m_nWidth;
    const size_t shift = static_cast<size_t>(width * percent / 100) * 4;
    const size_t row = static_cast<size_t>(width) * 4;
    for (int y = 0; y < output->m_nHeight; ++y) {
      std::memcpy(Row(output, y), Row(from, y) + shift, row - shift);
      std::memcpy(Row(output, y) + (row - shift), Row(to, y), shift);
    }
  }
};

class CBoxIn : public CTransitionBase {
  void Draw(CImage* output, const CImage* from, const CImage* to, int percent) override {
    const int width = output->m_nWidth, height = output->m_nHeight;
    const int left = width * percent / 200, top = height * percent / 200;
    const size_t row = static_cast<size_t>(width) * 4;
    const size_t side = static_cast<size_t>(left) * 4;
    for (int y = 0; y < height; ++y) {
      if (y < top || y >= height - top || left * 2 >= width) {
        std::memcpy(Row(output, y), Row(to, y), row);
        continue;
      }
      std::memcpy(Row(output, y), Row(to, y), side);
      std::memcpy(Row(output, y) + side, Row(from, y) + side, row - 2 * side);
      std::memcpy(Row(output, y) + (row - side), Row(to, y) + (row - side), side);
    }
  }
};

}  // namespace

#if FADEWORKS_VARIANT == 0
#define FADEWORKS_EXPORT
#else
// The test plug-ins are built without the .def file.
#define FADEWORKS_EXPORT __declspec(dllexport)
#endif

extern "C" {

FADEWORKS_EXPORT int GetTransitionCount() {
#if FADEWORKS_VARIANT == FADEWORKS_VARIANT_NO_TRANSITIONS
  return 0;
#else
  return FADEWORKS_COUNT;
#endif
}

FADEWORKS_EXPORT CTransition* CreateTransition(int index) {
#if FADEWORKS_VARIANT == FADEWORKS_VARIANT_NULL_OBJECTS
  (void)index;
  return nullptr;
#else
  switch (index) {
    case FADEWORKS_CROSSFADE:
      return new (std::nothrow) CCrossFade;
    case FADEWORKS_WIPE:
      return new (std::nothrow) CWipe;
    case FADEWORKS_PUSH:
      return new (std::nothrow) CPush;
    case FADEWORKS_BOXIN:
      return new (std::nothrow) CBoxIn;
    default:
      return nullptr;
  }
#endif
}

#if FADEWORKS_VARIANT != FADEWORKS_VARIANT_NO_DELETE
FADEWORKS_EXPORT void DeleteTransition(CTransition* transition) { delete transition; }
#endif

}  // extern "C"
