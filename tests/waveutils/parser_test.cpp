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
  // The waves of the root with their points, and whether any is locked.
  std::string Snapshot() {
    std::string out;
    for (const auto& w : wb_.root().waves)
      out += w->name + ":" + std::to_string(w->points) + (w->lockCount ? "L " : " ");
    return out;
  }
  // `depth` nested folders of 31 characters below the root; returns the
  // path "root:...:" and sets *leaf to the innermost folder.
  std::string DeepFolders(char letter, int depth, HostFolder** leaf) {
    HostFolder* f = &wb_.root();
    std::string path = "root:";
    for (int i = 0; i < depth; ++i) {
      const std::string name = std::string(30, letter) + static_cast<char>('0' + i);
      f = Folder(name, f);
      path += name + ":";
    }
    *leaf = f;
    return path;
  }
};

// Every refusal comes before anything is made: no output, no window, no
// command sent, no wave left locked.
TEST_F(ParserTest, RefusalsGiveTheirCodesAndMakeNothing) {
  ASSERT_EQ(Run("Variable/G n = 1; String/G blank = \"\"; String/G single = \"root:a\""), 0);
  ASSERT_EQ(Run("String/G unknownFirst = \"root:nosuch,root:a\"; String/G leadingComma = \",root:a\""), 0);
  // Eight folders of 31 characters: the folder path alone is 261.
  HostFolder* deep = nullptr;
  const std::string path = DeepFolders('g', 8, &deep);
  Make("xw", {0, 1}, kWaveFloat32, deep);
  Make("ref", {1, 1}, kWaveFloat32, deep);
  const std::vector<int32_t> notFloat = {kWaveInt16, kWaveInt8 | kWaveUnsigned, kWaveInt32,
                                         kWaveFloat32 | kWaveComplex, kWaveText};
  for (size_t i = 0; i < notFloat.size(); ++i) Make("odd" + std::to_string(i), {1, 2, 3, 4}, notFloat[i]);
  Make("e", std::vector<double>{});
  Make("f", std::vector<double>{});
  Ramp("w", 10);
  Ramp("s", 3);
  Make("w_slim2", {9, 9, 9, 9});
  const std::string name26(26, 'n'), name27(27, 'm');
  Ramp(name26, 4);
  Ramp(name27, 4);
  Make("dref", {1, kNaN, 1}, kWaveFloat64);
  Make("d", {0.1, 0.2, 0.3}, kWaveFloat64);
  Make("nans", {kNaN, kNaN, kNaN});
  Make("swave_mean", {1, 2});
  Make("swave_sdev", {0, 1});
  const std::string before = Snapshot();
  ExpectCodes({
      // Unknown flags: only AutoStats and SlimWaves take /N; a flag is one
      // letter.
      {"AutoStats/Q a,b", kHostErrBadFlag},
      {"PlotWaves/G/N=x a", kHostErrBadFlag},
      {"SlimWaves/W a", kHostErrBadFlag},
      {"AutoStats/GW a,b", kHostErrBadFlag},
      // Value flags without "=".
      {"PlotWaves/G/Z a", kHostErrExpectedEquals},
      {"PlotWaves/G/L a", kHostErrExpectedEquals},
      {"PlotWaves/G/U a", kHostErrExpectedEquals},
      {"SlimWaves/U a", kHostErrExpectedEquals},
      {"SlimWaves/A a", kHostErrExpectedEquals},
      // An empty list in either form: a string variable whose first item
      // names nothing gives no list, and nothing is computed over zero waves.
      {"AutoStats/W", kHostErrExpectedWave},
      {"PlotWaves/G", kHostErrExpectedWave},
      {"SlimWaves 5", kHostErrExpectedWave},
      {"AutoStats/W $blank", kHostErrExpectedWave},
      {"SlimWaves $unknownFirst", kHostErrExpectedWave},
      {"PlotWaves/G $leadingComma", kHostErrExpectedWave},
      // "$" before anything but a string variable.
      {"AutoStats/W $nosuch", kHostErrExpectedStringVar},
      {"AutoStats/W $n", kHostErrExpectedStringVar},
      {"AutoStats/W $root:n", kHostErrExpectedStringVar},
      {"AutoStats/W $root:a", kHostErrExpectedStringVar},
      {"AutoStats/W $root:nosuch", kHostErrExpectedStringVar},
      // AutoStats needs two waves unless it works per wave.
      {"AutoStats a", kErrNotEnoughWaves},
      {"AutoStats $single", kErrNotEnoughWaves},
      // Bad flag values.  "/X=" naming no wave at all is the module's own
      // code; a name that the host cannot find is the host's code.
      {"AutoStats/N=/W a", kErrExpectedBaseName},
      {"SlimWaves/N=123 a", kErrExpectedBaseName},
      {"SlimWaves/R=/U=2 a", kErrExpectedRefWave},
      {"SlimWaves/R=root:nofolder:ref a", kErrExpectedRefWave},
      {"SlimWaves/R a", kErrExpectedRefWave},  // no reference kept from before
      {"AutoStats/W/X=/G a", kErrExpectedXWave},
      {"AutoStats/W/X=nosuch a", kHostErrNoSuchWave},
      // The host's parsing codes pass unchanged.
      {"PlotWaves/G/L=nosuchvar a", kHostErrNoSuchVariable},
      {"AutoStats a,nosuch", kHostErrNoSuchWave},
      {"AutoStats a,b 5", kHostErrExpectedEnd},
      // Paths over 259 characters are refused, not cut.
      {"AutoStats/G/X=" + path + "xw a,b", kHostErrPathTooLong},
      {"SlimWaves/R=" + path + "ref a", kHostErrPathTooLong},
      // Only float waves are read, whichever operation.
      {"AutoStats/G/T a,odd0", kErrNotFloatWave},
      {"AutoStats/G/T a,odd1", kErrNotFloatWave},
      {"AutoStats/G/T a,odd2", kErrNotFloatWave},
      {"AutoStats/G/T a,odd3", kErrNotFloatWave},
      {"AutoStats/G/T a,odd4", kErrNotFloatWave},
      {"PlotWaves/G/T a,odd0", kErrNotFloatWave},
      {"SlimWaves w,odd2", kErrNotFloatWave},
      {"SlimWaves w,odd3", kErrNotFloatWave},
      {"SlimWaves w,odd4", kErrNotFloatWave},
      // Empty inputs give nothing to compute or draw.
      {"AutoStats/G e,f", kErrNoMemoryForStats},
      {"PlotWaves/G e,f", kHostErrNoMemory},
      // Every output name must leave room for its suffix, checked before
      // the first output is made.
      {"AutoStats/N=" + name27 + " a,b", kErrNameTooLong},
      {"SlimWaves w," + name26 + "," + name27, kErrNameTooLong},
      {"SlimWaves/N=abcdef " + name26, kErrNameTooLong},
      // Slimming factors that give fewer than two points, or none.
      {"SlimWaves/U=0.5 w", kErrCannotCreateOutput},
      {"SlimWaves/A=0 w", kErrCannotCreateOutput},
      {"SlimWaves/U=2 s", kErrCannotCreateOutput},
      {"SlimWaves/A=6 w", kErrCannotCreateOutput},
      {"SlimWaves/U=NaN w", kErrCannotCreateOutput},
      {"SlimWaves/A=Inf w", kErrCannotCreateOutput},
      {"SlimWaves/U=1e300 w", kErrCannotCreateOutput},
      // An output never replaces an input, a reference or an x-wave.
      {"SlimWaves/N=slim2 w, w_slim2", kErrCannotCreateOutput},
      {"SlimWaves/N=slim2/R=w_slim2 w", kErrCannotCreateOutput},
      {"AutoStats/N=swave swave_mean,b", kErrCannotCreateOutput},
      {"AutoStats/N=swave/G/X=swave_sdev b,b", kErrCannotCreateOutput},
      // Reference mode: one float type for all, and a reference that marks
      // something.
      {"SlimWaves/R=dref d,a", kErrMixedTypes},
      {"SlimWaves/R=dref odd0,a", kErrNotFloatWave},
      {"SlimWaves/R=odd1 a", kErrNotFloatWave},
      {"SlimWaves/R=nosuch a", kErrNoReferenceWave},
      {"SlimWaves/R=e a", kErrNoReferenceWave},
      {"SlimWaves/R=nans a", kErrNoReferenceWave},
  });
  EXPECT_EQ(Snapshot(), before);
  EXPECT_TRUE(SameValues(Values("root:w_slim2"), {9, 9, 9, 9}));
  EXPECT_TRUE(SameValues(Values("root:swave_mean"), {1, 2}));
  EXPECT_TRUE(wb_.windows().empty());
  EXPECT_TRUE(wb_.commandLog().empty());
  // Just inside the limits.
  ExpectValues({{"SlimWaves/U=1 s", "root:s_slim", {0, 1, 2}},
                {"SlimWaves " + name26, "root:" + name26 + "_slim", {0, 2}},
                {"AutoStats/N=" + name26 + " a,b", "root:" + name26 + "_mean", {2, 3}}});
  // Empty waves can still be listed in a table.
  EXPECT_THAT(Commands("PlotWaves/T e"), ::testing::ElementsAre("Edit", "AppendToTable root:e"));
}

