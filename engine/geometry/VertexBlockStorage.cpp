#include "engine/geometry/VertexBlockStorage.h"

#include <cstring>
#include <new>

VertexBlockStorage::~VertexBlockStorage() {
  for (unsigned i = 0; i < m_allocatedBlocks; ++i) ::operator delete(m_coordBlocks[i]);
  ::operator delete(m_coordBlocks);
}

void VertexBlockStorage::AllocateBlock(unsigned block) {
  if (block >= m_blockCapacity) {
    // Both tables live in one allocation: coordinates first, then commands.
    const unsigned capacity = m_blockCapacity + kBlockSize;
    void* tables = ::operator new(sizeof(void*) * 2 * capacity);
    auto coords = static_cast<double**>(tables);
    auto commands = reinterpret_cast<unsigned char**>(coords + capacity);
    if (m_coordBlocks) {
      std::memcpy(coords, m_coordBlocks, sizeof(double*) * m_blockCapacity);
      std::memcpy(commands, m_commandBlocks, sizeof(unsigned char*) * m_blockCapacity);
      ::operator delete(m_coordBlocks);
    }
    m_coordBlocks = coords;
    m_commandBlocks = commands;
    m_blockCapacity = capacity;
  }
  auto data = static_cast<double*>(::operator new(sizeof(double) * 2 * kBlockSize + kBlockSize));
  m_coordBlocks[block] = data;
  m_commandBlocks[block] = reinterpret_cast<unsigned char*>(data + 2 * kBlockSize);
  ++m_allocatedBlocks;
}

void VertexBlockStorage::Add(double x, double y, PathCommand cmd) {
  const unsigned block = m_totalVertices >> kBlockShift;
  if (block >= m_allocatedBlocks) AllocateBlock(block);
  const unsigned slot = m_totalVertices & kBlockMask;
  double* p = m_coordBlocks[block] + slot * 2;
  p[0] = x;
  p[1] = y;
  m_commandBlocks[block][slot] = static_cast<unsigned char>(cmd);
  ++m_totalVertices;
}

PathCommand VertexBlockStorage::Point(unsigned i, double* x, double* y) const {
  const double* p = m_coordBlocks[i >> kBlockShift] + (i & kBlockMask) * 2;
  *x = p[0];
  *y = p[1];
  return Command(i);
}

PathCommand VertexBlockStorage::LastPoint(double* x, double* y) const {
  if (!m_totalVertices) return CmdStop;
  return Point(m_totalVertices - 1, x, y);
}

PathCommand VertexBlockStorage::PreviousPoint(double* x, double* y) const {
  if (m_totalVertices < 2) return CmdStop;
  return Point(m_totalVertices - 2, x, y);
}
