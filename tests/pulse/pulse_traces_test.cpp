// LoadPulse's waves: samples, notes and the graphs of /P.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <functional>

#include "pulse/load_pulse.h"
#include "pulse/pulse_display.h"
#include "pulse/pulse_traces.h"
#include "support/paths.h"
#include "tests/pulse/load_fixture.h"
#include "traces/load_options.h"
#include "traces/stacked_axes.h"
#include "traces/trace_samples.h"
#include "traces/trace_wave.h"

namespace kwt::test {
namespace {

// Sweeps to waves: samples of every format in both byte orders, scaling,
// units, the further traces (leak, second, Fura, stimulus), overwriting,
// the announce switch, and data files that end early.

// One sweep of `values` stored in `format` and `order`, scaled by factor.
PulseRecording OneSweep(std::vector<double> values, int32_t format, ByteOrder order,
                        double factor) {
  PulseRecording rec = test::SmallRecording();
  PulseSweep& sweep = rec.groups[0].series[0].sweeps[0];
  sweep.trace = std::move(values);
  sweep.record.factor1 = factor;
  test::SetSampleLayout(sweep.record, format, order);
  return rec;
}

TEST_F(LoadPulseTest, EveryFormatInBothByteOrders) {
  for (const test::SampleFormatCase& c : test::SampleFormatCases()) {
    for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
      SCOPED_TRACE(::testing::Message()
                   << "format " << c.format << (order == ByteOrder::kBig ? " big" : " little"));
      ASSERT_EQ(Load("/O/I", OneSweep(Repeated(c.stored), c.format, order, c.factor)), 0);
      EXPECT_TRUE(Values("Pulse_1_1_1") == Repeated(c.expected));
      const HostWave* w = Wave("Pulse_1_1_1");
      ASSERT_NE(w, nullptr);
      EXPECT_EQ(w->type, kWaveFloat32);
      // The sweep and its stimulus share the load's block.
      EXPECT_EQ(w->samples.InArena(), SampleArena::Enabled());
      EXPECT_EQ(Wave("Pulse_1_1_1_stim")->samples.InArena(), SampleArena::Enabled());
      // The converter's full scale in the trace's units, whatever the format.
      EXPECT_EQ(w->fullScaleBottom, c.factor * -32768.0);
      EXPECT_EQ(w->fullScaleTop, c.factor * 32767.0);
    }
  }
}

TEST_F(LoadPulseTest, KindBitsDecideWhetherTheSampleFormatApplies) {
  // Written as one big-endian 32-bit real 1.0: bytes 3F 80 00 00.
  PulseRecording rec = OneSweep({1.0}, kSampleReal32, ByteOrder::kBig, 1.0);
  rec.groups[0].series[0].sweeps[0].record.kindBits = 9;
  const std::string path = Write(rec);
  ASSERT_EQ(Load("", path), 0);
  EXPECT_THAT(Values("Pulse_1_1_1"), ElementsAre(1.0));

  // The same bytes with kind bit 3 clear are two big-endian 16-bit samples.
  PulseRecording again = rec;
  test::LayOutPulseData(again);
  PulseSweep& sweep = again.groups[0].series[0].sweeps[0];
  sweep.record.kindBits = 1;
  sweep.record.dataPoints = 2;
  sweep.placeData = false;
  test::WriteFileBytes(dir_.path() / "cell.pul", test::PulseAcquisitionTreeBytes(again));
  ASSERT_EQ(Load("/O", path), 0);
  EXPECT_THAT(Values("Pulse_1_1_1"), ElementsAre(0x3F80, 0.0));
}

// With /T the sweep's wave and its stimulus template start at the sweep's
// time from the file's start.
TEST_F(LoadPulseTest, ScalingAndUnitsWithAndWithoutSweepTime) {
  PulseRecording rec = OneSweep({1, 2, 3}, kSampleInt16, ByteOrder::kBig, 1.0);
  rec.root.startTime = 1000.0;
  rec.groups[0].series[0].sweeps[0].record.sweepTime = 1012.5;
  rec.stimulations[0].record.sampleInterval = 2.5e-5;
  rec.stimulations[0]
      .AddSegment(kSegmentConstant, -0.05, 5e-5)
      .AddSegment(kSegmentConstant, 0.01, 2.5e-5);
  test::SetText(rec.groups[0].series[0].record.unit1, "V");
  const std::string path = Write(rec);
  ASSERT_EQ(Load("", path), 0);
  const HostWave* w = Wave("Pulse_1_1_1");
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->dims[0].offset, 0.0);
  EXPECT_EQ(w->dims[0].delta, 2.5e-5);
  EXPECT_EQ(w->dims[0].units, "s");
  EXPECT_EQ(w->dataUnits, "V");
  ASSERT_EQ(Load("/O/T/I", path), 0);
  EXPECT_EQ(Wave("Pulse_1_1_1")->dims[0].offset, 12.5);
  EXPECT_EQ(Number("kwtPulseTime"), 1000.0);
  EXPECT_THAT(Values("Pulse_1_1_1_stim"), ElementsAre(F(-0.05), F(-0.05), F(0.01)));
  EXPECT_EQ(Wave("Pulse_1_1_1_stim")->dims[0].offset, 12.5);
  EXPECT_EQ(Wave("Pulse_1_1_1_stim")->dims[0].delta, 2.5e-5);
}

