// InternetOpenUrlW, InternetReadFile and HttpQueryInfoW against the real
// test server: bodies in several reads, statuses, redirects, slow, cut-off,
// large and endless bodies, the no-cache request headers, handles.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "net/net_test_support.h"

namespace kavro::test {
namespace {

class HttpRequest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(server_.ok()) << server_.error(); }
  ScopedEnv env_ = NoProxyEnvironment();
  HttpServer server_;
  ScopedSession session_;
};

TEST_F(HttpRequest, BodyArrivesWhole_InSmallReadsAndThenEndsWithZeroBytes) {
  const std::string text(1000, 'v');
  Opened request(session_.get(), server_.Url("/text?body=" + text));
  ASSERT_TRUE(request.handle) << request.error;
  Body body = ReadAll(request.handle, 7);
  EXPECT_TRUE(body.ok);
  EXPECT_EQ(body.bytes, text);
  EXPECT_GT(body.reads, 100);
  // Past the end, a read keeps answering TRUE with no bytes.
  char byte;
  DWORD got = 99;
  EXPECT_TRUE(InternetReadFile(request.handle, &byte, 1, &got));
  EXPECT_EQ(got, 0u);
}

TEST_F(HttpRequest, VersionTextKeepsItsBlanksAndLineEnd) {
  Opened request(session_.get(), server_.Url("/version"));
  ASSERT_TRUE(request.handle) << request.error;
  EXPECT_EQ(ReadAll(request.handle, 4096).bytes, " 2.1.0 \r\n");
}

TEST_F(HttpRequest, StatusOf400OrMoreFailsTheOpen) {
  struct Case {
    const char* path;
    DWORD error;  // 0: opens
  } cases[] = {
      {"/status/200", 0},
      {"/status/204", 0},
      {"/status/400", ERROR_INTERNET_EXTENDED_ERROR},
      {"/status/403", ERROR_INTERNET_EXTENDED_ERROR},
      {"/status/404", ERROR_INTERNET_ITEM_NOT_FOUND},
      {"/status/410", ERROR_INTERNET_ITEM_NOT_FOUND},
      {"/status/500", ERROR_INTERNET_EXTENDED_ERROR},
      {"/status/503", ERROR_INTERNET_EXTENDED_ERROR},
  };
  for (const Case& c : cases) {
    Opened request(session_.get(), server_.Url(c.path));
    EXPECT_EQ(request.handle != nullptr, c.error == 0) << c.path;
    EXPECT_EQ(request.error, c.error) << c.path;
  }
}

TEST_F(HttpRequest, RedirectsAreFollowedUnlessAskedNotTo) {
  for (const char* code : {"301", "302", "303", "307", "308"}) {
    Opened request(session_.get(), server_.Url(std::string("/redirect?code=") + code + "&to=/text?body=arrived"));
    ASSERT_TRUE(request.handle) << code << " " << request.error;
    EXPECT_EQ(ReadAll(request.handle, 4096).bytes, "arrived") << code;
    DWORD status = 0, size = sizeof(status);
    ASSERT_TRUE(HttpQueryInfoW(request.handle, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr));
    EXPECT_EQ(status, 200u) << code;
  }
  // Not followed: the redirect response itself, with its Location.
  Opened kept(session_.get(), server_.Url("/redirect?to=/text?body=arrived"),
              kUpdaterFlags | INTERNET_FLAG_NO_AUTO_REDIRECT);
  ASSERT_TRUE(kept.handle) << kept.error;
  DWORD status = 0, size = sizeof(status);
  ASSERT_TRUE(HttpQueryInfoW(kept.handle, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr));
  EXPECT_EQ(status, 302u);
  wchar_t location[64];
  size = sizeof(location);
  ASSERT_TRUE(HttpQueryInfoW(kept.handle, HTTP_QUERY_LOCATION, location, &size, nullptr));
  EXPECT_STREQ(location, L"/text?body=arrived");
  EXPECT_EQ(ReadAll(kept.handle, 4096).bytes, "moved\n");
  // A redirect that never ends.
  Opened loop(session_.get(), server_.Url("/loop"));
  EXPECT_EQ(loop.handle, nullptr);
  EXPECT_EQ(loop.error, static_cast<DWORD>(ERROR_HTTP_REDIRECT_FAILED));
}

