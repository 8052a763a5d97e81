// The frame: messages, dispatch, the menu and the error-string list, seen
// from the host's side of the record.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "host/result_codes.h"
#include "resources/resources.h"
#include "workbench/workbench.h"

namespace kwt {
namespace {

using ::testing::HasSubstr;

TEST(FrameMessages, EveryMessageLeavesTypeWordZeroAndStoresItsResult) {
  Workbench wb;
  HostRecord& record = wb.record();
  ASSERT_NE(record.entry, nullptr) << "main installs the message routine";

  // Menu enable, and every message the module does not handle: 0, and
  // nothing happens.
  for (int32_t code : {kMessageMenuEnable, 0, 1, 2, 4, 9, 12, 99, -5}) {
    record.typeWord = 77;
    EXPECT_EQ(wb.SendMessage(code, {1, 2, 3}), 0) << "message " << code;
    EXPECT_EQ(record.typeWord, 0);
  }
  EXPECT_TRUE(wb.interaction().events().empty());
  EXPECT_TRUE(wb.history().empty());

  // A command whose operation index lies beyond the table stores the code
  // of an operation that is not in this build.
  record.typeWord = 77;
  const int32_t code = wb.SendMessage(kMessageCommand, {0, 6});
  EXPECT_EQ(std::make_tuple(code, record.result, record.typeWord), std::make_tuple(kHostErrNotInThisBuild, kHostErrNotInThisBuild, 0));
  // A command of fewer than two items runs operation 0: without a command
  // line every operation answers, but a short message is not refused.
  EXPECT_EQ(wb.SendMessage(kMessageCommand, {}), wb.SendMessage(kMessageCommand, {0, 0}));
  EXPECT_EQ(wb.SendMessage(kMessageCommand, {5}), wb.SendMessage(kMessageCommand, {0, 0}));
}

// An unknown menu, and separators and items beyond the menu: a beep and a
// notice each.
TEST(FrameMenu, UnknownMenusAndItemsBeepAndPostTheirNotice) {
  Workbench wb;
  size_t mark = 0;
  const auto expectNotice = [&](const std::string& notice) {
    const auto& events = wb.interaction().events();
    EXPECT_EQ(std::make_pair(wb.history().substr(mark), events.empty() ? "" : events[0].kind),
              std::make_pair(notice, std::string("beep")));
    mark = wb.history().size();
    wb.interaction().ClearEvents();
  };
  EXPECT_EQ(wb.SendMessage(kMessageMenuItem, {999, 3}), 0);
  expectNotice("KWT: unknown menu selected (MenuItem = 3)\r");
  for (int32_t item : {3, 7, 12, 14, 0}) {
    EXPECT_EQ(wb.ChooseMenuItem(item), 0);
    expectNotice("KWT: unknown menu item selected (MenuItem = " + std::to_string(item) + ")\r");
  }
}

TEST(FrameErrors, ListHoldsFortyTextsForTheModulesCodes) {
  for (int32_t code = 10000; code <= 10041; ++code)
    EXPECT_EQ(resources::ErrorText(code).empty(), code == 10000 || code == 10041) << code;
  // (The texts themselves are checked where the operations report them.)
}

// (Every operation's typed name reaches it: see the flag tests of each.)
TEST(FrameOperations, NamesInAnyCaseAndOperationsNotInThisBuild) {
  Workbench wb;
  EXPECT_NE(wb.Run("loadpulse"), kHostErrUnknownCommand);
  EXPECT_THAT(Workbench::ErrorText(kHostErrNotInThisBuild), HasSubstr("not available in this build"));
}

}  // namespace
}  // namespace kwt
