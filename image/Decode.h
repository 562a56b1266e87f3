#pragma once

#include <cstdint>

namespace ZEvuvoro {

class CImage;

// Largest decoded picture any loader accepts: a bigger header is refused
// before anything is allocated instead of running the process out of memory.
#if UINTPTR_MAX > 0xFFFFFFFFu
inline constexpr uint64_t kMaxDecodedBytes = uint64_t(1) << 30;
#else
inline constexpr uint64_t kMaxDecodedBytes = uint64_t(1) << 29;
#endif

// Base of the file decoders: holds the encoded input and the decoded output
// (blue, green, red, alpha, rows of width x 4 bytes, top row first, new[]).
class CDecode {
 public:
  CDecode();
  CDecode(const CDecode&) = delete;
  CDecode& operator=(const CDecode&) = delete;
  virtual ~CDecode();

  bool Decode(const uint8_t* data, uint64_t size);
  void Detach();
  void FreeOutput();

  uint8_t* GetOutput() const { return m_pOutput; }
  int GetWidth() const { return m_nWidth; }
  int GetHeight() const { return m_nHeight; }
  void SetOwner(CImage* owner) { m_pOwner = owner; }

  // True when width x height pixels of 4 bytes stay within kMaxDecodedBytes.
  static bool SizeAllowed(uint64_t width, uint64_t height);

 protected:
  virtual bool DoDecode() = 0;
  virtual void Reset() {}

  // Allocates the output for width x height pixels (not zero-filled); null
  // when the size is refused or memory runs out.
  uint8_t* AllocateOutput(uint64_t width, uint64_t height);

  CImage* m_pOwner;
  uint64_t m_nInputSize;
  const uint8_t* m_pInput;
  uint8_t* m_pOutput;
  int m_nWidth;
  int m_nHeight;
};

}  // namespace ZEvuvoro
