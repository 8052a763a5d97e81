// The real recordings beside the project (KWT_REALDATA_DIR): three bundles
// whose .json files hold what an independent reader of the format found.
// The trees must give the same counts and, trace by trace, the same labels,
// points, intervals, units, scalers and sample positions.  Skipped when the
// folder is not there.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "patchmaster/pm_relations.h"
#include "tests/patchmaster/pm_fixture.h"
#include "tests/testkit/temp_dir.h"
#include "workbench/workbench.h"

namespace kwt {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

const char* const kRecordings[] = {"190604s1c2r1.dat", "190604s1c3r1.dat", "190604s1c6r1.dat"};

// The scaled samples of a trace as 32-bit floats, gathered from the file by
// the trace's offset, points, format, byte order and interleave fields
// (plain loads, apart from the module's trace loading).
std::vector<float> ScaledSamples(const FileSource& file, const PmTraceRecord& t) {
  const size_t width = t.trDataFormat == 0 ? 2 : t.trDataFormat == 3 ? 8 : 4;
  const uint64_t total = static_cast<uint64_t>(t.trDataPoints) * width;
  const uint64_t block = t.trInterleaveSize > 0 ? static_cast<uint64_t>(t.trInterleaveSize) : total;
  std::vector<uint8_t> raw;
  uint64_t at = static_cast<uint64_t>(t.trDataOffset);
  while (raw.size() < total) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(block, total - raw.size()));
    std::vector<uint8_t> piece(n);
    if (file.ReadAt(at, piece) != n) return {};
    raw.insert(raw.end(), piece.begin(), piece.end());
    at += static_cast<uint64_t>(t.trInterleaveSkip);
    if (t.trInterleaveSize <= 0) break;
  }
  const ByteOrder order = TraceSampleOrder(t);
  std::vector<float> values;
  for (size_t i = 0; i < static_cast<size_t>(t.trDataPoints); ++i) {
    double stored = 0;
    switch (t.trDataFormat) {
      case 0: stored = LoadI16(raw, i * 2, order); break;
      case 1: stored = LoadI32(raw, i * 4, order); break;
      case 2: stored = LoadF32(raw, i * 4, order); break;
      default: stored = LoadF64(raw, i * 8, order); break;
    }
    values.push_back(static_cast<float>(stored * t.trDataScaler));
  }
  return values;
}

class RealRecordings : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    dir_ = KWT_REALDATA_DIR;
    std::error_code ec;
    if (!fs::is_directory(dir_, ec)) GTEST_SKIP() << "no real recordings at " << dir_;
  }
  void TearDown() override { test::FreeAllTrees(); }

  fs::path dir_;
};

