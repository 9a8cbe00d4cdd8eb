// Toolbar files: reading header, group and button lines, saving, the
// messages of failed loads, code pages and hostile input.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/message_box_recorder.h"
#include "support/test_support.h"
#include "toolbar/toolbar_test_util.h"

namespace {

using kavro::test::CodePageScope;
using kavro::test::MessageBoxRecorder;
using kavro::test::TempDir;
using kavro::test::Utf8;

class ToolbarFile : public ::testing::Test {
 protected:
  // Writes the lines (bytes in the file's code page) with CR LF ends and
  // returns the file's Windows path.
  CString Write(const std::vector<std::string>& lines, const std::string& name = "t.mns") {
    std::string bytes;
    for (const std::string& line : lines) bytes += line + "\r\n";
    kavro::test::WriteBytes(dir_.Sub(name), bytes);
    return dir_.Win(name);
  }
  CJToolBarParam Load(const std::vector<std::string>& lines) {
    CJToolBarParam set;
    set.LoadToolbarFile(Write(lines));
    return set;
  }

  TempDir dir_;
  MessageBoxRecorder boxes_;
};

// "name|group|module|4|5|6:button,button" for each toolbar.
std::vector<std::string> Describe(const CJToolBarParam& set) {
  std::vector<std::string> out;
  for (const JButtonArray& bar : set) {
    std::string text = Utf8(bar.GetString().Mid(3)) + ":";
    for (const CJButtonParam& b : bar) text += Utf8(b.GetString()) + ",";
    out.push_back(text);
  }
  return out;
}

using Lines = std::vector<std::string>;

TEST_F(ToolbarFile, ReadsHeadersButtonsAndGroupLines) {
  struct Row {
    const char* what;
    Lines file;
    Lines toolbars;
  } const rows[] = {
      {"the example of two toolbars",
       {"***Lines|Draw|mod1.arx|a|b|c", "L1|Line| cmd1|x|y|z", "***Arcs", "A1|Arc|cmd2", "**Edit"},
       {"Lines|Draw|mod1.arx|a|b|c:L1|Line| cmd1|x|y|z,", "Arcs|Edit|mod1.arx|a|b|c:A1|Arc|cmd2|||,"}},
      {"header texts taken over within a group, forgotten for another",
       {"***T1|G|m.arx|a|b|c", "b1|x", "***T2", "b2|x", "***T3|H", "b3|x", "***T4|H|n.arx", "b4|x"},
       {"T1|G|m.arx|a|b|c:b1|x||||,", "T2|G|m.arx|a|b|c:b2|x||||,", "T3|H||||:b3|x||||,",
        "T4|H|n.arx|||:b4|x||||,"}},
      {"a header of the remembered group keeps the texts it does not give",
       {"***T1|G|m.arx|a|b|c", "b1|x", "***T2|G||d", "b2|x", "***T3|G", "b3|x"},
       {"T1|G|m.arx|a|b|c:b1|x||||,", "T2|G||d|b|c:b2|x||||,", "T3|G||d|b|c:b3|x||||,"}},
      {"a toolbar without buttons is not kept, lines before the first header are ignored",
       {"x|y", "**G", "***Empty|G", "", "no bar here", "***Full|G", "f|1"},
       {"Full|G||||:f|1||||,"}},
      {"only a header", {"***Empty|G"}, {}},
      {"every group line keeps the toolbar once; buttons after them are ignored",
       {"***T|Own|m", "b|1", "**G1", "c|2", "**G2", "**G3", "***U", "u|1"},
       {"T|G1|m|||:b|1||||,", "T|G2|m|||:b|1||||,", "T|G3|m|||:b|1||||,", "U|Own|m|||:u|1||||,"}},
      {"four stars make a header, not a group line",
       {"***A|G", "a|1", "****X|H", "x|1"}, {"A|G||||:a|1||||,", "*X|H||||:x|1||||,"}},
      {"header texts are trimmed, button texts keep their blanks (the third loses trailing spaces)",
       {"***  Name  | Grp \t", " b | third  | second |5"}, {"Name|Grp||||: b | third| second |5||,"}},
      {"a group line's text stays as it stands", {"***A|G", "a|1", "** spaced *"}, {"A| spaced *||||:a|1||||,"}},
      {"a header with no texts at all", {"***", "a|1"}, {"|||||:a|1||||,"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(Describe(Load(row.file)), row.toolbars);
  }
  EXPECT_TRUE(boxes_.texts().empty());
}

// A toolbar without buttons followed by a group line must not make the
// button lines of the next toolbars count as lines after a group line.
TEST_F(ToolbarFile, EmptyToolbarWithGroupLineDoesNotSwallowTheRest) {
  CJToolBarParam set = Load({"***Empty|G", "**G2", "***Next|G", "n|1", "***Last|H", "l|1"});
  EXPECT_EQ(Describe(set), (Lines{"Next|G||||:n|1||||,", "Last|H||||:l|1||||,"}));
}

TEST_F(ToolbarFile, LoadedToolbarsAreOpenWithSelectedButtonsOfTheirFile) {
  const CString path = Write({"***A|G", "a|1", "b|2"});
  CJToolBarParam set = kavro::test::MakeSet({1});
  set[0].m_bOpen = 0;
  set.LoadToolbarFile(path);
  set.LoadToolbarFile(path);
  ASSERT_EQ(set.GetSize(), 3) << "appended after what is there, once per load";
  EXPECT_EQ(set[0].m_bOpen, 0) << "the toolbar already there is untouched";
  EXPECT_TRUE(set[1] == set[2]);
  for (INT_PTR i = 1; i < 3; ++i) {
    EXPECT_EQ(set[i].m_bOpen, 1);
    for (const CJButtonParam& b : set[i]) {
      EXPECT_EQ(b.m_nLock, -1);
      EXPECT_EQ(b.m_bSelected, 1);
      EXPECT_EQ(b.m_strSourceFile, path);
    }
  }
}

TEST_F(ToolbarFile, SaveThenLoadGivesTheSameToolbars) {
  CJToolBarParam set;
  JButtonArray a = kavro::test::MakeBar(L"G", L"A", {L"a1", L"a2"});
  a.m_strModule = L"m.arx";
  a.m_strField4 = L"4";
  a.m_strField6 = L"6";
  JButtonArray empty = kavro::test::MakeBar(L"G", L"Empty", {});
  JButtonArray b = kavro::test::MakeBar(L"H", L"B", {L"b1"});
  for (JButtonArray* bar : {&a, &empty, &b}) set.Add(*bar);
  set[0][1].m_bSelected = 0;
  set[0][1].m_nLock = 4;
  set[2].m_bOpen = 0;

  const CString path = dir_.Win("saved.mns");
  set.SaveToolbarFile(path);
  EXPECT_EQ(kavro::test::ReadBytes(dir_.Sub("saved.mns")),
            "***A|G|m.arx|4||6\r\na1|a1.3|a1.2|a1.5|a1.4|a1.6\r\na2|a2.3|a2.2|a2.5|a2.4|a2.6\r\n\r\n"
            "***Empty|G||||\r\n\r\n"
            "***B|H||||\r\nb1|b1.3|b1.2|b1.5|b1.4|b1.6\r\n\r\n");

  CJToolBarParam back;
  back.LoadToolbarFile(path);
  ASSERT_EQ(back.GetSize(), 2) << "the toolbar without buttons is gone";
  EXPECT_EQ(Describe(back), (Lines{Utf8(set[0].GetString().Mid(3)) + ":a1|a1.3|a1.2|a1.5|a1.4|a1.6,a2|a2.3|a2.2|a2.5|a2.4|a2.6,",
                                   Utf8(set[2].GetString().Mid(3)) + ":b1|b1.3|b1.2|b1.5|b1.4|b1.6,"}));
  EXPECT_TRUE(back[0] == set[0]);
  EXPECT_TRUE(back[1] == set[2]);
  EXPECT_EQ(back[0][1].m_bSelected, 1);
  EXPECT_EQ(back[0][1].m_nLock, -1);
  EXPECT_EQ(back[1].m_bOpen, 1);
  EXPECT_TRUE(boxes_.texts().empty());
}

TEST_F(ToolbarFile, ChineseTextsInCodePage936) {
  CodePageScope gbk(936);
  if (!gbk.ok()) GTEST_SKIP() << "code page 936 not available";
  // "绘图" (draw), "直线" (line), "命令" (command) in GBK.
  const std::string draw = "\xBB\xE6\xCD\xBC", line = "\xD6\xB1\xCF\xDF", command = "\xC3\xFC\xC1\xEE";
  const CString path = Write({"***" + draw + "|" + draw + "|m.arx", "L|" + line + "  |" + command});
  CJToolBarParam set;
  set.LoadToolbarFile(path);
  ASSERT_EQ(set.GetSize(), 1);
  EXPECT_EQ(set[0].m_strName, L"绘图");
  EXPECT_EQ(set[0].m_strGroup, L"绘图");
  ASSERT_EQ(set[0].GetSize(), 1);
  EXPECT_EQ(set[0][0].m_strField3, L"直线");
  EXPECT_EQ(set[0][0].m_strField2, L"命令");

  set.SaveToolbarFile(dir_.Win("back.mns"));
  EXPECT_EQ(kavro::test::ReadBytes(dir_.Sub("back.mns")),
            "***" + draw + "|" + draw + "|m.arx|||\r\nL|" + line + "|" + command + "|||\r\n\r\n");
  CJToolBarParam back;
  back.LoadToolbarFile(dir_.Win("back.mns"));
  ASSERT_EQ(back.GetSize(), 1);
  EXPECT_EQ(back[0].GetString(), set[0].GetString());
  EXPECT_TRUE(back[0] == set[0]);
}

TEST_F(ToolbarFile, MissingFileShowsItsPathAndAddsNothing) {
  CJToolBarParam set = kavro::test::MakeSet({2});
  const CString path = dir_.Win("none.mns");
  set.LoadToolbarFile(path);
  EXPECT_EQ(set.GetSize(), 1);
  ASSERT_EQ(boxes_.texts().size(), 1u);
  EXPECT_EQ(boxes_.texts()[0], (L"Could not open file " + path + L".\n").GetString());
  EXPECT_EQ(boxes_.types()[0], MB_OK);

  // A folder cannot be opened as a file either.
  set.LoadToolbarFile(dir_.Win());
  EXPECT_EQ(boxes_.texts().size(), 2u);
  EXPECT_EQ(set.GetSize(), 1);
}

// /proc/self/mem opens but fails on the first read: a real read error.
TEST_F(ToolbarFile, ReadErrorShowsTheMessageAndAddsNothing) {
  std::filesystem::create_symlink("/proc/self/mem", dir_.Sub("broken.mns"));
  CJToolBarParam set = kavro::test::MakeSet({2});
  set.LoadToolbarFile(dir_.Win("broken.mns"));
  EXPECT_EQ(set.GetSize(), 1);
  EXPECT_EQ(boxes_.texts(), std::vector<std::wstring>{L"Unable to load Toolbar list"});
}

TEST_F(ToolbarFile, SaveToAFolderThatCannotHoldItShowsTheMessage) {
  CJToolBarParam set = kavro::test::MakeSet({1});
  const CString path = dir_.Win("no\\such\\folder\\t.mns");
  set.SaveToolbarFile(path);
  EXPECT_EQ(boxes_.texts(), std::vector<std::wstring>{(L"Could not open file " + path + L".\n").GetString()});
}

TEST_F(ToolbarFile, HostileInputGivesClearResults) {
  CodePageScope utf8(65001);
  ASSERT_TRUE(utf8.ok());
  const std::string longText(1 << 20, 'x');
  std::string manyParts = "***Many";
  for (int i = 0; i < 500; ++i) manyParts += "|p" + std::to_string(i);
  Lines groups = {"***G|Own", "g|1"};
  for (int i = 0; i < 5000; ++i) groups.push_back("**G" + std::to_string(i));

  struct Row {
    const char* what;
    Lines file;
    Lines toolbars;
  } const rows[] = {
      {"a megabyte-long button text", {"***A", "b|" + longText}, {"A|||||:b|" + longText + "||||,"}},
      {"NUL bytes are dropped", {std::string("***A\0|G", 7), std::string("b\0|1|\0", 6)}, {"A|G||||:b|1||||,"}},
      {"a NUL before the stars", {std::string("\0***A", 5), "b|1"}, {"A|||||:b|1||||,"}},
      {"bytes invalid in UTF-8", {"***A\xFF|G", "b\xC3|\x80x"}, {"A\xEF\xBF\xBD|G||||:b\xEF\xBF\xBD|\xEF\xBF\xBDx||||,"}},
      {"a header of 501 parts", {manyParts, "b|1"}, {"Many|p0|p1|p2|p3|p4:b|1||||,"}},
      {"a lone CR stays in a button text", {"***A", "b|1\r"}, {"A|||||:b|1\r||||,"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    EXPECT_EQ(Describe(Load(row.file)), row.toolbars);
  }

  CJToolBarParam grouped = Load(groups);
  ASSERT_EQ(grouped.GetSize(), 5000);
  EXPECT_EQ(grouped[0].m_strGroup, L"G0");
  EXPECT_EQ(grouped[4999].m_strGroup, L"G4999");
  EXPECT_TRUE(boxes_.texts().empty());
}

TEST_F(ToolbarFile, LoneLeadByteInCodePage936) {
  CodePageScope gbk(936);
  if (!gbk.ok()) GTEST_SKIP() << "code page 936 not available";
  CJToolBarParam set = Load({"***A|G", "b|\xBB", "c|\xBB\xE6"});
  ASSERT_EQ(set.GetSize(), 1);
  ASSERT_EQ(set[0].GetSize(), 2);
  EXPECT_EQ(set[0][0].m_strName, L"b");
  EXPECT_EQ(set[0][0].m_strField3.GetLength(), 1) << "one replacement character";
  EXPECT_EQ(set[0][1].m_strField3, L"绘");
}

}  // namespace
