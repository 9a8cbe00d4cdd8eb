// kvtoolbar as a real process on real toolbar files: listing, checking and
// converting, in the code page the file is written in, and the failures
// that leave nothing written.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "support/split_run.h"
#include "support/test_support.h"
#include "tools/tool_paths.h"

namespace kavro::test {
namespace {

TEST(KvToolbar, ListsChecksAndConverts) {
  const std::string tool = ToolPath("kvtoolbar");
  if (!Exists(tool)) GTEST_SKIP() << "kvtoolbar not built";
  const std::string two = "***Lines|Draw|mod1.arx|a|b|c\r\nL1|Line| cmd1|x|y|z\r\n***Arcs\r\nA1|Arc|cmd2\r\n";
  const std::string gbk = "***\xBB\xE6\xCD\xBC|G\r\nb|\xBB\xE6\r\n";  // 绘图, 绘
  struct Row {
    const char* what;
    std::optional<std::string> file;  // IN's bytes; none: no file ("LINK": a link to /proc/self/mem)
    std::vector<std::string> args;    // "IN", "OUT": the files
    int exitCode;
    std::string out;                  // "IN" stands for the file's path
    std::string err;                  // part of standard error; "" none at all
    std::optional<std::string> written = {};  // OUT afterwards; none: no OUT
  } const rows[] = {
      {"list: headers with the texts taken over, buttons indented", two, {"list", "IN"}, 0,
       "***Lines|Draw|mod1.arx|a|b|c\n    L1|Line| cmd1|x|y|z\n***Arcs|Draw|mod1.arx|a|b|c\n    A1|Arc|cmd2|||\n",
       ""},
      {"list: a file in code page 936, shown in UTF-8", gbk, {"list", "IN", "--codepage", "936"}, 0,
       "***\xE7\xBB\x98\xE5\x9B\xBE|G||||\n    b|\xE7\xBB\x98||||\n", ""},
      {"check: what the file holds", two, {"check", "IN"}, 0, "IN: toolbars 2, buttons 2, code page 1252\n", ""},
      {"check: no toolbar the library keeps", "x|y\r\n***Empty|G\r\n", {"check", "IN"}, 1, "",
       "kvtoolbar: IN: no toolbar"},
      {"check: a missing file", std::nullopt, {"check", "IN"}, 1, "", "kvtoolbar: IN: The system cannot find"},
      {"check: a file that fails while it is read", "LINK", {"check", "IN"}, 1, "",
       "kvtoolbar: IN: Unable to load Toolbar list"},
      {"check: bytes invalid in the code page", gbk, {"check", "IN", "--codepage", "65001"}, 1, "",
       "kvtoolbar: IN: toolbar \"\xEF\xBF\xBD"},
      {"convert: code page 936 to UTF-8", gbk, {"convert", "IN", "OUT", "--from", "936", "--to", "65001"}, 0, "", "",
       "***\xE7\xBB\x98\xE5\x9B\xBE|G||||\r\nb|\xE7\xBB\x98||||\r\n\r\n"},
      {"convert: the form the library writes", "junk\r\n***T|Own|m\r\nb|1\r\n**G1\r\n**G2\r\n",
       {"convert", "IN", "OUT"}, 0, "", "", "***T|G1|m|||\r\nb|1||||\r\n\r\n***T|G2|m|||\r\nb|1||||\r\n\r\n"},
      {"convert: texts the target cannot hold", gbk, {"convert", "IN", "OUT", "--from", "936"}, 1, "",
       "kvtoolbar: OUT: toolbar \"\xE7\xBB\x98\xE5\x9B\xBE\": text that code page 1252 cannot hold"},
      {"convert: a folder that is not there", two, {"convert", "IN", "OUT/no/t.mns"}, 1, "", "kvtoolbar: OUT/no/t.mns: "},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    const std::string in = dir.Sub("in.mns"), out = dir.Sub("out.mns");
    if (row.file == "LINK") std::filesystem::create_symlink("/proc/self/mem", in);
    else if (row.file) WriteBytes(in, *row.file);
    auto place = [&](std::string text) {
      for (const auto& [name, path] : {std::pair<std::string, std::string>{"IN", in}, {"OUT", out}})
        if (const size_t at = text.find(name); at != std::string::npos) text.replace(at, name.size(), path);
      return text;
    };
    std::vector<std::string> argv{tool};
    for (const std::string& arg : row.args) argv.push_back(place(arg));
    const SplitResult run = RunSplit(argv, {"KAVRO_ACP=1252"});
    EXPECT_EQ(run.exitCode, row.exitCode) << run.err;
    EXPECT_EQ(run.out, place(row.out));
    if (row.err.empty()) EXPECT_EQ(run.err, "");
    else EXPECT_NE(run.err.find(place(row.err)), std::string::npos) << run.err;
    if (row.written) EXPECT_EQ(ReadBytes(out), *row.written);
    else EXPECT_FALSE(Exists(out));
  }
}

}  // namespace
}  // namespace kavro::test