// A sweep with leak and second trace, first {1, 2}, leak {3, 4}, second
// {5, 6}, factor1 2 and factor2 10, in the sample layout given.
PulseRecording ThreeTraces(int32_t format, ByteOrder order) {
  PulseRecording rec = test::SmallRecording();
  test::SetText(rec.stimulations[0].record.leakUnit, "W");
  test::SetText(rec.stimulations[0].record.secondUnit, "mV");
  PulseSweep& sweep = rec.groups[0].series[0].sweeps[0];
  sweep.trace = {1, 2};
  sweep.leak = {3, 4};
  sweep.second = {5, 6};
  sweep.record.hasLeak = 1;
  sweep.record.hasSecondTrace = 1;
  sweep.record.factor1 = 2.0;
  sweep.record.factor2 = 10.0;
  test::SetSampleLayout(sweep.record, format, order);
  return rec;
}

TEST_F(LoadPulseTest, LeakAndSecondTraceFollowTheFirst) {
  // The traces follow each other at the sample width of the format (the
  // byte order is EveryFormatInBothByteOrders' business).
  for (int32_t format : {kSampleInt16, kSampleInt32, kSampleReal32, kSampleReal64}) {
    SCOPED_TRACE(::testing::Message() << "format " << format);
    const std::string path = Write(ThreeTraces(format, ByteOrder::kLittle));
    ASSERT_EQ(Load("/O/L/S", path), 0);
    EXPECT_THAT(Values("Pulse_1_1_1"), ElementsAre(2, 4));
    EXPECT_THAT(Values("Pulse_1_1_1_leak"), ElementsAre(6, 8));
    EXPECT_THAT(Values("Pulse_1_1_1_2nd"), ElementsAre(50, 60));
    EXPECT_EQ(Wave("Pulse_1_1_1_leak")->dataUnits, "W");
    EXPECT_EQ(Wave("Pulse_1_1_1_2nd")->dataUnits, "mV");
    EXPECT_EQ(Wave("Pulse_1_1_1_2nd")->fullScaleTop, 10.0 * 32767);
    EXPECT_EQ(Wave("Pulse_1_1_1_2nd")->note, "FILENAME:" + path + ";");
  }
  // Without /L the second trace is still read from behind the leak trace.
  ASSERT_EQ(Load("/N=s/S", Write(ThreeTraces(kSampleInt16, ByteOrder::kBig))), 0);
  EXPECT_THAT(Values("s_1_1_1_2nd"), ElementsAre(50, 60));
  EXPECT_EQ(Wave("s_1_1_1_leak"), nullptr);
}

