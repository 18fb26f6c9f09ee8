#pragma once
// A fresh directory per test, removed afterwards. Shared by the test folders.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

namespace ql::test {

class TempDir {
 public:
  explicit TempDir(const std::string& prefix = "ql_test") {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "_XXXXXX")).string();
    const char* made = ::mkdtemp(pattern.data());
    // A test without its directory would write elsewhere or crash later: stop here.
    if (!made) throw std::runtime_error("cannot make a scratch directory from " + pattern);
    path_ = made;
  }
  ~TempDir() {
    std::error_code error;
    std::filesystem::remove_all(path_, error);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }
  void write(const std::string& name, const std::string& bytes) const {
    std::ofstream(file(name), std::ios::binary) << bytes;
  }

 private:
  std::string path_;
};

}  // namespace ql::test
