// Where the command-line tools lie in the build tree, for the tests that run
// them as real processes.
#pragma once

#include <string>

namespace kavro::test {

// <build>/bin/<name>: the library lies in <build>/Sys.
inline std::string ToolPath(const std::string& name) {
  const std::string library = KAVRO_LIBRARY_FILE;
  return library.substr(0, library.rfind("/Sys/")) + "/bin/" + name;
}

}  // namespace kavro::test
