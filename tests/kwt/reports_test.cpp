// What kwt tells its user when a command did not do what was asked: alerts,
// loads that made nothing, samples a recording did not hold, and the reason
// of every failure, on standard error and in the exit status.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "tests/testkit/pm_writer.h"
#include "tests/testkit/process.h"
#include "tests/testkit/pulse_writer.h"
#include "tests/testkit/temp_dir.h"

namespace kwt {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using test::RunKwt;
using test::TempDir;

// One group of two series (three sweeps of two traces, one sweep of one).
test::PmRecording Bundle() {
  test::PmRecording rec;
  rec.AddStimulation("IV").AddChannel(1).AddSegment(kPmSegmentConstant, -0.07, 0.01);
  test::PmGroup& group = rec.AddGroup("cell");
  test::PmSeries& first = group.AddSeries();
  for (int w = 0; w < 3; ++w) {
    test::PmSweep& sweep = first.AddSweep();
    sweep.AddTrace("Imon", std::vector<double>(100, 7));
    sweep.AddTrace("Vmon", std::vector<double>(100, -3));
  }
  group.AddSeries().AddSweep().AddTrace("Imon", std::vector<double>(100, 1));
  return rec;
}

std::string Quoted(const std::filesystem::path& path) { return "\"" + path.string() + "\""; }

class KwtReports : public ::testing::Test {
 protected:
  void SetUp() override { bundle_ = test::WritePmBundle(Bundle(), dir_.path() / "cell.dat").data; }

  test::ProcessResult Kwt(std::vector<std::string> args) {
    args.insert(args.begin(), {"-q", "--prefs", dir_.File("p.bin")});
    return RunKwt(args);
  }

  TempDir dir_;
  std::filesystem::path bundle_;
};

TEST_F(KwtReports, AlertsReachTheTerminalAndErrorsFailTheRun) {
  const auto r = Kwt({"--dump", dir_.File("out"),
                      "LoadPM/N=averyveryverylongbasenamefor/A=1/B=2 " + Quoted(bundle_)});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("kwt: KWT Error: The wavename \"averyveryverylongbasenamefor_1_2_1_1"
                               "_Imon\" excceeds the Igor wavename lenght\n"));
  // The operation itself succeeded, as the host sees it.
  const auto doc = nlohmann::json::parse(test::ReadFile(dir_.File("out/session.json")));
  EXPECT_EQ(doc["results"][0]["code"], 0);
}

TEST_F(KwtReports, ALoadThatMakesNothingSaysWhy) {
  const std::string file = " " + Quoted(bundle_);
  const struct {
    std::vector<std::string> commands;
    std::string says;
  } cases[] = {
      {{"LoadPM/A=1/B=7" + file}, "series 7 was asked for, but group 1 has 2 series"},
      {{"LoadPM/A=2" + file}, "group 2 was asked for, but the recording has 1 group"},
      {{"LoadPM/A=1/B=1/C=99" + file}, "sweep 99 was asked for, but series 1 of group 1 has 3 sweeps"},
      {{"LoadPM/A=1/B=2/C=1/D=3" + file},
       "trace 3 was asked for, but sweep 1 of series 2 of group 1 has 1 trace"},
      {{"LoadPM/A=1/B=1/J=ramp" + file}, "/J or /K passed over every sweep of the selection"},
      {{"LoadPM/A=1/B=2" + file, "LoadPM/A=1/B=2" + file},
       "its wave exists already (the first is PMPulse_1_2_1_1_Imon); /O would replace them"},
  };
  for (const auto& c : cases) {
    const auto r = Kwt(c.commands);
    EXPECT_EQ(r.status, 1) << c.commands.back();
    EXPECT_THAT(r.err, HasSubstr("kwt: LoadPM: nothing was loaded: " + c.says + "\n"));
  }
  // Replacing with /O is a load like any other.
  EXPECT_EQ(Kwt({"LoadPM/A=1/B=2" + file, "LoadPM/O/A=1/B=2" + file}).status, 0);

  // The same for the other loaders.
  test::PulseRecording pulse;
  pulse.AddStimulation("IV").AddSegment(kSegmentConstant, -0.07, 1e-3);
  pulse.AddGroup().AddSeries().AddSweep({1, 2, 3});
  const auto files = test::WritePulseRecording(pulse, dir_.path() / "pulse.dat");
  const auto r = Kwt({"LoadPulse/A=4 " + Quoted(files.data)});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "kwt: LoadPulse: nothing was loaded: group 4 was asked for, but the "
                   "recording has 1 group\n");
}

