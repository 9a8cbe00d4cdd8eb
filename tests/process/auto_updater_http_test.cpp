// CAutoUpdater against a real HTTP server on 127.0.0.1: version texts,
// failures, downloads, and the kvupdate tool.
#include <gtest/gtest.h>

#include <string>

#include "net/net_test_support.h"
#include "support/http_server.h"
#include "support/test_support.h"

namespace {

using kavro::test::HttpServer;

std::string ToolPath() {
  const std::string library = KAVRO_LIBRARY_FILE;
  return library.substr(0, library.rfind("/Sys/")) + "/bin/kvupdate";
}

class UpdaterHttpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server.ok()) << server.error();
    DWORD flags = 0;
    if (!InternetGetConnectedState(&flags, 0)) GTEST_SKIP() << "this machine reports no Internet connection";
  }
  kavro::test::ScopedEnv noProxy = kavro::test::NoProxyEnvironment();
  HttpServer server;
  CAutoUpdater updater;
};

TEST_F(UpdaterHttpTest, FetchesTrimmedTexts) {
  struct Row {
    std::string path;
    const wchar_t* want;
  } rows[] = {
      {"/version", L"2.1.0"},                                  // " 2.1.0 \r\n"
      {"/text?body=%09%20%0D%0A3.0.1%0A%0A", L"3.0.1"},         // tabs and line ends at both ends
      {"/text?body=1.0%00junk", L"1.0"},                        // up to the first NUL
      {"/redirect?to=/version", L"2.1.0"},                      // a redirect is followed
      {"/slow?delay=150&chunks=3", L"slow-chunk-0000\nslow-chunk-0001\nslow-chunk-0002"},  // arrives in pieces
  };
  for (const Row& row : rows) {
    CString text = L"unchanged";
    EXPECT_EQ(CAutoUpdater::UpdateCheckOk, updater.CheckForUpdate(server.Url(row.path).c_str(), text)) << row.path;
    EXPECT_STREQ(row.want, text.GetString()) << row.path;
  }
  EXPECT_STREQ(L"2.1.0", CAutoUpdater::GetHttpText(server.Url("/version").c_str()).GetString());
}

TEST_F(UpdaterHttpTest, FailuresLeaveTheCallersTextAlone) {
  struct Row {
    std::string url;
    CAutoUpdater::ErrorType want;
  } rows[] = {
      {server.UrlUtf8("/status/404"), CAutoUpdater::UpdateOpenUrlFailed},  // an error page is no version
      {server.UrlUtf8("/status/500"), CAutoUpdater::UpdateOpenUrlFailed},
      {"http://127.0.0.1:1/version", CAutoUpdater::UpdateOpenUrlFailed},   // nobody listens
      {"nonsense:/x", CAutoUpdater::UpdateOpenUrlFailed},
      {server.UrlUtf8("/text?body="), CAutoUpdater::UpdateNoData},
      {server.UrlUtf8("/text?body=" + std::string(1100, 'v')), CAutoUpdater::UpdateOpenUrlFailed},  // over 1,024

  };
  for (const Row& row : rows) {
    CString text = L"unchanged";
    std::wstring url(row.url.begin(), row.url.end());
    EXPECT_EQ(row.want, updater.CheckForUpdate(url.c_str(), text)) << row.url;
    EXPECT_STREQ(L"unchanged", text.GetString()) << row.url;
    EXPECT_TRUE(CAutoUpdater::GetHttpText(url.c_str()).IsEmpty()) << row.url;
  }
}

TEST_F(UpdaterHttpTest, TakesAtMost4095BytesOfALongOrEndlessBody) {
  CString text;
  ASSERT_EQ(CAutoUpdater::UpdateCheckOk, updater.CheckForUpdate(server.Url("/slow?delay=0&chunks=300").c_str(), text));
  std::wstring lines;
  for (int i = 0; i < 300; ++i) lines += L"slow-chunk-" + std::wstring(4 - std::to_wstring(i).size(), L'0') +
                                         std::to_wstring(i) + L"\n";
  EXPECT_STREQ(lines.substr(0, 4095).c_str(), text.GetString());
  // An endless body ends the read at 4,095 bytes; its first byte is a NUL,
  // so the text is empty.
  text = L"x";
  EXPECT_EQ(CAutoUpdater::UpdateCheckOk, updater.CheckForUpdate(server.Url("/endless").c_str(), text));
  EXPECT_TRUE(text.IsEmpty());
}

