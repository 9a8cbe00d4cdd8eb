// CreateProcessW, the pipe calls and TerminateProcess on real children.
#include <gtest/gtest.h>

#include <string>

#include <sys/stat.h>

#include "support/test_support.h"

using kavro::test::TempDir;

namespace {

struct Child {
  BOOL started = FALSE;
  DWORD error = 0;
  DWORD exitCode = 0;
  std::string output;
};

// Runs a command line with standard output and error on a pipe, reads the
// pipe to its end and waits for the child.
Child RunChild(const std::wstring& line, LPCWSTR folder = nullptr) {
  Child child;
  HANDLE rd = nullptr, wr = nullptr;
  SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
  EXPECT_TRUE(CreatePipe(&rd, &wr, &sa, 0));
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = si.hStdError = wr;
  PROCESS_INFORMATION pi{};
  std::wstring command = line;
  child.started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, folder, &si, &pi);
  child.error = GetLastError();
  CloseHandle(wr);
  if (child.started) {
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(rd, buffer, sizeof(buffer), &got, nullptr)) child.output.append(buffer, got);
    EXPECT_EQ(static_cast<DWORD>(ERROR_BROKEN_PIPE), GetLastError());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, INFINITE));
    GetExitCodeProcess(pi.hProcess, &child.exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
  CloseHandle(rd);
  return child;
}

// The arguments a child receives, shown by printf as [arg] each.
TEST(CreateProcess, SplitsArgumentsByTheWindowsRuntimeRules) {
  struct Row {
    std::wstring args;
    std::string shown;
  } rows[] = {
      {L"a b", "[a][b]"},
      {L"\"a b\" c", "[a b][c]"},
      {L"a\\\\\\\"b", "[a\\\"b]"},        // 2n+1 backslashes: n and a quote
      {L"\"a\\\\\" b", "[a\\][b]"},           // 2n backslashes: n, the quote closes
      {L"a\\b\\\\c", "[a\\b\\\\c]"},       // backslashes elsewhere kept
      {L"\"a \"\"q\"\" b\"", "[a \"q\" b]"},   // "" inside quotes
      {L"\"unbalanced arg", "[unbalanced arg]"},
      {L"\"\" x", "[][x]"},
      {L";|&$(id)>y '*'", "[;|&$(id)>y]['*']"},  // never given to a shell
  };
  for (const Row& row : rows) {
    Child c = RunChild(L"printf [%s] " + row.args);
    EXPECT_EQ(row.shown, c.output) << kavro::test::Utf8(CString(row.args.c_str()));
  }
}

TEST(CreateProcess, RunsWithoutShellAndPassesArgumentsLiterally) {
  Child c = RunChild(L"printf \"[%s]\" \"a b\" ;|&$(id)>x \"*\"");
  ASSERT_TRUE(c.started) << c.error;
  EXPECT_EQ("[a b][;|&$(id)>x][*]", c.output);
  EXPECT_EQ(0u, c.exitCode);
}

TEST(CreateProcess, ReportsExitCodeWorkingFolderAndEmptyInput) {
  TempDir dir;
  Child pwd = RunChild(L"pwd", dir.Win());
  EXPECT_EQ(dir.path() + "\n", pwd.output);
  Child code = RunChild(L"sh -c \"exit 7\"");
  EXPECT_EQ(7u, code.exitCode);
  Child cat = RunChild(L"cat");  // standard input is /dev/null: ends at once
  EXPECT_TRUE(cat.started);
  EXPECT_EQ("", cat.output);
}

