// Seeds for the calculator dialogs: stored records of each layout and
// field texts that compute.
#include <cstring>
#include <string>
#include <vector>

#include "tests/testkit/seeds.h"

namespace {

std::vector<uint8_t> Input(uint8_t calculator, const std::vector<uint8_t>& record,
                           const std::vector<std::string>& texts) {
  std::vector<uint8_t> in = {calculator, static_cast<uint8_t>(record.size() & 0xFF),
                             static_cast<uint8_t>(record.size() >> 8)};
  for (uint8_t b : record) in.push_back(b);
  for (size_t i = 0; i < texts.size(); ++i) {
    if (i > 0) in.push_back(0x01);
    for (char c : texts[i]) in.push_back(static_cast<uint8_t>(c));
  }
  return in;
}

// A zero-filled record with its version and calculator words.
std::vector<uint8_t> Record(size_t size, uint16_t version, size_t at, uint16_t calculator) {
  std::vector<uint8_t> r(size, 0);
  r[0] = static_cast<uint8_t>(version);
  r[at] = static_cast<uint8_t>(calculator);
  return r;
}

void PutDouble(std::vector<uint8_t>& r, size_t at, double v) { std::memcpy(&r[at], &v, 8); }

const kwt::test::SeedRegistration kCalculators([](std::vector<kwt::test::Seed>& seeds) {
  const std::string target = "fuzz_calculators";
  // Buffer capacity: the edit fields in order are total ion, free ion,
  // total buffer, free buffer, Kd.
  std::vector<uint8_t> buffer = Record(2328, 8, 1858, 1);
  PutDouble(buffer, 1868, 1e-3);
  seeds.push_back({target, "buffer", Input(1, buffer, {"1m", "", "10m", "", "1\xB5"})});
  seeds.push_back({target, "buffer-old-micro", Input(1, {}, {"1m", "", "10m", "", "  1.00 \xBA"})});
  // Free Ca/Mg: six totals, Mg, Ca, convergence, iterations, pH, correction.
  std::vector<uint8_t> freeCa = Record(3352, 10, 2760, 2);
  freeCa[2762] = 3;  // EGTA in row 1
  PutDouble(freeCa, 2786, 10e-3);
  seeds.push_back({target, "freeca", Input(0, freeCa, {"10m", "", "", "", "", "", "2m", "1m", "0.1", "1000", "7.2", "0"})});
  // Patcher: three parameters.
  seeds.push_back({target, "patcher", Input(2, {}, {"10", "", ""})});
  // Junction potential: a stored record with K, Cl, Na rows.
  std::vector<uint8_t> ljp = Record(2328, 8, 1926, 4);
  const uint8_t items[] = {4, 5, 3};  // K, Cl, Na
  const double pip[] = {150, 150, 0}, bath[] = {0, 150, 150}, z[] = {1, -1, 1}, u[] = {1, 1.0382, 0.682};
  for (int r = 0; r < 3; ++r) {
    ljp[1928 + 4 * r] = items[r];
    PutDouble(ljp, 1960 + 8 * r, pip[r]);
    PutDouble(ljp, 2040 + 8 * r, bath[r]);
    PutDouble(ljp, 2120 + 8 * r, z[r]);
    PutDouble(ljp, 2200 + 8 * r, u[r]);
    ljp[2280 + 4 * r] = 1;
  }
  PutDouble(ljp, 2320, 20.0);
  seeds.push_back({target, "ljp", Input(3, ljp, {})});
});

}  // namespace
