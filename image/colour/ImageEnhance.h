#pragma once
// Live colour enhancement of camera frames: gains, the user's colour matrix,
// gamma or grey, and the automatic white balance, applied in place.
#include <windows.h>

#include <cstdint>
#include <memory>

#include "image/colour/ColorMatrix.h"
#include "image/colour/WhiteBalance.h"

namespace ZEvuvoro {

class CImageEnhance {
 public:
  CImageEnhance();
  virtual ~CImageEnhance();
  CImageEnhance(const CImageEnhance&) = delete;
  CImageEnhance& operator=(const CImageEnhance&) = delete;

  // Every setter, getter and Process enter this lock. An owner may share its
  // own lock (which must outlive this object's use) before the first call;
  // null goes back to the object's own lock.
  void SetLock(CRITICAL_SECTION* lock);
  CRITICAL_SECTION* GetLock() const { return m_pLock; }

  void SetSaturation(int v);
  void SetContrast(int v);
  void SetBrightness(int v);
  void SetHue(int degrees);
  void SetColorCorrection(int on);
  void SetColorful(int on);
  void SetAutoWhiteBalance(AwbMode mode);
  void SetAutoWhiteBalance(int mode) { SetAutoWhiteBalance(static_cast<AwbMode>(mode)); }
  void SetRedGain(int gain);
  void SetGreenGain(int gain);
  void SetBlueGain(int gain);
  void SetGamma(int gamma);
  void SetGammaEnabled(int on);

  int GetSaturation();
  int GetContrast();
  int GetBrightness();
  int GetHue();
  int GetColorCorrection();
  int GetColorful();
  AwbMode GetAutoWhiteBalance();
  int GetRedGain();
  int GetGreenGain();
  int GetBlueGain();
  int GetGamma();
  int GetGammaEnabled();

  // Sizes the buffers for frames of this size; not locked, so call it while no
  // frame flows. Returns 0 when the buffers cannot be had: the object then holds
  // none, and Process refuses every frame until a Create succeeds. 1 otherwise.
  int Create(int width, int height);
  // One frame of the size given to Create; src may equal dst. Returns 0 when
  // the frame was left as it came because the buffers are missing (or a
  // pointer is null), 1 when it was processed or needed nothing.
  int Process(const uint8_t* src, int srcStride, uint8_t* dst, int dstStride);

  int GetWidth() const { return m_nWidth; }
  int GetHeight() const { return m_nHeight; }
  int GetPaddedStride() const { return m_nPaddedStride; }

 private:
  class CLock;
  struct GammaSlot {
    uint8_t table[256];
    int built;
  };

  void ReleaseBuffers();
  // A setting read or written alone under the lock.
  template <class T>
  void Store(T& field, T value);
  template <class T>
  T Load(const T& field);

  CRITICAL_SECTION m_csOwn;
  CRITICAL_SECTION* m_pLock;
  std::unique_ptr<uint8_t[]> m_pWork;
  int m_nWidth = 0;
  int m_nHeight = 0;
  int m_nPaddedStride = 0;
  int m_bBuffersMissing = 0;  // the last Create could not get its buffers
  int m_nSaturation = 10;
  int m_nContrast = 10;
  int m_nBrightness = 255;
  int m_nHue = 0;
  int m_nColorCorrection = 0;
  int m_nGamma = 120;
  int m_nGammaEnabled = 0;
  int m_nRedGain = 128;
  int m_nGreenGain = 128;
  int m_nBlueGain = 128;
  AwbMode m_nAwbMode = AwbNone;
  int m_nColorful = 1;
  ColorMatrixChain m_Matrices;
  GammaSlot m_GammaSlots[201];
  const uint8_t* m_pGammaTable = nullptr;
  // The current gamma table for blue and green at once; used by Process only.
  std::unique_ptr<uint16_t[]> m_pGammaPairs;
  const uint8_t* m_pGammaPairsFor = nullptr;
  std::unique_ptr<double[]> m_pColour;
  std::unique_ptr<int[]> m_pMask;
  double m_Cone[2][3][3];
};

}  // namespace ZEvuvoro
