// The program's own operator new: the standard one, but able to refuse large requests.
#include "tests/spreadsheet/allocation_limit.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {
std::atomic<size_t> g_largest{SIZE_MAX};
std::atomic<int> g_refused{0};
}  // namespace

AllocationLimit::AllocationLimit(size_t largest) {
  g_refused = 0;
  g_largest = largest;
}

AllocationLimit::~AllocationLimit() { g_largest = SIZE_MAX; }

int AllocationLimit::Refused() const { return g_refused; }

void* operator new(size_t size) {
  if (size > g_largest) {
    ++g_refused;
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
