#include "toolkit/AvlfException.h"

#include <windows.h>

#include <cwchar>
#include <new>

AvlfException::AvlfException(const char* text) { SetAnsiText(text); }

AvlfException::AvlfException(const wchar_t* text) { SetText(text); }

AvlfException::AvlfException(int code, const char* text) : m_code(code) { SetAnsiText(text); }

AvlfException::AvlfException(int code, const wchar_t* text) : m_code(code) { SetText(text); }

AvlfException::AvlfException(const AvlfException& other) : m_code(other.m_code) { SetText(other.m_text); }

AvlfException& AvlfException::operator=(const AvlfException& other) {
  if (this != &other) {
    FreeText();
    m_code = other.m_code;
    SetText(other.m_text);
  }
  return *this;
}

AvlfException::~AvlfException() { FreeText(); }

const wchar_t* AvlfException::Text() const { return m_text; }

int AvlfException::Code() const { return m_code; }

void AvlfException::SetText(const wchar_t* text) {
  if (!text) return;
  const size_t n = std::wcslen(text);
  m_text = new (std::nothrow) wchar_t[n + 1];
  if (!m_text) return;
  std::wmemcpy(m_text, text, n + 1);
  m_ownsText = true;
}

void AvlfException::SetAnsiText(const char* text) {
  if (!text) return;
  // An empty ANSI text gives an empty text, not none.
  const int n = MultiByteToWideChar(CP_ACP, MB_COMPOSITE, text, -1, nullptr, 0);
  m_text = new (std::nothrow) wchar_t[n > 0 ? n : 1];
  if (!m_text) return;
  m_ownsText = true;
  if (n <= 0 || MultiByteToWideChar(CP_ACP, MB_COMPOSITE, text, -1, m_text, n) <= 0) m_text[0] = L'\0';
}

void AvlfException::FreeText() {
  if (m_ownsText) delete[] m_text;
  m_text = nullptr;
  m_ownsText = false;
}

void ThrowAvlfException(int code, const char* text) { throw AvlfException(code, text); }

void ThrowAvlfException(int code, const wchar_t* text) { throw AvlfException(code, text); }
