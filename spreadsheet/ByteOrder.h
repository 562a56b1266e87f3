// Little-endian field access inside record data, and 8-bit / 16-bit text conversion.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace YExcel {

static_assert(sizeof(wchar_t) == 2, "wide text is stored as UTF-16 code units");
static_assert(sizeof(double) == 8, "NUMBER values are IEEE 754 doubles");

using Bytes = std::vector<uint8_t>;

namespace detail {
template <class T>
struct RawOf {
  using type = std::make_unsigned_t<T>;
};
template <>
struct RawOf<double> {
  using type = uint64_t;
};
template <class T>
using Raw = typename RawOf<T>::type;
template <class T>
constexpr size_t DefaultCount(size_t count) {
  if (count == 0 && sizeof(T) == 1) return 1;
  return count == static_cast<size_t>(-1) ? sizeof(T) : count;
}
}  // namespace detail

// Least significant byte first; count defaults to the width of T.
template <class T>
void ReadLE(const uint8_t* bytes, size_t pos, T& value, size_t count = static_cast<size_t>(-1)) {
  count = detail::DefaultCount<T>(count);
  detail::Raw<T> raw = 0;
  for (size_t i = 0; i < count && i < sizeof(T); ++i) raw |= static_cast<detail::Raw<T>>(bytes[pos + i]) << (8 * i);
  if constexpr (std::is_same_v<T, double>)
    std::memcpy(&value, &raw, 8);
  else
    value = static_cast<T>(raw);
}
template <class T>
void ReadLE(const Bytes& bytes, size_t pos, T& value, size_t count = static_cast<size_t>(-1)) {
  ReadLE(bytes.data(), pos, value, count);
}

// Bytes beyond the width of T get the sign fill of signed types, zero otherwise.
template <class T>
void WriteLE(uint8_t* bytes, size_t pos, T value, size_t count = static_cast<size_t>(-1)) {
  count = detail::DefaultCount<T>(count);
  detail::Raw<T> raw;
  if constexpr (std::is_same_v<T, double>)
    std::memcpy(&raw, &value, 8);
  else
    raw = static_cast<detail::Raw<T>>(value);
  uint8_t fill = 0;
  if constexpr (std::is_signed_v<T> && !std::is_same_v<T, double>) fill = value < 0 ? 0xFF : 0x00;
  for (size_t i = 0; i < count; ++i) bytes[pos + i] = i < sizeof(T) ? static_cast<uint8_t>(raw >> (8 * i)) : fill;
}
template <class T>
void WriteLE(Bytes& bytes, size_t pos, T value, size_t count = static_cast<size_t>(-1)) {
  WriteLE(bytes.data(), pos, value, count);
}

template <class U>
void ReadLE16Array(const uint8_t* bytes, size_t pos, U* dest, size_t units) {
  static_assert(sizeof(U) == 2);
  for (size_t i = 0; i < units; ++i) dest[i] = static_cast<U>(bytes[pos + 2 * i] | (bytes[pos + 2 * i + 1] << 8));
}
template <class U>
void WriteLE16Array(uint8_t* bytes, size_t pos, const U* source, size_t units) {
  static_assert(sizeof(U) == 2);
  for (size_t i = 0; i < units; ++i) {
    const auto u = static_cast<uint16_t>(source[i]);
    bytes[pos + 2 * i] = static_cast<uint8_t>(u);
    bytes[pos + 2 * i + 1] = static_cast<uint8_t>(u >> 8);
  }
}
template <class U>
void WriteLE16Array(Bytes& bytes, size_t pos, const U* source, size_t units) {
  WriteLE16Array(bytes.data(), pos, source, units);
}

// Bytes at or past the end of the vector read as zero.
inline void ReadLEChecked(const Bytes& bytes, size_t pos, uint16_t& value) {
  const uint16_t lo = pos < bytes.size() ? bytes[pos] : 0;
  const uint16_t hi = pos + 1 < bytes.size() ? bytes[pos + 1] : 0;
  value = static_cast<uint16_t>(lo | (hi << 8));
}
template <class U>
void ReadLEChecked(const Bytes& bytes, size_t pos, U* dest, size_t units) {
  static_assert(sizeof(U) == 2);
  for (size_t i = 0; i < units; ++i) {
    uint16_t v;
    ReadLEChecked(bytes, pos + 2 * i, v);
    dest[i] = static_cast<U>(v);
  }
}

inline void ReadBytes(const uint8_t* bytes, size_t pos, void* dest, size_t count) {
  if (count) std::memcpy(dest, bytes + pos, count);
}
inline void ReadBytes(const Bytes& bytes, size_t pos, void* dest, size_t count) {
  ReadBytes(bytes.data(), pos, dest, count);
}
inline void WriteBytes(uint8_t* bytes, size_t pos, const void* source, size_t count) {
  if (count) std::memcpy(bytes + pos, source, count);
}
inline void WriteBytes(Bytes& bytes, size_t pos, const void* source, size_t count) {
  WriteBytes(bytes.data(), pos, source, count);
}

// Widened and narrowed through the global locale's ctype<wchar_t> facet; lengths are kept.
std::wstring ToWide(const std::string& text);
std::wstring ToWide(Bytes::const_iterator begin, Bytes::const_iterator end);
std::string ToNarrow(const std::wstring& text);

}  // namespace YExcel
