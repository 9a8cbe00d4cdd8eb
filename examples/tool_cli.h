// What the command-line tools share besides text conversion: --help and
// --version, the exit codes, messages on standard error in one form
// ("kvzip: out.zip: <cause>"), a path in the library's Windows form, and a
// progress display on standard error that appears only when it is a
// terminal.
//
//   const Tool tool{"kvini", kUsage};
//   if (int rc = HandleStandardOptions(tool, argc, argv); rc >= 0) return rc;
//   if (argc < 3) return UsageError(tool, "no command");
//   return Fail(tool, file, SystemText(GetLastError()));
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "KavroStd/KavroStd.h"

namespace kavro::tools {

// Exit codes of every tool.
enum ExitCode : int {
  kSuccess = 0,     // everything asked for was done
  kFailed = 1,      // an operation failed (file missing, unreadable, refused, ...)
  kUsageError = 2,  // the command line is wrong; nothing was done
};

struct Tool {
  const char* name;   // "kvzip": the prefix of every message
  const char* usage;  // the usage text, "usage: kvzip ..." lines ending in '\n'
};

// The library's version (the project version it was built with).
const char* Version();

// --help prints the usage on standard output, --version the tool's name and
// the version; both return kSuccess. Anything else in argv[1] returns -1:
// the tool goes on with its own commands.
int HandleStandardOptions(const Tool& tool, int argc, char** argv);

// "<tool>: <why>" (when `why` is not empty) and the usage on standard error;
// returns kUsageError.
int UsageError(const Tool& tool, const std::string& why = "");

// "<tool>: <subject>: <cause>" on standard error; returns kFailed.
int Fail(const Tool& tool, const std::string& subject, const std::string& cause);
// "<tool>: <subject>: <cause>" on standard error, for warnings and for
// failures the caller counts itself.
void Report(const Tool& tool, const std::string& subject, const std::string& cause);

// The system's text for an error code (FormatMessageW), without the line end.
std::string SystemText(DWORD code);

// The Windows form of a path given on the command line (relative paths are
// taken from the current folder).
std::wstring WindowsPath(const std::string& path);

// A progress bar for work of a known number of steps:
//   kvzip: extracting [##########..........]  50% 120/240
// drawn on standard error only when it is a terminal, redrawn as it moves,
// and ended with a line end when the object goes. Messages printed while it
// is shown start on a line of their own (Report and Fail clear it first).
class Progress {
 public:
  Progress(const Tool& tool, const std::string& label, uint64_t total);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Whether a bar would be shown (standard error is a terminal): work that
  // only counts for the bar can be skipped otherwise.
  static bool Wanted();

  void Advance(uint64_t steps = 1);
  bool shown() const { return shown_; }

 private:
  void Draw();

  const Tool& tool_;
  std::string label_;
  uint64_t total_, done_ = 0;
  int drawn_ = -1;  // the filled width last drawn
  bool shown_;
};

// For one long call that reports no steps: a turning mark after the label
// on standard error while the object lives, when it is a terminal; the
// line is cleared at the end.
class Busy {
 public:
  Busy(const Tool& tool, const std::string& label);
  ~Busy();
  Busy(const Busy&) = delete;
  Busy& operator=(const Busy&) = delete;

 private:
  std::string line_;
  std::atomic<bool> stop_{false};
  std::thread ticker_;
};

}  // namespace kavro::tools
