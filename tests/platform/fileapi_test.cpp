// Folder, attribute, delete and move calls with their Win32 error codes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "KavroStd/platform/fileapi.h"
#include "support/test_support.h"

namespace {

using kavro::test::Exists;
using kavro::test::ReadBytes;
using kavro::test::WriteBytes;

class FileApiTest : public testing::Test {
 protected:
  CString Win(const std::string& relative) const { return dir_.Win(relative); }
  void MakeReadOnly(const std::string& relative) { ASSERT_EQ(0, chmod(dir_.Sub(relative).c_str(), 0444)); }

  kavro::test::TempDir dir_;
};

TEST_F(FileApiTest, CreateDirectoryErrors) {
  WriteBytes(dir_.Sub("file"), "x");
  EXPECT_TRUE(CreateDirectoryW(Win("new"), nullptr));
  EXPECT_TRUE(kavro::test::IsDirectory(dir_.Sub("new")));
  struct Row {
    const char* path;
    DWORD error;
  } rows[] = {
      {"new", ERROR_ALREADY_EXISTS},
      {"file", ERROR_ALREADY_EXISTS},
      {"missing/child", ERROR_PATH_NOT_FOUND},
      {"file/child", ERROR_PATH_NOT_FOUND},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.path);
    SetLastError(0);
    EXPECT_FALSE(CreateDirectoryW(Win(r.path), nullptr));
    EXPECT_EQ(r.error, GetLastError());
  }
}

TEST_F(FileApiTest, AttributesOfEntries) {
  WriteBytes(dir_.Sub("plain.txt"), "x");
  WriteBytes(dir_.Sub("ro.txt"), "x");
  MakeReadOnly("ro.txt");
  WriteBytes(dir_.Sub(".hidden"), "x");
  std::filesystem::create_directory(dir_.Sub("folder"));
  ASSERT_EQ(0, symlink(dir_.Sub("plain.txt").c_str(), dir_.Sub("link").c_str()));
  ASSERT_EQ(0, symlink(dir_.Sub("folder").c_str(), dir_.Sub("dirlink").c_str()));
  ASSERT_EQ(0, symlink(dir_.Sub("gone").c_str(), dir_.Sub("dangling").c_str()));
  struct Row {
    const char* path;
    DWORD attributes;
  } rows[] = {
      {"plain.txt", FILE_ATTRIBUTE_ARCHIVE},
      {"ro.txt", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_READONLY},
      {".hidden", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN},
      {"folder", FILE_ATTRIBUTE_DIRECTORY},
      {"folder\\", FILE_ATTRIBUTE_DIRECTORY},
      {"link", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT},
      {"dirlink", FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT},
      {"dangling", FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_REPARSE_POINT},
      {"PLAIN.TXT", FILE_ATTRIBUTE_ARCHIVE},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.path);
    EXPECT_EQ(r.attributes, GetFileAttributesW(Win(r.path)));
  }
  struct Bad {
    const char* path;
    DWORD error;
  } bad[] = {
      {"missing", ERROR_FILE_NOT_FOUND},
      {"missing\\x", ERROR_PATH_NOT_FOUND},
      {"plain.txt\\", ERROR_INVALID_NAME},
  };
  for (const Bad& b : bad) {
    SCOPED_TRACE(b.path);
    SetLastError(0);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(Win(b.path)));
    EXPECT_EQ(b.error, GetLastError());
  }
}

