#pragma once

// The pixel kernels of the Laplacian-pyramid fusion, in two variants that give
// identical bits: the plain scalar reference and the SSE2 version the engine runs.
//
// Every filtered value is f(a, b, c) = (k0 * a + k2 * c) + k1 * b in single
// precision, summed in exactly that order. The passes work in place on one
// plane whose rows lie `stride` values apart; W and H are the picture's own
// size, which bounds every pass on every level.
struct FusionKernels {
  // Smooths and halves: the result is the top-left (cols / 2) x (rows / 2) block.
  void (*reduce)(float* plane, int cols, int rows, int stride, int W, int H, float* line);
  // Enlarges the top-left (cols / 2) x (rows / 2) block to cols x rows.
  void (*expand)(float* plane, int cols, int rows, int stride, int W, int H, float* line);
  // out = a - b over rows y < min(rows, H), all cols; out may be b. Rows lie cols apart.
  void (*subtract)(float* out, const float* a, const float* b, int cols, int rows, int H);
  // dst += src over rows y < min(rows, H), all cols.
  void (*add)(float* dst, const float* src, int dstStride, int srcStride, int cols, int rows, int H);
  // Every value divided by n.
  void (*divide)(float* plane, int cols, int rows, int stride, float n);
  // acc += inc.
  void (*combineBase)(float* acc, const float* inc, int accStride, int incStride, int cols, int rows);
  // acc = inc where |inc| > |acc|: of equal magnitudes the accumulated value stays.
  void (*combineDetail)(float* acc, const float* inc, int accStride, int incStride, int cols, int rows);
};

const FusionKernels& FusionKernelsScalar();
const FusionKernels& FusionKernelsSse2();

// Values a line buffer must hold for lines up to `longest` values.
int FusionLineLength(int longest);

namespace FusionFilter {
constexpr float k0 = 0.2631f;
constexpr float k1 = 0.4738f;
constexpr float k2 = 0.2631f;

inline float Filter(float a, float b, float c) { return (k0 * a + k2 * c) + k1 * b; }

// x rounded up to an even number.
inline int Even(int x) { return x + (x & 1); }
}  // namespace FusionFilter
