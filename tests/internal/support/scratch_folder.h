// The scratch folder of one internal test (the shared TempDir, removed with
// everything in it at the end) with the forms the fault tests want, and the
// file helpers they use.
#pragma once

#include <string>
#include <vector>

#include "support/test_support.h"

namespace kavro::platform::testing {

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return dir_.path(); }
  std::string Sub(const std::string& name) const { return dir_.Sub(name); }
  // The Windows path of Sub(name) (drive Z: is the root).
  std::wstring Win(const std::string& name) const;
  // The names in the folder, sorted.
  std::vector<std::string> Names() const;

 private:
  kavro::test::TempDir dir_;
};

// The file's bytes; "<missing>" when it cannot be read.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

}  // namespace kavro::platform::testing
