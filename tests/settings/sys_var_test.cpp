// System variables: built-in defaults against stored values, the case rules,
// the number formats and the list form.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "env/globe_test_access.h"
#include "support/test_support.h"

using kavro::test::ReadBytes;
using kavro::test::ScopedGlobalRoot;
using kavro::test::TempDir;
using kavro::test::Utf8;
using kavro::test::WriteBytes;

namespace {

class SysVarTest : public ::testing::Test {
 protected:
  // The system-variable file, its folders made as GetSettingFile makes them.
  std::string File() {
    CJSysVar::GetSettingFile();
    return tmp.Sub("Support/Location/KavroCADCfg.ini");
  }
  void Store(const std::string& lines) { WriteBytes(File(), "[FKEY_BASE_CFG]\r\n" + lines); }

  TempDir tmp;
  ScopedGlobalRoot root{tmp.Win()};
};

TEST_F(SysVarTest, SettingFileIsInTheLocationFolder) {
  EXPECT_EQ(CJSysVar::GetSettingFile(), tmp.Win("Support\\Location\\KavroCADCfg.ini"));
  EXPECT_TRUE(kavro::test::IsDirectory(tmp.Sub("Support/Location")));
  EXPECT_FALSE(kavro::test::Exists(File()));
}

TEST_F(SysVarTest, IntegerDefaultsApplyUntilAValueIsStored) {
  struct Row {
    const wchar_t* name;
    int fallback;
  } const rows[] = {
      {L"SYS_B_CLASSISTOOLBAR", 1}, {L"SYS_B_PROFRM", 1},       {L"SYS_B_AUTOCADTOOLBAR", 0},
      {L"SYS_B_STATUSTOOLBAR", 1},  {L"DWG_B_STATATT", 1},      {L"DWG_N_STATNORP", 1},
      {L"SYS_N_BARVIRKEY", 81},     {L"SYS_N_BARMODKEY", 3},    {L"SYS_N_PROFRMVIRKEY", 50},
      {L"SYS_N_PROFRMMODKEY", 3},   {L"SYS_N_FULLVIRKEY", 115}, {L"SYS_N_FULLMODKEY", 4},
      {L"SYS_B_CUSTOMFULL", 1},     {L"SYS_B_FULLCMDVIEW", 0},  {L"SYS_B_CLASSISTOOLBAR_LOCK", 1},
      {L"DWG_PREVIEW_MODE", 0},     {L"SYS_ZM_DRAW_GROUP", 1},  {L"SYS_QR_DRAW_GROUP", 0},
      {L"MY_VAR", 7},  // not a built-in: the caller's value stays
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.name));
    int value = 7;
    EXPECT_TRUE(CJSysVar::GetVar(row.name, value));
    EXPECT_EQ(value, row.fallback);
    int byDefault = 7;
    CJSysVar::GetDefaultVar(row.name, byDefault);
    EXPECT_EQ(byDefault, row.fallback);
  }
  EXPECT_EQ(CJSysVar::GetVar(L"MY_VAR"), 0);
  EXPECT_EQ(CJSysVar::GetVar(L"SYS_N_BARVIRKEY"), 81);

  Store("SYS_N_FULLVIRKEY=-12\r\nSYS_B_PROFRM=0\r\nMY_VAR=5x\r\nSYS_N_BARMODKEY=abc\r\n");
  EXPECT_EQ(CJSysVar::GetVar(L"SYS_N_FULLVIRKEY"), -12);
  EXPECT_EQ(CJSysVar::GetVar(L"SYS_B_PROFRM"), 0);
  EXPECT_EQ(CJSysVar::GetVar(L"MY_VAR"), 5);
  EXPECT_EQ(CJSysVar::GetVar(L"SYS_N_BARMODKEY"), 0);  // no leading number reads as 0
  EXPECT_EQ(CJSysVar::GetVar(L"SYS_N_BARVIRKEY"), 81);
}

TEST_F(SysVarTest, RealDefaultsAndTwoDecimals) {
  struct Row {
    const wchar_t* name;
    double fallback;
  } const rows[] = {{L"SYS_QR_PRECISON", 0.01},
                    {L"DWG_D_DRAW_SCALE", 1.0},
                    {L"DWG_D_PLOT_SCALE", 1.0},
                    {L"SYS_QR_PRECISION", 2.5},   // the correct spelling is not a built-in
                    {L"SYS_N_FULLVIRKEY", 2.5}};  // integer defaults are not real defaults
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.name));
    double value = 2.5;
    EXPECT_TRUE(CJSysVar::GetVar(row.name, value));
    EXPECT_DOUBLE_EQ(value, row.fallback);
  }
  EXPECT_TRUE(CJSysVar::SetVar(L"DWG_D_DRAW_SCALE", 0.126));
  EXPECT_TRUE(CJSysVar::SetVar(L"Count", 42));
  EXPECT_EQ(ReadBytes(File()), "[FKEY_BASE_CFG]\r\nDWG_D_DRAW_SCALE=0.13\r\nCount=42\r\n");
  double scale = 0;
  CJSysVar::GetVar(L"DWG_D_DRAW_SCALE", scale);
  EXPECT_DOUBLE_EQ(scale, 0.13);
}

