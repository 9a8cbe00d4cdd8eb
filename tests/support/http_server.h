// A real HTTP (or HTTPS) server for tests: tests/support/http_test_server.py
// started as a child process on 127.0.0.1 and a free port, stopped when the
// object goes. Its routes (see the script): /text?body= (URL-encoded), /version,
// /status/N, /redirect?to=, /loop, /slow?delay=MS&chunks=N, /cut?size=N,
// /bytes?size=N (byte k is k % 251), /endless, /hugeheaders,
// /echo-headers; an absolute http:// request is answered as a proxy.
//
//   kavro::test::HttpServer server;
//   ASSERT_TRUE(server.ok()) << server.error();
//   std::wstring url = server.Url("/version");   // L"http://127.0.0.1:PORT/version"
//
//   kavro::test::HttpServer tls(kavro::test::HttpServer::kTls);
//   if (!tls.ok()) GTEST_SKIP() << tls.error();  // no openssl command
//   // tls.CaFile(): the PEM of the CA that signed its certificate
//
// Preconfigured sessions honour the proxy variables of the environment, for
// 127.0.0.1 too: tests/net/net_test_support.h has NoProxyEnvironment() to
// clear them for a test.
#pragma once

#include <string>

#include "support/test_support.h"

namespace kavro::test {

class HttpServer {
 public:
  enum Mode {
    kPlain,           // http://
    kTls,             // https:// with a certificate for 127.0.0.1 and localhost
    kTlsWrongName,    // https:// with a certificate for another name
  };
  // A TLS server makes its CA and certificate in a folder of its own, or in
  // `certFolder` (another server's CertFolder(), so that both share one CA).
  explicit HttpServer(Mode mode = kPlain, const std::string& certFolder = "");
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  bool ok() const { return port_ > 0; }
  const std::string& error() const { return error_; }
  int port() const { return port_; }
  // The address of a path ("/text?body=x") on this server.
  std::wstring Url(const std::string& pathAndQuery) const;
  std::string UrlUtf8(const std::string& pathAndQuery) const;
  // The CA certificate (PEM file) of a TLS server; empty otherwise.
  std::string CaFile() const;
  const std::string& CertFolder() const { return folder_; }

 private:
  Mode mode_;
  int pid_ = -1;
  int port_ = 0;
  std::string error_;
  TempDir certs_;
  std::string folder_;
};

// The byte at `offset` of a /bytes body.
inline unsigned char PatternByte(unsigned long long offset) { return static_cast<unsigned char>(offset % 251); }

}  // namespace kavro::test
