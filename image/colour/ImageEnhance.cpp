#include "image/colour/ImageEnhance.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

#include "image/colour/EnhancePipeline.h"

namespace ZEvuvoro {

class CImageEnhance::CLock {
 public:
  explicit CLock(CRITICAL_SECTION* cs) : m_cs(cs) { EnterCriticalSection(m_cs); }
  ~CLock() { LeaveCriticalSection(m_cs); }
  CLock(const CLock&) = delete;
  CLock& operator=(const CLock&) = delete;

 private:
  CRITICAL_SECTION* m_cs;
};

template <class T>
void CImageEnhance::Store(T& field, T value) {
  CLock lock(m_pLock);
  field = value;
}

template <class T>
T CImageEnhance::Load(const T& field) {
  CLock lock(m_pLock);
  return field;
}

CImageEnhance::CImageEnhance() {
  InitializeCriticalSection(&m_csOwn);
  m_pLock = &m_csOwn;
  std::memset(m_GammaSlots, 0, sizeof(m_GammaSlots));
  InitConeMatrices(m_Cone);
  SrgbEncodeTable();
  m_pGammaPairs.reset(new (std::nothrow) uint16_t[65536]);
}

CImageEnhance::~CImageEnhance() {
  ReleaseBuffers();
  DeleteCriticalSection(&m_csOwn);
}

void CImageEnhance::SetLock(CRITICAL_SECTION* lock) { m_pLock = lock ? lock : &m_csOwn; }

void CImageEnhance::SetSaturation(int v) {
  CLock lock(m_pLock);
  m_Matrices.SetSaturation(v);
  m_nSaturation = v;
}

void CImageEnhance::SetContrast(int v) {
  CLock lock(m_pLock);
  m_Matrices.SetContrast(v);
  m_nContrast = v;
}

void CImageEnhance::SetBrightness(int v) {
  CLock lock(m_pLock);
  m_Matrices.SetBrightness(v);
  m_nBrightness = v;
}

void CImageEnhance::SetHue(int degrees) {
  CLock lock(m_pLock);
  m_Matrices.SetHue(degrees);
  m_nHue = degrees;
}

void CImageEnhance::SetColorCorrection(int on) {
  CLock lock(m_pLock);
  m_Matrices.SetCorrection(on != 0);
  m_nColorCorrection = on;
}

void CImageEnhance::SetColorful(int on) { Store(m_nColorful, on); }

void CImageEnhance::SetAutoWhiteBalance(AwbMode mode) { Store(m_nAwbMode, mode); }

void CImageEnhance::SetRedGain(int gain) { Store(m_nRedGain, gain); }

void CImageEnhance::SetGreenGain(int gain) { Store(m_nGreenGain, gain); }

void CImageEnhance::SetBlueGain(int gain) { Store(m_nBlueGain, gain); }

void CImageEnhance::SetGamma(int gamma) {
  if (gamma < 1 || gamma > 200) return;
  CLock lock(m_pLock);
  m_nGamma = gamma;
  GammaSlot& slot = m_GammaSlots[gamma];
  if (!slot.built) {
    const double exponent = gamma / 100.0;
    for (int i = 0; i < 256; ++i) slot.table[i] = static_cast<uint8_t>(std::pow(i / 255.0, exponent) * 255.0);
    slot.built = 1;
  }
  m_pGammaTable = slot.table;
}

void CImageEnhance::SetGammaEnabled(int on) { Store(m_nGammaEnabled, on); }

int CImageEnhance::GetSaturation() { return Load(m_nSaturation); }
int CImageEnhance::GetContrast() { return Load(m_nContrast); }
int CImageEnhance::GetBrightness() { return Load(m_nBrightness); }
int CImageEnhance::GetHue() { return Load(m_nHue); }
int CImageEnhance::GetColorCorrection() { return Load(m_nColorCorrection); }
int CImageEnhance::GetColorful() { return Load(m_nColorful); }
AwbMode CImageEnhance::GetAutoWhiteBalance() { return Load(m_nAwbMode); }
int CImageEnhance::GetRedGain() { return Load(m_nRedGain); }
int CImageEnhance::GetGreenGain() { return Load(m_nGreenGain); }
int CImageEnhance::GetBlueGain() { return Load(m_nBlueGain); }
int CImageEnhance::GetGamma() { return Load(m_nGamma); }
int CImageEnhance::GetGammaEnabled() { return Load(m_nGammaEnabled); }

void CImageEnhance::ReleaseBuffers() {
  m_pWork.reset();
  m_pMask.reset();
  m_pColour.reset();
  m_nWidth = 0;
  m_nHeight = 0;
  m_nPaddedStride = 0;
}

int CImageEnhance::Create(int width, int height) {
  if (width == m_nWidth && height == m_nHeight && !m_bBuffersMissing) return 1;
  // The selected gamma curve survives a change of frame size: it does not
  // depend on the size, and gamma stays on as the user set it.
  ReleaseBuffers();
  m_bBuffersMissing = 0;
  if (width < 1 || height < 1) return 1;
  // Sizes in 64 bits: the padded row must fit an int stride, and no buffer may
  // pass what the address space can hold.
  const int64_t padded = (int64_t(width) + 7) / 8 * 8;
  const uint64_t pixels = uint64_t(width) * uint64_t(height);
  if (padded * 4 > INT_MAX || uint64_t(padded) * 4 * uint64_t(height) > SIZE_MAX ||
      pixels > SIZE_MAX / (3 * sizeof(double))) {
    m_bBuffersMissing = 1;
    return 0;
  }
  m_pWork.reset(new (std::nothrow) uint8_t[static_cast<size_t>(uint64_t(padded) * 4 * uint64_t(height))]());
  m_pMask.reset(new (std::nothrow) int[static_cast<size_t>(pixels)]);
  m_pColour.reset(new (std::nothrow) double[static_cast<size_t>(pixels) * 3]);
  if (!m_pWork || !m_pMask || !m_pColour) {
    ReleaseBuffers();
    m_bBuffersMissing = 1;
    return 0;
  }
  m_nWidth = width;
  m_nHeight = height;
  m_nPaddedStride = static_cast<int>(padded * 4);
  return 1;
}

int CImageEnhance::Process(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride) {
  // Without its buffers the object cannot tell a frame's size; saying so beats
  // passing every frame on as if it had been enhanced.
  if (m_bBuffersMissing) return 0;
  EnhanceSettings s;
  AwbMode mode;
  bool skip;
  {
    CLock lock(m_pLock);
    skip = m_nRedGain == 128 && m_nGreenGain == 128 && m_nBlueGain == 128 && m_nGammaEnabled == 0 &&
           m_nColorCorrection == 0 && m_nSaturation == 10 && m_nContrast == 10 && m_nBrightness == 255 && m_nHue == 0 &&
           m_nColorful != 0;
    s.gain[0] = m_nRedGain;
    s.gain[1] = m_nGreenGain;
    s.gain[2] = m_nBlueGain;
    std::memcpy(s.coef, m_Matrices.FixedPoint(), sizeof(s.coef));
    s.gammaTable = m_nGammaEnabled ? m_pGammaTable : nullptr;
    s.gammaPairs = nullptr;
    s.colourful = m_nColorful;
    mode = m_nAwbMode;
  }
  if (!src || !dst) return 0;

  if (mode == AwbGrayAverage || mode == AwbTemperature || mode == AwbShadesOfGray) {
    int gains[3] = {s.gain[0], s.gain[1], s.gain[2]};
    bool estimated = false;
    if (mode == AwbGrayAverage)
      estimated = EstimateGrayAverage(src, srcStride, m_nWidth, m_nHeight, gains);
    else if (mode == AwbTemperature)
      estimated = EstimateTemperature(src, srcStride, m_nWidth, m_nHeight, m_pColour.get(), m_pMask.get(), gains);
    else
      estimated = EstimateShadesOfGray(src, srcStride, m_nWidth, m_nHeight, m_pColour.get(), m_Cone, gains);
    // A frame with no estimate (black, one colour) keeps the previous gains.
    if (estimated) {
      CLock lock(m_pLock);
      m_nRedGain = gains[0];
      m_nGreenGain = gains[1];
      m_nBlueGain = gains[2];
      s.gain[0] = gains[0];
      s.gain[1] = gains[1];
      s.gain[2] = gains[2];
    }
  }
  if (skip || m_nWidth < 1 || m_nHeight < 1) return 1;

  const uint8_t* read = src;
  if (srcStride != m_nPaddedStride) {
    for (int y = 0; y < m_nHeight; ++y)
      std::memcpy(m_pWork.get() + static_cast<size_t>(y) * m_nPaddedStride, src + static_cast<ptrdiff_t>(y) * srcStride,
                  static_cast<size_t>(m_nWidth) * 4);
    read = m_pWork.get();
  }
  if (s.gammaTable && m_pGammaPairs) {
    // Gamma tables never change once built, so a table is known by its address.
    if (m_pGammaPairsFor != s.gammaTable) {
      BuildGammaPairs(s.gammaTable, m_pGammaPairs.get());
      m_pGammaPairsFor = s.gammaTable;
    }
    s.gammaPairs = m_pGammaPairs.get();
  }
  EnhanceFrame(read, m_nPaddedStride, dst, dstStride, m_nWidth, m_nHeight, s);
  return 1;
}

}  // namespace ZEvuvoro
