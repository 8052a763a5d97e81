// Running the kwt program (or any program) from a test.
#pragma once

#include <string>
#include <vector>

namespace kwt::test {

struct ProcessResult {
  int status = -1;  // exit status, or -1 when it did not exit normally
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs `program` with `args` (no shell), feeding `input` to its standard
// input.
ProcessResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                         const std::string& input = "");

// The kwt program of this build, with its stored preferences in `prefs`.
ProcessResult RunKwt(const std::vector<std::string>& args, const std::string& input = "");

// True when /usr/bin/python3 can import numpy.
bool HaveNumpy();

}  // namespace kwt::test
