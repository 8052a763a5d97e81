// How the wave utilities hand command lines to the host, and the kwt
// program running them end to end.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <string>

#include "tests/waveutils/wave_fixture.h"
#include "waveutils/wave_util_support.h"

namespace kwt::test {
namespace {

class CommandsTest : public WaveUtilsTest {};

TEST_F(CommandsTest, CommandsOverTheHostLimitAreRefusedNotCut) {
  Make("a", {1, 2});
  // "Edit a" padded with blanks to exactly the limit runs; one more byte is
  // refused and nothing of it reaches the host.
  std::string command = "Edit a" + std::string(kHostMaxCommandLength - 6, ' ');
  ASSERT_EQ(command.size(), static_cast<size_t>(kHostMaxCommandLength));
  EXPECT_EQ(SendCommand(command), 0);
  EXPECT_EQ(wb_.windows().size(), 1u);
  EXPECT_EQ(SendCommand(command + " "), kHostErrCommandTooLong);
  EXPECT_EQ(SendCommand(command + " ", CommandRoute::kCommand), kHostErrCommandTooLong);
  EXPECT_EQ(wb_.windows().size(), 1u);
}

TEST_F(CommandsTest, LinesSplitAtSemicolonsOutsideQuotesOnly) {
  ASSERT_EQ(Run("Make/O w = {1, 3}; Note w, \"p;q\"; AutoStats/W w; String/G s = \"x;y\""), 0);
  EXPECT_EQ(wb_.ResolveWave("root:w")->note, "p;q");
  EXPECT_TRUE(SameValues(Values("root:swave_mean"), {2}));
  std::string text;
  ASSERT_EQ(wb_.FetchStringVariable("s", &text), 0);
  EXPECT_EQ(text, "x;y");
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The doubles of a little-endian float64 .npy file.
std::vector<double> NpyDoubles(const std::string& path) {
  const std::string bytes = ReadFile(path);
  std::vector<double> out;
  if (bytes.size() < 10 || bytes.compare(1, 5, "NUMPY") != 0) return out;
  const size_t headerLength = static_cast<unsigned char>(bytes[8]) |
                              static_cast<size_t>(static_cast<unsigned char>(bytes[9])) << 8;
  for (size_t at = 10 + headerLength; at + 8 <= bytes.size(); at += 8) {
    double v;
    std::memcpy(&v, bytes.data() + at, 8);
    out.push_back(v);
  }
  return out;
}

TEST(KwtProgramTest, AutoStatsThroughTheInterpreterLandsInTheDump) {
  const std::string dir = ::testing::TempDir() + "kwt_waveutils_dump";
  const std::string command = std::string(KWT_BINARY) +
                              " -q --prefs " + ::testing::TempDir() + "kwt_waveutils_prefs.bin" +
                              " --dump " + dir +
                              " 'Make/O/N=4 w0 = {1,2,NaN,4}' 'Make/O/N=3 w1 = {3,NaN,5}'"
                              " 'AutoStats/W w0,w1'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  const nlohmann::json session = nlohmann::json::parse(ReadFile(dir + "/session.json"));
  for (const auto& r : session["results"]) EXPECT_EQ(r["code"], 0) << r["command"];
  std::vector<std::string> paths;
  for (const auto& w : session["waves"]) {
    paths.push_back(w["path"]);
    if (w["path"] == "root:swave_mean") {
      EXPECT_EQ(w["type"], "float64");
      EXPECT_EQ(w["points"], 2);
    }
  }
  EXPECT_THAT(paths, ::testing::ElementsAre("root:w0", "root:w1", "root:swave_mean",
                                            "root:swave_sdev", "root:swave_sem",
                                            "root:swave_num"));
  // w0: 1, 2, 4; w1: 3, 5.
  EXPECT_TRUE(SameValues(NpyDoubles(dir + "/root/swave_mean.npy"), {7.0 / 3, 4}));
  EXPECT_TRUE(SameValues(NpyDoubles(dir + "/root/swave_num.npy"), {3, 2}));
}

TEST(KwtProgramTest, FailingOperationReportsItsCodeAndText) {
  const std::string command = std::string(KWT_BINARY) + " -q --prefs " + ::testing::TempDir() +
                              "kwt_waveutils_prefs.bin 'Make/O w0 = {1, 2}' 'AutoStats w0'"
                              " 2>&1";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string out;
  char buf[512];
  while (size_t got = fread(buf, 1, sizeof buf, pipe)) out.append(buf, got);
  const int status = pclose(pipe);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(out,
            "kwt: error 10001: Not enough input waves. At least two waves are needed to make "
            "statistics\n");
}

}  // namespace
}  // namespace kwt::test
