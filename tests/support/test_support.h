// Helpers shared by the tests: temporary folders, whole-file reads and
// writes, child processes, and scoped settings (code page, time zone, C
// locale) that a test sets and puts back.
#pragma once

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <initializer_list>
#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"

namespace kavro::test {

// A fresh folder under the system's temporary folder, removed with
// everything in it (at any depth, read-only parts too) when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // POSIX path without a trailing slash.
  const std::string& path() const { return path_; }
  std::string Sub(const std::string& relative) const { return path_ + "/" + relative; }
  // The folder in Windows form with one trailing backslash (Z:\tmp\x\).
  CString Win() const;
  CString Win(const std::string& relative) const;

 private:
  std::string path_;
};

// Removes a folder with everything in it, at any depth, read-only parts
// included, links as links (by descriptors: std::filesystem stops at
// PATH_MAX).
void RemoveTree(const std::string& path);

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);
bool IsDirectory(const std::string& path);
std::string Utf8(const CString& text);

struct ProcessResult {
  int exitCode = -1;  // -1 when killed by a signal
  std::string output; // standard output and error together
};

// Runs a program with arguments (no shell) and extra environment entries
// ("NAME=value"); waits for it.
ProcessResult Run(const std::vector<std::string>& argv, const std::vector<std::string>& env = {});
// Starts a program without waiting; returns its pid.
int Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env = {});

std::string ProbePath(const std::string& name);

// Sets the process's ANSI code page for a test and puts the old one back.
class ScopedAcp {
 public:
  explicit ScopedAcp(UINT codePage) : old_(GetACP()) { KvSetACP(codePage); }
  ~ScopedAcp() { KvSetACP(old_); }
  ScopedAcp(const ScopedAcp&) = delete;
  ScopedAcp& operator=(const ScopedAcp&) = delete;

 private:
  UINT old_;
};

// Sets TZ for the scope of a test, so local-time results are fixed, and
// puts the old value back.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    const char* old = getenv("TZ");
    had_ = old != nullptr;
    if (had_) saved_ = old;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (had_) setenv("TZ", saved_.c_str(), 1);
    else unsetenv("TZ");
    tzset();
  }
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  bool had_ = false;
  std::string saved_;
};

// Sets one C locale category (LC_ALL, LC_NUMERIC, ...) for the scope of a
// test to the first of `names` the machine has, and puts the previous
// setting back. When it has none, nothing changes and ok() is false; the
// test then skips:
//   ScopedLocale german(LC_ALL, {"de_DE.UTF-8"});
//   if (!german.ok()) GTEST_SKIP() << german.Missing();
class ScopedLocale {
 public:
  ScopedLocale(int category, std::initializer_list<const char*> names);
  ~ScopedLocale();
  ScopedLocale(const ScopedLocale&) = delete;
  ScopedLocale& operator=(const ScopedLocale&) = delete;

  bool ok() const { return ok_; }
  // Why a test is skipped: the names tried, none installed.
  const std::string& Missing() const { return missing_; }

 private:
  int category_;
  bool ok_ = false;
  std::string saved_;
  std::string missing_;
};

}  // namespace kavro::test
