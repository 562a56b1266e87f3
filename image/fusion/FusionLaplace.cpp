#include "image/fusion/FusionLaplace.h"

#include <algorithm>
#include <cstring>

namespace {

void CopyRows(const FloatPlane& to, const FloatPlane& from, int cols, int rows) {
  for (int y = 0; y < rows; ++y) std::memcpy(to.Row(y), from.Row(y), static_cast<size_t>(cols) * sizeof(float));
}

}  // namespace

CFusionLaplace::CPyramid::~CPyramid() { delete m_coarser; }

CFusionLaplace::CFusionLaplace(const FusionKernels& kernels) : m_rule(new CMaxSelectRule(kernels)), m_filter(kernels) {
  m_rule->AddRef();
}

CFusionLaplace::~CFusionLaplace() {
  m_filter.FreeLineBuffers();
  if (m_pyramid) m_pyramid->Release();
  m_rule->Release();
}

void CFusionLaplace::Init(int width, int height, int longestLine) {
  m_width = width;
  m_height = height;
  m_filter.Init(width, height, longestLine);
}

int CFusionLaplace::Halvings(int cols, int rows, int minSide) {
  int n = 0;
  while (cols >= minSide && rows >= minSide && cols % 2 == 0 && rows % 2 == 0) {
    ++n;
    cols /= 2;
    rows /= 2;
  }
  return n;
}

// Everything the fusion will need, at once: the working planes, the reduced
// planes of each level and the accumulated pyramid. Nothing is kept unless all
// of it could be had.
void CFusionLaplace::Allocate(int cols, int rows) {
  const int n = Halvings(cols, rows, m_minSide);
  FloatPlane work[3];
  std::vector<FloatPlane> coarse;
  coarse.reserve(static_cast<size_t>(n) * 3);
  CPyramid* head = nullptr;
  try {
    for (auto& plane : work) plane = FloatPlane::Allocate(cols, rows);
    CPyramid* finer = nullptr;
    int c = cols, r = rows;
    for (int level = 0; level <= n; ++level) {
      CPyramid* node = new CPyramid;
      if (finer) {
        finer->m_coarser = node;
        node->m_finer = finer;
      } else {
        head = node;
      }
      for (auto& plane : node->m_planes) plane = FloatPlane::Allocate(c, r);
      if (level > 0)
        for (int p = 0; p < 3; ++p) coarse.push_back(FloatPlane::Allocate(c, r));
      finer = node;
      c /= 2;
      r /= 2;
    }
  } catch (...) {
    delete head;
    throw;
  }
  head->AddRef();
  m_pyramid = head;
  for (int p = 0; p < 3; ++p) m_work[p] = std::move(work[p]);
  m_coarse = std::move(coarse);
}

// Splits the picture into its pyramid level by level; each level goes into the
// accumulated pyramid as soon as it is known (copied for the first picture,
// combined by the rule for the others), so no second pyramid is ever held.
// The working planes keep the head's row length on every level.
void CFusionLaplace::Decompose(const FloatPlane* input, bool first) {
  int cols = input[0].Cols(), rows = input[0].Rows();
  const int stride = m_work[0].Stride();
  float* work[3] = {m_work[0].Data(), m_work[1].Data(), m_work[2].Data()};
  const FloatPlane* level = input;
  size_t depth = 0;
  for (CPyramid* node = m_pyramid; node; node = node->m_coarser, ++depth) {
    if (!node->m_coarser) {
      for (int p = 0; p < 3; ++p) {
        if (first)
          CopyRows(node->m_planes[p], level[p], cols, rows);
        else
          m_rule->CombineBase(node->m_planes[p], level[p]);
      }
      break;
    }
    FloatPlane detail[3];
    for (int p = 0; p < 3; ++p) {
      detail[p] = m_work[p].Block(cols, rows);
      CopyRows(detail[p], level[p], cols, rows);
    }
    m_filter.Reduce(work, cols, rows, stride);
    const FloatPlane* coarse = &m_coarse[3 * depth];
    for (int p = 0; p < 3; ++p) CopyRows(coarse[p], detail[p], cols / 2, rows / 2);
    m_filter.ExpandStrided(work, cols, rows, stride);
    // The detail is the level minus its smoothed self; rows past the
    // picture keep the level's own values.
    const int detailRows = std::min(rows, m_height);
    for (int p = 0; p < 3; ++p) {
      for (int y = 0; y < detailRows; ++y)
        m_filter.Kernels().subtract(detail[p].Row(y), level[p].Row(y), detail[p].Row(y), cols, 1, 1);
      for (int y = detailRows; y < rows; ++y)
        std::memcpy(detail[p].Row(y), level[p].Row(y), static_cast<size_t>(cols) * sizeof(float));
    }
    for (int p = 0; p < 3; ++p) {
      if (first)
        CopyRows(node->m_planes[p], detail[p], cols, rows);
      else
        m_rule->CombineDetail(node->m_planes[p], detail[p]);
    }
    level = coarse;
    cols /= 2;
    rows /= 2;
  }
}

