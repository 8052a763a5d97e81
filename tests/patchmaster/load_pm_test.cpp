// LoadPM's options: the selection variables, ranges, stimulation filters,
// base names, /U and /Q, failures with their codes, and recordings of the
// Pulse kind handed to the Pulse loading loop.
#include <filesystem>
#include <sstream>

#include "tests/patchmaster/loadpm_fixture.h"

namespace kwt::test {
namespace {

namespace fs = std::filesystem;

// Group 1: series 1 with sweeps of stimulations A, B, A; series 2 with one
// sweep of C.  Group 2: one series with one sweep of B.  Two traces each.
PmRecording Selection() {
  PmRecording rec;
  for (const char* name : {"A", "B", "C"})
    rec.AddStimulation(name).AddChannel(1).AddSegment(kPmSegmentConstant, 0, 1e-4);
  auto sweep = [](test::PmSeries& s, int32_t stim) {
    test::PmSweep& w = s.AddSweep(stim);
    w.AddTrace("I", {1});
    w.AddTrace("V", {2});
  };
  test::PmGroup& g1 = rec.AddGroup();
  test::PmSeries& s11 = g1.AddSeries();
  for (int32_t stim : {1, 2, 1}) sweep(s11, stim);
  sweep(g1.AddSeries(), 3);
  sweep(rec.AddGroup().AddSeries(), 2);
  return rec;
}

TEST_F(LoadPmTest, SelectionVariablesForEachDepth) {
  const std::string path = Write(Selection());
  struct Case {
    std::string flags;
    std::vector<double> numbers;  // kwtActGroup .. kwtActTrace, kwtGroups .. kwtTraces
    std::string stim;
  };
  const std::vector<Case> cases = {
      {"", {0, 0, 0, 0, 2, 3, 5, 10}, ""},
      {"/A=1", {1, 0, 0, 0, 0, 2, 0, 0}, "A,B,C"},
      {"/A=1/B=1", {1, 1, 0, 0, 0, 0, 3, 0}, "A,B"},
      {"/A=1/B=1/C=2", {1, 1, 2, 0, 0, 0, 0, 2}, "B"},
      {"/A=1/B=1/C=3/D=2", {1, 1, 3, 2, 0, 0, 0, 0}, "A"},
      {"/A=2", {2, 0, 0, 0, 0, 1, 0, 0}, "B"},
  };
  const char* names[] = {"kwtActGroup", "kwtActSeries", "kwtActSweep", "kwtActTrace",
                         "kwtGroups",   "kwtSeries",    "kwtSweeps",   "kwtTraces"};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    ASSERT_EQ(Load("/U" + c.flags, path), 0);
    for (size_t i = 0; i < 8; ++i) EXPECT_EQ(Number(names[i]), c.numbers[i]) << names[i];
    EXPECT_EQ(Text("stimString"), c.stim);
  }
  EXPECT_THAT(WaveNames(), IsEmpty()) << "/U loads nothing";
}

TEST_F(LoadPmTest, UAndQ) {
  const std::string path = Write(test::SmallPm());
  ASSERT_EQ(Load("/U", path), 0);
  EXPECT_THAT(Posted(), MatchesRegex("Loading took [0-9]+\\.[0-9][0-9] seconds\\.\r"));
  ASSERT_EQ(Load("/U/Q", path), 0);
  ASSERT_EQ(Load("/Q/I", path), 0);
  EXPECT_THAT(WaveNames(), ElementsAre("PMPulse_1_1_1_1_Imon", "PMPulse_1_1_1_1_DA-0"));
  EXPECT_THAT(Posted(), MatchesRegex("Loading took [0-9]+\\.[0-9][0-9] seconds\\.\r"))
      << "only the line of the first /U";
  EXPECT_EQ(wb_.root().FindVariable("kwtLastPulseWave"), nullptr);
  ASSERT_EQ(Load("/O", path), 0);
  EXPECT_THAT(Posted(), HasSubstr("Raw Data \"PMPulse_1_1_1_1_Imon\" loaded,     3 samples\r"
                                  "Loading took "));
}

// Ranges at the deepest given level and the stimulation filters, seen in
// the sweeps whose "I" traces load.
TEST_F(LoadPmTest, RangesAndStimulationFilters) {
  const std::string path = Write(Selection());
  ASSERT_EQ(wb_.Run("String/G list = \"A,C\""), 0);
  const std::vector<std::string> withB = {"1_1_2", "2_1_1"}, withoutB = {"1_1_1", "1_1_3", "1_2_1"};
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"/A=1/R=2", {"1_1_1", "1_1_2", "1_1_3", "1_2_1", "2_1_1"}},
      {"/A=1/B=1/R=2", {"1_1_1", "1_1_2", "1_1_3", "1_2_1"}},
      {"/A=1/B=1/C=2/R=3", {"1_1_2", "1_1_3"}},
      {"/A=1/B=1/C=3/R=0", {"1_1_3"}},
      // A group below 1 clears the deeper options.
      {"/A=0/B=5", {"1_1_1", "1_1_2", "1_1_3", "1_2_1", "2_1_1"}},
      {"/A=7", {}},  // a selection beyond the file loads nothing
      {"/J=B", withB}, {"/K=B", withoutB}, {"/J=$list", withoutB}, {"/K=$list", withB},
      {"/J=b", {}},  // names compare exactly
  };
  for (const auto& [flags, sweeps] : cases) {
    KillAll();
    ASSERT_EQ(Load(flags, path), 0);
    std::vector<std::string> loaded;
    for (const std::string& n : WaveNames())
      if (n.back() == 'I') loaded.push_back(n.substr(8, 5));
    EXPECT_EQ(loaded, sweeps) << flags;
  }
  KillAll();
  ASSERT_EQ(Load("/A=1/B=1/C=1/D=1/R=5", path), 0);
  EXPECT_THAT(WaveNames(), ElementsAre("PMPulse_1_1_1_1_I", "PMPulse_1_1_1_2_V"));
  KillAll();
  // A blank after the comma belongs to the second name.
  ASSERT_EQ(wb_.Run("String/G list = \"A, C\""), 0);
  ASSERT_EQ(Load("/J=$list", path), 0);
  EXPECT_THAT(WaveNames(), ElementsAre("PMPulse_1_1_1_1_I", "PMPulse_1_1_1_2_V",
                                       "PMPulse_1_1_3_1_I", "PMPulse_1_1_3_2_V"));
  ASSERT_EQ(wb_.Run("Variable/G number = 3"), 0);
  EXPECT_EQ(Load("/J=$number", path), 95);
}

