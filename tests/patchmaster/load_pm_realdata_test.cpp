// The real recordings beside the project (KWT_REALDATA_DIR): three bundles
// whose .json files hold what an independent reader of the format found.
// LoadPM makes one wave per trace with the same values, x interval, x
// start and units as that reader found.
// Skipped when the folder is not there.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "tests/patchmaster/loadpm_fixture.h"

namespace kwt::test {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class RealPmRecordings : public test::LoadPmTest, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    data_ = fs::path(KWT_REALDATA_DIR) / GetParam();
    std::error_code ec;
    if (!fs::exists(data_, ec)) GTEST_SKIP() << "no " << data_;
  }
  json Reference() const { return json::parse(test::ReadFile(data_.string() + ".json")); }
  fs::path data_;
};

TEST_P(RealPmRecordings, EveryTraceAsTheIndependentReaderSawIt) {
  const json expected = Reference();
  ASSERT_EQ(Load("/O", data_.string()), 0);
  const json& traces = expected.at("traces");
  ASSERT_EQ(traces.size(), expected.at("counts").at("traces").get<size_t>());
  EXPECT_EQ(wb_.root().waves.size(), traces.size()) << "one wave per trace, nothing else";
  EXPECT_EQ(Number("kwtTraces"), static_cast<double>(traces.size()));
  for (const json& t : traces) {
    std::string name = "PMPulse";
    for (const char* level : {"g", "s", "w", "t"}) name += "_" + std::to_string(t.at(level).get<int>());
    name += "_" + t.at("label").get<std::string>();
    SCOPED_TRACE(name);
    const HostWave* w = Wave(name);
    ASSERT_NE(w, nullptr);
    const int64_t n = t.at("points").get<int64_t>();
    ASSERT_EQ(w->points, n);
    EXPECT_EQ(w->dims[0].delta, t.at("x_interval").get<double>());
    // The reference reader puts every trace at 0; the files hold the
    // channel's sampling delay as the x start (0, 5 or 10 us), which the
    // wave keeps.
    ASSERT_EQ(t.at("x_start").get<double>(), 0.0);
    EXPECT_GE(w->dims[0].offset, 0.0);
    EXPECT_LT(w->dims[0].offset, w->dims[0].delta);
    EXPECT_EQ(w->dims[0].units, "s");
    EXPECT_EQ(w->dataUnits, t.at("y_unit").get<std::string>());
    const json& first = t.at("first");
    const json& last = t.at("last");
    for (size_t i = 0; i < first.size(); ++i)
      EXPECT_FLOAT_EQ(w->Value(static_cast<int64_t>(i)), first[i].get<double>()) << "first " << i;
    for (size_t i = 0; i < last.size(); ++i)
      EXPECT_FLOAT_EQ(w->Value(n - static_cast<int64_t>(last.size() - i)), last[i].get<double>())
          << "last " << i;
    double lo = INFINITY, hi = -INFINITY, sum = 0.0;
    for (int64_t i = 0; i < n; ++i) {
      const double v = w->Value(i);
      lo = std::min(lo, v);
      hi = std::max(hi, v);
      sum += v;
    }
    EXPECT_FLOAT_EQ(lo, t.at("min").get<double>());
    EXPECT_FLOAT_EQ(hi, t.at("max").get<double>());
    const double s = t.at("sum").get<double>();
    EXPECT_NEAR(sum, s, std::abs(s) * 1e-5 + 1e-9);
  }
}

// The recordings are current clamp (C-Clamp, amplifier in its current-clamp
// mode with gain index 1): the 2 ms steps that their channel stores as 2.0
// are 2 nA from a holding current of 15 pA, as the voltage responses of the
// stimulated cell demand (an electrode drop of tens of mV through its
// 32 MOhm series resistance, a plateau near +74 mV during 60 ms).
TEST_P(RealPmRecordings, CurrentClampStimulusInAmperes) {
  ASSERT_EQ(Load("/I/A=1/B=1/C=1/D=1", data_.string()), 0);
  // The one wave beside the trace's; its DA name differs between files.
  ASSERT_EQ(wb_.root().waves.size(), 2u);
  const HostWave* stim = wb_.root().waves[1].get();
  EXPECT_EQ(stim->name.rfind("PMPulse_1_1_1_1_", 0), 0u) << stim->name;
  EXPECT_EQ(stim->dataUnits, "A");
  EXPECT_FLOAT_EQ(stim->Value(0), 1.5e-11f) << "the amplifier's holding current";
  EXPECT_FLOAT_EQ(stim->Value(5000), 2e-9f) << "the step at 200 ms";
  EXPECT_FLOAT_EQ(stim->Value(5049), 2e-9f);
  EXPECT_FLOAT_EQ(stim->Value(5050), 1.5e-11f);
  const std::string note = Wave("PMPulse_1_1_1_1_Vmon-1")->note;
  EXPECT_NE(note.find("V2:\t\t\t2000 pA;\r"), std::string::npos) << note;
}

INSTANTIATE_TEST_SUITE_P(Files, RealPmRecordings,
                         ::testing::Values("190604s1c2r1.dat", "190604s1c3r1.dat",
                                           "190604s1c6r1.dat"));

}  // namespace
}  // namespace kwt::test
