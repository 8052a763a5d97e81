// PatchMaster solution trees (.sol) as ReadSolutionTree reads them,
// followed by every lookup of the solutions.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_pm_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const kwt::MemorySource source(std::span<const uint8_t>(data, size));
  if (kwt::ReadSolutionTree(source)) kwt::fuzz::WalkSolutionTree();
  kwt::fuzz::FreeAll();
  return 0;
}
