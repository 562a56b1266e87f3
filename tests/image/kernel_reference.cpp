#include "tests/image/kernel_reference.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>

std::vector<uint8_t> ReferenceCase::Blob(const char* part) const {
  const std::string path = "ref/" + name + "." + part;
  std::ifstream f(path, std::ios::binary);
  if (!f) {
    ADD_FAILURE() << "missing reference file " << path;
    return {};
  }
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::vector<ReferenceCase> LoadReferenceCases(const std::string& kind) {
  std::vector<ReferenceCase> cases;
  std::ifstream f("ref/manifest.txt");
  std::string line;
  while (std::getline(f, line)) {
    std::istringstream in(line);
    ReferenceCase c;
    if (!(in >> c.kind >> c.name) || c.kind != kind) continue;
    long long v;
    while (in >> v) c.p.push_back(v);
    cases.push_back(std::move(c));
  }
  if (cases.empty()) ADD_FAILURE() << "no reference cases of kind " << kind << " (did image_reference.py run?)";
  return cases;
}

long long FirstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  if (a.size() != b.size()) return static_cast<long long>(std::min(a.size(), b.size()));
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i]) return static_cast<long long>(i);
  return -1;
}
