// Companion file names: the extension after the last dot of the file's own
// name replaced, within the room a host path has.
#include <gtest/gtest.h>

#include <string>

#include "support/paths.h"

namespace kwt {
namespace {

TEST(ReplaceExtension, FailsWithoutAnExtensionOrRoom) {
  // The only dot belongs to a folder, not to the file.
  std::string folderDot = "/data/run.2/cell";
  EXPECT_FALSE(ReplaceExtension(folderDot, "pgf", 259));
  EXPECT_EQ(folderDot, "/data/run.2/cell");
  std::string name = "a.dat";
  // Dot at offset 1 plus three characters: 4 must stay below the capacity.
  EXPECT_FALSE(ReplaceExtension(name, "pgf", 4));
  EXPECT_EQ(name, "a.dat");
  EXPECT_TRUE(ReplaceExtension(name, "pgf", 5));
  EXPECT_EQ(name, "a.pgf");
  // (The companion-name tests check the host's capacity of 259.)
}

}  // namespace
}  // namespace kwt