// A read fills its buffer as data streams in, and returns less only at the
// end of the body: a slow server never makes a short read.
TEST_F(HttpRequest, SlowServer_ReadsFillTheirBufferAsDataArrives) {
  Opened request(session_.get(), server_.Url("/slow?delay=300&chunks=4"));
  ASSERT_TRUE(request.handle) << request.error;
  char buffer[4096];
  DWORD got = 0;
  ASSERT_TRUE(InternetReadFile(request.handle, buffer, 20, &got));
  EXPECT_EQ(std::string(buffer, got), "slow-chunk-0000\nslow");  // two chunks, not the whole 64 bytes
  ASSERT_TRUE(InternetReadFile(request.handle, buffer, sizeof(buffer), &got));
  EXPECT_EQ(std::string(buffer, got), "-chunk-0001\nslow-chunk-0002\nslow-chunk-0003\n");
  ASSERT_TRUE(InternetReadFile(request.handle, buffer, sizeof(buffer), &got));
  EXPECT_EQ(got, 0u);
}

// Small cuts arrive whole while the address is opened; large ones meet the
// reads. Either way the open succeeds and the reads fail after the bytes.
TEST_F(HttpRequest, BodyCutShortFailsTheReadInsteadOfEndingCleanly) {
  for (size_t size : {2000u, 200000u, 4000000u}) {
    Opened request(session_.get(), server_.Url("/cut?size=" + std::to_string(size)));
    ASSERT_TRUE(request.handle) << size << ": " << request.error;
    Body body = ReadAll(request.handle, 4096);
    EXPECT_FALSE(body.ok) << size;
    EXPECT_EQ(body.error, static_cast<DWORD>(ERROR_INTERNET_CONNECTION_ABORTED)) << size;
    EXPECT_EQ(body.bytes.size(), size / 2) << size;
  }
}

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return 0;
}

TEST_F(HttpRequest, FiftyMiBInPageSizedReads_EveryByteRight_MemoryStaysBounded) {
  constexpr size_t kSize = 50u << 20;
  Opened request(session_.get(), server_.Url("/bytes?size=" + std::to_string(kSize)));
  ASSERT_TRUE(request.handle) << request.error;
  DWORD length = 0, size = sizeof(length);
  ASSERT_TRUE(HttpQueryInfoW(request.handle, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size, nullptr));
  EXPECT_EQ(length, kSize);

  const long before = ResidentKiB();
  long peak = before;
  unsigned char buffer[4096];
  size_t total = 0, wrong = 0;
  DWORD got = 0;
  while (InternetReadFile(request.handle, buffer, sizeof(buffer), &got) && got > 0) {
    for (DWORD i = 0; i < got; ++i) wrong += buffer[i] != PatternByte(total + i);
    total += got;
    if ((total & 0xFFFFF) < sizeof(buffer)) peak = std::max(peak, ResidentKiB());
  }
  EXPECT_EQ(got, 0u) << GetLastError();
  EXPECT_EQ(total, kSize);
  EXPECT_EQ(wrong, 0u);
  EXPECT_LT(peak - before, 16 * 1024) << "KiB more resident while reading";
}

TEST_F(HttpRequest, EndlessBody_ClosingAfterAFewReadsReturnsAndTheServerStaysUsable) {
  for (int round = 0; round < 3; ++round) {
    HINTERNET request = InternetOpenUrlW(session_.get(), server_.Url("/endless").c_str(), nullptr, 0, kUpdaterFlags, 0);
    ASSERT_TRUE(request) << GetLastError();
    char buffer[4095];
    DWORD filled = 0, got = 0;
    while (filled < sizeof(buffer) && InternetReadFile(request, buffer + filled, sizeof(buffer) - filled, &got) && got)
      filled += got;
    EXPECT_EQ(filled, sizeof(buffer));
    EXPECT_TRUE(InternetCloseHandle(request));
  }
  Opened after(session_.get(), server_.Url("/version"));
  EXPECT_TRUE(after.handle) << after.error;
}

TEST_F(HttpRequest, EveryRequestAsksForAFreshCopy) {
  struct Case {
    const wchar_t* headers;
    std::vector<std::string> present;
    std::vector<std::string> absent;
  } cases[] = {
      {nullptr, {"Cache-Control: no-cache", "Pragma: no-cache", "User-Agent: KavroNetTest"}, {}},
      {L"X-Extra: one\r\nX-Other: two\r\n", {"Cache-Control: no-cache", "X-Extra: one", "X-Other: two"}, {}},
      {L"Cache-Control: max-age=0", {"Cache-Control: max-age=0", "Pragma: no-cache"}, {"Cache-Control: no-cache"}},
  };
  for (const Case& c : cases) {
    Opened request(session_.get(), server_.Url("/echo-headers"), kUpdaterFlags, c.headers);
    ASSERT_TRUE(request.handle) << request.error;
    const std::string echoed = ReadAll(request.handle, 4096).bytes;
    for (const std::string& line : c.present) EXPECT_NE(echoed.find(line), std::string::npos) << line << "\n" << echoed;
    for (const std::string& line : c.absent) EXPECT_EQ(echoed.find(line), std::string::npos) << line << "\n" << echoed;
  }
}

