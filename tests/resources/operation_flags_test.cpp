// The flags each operation accepts are the flags its help lists, found by
// running every letter through the operation's own parser; and the help
// reaches the user as `help NAME` and `NAME/?`.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "resources/operation_flags.h"
#include "workbench/workbench.h"

namespace kwt {
namespace {

using resources::FlagValue;
using resources::OperationHelp;
using ::testing::HasSubstr;

// A value of the flag's kind, as the help promises it is read.
std::string ValueFor(FlagValue kind) {
  switch (kind) {
    case FlagValue::kNone: return "";
    case FlagValue::kNumber: return "=1";
    case FlagValue::kWave:
    case FlagValue::kOptionalWave: return "=xw";
    default: return "=x";
  }
}

class OperationFlags : public ::testing::TestWithParam<int32_t> {
 protected:
  OperationFlags() : op_(*resources::OperationHelpAt(GetParam())) {
    EXPECT_EQ(wb_.Run("Make/O/N=4 a, b, xw; a = p; b = p; xw = p"), 0);
  }

  // The operation's line with `flags`: the loaders read a file that does not
  // exist (after their flags), the wave utilities two waves.
  int32_t Run(const std::string& flags) {
    const bool loader = op_.argument == "fileName";
    return wb_.Run(std::string(op_.name) + flags + (loader ? " \"/nonexistent/c.dat\"" : " a, b"));
  }

  const OperationHelp& op_;
  Workbench wb_;
};

TEST_P(OperationFlags, ParserAcceptsExactlyTheFlagsOfItsHelp) {
  const int32_t plain = Run("");
  ASSERT_NE(plain, kHostErrBadFlag);
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    const resources::FlagHelp* help = nullptr;
    for (const auto& f : op_.flags)
      if (f.letter == letter) help = &f;
    const std::string flag = std::string("/") + letter;
    const int32_t bare = Run(flag);
    EXPECT_EQ(bare != kHostErrBadFlag, help != nullptr) << op_.name << flag;
    if (help == nullptr) continue;
    // A flag that needs its "=" says so, and with a value of its kind the
    // line reads on as if the flag were not there.
    EXPECT_EQ(bare == kHostErrExpectedEquals, help->value == FlagValue::kNumber)
        << op_.name << flag;
    EXPECT_EQ(Run(flag + ValueFor(help->value)), plain) << op_.name << flag;
  }
}

TEST_P(OperationFlags, HelpAndQuestionMarkShowEveryFlag) {
  const std::string name(op_.name);
  ASSERT_EQ(wb_.Run("help " + name), 0);
  ASSERT_EQ(wb_.Run(name + "/?"), 0) << "shows the flags instead of running";
  const std::string& history = wb_.history();
  for (const auto& f : op_.flags) {
    const std::string line = "  " + resources::FlagUsage(f);
    const size_t first = history.find(line);
    ASSERT_NE(first, std::string::npos) << line;
    EXPECT_NE(history.find(line, first + 1), std::string::npos) << line << " in both";
  }
}

INSTANTIATE_TEST_SUITE_P(EachOperation, OperationFlags,
                         ::testing::Range<int32_t>(0, resources::kOperationCount));

TEST(WorkbenchHelp, ListsOperationsAndTheCommandsThatRun) {
  Workbench wb;
  std::string printed;
  wb.SetPrintSink([&printed](std::string_view line) { printed.append(line).append("\n"); });
  ASSERT_EQ(wb.Run("help"), 0);
  // Every command the list names is one the interpreter knows.
  const size_t commands = printed.find("Commands of the workbench");
  ASSERT_NE(commands, std::string::npos);
  size_t listed = 0;
  for (size_t at = printed.find("\n  ", commands); at != std::string::npos;
       at = printed.find("\n  ", at + 1)) {
    const std::string name = printed.substr(at + 3, printed.find(' ', at + 3) - at - 3);
    if (name == "=" || name == "help") continue;
    EXPECT_NE(wb.Run(name), kHostErrUnknownCommand) << name;
    ++listed;
  }
  EXPECT_GE(listed, 20u);
  EXPECT_EQ(wb.Run("help Nonsense"), kHostErrUnknownCommand);
  EXPECT_EQ(wb.Run("help killwaves"), 0) << "names in any case";
  EXPECT_THAT(printed, HasSubstr("KillWaves[/A][/Z] wave"));
}

}  // namespace
}  // namespace kwt
