// kwt info on PatchMaster recordings (bundles and sibling sets, both byte
// orders): the summary, --full and JSON, the marks of damaged items, files
// it cannot read, and the real recordings beside their reference
// descriptions.
#include <algorithm>
#include <cstdlib>

#include "tests/kwt/kwt_fixture.h"
#include "tests/testkit/pm_writer.h"
#include "tests/testkit/pulse_writer.h"

namespace kwt::test {
namespace {

namespace fs = std::filesystem;

class PmInfo : public KwtTest {
 protected:
  // Start times are shown in local time, which kwt inherits.
  void SetUp() override { setenv("TZ", "UTC", 1); }
};

// Two groups; the first sweep has an int16 and a big-endian real32 trace,
// the second series' sweep names a stimulation the tree does not have.
PmRecording Cell(ByteOrder order) {
  PmRecording rec;
  SetText(rec.root.roVersionName, "v2x90.5");
  rec.root.roStartTime = 86400.0 + 3661.0;
  rec.AddStimulation("IV").AddChannel(1).AddSegment(kPmSegmentConstant, -0.07, 0.01);
  rec.AddStimulation("ramp").AddChannel(1).AddSegment(kPmSegmentRamp, 0.05, 0.02);
  auto& g1 = rec.AddGroup("cell 1");
  SetText(g1.record.grText, "slice 3");
  auto& s1 = g1.AddSeries("IV");
  SetText(s1.record.seComment, "steps");
  auto& w1 = s1.AddSweep(1);
  SetText(w1.record.swLabel, "first");
  w1.AddTrace("Imon-1", {1, 2, 3});
  auto& v = w1.AddTrace("Vmon-1", {4.5, 5, 6});
  SetPmSampleLayout(v.record, kPmSampleReal32, ByteOrder::kBig);
  SetText(v.record.trYUnit, "V");
  v.record.trXInterval = 2e-5;
  s1.AddSweep(2).AddTrace("Imon-1", {7});
  g1.AddSeries("lost").AddSweep(9).AddTrace("Imon-1");
  rec.AddGroup("empty");
  SetPmByteOrder(rec, order);
  return rec;
}

std::string Head(const std::string& path, const std::string& arrangementLine) {
  return "PatchMaster recording " + path + "\n" + arrangementLine +
         "\n"
         "version v2x90.5, started Tue Jan 02 1990 01:01:01\n"
         "2 groups, 2 series, 3 sweeps, 4 traces, 2 stimulations\n";
}

TEST_F(PmInfo, SummaryByDefaultEveryTraceWithFull) {
  const auto bundle = WritePmBundle(Cell(ByteOrder::kLittle), dir_.path() / "b.dat");
  auto r = RunKwt({"info", bundle.data.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, Head(bundle.data.string(), "bundle, trees little-endian") +
                       "group 1 \"cell 1\": 2 series\n"
                       "  series 1 \"IV\": 2 sweeps, stimulations \"IV\", \"ramp\", In Out\n"
                       "    2 traces: Imon-1, Vmon-1 (A, V)\n"
                       "    sampled every 0.0001 s (10 kHz), every 2e-05 s (50 kHz), 1 to 3 points, "
                       "6e-05 to 0.0003 s per sweep\n"
                       "  series 2 \"lost\": 1 sweep, stimulation 9 missing, In Out\n"
                       "    1 trace: Imon-1 (A)\n"
                       "    sampled every 0.0001 s (10 kHz), 0 points, 0 s per sweep\n"
                       "group 2 \"empty\": 0 series\n");

  const auto sib = WritePmSiblings(Cell(ByteOrder::kBig), dir_.path() / "s.dat");
  r = RunKwt({"info", sib.data.string(), "--full"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out,
            Head(sib.data.string(), "data file DAT1, trees " + sib.pul.string() + " and " +
                                        sib.pgf.string() + ", big-endian") +
                "group 1 \"cell 1\": 2 series\n"
                "  series 1 \"IV\": 2 sweeps\n"
                "    sweep 1 \"first\": stimulation \"IV\", 2 traces\n"
                "      trace 1 \"Imon-1\": 3 points, int16 little-endian, x interval 0.0001 s, unit A\n"
                "      trace 2 \"Vmon-1\": 3 points, real32 big-endian, x interval 2e-05 s, unit V\n"
                "    sweep 2: stimulation \"ramp\", 1 trace\n"
                "      trace 1 \"Imon-1\": 1 point, int16 little-endian, x interval 0.0001 s, unit A\n"
                "  series 2 \"lost\": 1 sweep\n"
                "    sweep 1: stimulation 9 missing, 1 trace\n"
                "      trace 1 \"Imon-1\": 0 points, int16 little-endian, x interval 0.0001 s, unit A\n"
                "group 2 \"empty\": 0 series\n");
  // Each tree's name leads to the same recording, shown under the data file.
  for (const fs::path& tree : {sib.pul, sib.pgf, sib.amp, sib.sol}) {
    r = RunKwt({"info", tree.string()});
    EXPECT_EQ(r.status, 0) << tree << r.err;
    EXPECT_THAT(r.out, HasSubstr("PatchMaster recording " + sib.data.string() + "\n"));
  }
}

// A bundle with big-endian trees and a sibling set with little-endian ones
// (the summary above shows each arrangement with the other byte order).
TEST_F(PmInfo, JsonForBothArrangementsAndByteOrders) {
  for (const bool bundled : {true, false}) {
    SCOPED_TRACE(bundled ? "bundle" : "siblings");
    PmRecording rec = Cell(bundled ? ByteOrder::kBig : ByteOrder::kLittle);
    rec.dataSignature = "DATA";
    const fs::path path = dir_.path() / (bundled ? "b.dat" : "s.dat");
    const auto files = bundled ? WritePmBundle(rec, path) : WritePmSiblings(rec, path);
    const auto r = RunKwt({"info", files.data.string(), "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto doc = nlohmann::json::parse(r.out);
    EXPECT_EQ(nlohmann::json({doc["arrangement"], doc["data_kind"], doc["tree_byte_order"], doc["start_time"],
                              doc["damage"]}),
              nlohmann::json({bundled ? "bundle" : "siblings", bundled ? "DAT2" : "DATA",
                              bundled ? "big" : "little", 90061.0, nlohmann::json::array()}));
    // The big-endian real32 trace keeps its own layout in either tree.
    const auto& w1 = doc["groups"][0]["series"][0]["sweeps"][0];
    const auto& v = w1["traces"][1];
    EXPECT_EQ(nlohmann::json({v["format"], v["byte_order"], v["x_interval"], v["damaged"], w1["damaged"]}),
              nlohmann::json({"real32", "big", 2e-5, false, false}));
    EXPECT_GT(v["data_offset"].get<int>(), w1["traces"][0]["data_offset"].get<int>());
    EXPECT_EQ(doc["groups"][0]["series"][1]["sweeps"][0]["stimulation_found"], false);
  }
}

// What a load would leave out as damaged is marked in every form.
TEST_F(PmInfo, DamagedItemsAreMarked) {
  PmRecording rec = Cell(ByteOrder::kLittle);
  rec.groups[0].series[0].sweeps[0].traces[1].record.trXInterval = 1.13e-314;
  rec.groups[0].series[0].sweeps[1].traces.clear();
  const auto files = WritePmBundle(rec, dir_.path() / "d.dat");
  auto r = RunKwt({"info", files.data.string()});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("  series 1 \"IV\": 2 sweeps, stimulation \"IV\", In Out\n"
                               "    1 trace: Imon-1 (A)\n"
                               "    sampled every 0.0001 s (10 kHz), 3 points, 0.0003 s per sweep\n"
                               "    damaged: sweep 1, trace 2: its x interval 1.13e-314 s is no "
                               "sampling interval\n"
                               "    damaged: sweep 2: it holds no traces, where the recording's "
                               "sweeps hold traces\n"));
  r = RunKwt({"info", files.data.string(), "--full"});
  EXPECT_THAT(r.out, HasSubstr("      trace 2 \"Vmon-1\": damaged: its x interval 1.13e-314 s is "
                               "no sampling interval\n"));
  const auto doc = nlohmann::json::parse(RunKwt({"info", files.data.string(), "--json"}).out);
  const auto& sweeps = doc["groups"][0]["series"][0]["sweeps"];
  EXPECT_EQ(sweeps[0]["traces"][1]["damaged"], true);
  EXPECT_EQ(sweeps[0]["traces"][1]["damage"], "its x interval 1.13e-314 s is no sampling interval");
  EXPECT_EQ(sweeps[1]["damaged"], true);
}

// The Pulse reader keeps its recordings; the PatchMaster reader takes
// sibling sets by their four-level stimulus tree (the amplifier and
// solution trees are optional) and bundles by their signature, even with
// Pulse trees beside them.
TEST_F(PmInfo, EachFormatGoesToItsReader) {
  PulseRecording pulse;
  pulse.AddStimulation("IV").AddSegment(kSegmentConstant, -0.07, 1e-3);
  pulse.AddGroup("p").AddSeries().AddSweep({1, 2});
  const auto pf = WritePulseRecording(pulse, dir_.path() / "p.dat");
  PmRecording bare = Cell(ByteOrder::kBig);
  bare.writeAmplifier = bare.writeSolution = false;
  const auto sib = WritePmSiblings(bare, dir_.path() / "s.dat");
  const auto bundle = WritePmBundle(Cell(ByteOrder::kLittle), dir_.path() / "b.dat");
  WriteFileBytes(dir_.path() / "b.pul", PulseAcquisitionTreeBytes(pulse));
  WriteFileBytes(dir_.path() / "b.pgf", PulseStimulusTreeBytes(pulse));
  const auto json = [](const fs::path& file) {
    return nlohmann::json::parse(RunKwt({"info", file.string(), "--json"}).out);
  };
  EXPECT_EQ(json(pf.data)["format"], "Pulse");
  EXPECT_EQ(json(sib.data)["counts"]["traces"], 4);
  EXPECT_EQ(json(bundle.data)["format"], "PatchMaster");
  EXPECT_EQ(json(bundle.data)["counts"]["traces"], 4);
}

TEST_F(PmInfo, DamagedFilesFailWithAMessage) {
  const std::vector<uint8_t> good = PmBundleBytes(Cell(ByteOrder::kLittle));
  const auto write = [&](const std::string& name, const std::vector<uint8_t>& bytes) {
    WriteFileBytes(dir_.File(name), bytes);
    return dir_.File(name);
  };
  // The pulsed item reaching beyond the end of the file; the file ending
  // inside the stimulus tree.
  std::vector<uint8_t> longItem = good;
  longItem[BundleItemEntryOffset(kBundleItemPulsed) + 7] = 0x7F;
  const auto stimStart = static_cast<std::ptrdiff_t>(
      LoadI32(good, BundleItemEntryOffset(kBundleItemStimulus), ByteOrder::kLittle));

  // Sibling sets: a pulsed tree whose header stays (so the file is a
  // five-level tree) but whose records are cut; a Pulse acquisition tree
  // beside a PatchMaster stimulus tree; a pulsed tree without its stimulus
  // tree.
  const std::vector<uint8_t> pul = PulsedTreeBytes(Cell(ByteOrder::kBig));
  const auto cut = WritePmSiblings(Cell(ByteOrder::kBig), dir_.path() / "cut.dat");
  WriteFileBytes(cut.pul, {pul.begin(), pul.begin() + 100});
  const auto mixed = WritePmSiblings(Cell(ByteOrder::kBig), dir_.path() / "mixed.dat");
  PulseRecording pulse;
  pulse.AddGroup("p").AddSeries().AddSweep({1});
  WriteFileBytes(mixed.pul, PulseAcquisitionTreeBytes(pulse));
  const auto lone = WritePmSiblings(Cell(ByteOrder::kBig), dir_.path() / "lone.dat");
  fs::remove(lone.pgf);

  ExpectRuns({
      {{"info", write("header.dat", {good.begin(), good.begin() + 100})}, 1, Eq(""),
       HasSubstr("header.dat: the PatchMaster bundle header cannot be read")},
      {{"info", write("long.dat", longItem)}, 1, Eq(""),
       HasSubstr("the pulsed tree of the PatchMaster bundle cannot be read")},
      {{"info", write("stim.dat", {good.begin(), good.begin() + stimStart + 30})}, 1, Eq(""),
       HasSubstr("the stimulus tree of the PatchMaster bundle cannot be read")},
      {{"info", cut.data.string()}, 1, Eq(""),
       HasSubstr("the PatchMaster pulsed tree " + cut.pul.string() + " cannot be read")},
      {{"info", mixed.data.string()}, 1, Eq(""), HasSubstr("are not of one format")},
      {{"info", lone.data.string()}, 1, Eq(""),
       HasSubstr("the PatchMaster stimulus tree " + lone.pgf.string() + " cannot be read")},
  });
}

// The real recordings: a summary of a few lines, and in the JSON the
// counts and every trace's label and layout as the reference description
// beside each file gives them.  A copy with a block of zeros in its pulsed
// tree is marked damaged.
TEST_F(PmInfo, RealRecordingsMatchTheirReferences) {
  const fs::path folder = KWT_REALDATA_DIR;
  std::vector<fs::path> recordings;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec))
    if (entry.path().extension() == ".dat" && fs::exists(entry.path().string() + ".json"))
      recordings.push_back(entry.path());
  if (recordings.empty()) GTEST_SKIP() << "no real recordings in " << folder;
  for (const fs::path& path : recordings) {
    SCOPED_TRACE(path.string());
    const auto summary = RunKwt({"info", path.string()});
    ASSERT_EQ(summary.status, 0) << summary.err;
    EXPECT_LT(std::count(summary.out.begin(), summary.out.end(), '\n'), 20);
    EXPECT_THAT(summary.out, HasSubstr("sampled every 4e-05 s (25 kHz)"));
    EXPECT_THAT(summary.out, Not(HasSubstr("damaged")));

    const auto ref = nlohmann::json::parse(ReadFile(path.string() + ".json"));
    const auto r = RunKwt({"info", path.string(), "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto doc = nlohmann::json::parse(r.out);
    for (const char* level : {"groups", "series", "sweeps", "traces"})
      EXPECT_EQ(doc["counts"][level], ref["counts"][level]) << level;
    // The traces in tree order, each with its sweep.
    std::vector<nlohmann::json> traces;
    for (const auto& g : doc["groups"])
      for (const auto& s : g["series"])
        for (const auto& w : s["sweeps"]) {
          EXPECT_FALSE(w["stimulation"].get<std::string>().empty());
          for (auto t : w["traces"]) {
            t["w"] = w["sweep"];
            traces.push_back(t);
          }
        }
    ASSERT_EQ(traces.size(), ref["traces"].size());
    for (size_t i = 0; i < traces.size(); ++i) {
      const auto& got = traces[i];
      const auto& want = ref["traces"][i];
      SCOPED_TRACE(want.dump());
      EXPECT_EQ(nlohmann::json({got["w"], got["label"], got["points"], got["damaged"]}),
                nlohmann::json({want["w"], want["label"], want["points"], false}));
      EXPECT_DOUBLE_EQ(got["x_interval"].get<double>(), want["x_interval"].get<double>());
    }

    // The same recording with 4 KiB of zeros 28 KiB into its pulsed tree.
    const std::string text = ReadFile(path.string());
    std::vector<uint8_t> bytes(text.begin(), text.end());
    const auto pulsed = static_cast<size_t>(
        LoadI32(bytes, BundleItemEntryOffset(kBundleItemPulsed), ByteOrder::kLittle));
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(pulsed + 28 * 1024), 4096, 0);
    const std::string copy = dir_.File("copy.dat");
    WriteFileBytes(copy, bytes);
    const auto damaged = RunKwt({"info", copy});
    ASSERT_EQ(damaged.status, 0) << damaged.err;
    EXPECT_THAT(damaged.out, HasSubstr("damaged: the pulsed tree: its records end at byte"));
    EXPECT_THAT(damaged.out, HasSubstr("    damaged: sweep "));
  }
}

}  // namespace
}  // namespace kwt::test
