#pragma once

#include <cstdint>

// Blends one row of glyph coverage into 32-bit pixels (B, G, R, A) in the
// colour (r, g, b). Pixels go in groups of four, each product shifted on its
// own; the remaining pixels shift the sum once.
void BlendCoverageRowScalar(uint8_t* pixels, const uint8_t* coverage, int count, uint8_t r, uint8_t g, uint8_t b);
void BlendCoverageRowSse2(uint8_t* pixels, const uint8_t* coverage, int count, uint8_t r, uint8_t g, uint8_t b);

// Writes one row of glyph coverage as pixels of the colour (r, g, b) whose
// alpha is the coverage, replacing what was there.
void PutCoverageRowScalar(uint8_t* pixels, const uint8_t* coverage, int count, uint8_t r, uint8_t g, uint8_t b);
void PutCoverageRowSse2(uint8_t* pixels, const uint8_t* coverage, int count, uint8_t r, uint8_t g, uint8_t b);
