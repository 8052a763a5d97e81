// Igor text files as LoadWave/T reads them.
#include <cstdint>
#include <string>

#include "workbench/language/itx_reader.h"
#include "workbench/workbench.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 1 << 16) return 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (text.find("oadWave") != std::string::npos) return 0;
  kwt::Workbench wb(kwt::Workbench::Options{.prefsPath = "/tmp/kwt-fuzz-prefs.bin", .maxWaveBytes = 1 << 24});
  kwt::LoadItx(wb.interpreter(), text, true);
  return 0;
}
