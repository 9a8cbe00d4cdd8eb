#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "env/globe_test_access.h"
#include "support/test_support.h"

using kavro::test::GlobeAccess;
using kavro::test::ScopedGlobalRoot;
using kavro::test::TempDir;

namespace {

TEST(InstallRoot, DerivedFromTheLibraryFilePath) {
  struct Row {
    const wchar_t* file;
    const wchar_t* moduleFolder;
    const wchar_t* root;
  } const rows[] = {
      {L"C:\\Programs\\Suite\\Sys\\KavroStd.dll", L"C:\\Programs\\Suite\\Sys\\", L"C:\\Programs\\Suite\\"},
      {L"C:\\KavroStd.dll", L"C:\\", L"C:"},
      {L"C:\\A\\B\\KavroStd.dll", L"C:\\A\\B\\", L"C:\\A\\"},
      {L"C:\\A\\B\\\\\\KavroStd.dll", L"C:\\A\\B\\\\\\", L"C:\\A\\"},
      {L"KavroStd.dll", L"KavroStd.dll", L"KavroStd.dll"},
      {L"Z:\\opt\\kavro\\Sys\\libKavroStd.so", L"Z:\\opt\\kavro\\Sys\\", L"Z:\\opt\\kavro\\"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(kavro::test::Utf8(row.file));
    CString moduleFolder, root;
    CSTDGlobeInfo::DeriveInstallPaths(row.file, moduleFolder, root);
    EXPECT_EQ(moduleFolder, row.moduleFolder);
    EXPECT_EQ(root, row.root);
  }
}

// The library copied into a fresh tree and loaded from there by a program
// in the tree's Bin folder: the root follows from where the file lies.
TEST(InstallRoot, FollowsTheLoadedLibraryFile) {
  TempDir tmp;
  namespace fs = std::filesystem;
  std::string root = tmp.Sub("Inst");
  fs::create_directories(root + "/Sys");
  fs::create_directories(root + "/Bin");
  fs::copy_file(KAVRO_LIBRARY_FILE, root + "/Sys/libKavroStd.so");
  fs::create_symlink("libKavroStd.so", root + "/Sys/libKavroStd.so.1");
  fs::copy_file(kavro::test::ProbePath("globe_tree"), root + "/Bin/globe_tree");

  kavro::test::ProcessResult r = kavro::test::Run({root + "/Bin/globe_tree"});
  ASSERT_EQ(r.exitCode, 0) << r.output;
  std::string winRoot = kavro::test::Utf8(tmp.Win("Inst\\"));
  EXPECT_NE(r.output.find("root=" + winRoot + "\n"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("module=" + winRoot + "Sys\\\n"), std::string::npos) << r.output;
  EXPECT_NE(r.output.find("language=" + winRoot + "Support\\Language\\KavroSTD\\\n"), std::string::npos)
      << r.output;
  // Start-up created the language folder below the root.
  EXPECT_TRUE(kavro::test::IsDirectory(root + "/Support/Language/KavroSTD"));
}

TEST(InstallTree, EveryFolderQueryCreatesItsLevels) {
  TempDir tmp;
  CSTDGlobeInfo globe;
  GlobeAccess::Root(&globe) = tmp.Win();
  using Query = std::function<CString()>;
  struct Row {
    const char* name;
    Query query;
    const char* relative;
  } const rows[] = {
      {"Sys", [&] { return globe.GetSysPath(); }, "Sys/"},
      {"Help", [&] { return globe.GetHelpPath(); }, "Help/"},
      {"ScriptHelp", [&] { return globe.GetScriptHelpPath(); }, "Help/ScriptHelp/"},
      {"Libs", [&] { return globe.GetLibsPath(); }, "Library/"},
      {"LDraws", [&] { return globe.GetLDrawsPath(); }, "Library/"},
      {"LBlock", [&] { return globe.GetLBlockPath(); }, "Library/Block/"},
      {"LDicts", [&] { return globe.GetLDictsPath(); }, "Library/Dict/"},
      {"LDictComm", [&] { return globe.GetLDictCommPath(); }, "Library/Dict/Common/"},
      {"LDictRepl", [&] { return globe.GetLDictReplPath(); }, "Library/Dict/Replace/"},
      {"LDictTran", [&] { return globe.GetLDictTranPath(); }, "Library/Dict/Translation/"},
      {"LOther", [&] { return globe.GetLOtherPath(); }, "Library/Other/"},
      {"LScrip", [&] { return globe.GetLScripPath(); }, "Library/Script/"},
      {"LSetts", [&] { return globe.GetLSettsPath(); }, "Library/Setting/"},
      {"LTable", [&] { return globe.GetLTablePath(); }, "Library/Table/"},
      {"Supp", [&] { return globe.GetSuppPath(); }, "Support/"},
      {"Font", [&] { return globe.GetFontPath(); }, "Support/Fonts/"},
      {"Lang", [&] { return globe.GetLangPath(); }, "Support/Language/"},
      {"Loca", [&] { return globe.GetLocaPath(); }, "Support/Location/"},
      {"Menu", [&] { return globe.GetMenuPath(); }, "Support/Menu/"},
      {"MenuICON", [&] { return globe.GetMenuICONPath(); }, "Support/Menu/Images/"},
      {"Samp", [&] { return globe.GetSampPath(); }, "Support/Sample/"},
      {"ZmStore", [&] { return globe.GetZmStore(); }, "Support/ZmStore/"},
      {"Scri", [&] { return globe.GetScriPath(); }, "Support/Script/"},
      {"Shxs", [&] { return globe.GetShxsPath(); }, "Support/ShxFonts/"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string rel = row.relative;
    CString expected = tmp.Win(rel);
    EXPECT_EQ(row.query(), expected);
    EXPECT_TRUE(kavro::test::IsDirectory(tmp.Sub(rel)));
    // Asking again is no error and gives the same text.
    EXPECT_EQ(row.query(), expected);
  }
}

TEST(InstallTree, FileQueriesCreateFoldersButNotFiles) {
  TempDir tmp;
  ScopedGlobalRoot scoped(tmp.Win());
  CSTDGlobeInfo* globe = STDGlobeInfo();
  EXPECT_EQ(globe->GetSettFile(), tmp.Win("Support\\Location\\KavroStd.ini"));
  EXPECT_EQ(globe->GetCfgsFile(), tmp.Win("Support\\Location\\KavroCADCfg.ini"));
  EXPECT_EQ(globe->GetDefaultCfgsFile(), tmp.Win("Support\\Location\\KVDefaultCfg.ini"));
  EXPECT_TRUE(kavro::test::IsDirectory(tmp.Sub("Support/Location")));
  EXPECT_FALSE(kavro::test::Exists(tmp.Sub("Support/Location/KavroStd.ini")));

  struct Row {
    int which;
    const char* file;
  } const rows[] = {{0, "Kavrodesk.chm"}, {1, "Quorin.chm"}, {2, "Zelmar.chm"}, {3, "Kavrodesk.chm"}, {-1, "Kavrodesk.chm"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.which);
    EXPECT_EQ(globe->GetHelpFile(row.which), tmp.Win(std::string("Help\\") + row.file));
  }
}

TEST(InstallTree, FolderQueriesSurviveAFileInTheWay) {
  TempDir tmp;
  CSTDGlobeInfo globe;
  GlobeAccess::Root(&globe) = tmp.Win();
  kavro::test::WriteBytes(tmp.Sub("Support"), "not a folder");
  // The text is returned all the same; nothing is reported, nothing replaced.
  EXPECT_EQ(globe.GetMenuPath(), tmp.Win("Support\\Menu\\"));
  EXPECT_EQ(kavro::test::ReadBytes(tmp.Sub("Support")), "not a folder");
}

TEST(InstallTree, FindsWhatLiesInAFolderSpelledInAnotherCase) {
  TempDir tmp;
  // A tree copied from Windows with its own spelling of the folders.
  std::filesystem::create_directories(tmp.Sub("support/menu"));
  kavro::test::WriteBytes(tmp.Sub("support/menu/a.mns"), "x");
  CSTDGlobeInfo globe;
  GlobeAccess::Root(&globe) = tmp.Win();
  CString menu = globe.GetMenuPath();
  CFileFind finder;
  EXPECT_TRUE(finder.FindFile(menu + L"A.MNS"));
  EXPECT_FALSE(kavro::test::Exists(tmp.Sub("Support")));
}

const wchar_t kHook[] = L"KVSTD_PLATFORM_FUNCTION_FINDFILE";

class FindFilePathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    builtin_ = GlobeAccess::Registered(kHook);
    ASSERT_NE(builtin_, nullptr) << "start-up registers the built-in hook";
    scoped_ = std::make_unique<ScopedGlobalRoot>(tmp_.Win());
    shx_ = STDGlobeInfo()->GetShxsPath();
    kavro::test::WriteBytes(tmp_.Sub("Support/ShxFonts/simplex.shx"), "shapes");
  }
  void TearDown() override {
    STDGlobeInfo()->AddFunction(kHook, builtin_, FALSE);
    scoped_.reset();
  }

  TempDir tmp_;
  std::unique_ptr<ScopedGlobalRoot> scoped_;
  CString shx_;
  CSTDGlobeInfo::Function builtin_ = nullptr;
};

TEST_F(FindFilePathTest, AnExistingFileIsFoundWithoutTheHook) {
  kavro::test::WriteBytes(tmp_.Sub("here.dwg"), "x");
  STDGlobeInfo()->SetResult(CString(L"left alone"));
  CString found;
  EXPECT_TRUE(CSTDGlobeInfo::FindFilePath(tmp_.Win("here.dwg"), found));
  EXPECT_EQ(found, tmp_.Win("here.dwg"));
  EXPECT_EQ(STDGlobeInfo()->GetResult(0), L"left alone");
  // Wildcards and folders count as entries too.
  EXPECT_TRUE(CSTDGlobeInfo::FindFilePath(tmp_.Win("*.DWG"), found));
  EXPECT_TRUE(CSTDGlobeInfo::FindFilePath(tmp_.Win("Support"), found));
}

TEST_F(FindFilePathTest, TheBuiltInHookLooksInTheShxFolderByFileName) {
  struct Row {
    const wchar_t* wanted;
  } const rows[] = {{L"simplex.shx"}, {L"C:\\Old\\Fonts\\simplex.shx"}, {L"Z:\\nowhere\\at\\all\\SIMPLEX.SHX"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(kavro::test::Utf8(row.wanted));
    CString found;
    EXPECT_TRUE(CSTDGlobeInfo::FindFilePath(row.wanted, found));
    CString name;
    CStringOpr::getNameExtWithoutPath(row.wanted, name);
    EXPECT_EQ(found, shx_ + name);
  }
}

TEST_F(FindFilePathTest, ANameFoundNowhereGivesFalseAndZero) {
  CString found;
  EXPECT_FALSE(CSTDGlobeInfo::FindFilePath(L"missing.shx", found));
  EXPECT_EQ(found, L"missing.shx");
  EXPECT_EQ(STDGlobeInfo()->GetResult(0), L"0");
}

// A product module widens the search with a hook of its own.
void ProductHook() {
  CString wanted = STDGlobeInfo()->GetParameter(0);
  CStringArray answer;
  answer.Add(CString(L"1"));
  answer.Add(CString(L"Z:\\product\\") + wanted);
  STDGlobeInfo()->SetResult(answer);
}

TEST_F(FindFilePathTest, AProductHookReplacesTheBuiltInOne) {
  ASSERT_TRUE(STDGlobeInfo()->AddFunction(kHook, &ProductHook, FALSE));
  CString found;
  EXPECT_TRUE(CSTDGlobeInfo::FindFilePath(L"romans.shx", found));
  EXPECT_EQ(found, L"Z:\\product\\romans.shx");
  // The hook sees the file followed by five empty strings.
  EXPECT_EQ(STDGlobeInfo()->GetParameter(0), L"romans.shx");
  EXPECT_EQ(GlobeAccess::Parameters().GetSize(), 6);
}

TEST_F(FindFilePathTest, NoHookGivesFalseNotStaleResults) {
  ASSERT_TRUE(STDGlobeInfo()->DelFunction(kHook, FALSE));
  CStringArray stale;
  stale.Add(CString(L"1"));
  stale.Add(CString(L"Z:\\stale"));
  STDGlobeInfo()->SetResult(stale);
  CString found;
  EXPECT_FALSE(CSTDGlobeInfo::FindFilePath(L"simplex2.shx", found));
  EXPECT_EQ(found, L"simplex2.shx");
}

}  // namespace
