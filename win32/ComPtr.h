// Owning holder of one COM interface pointer.
#pragma once

#include <unknwn.h>

#include <memory>
#include <utility>

namespace win32 {

template <class T>
class CComPtr {
 public:
  CComPtr() = default;
  CComPtr(T* p) : m_p(p) {
    if (m_p) m_p->AddRef();
  }
  CComPtr(const CComPtr& other) : CComPtr(other.m_p) {}
  CComPtr(CComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
  ~CComPtr() { Release(); }

  CComPtr& operator=(const CComPtr& other) {
    if (other.m_p) other.m_p->AddRef();
    Release();
    m_p = other.m_p;
    return *this;
  }
  CComPtr& operator=(CComPtr&& other) noexcept {
    if (this != std::addressof(other)) {  // & is the out-parameter slot
      Release();
      m_p = std::exchange(other.m_p, nullptr);
    }
    return *this;
  }

  void Release() {
    if (T* p = std::exchange(m_p, nullptr)) p->Release();
  }
  // Takes over a reference the caller already owns.
  void Attach(T* p) {
    Release();
    m_p = p;
  }
  T* Detach() { return std::exchange(m_p, nullptr); }

  // For out-parameters of creation calls: the old pointer is released first,
  // so a holder can be refilled without leaking.
  T** operator&() {
    Release();
    return &m_p;
  }
  T* operator->() const { return m_p; }
  operator T*() const { return m_p; }
  T* Get() const { return m_p; }
  explicit operator bool() const { return m_p != nullptr; }

 private:
  T* m_p = nullptr;
};

}  // namespace win32
