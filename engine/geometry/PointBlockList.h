#pragma once

#include <cstring>
#include <new>

// Growable list of fixed-size records in blocks that never move. Clearing
// keeps the blocks, so a list reused for every corner of a stroke allocates
// only while it grows.
template <class T, unsigned BlockShift = 6>
class PointBlockList {
 public:
  static constexpr unsigned kBlockSize = 1u << BlockShift;
  static constexpr unsigned kBlockMask = kBlockSize - 1;

  PointBlockList() = default;
  PointBlockList(const PointBlockList&) = delete;
  PointBlockList& operator=(const PointBlockList&) = delete;
  ~PointBlockList() {
    for (unsigned i = 0; i < m_blocks; ++i) ::operator delete(m_table[i]);
    ::operator delete(m_table);
  }

  unsigned Size() const { return m_size; }
  void Clear() { m_size = 0; }
  void RemoveLast() {
    if (m_size) --m_size;
  }
  void Add(const T& value) {
    const unsigned block = m_size >> BlockShift;
    if (block >= m_blocks) Grow(block);
    m_table[block][m_size & kBlockMask] = value;
    ++m_size;
  }
  T& operator[](unsigned i) { return m_table[i >> BlockShift][i & kBlockMask]; }
  const T& operator[](unsigned i) const { return m_table[i >> BlockShift][i & kBlockMask]; }
  T& Last() { return (*this)[m_size - 1]; }

 private:
  void Grow(unsigned block) {
    if (block >= m_capacity) {
      const unsigned capacity = m_capacity + kBlockSize;
      auto table = static_cast<T**>(::operator new(sizeof(T*) * capacity));
      if (m_table) {
        std::memcpy(table, m_table, sizeof(T*) * m_capacity);
        ::operator delete(m_table);
      }
      m_table = table;
      m_capacity = capacity;
    }
    m_table[block] = static_cast<T*>(::operator new(sizeof(T) * kBlockSize));
    ++m_blocks;
  }

  unsigned m_size = 0;
  unsigned m_blocks = 0;
  unsigned m_capacity = 0;
  T** m_table = nullptr;
};

struct PointD {
  double x;
  double y;
};
