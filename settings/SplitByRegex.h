#pragma once

#include <string>
#include <vector>

// The pieces of text between the matches of an ECMAScript pattern, in order:
// an empty piece before each match that has nothing in front of it, no empty
// piece after the last match, and the whole text when nothing matches.
std::vector<std::wstring> SplitByRegex(const std::wstring& text, const std::wstring& pattern);