bool CFusionLaplace::AddImage(const FloatPlane& y, const FloatPlane& cb, const FloatPlane& cr) {
  const FloatPlane input[3] = {y, cb, cr};
  if (m_resultTaken) return false;
  for (const auto& plane : input)
    if (plane.Empty() || plane.Cols() != y.Cols() || plane.Rows() != y.Rows()) return false;
  if (m_count == 0)
    Allocate(y.Cols(), y.Rows());
  else if (y.Cols() != m_pyramid->m_planes[0].Cols() || y.Rows() != m_pyramid->m_planes[0].Rows())
    return false;
  Decompose(input, m_count == 0);
  ++m_count;
  return true;
}

bool CFusionLaplace::GetResult(FloatPlane& y, FloatPlane& cb, FloatPlane& cr) {
  if (m_count == 0 || !m_pyramid) return false;
  CPyramid* base = m_pyramid;
  while (base->m_coarser) base = base->m_coarser;
  // A result handed out earlier keeps its planes; the new ones are had
  // before anything changes.
  if (m_resultTaken) {
    FloatPlane fresh[3];
    for (int p = 0; p < 3; ++p) fresh[p] = FloatPlane::Allocate(m_work[p].Cols(), m_work[p].Rows());
    for (int p = 0; p < 3; ++p) m_work[p] = std::move(fresh[p]);
  }
  if (m_count > 1) {
    float* planes[3] = {base->m_planes[0].Data(), base->m_planes[1].Data(), base->m_planes[2].Data()};
    m_filter.Divide(planes, base->m_planes[0].Cols(), base->m_planes[0].Rows(), base->m_planes[0].Stride(), m_count);
  }
  // The working planes start from zero with the base in their top-left block.
  const int stride = m_work[0].Stride();
  for (int p = 0; p < 3; ++p) {
    std::memset(m_work[p].Data(), 0, static_cast<size_t>(m_work[p].Rows()) * stride * sizeof(float));
    CopyRows(m_work[p], base->m_planes[p], base->m_planes[p].Cols(), base->m_planes[p].Rows());
  }
  float* work[3] = {m_work[0].Data(), m_work[1].Data(), m_work[2].Data()};
  for (CPyramid* node = base->m_finer; node; node = node->m_finer) {
    const int cols = node->m_planes[0].Cols(), rows = node->m_planes[0].Rows();
    m_filter.ExpandStrided(work, cols, rows, stride);
    for (int p = 0; p < 3; ++p)
      m_filter.Add(work[p], node->m_planes[p].Data(), stride, node->m_planes[p].Stride(), cols, rows);
  }
  // The reduced planes were only needed while pictures came in.
  m_coarse.clear();
  m_resultTaken = true;
  y = m_work[0];
  cb = m_work[1];
  cr = m_work[2];
  return true;
}
