// Fadeworks.dll: the transition plug-in of the slide show. Every transition
// writes the whole output from the picture that leaves ("from") and the one
// that enters ("to"); all three have the same size. percent runs from 0 (all
// "from") towards 100 (all "to"); values outside 0..100 are clamped. Render
// leaves both inputs unchanged and returns 1, or 0 without writing anything
// when an image is missing, empty or of another size than the output.
//
// The transitions, by index, with W and H the picture's width and height and
// p the percent (integer arithmetic throughout, divisions truncate):
//   0 cross-fade: w = (p * 256 + 50) / 100; each of the four bytes of a pixel
//     is (from * (256 - w) + to * w + 128) >> 8.
//   1 wipe: columns x < W * p / 100 come from "to", the others from "from"
//     (the entering picture is uncovered from the left edge).
//   2 push: s = W * p / 100; column x shows from[x + s] for x < W - s and
//     to[x - (W - s)] for the others ("to" pushes "from" out to the left).
//   3 box-in: l = (W * p + 199) / 200, t = (H * p + 199) / 200 (rounded up,
//     so that 100 leaves no middle column or row); pixels with l <= x < W - l
//     and t <= y < H - t come from "from", the others from "to" (a box of the
//     leaving picture closes in on the centre).
#pragma once

#include "image/Image.h"

class CTransition {
 public:
  virtual ~CTransition() = default;
  virtual int Render(ZEvuvoro::CImage* output, const ZEvuvoro::CImage* from, const ZEvuvoro::CImage* to,
                     int percent) = 0;
};

enum FadeworksTransition {
  FADEWORKS_CROSSFADE = 0,
  FADEWORKS_WIPE = 1,
  FADEWORKS_PUSH = 2,
  FADEWORKS_BOXIN = 3,
  FADEWORKS_COUNT = 4,
};

// The exports, looked up by name.
using GetTransitionCountFn = int (*)();
using CreateTransitionFn = CTransition* (*)(int index);
using DeleteTransitionFn = void (*)(CTransition* transition);