TEST_F(HttpRequest, HeadersOfAbsurdSizeAreRefused) {
  Opened modest(session_.get(), server_.Url("/hugeheaders?size=20000"));
  EXPECT_TRUE(modest.handle) << modest.error;
  Opened huge(session_.get(), server_.Url("/hugeheaders"));
  EXPECT_EQ(huge.handle, nullptr);
  EXPECT_EQ(huge.error, static_cast<DWORD>(ERROR_HTTP_INVALID_SERVER_RESPONSE));
}

TEST_F(HttpRequest, QueryInfo_StatusAndLengthAsTextAndNumber_BufferSizes) {
  Opened request(session_.get(), server_.Url("/text?body=12345"));
  ASSERT_TRUE(request.handle) << request.error;
  wchar_t text[16];
  DWORD size = sizeof(text);
  ASSERT_TRUE(HttpQueryInfoW(request.handle, HTTP_QUERY_STATUS_CODE, text, &size, nullptr));
  EXPECT_STREQ(text, L"200");
  EXPECT_EQ(size, 3 * sizeof(wchar_t));
  size = sizeof(text);
  ASSERT_TRUE(HttpQueryInfoW(request.handle, HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr));
  EXPECT_STREQ(text, L"5");
  // Too small: the size needed, in bytes with the terminator.
  size = 2 * sizeof(wchar_t);
  EXPECT_FALSE(HttpQueryInfoW(request.handle, HTTP_QUERY_STATUS_CODE, text, &size, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
  EXPECT_EQ(size, 4 * sizeof(wchar_t));
  DWORD number = 0;
  size = sizeof(number);
  ASSERT_TRUE(HttpQueryInfoW(request.handle, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &number, &size, nullptr));
  EXPECT_EQ(number, 200u);
  size = sizeof(text);
  EXPECT_FALSE(HttpQueryInfoW(request.handle, HTTP_QUERY_LOCATION, text, &size, nullptr));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_HTTP_HEADER_NOT_FOUND));
}

TEST_F(HttpRequest, Handles_SessionClosedFirst_WrongKinds_ClosedTwice) {
  HINTERNET session = InternetOpenW(L"agent", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  ASSERT_TRUE(session);
  HINTERNET request = InternetOpenUrlW(session, server_.Url("/text?body=still").c_str(), nullptr, 0, 0, 0);
  ASSERT_TRUE(request) << GetLastError();
  EXPECT_TRUE(InternetCloseHandle(session));
  EXPECT_EQ(ReadAll(request, 4096).bytes, "still");

  DWORD got = 0;
  char byte;
  EXPECT_FALSE(InternetReadFile(session_.get(), &byte, 1, &got));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_INCORRECT_HANDLE_TYPE));
  EXPECT_EQ(InternetOpenUrlW(request, server_.Url("/version").c_str(), nullptr, 0, 0, 0), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INTERNET_INCORRECT_HANDLE_TYPE));

  EXPECT_TRUE(InternetCloseHandle(request));
  EXPECT_FALSE(InternetCloseHandle(request));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(InternetReadFile(request, &byte, 1, &got));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_FALSE(InternetCloseHandle(nullptr));
}

TEST_F(HttpRequest, StalledTransferTimesOut) {
  DWORD timeout = 1000;
  ASSERT_TRUE(InternetSetOptionW(session_.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &timeout, sizeof(timeout)));
  DWORD read = 0, size = sizeof(read);
  ASSERT_TRUE(InternetQueryOptionW(session_.get(), INTERNET_OPTION_RECEIVE_TIMEOUT, &read, &size));
  EXPECT_EQ(read, 1000u);
  Opened request(session_.get(), server_.Url("/slow?delay=5000&chunks=2"));
  ASSERT_TRUE(request.handle) << request.error;
  Body body = ReadAll(request.handle, 4096);
  EXPECT_FALSE(body.ok);
  EXPECT_EQ(body.error, static_cast<DWORD>(ERROR_INTERNET_TIMEOUT));
}

}  // namespace
}  // namespace kavro::test
