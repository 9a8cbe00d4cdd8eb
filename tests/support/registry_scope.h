// A private registry store for one test: KAVRO_REGISTRY_DIR points into a
// temporary folder while the object lives, and is put back afterwards.
#pragma once

#include <cstdlib>
#include <string>

#include "support/test_support.h"

namespace kavro::test {

class ScopedRegistry {
 public:
  ScopedRegistry() {
    const char* old = std::getenv("KAVRO_REGISTRY_DIR");
    had_ = old != nullptr;
    if (had_) saved_ = old;
    setenv("KAVRO_REGISTRY_DIR", folder().c_str(), 1);
  }
  ~ScopedRegistry() {
    if (had_)
      setenv("KAVRO_REGISTRY_DIR", saved_.c_str(), 1);
    else
      unsetenv("KAVRO_REGISTRY_DIR");
  }
  ScopedRegistry(const ScopedRegistry&) = delete;
  ScopedRegistry& operator=(const ScopedRegistry&) = delete;

  std::string folder() const { return dir_.Sub("registry"); }
  // The store file of a root ("HKEY_CURRENT_USER").
  std::string file(const std::string& root) const { return folder() + "/" + root + ".reg"; }
  // "KAVRO_REGISTRY_DIR=..." for a child process.
  std::string env() const { return "KAVRO_REGISTRY_DIR=" + folder(); }
  const TempDir& dir() const { return dir_; }

 private:
  TempDir dir_;
  bool had_ = false;
  std::string saved_;
};

// The kvreg tool next to the library in the build tree.
inline std::string KvregPath() {
  std::string library = KAVRO_LIBRARY_FILE;
  return library.substr(0, library.rfind("/Sys/")) + "/bin/kvreg";
}

}  // namespace kavro::test
