// What kwt tells its user when a command did not do what was asked: alerts,
// loads that made nothing, samples a recording did not hold, and the reason
// of every failure, on standard error and in the exit status.
#include "tests/kwt/kwt_fixture.h"
#include "tests/testkit/pm_writer.h"
#include "tests/testkit/pulse_writer.h"

namespace kwt::test {
namespace {

// One group of two series (three sweeps of two traces, one sweep of one).
PmRecording Bundle() {
  PmRecording rec;
  rec.AddStimulation("IV").AddChannel(1).AddSegment(kPmSegmentConstant, -0.07, 0.01);
  PmGroup& group = rec.AddGroup("cell");
  PmSeries& first = group.AddSeries();
  for (int w = 0; w < 3; ++w) {
    PmSweep& sweep = first.AddSweep();
    sweep.AddTrace("Imon", std::vector<double>(100, 7));
    sweep.AddTrace("Vmon", std::vector<double>(100, -3));
  }
  group.AddSeries().AddSweep().AddTrace("Imon", std::vector<double>(100, 1));
  return rec;
}

class KwtReports : public KwtTest {
 protected:
  void SetUp() override { bundle_ = " " + Quoted(WritePmBundle(Bundle(), dir_.path() / "cell.dat").data); }
  // kwt -q with `commands`.
  static std::vector<std::string> Quiet(std::vector<std::string> commands) {
    commands.insert(commands.begin(), "-q");
    return commands;
  }
  std::string bundle_;  // " \"path\"", to end a load command
};

TEST_F(KwtReports, AlertsReachTheTerminalAndFailTheRun) {
  const auto r = RunKwt(Quiet({"--dump", dir_.File("out"),
                               "LoadPM/N=averyveryverylongbasenamefor/A=1/B=2" + bundle_}));
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("kwt: KWT Error: The wavename \"averyveryverylongbasenamefor_1_2_1_1"
                               "_Imon\" excceeds the Igor wavename lenght\n"));
  // The operation itself succeeded, as the host sees it.
  EXPECT_EQ(Session(dir_.File("out"))["results"][0]["code"], 0);
}

TEST_F(KwtReports, ALoadThatMakesNothingSaysWhy) {
  PulseRecording pulse;
  pulse.AddStimulation("IV").AddSegment(kSegmentConstant, -0.07, 1e-3);
  pulse.AddGroup().AddSeries().AddSweep({1, 2, 3});
  const std::string pulseFile = Quoted(WritePulseRecording(pulse, dir_.path() / "pulse.dat").data);
  // A quiet run of `commands` that fails because nothing was loaded.
  const auto nothing = [](std::vector<std::string> commands, const std::string& says) {
    return KwtCase{Quiet(std::move(commands)), 1, Eq(""), HasSubstr("kwt: LoadPM: nothing was loaded: " + says + "\n")};
  };
  ExpectRuns({
      nothing({"LoadPM/A=1/B=7" + bundle_}, "series 7 was asked for, but group 1 has 2 series"),
      nothing({"LoadPM/A=2" + bundle_}, "group 2 was asked for, but the recording has 1 group"),
      nothing({"LoadPM/A=1/B=1/C=99" + bundle_}, "sweep 99 was asked for, but series 1 of group 1 has 3 sweeps"),
      nothing({"LoadPM/A=1/B=2/C=1/D=3" + bundle_},
              "trace 3 was asked for, but sweep 1 of series 2 of group 1 has 1 trace"),
      nothing({"LoadPM/A=1/B=1/J=ramp" + bundle_}, "/J or /K passed over every sweep of the selection"),
      nothing({"LoadPM/A=1/B=2" + bundle_, "LoadPM/A=1/B=2" + bundle_},
              "its wave exists already (the first is PMPulse_1_2_1_1_Imon); /O would replace them"),
      // Replacing with /O is a load like any other.
      {Quiet({"LoadPM/A=1/B=2" + bundle_, "LoadPM/O/A=1/B=2" + bundle_}), 0, Eq(""), Eq("")},
      {Quiet({"LoadPulse/A=4 " + pulseFile}), 1, Eq(""),
       Eq("kwt: LoadPulse: nothing was loaded: group 4 was asked for, but the recording has 1 group\n")},
  });
}

TEST_F(KwtReports, MissingSamplesAreSummedAndOnlyAllowedOnRequest) {
  // The data file ends 150 int16 samples early: series 2 loses all 100 of
  // its samples, the last trace of series 1 its last 50.  A quiet load
  // loses nothing silently either; --allow-partial accepts the loss and
  // still tells it.
  const auto siblings = WritePmSiblings(Bundle(), dir_.path() / "cut.dat");
  std::filesystem::resize_file(siblings.data, std::filesystem::file_size(siblings.data) - 300);
  const std::string says = "kwt: 150 of 200 samples of 2 waves were not in the recording (first: "
                           "PMPulse_1_1_3_2_Vmon)";
  ExpectRuns({
      {Quiet({"LoadPM/A=1 " + Quoted(siblings.data)}), 1, Eq(""),
       HasSubstr(says + "; --allow-partial accepts this\n")},
      {Quiet({"--allow-partial", "LoadPM/Q/A=1 " + Quoted(siblings.data)}), 0, Eq(""), Eq(says + "\n")},
  });
}

TEST_F(KwtReports, FailuresSayWhichCheckFailed) {
  // A bundle whose stimulus tree (item 2) is cut to half its length in the
  // item table: the host's text, then the reader's own diagnosis on the
  // same line.
  std::vector<uint8_t> bytes = PmBundleBytes(Bundle());
  const uint32_t length = static_cast<uint32_t>(StimulusTreeBytes(Bundle()).size() / 2);
  for (int b = 0; b < 4; ++b) bytes[BundleItemEntryOffset(2) + 4 + b] = static_cast<uint8_t>(length >> (8 * b));
  WriteFileBytes(dir_.path() / "cut.dat", bytes);
  ExpectRuns({
      {Quiet({"LoadPM " + Quoted(dir_.path() / "cut.dat")}), 1, Eq(""),
       AllOf(HasSubstr("kwt: error 10031: Cannot open PGF file. Check, if this file exists; "
                       "the stimulus tree: the root record claims 1 child at byte "),
             HasSubstr("bytes behind it can hold\n"))},
      {Quiet({"LoadPulse" + bundle_}), 1, Eq(""), HasSubstr("this is a PatchMaster bundle: use LoadPM")},
      {Quiet({"LoadPM/Y" + bundle_}), 1, Eq(""),
       HasSubstr("kwt: error 9: unknown flag; unknown flag /Y (the flags here are /A")},
      {Quiet({"LoadPM/A=1/B=1" + bundle_, "AutoStats/N=m 'PMPulse_1_1_1_1_Vmon-1'"}), 1, Eq(""),
       HasSubstr("no wave named 'PMPulse_1_1_1_1_Vmon-1'")},
      // A failure without a text of its own always says what went wrong.
      {Quiet({"LoadPM/N=" + bundle_}), 1, Eq(""),
       AllOf(HasSubstr("kwt: error -1: the operation failed; "), Not(HasSubstr("the operation failed\n")))},
  });
}

}  // namespace
}  // namespace kwt::test
