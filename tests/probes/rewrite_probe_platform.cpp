// Rewrites a file through KvRewriteFile from a child process, with unnamed
// temporary files where the file system has them or, as on file systems
// without them, named ones. Links the platform layer directly to reach that
// switch.
//
//   rewrite_probe_platform count <unnamed|named> <file> <times>
//       adds 1 to the decimal number in <file> <times> times; exit 1 when a
//       write fails
//   rewrite_probe_platform oversize <unnamed|named> <file> <limit> <size>
//       with the file size limit at <limit> bytes, replaces the content with
//       <size> bytes; prints the Win32 code and exits 0 when the write failed
#include <signal.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "KavroStd/platform/codepage.h"
#include "platform/fs/rewrite_internal.h"
#include "platform/fs/file_rewrite_internal.h"

namespace {

using kavro::platform::KvRewriteFile;

std::wstring Wide(const char* text) {
  int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring out(n > 0 ? n : 1, L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
  out.resize(out.size() - 1);
  return out;
}

int Count(const std::wstring& file, long times) {
  for (long i = 0; i < times; ++i) {
    DWORD err = KvRewriteFile(file.c_str(), true, [](std::string& bytes) {
      bytes = std::to_string(std::atol(bytes.c_str()) + 1);
      return true;
    });
    if (err != ERROR_SUCCESS) {
      fprintf(stderr, "write %ld failed: %u\n", i, err);
      return 1;
    }
  }
  return 0;
}

int Oversize(const std::wstring& file, long limit, long size) {
  signal(SIGXFSZ, SIG_IGN);  // a write beyond the limit fails with EFBIG instead
  struct rlimit cap = {static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
  if (setrlimit(RLIMIT_FSIZE, &cap) != 0) return 2;
  DWORD err = KvRewriteFile(file.c_str(), false, [size](std::string& bytes) {
    bytes.assign(static_cast<size_t>(size), 'n');
    return true;
  });
  printf("%u\n", err);
  return err == ERROR_SUCCESS ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 4) {
    const std::string command = argv[1], mode = argv[2];
    kavro::platform::detail::SetRewriteTempNamedOnly(mode == "named");
    if (command == "count" && argc == 5) return Count(Wide(argv[3]), std::atol(argv[4]));
    if (command == "oversize" && argc == 6) return Oversize(Wide(argv[3]), std::atol(argv[4]), std::atol(argv[5]));
  }
  fprintf(stderr, "usage: rewrite_probe_platform count|oversize unnamed|named <file> ...\n");
  return 2;
}
