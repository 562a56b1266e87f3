#pragma once

#include <cstdint>

// Base of the fusion engine's shared objects: an intrusive reference count.
// The holder that drops the count to 0 deletes the object.
class CRefTarget {
 public:
  virtual ~CRefTarget() = default;

  void AddRef() { ++m_refs; }
  void Release() {
    if (--m_refs == 0) delete this;
  }

 protected:
  CRefTarget() = default;
  CRefTarget(const CRefTarget&) = delete;
  CRefTarget& operator=(const CRefTarget&) = delete;

 private:
  int32_t m_refs = 0;
};
