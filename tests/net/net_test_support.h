// Helpers of the HTTP tests: a session that closes itself, reading a whole
// body in reads of a given size, and environment variables set for one test.
#pragma once

#include <cstdlib>
#include <map>
#include <string>

#include "KavroStd/KavroStd.h"
#include "support/http_server.h"

namespace kavro::test {

// The address flags a self-updating module opens with.
constexpr DWORD kUpdaterFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_RESYNCHRONIZE | INTERNET_FLAG_HYPERLINK | INTERNET_FLAG_NEED_FILE;

class ScopedSession {
 public:
  explicit ScopedSession(DWORD access = INTERNET_OPEN_TYPE_PRECONFIG, const wchar_t* proxy = nullptr,
                         const wchar_t* bypass = nullptr)
      : handle_(InternetOpenW(L"KavroNetTest", access, proxy, bypass, 0)) {}
  ~ScopedSession() {
    if (handle_) InternetCloseHandle(handle_);
  }
  ScopedSession(const ScopedSession&) = delete;
  ScopedSession& operator=(const ScopedSession&) = delete;
  HINTERNET get() const { return handle_; }

 private:
  HINTERNET handle_;
};

// A request handle closed at the end of the scope; `error` is the last error
// when opening failed.
struct Opened {
  Opened(HINTERNET session, const std::wstring& url, DWORD flags = kUpdaterFlags, const wchar_t* headers = nullptr)
      : handle(InternetOpenUrlW(session, url.c_str(), headers, headers ? static_cast<DWORD>(-1) : 0, flags, 0)),
        error(handle ? 0 : GetLastError()) {}
  ~Opened() {
    if (handle) InternetCloseHandle(handle);
  }
  Opened(const Opened&) = delete;
  Opened& operator=(const Opened&) = delete;
  HINTERNET handle;
  DWORD error;
};

struct Body {
  std::string bytes;
  int reads = 0;        // reads that returned data
  bool ok = true;       // ended with TRUE and 0 bytes
  DWORD error = 0;      // the last error when a read failed
};

inline Body ReadAll(HINTERNET request, DWORD chunk) {
  Body body;
  std::string buffer(chunk, '\0');
  for (;;) {
    DWORD got = 0;
    if (!InternetReadFile(request, buffer.data(), chunk, &got)) {
      body.ok = false;
      body.error = GetLastError();
      return body;
    }
    if (got == 0) return body;
    ++body.reads;
    body.bytes.append(buffer.data(), got);
  }
}

// Sets (or, with nullptr, removes) environment variables for a scope and
// puts the old values back.
class ScopedEnv {
 public:
  ScopedEnv(std::initializer_list<std::pair<const char*, const char*>> values) {
    for (const auto& [name, value] : values) {
      const char* old = getenv(name);
      saved_.emplace(name, old ? std::make_pair(true, std::string(old)) : std::make_pair(false, std::string()));
      if (value) setenv(name, value, 1);
      else unsetenv(name);
    }
  }
  ~ScopedEnv() {
    for (const auto& [name, old] : saved_) {
      if (old.first) setenv(name.c_str(), old.second.c_str(), 1);
      else unsetenv(name.c_str());
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::map<std::string, std::pair<bool, std::string>> saved_;
};

// No proxy from the machine's environment reaches a test that does not ask
// for one.
inline ScopedEnv NoProxyEnvironment() {
  return ScopedEnv{{"http_proxy", nullptr}, {"https_proxy", nullptr}, {"HTTPS_PROXY", nullptr},
                   {"ALL_PROXY", nullptr},  {"all_proxy", nullptr},   {"no_proxy", nullptr},
                   {"NO_PROXY", nullptr}};
}

}  // namespace kavro::test
