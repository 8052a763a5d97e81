// A fresh folder for the files of one test, removed with everything in it
// when the object goes.
#pragma once

#include <filesystem>
#include <string>

namespace kwt::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // path() / name, as a string.
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// The whole content of a file ("" when it cannot be read).
std::string ReadFile(const std::string& path);
// Writes bytes to a file; false when it cannot.
bool WriteFile(const std::string& path, const std::string& bytes);

}  // namespace kwt::test
