// One frame of a recording as the AVI file stores it (24-bit bottom-up DIB or
// a JPEG picture), and the constant-rate time line the frames are placed on.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

struct jpeg_compress_struct;

namespace vidmill {

class CFrameEncoder {
 public:
  CFrameEncoder();
  ~CFrameEncoder();
  CFrameEncoder(const CFrameEncoder&) = delete;
  CFrameEncoder& operator=(const CFrameEncoder&) = delete;

  // quality: 0 high, 1 middle, 2 low (JPEG only).
  bool Configure(int width, int height, bool mjpeg, int quality);
  // bottom: the picture's bottom row of 32-bit pixels; stride: bytes from a
  // row to the one above it. The result stays until the next Encode.
  bool Encode(const BYTE* bottom, ptrdiff_t stride);
  const BYTE* Data() const { return m_Out.data(); }
  DWORD Size() const { return m_Size; }

  static int JpegQuality(int quality);
  struct ErrorManager;

 private:
  int m_Width = 0, m_Height = 0;
  bool m_Mjpeg = false;
  int m_Quality = 90;
  std::vector<BYTE> m_Out;
  DWORD m_Size = 0;
  std::vector<const BYTE*> m_Rows;
  jpeg_compress_struct* m_Jpeg = nullptr;
  ErrorManager* m_Error = nullptr;
};

// Frames stamped in milliseconds placed on a constant rate: the rate comes
// from the first stamps; a frame goes to the nearest place, a gap is filled by
// repeating the previous frame, a frame whose place is already written is
// dropped, and a gap longer than longestGapMs is closed up.
class CFrameClock {
 public:
  CFrameClock(const std::vector<DWORD>& firstStamps, int64_t longestGapMs);
  // Frames per second = Rate() / Scale().
  DWORD Rate() const { return 1000000; }
  DWORD Scale() const { return m_MicrosPerFrame; }
  // false: drop the frame; else repeats copies of the previous frame go first.
  bool Place(DWORD stamp, int* repeats);
  void Advance() { ++m_Next; }
  uint64_t Frames() const { return m_Next; }

 private:
  DWORD m_MicrosPerFrame = 33333;
  int64_t m_LongestGapMs;
  bool m_HaveFirst = false;
  DWORD m_First = 0;
  int64_t m_ShiftUs = 0;  // time taken out by closed gaps
  uint64_t m_Next = 0;
};

}  // namespace vidmill
