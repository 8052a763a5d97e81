// PatchMaster stimulus trees (.pgf) as the format probe and
// ReadStimulusTree read them, followed by every lookup the loaders make.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_pm_walk.h"
#include "patchmaster/pm_bundle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const kwt::MemorySource source(std::span<const uint8_t>(data, size));
  kwt::fuzz::gSink = static_cast<double>(kwt::ProbeStimulusTreeFormat(source));
  if (kwt::ReadStimulusTree(source)) kwt::fuzz::WalkStimulusTree();
  kwt::fuzz::FreeAll();
  return 0;
}
