// LoadPM's waves: names, samples, notes and the graphs of /P.
#include <cmath>
#include <filesystem>

#include "tests/patchmaster/loadpm_fixture.h"

namespace kwt::test {
namespace {

// Traces to waves: names, every sample format in both sample byte orders,
// both tree byte orders, bundles and sibling files, interleaved blocks, the
// zero offset, x scaling, units, full scale, and data files that end early.

constexpr const char* kWave = "PMPulse_1_1_1_1_Imon";

TEST_F(LoadPmTest, EveryFormatInBothSampleByteOrders) {
  for (const test::SampleFormatCase& c : test::SampleFormatCases()) {
    for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
      SCOPED_TRACE(::testing::Message()
                   << "format " << c.format << (order == ByteOrder::kBig ? " big" : " little"));
      PmRecording rec = test::SmallPm();
      PmTrace& trace = rec.groups[0].series[0].sweeps[0].traces[0];
      trace.samples = Repeated(c.stored);
      trace.record.trDataScaler = c.factor;
      test::SetPmSampleLayout(trace.record, static_cast<uint8_t>(c.format), order);
      ASSERT_EQ(Load("/O/I", rec), 0);
      EXPECT_TRUE(Values(kWave) == Repeated(c.expected));
      const HostWave* w = Wave(kWave);
      ASSERT_NE(w, nullptr);
      EXPECT_EQ(w->type, kWaveFloat32);
      // The trace and its stimulus share the load's block.
      ASSERT_EQ(WaveNames().size(), 2u);
      for (const std::string& name : WaveNames())
        EXPECT_EQ(Wave(name)->samples.InArena(), SampleArena::Enabled()) << name;
      EXPECT_EQ(w->fullScaleBottom, -32768.0 * c.factor);
      EXPECT_EQ(w->fullScaleTop, 32767.0 * c.factor);
    }
  }
}

TEST_F(LoadPmTest, NamesFromBaseNumbersAndLabels) {
  PmRecording rec = test::SmallPm(2);
  rec.groups[0].series[0].sweeps[1].AddTrace("Vmon", {4, 5});
  rec.groups[0].AddSeries().AddSweep().AddTrace("Imon-2", {6});
  ASSERT_EQ(Load("", rec), 0);
  EXPECT_THAT(WaveNames(), ElementsAre("PMPulse_1_1_1_1_Imon", "PMPulse_1_1_2_1_Imon",
                                       "PMPulse_1_1_2_2_Vmon", "PMPulse_1_2_1_1_Imon-2"));
  EXPECT_THAT(Values("PMPulse_1_1_2_2_Vmon"), ElementsAre(4, 5));
  EXPECT_EQ(Text("kwtLastPulseWave"), "PMPulse_1_2_1_1_Imon-2");
  EXPECT_THAT(Posted(), HasSubstr("Raw Data \"PMPulse_1_1_2_2_Vmon\" loaded,     2 samples\r"));

  ASSERT_EQ(Load("/N=cell", (dir_.path() / "cell.dat").string()), 0);
  EXPECT_THAT(Values("cell_1_2_1_1_Imon-2"), ElementsAre(6));

  // The browser's preview name: exactly the base, no note, no stimulus.
  ASSERT_EQ(Load("/I/D=1/C=1/B=1/A=1/N=junkWave", (dir_.path() / "cell.dat").string()), 0);
  ASSERT_NE(Wave("junkWave"), nullptr);
  EXPECT_THAT(Values("junkWave"), ElementsAre(1, 2, 3));
  EXPECT_EQ(Wave("junkWave")->note, "");
  EXPECT_EQ(Wave("junkWave_1_1_1_1_DA-0"), nullptr);
}

TEST_F(LoadPmTest, WavesThatExistAreKeptWithoutO) {
  PmRecording rec = test::SmallPm();
  const std::string path = Write(rec);
  ASSERT_EQ(Load("", path), 0);
  rec.groups[0].series[0].sweeps[0].traces[0].samples = {7, 8, 9};
  Write(rec);
  wb_.interaction().ClearEvents();
  EXPECT_EQ(Load("", path), 0) << "a wave that cannot be made is no failure of the trace";
  EXPECT_THAT(Values(kWave), ElementsAre(1, 2, 3));
  ASSERT_EQ(Load("/O", path), 0);
  EXPECT_THAT(Values(kWave), ElementsAre(7, 8, 9));
}

// Sibling files: naming a tree file reads the samples from the data file,
// whose first bytes may be anything but "DAT" with another fourth byte.
TEST_F(LoadPmTest, SiblingDataFilesByTheirTreesAndSignatures) {
  const test::PmFiles files = test::WritePmSiblings(test::SmallPm(), dir_.path() / "cell.dat");
  ASSERT_EQ(Load("", files.pul.string()), 0);
  EXPECT_THAT(Wave(kWave)->note, ::testing::StartsWith("\rFilename:\t\tcell.dat;\r"));
  PmRecording rec = test::SmallPm();
  for (const char* accepted : {"DAT1", "DATA", "XYZW"}) {
    rec.dataSignature = accepted;
    WriteSiblings(rec);
    ASSERT_EQ(Load("/O", files.pgf.string()), 0) << accepted;
    EXPECT_THAT(Values(kWave), ElementsAre(1, 2, 3));
  }
  rec.dataSignature = "DATB";
  EXPECT_EQ(Load("/O", WriteSiblings(rec)), kErrCannotOpenDat);
}

TEST_F(LoadPmTest, InterleavedBlocksOf1024BytesEvery4096) {
  PmRecording rec = test::SmallPm();
  PmSweep& sweep = rec.groups[0].series[0].sweeps[0];
  sweep.traces.clear();
  sweep.interleaveBlock = 1024;  // four traces: a block of each in turn
  for (int k = 0; k < 4; ++k) {
    std::vector<double> samples;
    for (int i = 0; i < 1300; ++i) samples.push_back(k * 10000 + i);
    sweep.AddTrace("T" + std::to_string(k + 1), samples);
  }
  for (bool bundle : {true, false}) {
    ASSERT_EQ(Load("/O", bundle ? Write(rec) : WriteSiblings(rec)), 0);
    for (int k = 0; k < 4; ++k) {
      const std::vector<double> v = Values("PMPulse_1_1_1_" + std::to_string(k + 1) + "_T" +
                                           std::to_string(k + 1));
      ASSERT_EQ(v.size(), 1300u);
      for (int i = 0; i < 1300; ++i) ASSERT_EQ(v[i], k * 10000 + i) << "trace " << k << " at " << i;
    }
  }
}

// The zero offset is subtracted after scaling, with /Z only; /T puts the
// x start at the sweep time from the file's start.
TEST_F(LoadPmTest, ZeroOffsetXScalingUnitsAndTheFileStartTime) {
  PmRecording rec = test::SmallPm();
  rec.root.roStartTime = 1000.0;
  rec.groups[0].series[0].sweeps[0].record.swTime = 1012.5;
  PmTrace& trace = rec.groups[0].series[0].sweeps[0].traces[0];
  trace.samples = {100, -100};
  trace.record.trDataScaler = 0.01;
  trace.record.trZeroData = 0.5;
  trace.record.trXStart = 0.25;
  trace.record.trXInterval = 2.5e-5;
  test::SetText(trace.record.trYUnit, "mV");
  const std::string path = Write(rec);
  ASSERT_EQ(Load("", path), 0);
  EXPECT_THAT(Values(kWave), ElementsAre(1, -1));
  const HostWave* w = Wave(kWave);
  EXPECT_EQ(w->dims[0].offset, 0.25);
  EXPECT_EQ(w->dims[0].delta, 2.5e-5);
  EXPECT_EQ(w->dims[0].units, "s");
  EXPECT_EQ(w->dataUnits, "mV");
  EXPECT_EQ(Number("kwtPulseTime"), 1000.0);
  ASSERT_EQ(Load("/O/Z/T", path), 0);
  EXPECT_THAT(Values(kWave), ElementsAre(0.5, -1.5));
  EXPECT_EQ(Wave(kWave)->dims[0].offset, 12.75);
}

TEST_F(LoadPmTest, AnUnknownSampleFormatFailsTheTraceAndKeepsEarlierWaves) {
  // Three sweeps, so that the second one's samples lie inside the data: the
  // writer stores none for a format it does not know.
  PmRecording rec = test::SmallPm(3);
  rec.groups[0].series[0].sweeps[1].traces[0].record.trDataFormat = 7;
  EXPECT_EQ(Load("", rec), kErrReadTrace);
  EXPECT_THAT(WaveNames(), ElementsAre(kWave));
  EXPECT_EQ(wb_.updateDepth(), 0);
  EXPECT_TRUE(wb_.root().FindVariable("kwtPulseTime") != nullptr);
}

// A sweep whose stimulation is missing loads its samples without a
// stimulus; a trace without the stimulus bit gets no stimulus wave.
TEST_F(LoadPmTest, SweepsWithoutStimulationAndTracesWithoutStimulusBit) {
  PmRecording rec = test::SmallPm(3);
  rec.groups[0].series[0].sweeps[1].record.stimNo = 9;  // beyond the one stimulation
  rec.groups[0].series[0].sweeps[2].traces[0].record.trDataKind |= kTraceKindNoStimulus;
  ASSERT_EQ(Load("/I/G", rec), 0);
  EXPECT_THAT(Values("PMPulse_1_1_2_1_Imon"), ElementsAre(1, 2, 3));
  EXPECT_THAT(WaveNames(), ElementsAre(kWave, "PMPulse_1_1_1_1_DA-0", "PMPulse_1_1_2_1_Imon",
                                       "PMPulse_1_1_3_1_Imon"));
  const std::string note = Wave("PMPulse_1_1_2_1_Imon")->note;
  EXPECT_THAT(note, Not(HasSubstr("Stimulation:")));
  EXPECT_THAT(note, ::testing::EndsWith("Digital Out:\t\t0x0;\r"));
}

// The note of a trace's wave, byte for byte, and its optional lines.

// Seconds from 1 January 1990 00:00 to 1 February 1990 13:14:15.5.
constexpr double kFeb1 = 31 * 86400.0 + 13 * 3600.0 + 14 * 60.0 + 15.5;

// A trace with every field of the note set to a value that shows: an
// amplifier state of its own, a solution found and one not, leak pulses,
// and a channel whose segments are of every class.
PmRecording Described() {
  PmRecording rec;
  SetText(rec.root.roVersionName, "v2x90.5");
  test::PmStimulation& stim = rec.AddStimulation("IV");
  stim.record.stNumberLeaks = 4;
  stim.record.stLeakDelay = 0.25;
  test::PmChannel& ch = stim.AddChannel(1);
  ch.record.chLeakSize = -0.25;
  ch.record.chLeakHolding = -0.12;
  ch.AddSegment(kPmSegmentConstant, -0.07, 0.01)
      .AddSegment(kPmSegmentRamp, -0.02, 0.005)
      .AddSegment(kPmSegmentContinuous, 0.011, 0.00125)
      .AddSegment(kPmSegmentSine, -0.07, 0.02)
      .AddSegment(kPmSegmentSquare, -0.05, 0.001)
      .AddSegment(9, 0.001, 0.002);
  ch.segments[1].segStore = 0;  // the ramp is not listed

  AmpStateRecord& state = rec.AddAmpSeries().AddState();
  AmplifierState& a = state.amplifierState;
  a.amplKind = 1;
  a.vHold = -0.07;
  a.gSeries = 2e-7;
  a.rsOn = 1;
  a.rsValue = 6e6;
  a.rsFraction = 0.75;
  a.cFastAmp1 = 1.5e-12;
  a.cFastAmp2 = 0.25e-12;
  a.vLiquidJunction = -0.0045;
  a.vOffset = 0.00125;
  rec.AddSolution("KCl int");

  test::PmSeries& series = rec.AddGroup().AddSeries();
  SetText(series.record.seComment, "my cell");
  test::PmSweep& sweep = series.AddSweep();
  sweep.record.swTime = kFeb1;
  sweep.record.swTimer = 3723.5;
  sweep.record.swTemperature = 21.5;
  sweep.record.swDigitalIn = 0x1F;
  sweep.record.swDigitalOut = 0xA0;
  PmTraceRecord& t = sweep.AddTrace("Imon", {1, 2, 3}).record;
  t.trRecordingMode = 3;  // Whole Cell
  t.trBandwidth = 2900.0;
  t.trCSlow = 12.34e-12;
  t.trRsValue = 4.5e6;
  t.trDataScaler = 6.25e-13;
  t.trAverageCount = 3;
  t.trIntSolution = 1;
  t.trExtSolution = 5;
  t.trAmplIndex = 1;
  t.trLinkDAChannel = 1;
  return rec;
}

constexpr const char* kHead =
    "\rFilename:\t\tcell.dat;\rVersion:   \t\tPM v2x90.5;\r"
    "Sweep time:\t\tThu Feb 01 1990 13:14:15.500;\r"
    "Timer:\t\t\t01:02:03.500;\r"
    "Group:\t\t\t1 of 1;\rSeries:\t\t\t1 of 1;\rSweep:   \t\t1 of 1;\rTrace:\t\t\t1 of 1;\r"
    "Trace Count:\t\t1;\rMode:\t\t\tWhole Cell;\rBandwidth:\t\t2900 Hz;\r"
    "Holding:   \t\t-70 mV;\r"
    "Comment:\t\tmy cell;\rData points:\t\t3;\rCSlow:\t\t\t12.34 pF;\r"
    "RSeries:\t\t5.000 MOhm;\r"
    "RSValue:\t\t6.000 MOhm;\r"
    "rsFraction:\t\t75 %;\rrsOn:\t\t\t1;\r"
    "cFastAmp1:\t\t1.50 pF;\rcFastAmp2:\t\t0.25 pF;\r"
    "LJ:\t\t\t-4.500 mV;\rVOffset:   \t\t1.250 mV;\r"
    "Gain:\t\t\t0.5 mv/pA;\rTemperature:\t\t21.5 C;\r"
    "No. Aver.:\t\t3;\r"
    "int. Solution:\t\tKCl int;\rext. Solution:\t\t5;\r"
    "Digital In:\t\t0x1F;\rDigital Out:\t\t0xA0;\rAmplifier:\t\t1;\r"
    "Stimulation:\t\tIV;\rlinked Stim Chan.:\t1;\r"
    "No. Leaks:\t\t4;\rLeak delay:\t\t250 ms;\r";

constexpr const char* kChannel =
    "Channel:\t\t1;\rLeak size:\t\t-0.25;\rLeak hold:\t\t-120 mV;\r"
    "Seg1:\t\t\tConstant;\rV1:\t\t\t-70 mV;\rD1:\t\t\t10.00 ms;\r"
    "Seg3:\t\t\tContinuous;\rV3:\t\t\t11 mV;\rD3:\t\t\t1.25 ms;\r"
    "Seg4:\t\t\tConstant Sine;\rV4:\t\t\t-70 mV;\rD4:\t\t\t20.00 ms;\r"
    "Seg5:\t\t\tSquareWave;\rV5:\t\t\t-50 mV;\rD5:\t\t\t1.00 ms;\r"
    "V6:\t\t\t1 mV;\rD6:\t\t\t2.00 ms;\r";

TEST_F(LoadPmTest, TheTraceNoteByteForByte) {
  // In a folder with a dot: the note names the file alone.
  std::filesystem::create_directories(dir_.path() / "run.1");
  const std::string path = Write(Described(), "run.1/cell.dat");
  ASSERT_EQ(Load("", path), 0);
  EXPECT_EQ(Wave(kWave)->note, std::string(kHead) + kChannel);

  // With the stimulus waves the channel block names its wave first.
  ASSERT_EQ(Load("/O/I", path), 0);
  EXPECT_EQ(Wave(kWave)->note,
            std::string(kHead) + "StimWave:\t\tPMPulse_1_1_1_1_DA-0;\r" + kChannel);
}

TEST_F(LoadPmTest, NoteVariantsFromTheSeriesAmplifierState) {
  PmRecording rec = Described();
  PmTraceRecord& t = rec.groups[0].series[0].sweeps[0].traces[0].record;
  // No amplifier state of its own: the series' block applies, an amplifier
  // in On Cell mode with its sign convention, no compensation.
  t.trAmplIndex = 0;
  t.trRecordingMode = 1;
  t.trAverageCount = 1;
  t.trIntSolution = 0;
  t.trExtSolution = 0;
  AmplifierState& a = rec.groups[0].series[0].record.seAmplifierState;
  a.amplKind = 1;
  a.vHold = -0.06;
  a.gSeries = 0.0;
  a.rsOn = 0;
  rec.stimulations[0].record.stLeakDelay = 1.5;
  SetText(rec.groups[0].series[0].record.seComment, std::string(80, 'c'));
  ASSERT_EQ(Load("", rec), 0);
  const std::string note = Wave(kWave)->note;
  EXPECT_THAT(note, HasSubstr("\rMode:\t\t\tOn Cell   ;\r"));
  EXPECT_THAT(note, HasSubstr("\rHolding:   \t\t60 mV;\r"));
  EXPECT_THAT(note, HasSubstr("\rComment:\t\t" + std::string(80, 'c') + ";\r"));
  EXPECT_THAT(note, HasSubstr("\rRSeries:\t\tinf;\rRSValue:\t\t4.500 MOhm;\r"));
  EXPECT_THAT(note, HasSubstr("\rrsOn:\t\t\t0;\r"));
  EXPECT_THAT(note, HasSubstr("\rLeak delay:\t\t1.500 s;\r"));
  EXPECT_THAT(note, HasSubstr("Digital Out:\t\t0xA0;\rStimulation:"));
  EXPECT_THAT(note, Not(HasSubstr("No. Aver.")));
  EXPECT_THAT(note, Not(HasSubstr("Solution")));

  // Without an amplifier the holding comes from the linked channel; without
  // leak pulses there are no leak lines.
  a.amplKind = 0;
  rec.stimulations[0].channels[0].record.chHolding = -0.0000001;
  rec.stimulations[0].record.stNumberLeaks = 0;
  ASSERT_EQ(Load("/O", rec), 0);
  const std::string n = Wave(kWave)->note;
  EXPECT_THAT(n, HasSubstr("\rHolding:   \t\t0 mV;\r"));
  EXPECT_THAT(n, HasSubstr("\rlinked Stim Chan.:\t1;\rChannel:\t\t1;\rSeg1:"));
  EXPECT_THAT(n, Not(HasSubstr("Leak")));
  rec.stimulations[0].channels[0].record.chHolding = -0.065;
  ASSERT_EQ(Load("/O", rec), 0);
  EXPECT_THAT(Wave(kWave)->note, HasSubstr("\rHolding:   \t\t-65 mV;\r"));
}

// LoadPM/P: one graph per loaded trace, the data, stimulus and LockIn waves
// on stacked left axes, as command lines.

// One trace of 8 samples, a sine channel linked to it (2 samples per cycle)
// and, with `twoOutputs`, a second analog output.
PmRecording Recording(bool lockIn, bool twoOutputs = false) {
  PmRecording rec;
  auto& stim = rec.AddStimulation("stim");
  stim.record.stLockInFlag = lockIn ? 1 : 0;
  PmChannel& ch = stim.AddChannel(1);
  ch.record.chSineCycle = 2e-4;
  ch.record.chSineAmplitude = 0.01;
  ch.AddSegment(kPmSegmentSine, -0.07, 8e-4);
  if (twoOutputs) stim.AddChannel(2, 1).AddSegment(kPmSegmentConstant, 0.1, 8e-4);
  rec.AddGroup().AddSeries().AddSweep().AddTrace("Imon", {1, -2, 3, -4, 5, -6, 7, -8});
  rec.groups[0].series[0].record.seLockInParams = {0.0, 1.0, 1};
  return rec;
}

// The stacked axes of each kind of load, command by command.
TEST_F(LoadPmTest, StackedAxesForStimulusAndLockIn) {
  const std::string imon = "'PMPulse_1_1_1_1_Imon'", da0 = "'PMPulse_1_1_1_1_DA-0'";
  const std::string gm = "'PMPulse_1_1_1_1_Imon_Gm'", gs = "'PMPulse_1_1_1_1_Imon_Gs'",
                    cm = "'PMPulse_1_1_1_1_Imon_Cm'";
  const std::string da0Mode = "ModifyGraph mode(" + da0 + ")=6";
  struct Case {
    std::string flags;
    PmRecording rec;
    std::vector<std::string> commands;
  };
  const std::vector<Case> cases = {
      // All stimulus waves share one axis: h = (1 - 0.06) / 2 = 0.47.
      {"/P/I", Recording(false, true),
       {kGraphPrepare, "AppendToGraph/L=l1 " + da0, AxisCommand(1, "0.0000", "0.4700"), da0Mode,
        "AppendToGraph/L=l1 'PMPulse_1_1_1_2_DA-1'", AxisCommand(1, "0.0000", "0.4700"),
        "ModifyGraph mode('PMPulse_1_1_1_2_DA-1')=6", "AppendToGraph/L=l2 " + imon,
        AxisCommand(2, "0.5300", "1.0000")}},
      // h = (1 - 4 x 0.06) / 5 = 0.152.
      {"/P/I/G/Q", Recording(true),
       {kGraphPrepare, "AppendToGraph/L=l1 " + gm, AxisCommand(1, "0.0000", "0.1520"),
        "AppendToGraph/L=l2 " + gs, AxisCommand(2, "0.2120", "0.3640"), "AppendToGraph/L=l3 " + cm,
        AxisCommand(3, "0.4240", "0.5760"), "AppendToGraph/L=l4 " + da0,
        AxisCommand(4, "0.6360", "0.7880"), da0Mode, "AppendToGraph/L=l5 " + imon, AxisCommand(5, "0.8480", "1.0000")}},
      // h = (1 - 3 x 0.06) / 4 = 0.205.
      {"/P/G/Q", Recording(true),
       {kGraphPrepare, "AppendToGraph/L=l1 " + gm, AxisCommand(1, "0.0000", "0.2050"),
        "AppendToGraph/L=l2 " + gs, AxisCommand(2, "0.2650", "0.4700"), "AppendToGraph/L=l3 " + cm,
        AxisCommand(3, "0.5300", "0.7350"), "AppendToGraph/L=l4 " + imon,
        AxisCommand(4, "0.7950", "1.0000")}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    const auto from = static_cast<std::ptrdiff_t>(wb_.commandLog().size());
    ASSERT_EQ(Load("/O" + c.flags, c.rec), 0);
    EXPECT_THAT(std::vector<std::string>(wb_.commandLog().begin() + from, wb_.commandLog().end()),
                ElementsAreArray(c.commands));
  }
  ASSERT_EQ(wb_.windows().size(), 3u) << "one graph per trace loaded";
  EXPECT_EQ(wb_.updateDepth(), 0) << "updates resume when the loop ends";
  EXPECT_EQ(wb_.windows().front().traces.size(), 4u) << "the last graph, on top";
}

}  // namespace
}  // namespace kwt::test
