#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The pieces of text between the matches of an ECMAScript pattern, in order:
// an empty piece before each match that has nothing in front of it, no empty
// piece after the last match, and the whole text when nothing matches.
//
// The number lists of rulers and skins use a pattern of single-character
// alternatives (",|;|:|\s+"); such patterns are split in one pass over the
// text, whatever its length. The standard library's regular expressions
// recurse once per character they match, so any other pattern is matched by
// them only in texts of at most kMaxRegexSplitChars characters; a longer text
// gives no pieces at all.
std::vector<std::wstring> SplitByRegex(const std::wstring& text, const std::wstring& pattern);

inline constexpr size_t kMaxRegexSplitChars = 256;
