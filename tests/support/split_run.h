// Runs a program with its standard output and standard error kept apart,
// standard error on a pipe or on a terminal (a pseudo-terminal the test
// reads), for tools whose output depends on where it goes.
#pragma once

#include <string>
#include <vector>

namespace kavro::test {

struct SplitResult {
  int exitCode = -1;  // -1 when killed by a signal or not started
  std::string out;    // standard output
  std::string err;    // standard error
};

enum class ErrorOutput { kPipe, kTerminal };

// Runs argv (no shell) with extra environment entries ("NAME=value"),
// standard input from /dev/null; waits for it.
SplitResult RunSplit(const std::vector<std::string>& argv, const std::vector<std::string>& env = {},
                     ErrorOutput errorOutput = ErrorOutput::kPipe);

}  // namespace kavro::test
