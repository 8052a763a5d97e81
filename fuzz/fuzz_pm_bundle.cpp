// PatchMaster bundles as DetectDataFileKind and the four bundle tree
// readers take them, followed by every lookup and relation the loaders use.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_pm_walk.h"
#include "patchmaster/pm_bundle.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const kwt::MemorySource source(std::span<const uint8_t>(data, size));
  kwt::DataFileKind kind = 0;
  kwt::BundleItemMask mask = 0;
  if (kwt::DetectDataFileKind(source, &kind, &mask) == 0) {
    const kwt::BundleHeader& header = kwt::CurrentBundleHeader();
    kwt::fuzz::gSink = kind + mask + header.time + kwt::FieldText(header.versionText).size();
  }
  kwt::ReadStimulusTreeFromBundle(source);
  kwt::ReadPulsedTreeFromBundle(source);
  kwt::ReadAmplifierTreeFromBundle(source);
  kwt::ReadSolutionTreeFromBundle(source);
  kwt::fuzz::WalkPulsedTree();
  kwt::fuzz::WalkStimulusTree();
  kwt::fuzz::WalkAmplifierTree();
  kwt::fuzz::WalkSolutionTree();
  kwt::fuzz::FreeAll();
  return 0;
}