TEST_F(LoadPmTest, BaseNamesThatLeaveNoRoomForTheWaveNames) {
  const std::string path = Write(test::SmallPm(2));
  // 31 characters pass the check of the base, but no wave name fits.
  const std::string base31(31, 'b');
  ASSERT_EQ(Load("/N=" + base31, path), 0);
  EXPECT_THAT(WaveNames(), IsEmpty());
  const std::string alert = "KWT Error|The wavename \"" + base31 + "_1_1_1_1_Imon\" excceeds the Igor "
                            "wavename lenght";
  EXPECT_THAT(Alerts(), ElementsAre(alert, ::testing::StartsWith("KWT Error|The wavename \"" +
                                                                  base31 + "_1_1_2_1_Imon\"")));

  // 18 characters make names of 31: they fit, unless /G must add "_Gm".
  wb_.interaction().ClearEvents();
  const std::string base18(18, 'c');
  ASSERT_EQ(Load("/N=" + base18, path), 0);
  EXPECT_EQ(WaveNames().size(), 2u);
  EXPECT_THAT(Alerts(), IsEmpty());
  ASSERT_EQ(Load("/O/G/A=1/B=1/C=1/N=" + base18, path), 0);
  EXPECT_THAT(Alerts(), ElementsAre("KWT Error|The wavename \"" + base18 +
                                    "_1_1_1_1_Imon_Gm\" excceeds the Igor wavename lenght"));

  KillAll();
  EXPECT_EQ(Load("/N=" + std::string(32, 'd'), path), kErrNameTooLong);
  EXPECT_THAT(WaveNames(), IsEmpty());
}

