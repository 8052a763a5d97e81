// Seeds for the wave utilities: one byte for the operation, then its
// parameters as typed after the operation's name.
#include "tests/testkit/seeds.h"

namespace {

const kwt::test::SeedRegistration kWaveUtils([](std::vector<kwt::test::Seed>& seeds) {
  struct Line {
    char operation;  // 0 AutoStats, 1 PlotWaves, 2 SlimWaves
    const char* params;
  };
  const Line lines[] = {
      {0, "/M w0,w1,w2"},
      {0, "/G/T/A/S/N=m/X=xw w0,w2"},
      {0, "/W $s"},
      {0, "/W $q"},
      {1, "/G/C/B/Z=0 w0,w1,w2,root:'my data':'w 1'"},
      {1, "/G/O/I/L=-1/U=1 w0,w1"},
      {1, "/T/X=xw $s"},
      {2, "/U=2.5 w0,w1"},
      {2, "/A=3/N=avg root:'my data':'w 1'"},
      {2, "/R=ref w0,w2"},
      {2, "/R=root:'my data':'w 1' w0"},
  };
  int i = 0;
  for (const Line& line : lines) {
    std::vector<uint8_t> bytes{static_cast<uint8_t>(line.operation)};
    for (const char* p = line.params; *p != '\0'; ++p) bytes.push_back(static_cast<uint8_t>(*p));
    seeds.push_back({"fuzz_waveutils", "params" + std::to_string(i++), bytes});
  }
});

}  // namespace
