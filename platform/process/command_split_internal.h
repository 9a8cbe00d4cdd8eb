// Splitting a Windows command line into arguments, as the C runtime of a
// Windows program splits it (hidden in the shared library).
#pragma once

#include <string>
#include <vector>

namespace kavro::platform {

// The program name: up to the first blank, or between double quotes when
// the line starts with one (no escapes). The rest: arguments separated by
// blanks and tabs; double quotes group (and are dropped), "" inside quotes
// is one quote, 2n backslashes before a quote are n backslashes, 2n+1 are n
// and a literal quote; other backslashes are kept.
std::vector<std::wstring> KvSplitCommandLine(const std::wstring& line);

// Where the program name ends in `line` (the offset after it), and the
// name itself, by the same rule.
size_t KvProgramNameEnd(const std::wstring& line, std::wstring& name);

}  // namespace kavro::platform
