// CFileFind: wildcards, dots, MFC's last-entry rule, roots and entry data.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "KavroStd/platform/afx_filefind.h"
#include "support/test_support.h"

namespace {

using kavro::test::WriteBytes;

class FileFindTest : public testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(dir_.Sub("A.INI"), "a");
    WriteBytes(dir_.Sub("b.ini"), "bb");
    WriteBytes(dir_.Sub("c.txt"), "ccc");
    WriteBytes(dir_.Sub(".hidden.ini"), "h");
    std::filesystem::create_directory(dir_.Sub("sub"));
  }

  // The names a search finds, in sorted order, with the usual loop.
  std::vector<std::wstring> Names(const CString& pattern) {
    std::vector<std::wstring> names;
    CFileFind ff;
    BOOL more = ff.FindFile(pattern);
    while (more) {
      more = ff.FindNextFile();
      names.push_back(ff.GetFileName().str());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

  kavro::test::TempDir dir_;
};

TEST_F(FileFindTest, WildcardsMatchWithoutRegardToCase) {
  struct Row {
    const char* pattern;
    std::vector<std::wstring> names;
  } rows[] = {
      {"*.ini", {L".hidden.ini", L"A.INI", L"b.ini"}},
      {"*.INI", {L".hidden.ini", L"A.INI", L"b.ini"}},
      {"?.ini", {L"A.INI", L"b.ini"}},
      {"*.*", {L".", L"..", L".hidden.ini", L"A.INI", L"b.ini", L"c.txt", L"sub"}},
      {"*", {L".", L"..", L".hidden.ini", L"A.INI", L"b.ini", L"c.txt", L"sub"}},
      {"C.TXT", {L"c.txt"}},
      {"s*", {L"sub"}},
      {"*.none", {}},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.pattern);
    EXPECT_EQ(r.names, Names(dir_.Win(r.pattern)));
  }
}

TEST_F(FileFindTest, FindNextFileReturnsFalseWhenMovingToTheLastEntry) {
  CFileFind ff;
  ASSERT_TRUE(ff.FindFile(dir_.Win("c.txt")));
  EXPECT_TRUE(ff.GetFileName().IsEmpty());  // nothing current before the first move
  EXPECT_FALSE(ff.FindNextFile());
  EXPECT_STREQ(L"c.txt", ff.GetFileName().GetString());  // the last entry is valid
  EXPECT_EQ(3u, ff.GetLength());
  EXPECT_FALSE(ff.FindNextFile());
  EXPECT_STREQ(L"c.txt", ff.GetFileName().GetString());

  ASSERT_TRUE(ff.FindFile(dir_.Win("?.ini")));
  EXPECT_TRUE(ff.FindNextFile());
  EXPECT_FALSE(ff.FindNextFile());
  EXPECT_FALSE(ff.GetFileName().IsEmpty());
  ff.Close();
  EXPECT_TRUE(ff.GetFileName().IsEmpty());
  EXPECT_FALSE(ff.FindNextFile());
}

TEST_F(FileFindTest, DotsAndAttributes) {
  CFileFind ff;
  BOOL more = ff.FindFile(dir_.Win("*.*"));
  ASSERT_TRUE(more);
  int dots = 0;
  while (more) {
    more = ff.FindNextFile();
    CString name = ff.GetFileName();
    SCOPED_TRACE(testing::Message() << name.GetString());
    if (ff.IsDots()) {
      ++dots;
      EXPECT_TRUE(name == L"." || name == L"..");
      EXPECT_TRUE(ff.IsDirectory());
    } else if (name == L"sub") {
      EXPECT_TRUE(ff.IsDirectory());
      EXPECT_FALSE(ff.IsArchived());
    } else {
      EXPECT_FALSE(ff.IsDirectory());
      EXPECT_TRUE(ff.IsArchived());
      EXPECT_EQ(name == L".hidden.ini", ff.IsHidden() != FALSE);
      EXPECT_FALSE(ff.IsReadOnly());
      EXPECT_FALSE(ff.IsSystem());
    }
  }
  EXPECT_EQ(2, dots);
}

TEST_F(FileFindTest, PathsAreRootPlusName) {
  std::wstring root = dir_.Win().GetString();
  struct Row {
    const char* name;
    CString pattern;
  } rows[] = {
      {"backslashes", dir_.Win("*.txt")},
      {"forward slashes", CString((dir_.path() + "/*.txt").c_str())},
      {"dot segments", dir_.Win("sub\\..\\*.txt")},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.name);
    CFileFind ff;
    ASSERT_TRUE(ff.FindFile(r.pattern));
    ff.FindNextFile();
    EXPECT_EQ(root, ff.GetRoot().str());
    EXPECT_EQ(root + L"c.txt", ff.GetFilePath().str());
    EXPECT_STREQ(L"c", ff.GetFileTitle().GetString());
  }
  // A relative pattern, or none at all, searches the current folder.
  std::string saved = std::filesystem::current_path().string();
  ASSERT_EQ(0, chdir(dir_.path().c_str()));
  CFileFind rel;
  ASSERT_TRUE(rel.FindFile(L"c.*"));
  rel.FindNextFile();
  EXPECT_EQ(root + L"c.txt", rel.GetFilePath().str());
  std::vector<std::wstring> all;
  CFileFind any;
  BOOL more = any.FindFile();
  while (more) {
    more = any.FindNextFile();
    all.push_back(any.GetFileName().str());
  }
  ASSERT_EQ(0, chdir(saved.c_str()));
  EXPECT_EQ(7u, all.size());
}

TEST_F(FileFindTest, NothingFound) {
  CFileFind ff;
  SetLastError(0);
  EXPECT_FALSE(ff.FindFile(dir_.Win("*.none")));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  EXPECT_FALSE(ff.FindFile(dir_.Win("missing\\*.ini")));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
  EXPECT_FALSE(ff.FindNextFile());
  EXPECT_TRUE(ff.GetFilePath().IsEmpty());
  EXPECT_EQ(0u, ff.GetLength());
  FILETIME t;
  EXPECT_FALSE(ff.GetLastWriteTime(&t));
}

TEST_F(FileFindTest, LengthsAreSixtyFourBitAndTimesAreFileTimes) {
  ASSERT_EQ(0, truncate(dir_.Sub("c.txt").c_str(), 5LL << 30));
  struct timespec times[2] = {{1700000000, 0}, {1700000000, 500}};
  ASSERT_EQ(0, utimensat(AT_FDCWD, dir_.Sub("c.txt").c_str(), times, 0));
  ASSERT_EQ(0, chmod(dir_.Sub("c.txt").c_str(), 0444));
  CFileFind ff;
  ASSERT_TRUE(ff.FindFile(dir_.Win("c.txt")));
  ff.FindNextFile();
  EXPECT_EQ(5ull << 30, ff.GetLength());
  EXPECT_TRUE(ff.IsReadOnly());
  FILETIME write;
  ASSERT_TRUE(ff.GetLastWriteTime(&write));
  ULONGLONG ticks = (static_cast<ULONGLONG>(write.dwHighDateTime) << 32) | write.dwLowDateTime;
  EXPECT_EQ((1700000000ull + 11644473600ull) * 10000000ull + 5, ticks);
  FILETIME access, created;
  EXPECT_TRUE(ff.GetLastAccessTime(&access));
  EXPECT_TRUE(ff.GetCreationTime(&created));
  EXPECT_FALSE(ff.GetLastWriteTime(nullptr));
}

}  // namespace
