#include "image/Decode.h"

#include <new>

namespace ZEvuvoro {

CDecode::CDecode()
    : m_pOwner(nullptr), m_nInputSize(0), m_pInput(nullptr), m_pOutput(nullptr), m_nWidth(0), m_nHeight(0) {}

CDecode::~CDecode() { FreeOutput(); }

bool CDecode::Decode(const uint8_t* data, uint64_t size) {
  FreeOutput();
  m_nInputSize = size;
  m_pInput = data;
  m_nWidth = 0;
  m_nHeight = 0;
  if (data != nullptr && DoDecode() && m_nWidth >= 1 && m_nHeight >= 1 && m_pOutput != nullptr) return true;
  delete[] m_pOutput;
  m_pOutput = nullptr;
  m_nWidth = 0;
  m_nHeight = 0;
  return false;
}

void CDecode::Detach() {
  Reset();
  m_pOutput = nullptr;
  m_nInputSize = 0;
  m_pInput = nullptr;
  m_nWidth = 0;
  m_nHeight = 0;
}

void CDecode::FreeOutput() {
  delete[] m_pOutput;
  m_pOutput = nullptr;
  m_nInputSize = 0;
  m_pInput = nullptr;
  m_nWidth = 0;
  m_nHeight = 0;
}

bool CDecode::SizeAllowed(uint64_t width, uint64_t height) {
  if (width == 0 || height == 0) return true;
  if (width > kMaxDecodedBytes || height > kMaxDecodedBytes) return false;
  return width * height <= kMaxDecodedBytes / 4;
}

uint8_t* CDecode::AllocateOutput(uint64_t width, uint64_t height) {
  delete[] m_pOutput;
  m_pOutput = nullptr;
  if (width == 0 || height == 0 || !SizeAllowed(width, height)) return nullptr;
  m_pOutput = new (std::nothrow) uint8_t[static_cast<size_t>(width * height * 4)];
  return m_pOutput;
}

}  // namespace ZEvuvoro
