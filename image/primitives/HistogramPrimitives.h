#pragma once
// Low-level histogram primitives with a processor variant chosen once per
// process: size query, histogram levels, 8-bit histogram, aligned blocks.
#include <cstdint>

// Status codes.
enum : int {
  HistStsNoErr = 0,
  HistStsStepWarning = 48,      // integer levels closer than 1 apart
  HistStsContextMatchErr = -5,  // level block never initialised
  HistStsSizeErr = -6,
  HistStsLevelRangeErr = -7,
  HistStsNullPtrErr = -8,
  HistStsDataTypeErr = -12,
  HistStsStepErr = -14,
  HistStsNumChannelsErr = -53,
  HistStsLevelsErr = -107,
};

// Data types.
enum : int {
  HistData8u = 1,
  HistData16u = 5,
  HistData16s = 7,
  HistData32f = 13,
};

// Opaque: the caller allocates GetHistogramBufferSize's specSize bytes.
struct HistogramSpec;

int InitPrimitives();
int GetHistogramBufferSize(int dataType, int width, int height, const int levels[], int channelCount, int uniform,
                           int* specSize, int* bufferSize);
int InitHistogramSpec(int dataType, const float lower[], const float upper[], const int levels[], int channelCount,
                      HistogramSpec* histSpec);
int ComputeHistogram8u(const uint8_t* plane, int step, int width, int height, uint32_t hist[],
                       const HistogramSpec* histSpec, uint8_t* buffer);
uint8_t* AllocAligned8u(int count);
uint32_t* AllocAligned32u(int count);
void FreeAligned(void* block);

// The variant the dispatch chose (0 to 5), -1 before the first initialisation.
int HistogramPrimitivesVariant();
// ComputeHistogram8u in a given variant, for comparing variants; the variant
// must not need more than this processor has.
int ComputeHistogram8uVariant(int variant, const uint8_t* plane, int step, int width, int height, uint32_t hist[],
                              const HistogramSpec* histSpec, uint8_t* buffer);
