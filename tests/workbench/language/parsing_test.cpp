// The parsing services an operation uses to read its command line, and the
// pieces under them (splitting, quoted strings, paths, expressions).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>

#include "workbench/language/command_line.h"
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
  // The code of reading the number of the one flag of `line` ("/A=...").
  int32_t FlagValue(const std::string& line, double* v) {
    int32_t code = -1;
    wb.ParseWith(line, [&] {
      EXPECT_EQ(HostGetFlag("A"), 'A');
      EXPECT_EQ(HostTakeSymbol(), '=');
      return code = HostGetNumber(v);
    });
    return code;
  }
  Workbench wb;
};

TEST_F(ParsingServices, FlagsLettersValuesAndRefusals) {
  const int32_t r = wb.ParseWith("/A=2/b = (nine+1)*2 /R=nine/3 /Q", [&] {
    double v = 0;
    EXPECT_EQ(HostGetFlag("ABRQ"), 'A');
    EXPECT_EQ(HostTakeSymbol(), '=');
    EXPECT_EQ(HostGetNumber(&v), 0);
    EXPECT_EQ(v, 2);
    EXPECT_EQ(HostGetFlag("ABRQ"), 'B') << "flags are case-insensitive";
    EXPECT_EQ(HostNextSymbol(), '=');
    EXPECT_EQ(HostTakeSymbol(), '=');
    EXPECT_EQ(HostGetNumber(&v), 0);
    EXPECT_EQ(v, 20);
    EXPECT_EQ(HostGetFlag("ABRQ"), 'R');
    EXPECT_EQ(HostTakeSymbol(), '=');
    EXPECT_EQ(HostGetNumber(&v), 0);
    EXPECT_EQ(v, 9) << "a slash ends a flag's value";
    // "/3" is no flag.
    EXPECT_LT(HostGetFlag("ABRQ"), 0);
    return 0;
  });
  EXPECT_EQ(r, 0);

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

TEST_F(ParsingServices, NumbersAndTheirFailures) {
  const struct {
    const char* line;
    int32_t code;
    double value;
  } cases[] = {
      {"/A=-2.5e-3", 0, -2.5e-3},
      {"/A=NaN", 0, NAN},
      {"/A=undefinedVar", kHostErrNoSuchVariable, 0},
      {"/A=", kHostErrExpectedNumber, 0},
  };
  for (const auto& c : cases) {
    double v = 0;
    EXPECT_EQ(FlagValue(c.line, &v), c.code) << c.line;
    if (c.code == 0) {
      EXPECT_TRUE(v == c.value || (std::isnan(v) && std::isnan(c.value))) << c.line;
    }
  }
}

TEST_F(ParsingServices, NamesFoldersFilesAndTheEnd) {
  wb.ParseWith("'cell 3' root:data:base :data:sub $file \"q.dat\" $nine $none", [&] {
    std::string name;
    FolderHandle folder = nullptr;
    EXPECT_EQ(HostGetName(&name), 0);
    EXPECT_EQ(name, "cell 3");
    EXPECT_EQ(HostGetFolderAndName(&folder, &name, true), 0);
    EXPECT_EQ(name, "base");
    EXPECT_NE(folder, nullptr);
    std::string path;
    if (folder != nullptr) HostGetFolderPath(folder, 1, &path);
    EXPECT_EQ(path, "root:data:");
    EXPECT_EQ(HostGetFolderAndName(&folder, &name, true), 0);
    EXPECT_EQ(name, "sub");
    EXPECT_NE(folder, nullptr);
    EXPECT_EQ(HostGetFileName(&path), 0);
    EXPECT_EQ(path, "/x/y.dat");
    EXPECT_EQ(HostGetFileName(&path), 0);
    EXPECT_EQ(path, "q.dat");
    EXPECT_EQ(HostGetFileName(&path), kHostErrExpectedStringVar) << "nine is numeric";
    return 0;
  });
  wb.ParseWith("nofolder:w", [&] {
    FolderHandle folder;
    std::string name;
    EXPECT_EQ(HostGetFolderAndName(&folder, &name, true), kHostErrNoSuchFolder);
    return 0;
  });
  wb.ParseWith("bare  ", [&] {
    FolderHandle folder = reinterpret_cast<FolderHandle>(1);
    std::string name;
    EXPECT_EQ(HostGetFolderAndName(&folder, &name, true), 0);
    EXPECT_EQ(folder, nullptr) << "no path given";
    EXPECT_EQ(HostAtEnd(), 0);
    return 0;
  });
  wb.ParseWith("x y", [&] {
    std::string name;
    HostGetName(&name);
    EXPECT_EQ(HostAtEnd(), kHostErrExpectedEnd);
    return 0;
  });
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
