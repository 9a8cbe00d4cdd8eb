// Loading the menu folder's toolbar files and dropping the toolbars of
// modules that are not installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "env/globe_test_access.h"
#include "support/message_box_recorder.h"
#include "support/test_support.h"
#include "toolbar/toolbar_test_util.h"

namespace {

using kavro::test::ScopedGlobalRoot;
using kavro::test::TempDir;
using kavro::test::Utf8;
using kavro::test::WriteBytes;

class ToolbarMenu : public ::testing::Test {
 protected:
  ToolbarMenu() : root_(dir_.Win()) { std::filesystem::create_directories(dir_.Sub("Support/Menu")); }

  void WriteMenuFile(const std::string& name, const std::string& text) {
    WriteBytes(dir_.Sub("Support/Menu/" + name), text);
  }

  TempDir dir_;
  ScopedGlobalRoot root_;
  kavro::test::MessageBoxRecorder boxes_;
};

std::vector<std::string> SortedNames(const CJToolBarParam& set) {
  std::vector<std::string> names;
  for (const JButtonArray& bar : set) names.push_back(Utf8(bar.m_strName));
  std::sort(names.begin(), names.end());
  return names;
}

TEST_F(ToolbarMenu, LoadsEveryToolbarFileOfTheMenuFolder) {
  WriteBytes(dir_.Sub("Acad.rx"), "mod.arx=1,x\r\noff.arx=0,x\r\n");
  WriteMenuFile("a.mns", "***Kept|G|MOD.ARX\r\nb|1\r\n***NoModule|G|\r\nb|1\r\n");
  WriteMenuFile("b.MNS", "***Off|H|off.arx\r\nb|1\r\n***Other|H|other.arx\r\nb|1\r\n***Plain|I\r\nb|1\r\n");
  WriteMenuFile("c.txt", "***NotAMenu|G\r\nb|1\r\n");
  std::filesystem::create_directories(dir_.Sub("Support/Menu/Sub"));
  WriteMenuFile("Sub/d.mns", "***InSubfolder|G\r\nb|1\r\n");

  CJToolBarParam set = kavro::test::MakeSet({1});
  set[0].m_strName = L"Before";
  EXPECT_EQ(CJToolBarParam::LoadToolbar(set), 1);
  EXPECT_EQ(set[0].m_strName, L"Before") << "appended after what was there";
  EXPECT_EQ(SortedNames(set), (std::vector<std::string>{"Before", "Kept", "NoModule", "Plain"}));
  for (const JButtonArray& bar : set) {
    if (bar.m_strName == L"Before") continue;
    ASSERT_EQ(bar.GetSize(), 1);
    EXPECT_EQ(Utf8(bar[0].m_strSourceFile).rfind(Utf8(dir_.Win("Support\\Menu\\")), 0), 0u)
        << "each button knows the full path of its file";
  }
  EXPECT_TRUE(boxes_.texts().empty());
}

TEST_F(ToolbarMenu, EmptyMenuFolderIsCreatedAndAddsNothing) {
  std::filesystem::remove_all(dir_.Sub("Support"));
  CJToolBarParam set;
  EXPECT_EQ(CJToolBarParam::LoadToolbar(set), 1);
  EXPECT_EQ(set.GetSize(), 0);
  EXPECT_TRUE(kavro::test::IsDirectory(dir_.Sub("Support/Menu")));
}

TEST_F(ToolbarMenu, ModulesCompareWithoutRegardToCaseButBlanksCount) {
  WriteBytes(dir_.Sub("Acad.rx"), "a.arx, b.arx\r\nC.ARX=98,x\r\n");
  CJToolBarParam set;
  for (const wchar_t* module : {L"A.arx", L"b.arx", L" b.arx", L"c.arx", L"", L"d.arx"}) {
    JButtonArray bar = kavro::test::MakeBar(L"G", CString(L"[") + module + L"]", {L"b"});
    bar.m_strModule = module;
    set.Add(bar);
  }
  EXPECT_EQ(CJToolBarParam::GetToolbarByLoadMoudle(set), 1);
  std::vector<std::string> kept;
  for (const JButtonArray& bar : set) kept.push_back(Utf8(bar.m_strName));
  EXPECT_EQ(kept, (std::vector<std::string>{"[A.arx]", "[ b.arx]", "[c.arx]", "[]"}));
}

TEST_F(ToolbarMenu, WithoutAModuleListOnlyToolbarsWithoutModuleStay) {
  CJToolBarParam set;
  for (const wchar_t* module : {L"m.arx", L"", L"n.arx"}) {
    JButtonArray bar = kavro::test::MakeBar(L"G", module, {L"b"});
    bar.m_strModule = module;
    set.Add(bar);
  }
  EXPECT_EQ(CJToolBarParam::GetToolbarByLoadMoudle(set), 1);
  ASSERT_EQ(set.GetSize(), 1);
  EXPECT_TRUE(set[0].m_strModule.IsEmpty());
  EXPECT_TRUE(boxes_.texts().empty()) << "a missing list is silent";
}

}  // namespace