TEST_F(FileApiTest, SetFileAttributesTogglesReadOnly) {
  WriteBytes(dir_.Sub("f"), "x");
  ASSERT_TRUE(SetFileAttributesW(Win("f"), FILE_ATTRIBUTE_READONLY));
  struct stat st;
  ASSERT_EQ(0, stat(dir_.Sub("f").c_str(), &st));
  EXPECT_EQ(0u, st.st_mode & 0222);
  EXPECT_TRUE(GetFileAttributesW(Win("f")) & FILE_ATTRIBUTE_READONLY);
  ASSERT_TRUE(SetFileAttributesW(Win("f"), FILE_ATTRIBUTE_NORMAL));
  ASSERT_EQ(0, stat(dir_.Sub("f").c_str(), &st));
  EXPECT_NE(0u, st.st_mode & S_IWUSR);
  EXPECT_FALSE(SetFileAttributesW(Win("missing"), FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST_F(FileApiTest, DeleteFileRules) {
  WriteBytes(dir_.Sub("f"), "x");
  WriteBytes(dir_.Sub("ro"), "x");
  MakeReadOnly("ro");
  std::filesystem::create_directory(dir_.Sub("folder"));
  ASSERT_EQ(0, symlink(dir_.Sub("f").c_str(), dir_.Sub("link").c_str()));

  struct Row {
    const char* path;
    DWORD error;
  } rows[] = {
      {"ro", ERROR_ACCESS_DENIED},
      {"folder", ERROR_ACCESS_DENIED},
      {"missing", ERROR_FILE_NOT_FOUND},
      {"missing\\f", ERROR_PATH_NOT_FOUND},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.path);
    SetLastError(0);
    EXPECT_FALSE(DeleteFileW(Win(r.path)));
    EXPECT_EQ(r.error, GetLastError());
  }
  EXPECT_TRUE(Exists(dir_.Sub("ro")));
  // A link is removed as itself, never its target.
  EXPECT_TRUE(DeleteFileW(Win("link")));
  EXPECT_FALSE(Exists(dir_.Sub("link")));
  EXPECT_TRUE(Exists(dir_.Sub("f")));
  EXPECT_TRUE(DeleteFileW(Win("F")));
  EXPECT_FALSE(Exists(dir_.Sub("f")));
}

TEST_F(FileApiTest, MoveFileEx) {
  WriteBytes(dir_.Sub("a"), "A");
  WriteBytes(dir_.Sub("b"), "B");
  SetLastError(0);
  EXPECT_FALSE(MoveFileExW(Win("a"), Win("b"), 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
  EXPECT_EQ("B", ReadBytes(dir_.Sub("b")));
  EXPECT_TRUE(MoveFileExW(Win("a"), Win("b"), MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ("A", ReadBytes(dir_.Sub("b")));
  EXPECT_FALSE(Exists(dir_.Sub("a")));

  EXPECT_FALSE(MoveFileExW(Win("a"), Win("c"), 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  EXPECT_FALSE(MoveFileExW(Win("b"), Win("nowhere\\c"), 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());

  std::filesystem::create_directory(dir_.Sub("d"));
  EXPECT_TRUE(MoveFileW(Win("d"), Win("e")));
  EXPECT_TRUE(kavro::test::IsDirectory(dir_.Sub("e")));
  EXPECT_TRUE(MoveFileW(Win("b"), Win("e\\b")));
  EXPECT_EQ("A", ReadBytes(dir_.Sub("e/b")));
}

TEST_F(FileApiTest, RemoveDirectoryErrors) {
  std::filesystem::create_directories(dir_.Sub("full/x"));
  WriteBytes(dir_.Sub("file"), "x");
  EXPECT_FALSE(RemoveDirectoryW(Win("full")));
  EXPECT_EQ(static_cast<DWORD>(ERROR_DIR_NOT_EMPTY), GetLastError());
  EXPECT_FALSE(RemoveDirectoryW(Win("file")));
  EXPECT_EQ(static_cast<DWORD>(ERROR_DIRECTORY), GetLastError());
  EXPECT_TRUE(RemoveDirectoryW(Win("full\\x")));
  EXPECT_FALSE(Exists(dir_.Sub("full/x")));
}

TEST_F(FileApiTest, CurrentDirectoryBufferRules) {
  std::string saved = std::filesystem::current_path().string();
  ASSERT_TRUE(SetCurrentDirectoryW(dir_.Win()));
  std::wstring want = kavro::platform::KvWindowsPath(dir_.path());
  DWORD need = GetCurrentDirectoryW(0, nullptr);
  EXPECT_EQ(want.size() + 1, need);
  std::wstring buffer(need, L'#');
  // One unit short: the size needed comes back and nothing is written.
  EXPECT_EQ(need, GetCurrentDirectoryW(need - 1, buffer.data()));
  EXPECT_EQ(L'#', buffer[0]);
  EXPECT_EQ(need - 1, GetCurrentDirectoryW(need, buffer.data()));
  EXPECT_EQ(want, std::wstring(buffer.c_str()));
  EXPECT_NE(L'\\', buffer[need - 2]);

  EXPECT_FALSE(SetCurrentDirectoryW(Win("missing")));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  ASSERT_TRUE(SetCurrentDirectoryW(L"Z:\\"));
  wchar_t root[8];
  EXPECT_EQ(3u, GetCurrentDirectoryW(8, root));
  EXPECT_STREQ(L"Z:\\", root);
  ASSERT_EQ(0, chdir(saved.c_str()));
}

}  // namespace
