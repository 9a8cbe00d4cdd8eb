// Extraction to files and handles: the folders made under the root folder
// (the current folder at open), names that would leave it, directory
// entries, read-only files and failures of the target.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "KavroStd/KavroStd.h"
#include "support/test_support.h"
#include "unzip_test_archive.h"

namespace {

using kavro::test::Exists;
using kavro::test::IsDirectory;
using kavro::test::ReadBytes;
using kavro::test::unzip::Build;
using kavro::test::unzip::Entry;

Entry Folder(const std::string& name) {
  Entry e(name, "", 0);
  e.externalAttr = 0x41ED0010;
  return e;
}

// An archive in memory opened with `root` as the current folder, which
// stays current for the test (relative targets resolve against it).
class UnzipExtractTest : public testing::Test {
 protected:
  void SetUp() override {
    old_ = getcwd(nullptr, 0);
    ASSERT_EQ(0, mkdir(dir_.Sub("root").c_str(), 0755));
    ASSERT_EQ(0, chdir(dir_.Sub("root").c_str()));
  }
  void TearDown() override {
    if (zip_) CloseZipU(zip_);
    EXPECT_EQ(0, chdir(old_));
    free(old_);
  }
  void Open(const std::vector<Entry>& entries) {
    bytes_ = Build(entries);
    zip_ = OpenZipU(bytes_.data(), static_cast<unsigned int>(bytes_.size()), ZIPKIND_MEMORY);
    ASSERT_NE(nullptr, zip_);
  }
  ZIPRESULT ToFile(int index, const std::wstring& target) {
    return UnzipItem(zip_, index, const_cast<wchar_t*>(target.c_str()), 0, ZIPKIND_FILENAME);
  }
  std::string Root(const std::string& relative) const { return dir_.Sub("root/" + relative); }

