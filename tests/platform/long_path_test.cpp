// File calls on paths longer than the system's path limit: a tree of 300
// levels of 20-character names is reached, read, written and removed.
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "KavroStd/platform/fileapi.h"
#include "KavroStd/platform/handleapi.h"
#include "support/test_support.h"

namespace {

using kavro::test::TempDir;

const int kLevels = 300;
const char kLevelName[] = "level_of_twenty_chrs";  // 20 characters

// Builds root/level.../level (kLevels folders) with descriptors, as a path
// this long cannot be made by name; returns the deepest folder's Windows path.
CString BuildDeepTree(const std::string& root) {
  int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY);
  for (int i = 0; i < kLevels && fd >= 0; ++i) {
    mkdirat(fd, kLevelName, 0755);
    int next = openat(fd, kLevelName, O_RDONLY | O_DIRECTORY);
    close(fd);
    fd = next;
  }
  if (fd >= 0) close(fd);
  CString path(kavro::platform::KvWindowsPath(root).c_str());
  for (int i = 0; i < kLevels; ++i) path += L"\\" + CString(kLevelName);
  return path;
}

class LongPathTest : public testing::Test {
 protected:
  void SetUp() override { deep_ = BuildDeepTree(dir_.path()); }
  // The clean-up of a tree this deep goes by descriptors too.
  void TearDown() override { kavro::test::Run({"rm", "-rf", dir_.Sub(kLevelName)}); }

  TempDir dir_;
  CString deep_;
};

TEST_F(LongPathTest, FilesPastThePathLimitAreCreatedReadAndRemoved) {
  ASSERT_GT(static_cast<size_t>(deep_.GetLength()), static_cast<size_t>(PATH_MAX));
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(deep_) & FILE_ATTRIBUTE_DIRECTORY);
  const CString file = deep_ + L"\\bottom.txt";
  HANDLE h = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h) << GetLastError();
  DWORD written = 0;
  WriteFile(h, "bottom", 6, &written, nullptr);
  CloseHandle(h);

  const CString copy = deep_ + L"\\copy.txt";
  EXPECT_TRUE(CopyFileW(file, copy, TRUE)) << GetLastError();
  h = CreateFileW(copy, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, h);
  char buffer[16] = {};
  DWORD got = 0;
  ReadFile(h, buffer, sizeof buffer, &got, nullptr);
  CloseHandle(h);
  EXPECT_EQ("bottom", std::string(buffer, got));

  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(deep_ + L"\\*.txt", &data);
  ASSERT_NE(INVALID_HANDLE_VALUE, find);
  int found = 1;
  while (FindNextFileW(find, &data)) ++found;
  FindClose(find);
  EXPECT_EQ(2, found);

  EXPECT_TRUE(SetFileAttributesW(copy, FILE_ATTRIBUTE_READONLY));
  EXPECT_TRUE(GetFileAttributesW(copy) & FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(DeleteFileW(copy));
  EXPECT_TRUE(SetFileAttributesW(copy, FILE_ATTRIBUTE_NORMAL));
  EXPECT_TRUE(MoveFileW(copy, deep_ + L"\\moved.txt")) << GetLastError();
  EXPECT_TRUE(DeleteFileW(deep_ + L"\\moved.txt")) << GetLastError();
  EXPECT_TRUE(DeleteFileW(file)) << GetLastError();
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(file));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST_F(LongPathTest, FoldersPastThePathLimitAreMadeAndRemoved) {
  const CString folder = deep_ + L"\\made";
  EXPECT_TRUE(CreateDirectoryW(folder, nullptr)) << GetLastError();
  EXPECT_FALSE(CreateDirectoryW(folder, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
  EXPECT_TRUE(GetFileAttributesW(folder) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_TRUE(RemoveDirectoryW(folder)) << GetLastError();
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(folder));
  // A missing folder on the way is told from a missing file.
  EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileW(deep_ + L"\\none\\x.txt", GENERIC_WRITE, 0, nullptr,
                                              CREATE_ALWAYS, 0, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
}

TEST_F(LongPathTest, CaseBlindLookupWorksPastThePathLimit) {
  const CString upper = deep_.Left(deep_.GetLength() - 20) + L"LEVEL_OF_TWENTY_CHRS";
  EXPECT_TRUE(GetFileAttributesW(upper) & FILE_ATTRIBUTE_DIRECTORY) << GetLastError();
}

}  // namespace
