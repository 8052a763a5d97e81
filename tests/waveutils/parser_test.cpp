// The shared parser of AutoStats, PlotWaves and SlimWaves: result codes,
// settings that carry over between calls, the two forms of the wave list,
// and the path texts it forms.
#include <string>

#include "host/result_codes.h"
#include "tests/waveutils/wave_fixture.h"
#include "waveutils/wave_paths.h"

namespace kwt::test {
namespace {

class ParserTest : public WaveUtilsTest {
 protected:
  void SetUp() override {
    Make("a", {1, 2});
    Make("b", {3, 4});
  }
  // True when the command made nothing: no statistics, no slimmed wave, no
  // window.
  bool NothingMade() {
    return !Exists("root:swave_mean") && !Exists("root:a_slim") && wb_.windows().empty();
  }
};

TEST_F(ParserTest, UnknownFlagsAreHostError9) {
  EXPECT_EQ(Run("AutoStats/Q a,b"), kHostErrBadFlag);
  EXPECT_EQ(Run("PlotWaves/G/N=x a"), kHostErrBadFlag);  // only AutoStats and SlimWaves take /N
  EXPECT_EQ(Run("SlimWaves/W a"), kHostErrBadFlag);
  EXPECT_EQ(Run("AutoStats/GW a,b"), kHostErrBadFlag);  // a flag is one letter
  EXPECT_TRUE(NothingMade());
}

TEST_F(ParserTest, ValueFlagsWithoutEqualsAreHostError11) {
  EXPECT_EQ(Run("PlotWaves/G/Z a"), kHostErrExpectedEquals);
  EXPECT_EQ(Run("PlotWaves/G/L a"), kHostErrExpectedEquals);
  EXPECT_EQ(Run("PlotWaves/G/U a"), kHostErrExpectedEquals);
  EXPECT_EQ(Run("SlimWaves/U a"), kHostErrExpectedEquals);
  EXPECT_EQ(Run("SlimWaves/A a"), kHostErrExpectedEquals);
  EXPECT_TRUE(NothingMade());
}

TEST_F(ParserTest, OptionalValueFlagsWithoutEqualsDoNothing) {
  ASSERT_EQ(Run("AutoStats/N/X a,b"), 0);
  EXPECT_TRUE(Exists("root:swave_mean"));
}

TEST_F(ParserTest, EmptyListInEitherFormIsHostError2) {
  EXPECT_EQ(Run("AutoStats/W"), kHostErrExpectedWave);
  EXPECT_EQ(Run("PlotWaves/G"), kHostErrExpectedWave);
  EXPECT_EQ(Run("SlimWaves 5"), kHostErrExpectedWave);
  // A string variable whose first item names nothing gives no list either;
  // nothing is computed over zero waves.
  ASSERT_EQ(Run("String/G s = \"\""), 0);
  EXPECT_EQ(Run("AutoStats/W $s"), kHostErrExpectedWave);
  ASSERT_EQ(Run("s = \"root:nosuch,root:a\""), 0);
  EXPECT_EQ(Run("SlimWaves $s"), kHostErrExpectedWave);
  ASSERT_EQ(Run("s = \",root:a\""), 0);
  EXPECT_EQ(Run("PlotWaves/G $s"), kHostErrExpectedWave);
  EXPECT_TRUE(NothingMade());
}

TEST_F(ParserTest, DollarWithoutStringVariableIsHostError95) {
  ASSERT_EQ(Run("Variable/G n = 1"), 0);
  EXPECT_EQ(Run("AutoStats/W $nosuch"), kHostErrExpectedStringVar);
  EXPECT_EQ(Run("AutoStats/W $n"), kHostErrExpectedStringVar);
  EXPECT_EQ(Run("AutoStats/W $root:n"), kHostErrExpectedStringVar);
  EXPECT_EQ(Run("AutoStats/W $root:a"), kHostErrExpectedStringVar);  // a wave
  EXPECT_EQ(Run("AutoStats/W $root:nosuch"), kHostErrExpectedStringVar);
  EXPECT_TRUE(NothingMade());
}

TEST_F(ParserTest, AutoStatsNeedsTwoWavesUnlessPerWave) {
  EXPECT_EQ(Run("AutoStats a"), kErrNotEnoughWaves);
  ASSERT_EQ(Run("String/G s = \"root:a\""), 0);
  EXPECT_EQ(Run("AutoStats $s"), kErrNotEnoughWaves);
  EXPECT_TRUE(NothingMade());
  EXPECT_EQ(Run("AutoStats/W a"), 0);
  EXPECT_TRUE(SameValues(Values("root:swave_mean"), {1.5}));
}

TEST_F(ParserTest, BadFlagValuesGiveTheModuleCodes) {
  EXPECT_EQ(Run("AutoStats/N=/W a"), kErrExpectedBaseName);
  EXPECT_EQ(Run("SlimWaves/N=123 a"), kErrExpectedBaseName);
  EXPECT_EQ(Run("SlimWaves/R=/U=2 a"), kErrExpectedRefWave);
  EXPECT_EQ(Run("SlimWaves/R=root:nofolder:ref a"), kErrExpectedRefWave);
  // "/X=" naming no wave at all is the module's own code; a name that the
  // host cannot find is the host's code.
  EXPECT_EQ(Run("AutoStats/W/X=/G a"), kErrExpectedXWave);
  EXPECT_EQ(Run("AutoStats/W/X=nosuch a"), kHostErrNoSuchWave);
  EXPECT_TRUE(NothingMade());
}

TEST_F(ParserTest, HostParsingCodesPassUnchanged) {
  EXPECT_EQ(Run("PlotWaves/G/L=nosuchvar a"), kHostErrNoSuchVariable);
  EXPECT_EQ(Run("AutoStats a,nosuch"), kHostErrNoSuchWave);
  EXPECT_EQ(Run("AutoStats a,b 5"), kHostErrExpectedEnd);  // HostAtEnd
  EXPECT_TRUE(NothingMade());
}

// ---- Settings that carry over between calls ---------------------------------------------

TEST_F(ParserTest, AutoStatsKeepsTheLastBaseNameSetByEitherOperation) {
  Make("c", {1, 2, 3, 4});
  ASSERT_EQ(Run("AutoStats/N=mean1 a,b"), 0);
  EXPECT_TRUE(SameValues(Values("root:mean1_mean"), {2, 3}));
  ASSERT_EQ(Run("SlimWaves c"), 0);
  EXPECT_TRUE(SameValues(Values("root:c_slim"), {1, 3}));
  ASSERT_EQ(Run("AutoStats a,b"), 0);
  EXPECT_TRUE(SameValues(Values("root:slim_mean"), {2, 3}));
}

TEST_F(ParserTest, BaseNameDefaultsToSwaveAndDropsItsFolder) {
  ASSERT_EQ(Run("AutoStats a,b"), 0);
  EXPECT_TRUE(Exists("root:swave_mean"));
  ASSERT_EQ(Run("NewDataFolder sub"), 0);
  ASSERT_EQ(Run("AutoStats/N=root:sub:m a,b"), 0);
  EXPECT_TRUE(Exists("root:m_mean"));
  EXPECT_FALSE(Exists("root:sub:m_mean"));
}

TEST_F(ParserTest, AutoStatsFlagsAreClearedEachCall) {
  ASSERT_EQ(Run("SetScale/P x 0, 0.5, \"s\", a, b"), 0);
  ASSERT_EQ(Run("AutoStats/G/S a,b"), 0);
  EXPECT_EQ(wb_.ResolveWave("root:swave_mean")->dims[0].delta, 0.5);
  ASSERT_EQ(Run("AutoStats/G a,b"), 0);
  const HostWave* mean = wb_.ResolveWave("root:swave_mean");
  EXPECT_EQ(mean->dims[0].delta, 1.0);
  EXPECT_EQ(mean->dims[0].units, "");
}

TEST_F(ParserTest, LastSlimModeFlagWinsWithOneFactor) {
  std::vector<double> ramp;
  for (int i = 0; i < 12; ++i) ramp.push_back(i);
  Make("w", ramp);
  ASSERT_EQ(Run("SlimWaves/A=3/U=4 w"), 0);
  EXPECT_TRUE(SameValues(Values("root:w_slim"), {0, 4, 8}));
  ASSERT_EQ(Run("SlimWaves/U=4/A=3 w"), 0);
  EXPECT_TRUE(SameValues(Values("root:w_slim"), {1, 4, 7, 10}));
  // Each call starts from decimation by 2.
  ASSERT_EQ(Run("SlimWaves w"), 0);
  EXPECT_TRUE(SameValues(Values("root:w_slim"), {0, 2, 4, 6, 8, 10}));
}

TEST_F(ParserTest, UnreadableSlimFactorFallsBackToTwo) {
  Make("w", {5, 6, 7, 8, 9});
  ASSERT_EQ(Run("SlimWaves/U=abc w"), 0);
  EXPECT_TRUE(SameValues(Values("root:w_slim"), {5, 7}));
}

TEST_F(ParserTest, PlotLimitsTurnIndependentAxesOff) {
  const size_t mark = wb_.commandLog().size();
  ASSERT_EQ(Run("PlotWaves/G/I/L=0 a,b"), 0);
  const auto commands = CommandsSince(mark);
  // Fixed limits: every band gets the same range, up to the largest value.
  EXPECT_THAT(commands, ::testing::Contains("SetAxis l1 0,4"));
  EXPECT_THAT(commands, ::testing::Contains("SetAxis l2 0,4"));
  EXPECT_THAT(commands, ::testing::Contains("SetAxis/A/N=1 l1"));
}

TEST_F(ParserTest, PlotWavesFlagsAreResetEachCall) {
  ASSERT_EQ(Run("PlotWaves/G/C/O/Z=1 a,b"), 0);
  const size_t mark = wb_.commandLog().size();
  ASSERT_EQ(Run("PlotWaves/G a,b"), 0);
  const auto commands = CommandsSince(mark);
  EXPECT_THAT(commands, ::testing::Contains("AppendToGraph/L=l2 root:b"));
  EXPECT_THAT(commands, ::testing::Contains("ModifyGraph rgb(b)=(0,0,0)"));
  for (const std::string& c : commands) EXPECT_EQ(c.find("DrawLine"), std::string::npos) << c;
}

TEST_F(ParserTest, ReferencePathIsPostedAndKept) {
  Make("ref", {1, kNaN, 2});
  Make("c", {7, 8, 9});
  ASSERT_EQ(Run("SlimWaves/R=ref a"), 0);
  EXPECT_NE(wb_.history().find("\rroot:ref\r"), std::string::npos);
  // Without "=" the reference of the last call is used again.
  ASSERT_EQ(Run("SlimWaves/R c"), 0);
  EXPECT_TRUE(SameValues(Values("root:c_slim"), {7, 9}));
}

TEST_F(ParserTest, ReferenceModeWithoutAnyReferenceIsRefused) {
  EXPECT_EQ(Run("SlimWaves/R a"), kErrExpectedRefWave);
  EXPECT_TRUE(NothingMade());
}

TEST_F(ParserTest, SettingsStartAfreshWithANewLoad) {
  ASSERT_EQ(Run("AutoStats/N=first a,b"), 0);
  Workbench fresh(Workbench::Options{"/tmp/kwt-waveutils-test-prefs.bin", false});
  ASSERT_EQ(fresh.Run("Make/O a = {1, 2}; Make/O b = {3, 4}"), 0);
  ASSERT_EQ(fresh.Run("AutoStats a,b"), 0);
  EXPECT_NE(fresh.ResolveWave("root:swave_mean"), nullptr);
}

// ---- The two list forms ------------------------------------------------------------------

TEST_F(ParserTest, StringListEndsAtTheFirstItemThatNamesNoWave) {
  // Four points each, so that each slims to two.
  Make("a", {1, 2, 3, 4});
  Make("b", {5, 6, 7, 8});
  ASSERT_EQ(Run("String/G s = \"root:a,,root:b\""), 0);
  ASSERT_EQ(Run("SlimWaves $s"), 0);
  EXPECT_TRUE(Exists("root:a_slim"));
  EXPECT_FALSE(Exists("root:b_slim"));
  Run("KillWaves a_slim");
  // " root:" with its leading blank is no folder.
  ASSERT_EQ(Run("s = \"root:a, root:b\""), 0);
  ASSERT_EQ(Run("SlimWaves $s"), 0);
  EXPECT_TRUE(Exists("root:a_slim"));
  EXPECT_FALSE(Exists("root:b_slim"));
  Run("KillWaves a_slim");
  ASSERT_EQ(Run("s = \"root:a,root:nosuch,root:b\""), 0);
  ASSERT_EQ(Run("SlimWaves $s"), 0);
  EXPECT_TRUE(Exists("root:a_slim"));
  EXPECT_FALSE(Exists("root:b_slim"));
  // The text itself is left as it was.
  std::string text;
  ASSERT_EQ(wb_.FetchStringVariable("s", &text), 0);
  EXPECT_EQ(text, "root:a,root:nosuch,root:b");
}

TEST_F(ParserTest, StringListItemsOf260CharactersEndTheList) {
  // Seven folders of 31 characters make a folder path of 229 characters.
  HostFolder* f = &wb_.root();
  std::string path = "root:";
  for (int i = 0; i < 7; ++i) {
    const std::string name = std::string(30, 'f') + static_cast<char>('0' + i);
    f = Folder(name, f);
    path += name + ":";
  }
  ASSERT_EQ(path.size(), 229u);
  Make(std::string(30, 'w'), {1, 2}, kWaveFloat32, f);
  Make(std::string(31, 'w'), {1, 2}, kWaveFloat32, f);
  const std::string item259 = path + std::string(30, 'w');
  const std::string item260 = path + std::string(31, 'w');
  ASSERT_EQ(wb_.SetStringVariable("s", item259 + ",root:a", true), 0);
  ASSERT_EQ(Run("AutoStats/W/N=m $s"), 0);
  EXPECT_EQ(Values("root:m_num").size(), 2u);
  ASSERT_EQ(wb_.SetStringVariable("s", "root:a," + item260 + ",root:b", true), 0);
  ASSERT_EQ(Run("AutoStats/W/N=m $s"), 0);
  EXPECT_EQ(Values("root:m_num").size(), 1u);
}

TEST_F(ParserTest, StringListFindsLiberalNamesQuotedOrNot) {
  Make("w 1", {1, 2, 3, 4}, kWaveFloat32, Folder("my data"));
  ASSERT_EQ(Run("String/G s = \"root:'my data':'w 1'\""), 0);
  ASSERT_EQ(Run("SlimWaves $s"), 0);
  EXPECT_TRUE(SameValues(Values("root:'w 1_slim'"), {1, 3}));
  ASSERT_EQ(Run("s = \"root:my data:w 1\""), 0);
  ASSERT_EQ(Run("SlimWaves/N=again $s"), 0);
  EXPECT_TRUE(Exists("root:'w 1_again'"));
}

TEST_F(ParserTest, StringListBareNamesAreInTheCurrentFolder) {
  ASSERT_EQ(Run("String/G s = \"a,b\""), 0);
  ASSERT_EQ(Run("AutoStats $s"), 0);
  EXPECT_TRUE(SameValues(Values("root:swave_mean"), {2, 3}));
}

TEST_F(ParserTest, StringVariableByPathOrInTheCurrentFolder) {
  ASSERT_EQ(Run("NewDataFolder/S sub"), 0);
  ASSERT_EQ(Run("String/G s = \"root:a,root:b\""), 0);
  ASSERT_EQ(Run("SetDataFolder root:"), 0);
  ASSERT_EQ(Run("AutoStats/N=p $root:sub:s"), 0);
  EXPECT_TRUE(SameValues(Values("root:p_mean"), {2, 3}));
  // A bare name is the string variable of the current folder, read once:
  // nothing after it is taken for its name.
  ASSERT_EQ(Run("SetDataFolder root:sub"), 0);
  ASSERT_EQ(Run("AutoStats/N=q $s"), 0);
  EXPECT_TRUE(SameValues(Values("root:sub:q_mean"), {2, 3}));
  EXPECT_EQ(Run("AutoStats/N=r $s junk"), kHostErrExpectedEnd);
}

TEST_F(ParserTest, WaveReferencesWithQuotedFolderPaths) {
  Make("w 1", {5, 7}, kWaveFloat32, Folder("my data"));
  ASSERT_EQ(Run("AutoStats root:'my data':'w 1', a"), 0);
  EXPECT_TRUE(SameValues(Values("root:swave_mean"), {3, 4.5}));
}

TEST_F(ParserTest, XWavePathIsQuotedWhereACommandIsBuilt) {
  Make("xw", {0, 1}, kWaveFloat32, Folder("my data"));
  Make("xr", {0, 1});
  size_t mark = wb_.commandLog().size();
  ASSERT_EQ(Run("AutoStats/G/X=root:'my data':xw a,b"), 0);
  EXPECT_EQ(CommandsSince(mark).at(0), "Display 'swave_mean' vs root:'my data':xw");
  mark = wb_.commandLog().size();
  ASSERT_EQ(Run("AutoStats/G/X=xr a,b"), 0);
  EXPECT_EQ(CommandsSince(mark).at(0), "Display 'swave_mean' vs root:xr");
}

TEST_F(ParserTest, PathsOver259CharactersAreRefusedNotCut) {
  // Eight folders of 31 characters: the folder path alone is 261.
  HostFolder* f = &wb_.root();
  std::string path = "root:";
  for (int i = 0; i < 8; ++i) {
    const std::string name = std::string(30, 'g') + static_cast<char>('0' + i);
    f = Folder(name, f);
    path += name + ":";
  }
  Make("xw", {0, 1}, kWaveFloat32, f);
  Make("ref", {1, 1}, kWaveFloat32, f);
  EXPECT_EQ(Run("AutoStats/G/X=" + path + "xw a,b"), kHostErrPathTooLong);
  EXPECT_EQ(Run("SlimWaves/R=" + path + "ref a"), kHostErrPathTooLong);
  EXPECT_TRUE(NothingMade());
}

// ---- Path texts ----------------------------------------------------------------------------

TEST(QuotePathComponentsTest, QuotesEveryComponentThatNeedsIt) {
  struct Case {
    const char* in;
    const char* out;
    bool added;
  };
  const Case cases[] = {
      {"root:my data:w 1", "root:'my data':'w 1'", true},
      {"root:data:w1", "root:data:w1", false},
      {"root:'my data':w 1", "root:'my data':'w 1'", true},
      {"root:'my data':", "root:'my data':", false},
      {"root:a-b:", "root:'a-b':", true},
      {"w 1", "'w 1'", true},
      {":sub:x y", ":sub:'x y'", true},
      {"root:\xBA" "C", "root:'\xBA" "C'", true},
      {"", "", false},
  };
  for (const Case& c : cases) {
    std::string s = c.in;
    EXPECT_EQ(QuotePathComponents(&s), c.added) << c.in;
    EXPECT_EQ(s, c.out) << c.in;
  }
}

TEST(StripNameQuotesTest, RemovesEnclosingQuotes) {
  std::string s = "'w 1'";
  EXPECT_TRUE(StripNameQuotes(&s));
  EXPECT_EQ(s, "w 1");
  s = "w1";
  EXPECT_FALSE(StripNameQuotes(&s));
  EXPECT_EQ(s, "w1");
  s = "'w1";
  EXPECT_TRUE(StripNameQuotes(&s));
  EXPECT_EQ(s, "w1");
  s = "'";
  EXPECT_TRUE(StripNameQuotes(&s));
  EXPECT_EQ(s, "");
}

}  // namespace
}  // namespace kwt::test
