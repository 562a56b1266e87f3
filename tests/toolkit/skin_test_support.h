// Shared helpers of the toolkit tests: fixture files written by
// skin_packages.py into the test's working folder.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <string>
#include <vector>

namespace skin_test {

// The lines of a tab-separated file, each split at its tabs; empty when the
// file is missing.
std::vector<std::vector<std::string>> ReadTable(const std::string& path);
std::string ReadFileBytes(const std::string& path);
// Everything a stream holds from its start.
std::string ReadStream(IStream* stream);
std::wstring Widen(const std::string& text);
std::wstring FullPath(const std::wstring& relative);

}  // namespace skin_test
