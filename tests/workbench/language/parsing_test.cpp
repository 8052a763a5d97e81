// The parsing services an operation uses to read its command line, and the
// pieces under them (splitting, quoted strings, paths, expressions).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "workbench/syntax/command_line.h"
#include "workbench/workbench.h"

namespace kwt {
namespace {

using ::testing::ElementsAre;

TEST(SplitCommands, KeepsSemicolonsInsideQuotesAndDropsComments) {
  EXPECT_THAT(SplitCommands("Display;ModifyGraph margin(left)=60"),
              ElementsAre("Display", "ModifyGraph margin(left)=60"));
  EXPECT_THAT(SplitCommands("print \"a;b\"; Note w, \"x\\\";y\""),
              ElementsAre("print \"a;b\"", "Note w, \"x\\\";y\""));
  EXPECT_THAT(SplitCommands("KillWaves 'a;b' ; ;  print 1 // a comment; not a command"),
              ElementsAre("KillWaves 'a;b'", "print 1"));
  EXPECT_THAT(SplitCommands("print \"http://x\""), ElementsAre("print \"http://x\""));
  EXPECT_TRUE(SplitCommands("   ").empty());
}

TEST(CommandCursor, QuotedStringsUnescapeLikeTheHost) {
  CommandCursor c(R"(  "a\"b\\c\rd\ne\tf\101\'" rest)");
  std::string s;
  ASSERT_TRUE(c.ReadQuotedString(&s));
  EXPECT_EQ(s, "a\"b\\c\rd\ne\tfA'");
  EXPECT_EQ(c.Rest(), " rest");
  CommandCursor open("\"never closed");
  EXPECT_FALSE(open.ReadQuotedString(&s));
  EXPECT_EQ(open.pos(), 0u);
  // Escaping and reading back give the same bytes, control bytes included.
  const std::string nasty = std::string("q\"\\\r\n\t\x01\x7f") + "\xba end";
  CommandCursor back("\"" + EscapeString(nasty) + "\"");
  ASSERT_TRUE(back.ReadQuotedString(&s));
  EXPECT_EQ(s, nasty);
}

// Runs the parsing services over `line` inside a workbench.
class ParsingServices : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(wb.Run("Make/O/N=3 w0, w1; NewDataFolder/O data; Make/O/N=2 :data:'w 2'"), 0);
    ASSERT_EQ(wb.Run("Variable/G nine = 9; String/G list = \"a,b\"; String/G file = \"/x/y.dat\""), 0);
  }
  // The next flag among `letters`, and the code and value of its "=value".
  static std::tuple<int32_t, int32_t, double> Flag(std::string_view letters) {
    double v = -1;
    const int32_t flag = HostGetFlag(letters);
    const int32_t equals = HostTakeSymbol();
    const int32_t code = equals == '=' ? HostGetNumber(&v) : equals;
    return {flag, code, v};
  }
  Workbench wb;
};

TEST_F(ParsingServices, FlagsLettersValuesAndRefusals) {
  // Flags are case-insensitive, values are expressions, and a slash ends
  // a flag's value; "/3" is no flag.
  wb.ParseWith("/A=2/b = (nine+1)*2 /R=nine/3 /Q", [&] {
    EXPECT_EQ(Flag("ABRQ"), std::make_tuple('A', 0, 2.0));
    EXPECT_EQ(Flag("ABRQ"), std::make_tuple('B', 0, 20.0));
    EXPECT_EQ(Flag("ABRQ"), std::make_tuple('R', 0, 9.0));
    EXPECT_LT(HostGetFlag("ABRQ"), 0);
    return 0;
  });
  const struct {
    const char* line;
    int32_t code;
    double value;
  } numbers[] = {{"/A=-2.5e-3", 0, -2.5e-3},
                 {"/A=undefinedVar", kHostErrNoSuchVariable, -1},
                 {"/A=", kHostErrExpectedNumber, -1}};
  for (const auto& c : numbers)
    wb.ParseWith(c.line, [&] {
      EXPECT_EQ(Flag("A"), std::make_tuple('A', c.code, c.value)) << c.line;
      return 0;
    });
  EXPECT_EQ(wb.ParseWith("/A=NaN", [&] { return std::isnan(std::get<2>(Flag("A"))) ? 0 : 1; }), 0);

  // A letter outside the set, a flag of two letters, no flag at all.
  const struct {
    const char* line;
    const char* letters;
    bool found;
  } others[] = {{"/X /QQ /Q file", "ABQ", false}, {"/QQ", "Q", false}, {"  \"file\"", "ABQ", true}};
  for (const auto& c : others)
    wb.ParseWith(c.line, [&] {
      const int32_t flag = HostGetFlag(c.letters);
      EXPECT_TRUE(c.found ? flag == 0 : flag < 0) << c.line << ": " << flag;
      return 0;
    });
}

