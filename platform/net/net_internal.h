// The objects behind HINTERNET values: a session (its settings) and a
// request (one curl transfer driven by a multi handle, read by the caller as
// the body arrives).
#pragma once

#include <curl/curl.h>

#include <memory>
#include <string>
#include <vector>

#include "KavroStd/platform/wininet.h"

namespace kavro::platform::net {

struct InternetObject {
  virtual ~InternetObject() = default;
};

struct Session : InternetObject {
  std::string agent;
  DWORD accessType = INTERNET_OPEN_TYPE_PRECONFIG;
  std::string proxy;   // curl form, for INTERNET_OPEN_TYPE_PROXY
  std::string bypass;  // curl's no-proxy list
  DWORD connectTimeoutMs = 30000;
  DWORD receiveTimeoutMs = 30000;
};

struct Request : InternetObject {
  ~Request() override;

  CURLM* multi = nullptr;
  CURL* easy = nullptr;
  curl_slist* headers = nullptr;
  bool done = false;        // the transfer has ended (result below)
  CURLcode result = CURLE_OK;
  bool paused = false;      // curl holds a chunk we could not take
  bool headersDone = false; // the final response's headers are in
  bool followRedirects = true;
  bool headerTooLarge = false;
  size_t headerBytes = 0;
  long status = 0;
  bool hasLocation = false;
  std::string rawHeaders;   // the current response's header lines, CR LF ended

  // Where the write callback puts body bytes: the caller's buffer first,
  // then `pending` (a few chunks at most, its storage reused).
  char* target = nullptr;
  size_t targetSize = 0;
  size_t targetFilled = 0;
  std::vector<char> pending;
  size_t pendingPos = 0;

  size_t PendingLeft() const { return pending.size() - pendingPos; }
};

// Handle table: a HINTERNET is valid from its registration until it is closed.
HINTERNET Register(std::unique_ptr<InternetObject> object);
InternetObject* Lookup(HINTERNET handle);
template <class T>
T* LookupAs(HINTERNET handle) {
  return dynamic_cast<T*>(Lookup(handle));
}
bool Close(HINTERNET handle);

// The WinINet error of a failed transfer.
DWORD ErrorFromCurl(CURLcode code, CURL* easy);
// The error for a final status of 400 or more.
DWORD ErrorFromStatus(long status);
// Runs curl_global_init once.
void EnsureCurl();

std::string Utf8(const wchar_t* text, size_t length);
std::string Utf8(const wchar_t* text);

}  // namespace kavro::platform::net
