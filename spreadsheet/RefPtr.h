// Intrusive shared references: the object carries its own count and starts with one reference.
#pragma once

#include <cstdint>
#include <utility>

namespace YExcel {

class RefCounted {
 public:
  RefCounted() = default;
  RefCounted(const RefCounted&) : m_refCount(1) {}
  RefCounted& operator=(const RefCounted&) { return *this; }
  void AddRef() { ++m_refCount; }
  bool DropRef() { return --m_refCount == 0; }
  int32_t RefCount() const { return m_refCount; }

 protected:
  ~RefCounted() = default;

 private:
  int32_t m_refCount = 1;
};

template <class T>
class RefPtr {
 public:
  RefPtr() = default;
  // Takes over the reference a new object starts with.
  static RefPtr Adopt(T* p) {
    RefPtr r;
    r.m_p = p;
    return r;
  }
  RefPtr(const RefPtr& o) : m_p(o.m_p) {
    if (m_p) m_p->AddRef();
  }
  RefPtr(RefPtr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
  RefPtr& operator=(RefPtr o) noexcept {
    std::swap(m_p, o.m_p);
    return *this;
  }
  ~RefPtr() { Reset(); }
  void Reset() {
    if (m_p && m_p->DropRef()) delete m_p;
    m_p = nullptr;
  }
  T* Get() const { return m_p; }
  T* operator->() const { return m_p; }
  T& operator*() const { return *m_p; }
  explicit operator bool() const { return m_p != nullptr; }

 private:
  T* m_p = nullptr;
};

template <class T, class... A>
RefPtr<T> MakeRef(A&&... args) {
  return RefPtr<T>::Adopt(new T(std::forward<A>(args)...));
}

}  // namespace YExcel