// ---- Settings that carry over between calls ---------------------------------------------

TEST_F(ParserTest, BaseNameIsKeptFromEitherOperationWithoutItsFolder) {
  Make("c", {1, 2, 3, 4});
  ExpectValues({
      {"AutoStats/W/N/X a", "root:swave_mean", {1.5}},  // optional values without "=" do nothing
      {"AutoStats/N=mean1 a,b", "root:mean1_mean", {2, 3}},
      {"SlimWaves c", "root:c_slim", {1, 3}},
      {"AutoStats a,b", "root:slim_mean", {2, 3}},
  });
  ASSERT_EQ(Run("NewDataFolder sub"), 0);
  ASSERT_EQ(Run("AutoStats/N=root:sub:m a,b"), 0);
  EXPECT_TRUE(Exists("root:m_mean"));
  EXPECT_FALSE(Exists("root:sub:m_mean"));
  // A new session starts from the default name.
  WaveUtilsHarness fresh;
  ASSERT_EQ(fresh.Run("Make/O a = {1, 2}; Make/O b = {3, 4}; AutoStats a,b"), 0);
  EXPECT_TRUE(fresh.Exists("root:swave_mean"));
}

TEST_F(ParserTest, FlagsAreClearedEachCall) {
  ASSERT_EQ(Run("SetScale/P x 0, 0.5, \"s\", a, b"), 0);
  ASSERT_EQ(Run("AutoStats/G/S a,b"), 0);
  EXPECT_EQ(Scaling("root:swave_mean"), "x 0 0.5 s; y 0 1; d 0 0 ");
  ASSERT_EQ(Run("AutoStats/G a,b"), 0);
  EXPECT_EQ(Scaling("root:swave_mean"), "x 0 1 ; y 0 1; d 0 0 ");

  ASSERT_EQ(Run("PlotWaves/G/C/O/Z=1 a,b"), 0);
  const auto commands = Commands("PlotWaves/G a,b");
  EXPECT_THAT(commands, ::testing::Contains("AppendToGraph/L=l2 root:b"));
  EXPECT_THAT(commands, ::testing::Contains("ModifyGraph rgb(b)=(0,0,0)"));
  for (const std::string& c : commands) EXPECT_EQ(c.find("DrawLine"), std::string::npos) << c;
  // Fixed limits turn independent axes off: every band gets the same range.
  const auto limited = Commands("PlotWaves/G/I/L=0 a,b");
  EXPECT_THAT(limited, ::testing::Contains("SetAxis l1 0,4"));
  EXPECT_THAT(limited, ::testing::Contains("SetAxis l2 0,4"));
  EXPECT_THAT(limited, ::testing::Contains("SetAxis/A/N=1 l1"));
}

