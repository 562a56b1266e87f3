#pragma once
// Best-of-n wall time of a callable, in milliseconds, and a sink that keeps a
// baseline's output alive.
#include <windows.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>

template <typename F>
double BestMs(int runs, F&& f) {
  LARGE_INTEGER freq, a, b;
  QueryPerformanceFrequency(&freq);
  double best = 1e30;
  for (int i = 0; i < runs; ++i) {
    QueryPerformanceCounter(&a);
    f();
    QueryPerformanceCounter(&b);
    best = std::min(best, static_cast<double>(b.QuadPart - a.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart));
  }
  return best;
}

// Reads a copy's output through a volatile store: a copy nobody reads is dead
// code the compiler may drop, and the baseline would time nothing.
inline volatile uint8_t g_benchSink;

inline void SinkBytes(const void* data, size_t size) {
  const auto* p = static_cast<const uint8_t*>(data);
  g_benchSink = static_cast<uint8_t>(p[0] ^ p[size / 2] ^ p[size - 1]);
}
