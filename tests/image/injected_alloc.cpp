#include "tests/image/injected_alloc.h"

#include <cstdlib>
#include <new>

namespace {

long g_failAt = -1;  // allocations to let through before the one that fails; -1: none, -2: it failed
long g_live = 0;     // allocations made while armed and not yet freed
bool g_armed = false;

}  // namespace

namespace injected_alloc {

void Arm(long failAt) {
  g_failAt = failAt;
  g_live = 0;
  g_armed = true;
}

bool Disarm() {
  const bool hit = g_failAt == -2;
  g_armed = false;
  g_failAt = -1;
  return hit;
}

long Live() { return g_live; }

}  // namespace injected_alloc

// The nothrow and array forms of the runtime come here too.
__attribute__((noinline)) void* operator new(std::size_t size) {
  if (g_armed && g_failAt >= 0 && g_failAt-- == 0) {
    g_failAt = -2;
    throw std::bad_alloc();
  }
  void* p = std::malloc(size ? size : 1);
  if (!p) throw std::bad_alloc();
  if (g_armed) ++g_live;
  return p;
}

__attribute__((noinline)) void operator delete(void* p) noexcept {
  if (p && g_armed) --g_live;
  std::free(p);
}

void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
