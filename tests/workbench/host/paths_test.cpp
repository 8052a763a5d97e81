// The files the loaders open.  In folders with names in any language: a
// typed line whose characters all exist in the host's code page becomes
// Windows-1252 bytes (é, µ), one with others stays UTF-8 (α, 数据); either
// way every file the loaders open, derive or name must be the one on disk,
// and what they write into notes must read right in the session file.
// Files that are not regular files: a FIFO would block an open or a read
// forever (a device such as /dev/zero would never end; its kind is named
// where kwt info refuses it); every loader, and LoadWave, refuses them with
// its own code and says why.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "host/result_codes.h"
#include "tests/testkit/pm_writer.h"
#include "tests/testkit/pulse_writer.h"
#include "tests/testkit/temp_dir.h"
#include "tests/testkit/xchart_writer.h"
#include "workbench/export/session_dump.h"
#include "workbench/host/encoding.h"
#include "workbench/workbench.h"

namespace kwt {
namespace {

using ::testing::HasSubstr;

// The smallest recording of each format the loaders read.
test::PulseRecording SmallPulse() {
  test::PulseRecording pulse;
  pulse.AddStimulation("stim");
  pulse.AddGroup("g").AddSeries().AddSweep({1, 2, 3});
  return pulse;
}
test::PmRecording SmallPm() {
  test::PmRecording pm;
  pm.AddStimulation("stim").AddChannel(1).AddSegment(kPmSegmentConstant, -0.07, 3e-4);
  pm.AddGroup("g").AddSeries().AddSweep().AddTrace("Imon", {1, 2, 3});
  return pm;
}
test::XChartRecording SmallChart() {
  test::XChartRecording chart;
  auto& group = chart.AddGroup();
  group.SetTrace(0, "t", "s", 0, {0, 1});
  group.SetTrace(1, "Vm", "mV", 1, {-70, -60});
  return chart;
}

class ForeignPaths : public ::testing::TestWithParam<const char*> {
 protected:
  ForeignPaths() : wb_(Workbench::Options{.memoryPrefs = true}) {
    folder_ = dir_.path() / GetParam();
    std::filesystem::create_directory(folder_);
  }
  // The native path of a file named after the folder, with `extension`.
  std::string File(const std::string& extension) const {
    return (folder_ / (std::string(GetParam()) + extension)).string();
  }
  std::string Note(const char* wave) {
    HostWave* w = wb_.root().FindWave(wave);
    return w != nullptr ? HostToUtf8(w->note) : "<no wave " + std::string(wave) + ">";
  }

  test::TempDir dir_;
  std::filesystem::path folder_;
  Workbench wb_;
};

TEST_P(ForeignPaths, EveryLoaderOpensItsFilesAndTheirSiblings) {
  test::WritePulseRecording(SmallPulse(), File(".dat"));
  ASSERT_EQ(wb_.Run("LoadPulse/Q \"" + File(".dat") + "\""), 0);
  EXPECT_THAT(Note("Pulse_1_1_1"), HasSubstr(std::string(GetParam()) + ".dat;"));

  // A bundle, and a data file beside its tree files.
  test::WritePmBundle(SmallPm(), File("_b.dat"));
  ASSERT_EQ(wb_.Run("LoadPM/Q/N=b \"" + File("_b.dat") + "\""), 0);
  EXPECT_THAT(Note("b_1_1_1_1_Imon"), HasSubstr(std::string(GetParam()) + "_b.dat;"));
  test::WritePmSiblings(SmallPm(), File("_s.dat"));
  ASSERT_EQ(wb_.Run("LoadPM/Q/N=s \"" + File("_s.dat") + "\""), 0);
  EXPECT_NE(wb_.root().FindWave("s_1_1_1_1_Imon"), nullptr);

  // The tree file names its data file.
  test::WriteXChartRecording(SmallChart(), File(".tree"));
  ASSERT_EQ(wb_.Run("LoadXChart/Q \"" + File(".tree") + "\""), 0);
  EXPECT_NE(wb_.root().FindWave("XC_Vm"), nullptr);
  EXPECT_TRUE(wb_.results().back().problems.empty());

  // The session file shows the notes and the typed lines as they were.
  const nlohmann::json doc = SessionJson(wb_);
  bool noteFound = false;
  for (const auto& w : doc["waves"])
    if (w["path"] == "root:Pulse_1_1_1")
      noteFound = w["note"].get<std::string>().find(std::string(GetParam()) + ".dat;") !=
                  std::string::npos;
  EXPECT_TRUE(noteFound);
  EXPECT_EQ(doc["results"][0]["command"], "LoadPulse/Q \"" + File(".dat") + "\"");
  EXPECT_THAT(doc["history"].get<std::string>(), HasSubstr("\xe2\x80\xa2LoadPulse/Q \"" + File(".dat")));
}

INSTANTIATE_TEST_SUITE_P(Folders, ForeignPaths,
                         ::testing::Values("r_\xc3\xa9", "c_\xe6\x95\xb0\xe6\x8d\xae"),
                         [](const auto& info) { return std::to_string(info.index); });

TEST(HostText, TypedLinesReadBackAsTyped) {
  // Lines the code page holds become its bytes; others stay UTF-8, also
  // when their code-page bytes would read as another UTF-8 character.
  const struct {
    const char* typed;
    const char* host;
  } cases[] = {
      {"5 \xc2\xb5M, 20 \xc2\xba", "5 \xb5M, 20 \xba"},
      {"\xce\xb1 = 1 \xc2\xb5M", "\xce\xb1 = 1 \xc2\xb5M"},
      {"\xc3\x83\xc2\xa9", "\xc3\x83\xc2\xa9"},  // "Ã©" is not "é"
      {"plain", "plain"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToHost(c.typed), c.host) << c.typed;
    EXPECT_EQ(HostToUtf8(Utf8ToHost(c.typed)), c.typed);
  }
  // Host text that mixes both (a module note around a typed path).
  EXPECT_EQ(HostToUtf8("20 \xba in \xce\xb1/x \x80"), "20 \xc2\xba in \xce\xb1/x \xe2\x82\xac");
  EXPECT_EQ(HostToUtf8("\xed\xa0\x80"), "\xc3\xad\xc2\xa0\xe2\x82\xac") << "no surrogates";
  // A file name travels in JSON only when it is UTF-8 throughout.
  EXPECT_TRUE(IsUtf8("r_\xc3\xa9/\xce\xb1\xe4\xb8\xad"));
  EXPECT_FALSE(IsUtf8("r_\xe9"));
  EXPECT_FALSE(IsUtf8("\xed\xa0\x80"));
}

constexpr const char* kWhy = "not a regular file (a FIFO)";

class SpecialFiles : public ::testing::Test {
 protected:
  SpecialFiles() : wb_(Workbench::Options{.memoryPrefs = true}) {}

