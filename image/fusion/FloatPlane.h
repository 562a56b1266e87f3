#pragma once

#include <cstddef>
#include <cstdint>

// Reference-counted storage of one matrix of single-precision values.
struct PlaneBuffer {
  int32_t m_cols;
  int32_t m_rows;
  int32_t m_refs;
  float* m_data;
};

// A view of a PlaneBuffer, passed by value; copying a view shares its storage.
// Rows of a view lie the storage's column count apart.
class FloatPlane {
 public:
  FloatPlane() = default;
  FloatPlane(const FloatPlane& other);
  FloatPlane(FloatPlane&& other) noexcept;
  FloatPlane& operator=(FloatPlane other) noexcept;
  ~FloatPlane();

  // New zero-filled storage; throws std::bad_alloc when it cannot be had.
  static FloatPlane Allocate(int cols, int rows);
  // New compact storage holding a copy of this view.
  FloatPlane Clone() const;
  // A view of the top-left cols x rows block, sharing the storage.
  FloatPlane Block(int cols, int rows) const;

  void Reset();
  bool Empty() const { return m_storage == nullptr; }
  int Cols() const { return m_cols; }
  int Rows() const { return m_rows; }
  int Stride() const { return m_storage ? m_storage->m_cols : 0; }
  float* Data() const { return m_data; }
  float* Row(int y) const { return m_data + static_cast<ptrdiff_t>(y) * Stride(); }

  // Bytes of a cols x rows matrix, or 0 when the size is negative or does not fit the address space.
  static size_t BytesFor(int cols, int rows);

 private:
  int32_t m_cols = 0;
  int32_t m_rows = 0;
  float* m_data = nullptr;
  PlaneBuffer* m_storage = nullptr;
};