TEST_F(LoadPulseTest, NoticesOfTheTracesLoaded) {
  ASSERT_EQ(Load("/L/S/I", ThreeTraces(kSampleInt16, ByteOrder::kBig)), 0);
  const std::string posted = Posted();
  EXPECT_THAT(posted, ::testing::StartsWith("Raw Data Pulse_1_1_1 loaded,     2 samples\r"
                                            "Leak Data Pulse_1_1_1_leak loaded\r"
                                            "Second Trace Pulse_1_1_1_2nd loaded\r"
                                            "Stimulus Template Pulse_1_1_1_stim loaded\r"
                                            "Loading took "));
  EXPECT_EQ(Text("kwtLastPulseWave"), "Pulse_1_1_1");
}

// A sweep with three Fura traces of two points behind a leak trace.
PulseRecording WithFura() {
  PulseRecording rec = ThreeTraces(kSampleInt16, ByteOrder::kBig);  // reals swapped
  auto& stim = rec.stimulations[0].record;
  stim.hasFura = 1;
  stim.furaPoints = 2;
  stim.furaStart = 0.5;
  stim.furaInterval = 0.01;
  auto& series = rec.groups[0].series[0].record;
  series.furaKEff = 1.5;
  series.furaRMin = 0.25;
  series.furaRMax = 4.0;
  rec.groups[0].series[0].sweeps[0].fura = {{{1.5f, 2.5f}, {-1.0f, 0.0f}, {1e-3f, 7.0f}}};
  return rec;
}

// Fura waves are replaced even without /O, and a file that ends inside
// them ends them without a notice.
TEST_F(LoadPulseTest, FuraTracesAreStoredRealsBehindAllTraces) {
  ASSERT_EQ(wb_.Run("Make/N=1 Pulse_1_1_1_F1 = 99"), 0);
  PulseRecording rec = WithFura();
  rec.root.startTime = 10.0;
  rec.groups[0].series[0].sweeps[0].record.sweepTime = 12.0;
  ASSERT_EQ(Load("/F/T", rec), 0);
  EXPECT_THAT(Values("Pulse_1_1_1_F1"), ElementsAre(1.5, 2.5));
  EXPECT_THAT(Values("Pulse_1_1_1_F2"), ElementsAre(-1.0, 0.0));
  EXPECT_THAT(Values("Pulse_1_1_1_F3"), ElementsAre(F(1e-3), 7.0));
  const HostWave* f = Wave("Pulse_1_1_1_F2");
  EXPECT_EQ(f->dims[0].offset, 2.5) << "sweep time - start + furaStart";
  EXPECT_EQ(f->dims[0].delta, 0.01);
  EXPECT_EQ(f->dataUnits, "V");
  EXPECT_EQ(f->fullScaleTop, 0.0) << "no full scale for stored reals";
  EXPECT_THAT(Posted(), HasSubstr("Fura Pulse_1_1_1_F1, Pulse_1_1_1_F2, Pulse_1_1_1_F3 loaded, "
                                  "KEff = 1.50, RMin = 0.25, RMax = 4.00\r"));

  const std::string path = Write(WithFura());
  std::filesystem::resize_file(path, std::filesystem::file_size(path) - 1);
  wb_.Run("KillWaves Pulse_1_1_1_F1, Pulse_1_1_1_F2, Pulse_1_1_1_F3");
  const size_t mark = wb_.history().size();
  ASSERT_EQ(Load("/O/F", path), 0);
  EXPECT_NE(Wave("Pulse_1_1_1_F2"), nullptr);
  EXPECT_EQ(Wave("Pulse_1_1_1_F3"), nullptr);
  EXPECT_THAT(wb_.history().substr(mark), ::testing::Not(HasSubstr("Fura")));
}

TEST_F(LoadPulseTest, ExistingWavesStayWithoutOverwrite) {
  const std::string path = Write(ThreeTraces(kSampleInt16, ByteOrder::kBig));
  ASSERT_EQ(Load("/L", path), 0);
  ASSERT_EQ(wb_.Run("Pulse_1_1_1 = 0"), 0);
  const size_t mark = wb_.history().size();
  ASSERT_EQ(Load("/L", path), 0) << "a wave that cannot be made is left out";
  EXPECT_THAT(Values("Pulse_1_1_1"), ElementsAre(0, 0));
  EXPECT_THAT(wb_.history().substr(mark), ::testing::Not(HasSubstr("Leak Data")))
      << "the leak depends on the first trace";

  ASSERT_EQ(Load("/O/L", path), 0);
  EXPECT_THAT(Values("Pulse_1_1_1"), ElementsAre(2, 4));
  // The replaced wave has one note, not two.
  const std::string note = Wave("Pulse_1_1_1")->note;
  EXPECT_EQ(note.find("Filename:"), note.rfind("Filename:"));
}