  kavro::test::TempDir dir_;
  char* old_ = nullptr;
  std::string bytes_;
  HZIPFILE zip_ = nullptr;
};

TEST_F(UnzipExtractTest, RelativeTargetsGetTheirFoldersUnderTheRoot) {
  Open({Entry("any", "content")});
  EXPECT_EQ(ZRES_SUCCESS, ToFile(0, L"a/b/c.txt"));
  EXPECT_EQ("content", ReadBytes(Root("a/b/c.txt")));
  EXPECT_EQ(ZRES_SUCCESS, ToFile(0, L"x\\y\\z.txt"));
  EXPECT_EQ("content", ReadBytes(Root("x/y/z.txt")));
  // Absolute targets and ".." make no folders; they are used as they are.
  const std::string absolute = dir_.Sub("elsewhere/new/f.txt");
  const std::wstring wideAbsolute(absolute.begin(), absolute.end());
  EXPECT_EQ(ZRES_NO_FILE, ToFile(0, wideAbsolute));
  EXPECT_FALSE(Exists(dir_.Sub("elsewhere")));
  EXPECT_EQ(ZRES_NO_FILE, ToFile(0, L"../up/f.txt"));
  EXPECT_FALSE(Exists(dir_.Sub("up")));
  EXPECT_EQ(ZRES_SUCCESS, ToFile(0, L"../plain.txt"));  // its folder exists
  EXPECT_EQ("content", ReadBytes(dir_.Sub("plain.txt")));
}

TEST_F(UnzipExtractTest, DirectoryEntriesMakeTheirOwnNameAndNeverLeaveTheRoot) {
  Open({Folder("d1/d2/"), Folder("../evil/"), Folder("/abs/"), Folder("c:/drive/"),
        Folder("ok/../../escape/"), Folder("a\\b\\")});
  EXPECT_EQ(ZRES_SUCCESS, ToFile(0, L"ignored-name"));
  EXPECT_TRUE(IsDirectory(Root("d1/d2")));
  EXPECT_FALSE(Exists(Root("ignored-name")));
  for (int i : {1, 2, 3, 4}) {
    SCOPED_TRACE(i);
    EXPECT_EQ(ZRES_ARGS, ToFile(i, L"x"));
  }
  EXPECT_FALSE(Exists(dir_.Sub("evil")));
  EXPECT_FALSE(Exists(dir_.Sub("escape")));
  EXPECT_FALSE(Exists(Root("ok")));
  EXPECT_FALSE(Exists("/abs"));
  EXPECT_EQ(ZRES_SUCCESS, ToFile(5, L"x"));
  EXPECT_TRUE(IsDirectory(Root("a/b")));
  // To a handle a directory entry does nothing; to memory it is empty.
  HANDLE h = CreateFileW(dir_.Win("h"), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  EXPECT_EQ(ZRES_SUCCESS, UnzipItem(zip_, 0, h, 0, ZIPKIND_HANDLE));
  CloseHandle(h);
  EXPECT_EQ("", ReadBytes(dir_.Sub("h")));
  char buffer[8];
  EXPECT_EQ(ZRES_SUCCESS, UnzipItem(zip_, 0, buffer, sizeof buffer, ZIPKIND_MEMORY));
}

TEST_F(UnzipExtractTest, ReadOnlyEntriesAndTimes) {
  Entry ro("ro.txt", "locked", 8);
  ro.externalAttr = 0x81240000;  // mode 444
  ro.localExtra = kavro::test::unzip::TimestampBlock(0x03, {1300000000, 1400000000});
  Open({ro});
  EXPECT_EQ(ZRES_SUCCESS, ToFile(0, L"ro.txt"));
  struct stat st;
  ASSERT_EQ(0, stat(Root("ro.txt").c_str(), &st));
  EXPECT_EQ(0u, st.st_mode & 0222);
  EXPECT_EQ(1300000000, st.st_mtim.tv_sec);
  EXPECT_EQ(1400000000, st.st_atim.tv_sec);
  EXPECT_EQ("locked", ReadBytes(Root("ro.txt")));
  // A read-only file cannot be replaced, as on Windows.
  EXPECT_EQ(ZRES_NO_FILE, ToFile(0, L"ro.txt"));
}

TEST_F(UnzipExtractTest, TargetFailures) {
  Open({Entry("f", std::string(50000, 'f'))});
  // A handle without write access: the write fails and says so.
  kavro::test::WriteBytes(dir_.Sub("readonly-handle"), "");
  HANDLE reader = CreateFileW(dir_.Win("readonly-handle"), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(ZRES_WRITE, UnzipItem(zip_, 0, reader, 0, ZIPKIND_HANDLE));
  CloseHandle(reader);
  EXPECT_EQ(ZRES_WRITE, UnzipItem(zip_, 0, reader, 0, ZIPKIND_HANDLE));  // closed
  EXPECT_EQ(ZRES_ARGS, UnzipItem(zip_, 0, INVALID_HANDLE_VALUE, 0, ZIPKIND_HANDLE));
  EXPECT_EQ(ZRES_ARGS, UnzipItem(zip_, 0, nullptr, 0, ZIPKIND_FILENAME));
  ASSERT_EQ(0, mkdir(Root("folder").c_str(), 0755));
  EXPECT_EQ(ZRES_NO_FILE, ToFile(0, L"folder"));
  // A pipe target: no times, but the data arrives.
  HANDLE r = nullptr, w = nullptr;
  ASSERT_TRUE(CreatePipe(&r, &w, nullptr, 1 << 20));
  EXPECT_EQ(ZRES_SUCCESS, UnzipItem(zip_, 0, w, 0, ZIPKIND_HANDLE));
  CloseHandle(w);
  std::string got(60000, '\0');
  DWORD n = 0;
  ASSERT_TRUE(ReadFile(r, &got[0], 60000, &n, nullptr));
  EXPECT_EQ(std::string(50000, 'f'), got.substr(0, n));
  CloseHandle(r);
}

}  // namespace
