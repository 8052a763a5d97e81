#include "info.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "support/byte_reader.h"

namespace kwt {
namespace {

std::vector<std::pair<int, InfoReader>>& Readers() {
  static std::vector<std::pair<int, InfoReader>> readers;
  return readers;
}

// The strings of the InfoJson call that runs on this thread, if any.
struct Capture {
  std::string* json = nullptr;
  std::string* error = nullptr;
};
thread_local Capture capture;

}  // namespace

void InfoPrintJson(const std::string& text) {
  if (capture.json != nullptr) *capture.json = text;
  else std::printf("%s\n", text.c_str());
}

void InfoFailure(const std::string& message) {
  if (capture.error != nullptr) *capture.error = message;
  else std::fprintf(stderr, "kwt: info: %s\n", message.c_str());
}

InfoRegistration::InfoRegistration(int order, InfoReader reader) {
  Readers().emplace_back(order, reader);
}

int RunInfo(const std::string& path, bool json, bool full) {
  const InfoOptions options{json, full};
  {
    // Only a regular file is read: a FIFO would block the readers and a
    // device such as /dev/zero would never end.  The readers open the file
    // again, by the same rule.
    const FileSource file(path, FileSource::PathKind::kNative);
    if (!file.is_open()) {
      InfoFailure("cannot open " + path + ": " + file.failure());
      return 1;
    }
  }
  auto readers = Readers();
  std::stable_sort(readers.begin(), readers.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  for (const auto& [order, reader] : readers) {
    switch (reader(path, options)) {
      case InfoAnswer::kNotMine: continue;
      case InfoAnswer::kShown: return 0;
      case InfoAnswer::kFailed: return 1;
    }
  }
  InfoFailure(path + " is not a recording kwt can read");
  return 1;
}

bool InfoJson(const std::string& path, std::string* json, std::string* error) {
  json->clear();
  error->clear();
  capture = {json, error};
  const int status = RunInfo(path, true);
  capture = {};
  return status == 0;
}

}  // namespace kwt