TEST_F(LoadPulseTest, WithoutAnnounceTheSecondTraceTakesTheSweepsName) {
  PulseRecording rec = ThreeTraces(kSampleInt16, ByteOrder::kLittle);
  const std::string path = Write(rec);
  ASSERT_TRUE(test::LoadPulseTrees(rec));
  const uint32_t flags = kLoadFirstTrace | kLoadSecond;
  // Without /O the first trace's wave stays and the second is not loaded.
  EXPECT_TRUE(LoadPulseSweep(path, "preview", 1, 1, 1, flags, false));
  EXPECT_THAT(Values("preview"), ElementsAre(2, 4));
  // With /O the second trace replaces it.
  EXPECT_TRUE(LoadPulseSweep(path, "preview", 1, 1, 1, flags | kLoadOverwrite, false));
  EXPECT_THAT(Values("preview"), ElementsAre(50, 60));
  EXPECT_EQ(Wave("preview_2nd"), nullptr);
  EXPECT_EQ(Posted(), "") << "no notices without announce";
  EXPECT_FALSE(HasVariable("kwtLastPulseWave"));
}

TEST_F(LoadPulseTest, ShortDataFileGivesZerosAndSaysHowMany) {
  PulseRecording rec = OneSweep({1, 2, 3, 4, 5}, kSampleInt16, ByteOrder::kBig, 1.0);
  std::string path = Write(rec);
  // Three whole samples and one byte of the fourth remain.
  std::filesystem::resize_file(path, 7);
  ASSERT_EQ(Load("", path), 0);
  EXPECT_THAT(Values("Pulse_1_1_1"), ElementsAre(1, 2, 3, 0, 0));
  EXPECT_THAT(
      Posted(),
      HasSubstr("Pulse_1_1_1: 2 of 5 samples are not in the data file and were set to 0\r"));

  // A count far beyond the file (a damaged record, or the sweep that was
  // being written when the recording stopped): the wave has that count.
  rec = test::SmallRecording(2);
  rec.groups[0].series[0].sweeps[1].placeData = false;
  rec.groups[0].series[0].sweeps[1].record.dataOffset = 4;
  rec.groups[0].series[0].sweeps[1].record.dataPoints = 1000000;
  // Sweep 2 begins with sweep 1's last sample, 3; the file ends behind it.
  rec.groups[0].series[0].sweeps[1].trace = {3};
  path = Write(rec);
  std::filesystem::resize_file(path, 6);
  ASSERT_EQ(Load("/N=far", path), 0);
  const std::vector<double> far = Values("far_1_1_2");
  ASSERT_EQ(far.size(), 1000000u);
  EXPECT_EQ(far[0], 3.0) << "the last sample of sweep 1 lies at byte 4";
  EXPECT_EQ(std::count(far.begin(), far.end(), 0.0), 999999);
  EXPECT_THAT(Posted(), HasSubstr("far_1_1_2: 999999 of 1000000 samples are not in the data file"));
}

TEST_F(LoadPulseTest, SweepsThatCannotBeLoaded) {
  // An unknown sample format.
  PulseRecording rec = OneSweep({1}, kSampleInt16, ByteOrder::kBig, 1.0);
  rec.groups[0].series[0].sweeps[0].record.kindBits = 9;
  rec.groups[0].series[0].sweeps[0].record.sampleFormat = 4;
  EXPECT_EQ(Load("", rec), kErrReadSweep);

  // A stimulation that is missing: an alert, then the error.
  rec = test::SmallRecording();
  rec.groups[0].series[0].sweeps[0].record.stimulation = 2;
  EXPECT_EQ(Load("/N=m", rec), kErrReadSweep);
  ASSERT_EQ(wb_.interaction().events().size(), 1u);
  EXPECT_EQ(wb_.interaction().events()[0].title, "KWT Error");
  EXPECT_EQ(wb_.interaction().events()[0].text, "no stimulation specified in sweep record");
  EXPECT_EQ(Wave("m_1_1_1"), nullptr);

  // A second trace whose name would pass 31 characters.
  rec = ThreeTraces(kSampleInt16, ByteOrder::kBig);
  EXPECT_EQ(Load("/S/N=abcdefghijabcdefghijabcde", rec), kErrReadSweep);
  EXPECT_EQ(Load("/N=abcdefghijabcdefghijabcde", rec), 0) << "31 characters without /S";
}

