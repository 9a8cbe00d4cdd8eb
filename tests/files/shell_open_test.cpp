#include <spawn.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"

extern char** environ;

namespace {

struct Request {
  std::wstring verb, file, parameters, folder;
  int show = -1;
  ULONG mask = 0;
};

// Records every request; with a command set, runs it (/bin/sh -c) as the
// started process.
struct Recorder {
  std::vector<Request> requests;
  std::string command;
};

std::wstring Text(LPCWSTR s) { return s ? s : L""; }

BOOL Record(SHELLEXECUTEINFOW* info, void* context) {
  auto* recorder = static_cast<Recorder*>(context);
  recorder->requests.push_back({Text(info->lpVerb), Text(info->lpFile), Text(info->lpParameters),
                                Text(info->lpDirectory), info->nShow, info->fMask});
  if (recorder->command.empty()) return TRUE;
  std::string sh = "/bin/sh", c = "-c";
  char* argv[] = {sh.data(), c.data(), recorder->command.data(), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, environ) != 0) return FALSE;
  info->hProcess = kavro::platform::KvProcessHandleFromPid(pid);
  return TRUE;
}

class ShellOpenTest : public ::testing::Test {
 protected:
  void SetUp() override { previous_ = KvSetShellExecuteHandler(Record, &recorder_); }
  void TearDown() override { KvSetShellExecuteHandler(previous_, nullptr); }

  kavro::test::TempDir dir_;
  Recorder recorder_;
  KvShellExecuteHandler previous_ = nullptr;
};

TEST_F(ShellOpenTest, OpenDirSelectFileChoosesWhatToOpen) {
  kavro::test::WriteBytes(dir_.Sub("a.dwg"), "x");
  CString file = dir_.Win("a.dwg");
  CString folder = dir_.Win();
  CString missing = dir_.Win("gone\\b.dwg");
  struct Case {
    const char* what;
    CString path;
    std::wstring file, parameters;
  } cases[] = {
      {"existing file: its folder with it selected", file, L"explorer.exe",
       std::wstring(L"/select,") + file.GetString()},
      {"existing folder: itself", folder, folder.GetString(), L""},
      {"missing path: its folder part", missing, dir_.Win("gone\\").GetString(), L""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    recorder_.requests.clear();
    EXPECT_TRUE(CStringOpr::OpenDirSelectFile(c.path, TRUE));
    ASSERT_EQ(recorder_.requests.size(), 1u);
    const Request& r = recorder_.requests[0];
    EXPECT_EQ(r.verb, L"OPEN");
    EXPECT_EQ(r.file, c.file);
    EXPECT_EQ(r.parameters, c.parameters);
    EXPECT_EQ(r.show, SW_SHOWNORMAL);
    EXPECT_FALSE(r.mask & SEE_MASK_NOCLOSEPROCESS);
    EXPECT_TRUE(r.mask & SEE_MASK_FLAG_NO_UI);

    recorder_.requests.clear();
    EXPECT_TRUE(CStringOpr::OpenDirSelectFile(c.path, FALSE));
    EXPECT_TRUE(recorder_.requests.empty()) << "open 0 opens nothing";
  }
}

TEST_F(ShellOpenTest, ShellExecuteWaitsForTheProcessWhenAsked) {
  std::string marker = dir_.Sub("done");
  recorder_.command = "sleep 0.3; : > '" + marker + "'";
  CStringOpr::ShellExecuteExW(nullptr, L"open", L"tool.exe", L"-x 1", dir_.Win(), SW_HIDE, TRUE);
  EXPECT_TRUE(kavro::test::Exists(marker)) << "returned before the process ended";
  ASSERT_EQ(recorder_.requests.size(), 1u);
  const Request& r = recorder_.requests[0];
  EXPECT_EQ(r.verb, L"open");
  EXPECT_EQ(r.file, L"tool.exe");
  EXPECT_EQ(r.parameters, L"-x 1");
  EXPECT_EQ(r.folder, std::wstring(dir_.Win().GetString()));
  EXPECT_EQ(r.show, SW_HIDE);
  EXPECT_TRUE(r.mask & SEE_MASK_NOCLOSEPROCESS);

  recorder_.command = "true";
  CStringOpr::ShellExecuteExW(nullptr, L"open", L"x", L"", L"", SW_SHOW, FALSE);
  EXPECT_FALSE(recorder_.requests.back().mask & SEE_MASK_NOCLOSEPROCESS);
}

}  // namespace
