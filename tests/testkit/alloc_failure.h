// Commands under failing allocations: the n-th allocation after a command
// starts throws std::bad_alloc, for every n until the command runs through.
//
//   ForEachAllocationFailure([&](long n) {
//     Workbench wb(...);                      // a fresh session each time
//     FailingRun run = RunWithFailingAllocation(wb, "LoadPM/G/I \"...\"", n);
//     ...                                     // check what was left
//     return run;
//   });
//
// The replaced global operator new lives in alloc_failure_new.cpp, which
// only the test programs with an *alloc_failure_test.cpp link: every other
// program keeps the usual allocator.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "workbench/workbench.h"

namespace kwt::test {

struct FailingRun {
  int32_t result = -2;   // the command's result; -2 when the workbench threw
  bool reached = false;  // the command came to its n-th allocation
};

// Runs `command` in `wb` with the n-th allocation from its start failing.
// Afterwards checks what must hold whatever failed: no wave left locked
// and window updates not left paused.
FailingRun RunWithFailingAllocation(Workbench& wb, const std::string& command, long n);

// Calls `attempt(n)` for n = 1, 2, ... until a run no longer reaches its
// n-th allocation; that last run, which nothing disturbed, must succeed.
void ForEachAllocationFailure(const std::function<FailingRun(long)>& attempt);

// A loader's command under every failing point, each run in a fresh
// workbench: a run either ends with a result code (1 out of memory, or the
// loader's own) or leaves every wave the undisturbed run makes; and every
// wave it leaves is one of those, with all its points, each with its value
// or none (NaN).  `after` checks the rest of what a run left (e.g. its
// trees released).
void ExpectCleanFailures(const std::string& command, const std::function<void()>& after);

// Allocations left before the failing one (0: none armed); the replaced
// operator new counts it down.
std::atomic<long>& AllocationsBeforeFailure();

}  // namespace kwt::test