TEST_F(SysVarTest, DefaultNamesAreCaseSensitiveButStoredKeysAreNot) {
  int value = 9;
  CJSysVar::GetDefaultVar(L"sys_b_profrm", value);
  EXPECT_EQ(value, 9);
  CJSysVar::GetVar(L"sys_b_profrm", value);
  EXPECT_EQ(value, 9);
  EXPECT_EQ(CJSysVar::GetVar(L"sys_n_fullvirkey"), 0);

  EXPECT_TRUE(CJSysVar::SetVar(L"SYS_B_PROFRM", 0));
  value = 9;
  CJSysVar::GetVar(L"sys_b_profrm", value);
  EXPECT_EQ(value, 0);
  // Writing the other spelling changes the one stored key.
  EXPECT_TRUE(CJSysVar::SetVar(L"sys_b_profrm", 1));
  EXPECT_EQ(ReadBytes(File()), "[FKEY_BASE_CFG]\r\nSYS_B_PROFRM=1\r\n");
}

TEST_F(SysVarTest, StringsAreStoredAsTheyAre) {
  CString text(L"kept");
  CJSysVar::GetVar(L"TITLE", text);
  EXPECT_EQ(text, L"kept");
  EXPECT_TRUE(CJSysVar::SetVar(L"TITLE", CString(L"  Sheet A-1, 50%  ")));
  CJSysVar::GetVar(L"TITLE", text);
  EXPECT_EQ(text, L"Sheet A-1, 50%");  // the profile API trims blanks
}

TEST_F(SysVarTest, ListsReadFromTheStoredForm) {
  struct Row {
    const char* label;
    std::string lines;
    std::vector<CString> expected;  // the caller's list starts as {old}
  } const rows[] = {
      {"no count: list unchanged", "OTHER=1\r\n", {L"old"}},
      {"negative count: list unchanged", "LIST=-1\r\n", {L"old"}},
      {"zero count: emptied", "LIST=0\r\nLIST0=a\r\n", {}},
      {"non-numeric count reads as 0", "LIST=abc\r\n", {}},
      {"items from 0, stop at the count", "LIST=2\r\nLIST0=a\r\nLIST1=b\r\nLIST2=c\r\n", {L"a", L"b"}},
      {"missing item reads empty", "LIST=3\r\nLIST0=a\r\nLIST2=c\r\n", {L"a", L"", L"c"}},
      {"keys match without regard to case", "list=1\r\nlist0=x\r\n", {L"x"}},
      {"count beyond the keys", "LIST=5\r\nlist3=d\r\n", {L"", L"", L"", L"d", L""}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    Store(row.lines);
    CStringArray list;
    list.Add(CString(L"old"));
    EXPECT_TRUE(CJSysVar::GetVar(L"LIST", list));
    ASSERT_EQ(list.GetSize(), static_cast<INT_PTR>(row.expected.size()));
    for (size_t i = 0; i < row.expected.size(); ++i) EXPECT_EQ(list[i], row.expected[i]) << i;
  }
}

TEST_F(SysVarTest, ShorterListLeavesTheOldItemsBehind) {
  CStringArray abc;
  abc.Add(CString(L"a"));
  abc.Add(CString(L"b"));
  abc.Add(CString(L"c"));
  EXPECT_TRUE(CJSysVar::SetVar(L"LIST", abc));
  EXPECT_EQ(ReadBytes(File()), "[FKEY_BASE_CFG]\r\nLIST=3\r\nLIST0=a\r\nLIST1=b\r\nLIST2=c\r\n");
  CStringArray x;
  x.Add(CString(L"x"));
  EXPECT_TRUE(CJSysVar::SetVar(L"LIST", x));
  EXPECT_EQ(ReadBytes(File()), "[FKEY_BASE_CFG]\r\nLIST=1\r\nLIST0=x\r\nLIST1=b\r\nLIST2=c\r\n");
  CStringArray read;
  CJSysVar::GetVar(L"LIST", read);
  ASSERT_EQ(read.GetSize(), 1);
  EXPECT_EQ(read[0], L"x");
}

// A damaged count must neither exhaust memory nor read the file once per
// claimed item.
TEST_F(SysVarTest, HugeListCountIsBounded) {
  Store("LIST=2147483647\r\nLIST0=first\r\nLIST7=eighth\r\n");
  CStringArray list;
  EXPECT_TRUE(CJSysVar::GetVar(L"LIST", list));
  ASSERT_EQ(list.GetSize(), 1 << 20);
  EXPECT_EQ(list[0], L"first");
  EXPECT_EQ(list[7], L"eighth");
  EXPECT_EQ(list[1], L"");
  EXPECT_EQ(list[(1 << 20) - 1], L"");
}

// Writes report what the file took, where they used to claim success.
TEST_F(SysVarTest, FailedWritesReturnFalse_UsedToClaimSuccess) {
  EXPECT_FALSE(CJSysVar::SetVar(L"TITLE", CString(L"two\nlines")));
  Store("A=1\r\n");
  chmod(File().c_str(), 0444);
  EXPECT_FALSE(CJSysVar::SetVar(L"A", 2));
  EXPECT_FALSE(CJSysVar::SetVar(L"A", 2.0));
  CStringArray list;
  list.Add(CString(L"x"));
  EXPECT_FALSE(CJSysVar::SetVar(L"L", list));
  EXPECT_EQ(ReadBytes(File()), "[FKEY_BASE_CFG]\r\nA=1\r\n");
  EXPECT_EQ(CJSysVar::GetVar(L"A"), 1);
}

}  // namespace