TEST_F(LoadPulseTest, DataPointsOfTheStimulationWhenItSaysSo) {
  PulseRecording rec = OneSweep({1, 2, 3, 4}, kSampleInt16, ByteOrder::kBig, 1.0);
  rec.stimulations[0].record.useStimPoints = 1;
  rec.stimulations[0].record.stimPoints = 3;
  rec.groups[0].series[0].AddSweep({5, 6, 7});
  ASSERT_EQ(Load("", rec), 0);
  // The writer lays out 3-sample traces too, so the second sweep follows
  // the first at 6 bytes.
  EXPECT_THAT(Values("Pulse_1_1_1"), ElementsAre(1, 2, 3));
  EXPECT_THAT(Values("Pulse_1_1_2"), ElementsAre(5, 6, 7));
}

TEST(PulseNames, FileNameIsTheTextBehindTheLastSeparator) {
  EXPECT_EQ(PathFileName("/data\\mixed/x\\cell.dat"), "cell.dat");
  EXPECT_EQ(PathFileName("cell.dat"), "cell.dat");
}

// The note of a sweep's first-trace wave, byte for byte.

// Seconds from 1 January 1990 00:00 to 1 February 1990 13:14:15.5.
constexpr double kFeb1 = 31 * 86400.0 + 13 * 3600.0 + 14 * 60.0 + 15.5;

// A sweep with every field of the note set to a value that shows.
PulseRecording Described() {
  PulseRecording rec;
  SetText(rec.root.versionName, "v8.30");
  auto& stim = rec.AddStimulation("IV").record;
  stim.leakCount = 4;
  stim.leakDelay = 0.25;
  stim.leakSize = -0.25;
  stim.leakHolding = -0.12;
  auto& series = rec.AddGroup().AddSeries();
  auto& sr = series.record;
  sr.bandwidth = 2900.0;
  sr.holding = -0.07;
  SetText(sr.comment, "my cell");
  sr.rsFraction = 0.75f;
  sr.rsOn = 1;
  sr.cFastAmp1 = 1.5e-12f;
  sr.cFastAmp2 = 0.25e-12f;
  sr.lj = -0.0045f;
  sr.vOffset = 0.00125f;
  sr.temperature = 21.5;
  sr.internalSolution = 7;
  sr.externalSolution = 12;
  auto& w = series.AddSweep({1, 2, 3}).record;
  w.sweepTime = kFeb1;
  w.timer = 3723.5;
  w.cSlow = 12.34e-12;
  w.gSeries = 2e-7;
  w.rsValue = 4.5e6;
  w.factor2 = 6.25e-13;
  return rec;
}

TEST_F(LoadPulseTest, TheSweepNoteByteForByte) {
  ASSERT_EQ(Load("", Described()), 0);
  EXPECT_EQ(Wave("Pulse_1_1_1")->note,
            "\rFilename:\tcell.dat;\rVersion:   \tPulse v8.30;\r"
            "Sweep time:\tThu Feb 01 1990 13:14:15.500;\r"
            "Timer:\t\t01:02:03.500;\r"
            "Group:\t\t1 of 1;\rSeries:\t\t1 of 1;\rSweep:   \t1 of 1;\rMode:\t\tWhole Cell;\r"
            "Bandwidth:\t2900 Hz;\r"
            "Holding:  \t-70 mV;\r"
            "Comment:\tmy cell;\r"
            "Data points:\t3;\r"
            "CSlow:\t\t12.34 pF;\rRSeries:\t5.000 MOhm;\rRSValue:\t4.500 MOhm;\r"
            "rsFraction:  \t0.75;\r"
            "rsOn:\t\t1;\r"
            "cFastAmp1:\t1.50 pF;\r"
            "cFastAmp2:\t0.25 pF;\r"
            "LJ:\t\t-4.500 mV;\r"
            "VOffset:  \t1.250 mV;\r"
            "Gain:\t\t0.5 mv/pA;\r"
            "Temperature:\t21.5 C;\r"
            "No. Leaks:\t4;\r"
            "Leak delay:\t250 ms;\r"
            "Leak size:\t-0.25;\r"
            "Leak hold:\t-120 mV;\r"
            "int. Solution:\t7;\r"
            "ext. Solution:\t12;\r"
            "Stimulation:\tIV;\r");
}

