// GetCommandLineW from /proc/self/cmdline.
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "KavroStd/platform/fileapi.h"
#include "KavroStd/platform/processenv.h"
#include "platform/fs/path_internal.h"

namespace {

// One argument in the form the Windows argument splitter reads back.
void AppendQuoted(const std::wstring& arg, std::wstring& out) {
  if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
    out += arg;
    return;
  }
  out.push_back(L'"');
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') out.append(backslashes * 2 + 1, L'\\');
    else out.append(backslashes, L'\\');
    backslashes = 0;
    out.push_back(c);
  }
  out.append(backslashes * 2, L'\\');
  out.push_back(L'"');
}

std::wstring BuildCommandLine() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::wstring line;
  size_t start = 0;
  bool first = true;
  while (start < bytes.size()) {
    size_t end = bytes.find('\0', start);
    if (end == std::string::npos) end = bytes.size();
    std::string arg = bytes.substr(start, end - start);
    std::wstring wide = first && !arg.empty() && arg[0] == '/'
                            ? kavro::platform::KvWindowsPath(arg)
                            : kavro::platform::FromUtf8(arg.data(), arg.size());
    if (!first) line.push_back(L' ');
    AppendQuoted(wide, line);
    first = false;
    start = end + 1;
  }
  return line;
}

}  // namespace

extern "C" LPWSTR GetCommandLineW() {
  static std::wstring line = BuildCommandLine();
  return line.data();
}
