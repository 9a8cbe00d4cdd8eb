// A fresh folder under /tmp for one internal test, removed with everything in
// it at the end, and the few file helpers the fault tests need (they cannot
// use tests/support, which links the shared library).
#pragma once

#include <string>
#include <vector>

namespace kavro::platform::testing {

class ScratchFolder {
 public:
  ScratchFolder();
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string Sub(const std::string& name) const { return path_ + "/" + name; }
  // The Windows path of Sub(name) (drive Z: is the root).
  std::wstring Win(const std::string& name) const;
  // The names in the folder, sorted.
  std::vector<std::string> Names() const;

 private:
  std::string path_;
};

// The file's bytes; "<missing>" when it cannot be read.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

}  // namespace kavro::platform::testing
