// PatchMaster amplifier trees (.amp) as ReadAmplifierTree reads them,
// followed by every lookup of the amplifier states.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_pm_walk.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const kwt::MemorySource source(std::span<const uint8_t>(data, size));
  if (kwt::ReadAmplifierTree(source)) kwt::fuzz::WalkAmplifierTree();
  kwt::fuzz::FreeAll();
  return 0;
}