TEST_F(ParserTest, LastSlimModeFlagWinsWithOneFactor) {
  Ramp("w", 12);
  // Each call starts from decimation by 2, also when the factor does not
  // read.
  ExpectValues({
      {"SlimWaves/A=3/U=4 w", "root:w_slim", {0, 4, 8}},
      {"SlimWaves/U=4/A=3 w", "root:w_slim", {1, 4, 7, 10}},
      {"SlimWaves w", "root:w_slim", {0, 2, 4, 6, 8, 10}},
      {"SlimWaves/A=3 w; SlimWaves/U=abc w", "root:w_slim", {0, 2, 4, 6, 8, 10}},
  });
}

// ---- The two list forms ------------------------------------------------------------------

TEST_F(ParserTest, StringListEndsAtTheFirstItemThatNamesNoWave) {
  // Four points each, so that each slims to two.  " root:" with its
  // leading blank is no folder.  The text itself is left as it was.
  Make("a", {1, 2, 3, 4});
  Make("b", {5, 6, 7, 8});
  for (const char* list : {"root:a,,root:b", "root:a, root:b", "root:a,root:nosuch,root:b"}) {
    ASSERT_EQ(wb_.SetStringVariable("s", list, true), 0);
    ASSERT_EQ(Run("KillWaves/Z a_slim; SlimWaves $s"), 0) << list;
    EXPECT_TRUE(Exists("root:a_slim")) << list;
    EXPECT_FALSE(Exists("root:b_slim")) << list;
    std::string text;
    ASSERT_EQ(wb_.FetchStringVariable("s", &text), 0);
    EXPECT_EQ(text, list);
  }
}

