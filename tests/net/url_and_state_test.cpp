// InternetCanonicalizeUrlW's results and buffer sizes, and
// InternetGetConnectedState on this machine and in an empty network
// namespace.
#include <gtest/gtest.h>

#include <string>

#include "net/net_test_support.h"

namespace kavro::test {
namespace {

TEST(CanonicalizeUrl, Results) {
  struct Case {
    const wchar_t* url;
    DWORD flags;
    const wchar_t* expected;
  } cases[] = {
      {L"http://www.example.org/manifest/50/win/Updater.upd", 0, L"http://www.example.org/manifest/50/win/Updater.upd"},
      // Dot segments resolved, backslashes taken for slashes.
      {L"http://h.org/tests/../tests/../..", 0, L"http://h.org/"},
      {L"http://h.org/tests/../tests", 0, L"http://h.org/tests"},
      {L"http://h.org/tests/..?query=x&return=y", 0, L"http://h.org/?query=x&return=y"},
      {L"http://h.org/tests/../#example", 0, L"http://h.org/#example"},
      {L"http://h.org/tests\\../#example", 0, L"http://h.org/#example"},
      {L"http://h.org\\tests/../#example", 0, L"http://h.org/#example"},
      {L"http://h.org/a/./b/../c", ICU_BROWSER_MODE, L"http://h.org/a/c"},
      {L"http://h.org/tests/../#example", ICU_NO_META, L"http://h.org/tests/../#example"},
      {L"http://h.org", ICU_BROWSER_MODE, L"http://h.org/"},
      // Blanks and control characters at the ends go, in browser mode too.
      {L"http://h.org/tests\r", 0, L"http://h.org/tests"},
      {L"  http://h.org/x \r\n", ICU_BROWSER_MODE, L"http://h.org/x"},
      {L"http://www.example.org/index.php?x= ", ICU_BROWSER_MODE, L"http://www.example.org/index.php?x="},
      // Unsafe characters escaped; in browser mode not after '?' or '#'.
      {L"http://h.org/tests/foo bar", 0, L"http://h.org/tests/foo%20bar"},
      {L"http://h.org/a b?q=c d", 0, L"http://h.org/a%20b?q=c%20d"},
      {L"http://h.org/a b?q=c d#e f", ICU_BROWSER_MODE, L"http://h.org/a%20b?q=c d#e f"},
      {L"http://h.org/a<b>\"c{|}^", ICU_BROWSER_MODE, L"http://h.org/a%3Cb%3E%22c%7B%7C%7D%5E"},
      {L"http://h.org/a<b> c", ICU_ENCODE_SPACES_ONLY, L"http://h.org/a<b>%20c"},
      {L"http://h.org/a b", ICU_NO_ENCODE, L"http://h.org/a b"},
      {L"http://h.org/100%", 0, L"http://h.org/100%"},
      {L"http://h.org/100%", ICU_ENCODE_PERCENT, L"http://h.org/100%25"},
      {L"http://h.org/tests/foo%20bar", ICU_DECODE | ICU_NO_ENCODE, L"http://h.org/tests/foo bar"},
      {L"http://h.org/a%3Fb", ICU_DECODE | ICU_NO_ENCODE, L"http://h.org/a%3Fb"},
      // The host part is left alone.
      {L"http://[::1]:8080/x y", 0, L"http://[::1]:8080/x%20y"},
      {L"A", 0, L"A"},
  };
  for (const Case& c : cases) {
    wchar_t out[INTERNET_MAX_URL_LENGTH];
    DWORD size = INTERNET_MAX_URL_LENGTH;
    ASSERT_TRUE(InternetCanonicalizeUrlW(c.url, out, &size, c.flags)) << Utf8(c.url);
    EXPECT_STREQ(out, c.expected) << Utf8(c.url) << " flags " << std::hex << c.flags;
    EXPECT_EQ(size, wcslen(c.expected));
  }
}

TEST(CanonicalizeUrl, BufferSizeInCharactersAndBadArguments) {
  const wchar_t* url = L"http://www.example.org/manifest/50/win/Updater.upd";
  const DWORD length = static_cast<DWORD>(wcslen(url));
  wchar_t out[128];
  for (DWORD given : {1u, length}) {  // no room at all; no room for the terminator
    DWORD size = given;
    EXPECT_FALSE(InternetCanonicalizeUrlW(url, out, &size, 0));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(size, length + 1);
  }
  DWORD size = length + 1;
  EXPECT_TRUE(InternetCanonicalizeUrlW(url, out, &size, 0));
  EXPECT_EQ(size, length);

  size = 128;
  EXPECT_FALSE(InternetCanonicalizeUrlW(url, out, nullptr, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(InternetCanonicalizeUrlW(url, nullptr, &size, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_FALSE(InternetCanonicalizeUrlW(nullptr, out, &size, 0));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
}

TEST(ConnectedState, FlagsAgreeWithTheResult) {
  ScopedEnv env = NoProxyEnvironment();
  DWORD flags = 0xFFFF;
  BOOL connected = InternetGetConnectedState(&flags, 0);
  EXPECT_EQ(flags, connected ? static_cast<DWORD>(INTERNET_CONNECTION_LAN) : 0u);
  EXPECT_EQ(InternetGetConnectedState(nullptr, 0), connected);  // flags are optional
  if (connected) {
    ScopedEnv proxy{{"https_proxy", "http://proxy.invalid:3128"}};
    InternetGetConnectedState(&flags, 0);
    EXPECT_EQ(flags, static_cast<DWORD>(INTERNET_CONNECTION_LAN | INTERNET_CONNECTION_PROXY));
  }
}

// A fresh network namespace has only a loopback interface, down; brought up,
// loopback alone is still no connection.
TEST(ConnectedState, EmptyNetworkNamespaceIsNotConnected) {
  const std::string probe = ProbePath("net_state_probe");
  const std::string unshare = "/usr/bin/unshare";
  if (!Exists(unshare)) GTEST_SKIP() << "no " << unshare;
  ProcessResult bare = kavro::test::Run({unshare, "-n", probe});
  if (bare.output.find("connected=") == std::string::npos)
    GTEST_SKIP() << "no network namespace here: " << bare.output;
  EXPECT_EQ(bare.output, "connected=0 flags=0x0\n");
  ProcessResult loopback = kavro::test::Run({unshare, "-n", "sh", "-c", "ip link set lo up && exec \"$0\"", probe});
  if (loopback.output.find("connected=") == std::string::npos)
    GTEST_SKIP() << "cannot bring loopback up: " << loopback.output;
  EXPECT_EQ(loopback.output, "connected=0 flags=0x0\n");
}

}  // namespace
}  // namespace kavro::test
