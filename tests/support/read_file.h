#pragma once
// A whole file as bytes in a string, for tests; empty when it cannot be read.

#include <fstream>
#include <sstream>
#include <string>

namespace ql::test {

inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace ql::test
