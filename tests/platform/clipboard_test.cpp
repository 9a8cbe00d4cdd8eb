#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "support/test_support.h"

namespace {

using kavro::test::TempDir;

// Points the clipboard at a fresh folder for one test.
class ClipboardTest : public ::testing::Test {
 protected:
  void SetUp() override { kavro::platform::KvSetClipboardFolder(dir_.Sub("clip")); }
  void TearDown() override {
    CloseClipboard();
    kavro::platform::KvSetClipboardFolder("");
  }
  std::vector<std::string> ProbeEnv() const { return {"KAVRO_CLIPBOARD_DIR=" + dir_.Sub("clip")}; }

  TempDir dir_;
};

HGLOBAL BlockOf(const std::string& bytes) {
  HGLOBAL block = GlobalAlloc(GHND, bytes.size());
  std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
  GlobalUnlock(block);
  return block;
}

std::string BytesOf(HGLOBAL block) {
  const char* p = static_cast<const char*>(GlobalLock(block));
  std::string bytes(p, GlobalSize(block));
  GlobalUnlock(block);
  return bytes;
}

// A wide drop: header, then the names as UTF-16LE, each ended by a zero,
// and the closing zero.
std::string WideDrop(const std::vector<std::u16string>& names) {
  std::string bytes(20, '\0');
  bytes[0] = 20;
  bytes[16] = 1;
  for (const auto& name : names) {
    for (char16_t u : name) bytes += std::string{static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
    bytes += std::string(2, '\0');
  }
  return bytes + std::string(2, '\0');
}

std::wstring Name(HDROP drop, UINT i, UINT size) {
  std::vector<wchar_t> buffer(size + 1, L'#');
  UINT n = DragQueryFileW(drop, i, buffer.data(), size);
  EXPECT_EQ(buffer[n], L'\0');
  return std::wstring(buffer.data(), n);
}

TEST(GlobalMemoryTest, MoveableBlocksLockCountAndRefuseStaleHandles) {
  HGLOBAL h = GlobalAlloc(GHND, 10);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GlobalSize(h), 10u);
  BYTE* p = static_cast<BYTE*>(GlobalLock(h));
  for (int i = 0; i < 10; ++i) EXPECT_EQ(p[i], 0) << i;
  EXPECT_EQ(GlobalLock(h), p);
  EXPECT_EQ(GlobalFlags(h), 2u);
  EXPECT_TRUE(GlobalUnlock(h));
  EXPECT_FALSE(GlobalUnlock(h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
  EXPECT_FALSE(GlobalUnlock(h));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_LOCKED));

  p = static_cast<BYTE*>(GlobalLock(h));
  p[9] = 7;
  GlobalUnlock(h);
  ASSERT_EQ(GlobalReAlloc(h, 4000, GMEM_ZEROINIT), h);
  p = static_cast<BYTE*>(GlobalLock(h));
  EXPECT_EQ(p[9], 7);
  EXPECT_EQ(p[3999], 0);
  GlobalUnlock(h);
  EXPECT_EQ(GlobalSize(h), 4000u);

  EXPECT_EQ(GlobalFree(h), nullptr);
  EXPECT_EQ(GlobalLock(h), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(GlobalFree(h), h);
  EXPECT_EQ(GlobalSize(h), 0u);
  EXPECT_EQ(GlobalFree(nullptr), nullptr);
}

TEST(GlobalMemoryTest, FixedBlockHandleIsItsAddress) {
  HGLOBAL h = GlobalAlloc(GPTR, 3);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GlobalLock(h), h);
  EXPECT_TRUE(GlobalUnlock(h));
  EXPECT_EQ(GlobalReAlloc(h, 100, 0), nullptr);  // may not move
  EXPECT_EQ(GlobalAlloc(0x80000000u, 1), nullptr);
  EXPECT_EQ(GlobalFree(h), nullptr);
}

TEST_F(ClipboardTest, DataNeedsAnOpenClipboardAndStaysAcrossOpens) {
  HGLOBAL block = BlockOf("hello");
  EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, block), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_CLIPBOARD_NOT_OPEN));
  EXPECT_FALSE(EmptyClipboard());
  EXPECT_FALSE(CloseClipboard());

  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_TRUE(OpenClipboard(nullptr));  // again from the same thread
  EXPECT_TRUE(EmptyClipboard());
  EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(SetClipboardData(CF_UNICODETEXT, block), block);
  EXPECT_EQ(GetClipboardData(CF_UNICODETEXT), block);
  EXPECT_TRUE(CloseClipboard());
  EXPECT_EQ(GlobalSize(block), 0u) << "the clipboard released its block at the close";

  EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_HDROP));
  ASSERT_TRUE(OpenClipboard(nullptr));
  HGLOBAL got = GetClipboardData(CF_UNICODETEXT);
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(BytesOf(got), "hello");
  EXPECT_EQ(GetClipboardData(CF_UNICODETEXT), got);
  EXPECT_EQ(GetClipboardData(CF_HDROP), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_FOUND));
  EXPECT_TRUE(EmptyClipboard());
  EXPECT_EQ(GetClipboardData(CF_UNICODETEXT), nullptr);
  EXPECT_TRUE(CloseClipboard());
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
}

