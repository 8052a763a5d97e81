#include "info.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <utility>
#include <vector>

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
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "kwt: info: cannot open %s\n", path.c_str());
    return 1;
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
