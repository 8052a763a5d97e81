// LoadPulse and kwt info as a scientist runs them: the kwt program on
// recordings written by the test writer, with trees in both byte orders and
// samples in every format.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "pulse/pulse_records.h"
#include "tests/pulse/load_fixture.h"
#include "tests/testkit/process.h"
#include "tests/testkit/pulse_writer.h"
#include "tests/testkit/temp_dir.h"
#include "traces/trace_samples.h"

namespace kwt::test {
namespace {

// One series of four sweeps, one per sample format, the samples of every
// other sweep little-endian; -32768 as first sample throughout, factor 1e-12.
PulseRecording EveryFormat(ByteOrder trees) {
  PulseRecording rec;
  rec.pulOrder = rec.pgfOrder = trees;
  test::SetText(rec.root.versionName, "v9");
  rec.root.startTime = 500.0;
  auto& stim = rec.AddStimulation("IV");
  stim.record.sampleInterval = 5e-5;
  auto& group = rec.AddGroup("cell");
  auto& series = group.AddSeries();
  const int32_t formats[] = {kSampleInt16, kSampleInt32, kSampleReal32, kSampleReal64};
  for (int i = 0; i < 4; ++i) {
    auto& sweep = series.AddSweep({-32768, 10, 20});
    sweep.record.factor1 = 1e-12;
    sweep.record.sweepTime = 500.0 + i;
    test::SetSampleLayout(sweep.record, formats[i],
                          i % 2 == 0 ? ByteOrder::kBig : ByteOrder::kLittle);
  }
  return rec;
}

TEST(KwtLoadPulse, EveryFormatWithTreesInBothByteOrders) {
  for (ByteOrder trees : {ByteOrder::kBig, ByteOrder::kLittle}) {
    TempDir dir;
    const auto files = test::WritePulseRecording(EveryFormat(trees), dir.path() / "cell.dat");
    const auto r = RunKwt({"--prefs", dir.File("p.bin"), "--dump", dir.File("out"),
                           "LoadPulse/T \"" + files.data.string() + "\"",
                           "print Pulse_1_1_1[0], Pulse_1_1_2[1], Pulse_1_1_3[2], Pulse_1_1_4[0]"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr("Raw Data Pulse_1_1_4 loaded,     3 samples\n"));
    EXPECT_THAT(r.out, HasSubstr("  -3.2768e-08 1e-11 2e-11 -3.2768e-08\n"));

    const auto doc = nlohmann::json::parse(test::ReadFile(dir.File("out/session.json")));
    ASSERT_EQ(doc["waves"].size(), 4u);
    for (int i = 0; i < 4; ++i) {
      const auto& w = doc["waves"][i];
      EXPECT_EQ(w["path"], "root:Pulse_1_1_" + std::to_string(i + 1));
      EXPECT_EQ(w["x_start"], static_cast<double>(i));
      EXPECT_EQ(w["full_scale"][1], -32768 * 1e-12);
      EXPECT_THAT(w["note"].get<std::string>(), HasSubstr("\nVersion:   \tPulse v9;\n"));
    }
    EXPECT_EQ(doc["variables"]["root:kwtPulseTime"]["value"], 500.0);
    EXPECT_EQ(doc["variables"]["root:kwtLastPulseWave"]["value"], "Pulse_1_1_4");
    EXPECT_EQ(doc["variables"]["root:kwtSweeps"]["value"], 4);
  }
}

// A failure gives its code and text on standard error; a damaged sweep
// left out makes the run partial: exit 1 with the report on standard
// error, unless --allow-partial.
TEST(KwtLoadPulse, FailuresAndPartialRunsOnStandardError) {
  TempDir dir;
  PulseRecording rec = EveryFormat(ByteOrder::kBig);
  rec.groups[0].series[0].sweeps[1].record.factor1 = 0.0;
  const auto files = test::WritePulseRecording(rec, dir.path() / "cell.dat");
  const std::string load = "LoadPulse/Q \"" + files.data.string() + "\"";
  auto r = RunKwt({"-q", "--prefs", dir.File("p.bin"), load});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "kwt: damaged: LoadPulse: cell.dat: group 1, series 1, sweep 2 was left out: its "
            "factor 0 is no scale factor\n");
  r = RunKwt({"-q", "--allow-partial", "--prefs", dir.File("p.bin"), load});
  EXPECT_EQ(r.status, 0) << r.err;

  std::filesystem::remove(files.pul);
  r = RunKwt({"-q", "--prefs", dir.File("p.bin"), load});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "kwt: error 10032: Cannot open PUL file. Check, if this file exists; " +
                       files.pul.string() + ": No such file or directory\n");
}

// Two groups; the second sweep of the first series has a leak and a second
// trace; the second series' first sweep names a stimulation that is missing.
PulseRecording Described() {
  PulseRecording rec;
  test::SetText(rec.root.versionName, "v8.31");
  rec.root.startTime = 86400.0 + 3661.0;
  rec.AddStimulation("IV").AddSegment(kSegmentConstant, -0.07, 1e-3);
  auto& g1 = rec.AddGroup("cell 1");
  test::SetText(g1.record.text, "first cell");
  auto& s1 = g1.AddSeries();
  test::SetText(s1.record.comment, "steps");
  s1.AddSweep({1, 2}).record.sweepTime = 1.0;
  auto& w2 = s1.AddSweep({3, 4});
  w2.record.hasLeak = 1;
  w2.record.hasSecondTrace = 1;
  test::SetText(w2.record.label, "big");
  test::SetSampleLayout(w2.record, kSampleReal32, ByteOrder::kLittle);
  g1.AddSeries().AddSweep({5}).record.stimulation = 7;
  rec.AddGroup("empty");
  return rec;
}

TEST(KwtInfo, PulseRecordingAsSummaryAndInFull) {
  // The start time is shown in local time; kwt inherits the zone.
  test::ScopedTimeZone zone("UTC");
  TempDir dir;
  PulseRecording rec = Described();
  rec.groups[0].series[0].AddSweep({6, 7}).record.factor1 = 0.0;  // damaged
  const auto files = test::WritePulseRecording(rec, dir.path() / "cell.dat");
  const std::string head = "Pulse recording " + files.data.string() +
                           "\n"
                           "version v8.31, started Tue Jan 02 1990 01:01:01\n"
                           "2 groups, 2 series, 4 sweeps, 1 stimulation\n"
                           "group 1 \"cell 1\": 2 series\n"
                           "  series 1: 3 sweeps, stimulation \"IV\", Whole Cell, comment \"steps\"\n";
  const std::pair<const char*, std::string> runs[] = {
      {"", "    traces: first, leak, second\n"
           "    sampled every 0.0001 s (10 kHz), 2 points, 0.0002 s per sweep\n"
           "    damaged: sweep 3: its factor 0 is no scale factor\n"
           "  series 2: 1 sweep, stimulation, Whole Cell\n"
           "    traces: first\n"},
      {"--full", "    sweep 1: 2 points, int16 big-endian, first\n"
                 "    sweep 2 \"big\": 2 points, real32 little-endian, first, leak, second\n"
                 "    sweep 3: damaged: its factor 0 is no scale factor\n"
                 "  series 2: 1 sweep, stimulation, Whole Cell\n"
                 "    sweep 1: 1 point, int16 big-endian, first\n"}};
  for (const auto& [option, body] : runs) {
    std::vector<std::string> args = {"info", files.data.string()};
    if (*option != '\0') args.insert(args.begin() + 1, option);
    const auto r = RunKwt(args, "");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, head + body + "group 2 \"empty\": 0 series\n") << option;
  }
}

