// Whole loads of PatchMaster bundles: LoadPM, run in a workbench, on one
// bundle file taken from the input.
//
// Input layout: byte 0 chooses the flags (below); the rest is the bundle.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/testkit/pulse_writer.h"
#include "workbench/workbench.h"

namespace {

// Waves above this size are refused by the host, as a host short of memory
// would; the sizes come straight from the records.
constexpr uint64_t kMaxWaveBytes = 8u << 20;

const std::filesystem::path& Folder() {
  static const std::filesystem::path folder = [] {
    char name[] = "/tmp/kwt-fuzz-pm-XXXXXX";
    const char* made = mkdtemp(name);
    std::filesystem::path path = made != nullptr ? made : "/tmp";
    std::atexit([] { std::filesystem::remove_all(Folder()); });
    return path;
  }();
  return folder;
}

// One flag per bit of the choice; bit 7 selects group 1, series 1 instead
// of the whole file.
std::string Flags(uint8_t choice) {
  static const char* const kFlags[] = {"/G", "/I", "/T", "/Z", "/P", "/Q", "/H=10/V=0.01"};
  std::string flags = "/O";
  for (int bit = 0; bit < 7; ++bit)
    if (choice & (1u << bit)) flags += kFlags[bit];
  if (choice & 0x80) flags += "/A=1/B=1/R=2";
  return flags;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const std::filesystem::path& dir = Folder();
  kwt::test::WriteFileBytes(dir / "cell.dat", std::vector<uint8_t>(data + 1, data + size));

  kwt::Workbench::Options options;
  options.prefsPath = (dir / "prefs.bin").string();
  options.maxWaveBytes = kMaxWaveBytes;
  kwt::Workbench wb(options);
  wb.Run("LoadPM" + Flags(data[0]) + " \"" + (dir / "cell.dat").string() + "\"");
  return 0;
}