TEST_F(LoadPulseTest, NoteVariants) {
  PulseRecording rec = Described();
  auto& stim = rec.stimulations[0].record;
  auto& sr = rec.groups[0].series[0].record;
  auto& w = rec.groups[0].series[0].sweeps[0].record;
  // An uncompensated series resistance, On Cell with its sign convention,
  // a leak delay of seconds, no solutions.
  w.gSeries = 0.0;
  sr.recordingMode = kRecordingModeOnCell;
  sr.holding = -0.06;
  stim.leakDelay = 1.5;
  sr.internalSolution = 0;
  sr.externalSolution = 0;
  // Text fields as long as their fields.
  SetText(sr.comment, std::string(80, 'c'));
  SetText(rec.root.versionName, "ABCDEFGHIJKLMN");
  ASSERT_EQ(Load("", rec), 0);
  const std::string note = Wave("Pulse_1_1_1")->note;
  EXPECT_THAT(note, HasSubstr("Version:   \tPulse ABCDEFGHIJKLMN;\r"));
  EXPECT_THAT(note, HasSubstr("\rMode:\t\tOn Cell   ;\rBandwidth:"));
  EXPECT_THAT(note, HasSubstr("\rHolding:  \t60 mV;\r"));
  EXPECT_THAT(note, HasSubstr("\rComment:\t" + std::string(80, 'c') + ";\r"));
  EXPECT_THAT(note, HasSubstr("CSlow:\t\t12.34 pF;\rRSeries:\tinf;\rRSValue:\t4.500 MOhm;\r"));
  EXPECT_THAT(note, HasSubstr("Leak delay:\t1.500 s;\rLeak size:\t-0.25;\rLeak hold:\t120 mV;\r"));
  EXPECT_THAT(note, Not(HasSubstr("Solution")));

  // A holding that is practically 0 shows as 0, in either sign convention;
  // no leak pulses, no leak lines.
  for (uint8_t mode : {kRecordingModeWholeCell, kRecordingModeOnCell}) {
    sr.recordingMode = mode;
    sr.holding = -0.0000001;
    stim.leakCount = 0;
    ASSERT_EQ(Load("/O", rec), 0);
    const std::string n = Wave("Pulse_1_1_1")->note;
    EXPECT_THAT(n, HasSubstr("\rHolding:  \t0 mV;\r"));
    EXPECT_THAT(n, Not(HasSubstr("Leak")));
  }
}

// LoadPulse/P: the command lines that build the stacked graph, and the
// graph the workbench builds from them.
struct GraphCase {
  const char* what;
  std::function<PulseRecording()> recording;
  const char* flags;
  std::vector<std::string> log;  // behind kGraphPrepare
};

std::string Append(int axis, const std::string& wave) {
  return "AppendToGraph/L=l" + std::to_string(axis) + " '" + wave + "'";
}

PulseRecording WithLeakAndSecond() {
  PulseRecording rec = test::SmallRecording();
  rec.groups[0].series[0].sweeps[0].record.hasLeak = 1;
  rec.groups[0].series[0].sweeps[0].record.hasSecondTrace = 1;
  return rec;
}

PulseRecording WithSine() {
  PulseRecording rec = test::SmallRecording();
  rec.stimulations[0].record.sinePeriod = 2e-4;
  rec.stimulations[0].AddSegment(kSegmentSine, -0.07, 4e-4);
  rec.groups[0].series[0].sweeps[0].trace = {1, 2, 3, 4};
  return rec;
}

