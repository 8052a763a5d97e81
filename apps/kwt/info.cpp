#include "info.h"

#include <cstdio>
#include <fstream>

namespace kwt {

int RunInfo(const std::string& path, bool) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "kwt: info: cannot open %s\n", path.c_str());
    return 1;
  }
  std::fprintf(stderr, "kwt: info: %s is not a recording this build of kwt can read\n",
               path.c_str());
  return 1;
}

}  // namespace kwt
