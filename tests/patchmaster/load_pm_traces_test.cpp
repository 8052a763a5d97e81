// Traces to waves: names, every sample format in both sample byte orders,
// both tree byte orders, bundles and sibling files, interleaved blocks, the
// zero offset, x scaling, units, full scale, and data files that end early.
#include <filesystem>

#include "tests/patchmaster/loadpm_fixture.h"

namespace kwt {
namespace {

using test::F;
using test::LoadPmTest;
using test::PmRecording;
using test::PmSweep;
using test::PmTrace;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

constexpr const char* kWave = "PMPulse_1_1_1_1_Imon";

struct FormatCase {
  uint8_t format;
  std::vector<double> stored;
  double scaler;
  std::vector<double> expected;  // worked out by hand, as floats
};

TEST_F(LoadPmTest, EveryFormatInBothSampleByteOrders) {
  const std::vector<FormatCase> cases = {
      {kPmSampleInt16, {-32768, 0, 32767, 5}, 1e-12, {F(-3.2768e-8), 0.0, F(3.2767e-8), F(5e-12)}},
      {kPmSampleInt32, {-2147483648.0, 7, 123456789}, 1e-3,
       {F(-2147483.648), F(0.007), F(123456.789)}},
      {kPmSampleReal32, {1.5, -0.25, 1e30}, 2.0, {3.0, -0.5, F(2e30)}},
      // 64-bit samples are scaled like the others.
      {kPmSampleReal64, {1.0 / 3.0, -1e-300, 4.0}, 3.0, {F(1.0), 0.0, 12.0}},
  };
  for (const FormatCase& c : cases) {
    for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
      SCOPED_TRACE(::testing::Message()
                   << "format " << int{c.format} << (order == ByteOrder::kBig ? " big" : " little"));
      PmRecording rec = test::SmallPm();
      PmTrace& trace = rec.groups[0].series[0].sweeps[0].traces[0];
      trace.samples = c.stored;
      trace.record.trDataScaler = c.scaler;
      test::SetPmSampleLayout(trace.record, c.format, order);
      ASSERT_EQ(Load("/O", rec), 0);
      EXPECT_THAT(Values(kWave), ElementsAreArray(c.expected));
      const HostWave* w = Wave(kWave);
      ASSERT_NE(w, nullptr);
      EXPECT_EQ(w->type, kWaveFloat32);
      EXPECT_EQ(w->fullScaleBottom, -32768.0 * c.scaler);
      EXPECT_EQ(w->fullScaleTop, 32767.0 * c.scaler);
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

// Both tree byte orders, each as a bundle (header in that order too) and as
// sibling files; samples of both orders side by side.
TEST_F(LoadPmTest, TreesOfEitherByteOrderInBundlesAndSiblingFiles) {
  for (ByteOrder order : {ByteOrder::kBig, ByteOrder::kLittle}) {
    for (bool bundle : {true, false}) {
      SCOPED_TRACE(::testing::Message() << (order == ByteOrder::kBig ? "big" : "little")
                                        << (bundle ? " bundle" : " siblings"));
      PmRecording rec = test::SmallPm();
      test::SetPmByteOrder(rec, order);
      PmSweep& sweep = rec.groups[0].series[0].sweeps[0];
      test::SetPmSampleLayout(sweep.AddTrace("Vmon", {-7, 300}).record, kPmSampleInt16,
                              ByteOrder::kBig);
      sweep.traces[1].record.trDataScaler = 0.5;
      const std::string path = bundle ? Write(rec) : WriteSiblings(rec);
      ASSERT_EQ(Load("/O", path), 0);
      EXPECT_THAT(Values(kWave), ElementsAre(1, 2, 3));
      EXPECT_THAT(Values("PMPulse_1_1_1_2_Vmon"), ElementsAre(-3.5, 150));
    }
  }
}

TEST_F(LoadPmTest, NamingATreeFileReadsTheSamplesFromTheDataFile) {
  const test::PmFiles files = test::WritePmSiblings(test::SmallPm(), dir_.path() / "cell.dat");
  ASSERT_EQ(Load("", files.pul.string()), 0);
  EXPECT_THAT(Values(kWave), ElementsAre(1, 2, 3));
  EXPECT_THAT(Wave(kWave)->note, ::testing::StartsWith("\rFilename:\t\tcell.dat;\r"));
  ASSERT_EQ(Load("/O", files.pgf.string()), 0);
  EXPECT_THAT(Values(kWave), ElementsAre(1, 2, 3));
}

TEST_F(LoadPmTest, SignaturesOfSiblingDataFiles) {
  PmRecording rec = test::SmallPm();
  for (const char* accepted : {"DAT1", "DATA", "XYZW"}) {
    rec.dataSignature = accepted;
    ASSERT_EQ(Load("/O", WriteSiblings(rec)), 0) << accepted;
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
  // The writer put the blocks where the records say.
  test::PmRecording laid = rec;
  test::LayOutPmData(laid, 256);
  EXPECT_EQ(laid.groups[0].series[0].sweeps[0].traces[1].record.trInterleaveSkip, 4096);
}

TEST_F(LoadPmTest, ZeroOffsetIsSubtractedAfterScaling) {
  PmRecording rec = test::SmallPm();
  PmTrace& trace = rec.groups[0].series[0].sweeps[0].traces[0];
  trace.samples = {100, -100};
  trace.record.trDataScaler = 0.01;
  trace.record.trZeroData = 0.5;
  const std::string path = Write(rec);
  ASSERT_EQ(Load("", path), 0);
  EXPECT_THAT(Values(kWave), ElementsAre(1, -1));
  ASSERT_EQ(Load("/O/Z", path), 0);
  EXPECT_THAT(Values(kWave), ElementsAre(0.5, -1.5));
}

TEST_F(LoadPmTest, XScalingUnitsAndTheFileStartTime) {
  PmRecording rec = test::SmallPm();
  rec.root.roStartTime = 1000.0;
  rec.groups[0].series[0].sweeps[0].record.swTime = 1012.5;
  PmTrace& trace = rec.groups[0].series[0].sweeps[0].traces[0];
  trace.record.trXStart = 0.25;
  trace.record.trXInterval = 2.5e-5;
  test::SetText(trace.record.trYUnit, "mV");
  const std::string path = Write(rec);
  ASSERT_EQ(Load("", path), 0);
  const HostWave* w = Wave(kWave);
  ASSERT_NE(w, nullptr);
  EXPECT_EQ(w->dims[0].offset, 0.25);
  EXPECT_EQ(w->dims[0].delta, 2.5e-5);
  EXPECT_EQ(w->dims[0].units, "s");
  EXPECT_EQ(w->dataUnits, "mV");
  EXPECT_EQ(Number("kwtPulseTime"), 1000.0);
  ASSERT_EQ(Load("/O/T", path), 0);
  EXPECT_EQ(Wave(kWave)->dims[0].offset, 12.75);
}

// Samples that lie past the end of the data file read as zeros; the trace
// still loads, and the history says what was missing.
TEST_F(LoadPmTest, SamplesBeyondTheEndOfTheFileAreZeros) {
  PmRecording rec = test::SmallPm();
  PmTrace& trace = rec.groups[0].series[0].sweeps[0].traces[0];
  trace.placeData = false;
  trace.samples = {4, 5};  // written at the offset: 4 bytes at 64..67
  trace.record.trDataOffset = static_cast<int32_t>(rec.siblingDataStart);
  trace.record.trDataPoints = 5;
  const std::string path = WriteSiblings(rec);
  ASSERT_EQ(std::filesystem::file_size(path), rec.siblingDataStart + 4);
  ASSERT_EQ(Load("", path), 0);
  EXPECT_THAT(Values(kWave), ElementsAre(4, 5, 0, 0, 0));
  const std::string plain = "Raw Data \"PMPulse_1_1_1_1_Imon\" loaded,     5 samples\r";
  EXPECT_THAT(PostedWithoutTiming(), HasSubstr(plain));
  EXPECT_GT(PostedWithoutTiming().size(), plain.size()) << "a notice tells of the missing samples";

  // All of a trace beyond the end.
  rec.groups[0].series[0].sweeps[0].traces[0].samples.clear();
  rec.groups[0].series[0].sweeps[0].traces[0].record.trDataOffset = 100000;
  ASSERT_EQ(Load("/O", WriteSiblings(rec)), 0);
  EXPECT_THAT(Values(kWave), ElementsAre(0, 0, 0, 0, 0));
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

TEST_F(LoadPmTest, ASweepWithoutItsStimulationStillLoadsItsSamples) {
  PmRecording rec = test::SmallPm(2);
  rec.groups[0].series[0].sweeps[1].record.stimNo = 9;  // beyond the one stimulation
  ASSERT_EQ(Load("/I/G", rec), 0);
  EXPECT_THAT(Values("PMPulse_1_1_2_1_Imon"), ElementsAre(1, 2, 3));
  EXPECT_THAT(WaveNames(), ElementsAre(kWave, "PMPulse_1_1_1_1_DA-0", "PMPulse_1_1_2_1_Imon"));
  const std::string note = Wave("PMPulse_1_1_2_1_Imon")->note;
  EXPECT_THAT(note, HasSubstr("Digital Out:\t\t0x0;\r"));
  EXPECT_THAT(note, ::testing::Not(HasSubstr("Stimulation:")));
  EXPECT_THAT(note, ::testing::EndsWith("Digital Out:\t\t0x0;\r"));
}

TEST_F(LoadPmTest, TracesWithoutStimulusBitGetNoStimulusWaves) {
  PmRecording rec = test::SmallPm();
  rec.groups[0].series[0].sweeps[0].traces[0].record.trDataKind |= kTraceKindNoStimulus;
  ASSERT_EQ(Load("/I", rec), 0);
  EXPECT_THAT(WaveNames(), ElementsAre(kWave));
}

}  // namespace
}  // namespace kwt
