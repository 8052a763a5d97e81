// PatchMaster pulsed trees (.pul) as ReadPulsedTree reads them, followed by
// every lookup the loaders make.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_pm_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const kwt::MemorySource source(std::span<const uint8_t>(data, size));
  if (kwt::ReadPulsedTree(source)) kwt::fuzz::WalkPulsedTree();
  kwt::fuzz::FreeAll();
  return 0;
}
