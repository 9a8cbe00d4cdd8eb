// Addresses that cannot be opened, proxies from the environment or the
// session, and HTTPS with certificate verification always on.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "net/net_test_support.h"

namespace kavro::test {
namespace {

// A loopback port nobody listens on.
int RefusedPort() {
  int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = {};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(s, reinterpret_cast<sockaddr*>(&a), sizeof(a));
  socklen_t len = sizeof(a);
  getsockname(s, reinterpret_cast<sockaddr*>(&a), &len);
  close(s);
  return ntohs(a.sin_port);
}

TEST(HttpOpen, AddressesThatCannotBeOpened) {
  ScopedEnv env = NoProxyEnvironment();
  ScopedSession session;
  const std::wstring refused = L"http://127.0.0.1:" + std::to_wstring(RefusedPort()) + L"/version";
  struct Case {
    std::wstring url;
    DWORD error;
  } cases[] = {
      {L"ftp://127.0.0.1/file", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
      {L"file:///etc/hostname", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
      {L"gopher://host/", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
      {L"www.example.com/version", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
      {L"not an address", ERROR_INTERNET_UNRECOGNIZED_SCHEME},
      {L"http://", ERROR_INTERNET_INVALID_URL},
      {L"http:///version", ERROR_INTERNET_INVALID_URL},
      {L"https:host/version", ERROR_INTERNET_INVALID_URL},
      {L"http://127.0.0.1:99999/", ERROR_INTERNET_INVALID_URL},
      {refused, ERROR_INTERNET_CANNOT_CONNECT},
      {L"http://no-such-host.invalid/version", ERROR_INTERNET_NAME_NOT_RESOLVED},
  };
  for (const Case& c : cases) {
    Opened request(session.get(), c.url);
    EXPECT_EQ(request.handle, nullptr) << Utf8(c.url.c_str());
    EXPECT_EQ(request.error, c.error) << Utf8(c.url.c_str());
  }
  Opened noSession(nullptr, L"http://127.0.0.1/");
  EXPECT_EQ(noSession.error, static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST(HttpOpen, ErrorTextsAreWinInetsOwn) {
  struct Case {
    DWORD code;
    const wchar_t* text;
  } cases[] = {
      {ERROR_INTERNET_TIMEOUT, L"The operation timed out\r\n"},
      {ERROR_INTERNET_NAME_NOT_RESOLVED, L"The server name or address could not be resolved\r\n"},
      {ERROR_INTERNET_CANNOT_CONNECT, L"A connection with the server could not be established\r\n"},
      {ERROR_INTERNET_INVALID_CA, L"The certificate authority is invalid or incorrect\r\n"},
  };
  for (const Case& c : cases) {
    wchar_t text[256];
    ASSERT_GT(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, c.code, 0, text,
                             256, nullptr),
              0u)
        << c.code;
    EXPECT_STREQ(text, c.text);
  }
}

// The test server answers absolute addresses as a proxy would; a name under
// .invalid can only be reached through it.
TEST(HttpProxy, EnvironmentForPreconfiguredAccess_GivenProxyForProxyAccess_NoneForDirect) {
  HttpServer proxy;
  ASSERT_TRUE(proxy.ok()) << proxy.error();
  const std::string proxyUrl = "http://127.0.0.1:" + std::to_string(proxy.port());
  const std::wstring proxyHost = L"127.0.0.1:" + std::to_wstring(proxy.port());
  const std::wstring target = L"http://behind-proxy.invalid/text?body=proxied";
  const std::string refused = "http://127.0.0.1:" + std::to_string(RefusedPort());
  const std::wstring perScheme = L"https=127.0.0.1:1 http=" + proxyHost;
  struct Case {
    const char* what;
    const char* httpProxy;
    const char* allProxy;
    const char* noProxy;
    DWORD access;
    const wchar_t* sessionProxy;
    const wchar_t* bypass;
    std::wstring url;
    DWORD error;  // 0: the body arrives
  } cases[] = {
      {"http_proxy", proxyUrl.c_str(), nullptr, nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, target, 0},
      {"ALL_PROXY", nullptr, proxyUrl.c_str(), nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, target, 0},
      {"direct ignores http_proxy", proxyUrl.c_str(), nullptr, nullptr, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr,
       target, ERROR_INTERNET_NAME_NOT_RESOLVED},
      {"no_proxy bypasses a dead proxy", refused.c_str(), nullptr, "127.0.0.1", INTERNET_OPEN_TYPE_PRECONFIG, nullptr,
       nullptr, proxy.Url("/text?body=proxied"), 0},
      {"dead proxy", refused.c_str(), nullptr, nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr,
       proxy.Url("/text?body=proxied"), ERROR_INTERNET_CANNOT_CONNECT},
      {"session proxy", nullptr, nullptr, nullptr, INTERNET_OPEN_TYPE_PROXY, proxyHost.c_str(), nullptr, target, 0},
      {"session proxy per scheme", nullptr, nullptr, nullptr, INTERNET_OPEN_TYPE_PROXY,
       perScheme.c_str(), nullptr, target, 0},
      {"session proxy over the environment", refused.c_str(), nullptr, nullptr, INTERNET_OPEN_TYPE_PROXY,
       proxyHost.c_str(), nullptr, target, 0},
      {"session bypass", nullptr, nullptr, nullptr, INTERNET_OPEN_TYPE_PROXY, L"127.0.0.1:1", L"<local>",
       proxy.Url("/text?body=proxied"), 0},
  };
  for (const Case& c : cases) {
    ScopedEnv env = NoProxyEnvironment();
    ScopedEnv set{{"http_proxy", c.httpProxy}, {"ALL_PROXY", c.allProxy}, {"no_proxy", c.noProxy}};
    ScopedSession session(c.access, c.sessionProxy, c.bypass);
    ASSERT_TRUE(session.get()) << c.what;
    Opened request(session.get(), c.url);
    EXPECT_EQ(request.error, c.error) << c.what;
    if (request.handle) {
      EXPECT_EQ(ReadAll(request.handle, 4096).bytes, "proxied") << c.what;
    }
  }
}

TEST(HttpProxy, ProxyAccessWithoutAProxyIsRefused) {
  EXPECT_EQ(InternetOpenW(L"agent", INTERNET_OPEN_TYPE_PROXY, nullptr, nullptr, 0), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(InternetOpenW(L"agent", 2, nullptr, nullptr, 0), nullptr);
}

TEST(Https, CertificatesAreAlwaysVerified) {
  HttpServer good(HttpServer::kTls);
  if (!good.ok()) GTEST_SKIP() << good.error();
  HttpServer wrongName(HttpServer::kTlsWrongName, good.CertFolder());  // same CA
  ASSERT_TRUE(wrongName.ok()) << wrongName.error();
  const std::string ca = good.CaFile();
  struct Case {
    const char* what;
    const char* sslCertFile;
    const char* curlCaBundle;
    const HttpServer* server;
    DWORD error;
  } cases[] = {
      {"unknown CA", nullptr, nullptr, &good, ERROR_INTERNET_INVALID_CA},
      {"CA by SSL_CERT_FILE", ca.c_str(), nullptr, &good, 0},
      {"CA by CURL_CA_BUNDLE", nullptr, ca.c_str(), &good, 0},
      {"name does not match", ca.c_str(), nullptr, &wrongName, ERROR_INTERNET_SEC_CERT_CN_INVALID},
  };
  for (const Case& c : cases) {
    ScopedEnv env = NoProxyEnvironment();
    ScopedEnv set{{"SSL_CERT_FILE", c.sslCertFile}, {"CURL_CA_BUNDLE", c.curlCaBundle}, {"SSL_CERT_DIR", nullptr}};
    ScopedSession session;
    Opened request(session.get(), c.server->Url("/version"));
    EXPECT_EQ(request.error, c.error) << c.what;
    if (request.handle) {
      EXPECT_EQ(ReadAll(request.handle, 4096).bytes, " 2.1.0 \r\n") << c.what;
    }
  }
}

}  // namespace
}  // namespace kavro::test