  // Puts a FIFO at `name` in place of whatever is there.
  std::string Make(const std::string& name) {
    const std::string path = dir_.File(name);
    std::filesystem::remove(path);
    EXPECT_EQ(::mkfifo(path.c_str(), 0600), 0);
    return path;
  }
  // Runs the line; its code, and the diagnosis it left.
  int32_t Run(const std::string& line) { return wb_.Run(line); }
  std::string Diagnosis() const { return wb_.results().back().diagnosis; }
  static std::string Why(const std::string& path) { return path + ": " + kWhy; }

  test::TempDir dir_;
  Workbench wb_;
};

TEST_F(SpecialFiles, LoadersAndLoadWaveKeepTheirCodesAndSayWhy) {
  // A bundle name.
  const std::string dat = Make("bundle.dat");
  EXPECT_EQ(Run("LoadPM/Q \"" + dat + "\""), kErrCannotOpenDat);
  EXPECT_EQ(Diagnosis(), Why(dat));

  // A Pulse recording with one of its files replaced.
  const std::string cell = test::WritePulseRecording(SmallPulse(), dir_.path() / "cell.dat").data.string();
  const std::string pul = Make("cell.pul");
  EXPECT_EQ(Run("LoadPulse/Q \"" + cell + "\""), kErrCannotOpenPul);
  EXPECT_EQ(Diagnosis(), Why(pul));

  // Sibling trees of a PatchMaster recording.
  const std::string sib = test::WritePmSiblings(SmallPm(), dir_.path() / "sib.dat").data.string();
  const std::string pgf = Make("sib.pgf");
  EXPECT_EQ(Run("LoadPM/Q \"" + sib + "\""), kErrCannotOpenPgf);
  EXPECT_EQ(Diagnosis(), Why(pgf));

  // X-Chart's data file: nothing is loaded, and the report says why.
  const std::string tree = test::WriteXChartRecording(SmallChart(), dir_.path() / "x.tree").tree.string();
  const std::string grp = Make("x.grp");
  Run("LoadXChart/Q \"" + tree + "\"");
  ASSERT_EQ(wb_.results().back().problems.size(), 1u);
  EXPECT_THAT(wb_.results().back().problems[0].text,
              HasSubstr(grp + " cannot be opened: " + kWhy));

  // Nor does LoadWave read it.
  const std::string path = Make("waves.itx");
  EXPECT_EQ(Run("LoadWave/T \"" + path + "\""), kHostErrFileOpen);
  EXPECT_EQ(Diagnosis(), Why(path));
}

}  // namespace
}  // namespace kwt
