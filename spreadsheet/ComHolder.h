// Owns one reference to a COM interface.
#pragma once

#include <unknwn.h>

namespace YExcel {

template <class T> class ComHolder {
public:
  ComHolder() = default;
  ComHolder(const ComHolder&) = delete;
  ComHolder& operator=(const ComHolder&) = delete;
  ~ComHolder() { Reset(); }

  void Reset() {
    if (m_p) {
      T* p = m_p;
      m_p = nullptr;
      p->Release();
    }
  }
  T** Receive() {
    Reset();
    return &m_p;
  }
  T* Get() const { return m_p; }
  T* operator->() const { return m_p; }
  explicit operator bool() const { return m_p != nullptr; }

private:
  T* m_p = nullptr;
};

}  // namespace YExcel
