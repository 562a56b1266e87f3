#include "settings/SplitByRegex.h"

#include <regex>

std::vector<std::wstring> SplitByRegex(const std::wstring& text, const std::wstring& pattern) {
  const std::wregex separator(pattern, std::regex_constants::ECMAScript);
  std::vector<std::wstring> pieces;
  for (std::wsregex_token_iterator it(text.begin(), text.end(), separator, -1), end; it != end; ++it)
    pieces.push_back(it->str());
  return pieces;
}
