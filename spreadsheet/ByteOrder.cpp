#include "spreadsheet/ByteOrder.h"

#include <locale>

namespace YExcel {

std::wstring ToWide(const std::string& text) {
  if (text.empty()) return {};
  std::wstring wide(text.size(), L'\0');
  std::use_facet<std::ctype<wchar_t>>(std::locale()).widen(text.data(), text.data() + text.size(), wide.data());
  return wide;
}

std::wstring ToWide(Bytes::const_iterator begin, Bytes::const_iterator end) { return ToWide(std::string(begin, end)); }

std::string ToNarrow(const std::wstring& text) {
  if (text.empty()) return {};
  std::string narrow(text.size(), '\0');
  std::use_facet<std::ctype<wchar_t>>(std::locale()).narrow(text.data(), text.data() + text.size(), '?', narrow.data());
  return narrow;
}

}  // namespace YExcel
