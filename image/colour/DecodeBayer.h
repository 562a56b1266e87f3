#pragma once
// Decoder of raw Bayer sensor dumps (one 8-bit sample per pixel) into 32-bit
// B, G, R, A pictures, driven directly by the raw import.
#include <cstdint>
#include <memory>

#include "image/colour/BayerDemosaic.h"
#include "image/Decode.h"

class CDecodeBayer : public ZEvuvoro::CDecode {
 public:
  CDecodeBayer();
  ~CDecodeBayer() override;

  // Decodes width x height samples, row r at data + m_nOffset + r x m_nStride;
  // false, with nothing decoded, when the rows do not lie within size bytes,
  // the stride is below the width or the picture is too large.
  bool SetInput(const uint8_t* data, uint64_t size, int width, int height);
  // The same for a caller that has checked the input length itself.
  bool SetInput(const uint8_t* data, int width, int height);

  // Releases the padded copy of the samples; the output stays with the decoder.
  void Reset() override;

  int m_nStride = 0;     // bytes from one raw row to the next
  int m_nOffset = 0;     // bytes before the first raw row
  int m_bAwb = 1;        // estimate the gains from the picture
  int m_nBayerType = 0;  // filter arrangement 0..3, see BayerType

  // Bytes per row of the padded plane for a picture of this width.
  static int PaddedRowLength(int width);
  const uint8_t* PaddedPlane() const { return m_pPlane.get(); }
  const ZEvuvoro::BayerJob& Job() const { return m_Job; }

 protected:
  bool DoDecode() override;

 private:
  bool BuildPlane(const uint8_t* data, int width, int height);

  ZEvuvoro::BayerJob m_Job;
  int m_nPaddedRowLength = 0;
  uint64_t m_nPaddedSize = 0;
  std::unique_ptr<uint8_t[]> m_pPlane;
  double m_Correction[4][4];
  int32_t m_Coefficients[16];
};
