#include "image/colour/DecodeBayer.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "image/colour/ColorMatrix.h"
#include "image/colour/WhiteBalance.h"

using namespace ZEvuvoro;

namespace {

// Mirror about the outermost samples without repeating them, which keeps the
// filter arrangement; pictures under 3 samples fall back to the nearest sample.
int Reflect(int i, int n) {
  const int j = i < 0 ? -i : i > n - 1 ? 2 * (n - 1) - i : i;
  return std::clamp(j, 0, n - 1);
}

}  // namespace

CDecodeBayer::CDecodeBayer() {
  std::memset(&m_Job, 0, sizeof(m_Job));
  m_Job.redGain = m_Job.greenGain = m_Job.blueGain = 128;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) {
      m_Correction[i][j] = kFixedColorCorrection.m[i][j];
      const double x = m_Correction[i][j] * 64;
      m_Coefficients[i * 4 + j] = static_cast<int32_t>(x >= 0 ? x + 0.5 : x - 0.5);
    }
}

CDecodeBayer::~CDecodeBayer() = default;

int CDecodeBayer::PaddedRowLength(int width) { return (width + 16) / 16 * 16 + 11; }

bool CDecodeBayer::SetInput(const uint8_t* data, uint64_t size, int width, int height) {
  if (!data || width < 1 || height < 1 || m_nOffset < 0 || m_nStride < width) return false;
  const uint64_t last = static_cast<uint64_t>(m_nOffset) +
                        static_cast<uint64_t>(height - 1) * static_cast<uint64_t>(m_nStride) +
                        static_cast<uint64_t>(width);
  if (last > size) return false;
  return SetInput(data, width, height);
}

bool CDecodeBayer::SetInput(const uint8_t* data, int width, int height) {
  if (!data || width < 1 || height < 1 || m_nOffset < 0 || m_nStride < width) return false;
  if (!SizeAllowed(static_cast<uint64_t>(width), static_cast<uint64_t>(height))) return false;
  FreeOutput();
  m_pPlane.reset();
  if (!BuildPlane(data, width, height)) return false;
  m_nWidth = width;
  m_nHeight = height;
  return DoDecode();
}

bool CDecodeBayer::BuildPlane(const uint8_t* data, int width, int height) {
  const int L = PaddedRowLength(width);
  const uint64_t rows = static_cast<uint64_t>(height) + 4 + (height & 1);
  const uint64_t bytes = rows * static_cast<uint64_t>(L);
  if (bytes > kMaxDecodedBytes) return false;
  // Cleared, so that no byte the kernels may read is left unwritten.
  m_pPlane.reset(new (std::nothrow) uint8_t[static_cast<size_t>(bytes)]());
  if (!m_pPlane) return false;
  m_nPaddedRowLength = L;
  m_nPaddedSize = bytes;

  uint8_t* plane = m_pPlane.get();
  auto row = [&](int r) { return plane + static_cast<ptrdiff_t>(r + 2) * L + 5; };
  for (int r = 0; r < height; ++r)
    std::memcpy(row(r), data + m_nOffset + static_cast<ptrdiff_t>(r) * m_nStride, static_cast<size_t>(width));
  for (int r : {-2, -1, height, height + 1}) std::memcpy(row(r), row(Reflect(r, height)), static_cast<size_t>(width));
  for (int r = -2; r < height + 2; ++r) {
    uint8_t* p = row(r);
    for (int c : {-2, -1, width, width + 1}) p[c] = p[Reflect(c, width)];
  }

  m_Job.source = row(0);
  m_Job.sourceStride = L;
  m_Job.destinationStride = width * 4;
  m_Job.width = width;
  m_Job.height = height;
  return true;
}

bool CDecodeBayer::DoDecode() {
  if (!m_pPlane || m_Job.width < 1 || m_Job.height < 1) return false;
  m_nWidth = m_Job.width;
  m_nHeight = m_Job.height;
  uint8_t* out = AllocateOutput(static_cast<uint64_t>(m_nWidth), static_cast<uint64_t>(m_nHeight));
  if (!out) return false;
  m_Job.destination = out;
  if (m_bAwb) {
    uint64_t sums[3];
    BayerChannelSums(m_Job, m_nBayerType, sums);
    int gains[3];
    // A picture without one of the colours keeps the gains it has.
    if (AwbGainRule(static_cast<double>(sums[0]), static_cast<double>(sums[1]), static_cast<double>(sums[2]), gains)) {
      m_Job.redGain = gains[0];
      m_Job.greenGain = gains[1];
      m_Job.blueGain = gains[2];
    }
  }
  std::memcpy(m_Job.coefficients, m_Coefficients, sizeof(m_Coefficients));
  BayerDemosaic(m_Job, m_nBayerType);
  return true;
}

void CDecodeBayer::Reset() {
  m_pPlane.reset();
  m_nPaddedRowLength = 0;
  m_nPaddedSize = 0;
  m_Job.source = nullptr;
}
