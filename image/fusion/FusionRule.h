#pragma once

#include "image/fusion/FloatPlane.h"
#include "image/fusion/FusionKernels.h"
#include "image/fusion/RefTarget.h"

// How the coefficients of a new picture's pyramid join the accumulated one.
// Both operations change the accumulated plane in place over the incoming
// plane's columns x rows.
class CFusionRule : public CRefTarget {
 public:
  virtual void CombineBase(const FloatPlane& accumulated, const FloatPlane& incoming) = 0;
  virtual void CombineDetail(const FloatPlane& accumulated, const FloatPlane& incoming) = 0;
};

// Bases are summed (and averaged at the end); of two detail coefficients the
// one of larger magnitude wins: the picture that is sharper there.
class CMaxSelectRule : public CFusionRule {
 public:
  explicit CMaxSelectRule(const FusionKernels& kernels) : m_kernels(kernels) {}

  void CombineBase(const FloatPlane& accumulated, const FloatPlane& incoming) override {
    m_kernels.combineBase(accumulated.Data(), incoming.Data(), accumulated.Stride(), incoming.Stride(), incoming.Cols(),
                          incoming.Rows());
  }
  void CombineDetail(const FloatPlane& accumulated, const FloatPlane& incoming) override {
    m_kernels.combineDetail(accumulated.Data(), incoming.Data(), accumulated.Stride(), incoming.Stride(),
                            incoming.Cols(), incoming.Rows());
  }

 private:
  const FusionKernels& m_kernels;
};
