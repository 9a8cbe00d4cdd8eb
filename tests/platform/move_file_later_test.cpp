// MoveFileExW beyond a plain rename: moves across file systems with
// MOVEFILE_COPY_ALLOWED, and moves registered for the next start, carried
// out by the next process that loads the library.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/registry_scope.h"
#include "support/test_support.h"

namespace {

using kavro::test::Exists;
using kavro::test::ReadBytes;
using kavro::test::WriteBytes;

const wchar_t kSessionManager[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";

// The strings of the pending list, or none when the value is missing.
std::vector<std::wstring> PendingList() {
  std::vector<std::wstring> list;
  HKEY key;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_READ, &key) != ERROR_SUCCESS) return list;
  DWORD type = 0, size = 0;
  if (RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      type == REG_MULTI_SZ) {
    std::vector<wchar_t> data(size / 2 + 1, L'\0');
    RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                     &size);
    for (size_t i = 0; i < size / 2 && i < data.size();) {
      std::wstring s(&data[i]);
      i += s.size() + 1;
      list.push_back(s);
    }
    // The list's own terminator.
    if (!list.empty() && list.back().empty() && list.size() % 2 == 1) list.pop_back();
  }
  RegCloseKey(key);
  return list;
}

std::wstring W(const CString& s) { return std::wstring(s.GetString()); }

TEST(MoveFileLater, RecordsInTheSessionManagerListAndRunsAtTheNextLoad) {
  kavro::test::ScopedRegistry registry;
  kavro::test::TempDir dir;
  WriteBytes(dir.Sub("new.exe"), "new");
  WriteBytes(dir.Sub("app.exe"), "old");
  WriteBytes(dir.Sub("other"), "other");
  WriteBytes(dir.Sub("taken"), "taken");
  WriteBytes(dir.Sub("gone"), "gone");
  WriteBytes(dir.Sub("vanishes"), "vanishes");

  ASSERT_TRUE(MoveFileExW(dir.Win("app.exe"), dir.Win("app.bak"), MOVEFILE_DELAY_UNTIL_REBOOT));
  ASSERT_TRUE(MoveFileExW(dir.Win("new.exe"), dir.Win("app.exe"), MOVEFILE_DELAY_UNTIL_REBOOT));
  ASSERT_TRUE(MoveFileExW(dir.Win("other"), dir.Win("taken"), MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING));
  ASSERT_TRUE(MoveFileExW(dir.Win("gone"), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
  ASSERT_TRUE(MoveFileExW(dir.Win("vanishes"), dir.Win("never"), MOVEFILE_DELAY_UNTIL_REBOOT));

  // Nothing moves now; the list holds the pairs as Windows writes them.
  EXPECT_EQ("old", ReadBytes(dir.Sub("app.exe")));
  std::vector<std::wstring> list = PendingList();
  ASSERT_EQ(10u, list.size());
  EXPECT_EQ(L"\\??\\" + W(dir.Win("app.exe")), list[0]);
  EXPECT_EQ(L"\\??\\" + W(dir.Win("app.bak")), list[1]);
  EXPECT_EQ(L"!\\??\\" + W(dir.Win("taken")), list[5]);
  EXPECT_EQ(L"", list[7]);

  // An operation that cannot be done at start-up is dropped; the rest run.
  ASSERT_EQ(0, unlink(dir.Sub("vanishes").c_str()));
  kavro::test::ProcessResult loaded =
      kavro::test::Run({kavro::test::ProbePath("registry_writer"), "Software\\KvProbe", "v", "0"}, {registry.env()});
  EXPECT_EQ(0, loaded.exitCode) << loaded.output;

  EXPECT_EQ("old", ReadBytes(dir.Sub("app.bak")));
  EXPECT_EQ("new", ReadBytes(dir.Sub("app.exe")));
  EXPECT_FALSE(Exists(dir.Sub("new.exe")));
  EXPECT_EQ("other", ReadBytes(dir.Sub("taken")));
  EXPECT_FALSE(Exists(dir.Sub("gone")));
  EXPECT_FALSE(Exists(dir.Sub("never")));
  EXPECT_TRUE(PendingList().empty());
}

TEST(MoveFileLater, RefusesWhatWindowsRefuses) {
  kavro::test::ScopedRegistry registry;
  kavro::test::TempDir dir;
  WriteBytes(dir.Sub("a"), "a");
  struct Row {
    const wchar_t* to;
    DWORD flags;
    DWORD error;
  } rows[] = {
      {L"b", MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_COPY_ALLOWED, ERROR_INVALID_PARAMETER},
      {nullptr, 0, ERROR_INVALID_PARAMETER},  // only a delayed deletion may leave out the target
  };
  for (const Row& row : rows) {
    SetLastError(0);
    EXPECT_FALSE(MoveFileExW(dir.Win("a"), row.to ? static_cast<const wchar_t*>(dir.Win("b")) : nullptr,
                             row.flags));
    EXPECT_EQ(row.error, GetLastError());
  }
  SetLastError(0);
  EXPECT_FALSE(MoveFileExW(dir.Win("missing"), dir.Win("b"), MOVEFILE_DELAY_UNTIL_REBOOT));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  EXPECT_TRUE(PendingList().empty());
  EXPECT_TRUE(Exists(dir.Sub("a")));
}

// /dev/shm is a file system of its own on most machines: a move there needs
// MOVEFILE_COPY_ALLOWED, and then copies the file and removes the source.
TEST(MoveFileAcrossFileSystems, CopiesOnlyWhenAllowed) {
  kavro::test::TempDir dir;
  struct stat here, there;
  if (stat(dir.path().c_str(), &here) != 0 || stat("/dev/shm", &there) != 0 || here.st_dev == there.st_dev ||
      access("/dev/shm", W_OK) != 0)
    GTEST_SKIP() << "no second writable file system";
  const std::string target = "/dev/shm/kv_move_" + std::to_string(getpid());
  CString to = kavro::platform::KvWindowsPath(target).c_str();
  WriteBytes(dir.Sub("update"), std::string(100000, 'u'));
  SetLastError(0);
  EXPECT_FALSE(MoveFileExW(dir.Win("update"), to, 0));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SAME_DEVICE), GetLastError());
  EXPECT_TRUE(MoveFileExW(dir.Win("update"), to, MOVEFILE_COPY_ALLOWED));
  EXPECT_FALSE(Exists(dir.Sub("update")));
  EXPECT_EQ(std::string(100000, 'u'), ReadBytes(target));
  // An existing target is replaced only when asked.
  WriteBytes(dir.Sub("again"), "again");
  EXPECT_FALSE(MoveFileExW(dir.Win("again"), to, MOVEFILE_COPY_ALLOWED));
  EXPECT_TRUE(MoveFileExW(dir.Win("again"), to, MOVEFILE_COPY_ALLOWED | MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ("again", ReadBytes(target));
  unlink(target.c_str());
}

}  // namespace
