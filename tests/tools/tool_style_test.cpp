// What every command-line tool shares: --help and --version, a wrong
// command line (exit 2, the cause and the usage on standard error, nothing
// done), a failed operation (exit 1, "<tool>: <file>: <cause>" on standard
// error), and the progress display, shown only when standard error is a
// terminal.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/registry_scope.h"
#include "support/split_run.h"
#include "support/test_support.h"
#include "tools/tool_paths.h"

namespace kavro::test {
namespace {

const char* const kTools[] = {"kvzip", "kvreg", "kvxml", "kvini", "kvtoolbar"};

bool StartsWith(const std::string& text, const std::string& start) { return text.compare(0, start.size(), start) == 0; }

// Arguments with "@" at their start taken as names in the folder.
std::vector<std::string> Command(const std::string& tool, std::vector<std::string> args, const TempDir& dir) {
  for (std::string& arg : args)
    if (!arg.empty() && arg[0] == '@') arg = dir.Sub(arg.substr(1));
  args.insert(args.begin(), ToolPath(tool));
  return args;
}

TEST(ToolStyle, HelpAndVersionGoToStandardOutput) {
  for (const char* tool : kTools) {
    SCOPED_TRACE(tool);
    if (!Exists(ToolPath(tool))) GTEST_SKIP() << tool << " not built";
    const SplitResult help = RunSplit({ToolPath(tool), "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(StartsWith(help.out, std::string("usage: ") + tool + " ")) << help.out;
    EXPECT_EQ(help.err, "");
    const SplitResult version = RunSplit({ToolPath(tool), "--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, std::string(tool) + " (KavroStd) " KAVRO_PROJECT_VERSION "\n");
    EXPECT_EQ(version.err, "");
  }
}

// A wrong command line changes nothing: the folder the arguments name stays
// empty, and the registry untouched.
TEST(ToolStyle, UsageErrorsExitTwoWithTheCauseAndTheUsage) {
  struct Row {
    const char* tool;
    std::vector<std::string> args;
    const char* cause;  // part of the first line
  } const rows[] = {
      {"kvzip", {}, "no command"},
      {"kvzip", {"pack", "@a.zip", "@x"}, "unknown command \"pack\""},
      {"kvzip", {"list"}, "list: wrong number of arguments"},
      {"kvzip", {"create", "@a.zip"}, "create: wrong number of arguments"},
      {"kvzip", {"extract", "@a.zip"}, "extract: wrong number of arguments"},
      {"kvzip", {"test", "@a.zip", "@b.zip"}, "test: wrong number of arguments"},
      {"kvreg", {}, "no command"},
      {"kvreg", {"copy", "HKCU\\Software\\T"}, "unknown command \"copy\""},
      {"kvreg", {"query", "HKXX\\Software\\T"}, "not a key name"},
      {"kvreg", {"add", "HKCU\\Software\\T", "/v", "N", "/t", "REG_FLOAT", "/d", "1"}, "REG_FLOAT: not a value type"},
      {"kvreg", {"add", "HKCU\\Software\\T", "/v", "N", "/t", "REG_MULTI_SZ", "/s", "ab", "/d", "x"},
       "the separator is one character"},
      {"kvreg", {"query", "HKCU\\Software\\T", "/q"}, "query: wrong switches"},
      {"kvreg", {"export", "HKCU\\Software\\T"}, "export: wrong number of arguments"},
      {"kvreg", {"import"}, "import: wrong number of arguments"},
      {"kvxml", {}, "no command"},
      {"kvxml", {"merge", "@a.xml"}, "unknown command \"merge\""},
      {"kvxml", {"set", "@a.xml", "S", "K"}, "set: wrong number of arguments"},
      {"kvini", {}, "no command"},
      {"kvini", {"copy", "@a.ini"}, "unknown command \"copy\""},
      {"kvini", {"set", "@a.ini", "S", "K"}, "set: wrong number of arguments"},
      {"kvini", {"get", "@a.ini", "S"}, "get: wrong number of arguments"},
      {"kvini", {"dump", "@a.ini", "@b.ini"}, "dump: wrong number of arguments"},
      {"kvtoolbar", {}, "no command"},
      {"kvtoolbar", {"merge", "@a.mns"}, "unknown command \"merge\""},
      {"kvtoolbar", {"convert", "@a.mns"}, "convert: wrong arguments"},
      {"kvtoolbar", {"list", "@a.mns", "--to", "65001"}, "list: wrong arguments"},
      {"kvtoolbar", {"list", "@a.mns", "--codepage", "gbk"}, "--codepage gbk: not a code page"},
      {"kvtoolbar", {"convert", "@a.mns", "@b.mns", "--to", "4"}, "--to 4: not a code page"},
      {"kvtoolbar", {"check", "@a.mns", "--codepage"}, "--codepage: no code page given"},
      {"kvtoolbar", {"check", "@a.mns", "-x"}, "unknown option \"-x\""},
  };
  ScopedRegistry registry;
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.tool) + " " + row.cause);
    if (!Exists(ToolPath(row.tool))) GTEST_SKIP() << row.tool << " not built";
    TempDir dir;
    const SplitResult run = RunSplit(Command(row.tool, row.args, dir), {registry.env()});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.out, "");
    const std::string first = run.err.substr(0, run.err.find('\n'));
    EXPECT_TRUE(StartsWith(first, std::string(row.tool) + ": ")) << run.err;
    EXPECT_NE(first.find(row.cause), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(std::string("\nusage: ") + row.tool + " "), std::string::npos) << run.err;
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    EXPECT_FALSE(Exists(registry.folder() + "/HKEY_CURRENT_USER.reg")) << "the registry was written";
  }
}

// The first line of standard error names the tool and the file (or key) the
// operation failed on, and says why.
TEST(ToolStyle, FailuresExitOneNamingTheFileAndTheCause) {
  struct Row {
    const char* tool;
    std::vector<std::string> args;
    std::string subject;  // "@" + a name in the folder, or as it stands
    const char* cause;    // part of the first line after the subject
  } const rows[] = {
      {"kvzip", {"list", "@missing.zip"}, "@missing.zip", "cannot open"},
      {"kvzip", {"create", "@no/such/out.zip", "@in.txt"}, "@no/such/out.zip", "cannot create"},
      {"kvzip", {"extract", "@plain.txt", "@out"}, "@plain.txt", "cannot open"},
      {"kvreg", {"import", "@missing.reg"}, "@missing.reg", "The system cannot find"},
      {"kvreg", {"import", "@plain.txt"}, "@plain.txt", "not a .reg file"},
      {"kvreg", {"export", "HKCU\\Software\\Missing", "@out.reg"}, "HKEY_CURRENT_USER\\Software\\Missing",
       "The system cannot find"},
      {"kvreg", {"delete", "HKCU\\Software\\Missing"}, "HKEY_CURRENT_USER\\Software\\Missing", "needs /f"},
      {"kvxml", {"get", "@missing.xml", "S", "K"}, "@missing.xml", "The system cannot find"},
      {"kvxml", {"keys", "@plain.txt"}, "@plain.txt", "line 1"},
      {"kvini", {"get", "@missing.ini", "S", "K"}, "@missing.ini", "The system cannot find"},
      {"kvini", {"set", "@no/such/a.ini", "S", "K", "V"}, "@no/such/a.ini", "path"},
      {"kvtoolbar", {"check", "@missing.mns"}, "@missing.mns", "The system cannot find"},
      {"kvtoolbar", {"list", "@plain.txt"}, "@plain.txt", "no toolbar"},
  };
  ScopedRegistry registry;
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.tool) + " " + row.args[0] + " " + row.subject);
    if (!Exists(ToolPath(row.tool))) GTEST_SKIP() << row.tool << " not built";
    TempDir dir;
    WriteBytes(dir.Sub("in.txt"), "in");
    WriteBytes(dir.Sub("plain.txt"), "plain text\n");
    const SplitResult run = RunSplit(Command(row.tool, row.args, dir), {registry.env()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    const std::string subject = row.subject[0] == '@' ? dir.Sub(row.subject.substr(1)) : row.subject;
    const std::string first = run.err.substr(0, run.err.find('\n'));
    EXPECT_TRUE(StartsWith(first, std::string(row.tool) + ": " + subject + ": ")) << run.err;
    EXPECT_NE(first.find(row.cause, subject.size()), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("usage:"), std::string::npos) << run.err;
  }
}

// An archive of many files: extracting it draws a bar on a terminal that
// reaches every entry, and writes nothing but messages to a pipe.
TEST(ToolStyle, ProgressOnlyWhenStandardErrorIsATerminal) {
  if (!Exists(ToolPath("kvzip"))) GTEST_SKIP() << "kvzip not built";
  TempDir dir;
  for (int k = 0; k < 300; ++k) WriteBytes(dir.Sub("tree/f" + std::to_string(k) + ".txt"), std::to_string(k));
  const std::string zip = ToolPath("kvzip"), archive = dir.Sub("t.zip");

  SplitResult created = RunSplit({zip, "create", archive, dir.Sub("tree")}, {}, ErrorOutput::kTerminal);
  ASSERT_EQ(created.exitCode, 0) << created.err;
  EXPECT_NE(created.err.find("kvzip: packing ["), std::string::npos) << created.err;
  EXPECT_NE(created.err.find("] 100% 301/301\n"), std::string::npos) << created.err;  // the files and the folder

  SplitResult shown = RunSplit({zip, "extract", archive, dir.Sub("a")}, {}, ErrorOutput::kTerminal);
  ASSERT_EQ(shown.exitCode, 0) << shown.err;
  EXPECT_EQ(shown.out, "");
  EXPECT_NE(shown.err.find("\rkvzip: extracting [" + std::string(30, '#') + "] 100% 301/301\n"), std::string::npos)
      << shown.err;
  EXPECT_EQ(ReadBytes(dir.Sub("a/tree/f299.txt")), "299");

  SplitResult piped = RunSplit({zip, "extract", archive, dir.Sub("b")});
  ASSERT_EQ(piped.exitCode, 0) << piped.err;
  EXPECT_EQ(piped.err, "");
  EXPECT_EQ(ReadBytes(dir.Sub("b/tree/f299.txt")), "299");

  // A message while the bar is shown starts a line of its own; the bar
  // goes on to the end.
  HZIPFILE bad = CreateZipZ(nullptr, 4096, ZIPKIND_MEMORY);
  ASSERT_NE(bad, nullptr);
  for (int k = 0; k < 40; ++k) {
    const std::wstring name = k == 20 ? L"../up.txt" : L"f" + std::to_wstring(k);
    ASSERT_EQ(ZipAdd(bad, name.c_str(), (void*)"x", 1, ZIPKIND_MEMORY), ZRES_SUCCESS);
  }
  void* base = nullptr;
  unsigned int length = 0;
  ASSERT_EQ(ZipGetMemory(bad, &base, &length), ZRES_SUCCESS);
  WriteBytes(dir.Sub("bad.zip"), std::string(static_cast<char*>(base), length));
  CloseZipZ(bad);
  SplitResult refused = RunSplit({zip, "extract", dir.Sub("bad.zip"), dir.Sub("c")}, {}, ErrorOutput::kTerminal);
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("\nkvzip: " + dir.Sub("bad.zip") + ": refusing to extract \"../up.txt\": "),
            std::string::npos)
      << refused.err;
  EXPECT_NE(refused.err.find("] 100% 40/40\n"), std::string::npos) << refused.err;
  EXPECT_EQ(ReadBytes(dir.Sub("c/f39")), "x");

  // kvreg import on a terminal: the busy line is cleared before the result.
  ScopedRegistry registry;
  WriteBytes(dir.Sub("big.reg"), "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\T]\r\n\"N\"=\"v\"\r\n");
  SplitResult imported = RunSplit({ToolPath("kvreg"), "import", dir.Sub("big.reg")}, {registry.env()},
                                  ErrorOutput::kTerminal);
  EXPECT_EQ(imported.exitCode, 0) << imported.err;
  ASSERT_GE(imported.err.size(), 4u);
  EXPECT_EQ(imported.err.substr(imported.err.size() - 4), "\r\033[K") << imported.err;
  SplitResult pipedImport = RunSplit({ToolPath("kvreg"), "import", dir.Sub("big.reg")}, {registry.env()});
  EXPECT_EQ(pipedImport.exitCode, 0) << pipedImport.err;
  EXPECT_EQ(pipedImport.err, "");
}

}  // namespace
}  // namespace kavro::test