TEST_F(UpdaterHttpTest, SessionWritesTheCanonicalAddressBack) {
  CString url = server.Url("/x/../text?body=a%20b").c_str();
  HINTERNET request = updater.GetSession(url);
  ASSERT_NE(nullptr, request);
  EXPECT_STREQ(server.Url("/text?body=a%20b").c_str(), url.GetString());
  BYTE buffer[16] = {};
  EXPECT_TRUE(updater.DownloadConfig(request, buffer, sizeof buffer));
  EXPECT_STREQ("a b", reinterpret_cast<const char*>(buffer));
  InternetCloseHandle(request);
  // Copies share the session; it outlives the original.
  CAutoUpdater copy = updater;
  updater = CAutoUpdater();
  CString text;
  EXPECT_EQ(CAutoUpdater::UpdateCheckOk, copy.CheckForUpdate(server.Url("/version").c_str(), text));
}

TEST_F(UpdaterHttpTest, DownloadsWholeFilesAndReportsCutOnes) {
  kavro::test::TempDir dir;
  constexpr unsigned long long kSize = 50ull << 20;
  CString url = server.Url("/bytes?size=" + std::to_string(kSize)).c_str();
  HINTERNET request = updater.GetSession(url);
  ASSERT_NE(nullptr, request);
  EXPECT_TRUE(updater.DownloadFile(request, dir.Win("big.bin")));
  InternetCloseHandle(request);
  std::string bytes = kavro::test::ReadBytes(dir.Sub("big.bin"));
  ASSERT_EQ(kSize, bytes.size());
  for (unsigned long long i = 0; i < kSize; i += 4093)
    ASSERT_EQ(kavro::test::PatternByte(i), static_cast<unsigned char>(bytes[i])) << i;

  // Cut off half way: a failure, the partial file left.
  url = server.Url("/cut?size=1000000").c_str();
  request = updater.GetSession(url);
  ASSERT_NE(nullptr, request);
  EXPECT_FALSE(updater.DownloadFile(request, dir.Win("cut.bin")));
  InternetCloseHandle(request);
  EXPECT_LT(kavro::test::ReadBytes(dir.Sub("cut.bin")).size(), 1000000u);

  // A file that cannot be made.
  url = server.Url("/version").c_str();
  request = updater.GetSession(url);
  ASSERT_NE(nullptr, request);
  EXPECT_FALSE(updater.DownloadFile(request, dir.Win("no\\such\\folder\\x.bin")));
  InternetCloseHandle(request);
}

TEST_F(UpdaterHttpTest, KvupdateOnTheCommandLine) {
  kavro::test::TempDir dir;
  const std::string tool = ToolPath();
  struct Row {
    std::vector<std::string> args;
    int exitCode;
    std::string output;
  } rows[] = {
      {{"check", server.UrlUtf8("/version")}, 0, "2.1.0\n"},
      {{"check", server.UrlUtf8("/status/404")}, 1, ""},
      {{"download", server.UrlUtf8("/text?body=payload"), dir.Sub("p.txt")}, 0, ""},
      {{"compare", "2.1.0", "2.0.9.9"}, 0, "1\n"},
      {{"compare", "x", "1"}, 0, "-21\n"},
      {{"version", dir.Sub("p.txt")}, 1, ""},
      {{"check"}, 2, ""},
  };
  for (Row& row : rows) {
    row.args.insert(row.args.begin(), tool);
    kavro::test::ProcessResult r = kavro::test::Run(row.args);
    EXPECT_EQ(row.exitCode, r.exitCode) << row.args[1] << ": " << r.output;
    if (row.exitCode == 0) {
      EXPECT_EQ(row.output, r.output) << row.args[1];
    }
  }
  EXPECT_EQ("payload", kavro::test::ReadBytes(dir.Sub("p.txt")));
}

// In a network namespace of its own the machine has no connection: the
// check stops before any address is opened.
TEST(UpdaterOffline, NoInternetWithoutAConnection) {
  const std::string tool = ToolPath();
  kavro::test::ProcessResult probe = kavro::test::Run({"/usr/bin/unshare", "-n", "/bin/true"});
  if (probe.exitCode != 0) GTEST_SKIP() << "unshare -n is not allowed here";
  kavro::test::ProcessResult r = kavro::test::Run({"/usr/bin/unshare", "-n", tool, "check", "http://127.0.0.1:9/version"});
  EXPECT_EQ(1, r.exitCode);
  EXPECT_NE(std::string::npos, r.output.find("no Internet connection")) << r.output;
}

}  // namespace
