#include "info.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "support/byte_reader.h"

namespace kwt {
namespace {

std::vector<std::pair<int, InfoReader>>& Readers() {
  static std::vector<std::pair<int, InfoReader>> readers;
  return readers;
}

}  // namespace

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
      std::fprintf(stderr, "kwt: info: cannot open %s: %s\n", path.c_str(), file.failure().c_str());
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
  std::fprintf(stderr, "kwt: info: %s is not a recording kwt can read\n", path.c_str());
  return 1;
}

}  // namespace kwt
