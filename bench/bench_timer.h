#pragma once
// Best-of-n wall time of a callable, in milliseconds.
#include <windows.h>

#include <algorithm>

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
