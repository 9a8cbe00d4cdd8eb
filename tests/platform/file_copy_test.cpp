#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

namespace {

using kavro::test::Exists;
using kavro::test::ReadBytes;
using kavro::test::TempDir;
using kavro::test::WriteBytes;

struct stat StatOf(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
  return st;
}

TEST(CopyFile, CopiesDataModeAndTimes) {
  TempDir dir;
  std::string big(300000, 'x');
  for (size_t i = 0; i < big.size(); i += 97) big[i] = static_cast<char>(i);
  WriteBytes(dir.Sub("src"), big);
  chmod(dir.Sub("src").c_str(), 0640);
  struct timespec times[2] = {{1000000000, 5}, {1200000000, 700}};
  utimensat(AT_FDCWD, dir.Sub("src").c_str(), times, 0);
  ASSERT_TRUE(CopyFileW(dir.Win("src"), dir.Win("dst"), TRUE));
  EXPECT_EQ(ReadBytes(dir.Sub("dst")), big);
  struct stat st = StatOf(dir.Sub("dst"));
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  EXPECT_EQ(st.st_mtim.tv_sec, 1200000000);
  EXPECT_EQ(st.st_mtim.tv_nsec, 700);
}

TEST(CopyFile, ExistingTargets) {
  TempDir dir;
  WriteBytes(dir.Sub("src"), "new");
  WriteBytes(dir.Sub("dst"), "old content");
  EXPECT_FALSE(CopyFileW(dir.Win("src"), dir.Win("dst"), TRUE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));
  ASSERT_TRUE(CopyFileW(dir.Win("src"), dir.Win("dst"), FALSE));
  EXPECT_EQ(ReadBytes(dir.Sub("dst")), "new");

  // A read-only source gives a read-only copy, which is not overwritten.
  chmod(dir.Sub("src").c_str(), 0444);
  ASSERT_TRUE(CopyFileW(dir.Win("src"), dir.Win("ro"), FALSE));
  EXPECT_TRUE(GetFileAttributesW(dir.Win("ro")) & FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(CopyFileW(dir.Win("dst"), dir.Win("ro"), FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  // Onto itself, also through a link: refused, the data kept.
  symlink(dir.Sub("dst").c_str(), dir.Sub("alias").c_str());
  EXPECT_FALSE(CopyFileW(dir.Win("dst"), dir.Win("dst"), FALSE));
  EXPECT_FALSE(CopyFileW(dir.Win("dst"), dir.Win("alias"), FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  EXPECT_EQ(ReadBytes(dir.Sub("dst")), "new");

  mkdir(dir.Sub("folder").c_str(), 0755);
  EXPECT_FALSE(CopyFileW(dir.Win("src"), dir.Win("folder"), FALSE));
  EXPECT_FALSE(CopyFileW(dir.Win("folder"), dir.Win("x"), FALSE));
  EXPECT_FALSE(CopyFileW(dir.Win("none"), dir.Win("x"), FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_FALSE(CopyFileW(dir.Win("src"), dir.Win("no\\such\\x"), FALSE));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(CopyFile, LinksAsSourceAndTarget) {
  TempDir dir, outside;
  WriteBytes(outside.Sub("target"), "outside");
  symlink(outside.Sub("target").c_str(), dir.Sub("link").c_str());
  // A link as the source copies what it points to.
  ASSERT_TRUE(CopyFileW(dir.Win("link"), dir.Win("copy"), FALSE));
  EXPECT_EQ(ReadBytes(dir.Sub("copy")), "outside");
  struct stat st;
  ASSERT_EQ(lstat(dir.Sub("copy").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  // A link as the target is replaced; what it pointed to is not written.
  WriteBytes(dir.Sub("src"), "inside");
  ASSERT_TRUE(CopyFileW(dir.Win("src"), dir.Win("link"), FALSE));
  EXPECT_EQ(ReadBytes(dir.Sub("link")), "inside");
  EXPECT_EQ(ReadBytes(outside.Sub("target")), "outside");
}

TEST(TempPath, TmpDirOrAPrivateFolderOfTheUser) {
  const char* old = getenv("TMPDIR");
  std::string saved = old ? old : "";
  TempDir dir;
  setenv("TMPDIR", dir.path().c_str(), 1);
  wchar_t buffer[MAX_PATH];
  DWORD n = GetTempPathW(MAX_PATH, buffer);
  EXPECT_EQ(CString(buffer), dir.Win());
  EXPECT_EQ(n, static_cast<DWORD>(dir.Win().GetLength()));
  EXPECT_EQ(GetTempPathW(2, buffer), n + 1);

  unsetenv("TMPDIR");
  n = GetTempPathW(MAX_PATH, buffer);
  CString folder(buffer);
  ASSERT_GT(n, 0u);
  EXPECT_EQ(folder.Right(1), L"\\");
  std::string posix;
  ASSERT_TRUE(kavro::platform::KvMapPath(folder, posix));
  struct stat st = StatOf(posix);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  EXPECT_EQ(st.st_uid, geteuid());
  if (old) setenv("TMPDIR", saved.c_str(), 1);
}

TEST(TempPath, TempFileNames) {
  TempDir dir;
  wchar_t name[MAX_PATH];
  EXPECT_EQ(GetTempFileNameW(dir.Win(), L"kvxyz", 0x1ABCD, name), 0x1ABCDu);
  EXPECT_EQ(CString(name), dir.Win() + L"kvxABCD.tmp");
  EXPECT_FALSE(Exists(dir.Sub("kvxABCD.tmp")));
  UINT first = GetTempFileNameW(dir.Win(), L"kv", 0, name);
  ASSERT_NE(first, 0u);
  std::string posix;
  ASSERT_TRUE(kavro::platform::KvMapPath(name, posix));
  EXPECT_TRUE(Exists(posix));
  wchar_t second[MAX_PATH];
  ASSERT_NE(GetTempFileNameW(dir.Win(), L"kv", 0, second), 0u);
  EXPECT_NE(CString(name), CString(second));
}

}  // namespace