TEST_F(ClipboardTest, AnotherThreadWaitsForTheClose) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  BOOL opened = TRUE;
  DWORD error = 0;
  std::thread([&] {
    opened = OpenClipboard(nullptr);
    error = GetLastError();
  }).join();
  EXPECT_FALSE(opened);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
  ASSERT_TRUE(CloseClipboard());
  std::thread([&] {
    opened = OpenClipboard(nullptr);
    if (opened) CloseClipboard();
  }).join();
  EXPECT_TRUE(opened);
}

TEST_F(ClipboardTest, RegisteredNamesIgnoreCaseAndAreSharedWithOtherProcesses) {
  UINT effect = RegisterClipboardFormatW(L"Preferred DropEffect");
  UINT other = RegisterClipboardFormatW(L"Kavro Other");
  EXPECT_EQ(effect, 0xC000u);
  EXPECT_EQ(other, 0xC001u);
  EXPECT_EQ(RegisterClipboardFormatW(L"PREFERRED dropeffect"), effect);
  wchar_t name[64];
  EXPECT_EQ(GetClipboardFormatNameW(effect, name, 64), 20);
  EXPECT_STREQ(name, L"Preferred DropEffect");
  EXPECT_EQ(GetClipboardFormatNameW(effect, name, 5), 4);
  EXPECT_STREQ(name, L"Pref");
  for (LPCWSTR bad : {static_cast<LPCWSTR>(nullptr), L"", L"two\nlines"}) {
    EXPECT_EQ(RegisterClipboardFormatW(bad), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  }

  auto result = kavro::test::Run({kavro::test::ProbePath("clipboard_reader_platform"), "read", "Kavro other"},
                                 ProbeEnv());
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(result.output, std::to_string(other) + "\n");
  result = kavro::test::Run({kavro::test::ProbePath("clipboard_reader_platform"), "read", "Kavro Third"},
                            ProbeEnv());
  EXPECT_EQ(result.output, std::to_string(0xC002) + "\n");
  EXPECT_EQ(RegisterClipboardFormatW(L"kavro third"), 0xC002u);
}

TEST_F(ClipboardTest, SecondProcessReadsTheFileDrop) {
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  ASSERT_NE(SetClipboardData(CF_HDROP, BlockOf(WideDrop({u"Z:\\a b.txt", u"Z:\\\u4e2d\U0001F600"}))), nullptr);
  ASSERT_TRUE(CloseClipboard());
  auto result =
      kavro::test::Run({kavro::test::ProbePath("clipboard_reader_platform"), "read", "x"}, ProbeEnv());
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_EQ(result.output, "49152\nZ:\\a b.txt\nZ:\\\xe4\xb8\xad\xf0\x9f\x98\x80\n");
}

TEST_F(ClipboardTest, OpenFailsWhileAnotherProcessHoldsIt) {
  std::string marker = dir_.Sub("held");
  int pid = kavro::test::Spawn(
      {kavro::test::ProbePath("clipboard_reader_platform"), "hold", "1500", marker}, ProbeEnv());
  ASSERT_GT(pid, 0);
  for (int i = 0; i < 500 && !kavro::test::Exists(marker); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_TRUE(kavro::test::Exists(marker));
  EXPECT_FALSE(OpenClipboard(nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(OpenClipboard(nullptr)) << "the lock goes with the process";
  CloseClipboard();
}

TEST(DragQueryFileTest, CountLengthAndTruncatedCopy) {
  HGLOBAL block = BlockOf(WideDrop({u"C:\\one.dwg", u"C:\\\U0001F600x", u"z"}));
  HDROP drop = static_cast<HDROP>(block);
  EXPECT_EQ(DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0), 3u);
  EXPECT_EQ(DragQueryFileW(drop, 0, nullptr, 0), 10u);
  EXPECT_EQ(DragQueryFileW(drop, 1, nullptr, 0), 5u) << "a surrogate pair is one character";
  EXPECT_EQ(Name(drop, 1, 64), L"C:\\\U0001F600x");
  EXPECT_EQ(Name(drop, 0, 4), L"C:\\");
  EXPECT_EQ(Name(drop, 2, 64), L"z");
  EXPECT_EQ(Name(drop, 0, 64), L"C:\\one.dwg") << "going back to an earlier name";
  EXPECT_EQ(DragQueryFileW(drop, 3, nullptr, 0), 0u);
  wchar_t none[1] = {L'#'};
  EXPECT_EQ(DragQueryFileW(drop, 0, none, 0), 0u);
  EXPECT_EQ(none[0], L'#');
  GlobalFree(block);
  EXPECT_EQ(DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0), 0u);
}

TEST(DragQueryFileTest, AnsiNamesUseTheCodePage) {
  UINT saved = GetACP();
  ASSERT_TRUE(KvSetACP(936));
  std::string bytes(20, '\0');
  bytes[0] = 20;  // fWide 0
  bytes += std::string("C:\\\xd6\xd0.txt") + '\0' + "b" + '\0' + '\0';
  HGLOBAL block = BlockOf(bytes);
  HDROP drop = static_cast<HDROP>(block);
  EXPECT_EQ(DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0), 2u);
  EXPECT_EQ(DragQueryFileW(drop, 0, nullptr, 0), 8u);
  EXPECT_EQ(Name(drop, 0, 64), L"C:\\\u4e2d.txt");
  EXPECT_EQ(Name(drop, 1, 64), L"b");
  GlobalFree(block);
  KvSetACP(saved);
}

TEST(DragQueryFileTest, MalformedBlocksAreReadInsideTheirBounds) {
  struct Case {
    const char* what;
    std::string bytes;
    UINT count;
    std::wstring first;
  };
  std::string header(20, '\0');
  header[16] = 1;
  std::string pastEnd = header;
  pastEnd[0] = 100;
  std::string cut = header;
  cut[0] = 20;
  cut += std::string("a\0b\0c", 5);  // "ab" then half a unit, no closing zero
  std::string inside = header;
  inside[0] = 16;  // the list overlaps the header: fWide is its first unit
  const Case cases[] = {
      {"shorter than the header", std::string(10, '\0'), 0, L""},
      {"list offset past the end", pastEnd, 0, L""},
      {"name cut by the block's end", cut, 1, L"ab"},
      {"list inside the header", inside, 1, L"\u0001"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    HGLOBAL block = BlockOf(c.bytes);
    HDROP drop = static_cast<HDROP>(block);
    EXPECT_EQ(DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0), c.count);
    if (c.count) {
      EXPECT_EQ(Name(drop, 0, 64), c.first);
    }
    GlobalFree(block);
  }
}

TEST(ShellExecuteTest, DefaultWithoutDesktopHasNoAssociation) {
  std::string display = getenv("DISPLAY") ? getenv("DISPLAY") : "";
  std::string wayland = getenv("WAYLAND_DISPLAY") ? getenv("WAYLAND_DISPLAY") : "";
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_NOCLOSEPROCESS;
  info.lpFile = L"Z:\\tmp";
  EXPECT_FALSE(ShellExecuteExW(&info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_ASSOCIATION));
  EXPECT_EQ(reinterpret_cast<intptr_t>(info.hInstApp), SE_ERR_NOASSOC);
  EXPECT_EQ(info.hProcess, nullptr);
  info.cbSize = 4;
  EXPECT_FALSE(ShellExecuteExW(&info));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  if (!display.empty()) setenv("DISPLAY", display.c_str(), 1);
  if (!wayland.empty()) setenv("WAYLAND_DISPLAY", wayland.c_str(), 1);
}

// The default with a desktop: a stand-in xdg-open on the PATH records what
// it is given.
TEST(ShellExecuteTest, DefaultOpensWithTheDesktopOpener) {
  TempDir dir;
  std::string log = dir.Sub("log");
  kavro::test::WriteBytes(dir.Sub("xdg-open"), "#!/bin/sh\necho \"$1\" >> " + log + "\n");
  chmod(dir.Sub("xdg-open").c_str(), 0755);
  kavro::test::WriteBytes(dir.Sub("a.txt"), "x");
  std::string path = getenv("PATH") ? getenv("PATH") : "";
  std::string display = getenv("DISPLAY") ? getenv("DISPLAY") : "";
  setenv("PATH", dir.path().c_str(), 1);
  setenv("DISPLAY", ":99", 1);

  CString file = dir.Win("a.txt");
  CString select = L"/select," + file;
  struct Case {
    LPCWSTR file;
    LPCWSTR parameters;
    std::string expected;
  } cases[] = {
      {file, L"", dir.Sub("a.txt")},
      {L"explorer.exe", select, dir.path()},
      {L"https://example.com/x", nullptr, "https://example.com/x"},
  };
  for (const Case& c : cases) {
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS;
    info.lpVerb = L"open";
    info.lpFile = c.file;
    info.lpParameters = c.parameters;
    ASSERT_TRUE(ShellExecuteExW(&info)) << c.expected;
    ASSERT_NE(info.hProcess, nullptr);
    EXPECT_EQ(WaitForSingleObject(info.hProcess, INFINITE), WAIT_OBJECT_0);
    DWORD code = 1;
    EXPECT_TRUE(GetExitCodeProcess(info.hProcess, &code));
    EXPECT_EQ(code, 0u);
    CloseHandle(info.hProcess);
  }
  SHELLEXECUTEINFOW missing = {};
  missing.cbSize = sizeof missing;
  missing.lpFile = L"Z:\\no\\such\\file";
  EXPECT_FALSE(ShellExecuteExW(&missing));
  missing.lpFile = file;
  missing.lpVerb = L"print";
  EXPECT_FALSE(ShellExecuteExW(&missing));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_ASSOCIATION));

  setenv("PATH", path.c_str(), 1);
  if (display.empty()) unsetenv("DISPLAY"); else setenv("DISPLAY", display.c_str(), 1);
  EXPECT_EQ(kavro::test::ReadBytes(log), dir.Sub("a.txt") + "\n" + dir.path() + "\nhttps://example.com/x\n");
}

TEST(ProcessHandleTest, WaitsTimesOutAndReportsTheExitCode) {
  int pid = kavro::test::Spawn({"/bin/sh", "-c", "sleep 0.3; exit 3"});
  ASSERT_GT(pid, 0);
  HANDLE process = kavro::platform::KvProcessHandleFromPid(pid);
  EXPECT_EQ(GetProcessId(process), static_cast<DWORD>(pid));
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(process, &code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(process, INFINITE), WAIT_OBJECT_0);
  EXPECT_TRUE(GetExitCodeProcess(process, &code));
  EXPECT_EQ(code, 3u);
  EXPECT_TRUE(CloseHandle(process));
  EXPECT_FALSE(GetExitCodeProcess(process, &code));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

}  // namespace
