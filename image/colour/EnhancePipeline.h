#pragma once
// The per-pixel pipelines of the live colour enhancement: gains, then the
// fixed-point colour matrix (optionally followed by a gamma table), or a grey
// conversion. Pixels are B, G, R, A; the written alpha is 0.
#include <cstdint>

namespace ZEvuvoro {

struct EnhanceSettings {
  int gain[3];                 // red, green, blue; 128 = 1.0
  int16_t coef[16];            // x 64; rows red, green, blue, offset; columns red, green, blue, unused
  const uint8_t* gammaTable;   // applied after the matrix when not null
  const uint16_t* gammaPairs;  // optional: the same table for blue and green at once, see BuildGammaPairs
  int colourful;               // 0 selects the grey pipeline
};

// pairs[g << 8 | b] = table[g] << 8 | table[b]: two lookups a pixel instead of three.
void BuildGammaPairs(const uint8_t table[256], uint16_t pairs[65536]);

// Gains outside 0..65535 saturate instead of wrapping to their low 16 bits.
uint16_t EnhanceGain16(int gain);
// The gain as the SIMD pipelines take it, twice over in a 16-bit lane: any
// gain from 32640 up saturates every non-zero value, so capping it at 32767
// keeps the results.
int EnhanceLaneGain(int gain);

// True when no sum of the colour pipeline can pass 16 bits, so the 16-bit
// lanes give the exact result.
bool EnhanceMatrixFitsSixteenBits(const int16_t coef[16]);

// True when each output channel takes only its own input positively (the
// usual shape: identity, the fixed correction, contrast, more saturation), so
// the positive and negative sums are known without masks.
bool EnhanceMatrixIsDiagonal(const int16_t coef[16]);

// Reads width x 4 bytes of each source row only; writes width x 4 bytes of each destination row.
void EnhanceFrameScalar(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int width, int height,
                        const EnhanceSettings& s);
void EnhanceFrameSse2(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int width, int height,
                      const EnhanceSettings& s);
// Needs a processor with AVX2 (see EnhanceHasAvx2).
void EnhanceFrameAvx2(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int width, int height,
                      const EnhanceSettings& s);
bool EnhanceHasAvx2();

// The fastest variant this processor runs.
void EnhanceFrame(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride, int width, int height,
                  const EnhanceSettings& s);

}  // namespace ZEvuvoro
