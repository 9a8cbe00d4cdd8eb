// Mapping Windows paths onto the file system: drive table, case-blind
// lookup, dot segments, and the Windows form of POSIX paths.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "KavroStd/platform/fileapi.h"
#include "support/test_support.h"

namespace {

using kavro::platform::KvMapPath;
using kavro::platform::KvWindowsPath;

// Maps drive Q: to a fresh temporary folder for one test.
class PathMapTest : public testing::Test {
 protected:
  void SetUp() override {
    setenv("KAVRO_DRIVE_Q", dir_.path().c_str(), 1);
    unsetenv("KAVRO_DRIVE_M");
  }
  void TearDown() override { unsetenv("KAVRO_DRIVE_Q"); }

  std::string Map(const std::wstring& path) {
    std::string out;
    EXPECT_TRUE(KvMapPath(path.c_str(), out)) << "error " << GetLastError();
    return out;
  }

  kavro::test::TempDir dir_;
};

TEST_F(PathMapTest, DrivesMapThroughTheTable) {
  const std::string& q = dir_.path();
  struct Row {
    const wchar_t* path;
    std::string want;
  } rows[] = {
      {L"Q:\\x", q + "/x"},
      {L"q:/x/y.txt", q + "/x/y.txt"},
      {L"Q:\\", q + "/"},
      {L"Z:\\tmp\\a.zip", "/tmp/a.zip"},
      {L"z:/tmp/a.zip", "/tmp/a.zip"},
      {L"/tmp/a.zip", "/tmp/a.zip"},
      {L"\\tmp\\a.zip", "/tmp/a.zip"},
      {L"\\\\?\\Z:\\tmp\\a.zip", "/tmp/a.zip"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "\"" << r.path << "\"");
    EXPECT_EQ(r.want, Map(r.path));
  }
}

TEST_F(PathMapTest, DotSegmentsResolveLexically) {
  const std::string& q = dir_.path();
  struct Row {
    const wchar_t* path;
    std::string want;
  } rows[] = {
      {L"Q:\\a\\.\\b\\..\\c", q + "/a/c"},
      {L"Q:\\a\\\\b", q + "/a/b"},
      {L"Z:\\..\\..\\tmp", "/tmp"},
      {L"Z:\\tmp\\.", "/tmp"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "\"" << r.path << "\"");
    EXPECT_EQ(r.want, Map(r.path));
  }
}

TEST_F(PathMapTest, UnmappedDrivesAndNetworkPathsFail) {
  struct Row {
    const wchar_t* path;
    DWORD error;
  } rows[] = {
      {L"M:\\x", ERROR_PATH_NOT_FOUND},
      {L"\\\\server\\share\\x", ERROR_BAD_NETPATH},
      {L"//server/share/x", ERROR_BAD_NETPATH},
      {L"", ERROR_PATH_NOT_FOUND},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(testing::Message() << "\"" << r.path << "\"");
    std::string out = "untouched";
    SetLastError(0);
    EXPECT_FALSE(KvMapPath(r.path, out));
    EXPECT_EQ(r.error, GetLastError());
    EXPECT_TRUE(out.empty());
  }
  std::string out;
  EXPECT_FALSE(KvMapPath(nullptr, out));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST_F(PathMapTest, MissingComponentsAreFoundWithoutRegardToCase) {
  kavro::test::WriteBytes(dir_.Sub("support/menu/a.mns"), "menu");
  const std::string& q = dir_.path();
  EXPECT_EQ(q + "/support/menu/a.mns", Map(L"Q:\\Support\\Menu\\A.MNS"));
  // A new name is spelled as given, inside the folders as they exist.
  EXPECT_EQ(q + "/support/menu/New.txt", Map(L"Q:\\SUPPORT\\menu\\New.txt"));
  EXPECT_EQ(q + "/support/Other/x", Map(L"Q:\\Support\\Other\\x"));
  // A name that exists as spelled is never replaced by another spelling.
  kavro::test::WriteBytes(dir_.Sub("support/Menu/b"), "other");
  EXPECT_EQ(q + "/support/Menu/b", Map(L"Q:\\support\\Menu\\b"));
  EXPECT_EQ(q + "/support/menu/a.mns", Map(L"Q:\\support\\menu\\a.mns"));
}

TEST_F(PathMapTest, WindowsFormOfPosixPaths) {
  const std::string& q = dir_.path();
  struct Row {
    std::string posix;
    std::wstring want;
  } rows[] = {
      {"/", L"Z:\\"},
      {"/opt/kavro/Sys/libKavroStd.so", L"Z:\\opt\\kavro\\Sys\\libKavroStd.so"},
      {"/opt//kavro/./x/../y", L"Z:\\opt\\kavro\\y"},
      {q + "/sub/f.txt", L"Q:\\sub\\f.txt"},
      {q, L"Q:\\"},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.posix);
    std::wstring got = KvWindowsPath(r.posix);
    EXPECT_EQ(r.want, got);
    std::string back;
    ASSERT_TRUE(KvMapPath(got.c_str(), back));
    auto normal = [](const std::string& p) {
      std::string n = std::filesystem::path(p).lexically_normal().string();
      while (n.size() > 1 && n.back() == '/') n.pop_back();
      return n;
    };
    EXPECT_EQ(normal(r.posix), normal(back));
  }
}

TEST_F(PathMapTest, RelativePathsAreTakenFromTheCurrentFolder) {
  std::wstring got = KvWindowsPath("rel/x");
  std::wstring cwd = KvWindowsPath(std::filesystem::current_path().string());
  EXPECT_EQ(cwd + (cwd.back() == L'\\' ? L"" : L"\\") + L"rel\\x", got);
  EXPECT_EQ("rel/x", Map(L"rel\\x"));
}

}  // namespace
