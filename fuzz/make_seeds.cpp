// Writes the seed corpus of every fuzz target: DIR/<target>/<seed>.  The
// seeds come from the recording writers of tests/testkit, registered by
// the seeds_*.cpp files linked into this program.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/testkit/seeds.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: kwt_make_seeds DIR\n");
    return 2;
  }
  const std::filesystem::path dir = argv[1];
  size_t count = 0;
  for (const kwt::test::Seed& seed : kwt::test::AllSeeds()) {
    const auto folder = dir / seed.target;
    std::filesystem::create_directories(folder);
    std::ofstream out(folder / seed.name, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(seed.bytes.data()),
              static_cast<std::streamsize>(seed.bytes.size()));
    if (!out) {
      std::fprintf(stderr, "kwt_make_seeds: cannot write %s\n", (folder / seed.name).c_str());
      return 1;
    }
    ++count;
  }
  std::printf("wrote %zu seeds\n", count);
  return 0;
}
