// kvredirect_demo: runs a build-like child process into a rich-edit
// control with CRedirect, then prints the control's coloured runs on the
// terminal (and, with --rtf, the RTF the control streams).
//
//   kvredirect_demo                  the built-in sample build
//   kvredirect_demo "make -k all"    any command line, split as Windows does
//   kvredirect_demo --rtf            the sample, written out as RTF
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "KavroStd/KavroStd.h"

namespace {

// A sample build: lines over several reads, UTF-8 and GBK text, a
// backspace, and an error phrase after which the rest never runs.
const char kScript[] =
    "#!/bin/sh\n"
    "echo 'Building project...'\n"
    "for i in 1 2 3; do echo \"  compiling unit$i.cpp\"; sleep 0.1; done\n"
    "printf '  \\347\\274\\226\\350\\257\\221\\345\\256\\214\\346\\210\\220 (UTF-8)\\n'\n"
    "sleep 0.2\n"
    "printf '  \\326\\320\\316\\304 (GBK)\\n'\n"
    "sleep 0.2\n"
    "printf '  progress 50%%\\b\\b\\b\\b100%%\\n'\n"
    "echo \"link: fatal error LNK1104: cannot open file 'app.exe'\"\n"
    "sleep 10\n"
    "echo 'never shown'\n";

std::string WriteScript() {
  const char* tmp = getenv("TMPDIR");
  std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/kvredirect_demo.XXXXXX";
  if (!mkdtemp(folder.data())) return std::string();
  std::string path = folder + "/build.sh";
  FILE* f = fopen(path.c_str(), "wb");
  if (!f) return std::string();
  fwrite(kScript, 1, sizeof(kScript) - 1, f);
  fclose(f);
  chmod(path.c_str(), 0755);
  return path;
}

}  // namespace

int main(int argc, char** argv) {
  bool rtf = false;
  std::string command;
  for (int i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--rtf") == 0) rtf = true;
    else command = argv[i];
  }
  // The sample prints GBK text too; output that is not UTF-8 is read in
  // the ANSI code page.
  KvSetACP(936);
  std::string script;
  std::wstring line;
  if (command.empty()) {
    script = WriteScript();
    if (script.empty()) return 1;
    line = L"\"" + kavro::platform::KvWindowsPath(script) + L"\"";
  } else {
    int n = MultiByteToWideChar(CP_UTF8, 0, command.c_str(), -1, nullptr, 0);
    line.resize(static_cast<size_t>(n));
    MultiByteToWideChar(CP_UTF8, 0, command.c_str(), -1, line.data(), n);
    line.resize(wcslen(line.c_str()));
  }

  CDialog window;
  window.Create(100u, nullptr);
  CRichEditCtrl output;
  output.Create(ES_MULTILINE | ES_READONLY, RECT{0, 0, 600, 400}, &window, 1001);
  CRedirect::ShowMessage(&output, L"Build started\n", CRedirect::MessageBold);

  CRedirect run(line.c_str(), &output, nullptr);
  CString phrase = L"Fatal Error";
  run.AddErrorCondition(phrase);
  BOOL ended = run.Run();
  CRedirect::ShowMessage(&output, ended ? L"Build finished\n" : L"Build stopped\n", CRedirect::MessageBlue);

  std::string text = rtf ? kavro::platform::KvRichTextToRtf(output) : kavro::platform::KvRichTextToTerminal(output);
  fwrite(text.data(), 1, text.size(), stdout);
  if (!rtf) fputc('\n', stdout);
  if (!script.empty()) {
    unlink(script.c_str());
    rmdir(script.substr(0, script.rfind('/')).c_str());
  }
  return ended ? 0 : 2;
}
