// Settings files across processes: what this process saves, kvxml (a
// second process) and xmllint read; what kvxml writes, this process reads;
// kvxml refuses to touch a file that does not parse.
#include <gtest/gtest.h>

#include "support/test_support.h"

namespace kavro::test {
namespace {

std::string Tool() {
  std::string library = KAVRO_LIBRARY_FILE;
  return library.substr(0, library.rfind("/Sys/")) + "/bin/kvxml";
}

TEST(KvXmlTool, ReadsWhatTheLibrarySavedAndBack) {
  if (!Exists(Tool())) GTEST_SKIP() << "kvxml not built";
  TempDir dir;
  const std::string file = dir.Sub("s.xml");
  {
    CXMLFile xml(dir.Win("s.xml"));
    xml.SetString(L"Draw/Line", L"Color", L"r\u00E9d <&>");
    xml.SetAttribute(L"Draw/Line", L"Color", L"unit", L"\u4E2D");
    xml.SetData(L"Draw", L"Width", 0.25);
    ASSERT_TRUE(xml.save());
  }
  ProcessResult value = kavro::test::Run({Tool(), "get", file, "Draw/Line", "Color"});
  EXPECT_EQ(value.exitCode, 0) << value.output;
  EXPECT_EQ(value.output, "r\xC3\xA9" "d <&>\n");
  ProcessResult attr = kavro::test::Run({Tool(), "get", file, "Line", "Color", "-a", "unit"});
  EXPECT_EQ(attr.output, "\xE4\xB8\xAD\n");
  ProcessResult missing = kavro::test::Run({Tool(), "get", file, "Draw", "Nothing"});
  EXPECT_EQ(missing.exitCode, 1);
  ProcessResult lint = kavro::test::Run({"/usr/bin/xmllint", "--xpath", "string(/xmlRoot/Draw/Width)", file});
  EXPECT_EQ(lint.output, "0.250000\n");

  ProcessResult set = kavro::test::Run({Tool(), "set", file, "Draw/Fill", "My Key", "blue"});
  ASSERT_EQ(set.exitCode, 0) << set.output;
  ProcessResult keys = kavro::test::Run({Tool(), "keys", file, "Draw"});
  EXPECT_EQ(keys.output, "Line\nWidth\nFill\n");
  {
    CXMLFile xml(dir.Win("s.xml"));
    EXPECT_EQ(xml.GetString(L"Draw/Fill", L"My Key", L""), L"blue");
    EXPECT_EQ(xml.GetString(L"Draw/Line", L"Color", L""), L"r\u00E9d <&>");
  }
  ProcessResult removed = kavro::test::Run({Tool(), "delete", file, "Draw", "Line"});
  ASSERT_EQ(removed.exitCode, 0) << removed.output;
  EXPECT_EQ(kavro::test::Run({Tool(), "keys", file, "Draw"}).output, "Width\nFill\n");
  EXPECT_EQ(kavro::test::Run({Tool(), "delete", file, "Draw", "Line"}).exitCode, 1);

  // A bad section piece is an error message, not a crash.
  ProcessResult bad = kavro::test::Run({Tool(), "set", file, "1abc", "K", "v"});
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_NE(bad.output.find("kvxml: "), std::string::npos) << bad.output;
  EXPECT_EQ(kavro::test::Run({Tool(), "frobnicate"}).exitCode, 2);
}

TEST(KvXmlTool, LeavesAnUnparsableFileAlone) {
  if (!Exists(Tool())) GTEST_SKIP() << "kvxml not built";
  TempDir dir;
  WriteBytes(dir.Sub("bad.xml"), "<xmlRoot><A>1</A>");
  ProcessResult set = kavro::test::Run({Tool(), "set", dir.Sub("bad.xml"), "A", "B", "v"});
  EXPECT_EQ(set.exitCode, 1);
  EXPECT_NE(set.output.find("line"), std::string::npos) << set.output;
  EXPECT_EQ(ReadBytes(dir.Sub("bad.xml")), "<xmlRoot><A>1</A>");
}

}  // namespace
}  // namespace kavro::test
