// The transitions of Fadeworks.dll; their arithmetic is stated in Fadeworks.h.
// The exports are named in Fadeworks.def, undecorated on both targets.
#include "vendor/fadeworks/Fadeworks.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "vendor/fadeworks/Kernels.h"

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
      m_row(Row(output, y), Row(from, y), Row(to, y), output->m_nWidth, weight);
  }

  const fadeworks::CrossFadeRowFn m_row = fadeworks::BestCrossFadeRow();
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
    const int left = (width * percent + 199) / 200, top = (height * percent + 199) / 200;
    const size_t row = static_cast<size_t>(width) * 4;
    const size_t side = static_cast<size_t>(left) * 4;
    for (int y = 0; y < height; ++y) {
      if (y < top || y >= height - top || left * 2 >= width) {  // outside the box, or no box left
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

extern "C" {

int GetTransitionCount() { return FADEWORKS_COUNT; }

CTransition* CreateTransition(int index) {
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
}

void DeleteTransition(CTransition* transition) { delete transition; }

}  // extern "C"