TEST_F(ParsingServices, NamesFoldersFilesAndTheEnd) {
  std::string text;
  FolderHandle folder = nullptr;
  const auto name = [&] { return std::make_pair(HostGetName(&text), text); };
  const auto path = [&] {
    const int32_t code = HostGetFolderAndName(&folder, &text, true);
    std::string where = "(none)";
    if (folder != nullptr) HostGetFolderPath(folder, 1, &where);
    return std::make_tuple(code, where, text);
  };
  const auto file = [&] { return std::make_pair(HostGetFileName(&text), text); };
  using P = std::pair<int32_t, std::string>;
  using T = std::tuple<int32_t, std::string, std::string>;
  wb.ParseWith("'cell 3' root:data:base :data:sub $file \"q.dat\" $nine $none", [&] {
    EXPECT_EQ(name(), P(0, "cell 3"));
    EXPECT_EQ(path(), T(0, "root:data:", "base"));
    EXPECT_EQ(path(), T(0, "root:data:", "sub"));
    EXPECT_EQ(file(), P(0, "/x/y.dat"));
    EXPECT_EQ(file(), P(0, "q.dat"));
    EXPECT_EQ(file().first, kHostErrExpectedStringVar) << "nine is numeric";
    return 0;
  });
  EXPECT_EQ(wb.ParseWith("nofolder:w", [&] { return std::get<0>(path()); }), kHostErrNoSuchFolder);
  // No path given: no folder; then the end of the line.
  folder = reinterpret_cast<FolderHandle>(1);
  EXPECT_EQ(wb.ParseWith("bare  ", [&] {
    EXPECT_EQ(path(), T(0, "(none)", "bare"));
    return HostAtEnd();
  }), 0);
  EXPECT_EQ(wb.ParseWith("x y", [&] { return name(), HostAtEnd(); }), kHostErrExpectedEnd);
}

TEST(Expressions, PrecedenceFunctionsAndValues) {
  Workbench wb;
  ASSERT_EQ(wb.Run("Variable/G a = 2"), 0);
  struct Case {
    const char* text;
    double value;
  };
  const Case cases[] = {
      {"1 + 2 * 3", 7},       {"(1 + 2) * 3", 9},    {"2 ^ 3 ^ 2", 512},
      {"-2 ^ 2", -4},         {"10 / 4", 2.5},       {"a * a - 1", 3},
      {"sqrt(16) + abs(-1)", 5}, {"min(3, a)", 2},   {"1 < 2 && 2 <= 2", 1},
      {"!(a == 2) || 0", 0},  {"0x10", 16},          {"1e-3 * 1000", 1},
      {"round(2.5) + trunc(-1.7)", 2}, {"mod(7, 3)", 1}, {"numtype(NaN)", 2},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(wb.Run(std::string("Variable/G r = ") + c.text), 0) << c.text;
    EXPECT_DOUBLE_EQ(wb.root().FindVariable("r")->number, c.value) << c.text;
  }
  EXPECT_EQ(wb.Run("Variable/G r = 1 +"), kHostErrExpectedNumber);
  EXPECT_EQ(wb.Run("Variable/G r = (1"), kHostErrSyntax);
  EXPECT_EQ(wb.Run("Variable/G r = nosuchfn(1)"), kHostErrUnknownCommand);
}

TEST(Expressions, NestingIsBoundedAndLongChainsAreNot) {
  Workbench wb;
  const auto nested = [](size_t n) { return std::string(n, '(') + "1" + std::string(n, ')'); };
  // The whole expression is one level, each parenthesis one more.
  EXPECT_EQ(wb.Run("print " + nested(kMaxExpressionNesting - 1)), 0);
  std::string power = "1";
  for (int i = 0; i < 50000; ++i) power = "2^" + power;
  for (const std::string& deep : {nested(kMaxExpressionNesting), nested(50000),
                                  std::string(50000, '-') + "1", power,
                                  std::string(50000, '!') + "1", "abs(" + nested(50000) + ")"}) {
    EXPECT_EQ(wb.Run("print " + deep), kHostErrSyntax) << deep.substr(0, 20);
    EXPECT_EQ(wb.results().back().diagnosis, "expressions nest at most 256 levels deep");
  }
  // The same through the module's parsing service.
  EXPECT_EQ(wb.ParseWith("/A=" + nested(50000), [] {
    double v;
    HostGetFlag("A");
    HostTakeSymbol();
    return HostGetNumber(&v);
  }), kHostErrSyntax);
  // String functions nest as deep as numbers.
  std::string list = "\"*\"";
  for (int i = 0; i < 300; ++i) list = "WaveList(" + list + ", \";\", \"\")";
  EXPECT_EQ(wb.Run("String/G s = " + list), kHostErrSyntax);

  // A long sum or product is no nesting: it is computed in a loop.
  std::string sum = "1";
  for (int i = 0; i < 100000; ++i) sum += i % 2 == 0 ? "+2" : "-1*1";
  ASSERT_EQ(wb.Run("Variable/G n = " + sum), 0);
  EXPECT_EQ(wb.root().FindVariable("n")->number, 50001);
  ASSERT_EQ(wb.Run("Variable/G n = 8 / 2 / 2 - 1 - 1 < 1 < 2"), 0);
  EXPECT_EQ(wb.root().FindVariable("n")->number, 1) << "left to right: ((8/2)/2)-1-1 = 0";
}

}  // namespace
}  // namespace kwt
