// Starts and stops the test HTTP server script as a child process.
#include "support/http_server.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace kavro::test {
namespace {

std::string Python() {
  // The system interpreter first: version-manager shims may be slow to start.
  if (access("/usr/bin/python3", X_OK) == 0) return "/usr/bin/python3";
  return "python3";
}

}  // namespace

HttpServer::HttpServer(Mode mode, const std::string& certFolder)
    : mode_(mode), folder_(certFolder.empty() ? certs_.path() : certFolder) {
  std::vector<std::string> args = {Python(), std::string(KAVRO_SOURCE_DIR) + "/tests/support/http_test_server.py"};
  if (mode != kPlain) {
    args.push_back("--tls");
    args.push_back(folder_);
    if (mode == kTlsWrongName) args.push_back("--wrong-name");
  }
  int out[2];
  if (pipe(out) != 0) {
    error_ = "pipe failed";
    return;
  }
  pid_ = fork();
  if (pid_ == 0) {
    dup2(out[1], 1);
    close(out[0]);
    close(out[1]);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  if (pid_ < 0) {
    close(out[0]);
    error_ = "fork failed";
    return;
  }
  std::string line;
  char c;
  while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
  close(out[0]);
  port_ = atoi(line.c_str());
  if (port_ <= 0) {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    error_ = WIFEXITED(status) && WEXITSTATUS(status) == 3 ? "the openssl command is not available"
                                                           : "the test HTTP server did not start";
  }
}

HttpServer::~HttpServer() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
}

std::string HttpServer::UrlUtf8(const std::string& pathAndQuery) const {
  return std::string(mode_ == kPlain ? "http" : "https") + "://127.0.0.1:" + std::to_string(port_) + pathAndQuery;
}

std::wstring HttpServer::Url(const std::string& pathAndQuery) const {
  std::string url = UrlUtf8(pathAndQuery);
  return std::wstring(url.begin(), url.end());
}

std::string HttpServer::CaFile() const { return mode_ == kPlain ? std::string() : folder_ + "/ca.pem"; }

}  // namespace kavro::test
