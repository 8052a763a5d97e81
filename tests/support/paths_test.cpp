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
  // With the capacity of 259 a path of 259 characters can be formed, one
  // of 260 cannot.
  std::string longName(255, 'x');
  longName += ".dat";  // dot at 255: 255 + 3 stays below 259
  EXPECT_TRUE(ReplaceExtension(longName, "pul", 259));
  EXPECT_EQ(longName.size(), 259u);
  std::string tooLong(256, 'x');
  tooLong += ".dat";
  EXPECT_FALSE(ReplaceExtension(tooLong, "pul", 259));
}

}  // namespace
}  // namespace kwt
