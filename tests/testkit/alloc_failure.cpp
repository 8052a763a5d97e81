#include "tests/testkit/alloc_failure.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <new>
#include <vector>

#include "tests/testkit/temp_dir.h"

namespace kwt::test {

std::atomic<long>& AllocationsBeforeFailure() {
  static std::atomic<long> left{0};
  return left;
}

FailingRun RunWithFailingAllocation(Workbench& wb, const std::string& command, long n) {
  FailingRun run;
  AllocationsBeforeFailure() = n;
  try {
    run.result = wb.Run(command);
  } catch (const std::bad_alloc&) {
    // The workbench's own record of the line could not be made.
  }
  run.reached = AllocationsBeforeFailure().exchange(0) == 0;
  EXPECT_EQ(wb.updateDepth(), 0) << "allocation " << n;
  for (HostWave* w : wb.AllWaves()) EXPECT_EQ(w->lockCount, 0) << w->name << ", allocation " << n;
  return run;
}

void ForEachAllocationFailure(const std::function<FailingRun(long)>& attempt) {
  for (long n = 1;; ++n) {
    SCOPED_TRACE("allocation " + std::to_string(n) + " failed");
    const FailingRun run = attempt(n);
    if (!run.reached) {
      EXPECT_EQ(run.result, 0) << "the command without any failure";
      return;
    }
    ASSERT_LT(n, 100000) << "the sweep does not end";
  }
}

namespace {

// Every wave of the session by its path, with its values.
std::map<std::string, std::vector<double>> WavesOf(Workbench& wb) {
  std::map<std::string, std::vector<double>> waves;
  for (HostWave* w : wb.AllWaves()) {
    std::vector<double>& values = waves[(w->folder ? w->folder->Path(false) : "") + w->name];
    for (int64_t i = 0; i < w->points; ++i) values.push_back(w->Value(i));
  }
  return waves;
}

// The points of a wave the whole load makes: all there, each with its
// value or with none (NaN, as the LockIn leaves the points it could not
// measure).
bool Whole(const std::vector<double>& made, const std::vector<double>& whole) {
  if (made.size() != whole.size()) return false;
  for (size_t i = 0; i < made.size(); ++i)
    if (!(made[i] == whole[i] || std::isnan(made[i]))) return false;
  return true;
}

}  // namespace

void ExpectCleanFailures(const std::string& command, const std::function<void()>& after) {
  TempDir dir;
  const Workbench::Options options{dir.File("prefs.bin"), false};
  Workbench whole(options);
  ASSERT_EQ(whole.Run(command), 0);
  after();
  const auto expected = WavesOf(whole);
  ASSERT_FALSE(expected.empty());
  ForEachAllocationFailure([&](long n) {
    Workbench wb(options);
    const FailingRun run = RunWithFailingAllocation(wb, command, n);
    const auto made = WavesOf(wb);
    // A failure the loader survived must leave the whole load behind.
    if (run.result == 0) {
      EXPECT_EQ(made.size(), expected.size()) << "a failure reported as success";
    }
    for (const auto& [path, values] : made) {
      const auto it = expected.find(path);
      if (it == expected.end()) {
        ADD_FAILURE() << path << " is not made by the whole load";
      } else {
        EXPECT_TRUE(Whole(values, it->second)) << path << " is not whole";
      }
    }
    after();
    return run;
  });
}

}  // namespace kwt::test
