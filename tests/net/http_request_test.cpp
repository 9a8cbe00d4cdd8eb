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
