#pragma once

#include <cstddef>
#include <cwchar>
#include <memory>

// An owned wide text that can be unset (null) as well as empty: the settings
// tell the two apart ("Unit" stored empty stays empty, absent becomes "cm").
class CHeapText {
 public:
  CHeapText() = default;
  explicit CHeapText(const wchar_t* text) { Assign(text); }
  CHeapText(const CHeapText&) = delete;
  CHeapText& operator=(const CHeapText&) = delete;
  CHeapText(CHeapText&&) noexcept = default;
  CHeapText& operator=(CHeapText&&) noexcept = default;

  const wchar_t* Get() const { return m_text.get(); }
  operator const wchar_t*() const { return m_text.get(); }
  bool IsSet() const { return m_text != nullptr; }
  size_t Length() const { return m_text ? std::wcslen(m_text.get()) : 0; }

  // A copy of text, or unset for null.
  void Assign(const wchar_t* text) {
    if (!text) {
      m_text.reset();
      return;
    }
    const size_t n = std::wcslen(text);
    std::unique_ptr<wchar_t[]> copy(new wchar_t[n + 1]);
    std::wmemcpy(copy.get(), text, n + 1);
    m_text = std::move(copy);
  }
  void Adopt(std::unique_ptr<wchar_t[]> text) { m_text = std::move(text); }
  void Clear() { m_text.reset(); }

 private:
  std::unique_ptr<wchar_t[]> m_text;
};