TEST_F(LoadPmTest, FilesThatCannotBeNamedOpenedOrRead) {
  const std::string stem = (dir_.path() / "cell").string();
  EXPECT_EQ(Load("", stem + ".dat"), kErrCannotOpenDat) << "missing";
  EXPECT_EQ(Load("", stem), kErrNotDatFile) << "no extension";

  PmRecording rec = test::SmallPm();
  WriteSiblings(rec);
  fs::rename(stem + ".pgf", stem + ".keep");
  EXPECT_EQ(Load("", stem + ".dat"), kErrCannotOpenPgf);
  rec.pgf.levels = 5;  // neither 3 nor 4 levels
  test::WriteFileBytes(stem + ".pgf", test::StimulusTreeBytes(rec));
  EXPECT_EQ(Load("", stem + ".dat"), kErrCannotOpenPgf);
  fs::rename(stem + ".keep", stem + ".pgf");
  rec.pgf.levels = 4;
  fs::rename(stem + ".pul", stem + ".keep");
  EXPECT_EQ(Load("", stem + ".dat"), kErrCannotOpenPul);
  fs::rename(stem + ".keep", stem + ".pul");

  // Amplifier and solution trees are optional.
  fs::remove(stem + ".amp");
  fs::remove(stem + ".sol");
  EXPECT_EQ(Load("", stem + ".dat"), 0);
  EXPECT_THAT(WaveNames(), ElementsAre("PMPulse_1_1_1_1_Imon"));

  // In a bundle: the stimulus tree's item cleared, the pulsed tree's magic
  // broken.
  std::vector<uint8_t> bundle = test::PmBundleBytes(rec);
  std::vector<uint8_t> noStim = bundle;
  for (size_t i = 0; i < 8; ++i) noStim[test::BundleItemEntryOffset(kBundleItemStimulus) + i] = 0;
  test::WriteFileBytes(stem + "2.dat", noStim);
  EXPECT_EQ(Load("", stem + "2.dat"), kErrCannotOpenPgf);
  std::vector<uint8_t> badPul = bundle;
  const size_t at = test::BundleItemEntryOffset(kBundleItemPulsed);
  badPul[static_cast<size_t>(LoadI32(bundle, at, ByteOrder::kLittle))] = 'X';
  test::WriteFileBytes(stem + "3.dat", badPul);
  EXPECT_EQ(Load("", stem + "3.dat"), kErrCannotOpenPul);
  EXPECT_EQ(wb_.results().back().text, "Cannot open PUL file. Check, if this file exists");

  EXPECT_EQ(GetPulsedRoot(), nullptr) << "no tree outlives the operation";
  EXPECT_EQ(wb_.Run("LoadPM/A \"" + stem + ".dat\""), 11);
}

TEST_F(LoadPmTest, ATreeWithoutGroups) {
  PmRecording rec = test::SmallPm();
  rec.groups.clear();
  const std::string path = Write(rec);
  EXPECT_EQ(Load("", path), -1);
  EXPECT_EQ(Number("kwtGroups"), 0);
  EXPECT_EQ(Load("/U", path), 0);
}

// ---- Pulse recordings -------------------------------------------------------

// A Pulse recording (3-level stimulus tree) through LoadPM loads as
// LoadPulse loads it, with PMPulse as the default base name.
TEST_F(LoadPmTest, PulseRecordingsLoadAsLoadPulseLoadsThem) {
  test::PulseRecording rec;
  rec.AddStimulation("IV").AddSegment(kSegmentConstant, -0.08, 3e-4);
  rec.AddStimulation("ramp").AddSegment(kSegmentConstant, -0.02, 3e-4);
  test::PulseSeries& series = rec.AddGroup("g").AddSeries();
  series.AddSweep({1, 2, 3});
  series.AddSweep({-4, 5, 6}).record.stimulation = 2;
  rec.AddGroup().AddSeries().AddSweep({7, 8, 9});
  rec.root.startTime = 500.0;
  const std::string path = test::WritePulseRecording(rec, dir_.path() / "old.dat").data.string();

  // Everything a load leaves: waves with notes, units and values, the
  // selection variables, the history without its timing line.
  const char* vars[] = {"kwtActGroup", "kwtActSeries", "kwtActSweep", "kwtGroups",
                        "kwtSeries",   "kwtSweeps",    "kwtPulseTime"};
  auto load = [&](const std::string& command) {
    KillAll();
    const size_t start = Posted().size();
    EXPECT_EQ(wb_.Run(command), 0) << command;
    std::ostringstream s;
    for (const auto& w : wb_.root().waves) {
      s << w->name << '|' << w->note << '|' << w->dataUnits << '/' << w->dims[0].units << '|';
      for (double v : Values(w->name)) s << v << ',';
      s << '\n';
    }
    for (const char* v : vars) s << Number(v) << ',';
    s << Text("stimString") << '\n' << PostedWithoutTiming(start);
    return s.str();
  };
  for (const std::string flags : {"", "/A=1", "/A=1/B=1", "/A=1/B=1/C=2"}) {
    const std::string pulse = load("LoadPulse/N=PMPulse" + flags + " \"" + path + "\"");
    EXPECT_EQ(load("LoadPM" + flags + " \"" + path + "\""), pulse) << flags;
    EXPECT_THAT(pulse, HasSubstr("PMPulse_1_1_")) << flags;
  }
  EXPECT_THAT(WaveNames(), ElementsAre("PMPulse_1_1_2"));
}

}  // namespace
}  // namespace kwt::test