TEST(KwtInfo, PulseRecordingAsJson) {
  TempDir dir;
  PulseRecording rec = Described();
  rec.pulOrder = ByteOrder::kLittle;
  const auto files = test::WritePulseRecording(rec, dir.path() / "cell.dat");
  const auto r = RunKwt({"info", files.data.string(), "--json"});
  ASSERT_EQ(r.status, 0) << r.err;
  const auto doc = nlohmann::json::parse(r.out);
  EXPECT_EQ(doc["format"], "Pulse");
  EXPECT_EQ(doc["tree_byte_order"], "little");
  EXPECT_EQ(doc["counts"], nlohmann::json::parse(
                               R"({"groups": 2, "series": 2, "sweeps": 3, "stimulations": 1})"));
  const auto& series = doc["groups"][0]["series"];
  EXPECT_EQ(series[1]["stimulation"], "") << "its stimulation is missing";
  EXPECT_EQ(series[0]["sweeps"][1]["traces"], nlohmann::json::array({"first", "leak", "second"}));
  EXPECT_EQ(series[0]["sweeps"][1]["x_interval"], 1e-4);
  EXPECT_EQ(series[0]["sweeps"][1]["damaged"], false);
  EXPECT_EQ(doc["damage"], nlohmann::json::array());
}

TEST(KwtInfo, DamagedPulseTreesAreReportedAsSuch) {
  TempDir dir;
  const auto files = test::WritePulseRecording(Described(), dir.path() / "cell.dat");
  // The header stays (so the file is a Pulse tree), the records are cut.
  std::filesystem::resize_file(files.pul, 100);
  const auto r = RunKwt({"info", files.data.string()});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("the Pulse trees"));
  EXPECT_THAT(r.err, HasSubstr("cannot be read"));
  EXPECT_EQ(r.out, "");

  test::WriteFileBytes(dir.path() / "other.dat", {1, 2, 3});
  EXPECT_EQ(RunKwt({"info", dir.File("other.dat")}).status, 1);
}

}  // namespace
}  // namespace kwt::test
