// LoadPulse's failures: damaged and missing files and items.
#include <filesystem>
#include <functional>

#include "pulse/pulse_tree.h"
#include "tests/pulse/load_fixture.h"

namespace kwt::test {
namespace {

// LoadPulse's failures: tree names and files, the data file, trees without
// groups; every failure releases the trees it read.

// After any LoadPulse, no tree is left loaded.
void ExpectReleased() {
  EXPECT_EQ(GetRoot(), nullptr);
  EXPECT_EQ(FindGroup(1), nullptr);
  EXPECT_EQ(FindStimulation(1), nullptr);
}

TEST_F(LoadPulseTest, TreeFilesThatCannotBeNamedOrRead) {
  const std::string path = Write(test::SmallRecording());
  const std::string stem = (dir_.path() / "cell").string();

  // No extension to replace.
  EXPECT_EQ(Load("", stem), kErrPgfName);
  // The tree names come from the data name, extension in lower case.
  std::filesystem::rename(path, stem + ".DAT");
  EXPECT_EQ(Load("", stem + ".DAT"), 0);
  EXPECT_NE(Wave("Pulse_1_1_1"), nullptr);
  std::filesystem::rename(stem + ".DAT", path);

  // The stimulus tree is read first.
  std::filesystem::rename(stem + ".pgf", stem + ".keep");
  EXPECT_EQ(Load("/O", path), kErrCannotOpenPgf);
  ExpectReleased();
  test::WriteFileBytes(stem + ".pgf", {'T', 'r', 'e', 'X', 0, 0, 0, 3});
  EXPECT_EQ(Load("/O", path), kErrCannotOpenPgf);
  std::filesystem::rename(stem + ".keep", stem + ".pgf");

  // The frame stores the operation's result.
  std::filesystem::remove(stem + ".pul");
  wb_.record().typeWord = 77;
  EXPECT_EQ(Load("/O", path), kErrCannotOpenPul);
  EXPECT_EQ(wb_.record().result, kErrCannotOpenPul);
  EXPECT_EQ(wb_.record().typeWord, 0);
  EXPECT_EQ(wb_.results().back().text, "Cannot open PUL file. Check, if this file exists");
  ExpectReleased();
  // A stimulus tree where the acquisition tree should be: wrong level count.
  std::filesystem::copy_file(stem + ".pgf", stem + ".pul");
  EXPECT_EQ(Load("/O", path), kErrCannotOpenPul);
  ExpectReleased();
}

TEST_F(LoadPulseTest, DataFileThatCannotBeOpened) {
  const std::string path = Write(test::SmallRecording());
  std::filesystem::remove(path);
  EXPECT_EQ(Load("", path), kErrCannotOpenDat);
  EXPECT_THAT(WaveNames(), IsEmpty());
  ExpectReleased();
  // The loop still publishes the file's start time.
  EXPECT_TRUE(HasVariable("kwtPulseTime"));
  // /U reads only the trees.
  EXPECT_EQ(Load("/U", path), 0);
  // A load that succeeds releases its trees too.
  ASSERT_EQ(Load("/L/S/G/I/F/P", test::SmallRecording()), 0);
  ExpectReleased();
}

TEST_F(LoadPulseTest, TreeWithoutGroups) {
  PulseRecording rec;
  rec.AddStimulation("stim");
  const std::string path = Write(rec);
  EXPECT_EQ(Load("", path), -1);
  EXPECT_EQ(Number("kwtGroups"), 0);
  EXPECT_EQ(Text("stimString"), "");
  EXPECT_EQ(Load("/U", path), 0) << "without the loop there is nothing to miss";
  ExpectReleased();
}

// Damaged Pulse recordings: a sweep whose record holds what no recording
// can is left out with a report, and a block of zeros in the acquisition
// tree never loads as data.

// Three series of twelve sweeps, every sweep with samples of its own.
PulseRecording Cell(ByteOrder order) {
  PulseRecording rec;
  rec.pulOrder = rec.pgfOrder = order;
  rec.AddStimulation("one");
  rec.AddStimulation("two");
  test::PulseGroup& group = rec.AddGroup("cell");
  for (int s = 1; s <= 3; ++s) {
    test::PulseSeries& series = group.AddSeries();
    for (double w = 1; w <= 12; ++w) series.AddSweep({100.0 * s + w, -w, 7});
  }
  return rec;
}

class PulseDamage : public test::LoadPulseTest, public ::testing::WithParamInterface<ByteOrder> {
 protected:
  std::vector<std::string> Damaged() const { return Problems(ProblemKind::kDamaged); }
};

TEST_P(PulseDamage, ASweepThatNoRecordingHoldsIsLeftOut) {
  struct Case {
    std::function<void(PulseRecording&)> damage;
    const char* why;
  };
  const auto second = [](PulseRecording& r) -> SweepRecord& {
    return r.groups[0].series[0].sweeps[1].record;
  };
  const std::vector<Case> cases = {
      {[&](PulseRecording& r) { second(r).factor1 = 0.0; }, "its factor 0 is no scale factor"},
      {[&](PulseRecording& r) { second(r).factor1 = 5e-320; },
       "its factor 4.99994e-320 is no scale factor"},
      {[&](PulseRecording& r) {
         second(r).stimulation = 2;
         r.stimulations[1].record.sampleInterval = 1.13e-314;
       },
       "its sample interval 1.13e-314 s is no sampling interval"},
      {[&](PulseRecording& r) { r.stimulations[0].record.sampleInterval = 7200.0; }, nullptr},
      {[&](PulseRecording& r) {
         r.groups[0].series[0].sweeps[1].placeData = false;
         second(r).dataOffset = 0;
         second(r).dataPoints = 0;
       },
       "it holds no samples, where its series holds samples"},
      {[&](PulseRecording& r) {
         r.groups[0].series[0].sweeps[1].placeData = false;
         second(r).dataPoints = -1;
       },
       "its point count -1 is negative"},
      {[&](PulseRecording& r) {
         r.groups[0].series[0].sweeps[1].placeData = false;
         second(r).dataOffset = -6;
         second(r).dataPoints = 3;
       },
       "its data offset -6 is negative"},
  };
  for (const Case& c : cases) {
    PulseRecording rec = Cell(GetParam());
    c.damage(rec);
    ASSERT_EQ(Load("/O/A=1/B=1/C=1/R=3", rec), 0);
    if (c.why == nullptr) {
      // Every sweep of the stimulation goes: an hour per sample is none.
      EXPECT_EQ(Damaged().size(), 3u);
      continue;
    }
    SCOPED_TRACE(c.why);
    EXPECT_THAT(Damaged(), ElementsAre(std::string("LoadPulse: cell.dat: group 1, series 1, sweep 2 "
                                                   "was left out: ") +
                                       c.why));
    EXPECT_THAT(Posted(), HasSubstr(std::string("LoadPulse: cell.dat: group 1, series 1, sweep 2 is "
                                                "damaged and was left out: ") +
                                    c.why + "\r"));
    EXPECT_THAT(Values("Pulse_1_1_3"), ElementsAre(103, -3, 7)) << "the sweeps around it load";
    EXPECT_EQ(Wave("Pulse_1_1_2"), nullptr);
    ASSERT_EQ(wb_.Run("KillWaves/A/Z"), 0);
  }
  // /Q keeps the history quiet, not the report.
  PulseRecording rec = Cell(GetParam());
  second(rec).factor1 = 0.0;
  const size_t before = Posted().size();
  ASSERT_EQ(Load("/Q/A=1/B=1/C=2", rec), 0);
  EXPECT_EQ(Damaged().size(), 1u);
  EXPECT_EQ(Posted().size(), before);
  EXPECT_THAT(wb_.results().back().problems.back().text, HasSubstr("1 item of the selection is damaged"))
      << "a load that made nothing says why";
}

// Every 4 KiB block of the acquisition tree behind its first 1 KiB zeroed
// in turn (every 1 KiB): what loads is what the undamaged recording holds,
// and the rest is reported.
TEST_P(PulseDamage, ZeroedBlocksOfTheAcquisitionTreeAreFlaggedNotLoaded) {
  PulseRecording rec = Cell(GetParam());
  const test::PulseFiles files = test::WritePulseRecording(rec, dir_.path() / "c.dat");
  test::LayOutPulseData(rec);
  const std::vector<uint8_t> pul = test::PulseAcquisitionTreeBytes(rec);
  ASSERT_GT(pul.size(), 2 * 4096u);
  const int partial = LoadWithZeroedBlocks(pul, 1024, pul.size(), 1024, files.pul.string(),
                                           [&] { return Load("", files.data.string()); },
                                           kErrCannotOpenPul);
  EXPECT_GT(partial, 0) << "some damaged copies still load their sound sweeps";
}

INSTANTIATE_TEST_SUITE_P(BothOrders, PulseDamage,
                         ::testing::Values(ByteOrder::kBig, ByteOrder::kLittle));

}  // namespace
}  // namespace kwt::test
