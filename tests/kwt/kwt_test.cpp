// The kwt program as a scientist runs it from a shell.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "tests/testkit/process.h"
#include "tests/testkit/temp_dir.h"

namespace kwt {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using test::ReadFile;
using test::RunKwt;
using test::TempDir;

TEST(KwtProgram, DumpsWavesWithScalingAsJsonAndNpy) {
  TempDir dir;
  const auto r = RunKwt({"--prefs", dir.File("p.bin"), "--dump", dir.File("out"),
                         "Make/O/N=3 w", "w = {1, NaN, 3}", "SetScale/P x 0, 0.5, \"s\", w"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, "\xe2\x80\xa2Make/O/N=3 w\n\xe2\x80\xa2w = {1, NaN, 3}\n"
                   "\xe2\x80\xa2SetScale/P x 0, 0.5, \"s\", w\n");
  const auto doc = nlohmann::json::parse(ReadFile(dir.File("out/session.json")));
  EXPECT_EQ(doc["waves"][0]["x_delta"], 0.5);
  EXPECT_EQ(doc["waves"][0]["x_start"], 0);
  EXPECT_EQ(doc["waves"][0]["x_units"], "s");
  if (!test::HaveNumpy()) GTEST_SKIP() << "no numpy for /usr/bin/python3";
  const auto py = test::RunProgram("/usr/bin/python3",
                                   {"-c", "import numpy,sys; print(numpy.load(sys.argv[1]).tolist())",
                                    dir.File("out/root/w.npy")});
  EXPECT_EQ(py.out, "[1.0, nan, 3.0]\n");
}

TEST(KwtProgram, ExitStatusAndEveryFailure) {
  TempDir dir;
  const std::string prefs = dir.File("p.bin");
  auto r = RunKwt({"-q", "--prefs", prefs, "Make/O/N=1 a", "Make a", "KillWaves nothere"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "") << "-q keeps the history off standard output";
  EXPECT_EQ(r.err, "kwt: error 13: name already in use\nkwt: error 3: no wave of that name; "
                   "no wave named nothere\n")
      << "each failure on a line of its own";

  r = RunKwt({"-q", "--prefs", prefs, "LoadPulse \"/nonexistent/cell.dat\""});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, ::testing::StartsWith("kwt: error "));

  r = RunKwt({"--no-such-option"});
  EXPECT_EQ(r.status, 2) << "bad usage of kwt itself";
  r = RunKwt({"--answer", "maybe", "print 1"});
  EXPECT_EQ(r.status, 2);
  r = RunKwt({"-s", dir.File("missing.txt")});
  EXPECT_EQ(r.status, 2);
}

TEST(KwtProgram, ScriptsFromFilesAndStandardInput) {
  TempDir dir;
  ASSERT_TRUE(test::WriteFile(dir.File("s.txt"), "Variable/G v = 6\r\nprint v * 7\n"));
  auto r = RunKwt({"--prefs", dir.File("p.bin"), "-s", dir.File("s.txt")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("  42\n"));
  r = RunKwt({"--prefs", dir.File("p.bin"), "-s", "-"}, "print \"from stdin\"\n");
  EXPECT_THAT(r.out, HasSubstr("  from stdin\n"));
}

TEST(KwtProgram, SavedFilesLoadIntoANewSession) {
  TempDir dir;
  const std::string itx = dir.File("s.itx");
  auto r = RunKwt({"-q", "--prefs", dir.File("p.bin"), "--save", itx,
                   "Make/O/D/N=2 w = {0.1, 2}", "Note w, \"a \\\"b\\\"\"", "String/G s = \"x\""});
  ASSERT_EQ(r.status, 0) << r.err;
  r = RunKwt({"--prefs", dir.File("p.bin"), "LoadWave/T \"" + itx + "\"", "print w[0], s"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("  0.1 x\n"));
  // The session is written even when a command failed.
  r = RunKwt({"-q", "--prefs", dir.File("p.bin"), "--save", dir.File("f.itx"), "Make/O/N=1 kept", "bad"});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(ReadFile(dir.File("f.itx")), HasSubstr("kept"));
}

TEST(KwtProgram, UsageAndHelpInsideTheTool) {
  auto r = RunKwt({});
  EXPECT_EQ(r.status, 2) << "nothing to do is bad usage";
  EXPECT_THAT(r.err, HasSubstr("Usage: kwt"));
  EXPECT_THAT(r.err, HasSubstr("Examples:"));
  r = RunKwt({"--help"});
  EXPECT_EQ(r.status, 0);
  for (const char* text : {"--script FILE", "--dump DIR", "--plot-size WxH", "--answer yes|no",
                           "--set ID=TEXT", "  kwt calc buffer "})
    EXPECT_THAT(r.out, HasSubstr(text));
  EXPECT_THAT(r.out, Not(HasSubstr(" TEXT  "))) << "every value has a name of its own";

  r = RunKwt({"help"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("\n  LoadPM "));
  EXPECT_THAT(r.out, HasSubstr("\n  KillWaves "));
  const auto help = RunKwt({"help", "LoadPM"});
  EXPECT_EQ(help.status, 0) << help.err;
  EXPECT_THAT(help.out, HasSubstr("\n  /Z             subtract the trace's zero offset"));
  // Typed in a session, quiet or not, the operation shows the same lines.
  r = RunKwt({"-q", "LoadPM/?"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, help.out);
  r = RunKwt({"help", "LoadPMX"});
  EXPECT_EQ(r.status, 2);
  EXPECT_THAT(r.err, HasSubstr("no operation or command named \"LoadPMX\""));
}

TEST(KwtProgram, FileOptionsTakeFoldersInAnyLanguage) {
  for (const char* name : {"r_\xc3\xa9", "g_\xce\xb1", "c_\xe6\x95\xb0\xe6\x8d\xae"}) {
    TempDir dir;
    const std::string folder = dir.File(name);
    std::filesystem::create_directory(folder);
    ASSERT_TRUE(test::WriteFile(folder + "/s.txt", "Make/O/N=2 w = {1, 2}\nDisplay w\n"));
    auto r = RunKwt({"-q", "--prefs", folder + "/p.bin", "-s", folder + "/s.txt", "--save",
                     folder + "/s.itx", "--dump", folder + "/dump", "--plot", folder + "/plot",
                     "--dialog", "Buffer Capacity", "--press", "2"});
    ASSERT_EQ(r.status, 0) << name << ": " << r.err;
    for (const char* made : {"/p.bin", "/dump/session.json", "/plot/Graph0.svg"})
      EXPECT_TRUE(std::filesystem::exists(folder + made)) << name << made;
    r = RunKwt({"-q", "--prefs", folder + "/p.bin", "LoadWave/T \"" + folder + "/s.itx\"",
                "print w[1]"});
    EXPECT_EQ(r.status, 0) << name << ": " << r.err;
    EXPECT_EQ(r.out, "2\n") << name;
  }
}

TEST(KwtProgram, SpecialFilesAreRefusedNotRead) {
  TempDir dir;
  const std::string fifo = dir.File("cell.dat");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {fifo, std::string("/dev/zero")}) {
    const auto r = RunKwt({"info", path});
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr(path + ": not a regular file (a "));
  }
  const std::string prefs = dir.File("p.bin");
  auto r = RunKwt({"-q", "--prefs", prefs, "LoadPM \"" + fifo + "\""});
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("kwt: error 10033: Cannot open DAT file. Check, if you have the "
                               "rights for this file; " + fifo + ": not a regular file (a FIFO)\n"));
}

TEST(KwtProgram, SettingsThatCannotBeStoredFailTheRun) {
  TempDir dir;
  const std::string prefs = dir.File("p.bin");
  // Exit stores the calculator's settings.
  const std::vector<std::string> store = {"-q", "--prefs", prefs, "--dialog", "Buffer Capacity",
                                          "--press", "2"};
  auto r = RunKwt(store);
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(::chmod(prefs.c_str(), 0444), 0);
  r = RunKwt(store);
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.err, HasSubstr("kwt: KWT Preferences: the settings could not be stored in " +
                               prefs + ": the file is read-only\n"));
}

}  // namespace
}  // namespace kwt