TEST_P(RealRecordings, TreesMatchTheIndependentReader) {
  const fs::path data = dir_ / GetParam();
  const fs::path reference = dir_ / (std::string(GetParam()) + ".json");
  if (!fs::exists(data) || !fs::exists(reference)) GTEST_SKIP() << "missing " << data;
  const json expected = json::parse(test::ReadFile(reference.string()));

  Workbench bench;
  DataFileKind kind = 0;
  BundleItemMask mask = 0;
  ASSERT_EQ(DetectDataFileKind(data.string(), &kind, &mask, false), 0);
  EXPECT_EQ(kind, kDataFileBundle);
  // Items 0 to 4 (data and the four trees) are present.
  EXPECT_EQ(mask & 0x1F, 0x1Fu);
  EXPECT_EQ(CurrentBundleHeader().littleEndianFlag, 1);

  ASSERT_TRUE(ReadStimulusTree(data.string()));
  ASSERT_TRUE(ReadPulsedTree(data.string()));
  ASSERT_TRUE(ReadAmplifierTree(data.string()));
  ASSERT_TRUE(ReadSolutionTree(data.string()));
  EXPECT_TRUE(bench.interaction().events().empty());

  const PmPulsedRoot* root = GetPulsedRoot();
  ASSERT_NE(root, nullptr);
  const json& counts = expected["counts"];
  EXPECT_EQ(root->groupCount, counts["groups"].get<int>());
  EXPECT_EQ(root->seriesCount, counts["series"].get<int>());
  EXPECT_EQ(root->sweepCount, counts["sweeps"].get<int>());
  EXPECT_EQ(root->traceCount, counts["traces"].get<int>());
  EXPECT_EQ(std::string(FieldText(root->roVersionName)).substr(0, 7), "v2x90.5");

  const FileSource file(data.string());
  ASSERT_TRUE(file.is_open());
  size_t checked = 0;
  for (const json& t : expected["traces"]) {
    const int g = t["g"], s = t["s"], w = t["w"], n = t["t"];
    SCOPED_TRACE(::testing::Message() << g << "_" << s << "_" << w << "_" << n);
    const PmTraceEntry* trace = LookUpPmTrace(g, s, w, n);
    ASSERT_NE(trace, nullptr);
    EXPECT_EQ(FieldText(trace->trLabel), t["label"].get<std::string>());
    EXPECT_EQ(trace->trDataPoints, t["points"].get<int>());
    EXPECT_EQ(trace->trXInterval, t["x_interval"].get<double>());
    // The reference reader gives every trace an x start of 0; the files
    // store the channel's sampling delay there (0, 5 or 10 us), always
    // less than one sample interval.
    EXPECT_EQ(t["x_start"].get<double>(), 0.0);
    EXPECT_GE(trace->trXStart, 0.0);
    EXPECT_LT(trace->trXStart, trace->trXInterval);
    EXPECT_EQ(FieldText(trace->trYUnit), t["y_unit"].get<std::string>());
    EXPECT_EQ(trace->trDataScaler, t["data_scaler"].get<double>());
    EXPECT_EQ(trace->trZeroData, t["zero_data"].get<double>());
    EXPECT_EQ(trace->trDataFormat, t["data_format"].get<int>());

    // The samples where the trace points: first and last five, extremes
    // and sum of the scaled values.
    const std::vector<float> values = ScaledSamples(file, *trace);
    ASSERT_EQ(values.size(), static_cast<size_t>(trace->trDataPoints));
    ASSERT_GE(values.size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
      EXPECT_EQ(values[i], t["first"][i].get<float>());
      EXPECT_EQ(values[values.size() - 5 + i], t["last"][i].get<float>());
    }
    float low = std::numeric_limits<float>::max();
    float high = std::numeric_limits<float>::lowest();
    double sum = 0;
    for (float v : values) {
      low = std::min(low, v);
      high = std::max(high, v);
      sum += v;
    }
    EXPECT_EQ(low, t["min"].get<float>());
    EXPECT_EQ(high, t["max"].get<float>());
    EXPECT_NEAR(sum, t["sum"].get<double>(), 1e-6 * std::fabs(t["sum"].get<double>()));
    ++checked;
  }
  EXPECT_EQ(checked, static_cast<size_t>(root->traceCount));

  // Every sweep names a stimulation of the stimulus tree, and every trace
  // finds its amplifier settings.
  for (int g = 1; g <= root->groupCount; ++g)
    for (int s = 1; s <= FindPmGroup(g)->childCount; ++s)
      for (int w = 1; w <= FindPmSeries(g, s)->childCount; ++w) {
        const PmSweepEntry* sweep = FindPmSweep(g, s, w);
        EXPECT_NE(StimulationOfSweep(*sweep), nullptr) << g << s << w;
        for (int n = 1; n <= sweep->childCount; ++n)
          EXPECT_NE(AmplifierSettingsOfTrace(g, s, w, n).amplifierState, nullptr);
      }
}

INSTANTIATE_TEST_SUITE_P(Files, RealRecordings, ::testing::ValuesIn(kRecordings));

}  // namespace
}  // namespace kwt
