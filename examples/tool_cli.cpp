// The pieces every command-line tool shares: standard options, messages,
// exit codes and the progress display.
#include "tool_cli.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "KavroStd/platform/format_message.h"
#include "tool_text.h"

namespace kavro::tools {

namespace {

// True while a progress line is on standard error without its line end; a
// message first ends that line, and the bar draws itself again afterwards.
bool g_lineOpen = false;

void EndOpenLine() {
  if (g_lineOpen) std::fputc('\n', stderr);
  g_lineOpen = false;
}

}  // namespace

const char* Version() { return KAVRO_VERSION; }

int HandleStandardOptions(const Tool& tool, int argc, char** argv) {
  if (argc < 2) return -1;
  if (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::fputs(tool.usage, stdout);
    return kSuccess;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("%s (KavroStd) %s\n", tool.name, Version());
    return kSuccess;
  }
  return -1;
}

int UsageError(const Tool& tool, const std::string& why) {
  EndOpenLine();
  if (!why.empty()) std::fprintf(stderr, "%s: %s\n", tool.name, why.c_str());
  std::fputs(tool.usage, stderr);
  return kUsageError;
}

void Report(const Tool& tool, const std::string& subject, const std::string& cause) {
  EndOpenLine();
  std::fprintf(stderr, "%s: %s: %s\n", tool.name, subject.c_str(), cause.c_str());
}

int Fail(const Tool& tool, const std::string& subject, const std::string& cause) {
  Report(tool, subject, cause);
  return kFailed;
}

std::string SystemText(DWORD code) {
  wchar_t text[512] = L"";
  FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, 512, nullptr);
  std::string message = Utf8(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
    message.pop_back();
  if (message.empty()) message = "error " + std::to_string(code);
  return message;
}

std::wstring WindowsPath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path full = std::filesystem::absolute(path, error);
  return kavro::platform::KvWindowsPath(error ? path : full.lexically_normal().string());
}

bool Progress::Wanted() { return isatty(STDERR_FILENO) == 1; }

Progress::Progress(const Tool& tool, const std::string& label, uint64_t total)
    : tool_(tool), label_(label), total_(total), shown_(Wanted()) {
  if (shown_) Draw();
}

Progress::~Progress() {
  if (!shown_) return;
  if (!g_lineOpen) Draw();  // a message came last: the bar once more below it
  EndOpenLine();
}

void Progress::Advance(uint64_t steps) {
  done_ += steps;
  if (shown_) Draw();
}

void Progress::Draw() {
  constexpr int kWidth = 30;
  const uint64_t done = total_ == 0 ? 0 : std::min(done_, total_);
  const int filled = total_ == 0 ? kWidth : static_cast<int>(done * kWidth / total_);
  // Redraw only when the bar moves or the count is small enough to matter;
  // a line of its own after a message, in place otherwise.
  if (g_lineOpen && filled == drawn_ && total_ > 1000 && done != total_) return;
  drawn_ = filled;
  const int percent = total_ == 0 ? 100 : static_cast<int>(done * 100 / total_);
  std::string bar(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(kWidth - filled), '.');
  std::fprintf(stderr, "\r%s: %s [%s] %3d%% %llu/%llu", tool_.name, label_.c_str(), bar.c_str(), percent,
               static_cast<unsigned long long>(done), static_cast<unsigned long long>(total_));
  std::fflush(stderr);
  g_lineOpen = true;
}

Busy::Busy(const Tool& tool, const std::string& label) : line_(std::string(tool.name) + ": " + label) {
  if (isatty(STDERR_FILENO) != 1) return;
  ticker_ = std::thread([this] {
    static const char kMarks[] = "|/-\\";
    for (unsigned turn = 0; !stop_.load(); ++turn) {
      std::fprintf(stderr, "\r%s %c", line_.c_str(), kMarks[turn % 4]);
      std::fflush(stderr);
      for (int k = 0; k < 4 && !stop_.load(); ++k) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
}

Busy::~Busy() {
  if (!ticker_.joinable()) return;
  stop_ = true;
  ticker_.join();
  std::fputs("\r\033[K", stderr);  // clears the line: what follows says how it went
  std::fflush(stderr);
}

}  // namespace kavro::tools
