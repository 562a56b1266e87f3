// The pixel work of the transitions, on rows of 32-bit pixels.
#pragma once

#include <cstdint>

namespace fadeworks {

// The cross-fade weight of "to" (0..256) for a percent in 0..100.
inline int CrossFadeWeight(int percent) { return (percent * 256 + 50) / 100; }

// count pixels: out = (from * (256 - w) + to * w + 128) >> 8 per byte.
void CrossFadeRowScalar(uint8_t* out, const uint8_t* from, const uint8_t* to, int count, int weight);
void CrossFadeRowSse2(uint8_t* out, const uint8_t* from, const uint8_t* to, int count, int weight);
#if defined(__x86_64__)
// Only on a processor with AVX2 (HasAvx2).
void CrossFadeRowAvx2(uint8_t* out, const uint8_t* from, const uint8_t* to, int count, int weight);
#endif

bool HasAvx2();

using CrossFadeRowFn = void (*)(uint8_t* out, const uint8_t* from, const uint8_t* to, int count, int weight);
// The fastest row kernel this processor runs.
CrossFadeRowFn BestCrossFadeRow();

}  // namespace fadeworks
