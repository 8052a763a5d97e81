// Running the kwt program from a test: a folder for the files of one test,
// runs of kwt described as table rows (arguments, exit status, what must
// stand on standard output and standard error), and the session file of
// --dump read back.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tests/testkit/process.h"
#include "tests/testkit/temp_dir.h"

namespace kwt::test {

using ::testing::AllOf;
using ::testing::Eq;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

// One run of kwt and what it must give.
struct KwtCase {
  std::vector<std::string> args;
  int status;
  ::testing::Matcher<const std::string&> out = ::testing::_;
  ::testing::Matcher<const std::string&> err = ::testing::_;
  std::string input = "";  // standard input
};

class KwtTest : public ::testing::Test {
 protected:
  // Runs every case and checks its exit status and outputs.
  static void ExpectRuns(const std::vector<KwtCase>& cases) {
    for (const KwtCase& c : cases) {
      std::string line = "kwt";
      for (const std::string& a : c.args) line += " " + a;
      SCOPED_TRACE(line);
      const ProcessResult r = RunKwt(c.args, c.input);
      EXPECT_EQ(r.status, c.status) << r.err;
      EXPECT_THAT(r.out, c.out);
      EXPECT_THAT(r.err, c.err);
    }
  }

  // The session file that --dump wrote into `dir`.
  static nlohmann::json Session(const std::string& dir) {
    return nlohmann::json::parse(ReadFile(dir + "/session.json"));
  }

  static std::string Quoted(const std::filesystem::path& path) { return "\"" + path.string() + "\""; }

  TempDir dir_;
};

}  // namespace kwt::test
