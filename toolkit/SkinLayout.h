// Placement of a skinned window's children: each child's rectangle follows
// from its skin offsets, size and Align flags, relative to the parent's
// client area or to the child placed just before it.
#pragma once

#include <windows.h>

#include <cstdint>

enum AlignFlag : uint32_t {
  ALIGN_NONE = 0x0,
  ALIGN_PARENT_LEFT = 0x1,
  ALIGN_PARENT_TOP = 0x2,
  ALIGN_PARENT_RIGHT = 0x4,
  ALIGN_PARENT_BOTTOM = 0x8,
  ALIGN_PARENT_WIDTH = 0x10,
  ALIGN_PARENT_HEIGHT = 0x20,
  ALIGN_PARENT_VCENTER = 0x100,
  ALIGN_PARENT_HCENTER = 0x200,
  ALIGN_PRE_LEFT = 0x10000,
  ALIGN_PRE_TOP = 0x20000,
  ALIGN_PRE_RIGHT = 0x40000,
  ALIGN_PRE_BOTTOM = 0x80000,
  OFFSET_PRE_LEFT = 0x100000,
  OFFSET_PRE_RIGHT = 0x200000,
  OFFSET_PRE_TOP = 0x400000,
  OFFSET_PRE_BOTTOM = 0x800000,
};

// A rectangle as position and size (the form MoveWindow takes).
struct LayoutBox {
  int x, y, w, h;
  friend bool operator==(const LayoutBox&, const LayoutBox&) = default;
};

// What the skin says about one child: X and Y hold the offset in their low
// and the far margin in their high 16 bits, both signed.
struct LayoutRule {
  int32_t nX, nY, nWidth, nHeight;
  uint32_t dwAlign;
};

// The child's box in a parent client area of cx x cy, after `previous`, the
// box of the child placed just before it ({0, 0, 0, 0} for the first).
LayoutBox PlaceChild(const LayoutRule& rule, int cx, int cy, const LayoutBox& previous);
