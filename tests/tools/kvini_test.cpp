// kvini as a real process on real files: each command's main paths and its
// failures, with the INI rules of the profile API (names without regard to
// case, quotes, comments, first section wins, CR LF for new lines).
#include <gtest/gtest.h>

#include <optional>

#include "support/split_run.h"
#include "support/test_support.h"
#include "tools/tool_paths.h"

namespace kavro::test {
namespace {

TEST(KvIni, CommandsOnRealFiles) {
  const std::string tool = ToolPath("kvini");
  if (!Exists(tool)) GTEST_SKIP() << "kvini not built";
  const char* const two = "[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n";
  struct Row {
    const char* what;
    std::optional<std::string> before;  // the file's bytes; none: no file
    std::vector<std::string> args;      // after the command; "F" is the file
    int exitCode;
    std::string out;
    std::string err;                          // part of standard error; "" none at all
    std::optional<std::string> after = {};    // the file afterwards; none: as before
  } const rows[] = {
      {"get: blanks around the value go", "[Paths]\r\nDownload = Z:\\srv \r\n", {"get", "F", "paths", "DOWNLOAD"},
       0, "Z:\\srv\n", ""},
      {"get: matching quotes go", "[S]\r\nName=\"  spaced  \"\r\n", {"get", "F", "S", "Name"}, 0, "  spaced  \n", ""},
      {"get: an empty value is a value", "[S]\r\nk=\r\n", {"get", "F", "S", "k", "fallback"}, 0, "\n", ""},
      {"get: the first of a section named twice", "[S]\r\nk=1\r\n[s]\r\nk=2\r\nj=3\r\n", {"get", "F", "S", "j"}, 1, "",
       "kvini: F: no key \"j\" in section [S]"},
      {"get: a commented key is no key", "[S]\r\n;k=1\r\n", {"get", "F", "S", "k"}, 1, "", "no key \"k\""},
      {"get: the default, without trailing spaces", "[S]\r\n", {"get", "F", "S", "k", "dflt  "}, 0, "dflt\n", ""},
      {"get: a missing section", "[S]\r\n", {"get", "F", "T", "k"}, 1, "", "kvini: F: no section [T]"},
      {"get: a missing file", std::nullopt, {"get", "F", "S", "k"}, 1, "", "kvini: F: The system cannot find"},
      {"get: a missing file with a default", std::nullopt, {"get", "F", "S", "k", "d"}, 0, "d\n", ""},
      {"get: UTF-8 with its mark, names in any case", "\xEF\xBB\xBF[\xC3\x9C]\r\nk=\xE4\xB8\xAD\r\n",
       {"get", "F", "\xC3\xBC", "K"}, 0, "\xE4\xB8\xAD\n", ""},
      {"set: a new key after the section's last key", two, {"set", "F", "a", "z", "new"}, 0, "", "",
       "[A]\r\nx=1\r\nz=new\r\n\r\n[B]\r\ny=2\r\n"},
      {"set: an existing key keeps its spelling", "[S]\r\nKey=1\r\n", {"set", "F", "s", "KEY", "2"}, 0, "", "",
       "[S]\r\nKey=2\r\n"},
      {"set: a new file", std::nullopt, {"set", "F", "S", "K", "V"}, 0, "", "", "[S]\r\nK=V\r\n"},
      {"set: a value that would split the line", "[S]\r\n", {"set", "F", "S", "K", "a\nb"}, 1, "", "kvini: F: "},
      {"delete-key", "[S]\r\na=1\r\nb=2\r\n", {"delete-key", "F", "s", "A"}, 0, "", "", "[S]\r\nb=2\r\n"},
      {"delete-key: a key that is not there", two, {"delete-key", "F", "A", "nope"}, 0, "", ""},
      {"delete-key: a missing file is not made", std::nullopt, {"delete-key", "F", "A", "x"}, 1, "",
       "kvini: F: The system cannot find"},
      {"delete-section: its comments stay", "[S]\r\na=1\r\n;c\r\n[T]\r\nb=2\r\n", {"delete-section", "F", "S"}, 0, "",
       "", ";c\r\n[T]\r\nb=2\r\n"},
      {"delete-section: a missing file is not made", std::nullopt, {"delete-section", "F", "S"}, 1, "",
       "kvini: F: The system cannot find"},
      {"sections: as often as the file holds them", "x=0\r\n[A]\r\n[b]\r\n[a]\r\n", {"sections", "F"}, 0, "A\nb\na\n",
       ""},
      {"sections: a missing file", std::nullopt, {"sections", "F"}, 1, "", "kvini: F: "},
      {"keys: key lines only", "[S]\r\nk1=1\r\nno key\r\n;c=3\r\nk2=\r\n", {"keys", "F", "s"}, 0, "k1\nk2\n", ""},
      {"keys: a section with none", "[S]\r\n[T]\r\n", {"keys", "F", "S"}, 0, "", ""},
      {"keys: a missing section", "[S]\r\n", {"keys", "F", "T"}, 1, "", "kvini: F: no section [T]"},
      {"dump: what the API reads", "top=0\r\n[A]\r\nk = v\r\n[B]\r\nline\r\n;c\r\n[a]\r\nz=1\r\n", {"dump", "F"}, 0,
       "[A]\nk=v\n\n[B]\nline\n", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    const std::string file = dir.Sub("t.ini");
    if (row.before) WriteBytes(file, *row.before);
    std::vector<std::string> argv{tool};
    for (const std::string& arg : row.args) argv.push_back(arg == "F" ? file : arg);
    const SplitResult run = RunSplit(argv);
    EXPECT_EQ(run.exitCode, row.exitCode) << run.err;
    EXPECT_EQ(run.out, row.out);
    if (row.err.empty()) {
      EXPECT_EQ(run.err, "");
    } else {
      std::string expected = row.err;
      if (const size_t at = expected.find(": F:"); at != std::string::npos) expected.replace(at + 2, 1, file);
      EXPECT_NE(run.err.find(expected), std::string::npos) << run.err;
    }
    const std::optional<std::string> after = row.after ? row.after : row.before;
    if (after) EXPECT_EQ(ReadBytes(file), *after);
    else EXPECT_FALSE(Exists(file));
  }
}

}  // namespace
}  // namespace kavro::test
