// Companion file names: the extension after the last dot of the file's own
// name replaced, within the room a host path has.
#include <gtest/gtest.h>

#include <string>

#include "support/paths.h"

namespace kwt {
namespace {

TEST(ReplaceExtension, ReplacesWhatFollowsTheLastDot) {
  std::string name = "C:\\data\\cell.1.dat";
  EXPECT_TRUE(ReplaceExtension(name, "pgf", 259));
  EXPECT_EQ(name, "C:\\data\\cell.1.pgf");
  name = "/data/run.2/cell.";
  EXPECT_TRUE(ReplaceExtension(name, "pul", 259));
  EXPECT_EQ(name, "/data/run.2/cell.pul");
}

TEST(ReplaceExtension, FailsWithoutAnExtensionOrRoom) {
  std::string empty;
  EXPECT_FALSE(ReplaceExtension(empty, "pgf", 259));
  std::string plain = "/data/cell";
  EXPECT_FALSE(ReplaceExtension(plain, "pgf", 259));
  EXPECT_EQ(plain, "/data/cell");
  // The only dot belongs to a folder, not to the file.
  std::string folderDot = "/data/run.2/cell";
  EXPECT_FALSE(ReplaceExtension(folderDot, "pgf", 259));
  EXPECT_EQ(folderDot, "/data/run.2/cell");
  std::string name = "a.dat";
  EXPECT_FALSE(ReplaceExtension(name, "", 259));
  // Dot at offset 1 plus three characters: 4 must stay below the capacity.
  EXPECT_FALSE(ReplaceExtension(name, "pgf", 4));
  EXPECT_EQ(name, "a.dat");
  EXPECT_TRUE(ReplaceExtension(name, "pgf", 5));
  EXPECT_EQ(name, "a.pgf");
  // (The companion-name tests check the host's capacity of 259.)
}

}  // namespace
}  // namespace kwt
