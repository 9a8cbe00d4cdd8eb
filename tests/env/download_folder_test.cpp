#include <sys/stat.h>

#include <gtest/gtest.h>

#include "env/globe_test_access.h"
#include "support/test_support.h"

using kavro::test::IsDirectory;
using kavro::test::ReadBytes;
using kavro::test::ScopedGlobalRoot;
using kavro::test::TempDir;
using kavro::test::Utf8;

namespace {

class DownloadFolderTest : public ::testing::Test {
 protected:
  CString Settings() { return STDGlobeInfo()->GetSettFile(); }
  void Store(const CString& value) {
    ASSERT_TRUE(WritePrivateProfileStringW(L"SETTING", L"DOWNLOADPATH", value, Settings()));
  }

  TempDir root_, elsewhere_;
  ScopedGlobalRoot scope_{root_.Win()};
};

TEST_F(DownloadFolderTest, DefaultsToTheSupportFolder) {
  EXPECT_EQ(Utf8(STDGlobeInfo()->GetDownload()), Utf8(root_.Win("Support\\Download\\")));
  EXPECT_TRUE(IsDirectory(root_.Sub("Support/Download")));
  Store(L"  ");  // a blank value counts as none
  EXPECT_EQ(Utf8(STDGlobeInfo()->GetDownload()), Utf8(root_.Win("Support\\Download\\")));
}

TEST_F(DownloadFolderTest, StoredFolderGetsOneBackslashAndIsCreated) {
  struct Row {
    CString stored;
    std::string created;
  } const rows[] = {
      {elsewhere_.Win("Cache"), "Cache"},
      {elsewhere_.Win("Two\\\\"), "Two"},
      {elsewhere_.Win("Deep\\Er\\Still"), "Deep/Er/Still"},
      {elsewhere_.Win("My.Folder"), "My.Folder"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.stored));
    Store(row.stored);
    CString folder = STDGlobeInfo()->GetDownload();
    EXPECT_EQ(Utf8(folder), Utf8(elsewhere_.Win(row.created)) + "\\");
    EXPECT_TRUE(IsDirectory(elsewhere_.Sub(row.created)));
  }
}

TEST_F(DownloadFolderTest, SetDownloadStoresTheTextUnchanged) {
  CString chosen = elsewhere_.Win("Chosen\\Sub");
  STDGlobeInfo()->SetDownload(chosen);
  EXPECT_TRUE(IsDirectory(elsewhere_.Sub("Chosen/Sub")));
  WCHAR value[1024];
  GetPrivateProfileStringW(L"SETTING", L"DOWNLOADPATH", L"", value, 1024, Settings());
  EXPECT_EQ(Utf8(value), Utf8(chosen));
  EXPECT_EQ(Utf8(STDGlobeInfo()->GetDownload()), Utf8(chosen) + "\\");
}

TEST_F(DownloadFolderTest, AFolderThatCannotBeMadeIsStillReturned) {
  kavro::test::WriteBytes(elsewhere_.Sub("file"), "x");
  Store(elsewhere_.Win("file\\sub"));
  EXPECT_EQ(Utf8(STDGlobeInfo()->GetDownload()), Utf8(elsewhere_.Win("file\\sub\\")));
  Store(L"Q:\\Unmapped\\");
  EXPECT_EQ(Utf8(STDGlobeInfo()->GetDownload()), "Q:\\Unmapped\\");
}

}  // namespace
