// Whole loads of Pulse recordings: LoadPulse, run in a workbench, on a
// stimulus tree, an acquisition tree and a data file taken from one input.
//
// Input layout: byte 0 chooses the flags (below); bytes 1-4 and 5-8 are the
// lengths (little-endian) of the .pgf and the .pul file that follow; the
// rest is the data file.  Lengths beyond the input are cut to what is there.
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
    char name[] = "/tmp/kwt-fuzz-load-XXXXXX";
    const char* made = mkdtemp(name);
    std::filesystem::path path = made != nullptr ? made : "/tmp";
    std::atexit([] { std::filesystem::remove_all(Folder()); });
    return path;
  }();
  return folder;
}

uint32_t Length(const uint8_t* data, size_t size, size_t at) {
  uint32_t value = 0;
  for (size_t i = 0; i < 4; ++i)
    if (at + i < size) value |= static_cast<uint32_t>(data[at + i]) << (8 * i);
  return value;
}

// One flag per bit of the choice; bit 7 selects group 1, series 1 instead
// of the whole file.
std::string Flags(uint8_t choice) {
  static const char* const kFlags[] = {"/L", "/S", "/G", "/F", "/I", "/T", "/P"};
  std::string flags = "/O";
  for (int bit = 0; bit < 7; ++bit)
    if (choice & (1u << bit)) flags += kFlags[bit];
  if (choice & 0x80) flags += "/A=1/B=1/R=2";
  return flags;
}

std::vector<uint8_t> Part(const uint8_t* data, size_t size, size_t* at, size_t length) {
  const size_t take = std::min(length, size - *at);
  std::vector<uint8_t> part(data + *at, data + *at + take);
  *at += take;
  return part;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 9) return 0;
  size_t at = 9;
  const std::vector<uint8_t> pgf = Part(data, size, &at, Length(data, size, 1));
  const std::vector<uint8_t> pul = Part(data, size, &at, Length(data, size, 5));
  const std::vector<uint8_t> dat = Part(data, size, &at, size - at);
  const std::filesystem::path& dir = Folder();
  kwt::test::WriteFileBytes(dir / "cell.pgf", pgf);
  kwt::test::WriteFileBytes(dir / "cell.pul", pul);
  kwt::test::WriteFileBytes(dir / "cell.dat", dat);

  kwt::Workbench::Options options;
  options.prefsPath = (dir / "prefs.bin").string();
  options.maxWaveBytes = kMaxWaveBytes;
  kwt::Workbench wb(options);
  wb.Run("LoadPulse" + Flags(data[0]) + " \"" + (dir / "cell.dat").string() + "\"");
  return 0;
}
