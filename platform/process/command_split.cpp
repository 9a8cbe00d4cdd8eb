// The Windows C runtime's command-line splitting.
#include "platform/process/command_split_internal.h"

namespace kavro::platform {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

size_t KvProgramNameEnd(const std::wstring& line, std::wstring& name) {
  name.clear();
  size_t i = 0;
  if (i < line.size() && line[i] == L'"') {
    ++i;
    while (i < line.size() && line[i] != L'"') name.push_back(line[i++]);
    if (i < line.size()) ++i;  // the closing quote
    return i;
  }
  while (i < line.size() && !IsBlank(line[i])) name.push_back(line[i++]);
  return i;
}

std::vector<std::wstring> KvSplitCommandLine(const std::wstring& line) {
  std::vector<std::wstring> args(1);
  size_t i = KvProgramNameEnd(line, args[0]);
  const size_t n = line.size();
  while (true) {
    while (i < n && IsBlank(line[i])) ++i;
    if (i >= n) break;
    std::wstring arg;
    bool quoted = false;
    while (i < n && (quoted || !IsBlank(line[i]))) {
      if (line[i] == L'\\') {
        size_t count = 0;
        while (i < n && line[i] == L'\\') ++count, ++i;
        if (i < n && line[i] == L'"') {
          arg.append(count / 2, L'\\');
          if (count % 2) {
            arg.push_back(L'"');
            ++i;
          }
        } else {
          arg.append(count, L'\\');
        }
        continue;
      }
      if (line[i] == L'"') {
        if (quoted && i + 1 < n && line[i + 1] == L'"') {
          arg.push_back(L'"');
          i += 2;
          continue;
        }
        quoted = !quoted;
        ++i;
        continue;
      }
      arg.push_back(line[i++]);
    }
    args.push_back(std::move(arg));
  }
  return args;
}

}  // namespace kavro::platform