TEST(CreateProcess, FailsWithWindowsErrors) {
  TempDir dir;
  kavro::test::WriteBytes(dir.Sub("plain.txt"), "not a program");
  struct Row {
    std::wstring line;
    LPCWSTR folder;
    DWORD error;
  } rows[] = {
      {L"no_such_program_kv arg", nullptr, ERROR_FILE_NOT_FOUND},
      {L"pwd", L"Z:\\no\\such\\folder", ERROR_DIRECTORY},
      {std::wstring(dir.Win("plain.txt")), nullptr, ERROR_ACCESS_DENIED},
  };
  for (const Row& row : rows) {
    Child c = RunChild(row.line, row.folder);
    EXPECT_FALSE(c.started);
    EXPECT_EQ(row.error, c.error) << kavro::test::Utf8(CString(row.line.c_str()));
  }
}

TEST(CreateProcess, FindsProgramsAsWindowsDoes) {
  TempDir dir;
  kavro::test::WriteBytes(dir.Sub("tool.exe"), "#!/bin/sh\necho exe \"$@\"\n");
  kavro::test::WriteBytes(dir.Sub("my tool"), "#!/bin/sh\necho spaced \"$@\"\n");
  chmod(dir.Sub("tool.exe").c_str(), 0755);
  chmod(dir.Sub("my tool").c_str(), 0755);
  EXPECT_EQ("exe 1\n", RunChild(std::wstring(dir.Win("tool")) + L" 1").output);  // ".exe" added
  // An unquoted path with blanks: the longer prefixes are tried in turn;
  // the child splits its command line as a Windows program would.
  EXPECT_EQ("spaced tool 2\n", RunChild(std::wstring(dir.Win("my tool")) + L" 2").output);
}

TEST(TerminateProcess, EndsTheChildWithTheGivenCode) {
  HANDLE rd, wr;
  ASSERT_TRUE(CreatePipe(&rd, &wr, nullptr, 0));
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdOutput = wr;
  PROCESS_INFORMATION pi{};
  wchar_t line[] = L"sh -c \"printf ready; exec sleep 30\"";
  ASSERT_TRUE(CreateProcessW(nullptr, line, nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi));
  char peeked[8] = {};
  DWORD copied = 0, waiting = 0;
  while (PeekNamedPipe(rd, peeked, sizeof(peeked), &copied, &waiting, nullptr) && waiting < 5) Sleep(10);
  EXPECT_EQ(5u, copied);
  EXPECT_EQ("ready", std::string(peeked, copied));  // peeked, still waiting
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(static_cast<DWORD>(STILL_ACTIVE), code);
  EXPECT_TRUE(TerminateProcess(pi.hProcess, 42));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(pi.hProcess, INFINITE));
  EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(42u, code);
  EXPECT_FALSE(TerminateProcess(pi.hProcess, 1));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  CloseHandle(wr);
  char buffer[16];
  DWORD got = 0;
  EXPECT_TRUE(ReadFile(rd, buffer, sizeof(buffer), &got, nullptr));
  EXPECT_EQ(5u, got);
  EXPECT_FALSE(PeekNamedPipe(rd, nullptr, 0, nullptr, &waiting, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_BROKEN_PIPE), GetLastError());
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  CloseHandle(rd);
}

}  // namespace

// A pipe whose reader has gone: the write fails with Windows' code and the
// process lives on (no SIGPIPE), and a reader sees the end as a broken pipe.
TEST(Pipes, EndsAreReportedAsOnWindows) {
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
  ASSERT_TRUE(CloseHandle(readEnd));
  DWORD written = 7;
  SetLastError(0);
  EXPECT_FALSE(WriteFile(writeEnd, "abc", 3, &written, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_NO_DATA), GetLastError());
  EXPECT_EQ(0u, written);
  ASSERT_TRUE(CloseHandle(writeEnd));

  ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, nullptr, 0));
  ASSERT_TRUE(WriteFile(writeEnd, "abc", 3, &written, nullptr));
  ASSERT_TRUE(CloseHandle(writeEnd));
  char buffer[8];
  DWORD got = 0;
  EXPECT_TRUE(ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr));
  EXPECT_EQ(3u, got);
  EXPECT_FALSE(ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_BROKEN_PIPE), GetLastError());
  CloseHandle(readEnd);
}
