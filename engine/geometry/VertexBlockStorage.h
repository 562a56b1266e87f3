#pragma once

#include "engine/geometry/Graphic.h"

// Vertex store of paths and polygons: points live in blocks of 256 that never
// move, so a growing path keeps its earlier points in place.
class VertexBlockStorage {
 public:
  static constexpr unsigned kBlockShift = 8;
  static constexpr unsigned kBlockSize = 1u << kBlockShift;
  static constexpr unsigned kBlockMask = kBlockSize - 1;

  VertexBlockStorage() = default;
  VertexBlockStorage(const VertexBlockStorage&) = delete;
  VertexBlockStorage& operator=(const VertexBlockStorage&) = delete;
  ~VertexBlockStorage();

  void Add(double x, double y, PathCommand cmd);
  // Empties the store; its blocks stay for the next path.
  void Clear() { m_totalVertices = 0; }
  unsigned Total() const { return m_totalVertices; }
  unsigned BlockCount() const { return m_allocatedBlocks; }

  // Command and point of vertex i (i < Total()).
  PathCommand Command(unsigned i) const { return m_commandBlocks[i >> kBlockShift][i & kBlockMask]; }
  PathCommand Point(unsigned i, double* x, double* y) const;
  // CmdStop when the store is empty.
  PathCommand LastCommand() const { return m_totalVertices ? Command(m_totalVertices - 1) : CmdStop; }
  PathCommand LastPoint(double* x, double* y) const;
  PathCommand PreviousPoint(double* x, double* y) const;

 private:
  void AllocateBlock(unsigned block);

  unsigned m_totalVertices = 0;
  unsigned m_allocatedBlocks = 0;
  unsigned m_blockCapacity = 0;
  double** m_coordBlocks = nullptr;
  unsigned char** m_commandBlocks = nullptr;
};
