// The workbench's command language: any text as a command line.  Commands
// that touch files are left out, so that the target only parses.
#include <cstdint>
#include <string>

#include "workbench/workbench.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 4096) return 0;
  std::string text(reinterpret_cast<const char*>(data), size);
  for (char& c : text)
    if (c == '\0') c = ' ';
  if (text.find("oadWave") != std::string::npos || text.find("OADWAVE") != std::string::npos ||
      text.find("oadwave") != std::string::npos)
    return 0;
  static const std::string prefs = "/tmp/kwt-fuzz-prefs.bin";
  kwt::Workbench wb(kwt::Workbench::Options{.prefsPath = prefs, .maxWaveBytes = 1 << 24});
  wb.Run("Make/O/N=4 w0 = {1,2,NaN,4}; Variable/G v = 2; String/G s = \"root:w0\"");
  wb.Run(text);
  return 0;
}