PulseRecording LeakInSecondSweepOnly() {
  PulseRecording rec = test::SmallRecording(2);
  rec.groups[0].series[0].sweeps[1].record.hasLeak = 1;
  return rec;
}

class PulseGraph : public LoadPulseTest, public ::testing::WithParamInterface<GraphCase> {};

TEST_P(PulseGraph, CommandLinesAndTheGraphTheyBuild) {
  const GraphCase& c = GetParam();
  ASSERT_EQ(Load(c.flags, c.recording()), 0);
  std::vector<std::string> log = {kGraphPrepare};
  log.insert(log.end(), c.log.begin(), c.log.end());
  EXPECT_THAT(wb_.commandLog(), ElementsAreArray(log));
  ASSERT_EQ(wb_.windows().size(), 1u);
  const auto appends = std::count_if(log.begin(), log.end(), [](const std::string& line) {
    return line.starts_with("AppendToGraph");
  });
  EXPECT_EQ(wb_.windows()[0].traces.size(), static_cast<size_t>(appends));
  EXPECT_EQ(wb_.updateDepth(), 0) << "updates resume when the loop ends";
}

INSTANTIATE_TEST_SUITE_P(
    Stacks, PulseGraph,
    ::testing::Values(
        GraphCase{"one axis for the sweeps alone", [] { return test::SmallRecording(2); }, "/P",
                  {Append(1, "Pulse_1_1_1"), AxisCommand(1, "0.0000", "1.0000"),
                   Append(1, "Pulse_1_1_2")}},
        GraphCase{"leak and second trace stack below the sweep", WithLeakAndSecond, "/P/L/S",
                  {Append(1, "Pulse_1_1_1_leak"), AxisCommand(1, "0.0000", "0.3200"),
                   Append(2, "Pulse_1_1_1_2nd"), AxisCommand(2, "0.3400", "0.6600"),
                   Append(3, "Pulse_1_1_1"), AxisCommand(3, "0.6800", "1.0000")}},
        // Five axes: h = (1 - 4 x 0.02) / 5 = 0.184; the template as bars.
        GraphCase{"the LockIn takes the lowest three axes", WithSine, "/P/G/I",
                  {Append(1, "Pulse_1_1_1_Gm"), AxisCommand(1, "0.0000", "0.1840"),
                   Append(2, "Pulse_1_1_1_Gs"), AxisCommand(2, "0.2040", "0.3880"),
                   Append(3, "Pulse_1_1_1_Cm"), AxisCommand(3, "0.4080", "0.5920"),
                   Append(4, "Pulse_1_1_1_stim"), AxisCommand(4, "0.6120", "0.7960"),
                   "ModifyGraph mode('Pulse_1_1_1_stim')=6", Append(5, "Pulse_1_1_1"),
                   AxisCommand(5, "0.8160", "1.0000")}},
        GraphCase{"an axis of a wave missing from the first sweep gets no range",
                  LeakInSecondSweepOnly, "/P/L",
                  {Append(2, "Pulse_1_1_1"), AxisCommand(2, "0.5100", "1.0000"),
                   Append(1, "Pulse_1_1_2_leak"), Append(2, "Pulse_1_1_2")}},
        GraphCase{"liberal base names are quoted", [] { return test::SmallRecording(); },
                  "/P/N='my cell'", {Append(1, "my cell_1_1_1"), AxisCommand(1, "0.0000", "1.0000")}}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST_F(LoadPulseTest, SkippedSweepsShowWhatTheyHaveFromEarlierLoads) {
  PulseRecording rec = test::SmallRecording(2);
  rec.AddStimulation("other");
  rec.groups[0].series[0].sweeps[1].record.stimulation = 2;
  const std::string path = Write(rec);
  ASSERT_EQ(Load("", path), 0);
  ASSERT_EQ(Load("/O/P/J=stim", path), 0);
  EXPECT_THAT(wb_.commandLog(),
              ElementsAre(kGraphPrepare, Append(1, "Pulse_1_1_1"),
                          AxisCommand(1, "0.0000", "1.0000"), Append(1, "Pulse_1_1_2")));
}

}  // namespace
}  // namespace kwt::test
