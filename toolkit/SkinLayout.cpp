#include "toolkit/SkinLayout.h"

namespace {

int LowWord(int32_t v) { return static_cast<int16_t>(static_cast<uint32_t>(v) & 0xFFFF); }
int HighWord(int32_t v) { return static_cast<int16_t>(static_cast<uint32_t>(v) >> 16); }

}  // namespace

LayoutBox PlaceChild(const LayoutRule& rule, int cx, int cy, const LayoutBox& previous) {
  int x = LowWord(rule.nX), y = LowWord(rule.nY), w = rule.nWidth, h = rule.nHeight;
  const uint32_t f = rule.dwAlign;
  if (f == 0) return {x, y, w, h};

  if (f & ALIGN_PARENT_HCENTER) x = x + (cx - w) / 2;
  if (f & ALIGN_PARENT_VCENTER) y = y + (cy - h) / 2;
  if ((f & ALIGN_PARENT_RIGHT) && !(f & ALIGN_PARENT_LEFT)) x = cx - w - x;
  if ((f & ALIGN_PARENT_BOTTOM) && !(f & ALIGN_PARENT_TOP)) y = cy - h - y;

  if (f & ALIGN_PRE_LEFT)
    x = previous.x;
  else if (f & ALIGN_PRE_RIGHT)
    x = previous.x + previous.w - w;
  else if (f & OFFSET_PRE_LEFT)
    x = previous.x - w - x;
  else if (f & OFFSET_PRE_RIGHT)
    x = previous.x + previous.w + x;

  if (f & ALIGN_PRE_TOP)
    y = previous.y;
  else if (f & ALIGN_PRE_BOTTOM)
    y = previous.y + previous.h - h;
  else if (f & OFFSET_PRE_TOP)
    y = previous.y + y;
  else if (f & OFFSET_PRE_BOTTOM)
    y = previous.y + previous.h + y;

  if (f & ALIGN_PARENT_WIDTH) w = cx - HighWord(rule.nX) - x;
  if (f & ALIGN_PARENT_HEIGHT) h = cy - HighWord(rule.nY) - y;
  return {x, y, w, h};
}
