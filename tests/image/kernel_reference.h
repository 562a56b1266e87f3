#pragma once
// Cases written by image_reference.py (the numpy reference model) into ref/.
#include <cstdint>
#include <string>
#include <vector>

struct ReferenceCase {
  std::string kind;
  std::string name;
  std::vector<long long> p;

  // The bytes of ref/<name>.<part>; an empty vector (and a test failure) when missing.
  std::vector<uint8_t> Blob(const char* part) const;
  template <typename T>
  std::vector<T> Values(const char* part) const {
    const std::vector<uint8_t> b = Blob(part);
    std::vector<T> v(b.size() / sizeof(T));
    if (!v.empty()) __builtin_memcpy(v.data(), b.data(), v.size() * sizeof(T));
    return v;
  }
};

// Every case of one kind, in the model's order; fails the test when there are none.
std::vector<ReferenceCase> LoadReferenceCases(const std::string& kind);

// Index of the first differing byte, or -1.
long long FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b);
