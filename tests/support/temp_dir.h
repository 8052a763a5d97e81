// A folder under $TMPDIR that lives as long as the object.
#pragma once

#include <string>

namespace kwt::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The whole content of a file ("" when it cannot be read).
std::string ReadFile(const std::string& path);
// Writes bytes to a file; false when it cannot.
bool WriteFile(const std::string& path, const std::string& bytes);

}  // namespace kwt::test