TEST_F(ParserTest, StringListItemsOf260CharactersEndTheList) {
  // Seven folders of 31 characters make a folder path of 229 characters.
  HostFolder* f = nullptr;
  const std::string path = DeepFolders('f', 7, &f);
  ASSERT_EQ(path.size(), 229u);
  Make(std::string(30, 'w'), {1, 2}, kWaveFloat32, f);
  Make(std::string(31, 'w'), {1, 2}, kWaveFloat32, f);
  ASSERT_EQ(wb_.SetStringVariable("s", path + std::string(30, 'w') + ",root:a", true), 0);
  ASSERT_EQ(Run("AutoStats/W/N=m $s"), 0);
  EXPECT_EQ(Values("root:m_num").size(), 2u);
  ASSERT_EQ(wb_.SetStringVariable("s", "root:a," + path + std::string(31, 'w') + ",root:b", true), 0);
  ASSERT_EQ(Run("AutoStats/W/N=m $s"), 0);
  EXPECT_EQ(Values("root:m_num").size(), 1u);
}

TEST_F(ParserTest, LiberalNamesQuotedOrNot) {
  Make("w 1", {1, 2, 3, 4}, kWaveFloat32, Folder("my data"));
  ASSERT_EQ(Run("String/G s = \"root:'my data':'w 1'\"; SlimWaves $s"), 0);
  EXPECT_TRUE(SameValues(Values("root:'w 1_slim'"), {1, 3}));
  ASSERT_EQ(Run("s = \"root:my data:w 1\"; SlimWaves/N=again $s"), 0);
  EXPECT_TRUE(Exists("root:'w 1_again'"));
  ASSERT_EQ(Run("AutoStats/W/N=q root:'my data':'w 1', a"), 0);
  EXPECT_TRUE(SameValues(Values("root:q_mean"), {2.5, 1.5}));
}

TEST_F(ParserTest, StringVariableByPathOrInTheCurrentFolder) {
  ASSERT_EQ(Run("NewDataFolder/S sub"), 0);
  ASSERT_EQ(Run("String/G s = \"root:a,root:b\"; String/G bare = \"a,b\""), 0);
  // Bare wave names are in the current folder.  A bare name is the string
  // variable of the current folder, read once: nothing after it is taken
  // for its name.
  ExpectValues({
      {"SetDataFolder root:; AutoStats/N=p $root:sub:s", "root:p_mean", {2, 3}},
      {"AutoStats/N=o $root:sub:bare", "root:o_mean", {2, 3}},
      {"SetDataFolder root:sub; AutoStats/N=q $s", "root:sub:q_mean", {2, 3}},
  });
  EXPECT_EQ(Run("AutoStats/N=r $s junk"), kHostErrExpectedEnd);
}

// ---- Path texts ----------------------------------------------------------------------------

TEST(PathTexts, QuotingAndUnquoting) {
  // The text in, the text out, and whether quotes were added (or removed).
  struct Case {
    const char* in;
    const char* out;
    bool changed;
  };
  const Case quoted[] = {
      {"root:my data:w 1", "root:'my data':'w 1'", true}, {"root:data:w1", "root:data:w1", false},
      {"root:'my data':w 1", "root:'my data':'w 1'", true}, {"root:'my data':", "root:'my data':", false},
      {"root:a-b:", "root:'a-b':", true},                   {"w 1", "'w 1'", true},
      {":sub:x y", ":sub:'x y'", true},                     {"root:\xBA" "C", "root:'\xBA" "C'", true},
      {"", "", false},
  };
  const Case stripped[] = {{"'w 1'", "w 1", true}, {"w1", "w1", false}, {"'w1", "w1", true}, {"'", "", true}};
  for (const Case& c : quoted) {
    std::string s = c.in;
    EXPECT_EQ(QuotePathComponents(&s), c.changed) << c.in;
    EXPECT_EQ(s, c.out) << c.in;
  }
  for (const Case& c : stripped) {
    std::string s = c.in;
    EXPECT_EQ(StripNameQuotes(&s), c.changed) << c.in;
    EXPECT_EQ(s, c.out) << c.in;
  }
}

}  // namespace
}  // namespace kwt::test
