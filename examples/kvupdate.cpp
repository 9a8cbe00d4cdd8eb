// kvupdate: the self-update pieces on the command line.
//
//   kvupdate check <url>                  the trimmed text at the address
//   kvupdate download <url> <file>        the content into the file
//   kvupdate version <file>               the version resource of a PE file
//   kvupdate compare <first> <second>     1, 0, -1 (or -21/-22 for a bad version)
//   kvupdate switch <executable> <update> [--at-next-start]
//
// Exit codes: 0 success, 1 a failed operation, 2 a usage error.
#include <cstdio>
#include <cstring>
#include <string>

#include "KavroStd/KavroStd.h"
#include "tool_cli.h"
#include "tool_text.h"

namespace {

using kavro::tools::Utf8;
using kavro::tools::Wide;

const char kUsage[] =
    "usage: kvupdate check URL                  the trimmed text at the address\n"
    "       kvupdate download URL FILE          the content into the file\n"
    "       kvupdate version FILE               the version resource of a Windows executable\n"
    "       kvupdate compare FIRST SECOND       1, 0 or -1 (-21/-22: not a version)\n"
    "       kvupdate switch EXECUTABLE UPDATE [--at-next-start]\n";
const kavro::tools::Tool kTool{"kvupdate", kUsage};

int Usage() { return kavro::tools::UsageError(kTool); }

std::string LastErrorText() { return kavro::tools::SystemText(GetLastError()); }

int Check(const char* url) {
  CAutoUpdater updater;
  CString text;
  switch (updater.CheckForUpdate(Wide(url).c_str(), text)) {
    case CAutoUpdater::UpdateCheckOk: std::printf("%s\n", Utf8(text.GetString()).c_str()); return 0;
    case CAutoUpdater::UpdateNoInternet: return kavro::tools::Fail(kTool, url, "no Internet connection");
    case CAutoUpdater::UpdateOpenUrlFailed: return kavro::tools::Fail(kTool, url, LastErrorText());
    case CAutoUpdater::UpdateNoData: return kavro::tools::Fail(kTool, url, "no data");
  }
  return 1;
}

int Download(const char* url, const char* file) {
  CAutoUpdater updater;
  CString address = Wide(url).c_str();
  HINTERNET request = updater.GetSession(address);
  if (!request) {
    std::fprintf(stderr, "kvupdate: %s: %s\n", url, LastErrorText().c_str());
    return 1;
  }
  const bool done = updater.DownloadFile(request, kavro::tools::WindowsPath(file).c_str());
  const std::string reason = done ? std::string() : LastErrorText();
  InternetCloseHandle(request);
  if (!done) {
    std::fprintf(stderr, "kvupdate: %s: download into %s failed: %s\n", url, file, reason.c_str());
    return 1;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (int rc = kavro::tools::HandleStandardOptions(kTool, argc, argv); rc >= 0) return rc;
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  if (command == "check" && argc == 3) return Check(argv[2]);
  if (command == "download" && argc == 4) return Download(argv[2], argv[3]);
  if (command == "version" && argc == 3) {
    CAutoUpdater updater;
    CString version = updater.GetFileVersion(kavro::tools::WindowsPath(argv[2]).c_str());
    if (version.IsEmpty()) {
      std::fprintf(stderr, "kvupdate: %s: no version resource\n", argv[2]);
      return 1;
    }
    std::printf("%s\n", Utf8(version.GetString()).c_str());
    return 0;
  }
  if (command == "compare" && argc == 4) {
    CAutoUpdater updater;
    std::printf("%d\n", updater.CompareVersions(Wide(argv[2]).c_str(), Wide(argv[3]).c_str()));
    return 0;
  }
  if (command == "switch" && (argc == 4 || (argc == 5 && std::strcmp(argv[4], "--at-next-start") == 0))) {
    CAutoUpdater updater;
    if (!updater.Switch(kavro::tools::WindowsPath(argv[2]).c_str(), kavro::tools::WindowsPath(argv[3]).c_str(), argc == 5)) {
      std::fprintf(stderr, "kvupdate: %s: switch failed: %s\n", argv[2], LastErrorText().c_str());
      return 1;
    }
    return 0;
  }
  return Usage();
}
