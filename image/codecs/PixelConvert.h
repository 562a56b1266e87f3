#pragma once

#include <cstdint>

namespace ZEvuvoro {

// Blue, green, red pixels of 3 bytes to 4-byte pixels with alpha 255. The
// scalar form is the reference; the SSE2 form reads no byte past the row.
void ExpandBgrRowScalar(const uint8_t* from, uint8_t* to, int width);
void ExpandBgrRowSse2(const uint8_t* from, uint8_t* to, int width);

inline void ExpandBgrRow(const uint8_t* from, uint8_t* to, int width) { ExpandBgrRowSse2(from, to, width); }

}  // namespace ZEvuvoro
