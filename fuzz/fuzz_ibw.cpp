// Binary wave files as LoadWave reads them.
#include <cstdint>
#include <span>

#include "support/byte_reader.h"
#include "workbench/host/ibw_reader.h"
#include "workbench/workbench.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  kwt::Workbench wb(kwt::Workbench::Options{.prefsPath = "/tmp/kwt-fuzz-prefs.bin", .maxWaveBytes = 1 << 24});
  const kwt::MemorySource file(std::span<const uint8_t>(data, size));
  kwt::LoadIbw(wb, wb.host(), file, true);
  return 0;
}
