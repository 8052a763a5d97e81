// Seeds for the fuzz targets.  A seeds_*.cpp file in fuzz/ registers a
// generator with a static SeedRegistration; kwt_make_seeds writes them all.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kwt::test {

struct Seed {
  std::string target;  // the fuzz target's name, e.g. "fuzz_pulse_tree"
  std::string name;    // file name within its corpus folder
  std::vector<uint8_t> bytes;
};

using SeedGenerator = std::function<void(std::vector<Seed>&)>;

// Every registered seed.
std::vector<Seed> AllSeeds();

struct SeedRegistration {
  explicit SeedRegistration(SeedGenerator generator);
};

}  // namespace kwt::test
