#include "settings/SplitByRegex.h"

#include <regex>

namespace {

using Traits = std::regex_traits<wchar_t>;

// One alternative of a pattern made of single-character alternatives: a
// character, or a class escape such as \s, optionally repeated with '+'.
struct Alternative {
  bool isClass = false;
  bool negated = false;  // \S, \D, \W
  wchar_t ch = 0;
  Traits::char_class_type charClass{};
  bool repeated = false;
};

bool IsSyntaxCharacter(wchar_t c) {
  for (const wchar_t* s = L"^$\\.*+?()[]{}|"; *s; ++s)
    if (c == *s) return true;
  return false;
}

bool IsAsciiPunctuation(wchar_t c) {
  return c > L' ' && c < 0x7F && !(c >= L'0' && c <= L'9') && !(c >= L'a' && c <= L'z') && !(c >= L'A' && c <= L'Z');
}

// Reads patterns such as ",|;|:|\s+". False for anything else (groups,
// brackets, other quantifiers, alternatives longer than one character or ones
// that can match nothing), which is left to the standard library.
bool ReadSingleCharacterAlternatives(const std::wstring& pattern, const Traits& traits,
                                     std::vector<Alternative>* alternatives) {
  size_t pos = 0;
  const size_t size = pattern.size();
  for (;;) {
    if (pos == size) return false;  // an empty alternative matches nothing
    Alternative alternative;
    const wchar_t c = pattern[pos++];
    if (c == L'\\') {
      if (pos == size) return false;
      const wchar_t e = pattern[pos++];
      switch (e) {
        case L's':
        case L'S':
        case L'd':
        case L'D':
        case L'w':
        case L'W': {
          const wchar_t name = static_cast<wchar_t>(e | 0x20);  // lower case
          alternative.isClass = true;
          alternative.negated = e != name;
          alternative.charClass = traits.lookup_classname(&name, &name + 1);
          break;
        }
        case L't':
          alternative.ch = L'\t';
          break;
        case L'n':
          alternative.ch = L'\n';
          break;
        case L'r':
          alternative.ch = L'\r';
          break;
        case L'f':
          alternative.ch = L'\f';
          break;
        case L'v':
          alternative.ch = L'\v';
          break;
        default:
          if (!IsAsciiPunctuation(e)) return false;
          alternative.ch = e;
      }
    } else {
      if (c == L'\0' || IsSyntaxCharacter(c)) return false;
      alternative.ch = c;
    }
    if (pos < size && pattern[pos] == L'+') {
      alternative.repeated = true;
      ++pos;
    }
    alternatives->push_back(alternative);
    if (pos == size) return true;
    if (pattern[pos++] != L'|') return false;
  }
}

bool Matches(const Alternative& alternative, wchar_t c, const Traits& traits) {
  if (!alternative.isClass) return c == alternative.ch;
  return traits.isctype(c, alternative.charClass) != alternative.negated;
}

// The leftmost match wins; at one position the first alternative written that
// matches wins, and a repeated one takes every following character it matches.
std::vector<std::wstring> SplitAtAlternatives(const std::wstring& text, const std::vector<Alternative>& alternatives,
                                              const Traits& traits) {
  std::vector<std::wstring> pieces;
  const size_t size = text.size();
  size_t start = 0;
  size_t pos = 0;
  bool matched = false;
  while (pos < size) {
    const Alternative* hit = nullptr;
    for (const Alternative& alternative : alternatives) {
      if (Matches(alternative, text[pos], traits)) {
        hit = &alternative;
        break;
      }
    }
    if (!hit) {
      ++pos;
      continue;
    }
    size_t end = pos + 1;
    if (hit->repeated)
      while (end < size && Matches(*hit, text[end], traits)) ++end;
    pieces.emplace_back(text, start, pos - start);
    start = pos = end;
    matched = true;
  }
  if (!matched || start < size) pieces.emplace_back(text, start, size - start);
  return pieces;
}

}  // namespace

std::vector<std::wstring> SplitByRegex(const std::wstring& text, const std::wstring& pattern) {
  const Traits traits;
  std::vector<Alternative> alternatives;
  if (ReadSingleCharacterAlternatives(pattern, traits, &alternatives))
    return SplitAtAlternatives(text, alternatives, traits);

  std::vector<std::wstring> pieces;
  if (text.size() > kMaxRegexSplitChars) return pieces;
  const std::wregex separator(pattern, std::regex_constants::ECMAScript);
  for (std::wsregex_token_iterator it(text.begin(), text.end(), separator, -1), end; it != end; ++it)
    pieces.push_back(it->str());
  return pieces;
}
