#include "image/fusion/FloatPlane.h"

#include <cstring>
#include <limits>
#include <new>
#include <utility>

FloatPlane::FloatPlane(const FloatPlane& other)
    : m_cols(other.m_cols), m_rows(other.m_rows), m_data(other.m_data), m_storage(other.m_storage) {
  if (m_storage) ++m_storage->m_refs;
}

FloatPlane::FloatPlane(FloatPlane&& other) noexcept
    : m_cols(other.m_cols), m_rows(other.m_rows), m_data(other.m_data), m_storage(other.m_storage) {
  other.m_cols = other.m_rows = 0;
  other.m_data = nullptr;
  other.m_storage = nullptr;
}

FloatPlane& FloatPlane::operator=(FloatPlane other) noexcept {
  std::swap(m_cols, other.m_cols);
  std::swap(m_rows, other.m_rows);
  std::swap(m_data, other.m_data);
  std::swap(m_storage, other.m_storage);
  return *this;
}

FloatPlane::~FloatPlane() { Reset(); }

void FloatPlane::Reset() {
  if (m_storage && --m_storage->m_refs == 0) {
    delete[] m_storage->m_data;
    delete m_storage;
  }
  m_cols = m_rows = 0;
  m_data = nullptr;
  m_storage = nullptr;
}

size_t FloatPlane::BytesFor(int cols, int rows) {
  if (cols < 0 || rows < 0) return 0;
  const uint64_t count = static_cast<uint64_t>(cols) * static_cast<uint64_t>(rows);
  if (count > std::numeric_limits<size_t>::max() / sizeof(float)) return 0;
  return static_cast<size_t>(count) * sizeof(float);
}

FloatPlane FloatPlane::Allocate(int cols, int rows) {
  const size_t bytes = BytesFor(cols, rows);
  if (bytes == 0 && cols != 0 && rows != 0) throw std::bad_alloc();
  const size_t count = bytes / sizeof(float);
  PlaneBuffer* storage = new PlaneBuffer{cols, rows, 1, nullptr};
  try {
    // At least one value, so that an empty plane still has storage to point at.
    storage->m_data = new float[count ? count : 1];
  } catch (...) {
    delete storage;
    throw;
  }
  std::memset(storage->m_data, 0, (count ? count : 1) * sizeof(float));
  FloatPlane plane;
  plane.m_cols = cols;
  plane.m_rows = rows;
  plane.m_data = storage->m_data;
  plane.m_storage = storage;
  return plane;
}

FloatPlane FloatPlane::Clone() const {
  FloatPlane copy = Allocate(m_cols, m_rows);
  for (int y = 0; y < m_rows; ++y) std::memcpy(copy.Row(y), Row(y), static_cast<size_t>(m_cols) * sizeof(float));
  return copy;
}

FloatPlane FloatPlane::Block(int cols, int rows) const {
  FloatPlane view(*this);
  view.m_cols = cols;
  view.m_rows = rows;
  return view;
}
