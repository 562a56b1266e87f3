// Objects that mark their memory when deleted and keep it, so that a write
// into an object after its deletion can be seen instead of corrupting the heap.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace win32test {

class CQuarantine {
 public:
  static constexpr unsigned char kPoison = 0xDD;

  static CQuarantine& Instance() {
    static CQuarantine quarantine;
    return quarantine;
  }
  void Keep(void* p, std::size_t size) {
    std::memset(p, kPoison, size);
    m_blocks.push_back({static_cast<unsigned char*>(p), size});
  }
  std::size_t Deleted() const { return m_blocks.size(); }
  // Bytes changed since their block was deleted.
  std::size_t WrittenAfterDelete() const {
    std::size_t changed = 0;
    for (const Block& b : m_blocks)
      for (std::size_t i = 0; i < b.size; ++i) changed += b.p[i] != kPoison;
    return changed;
  }
  void Clear() {
    for (const Block& b : m_blocks) std::free(b.p);
    m_blocks.clear();
  }

 private:
  struct Block {
    unsigned char* p;
    std::size_t size;
  };
  std::vector<Block> m_blocks;
};

// Base of a test class whose instances go to the quarantine when deleted.
struct CPoisonOnDelete {
  static void* operator new(std::size_t size) { return std::malloc(size); }
  static void operator delete(void* p, std::size_t size) { CQuarantine::Instance().Keep(p, size); }
};

}  // namespace win32test
