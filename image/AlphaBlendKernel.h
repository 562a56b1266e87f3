#pragma once

#include <cstdint>

namespace ZEvuvoro {

// Blends count source pixels over count destination pixels: each colour byte
// becomes (s x a + d x (255 - a)) >> 8 with a the source alpha; the
// destination alpha stays. The scalar form is the reference for the SSE2 one.
void BlendRowScalar(uint8_t* destination, const uint8_t* source, int count);
void BlendRowSse2(uint8_t* destination, const uint8_t* source, int count);

inline void BlendRow(uint8_t* destination, const uint8_t* source, int count) {
  BlendRowSse2(destination, source, count);
}

}  // namespace ZEvuvoro
