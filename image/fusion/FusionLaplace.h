#pragma once

#include "image/fusion/FloatPlane.h"
#include "image/fusion/FusionKernels.h"
#include "image/fusion/FusionRule.h"
#include "image/fusion/RefTarget.h"
#include "image/fusion/SSEProcess.h"

#include <vector>

// Fuses a focus series plane by plane through Laplacian pyramids: detail
// levels keep the coefficient of larger magnitude, the bases are averaged.
// The three planes of a picture (luma, two colour differences) are treated
// alike and independently.
class CFusionLaplace : public CRefTarget {
 public:
  // One level of the accumulated pyramid; every node but the last holds detail
  // coefficients, the last the base.
  class CPyramid : public CRefTarget {
   public:
    ~CPyramid() override;

    FloatPlane m_planes[3];
    CPyramid* m_coarser = nullptr;  // owned
    CPyramid* m_finer = nullptr;
  };

  explicit CFusionLaplace(const FusionKernels& kernels = FusionKernelsSse2());
  ~CFusionLaplace() override;

  // The picture's size and the longest line of its planes; throws std::bad_alloc.
  void Init(int width, int height, int longestLine);

  // Takes in one picture's planes (never changed). Every buffer the fusion
  // needs is allocated with the first picture, so a failure (std::bad_alloc)
  // can only happen there and leaves the engine as it was; later pictures
  // allocate nothing. False when the planes do not match the first picture's
  // size or a result was already taken.
  bool AddImage(const FloatPlane& y, const FloatPlane& cb, const FloatPlane& cr);

  // Averages the base, collapses the pyramid and makes the three planes share
  // the fused result. False when no picture was added.
  bool GetResult(FloatPlane& y, FloatPlane& cb, FloatPlane& cr);

  int Count() const { return m_count; }
  SSEProcess& Filter() { return m_filter; }
  const CPyramid* Pyramid() const { return m_pyramid; }

  // How often planes of cols x rows are halved before the base.
  static int Halvings(int cols, int rows, int minSide = 16);

 private:
  void Allocate(int cols, int rows);
  void Decompose(const FloatPlane* input, bool first);

  CFusionRule* m_rule;
  int m_minSide = 16;
  int m_count = 0;
  int m_width = 0;
  int m_height = 0;
  FloatPlane m_work[3];
  CPyramid* m_pyramid = nullptr;
  SSEProcess m_filter;
  // The reduced planes of every level of the picture being taken in: level k
  // at index k - 1.
  std::vector<FloatPlane> m_coarse;
  bool m_resultTaken = false;
};