TEST_F(KwtReports, MissingSamplesAreSummedAndOnlyAllowedOnRequest) {
  // The data file ends 150 int16 samples early: series 2 loses all 100 of
  // its samples, the last trace of series 1 its last 50.
  const auto siblings = test::WritePmSiblings(Bundle(), dir_.path() / "cut.dat");
  std::filesystem::resize_file(siblings.data, std::filesystem::file_size(siblings.data) - 300);
  const std::string says = "kwt: 150 of 200 samples of 2 waves were not in the recording (first: "
                           "PMPulse_1_1_3_2_Vmon)";
  auto r = Kwt({"LoadPM/A=1 " + Quoted(siblings.data)});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr(says + "; --allow-partial accepts this\n"));
  // A quiet load loses nothing silently either; --allow-partial accepts the
  // loss and still tells it.
  r = Kwt({"--allow-partial", "LoadPM/Q/A=1 " + Quoted(siblings.data)});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, says + "\n");
}

TEST_F(KwtReports, FailuresSayWhichCheckFailed) {
  // A bundle whose stimulus tree is cut: the host's text, then the reader's
  // own diagnosis on the same line.
  std::vector<uint8_t> bytes = test::PmBundleBytes(Bundle());
  const auto stimulus = test::StimulusTreeBytes(Bundle());
  // The stimulus tree is item 2; its length in the item table is halved.
  const size_t entry = test::BundleItemEntryOffset(2);
  const uint32_t length = static_cast<uint32_t>(stimulus.size() / 2);
  for (int b = 0; b < 4; ++b) bytes[entry + 4 + b] = static_cast<uint8_t>(length >> (8 * b));
  test::WriteFileBytes(dir_.path() / "cut.dat", bytes);
  auto r = Kwt({"LoadPM " + Quoted(dir_.path() / "cut.dat")});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("kwt: error 10031: Cannot open PGF file. Check, if this file exists; "
                               "the stimulus tree: the root record claims 1 child at byte "));
  EXPECT_THAT(r.err, HasSubstr("bytes behind it can hold\n"));

  r = Kwt({"LoadPulse " + Quoted(bundle_)});
  EXPECT_THAT(r.err, HasSubstr("this is a PatchMaster bundle: use LoadPM"));

  r = Kwt({"LoadPM/Y " + Quoted(bundle_)});
  EXPECT_THAT(r.err, HasSubstr("kwt: error 9: unknown flag; unknown flag /Y (the flags here are /A"));

  r = Kwt({"LoadPM/A=1/B=1 " + Quoted(bundle_), "AutoStats/N=m 'PMPulse_1_1_1_1_Vmon-1'"});
  EXPECT_THAT(r.err, HasSubstr("no wave named 'PMPulse_1_1_1_1_Vmon-1'"));

  // A failure without a text of its own always says what went wrong.
  r = Kwt({"LoadPM/N= " + Quoted(bundle_)});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("kwt: error -1: the operation failed; "));
  EXPECT_THAT(r.err, Not(HasSubstr("the operation failed\n")));
}

TEST_F(KwtReports, QuietKeepsWhatPrintPrints) {
  const auto r = Kwt({"Variable v = 6", "print v * 7, \"done\""});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "42 done\n");
}

}  // namespace
}  // namespace kwt
