// How the wave utilities hand command lines to the host.
#include <string>

#include "tests/waveutils/wave_fixture.h"
#include "waveutils/wave_util_support.h"

namespace kwt::test {
namespace {

class CommandsTest : public WaveUtilsTest {};

TEST_F(CommandsTest, CommandsOverTheHostLimitAreRefusedNotCut) {
  Make("a", {1, 2});
  // "Edit a" padded with blanks to exactly the limit runs; one more byte is
  // refused and nothing of it reaches the host.
  std::string command = "Edit a" + std::string(kHostMaxCommandLength - 6, ' ');
  ASSERT_EQ(command.size(), static_cast<size_t>(kHostMaxCommandLength));
  EXPECT_EQ(SendCommand(command), 0);
  EXPECT_EQ(wb_.windows().size(), 1u);
  EXPECT_EQ(SendCommand(command + " "), kHostErrCommandTooLong);
  EXPECT_EQ(SendCommand(command + " ", CommandRoute::kCommand), kHostErrCommandTooLong);
  EXPECT_EQ(wb_.windows().size(), 1u);
}

}  // namespace
}  // namespace kwt::test
