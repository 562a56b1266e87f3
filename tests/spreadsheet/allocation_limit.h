// Refuses large allocations of this test program while an AllocationLimit is in scope,
// so that tests reach the paths where memory runs out without using it up.
#pragma once

#include <cstddef>

class AllocationLimit {
 public:
  // Allocations of more than `largest` bytes throw std::bad_alloc until the limit goes.
  explicit AllocationLimit(size_t largest);
  ~AllocationLimit();
  AllocationLimit(const AllocationLimit&) = delete;
  AllocationLimit& operator=(const AllocationLimit&) = delete;

  // How many allocations were refused since the limit was set.
  int Refused() const;
};
