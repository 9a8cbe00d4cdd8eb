// The module list root + "Acad.rx": enabled modules and names by number.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "env/globe_test_access.h"
#include "support/message_box_recorder.h"
#include "support/test_support.h"

namespace {

using kavro::test::ScopedGlobalRoot;
using kavro::test::TempDir;
using kavro::test::Utf8;

class ModuleList : public ::testing::Test {
 protected:
  ModuleList() : root_(dir_.Win()) {}
  void WriteList(const std::string& text) { kavro::test::WriteBytes(dir_.Sub("Acad.rx"), text); }
  std::vector<std::string> Modules() {
    CStringArray modules;
    EXPECT_TRUE(STDGlobeInfo()->GetAllArxFile(modules));
    std::vector<std::string> out;
    for (const CString& m : modules) out.push_back(Utf8(m));
    return out;
  }

  TempDir dir_;
  ScopedGlobalRoot root_;
  kavro::test::MessageBoxRecorder boxes_;
};

TEST_F(ModuleList, EnabledLinesGiveTheirNames) {
  struct Row {
    const char* line;
    std::vector<std::string> modules;
  } const rows[] = {
      {"a.arx,b.arx=5,whatever", {"a.arx", "b.arx"}},
      {"c.arx", {"c.arx"}},
      {"d.arx=0,x", {}},
      {"e.arx=99,x", {}},
      {"f.arx=98,x", {"f.arx"}},
      {"g.arx=00,x", {"g.arx"}},
      {"h.arx=0", {"h.arx"}},
      {"i.arx=x,y", {"i.arx"}},
      {"j.arx=-4,y", {"j.arx"}},
      {"k.arx=150abc,y", {}},
      {"", {}},
      {"=1,x", {}},
      {"a.arx, b.arx", {"a.arx", " b.arx"}},
      {"a,,b,=1,", {"a", "", "b", ""}},
      {"a=b=3,x", {"a"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    WriteList(std::string(row.line) + "\r\n");
    EXPECT_EQ(Modules(), row.modules);
  }
  EXPECT_TRUE(boxes_.texts().empty());
}

TEST_F(ModuleList, AppendsToWhatTheArrayHolds) {
  WriteList("a.arx\r\nb.arx=2,x\r\n");
  CStringArray modules;
  modules.Add(L"first");
  EXPECT_TRUE(STDGlobeInfo()->GetAllArxFile(modules));
  EXPECT_TRUE(STDGlobeInfo()->GetAllArxFile(modules));
  ASSERT_EQ(modules.GetSize(), 5);
  EXPECT_EQ(modules[0], L"first");
  EXPECT_EQ(modules[3], L"a.arx");
}

TEST_F(ModuleList, SoftNameByNumber) {
  WriteList("x.arx,y.arx=3,first\r\nz.arx=3,second\r\na.arx=5,x\r\n=4,x\r\nplain.arx\r\n\r\nq.arx=0\r\n");
  struct Row {
    int number;
    const wchar_t* name;
  } const rows[] = {
      {3, L"x.arx,y.arx"},
      {5, L"a.arx"},
      {4, L""},  // the line matched: its empty names part is the answer
      {1, L"plain.arx"},
      {0, L"KavroCAD"},
      {7, L"KavroCAD"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.number);
    EXPECT_EQ(STDGlobeInfo()->GetSoftName(row.number), row.name);
  }
}

TEST_F(ModuleList, EmptyLineAnswersForNumberOne_SkippedBefore) {
  WriteList("\r\nplain.arx\r\n");
  EXPECT_EQ(STDGlobeInfo()->GetSoftName(1), L"");
}

TEST_F(ModuleList, MissingFileIsSilent) {
  CStringArray modules;
  modules.Add(L"kept");
  EXPECT_FALSE(STDGlobeInfo()->GetAllArxFile(modules));
  EXPECT_EQ(modules.GetSize(), 1);
  EXPECT_EQ(STDGlobeInfo()->GetSoftName(1), L"KavroCAD");
  EXPECT_TRUE(boxes_.texts().empty());
}

TEST_F(ModuleList, FileNameIsFoundWithoutRegardToCase) {
  kavro::test::WriteBytes(dir_.Sub("ACAD.RX"), "a.arx\r\n");
  EXPECT_EQ(Modules(), std::vector<std::string>{"a.arx"});
}

// /proc/self/mem opens but fails on the first read: a real read error.
TEST_F(ModuleList, ReadErrorShowsTheMessageOncePerCall) {
  std::filesystem::create_symlink("/proc/self/mem", dir_.Sub("Acad.rx"));
  CStringArray modules;
  EXPECT_FALSE(STDGlobeInfo()->GetAllArxFile(modules));
  EXPECT_EQ(modules.GetSize(), 0);
  EXPECT_EQ(STDGlobeInfo()->GetSoftName(3), L"KavroCAD");
  EXPECT_EQ(boxes_.texts(), (std::vector<std::wstring>{L"Unable to load arx list", L"Unable to load arx list"}));
}

TEST_F(ModuleList, OddLinesDoNotHurt) {
  std::string text(std::string("a\0b.arx=1\r\n", 11));
  text += std::string(100000, ',') + "\r\n";
  text += "\xFF\xFE=2,\r\n";
  text += std::string(1 << 20, 'n') + "=3,x\r\n";
  WriteList(text);
  CStringArray modules;
  EXPECT_TRUE(STDGlobeInfo()->GetAllArxFile(modules));
  EXPECT_EQ(modules.GetSize(), 1 + 100001 + 1 + 1);
  EXPECT_EQ(STDGlobeInfo()->GetSoftName(3).GetLength(), 1 << 20);
}

}  // namespace
