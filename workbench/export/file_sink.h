// A file written front to back, for the exports that stream a session to
// disk (binary waves, packed experiments) instead of building it in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace kwt {

class FileSink {
 public:
  // Opens (creates or truncates) `path`; ok() says whether that worked.
  explicit FileSink(const std::string& path);
  ~FileSink();
  FileSink(const FileSink&) = delete;
  FileSink& operator=(const FileSink&) = delete;

  // Appends bytes; after the first failure nothing more is written.
  void Write(const void* bytes, size_t count);
  void Write(std::string_view bytes) { Write(bytes.data(), bytes.size()); }
  // Bytes written so far.
  uint64_t written() const { return written_; }
  // Flushes and closes; true when every byte reached the file.  *error
  // then says what failed ("cannot write x.pxp: No space left on device").
  bool Close(std::string* error);
  bool ok() const { return file_ != nullptr && error_.empty(); }

 private:
  std::string path_;
  std::FILE* file_ = nullptr;
  std::string error_;
  uint64_t written_ = 0;
};

}  // namespace kwt
