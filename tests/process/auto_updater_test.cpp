// CAutoUpdater without the network: versions compared, the executable's
// path, and executables swapped now and at the next start.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "support/registry_scope.h"
#include "support/test_support.h"

namespace {

using kavro::test::Exists;
using kavro::test::ReadBytes;
using kavro::test::WriteBytes;

TEST(AutoUpdater, ComparesVersions) {
  struct Row {
    const wchar_t* first;
    const wchar_t* second;
    int want;
  } rows[] = {
      {L"1.2.3.4", L"1.2.3.10", -1},
      {L"2.0", L"1.9.9.9", 1},
      {L"1.2", L"1.2.0.0", 0},
      {L"2.5.0.117", L"2.5.0.117", 0},
      {L"..1...2..", L"1.2", 0},  // runs of dots are one separator, ends ignored
      {L"010.1", L"9.1", 1},      // leading zeros do not make a part smaller
      {L"99999999999999999999.1", L"99999999999999999998.9", 1},  // parts of any size
      {L"1.2.3.4.5", L"1.0", -21},
      {L"", L"1.0", -21},
      {L"...", L"1.0", -21},
      {L"1.0", L"1.x", -22},
      {L"1.0", L"-1.0", -22},
      {L"1.0", L" 1.0", -22},
      {L"1.0", L"", -22},
  };
  CAutoUpdater updater;
  for (const Row& row : rows)
    EXPECT_EQ(row.want, updater.CompareVersions(row.first, row.second)) << kavro::test::Utf8(row.first) << " vs "
                                                                        << kavro::test::Utf8(row.second);
  EXPECT_TRUE(updater.IsDigits(L""));
  EXPECT_TRUE(updater.IsDigits(L"0123456789"));
  EXPECT_FALSE(updater.IsDigits(L"12a"));
  EXPECT_FALSE(updater.IsDigits(L"١٢"));  // digits of another script are not '0' to '9'
}

TEST(AutoUpdater, ReadsVersionsOfWindowsExecutables) {
  struct Row {
    const char* file;
    const wchar_t* want;
  } rows[] = {
      {"version_5103_x86.exe", L"5.1.0.3"},  // 32-bit
      {"version_5103_x64.exe", L"5.1.0.3"},  // 64-bit
      {"version_5100_x86.exe", L"5.1"},      // the short form
      {"version_0000_x64.exe", L""},         // all parts zero
      {"data_only_x86.exe", L""},            // resources, none of them a version
      {"no_resources_x64.exe", L""},
      {"version_5100.rc", L""},              // no executable at all
      {"missing.exe", L""},
  };
  CAutoUpdater updater;
  const std::string folder = std::string(KAVRO_SOURCE_DIR) + "/tests/platform/fixtures/pe/";
  for (const Row& row : rows) {
    CString path = kavro::platform::KvWindowsPath(folder + row.file).c_str();
    EXPECT_STREQ(row.want, updater.GetFileVersion(path).GetString()) << row.file;
  }
}

TEST(AutoUpdater, ExecutableIsThisProgram) {
  CAutoUpdater updater;
  CString exe = updater.GetExecutable();
  std::string posix;
  ASSERT_TRUE(kavro::platform::KvMapPath(exe, posix));
  char self[4096] = {};
  ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
  EXPECT_EQ(std::string(self), posix);
}

class SwitchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(dir.Sub("app.exe"), "old");
    WriteBytes(dir.Sub("update.exe"), "new");
  }
  kavro::test::TempDir dir;
  CAutoUpdater updater;
};

TEST_F(SwitchTest, SwapsNowAndReplacesAnOldBackup) {
  WriteBytes(dir.Sub("OldExecutable.bak"), "older");
  EXPECT_TRUE(updater.Switch(dir.Win("app.exe"), dir.Win("update.exe"), false));
  EXPECT_EQ("new", ReadBytes(dir.Sub("app.exe")));
  EXPECT_EQ("old", ReadBytes(dir.Sub("OldExecutable.bak")));
  EXPECT_FALSE(Exists(dir.Sub("update.exe")));
}

TEST_F(SwitchTest, AFailedSecondMovePutsTheExecutableBack) {
  EXPECT_FALSE(updater.Switch(dir.Win("app.exe"), dir.Win("missing.exe"), false));
  EXPECT_EQ("old", ReadBytes(dir.Sub("app.exe")));
  EXPECT_FALSE(Exists(dir.Sub("OldExecutable.bak")));
  // No executable to move away: nothing changes.
  EXPECT_FALSE(updater.Switch(dir.Win("none.exe"), dir.Win("update.exe"), false));
  EXPECT_EQ("new", ReadBytes(dir.Sub("update.exe")));
}

TEST_F(SwitchTest, CopiesAnUpdateFromAnotherFileSystem) {
  struct stat here, there;
  if (stat(dir.path().c_str(), &here) != 0 || stat("/dev/shm", &there) != 0 || here.st_dev == there.st_dev ||
      access("/dev/shm", W_OK) != 0)
    GTEST_SKIP() << "no second writable file system";
  const std::string update = "/dev/shm/kv_update_" + std::to_string(getpid());
  WriteBytes(update, "shm");
  EXPECT_TRUE(updater.Switch(dir.Win("app.exe"), kavro::platform::KvWindowsPath(update).c_str(), false));
  EXPECT_EQ("shm", ReadBytes(dir.Sub("app.exe")));
  EXPECT_EQ("old", ReadBytes(dir.Sub("OldExecutable.bak")));
  EXPECT_FALSE(Exists(update));
}

TEST_F(SwitchTest, AtTheNextStartBothMovesWaitForTheNextLoad) {
  kavro::test::ScopedRegistry registry;
  // Nothing is registered for an update that is not there.
  EXPECT_FALSE(updater.Switch(dir.Win("app.exe"), dir.Win("missing.exe"), true));
  EXPECT_TRUE(updater.Switch(dir.Win("app.exe"), dir.Win("update.exe"), true));
  EXPECT_EQ("old", ReadBytes(dir.Sub("app.exe")));
  EXPECT_EQ("new", ReadBytes(dir.Sub("update.exe")));
  kavro::test::ProcessResult loaded =
      kavro::test::Run({kavro::test::ProbePath("registry_writer"), "Software\\KvProbe", "v", "0"}, {registry.env()});
  EXPECT_EQ(0, loaded.exitCode) << loaded.output;
  EXPECT_EQ("new", ReadBytes(dir.Sub("app.exe")));
  EXPECT_EQ("old", ReadBytes(dir.Sub("OldExecutable.bak")));
  EXPECT_FALSE(Exists(dir.Sub("update.exe")));
}

}  // namespace
