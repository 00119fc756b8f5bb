#pragma once
// A private folder for one test, removed with everything in it at the end.
#include <string>

namespace vn::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Whole file as bytes; empty when it cannot be read.
std::string readAll(const std::string& path);
// Writes bytes directly (no atomic rename), for preparing test input.
void writeAll(const std::string& path, const std::string& bytes);

}  // namespace vn::test
