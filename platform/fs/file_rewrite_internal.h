// The new file of a whole-file rewrite (rewrite_internal.h): made in the folder of
// the file it replaces under no name, or under a fresh random one, so that
// nothing another program put in that folder can block or redirect it.
#pragma once

#include <string>

namespace kavro::platform {

// A temporary file being written. `name` is empty while the file has none
// (O_TMPFILE); the destructor closes the descriptor and removes the name
// still held, so clear `name` once the file has been renamed into place.
struct RewriteTemp {
  int fd = -1;
  std::string name;

  RewriteTemp() = default;
  RewriteTemp(const RewriteTemp&) = delete;
  RewriteTemp& operator=(const RewriteTemp&) = delete;
  ~RewriteTemp() { Discard(); }
  void Discard();
};

// Opens a new empty file (mode 0600, write-only) in the folder of `path`:
// unnamed when `unnamedOk` and the file system supports it, else under a
// new name ".<name>.<random>.kvtmp" (retried while a name is taken).
// Returns 0 or an errno value.
int OpenRewriteTemp(const std::string& path, bool unnamedOk, RewriteTemp& temp);

// Gives an unnamed temporary file a new name of the form above (nothing
// when it has one). Returns 0, EOPNOTSUPP when this system cannot name an
// unnamed file (no /proc, no right to link a descriptor), or another errno.
int NameRewriteTemp(const std::string& path, RewriteTemp& temp);

namespace detail {
// Makes every rewrite of the process use named temporary files, as on file
// systems without O_TMPFILE; for the tests of that path.
void SetRewriteTempNamedOnly(bool on);
bool RewriteTempNamedOnly();
}  // namespace detail

}  // namespace kavro::platform
