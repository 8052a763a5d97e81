#include "workbench/export/file_sink.h"

#include <cerrno>
#include <cstring>

namespace kwt {

FileSink::FileSink(const std::string& path) : path_(path) {
  file_ = std::fopen(path.c_str(), "wb");
  if (file_ == nullptr) error_ = "cannot write " + path + ": " + std::strerror(errno);
}

FileSink::~FileSink() {
  if (file_ != nullptr) std::fclose(file_);
}

void FileSink::Write(const void* bytes, size_t count) {
  if (!ok() || count == 0) return;
  if (std::fwrite(bytes, 1, count, file_) != count) {
    error_ = "cannot write " + path_ + ": " + std::strerror(errno);
    return;
  }
  written_ += count;
}

bool FileSink::Close(std::string* error) {
  if (file_ != nullptr) {
    // fclose flushes the buffered tail, which may be what fails on a full disk.
    if (std::fclose(file_) != 0 && error_.empty())
      error_ = "cannot write " + path_ + ": " + std::strerror(errno);
    file_ = nullptr;
  }
  if (!error_.empty()) *error = error_;
  return error_.empty();
}

}  // namespace kwt
