// LoadXChart under failing allocations: every failure ends with a result
// code and leaves only whole waves (the sanitizer build checks leaks).
#include <gtest/gtest.h>

#include "tests/testkit/alloc_failure.h"
#include "tests/xchart/xchart_fixture.h"

namespace kwt::test {
namespace {

TEST(LoadXChartAllocationFailure, BothGroupsWithEveryKindOfTrace) {
  TempDir dir;
  const XChartFiles files = WriteXChartRecording(Cell(), dir.path() / "cell.tree");
  for (const char* group : {"/G=1/A", "/G=2"})
    ExpectCleanFailures(std::string("LoadXChart") + group + " \"" + files.tree.string() + "\"",
                        [] {});
}

}  // namespace
}  // namespace kwt::test
