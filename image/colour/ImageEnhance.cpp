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

void CImageEnhance::Create(int width, int height) {
  if (width == m_nWidth && height == m_nHeight) return;
  // The selected gamma curve survives a change of frame size: it does not
  // depend on the size, and gamma stays on as the user set it.
  ReleaseBuffers();
  if (width < 1 || height < 1) return;
  const int padded = (width + 7) / 8 * 8;
  if (padded > INT_MAX / 4) return;
  const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
  const size_t workBytes = static_cast<size_t>(padded) * 4 * static_cast<size_t>(height);
  if (pixels > SIZE_MAX / (3 * sizeof(double)) ||
      workBytes / 4 / static_cast<size_t>(padded) != static_cast<size_t>(height))
    return;
  m_pWork.reset(new (std::nothrow) uint8_t[workBytes]());
  m_pMask.reset(new (std::nothrow) int[pixels]);
  m_pColour.reset(new (std::nothrow) double[pixels * 3]);
  if (!m_pWork || !m_pMask || !m_pColour) {
    ReleaseBuffers();
    return;
  }
  m_nWidth = width;
  m_nHeight = height;
  m_nPaddedStride = padded * 4;
}

void CImageEnhance::Process(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride) {
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
  if (!src || !dst) return;

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
  if (skip || m_nWidth < 1 || m_nHeight < 1) return;

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
}

}  // namespace ZEvuvoro
