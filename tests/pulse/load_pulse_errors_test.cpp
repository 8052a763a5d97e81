// LoadPulse's failures: tree names and files, the data file, trees without
// groups; every failure releases the trees it read.
#include <filesystem>

#include "pulse/pulse_tree.h"
#include "tests/pulse/load_fixture.h"

namespace kwt {
namespace {

using test::LoadPulseTest;
using test::PulseRecording;
using ::testing::IsEmpty;

// After any LoadPulse, no tree is left loaded.
void ExpectReleased() {
  EXPECT_EQ(GetRoot(), nullptr);
  EXPECT_EQ(FindGroup(1), nullptr);
  EXPECT_EQ(FindStimulation(1), nullptr);
}

TEST_F(LoadPulseTest, TreeFilesThatCannotBeNamedOrRead) {
  const std::string path = Write(test::SmallRecording());
  const std::string stem = (dir_.path() / "cell").string();

  // No extension to replace.
  EXPECT_EQ(Load("", stem), kErrPgfName);
  // The tree names come from the data name, extension in lower case.
  std::filesystem::rename(path, stem + ".DAT");
  EXPECT_EQ(Load("", stem + ".DAT"), 0);
  EXPECT_NE(Wave("Pulse_1_1_1"), nullptr);
  std::filesystem::rename(stem + ".DAT", path);

  // The stimulus tree is read first.
  std::filesystem::rename(stem + ".pgf", stem + ".keep");
  EXPECT_EQ(Load("/O", path), kErrCannotOpenPgf);
  ExpectReleased();
  test::WriteFileBytes(stem + ".pgf", {'T', 'r', 'e', 'X', 0, 0, 0, 3});
  EXPECT_EQ(Load("/O", path), kErrCannotOpenPgf);
  std::filesystem::rename(stem + ".keep", stem + ".pgf");

  std::filesystem::remove(stem + ".pul");
  EXPECT_EQ(Load("/O", path), kErrCannotOpenPul);
  ExpectReleased();
  // A stimulus tree where the acquisition tree should be: wrong level count.
  std::filesystem::copy_file(stem + ".pgf", stem + ".pul");
  EXPECT_EQ(Load("/O", path), kErrCannotOpenPul);
  ExpectReleased();
}

TEST_F(LoadPulseTest, DataFileThatCannotBeOpened) {
  const std::string path = Write(test::SmallRecording());
  std::filesystem::remove(path);
  EXPECT_EQ(Load("", path), kErrCannotOpenDat);
  EXPECT_THAT(WaveNames(), IsEmpty());
  ExpectReleased();
  // The loop still publishes the file's start time.
  EXPECT_TRUE(HasVariable("kwtPulseTime"));
  // /U reads only the trees.
  EXPECT_EQ(Load("/U", path), 0);
}

TEST_F(LoadPulseTest, TreeWithoutGroups) {
  PulseRecording rec;
  rec.AddStimulation("stim");
  const std::string path = Write(rec);
  EXPECT_EQ(Load("", path), -1);
  EXPECT_EQ(Number("kwtGroups"), 0);
  EXPECT_EQ(Text("stimString"), "");
  EXPECT_EQ(Load("/U", path), 0) << "without the loop there is nothing to miss";
  ExpectReleased();
}

TEST_F(LoadPulseTest, TheFrameStoresTheOperationsResult) {
  const std::string path = Write(test::SmallRecording());
  std::filesystem::remove(dir_.path() / "cell.pul");
  wb_.record().typeWord = 77;
  EXPECT_EQ(Load("", path), kErrCannotOpenPul);
  EXPECT_EQ(wb_.record().result, kErrCannotOpenPul);
  EXPECT_EQ(wb_.record().typeWord, 0);
  EXPECT_EQ(wb_.results().back().text, "Cannot open PUL file. Check, if this file exists");
}

TEST_F(LoadPulseTest, ReleasedAfterSuccessToo) {
  ASSERT_EQ(Load("/L/S/G/I/F/P", test::SmallRecording()), 0);
  ExpectReleased();
}

}  // namespace
}  // namespace kwt
