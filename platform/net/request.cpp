// InternetOpenUrlW and InternetReadFile: one curl transfer per request,
// driven by a multi handle on the caller's thread. The body goes straight
// into the caller's buffer; what does not fit waits in one reused buffer of
// at most 256 KiB, and beyond that curl is paused, so a body of any size
// takes bounded memory.
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string_view>

#include "KavroStd/platform/win_errors.h"
#include "platform/net/net_internal.h"

namespace kavro::platform::net {
namespace {

constexpr long kMaxRedirects = 20;
constexpr size_t kMaxHeaderBytes = 256 * 1024;  // one response's header block
constexpr long kChunkBytes = 64 * 1024;
// What may wait for the caller before curl is paused: a few chunks, so that
// pausing (which makes curl copy the chunk it holds) stays rare.
constexpr size_t kMaxPendingBytes = 256 * 1024;

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (tolower(static_cast<unsigned char>(text[i])) != tolower(static_cast<unsigned char>(prefix[i]))) return false;
  return true;
}

size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* r = static_cast<Request*>(user);
  const size_t total = size * count;
  std::string_view line(data, total);
  if (StartsWithNoCase(line, "HTTP/")) {
    r->rawHeaders.clear();
    r->headerBytes = 0;
    r->hasLocation = false;
    size_t space = line.find(' ');
    r->status = space == std::string_view::npos ? 0 : strtol(std::string(line.substr(space + 1, 3)).c_str(), nullptr, 10);
  }
  r->headerBytes += total;
  if (r->headerBytes > kMaxHeaderBytes) {
    r->headerTooLarge = true;
    return 0;  // curl fails the transfer
  }
  r->rawHeaders.append(line);
  if (line == "\r\n" || line == "\n") {
    const bool interim = r->status >= 100 && r->status < 200;
    const bool followed = r->followRedirects && r->hasLocation && r->status >= 300 && r->status < 400 &&
                          r->status != 304;
    if (!interim && !followed) r->headersDone = true;
  } else if (StartsWithNoCase(line, "Location:")) {
    r->hasLocation = true;
  }
  return total;
}

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* r = static_cast<Request*>(user);
  const size_t total = size * count;
  r->headersDone = true;
  if (r->PendingLeft() > 0) {
    // Bytes must stay in order: behind what already waits, or, when the
    // wait would grow too long, held by curl (paused) and offered again.
    if (r->PendingLeft() + total > kMaxPendingBytes) {
      r->paused = true;
      return CURL_WRITEFUNC_PAUSE;
    }
    if (r->pendingPos > 0) {
      r->pending.erase(r->pending.begin(), r->pending.begin() + static_cast<std::ptrdiff_t>(r->pendingPos));
      r->pendingPos = 0;
    }
    r->pending.insert(r->pending.end(), data, data + total);
    return total;
  }
  const size_t room = r->targetSize - r->targetFilled;
  const size_t take = total < room ? total : room;
  if (take > 0) {
    memcpy(r->target + r->targetFilled, data, take);
    r->targetFilled += take;
  }
  if (take < total) {
    r->pending.assign(data + take, data + total);
    r->pendingPos = 0;
  }
  return total;
}

void CollectDone(Request* r) {
  int left = 0;
  while (CURLMsg* message = curl_multi_info_read(r->multi, &left))
    if (message->msg == CURLMSG_DONE) {
      r->done = true;
      r->result = message->data.result;
    }
}

// Drives the transfer until `ready` holds or it ends, waiting for the
// socket between steps.
template <class Ready>
void Drive(Request* r, Ready ready) {
  for (;;) {
    int running = 0;
    curl_multi_perform(r->multi, &running);
    CollectDone(r);
    if (r->done || ready()) return;
    curl_multi_poll(r->multi, nullptr, 0, 1000, nullptr);
  }
}

// The lower-case scheme of a URL, or empty when it has none.
std::string SchemeOf(const std::string& url) {
  size_t colon = url.find(':');
  if (colon == std::string::npos || colon == 0 || !isalpha(static_cast<unsigned char>(url[0]))) return {};
  std::string scheme;
  for (size_t i = 0; i < colon; ++i) {
    unsigned char c = url[i];
    if (!isalnum(c) && c != '+' && c != '-' && c != '.') return {};
    scheme += static_cast<char>(tolower(c));
  }
  return scheme;
}

// Blanks, control characters and bytes beyond ASCII go on the wire escaped.
std::string EscapeForWire(const std::string& url) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(url.size());
  for (unsigned char c : url) {
    if (c <= 0x20 || c >= 0x7F) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// The proxy of a WinINet proxy list ("host:port", or "http=h1:p1 https=h2:p2")
// for a scheme; empty when none applies.
std::string ProxyFor(const std::string& list, const std::string& scheme) {
  std::string fallback, token;
  std::string found;
  auto take = [&] {
    if (token.empty()) return;
    size_t eq = token.find('=');
    if (eq == std::string::npos) fallback = token;
    else if (token.substr(0, eq) == scheme && found.empty()) found = token.substr(eq + 1);
    token.clear();
  };
  for (char c : list) {
    if (c == ' ' || c == ';') take();
    else token += c;
  }
  take();
  return found.empty() ? fallback : found;
}

bool HasHeader(const std::string& lines, std::string_view name) {
  size_t start = 0;
  while (start < lines.size()) {
    size_t end = lines.find('\n', start);
    if (end == std::string::npos) end = lines.size();
    if (StartsWithNoCase(std::string_view(lines).substr(start, end - start), name)) return true;
    start = end + 1;
  }
  return false;
}

curl_slist* RequestHeaders(const std::string& given) {
  curl_slist* list = nullptr;
  // Never a cached copy, from the server's caches or a proxy's.
  if (!HasHeader(given, "Cache-Control:")) list = curl_slist_append(list, "Cache-Control: no-cache");
  if (!HasHeader(given, "Pragma:")) list = curl_slist_append(list, "Pragma: no-cache");
  size_t start = 0;
  while (start < given.size()) {
    size_t end = given.find('\n', start);
    if (end == std::string::npos) end = given.size();
    std::string line = given.substr(start, end - start);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    if (!line.empty()) list = curl_slist_append(list, line.c_str());
    start = end + 1;
  }
  return list;
}

long LowSpeedSeconds(DWORD milliseconds) {
  long seconds = static_cast<long>((milliseconds + 999ull) / 1000);
  return seconds > 0 ? seconds : 1;
}

void Configure(Request* r, const Session& s, const std::string& url, const std::string& scheme, DWORD flags) {
  CURL* e = r->easy;
  curl_easy_setopt(e, CURLOPT_URL, url.c_str());
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  r->followRedirects = !(flags & INTERNET_FLAG_NO_AUTO_REDIRECT);
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, r->followRedirects ? 1L : 0L);
  curl_easy_setopt(e, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, r->headers);
  if (!s.agent.empty()) curl_easy_setopt(e, CURLOPT_USERAGENT, s.agent.c_str());
  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, r);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, r);
  curl_easy_setopt(e, CURLOPT_BUFFERSIZE, kChunkBytes);
  curl_easy_setopt(e, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  // A connection not made in time, or a transfer that stalls (under 1 byte
  // a second for the receive timeout), fails with ERROR_INTERNET_TIMEOUT.
  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(s.connectTimeoutMs));
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, LowSpeedSeconds(s.receiveTimeoutMs));
  // Certificates are always verified; another CA bundle may be named.
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
  const char* bundle = getenv("CURL_CA_BUNDLE");
  if (!bundle || !*bundle) bundle = getenv("SSL_CERT_FILE");
  if (bundle && *bundle) curl_easy_setopt(e, CURLOPT_CAINFO, bundle);
  const char* folder = getenv("SSL_CERT_DIR");
  if (folder && *folder) curl_easy_setopt(e, CURLOPT_CAPATH, folder);
  // Preconfigured access leaves curl to the proxy environment variables.
  if (s.accessType == INTERNET_OPEN_TYPE_DIRECT) {
    curl_easy_setopt(e, CURLOPT_PROXY, "");
  } else if (s.accessType == INTERNET_OPEN_TYPE_PROXY) {
    std::string proxy = ProxyFor(s.proxy, scheme);
    curl_easy_setopt(e, CURLOPT_PROXY, proxy.c_str());  // copied by curl
    curl_easy_setopt(e, CURLOPT_NOPROXY, s.bypass.c_str());
  }
}

}  // namespace

Request::~Request() {
  if (multi && easy) curl_multi_remove_handle(multi, easy);
  if (easy) curl_easy_cleanup(easy);
  if (multi) curl_multi_cleanup(multi);
  curl_slist_free_all(headers);
}

}  // namespace kavro::platform::net

using namespace kavro::platform::net;

extern "C" HINTERNET InternetOpenUrlW(HINTERNET session, LPCWSTR url, LPCWSTR headers, DWORD headersLength,
                                      DWORD flags, DWORD_PTR) {
  Session* s = LookupAs<Session>(session);
  if (!s) {
    SetLastError(Lookup(session) ? ERROR_INTERNET_INCORRECT_HANDLE_TYPE : ERROR_INVALID_HANDLE);
    return nullptr;
  }
  if (!url || !*url) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  std::string address = Utf8(url);
  const std::string scheme = SchemeOf(address);
  if (scheme != "http" && scheme != "https") {
    SetLastError(ERROR_INTERNET_UNRECOGNIZED_SCHEME);
    return nullptr;
  }
  size_t afterScheme = scheme.size() + 1;
  if (address.compare(afterScheme, 2, "//") != 0 || address.size() == afterScheme + 2 ||
      strchr("/?#", address[afterScheme + 2])) {
    SetLastError(ERROR_INTERNET_INVALID_URL);
    return nullptr;
  }
  address = EscapeForWire(address);

  auto r = std::make_unique<Request>();
  std::string given;
  if (headers && headersLength != 0)
    given = headersLength == static_cast<DWORD>(-1) ? Utf8(headers) : Utf8(headers, wcsnlen(headers, headersLength));
  r->headers = RequestHeaders(given);
  r->multi = curl_multi_init();
  r->easy = curl_easy_init();
  if (!r->multi || !r->easy) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  Configure(r.get(), *s, address, scheme, flags);
  curl_multi_add_handle(r->multi, r->easy);

  Request* raw = r.get();
  Drive(raw, [raw] { return raw->headersDone; });
  // A transfer that failed after the headers were in fails the reads that
  // meet the failure, after the bytes that came before it.
  if (!raw->headersDone && raw->done && raw->result != CURLE_OK) {
    SetLastError(raw->headerTooLarge ? ERROR_HTTP_INVALID_SERVER_RESPONSE : ErrorFromCurl(raw->result, raw->easy));
    return nullptr;
  }
  if (raw->status >= 400) {
    SetLastError(ErrorFromStatus(raw->status));
    return nullptr;
  }
  if (raw->status < 100) {  // no HTTP response at all
    SetLastError(ERROR_HTTP_INVALID_SERVER_RESPONSE);
    return nullptr;
  }
  HINTERNET handle = Register(std::move(r));
  SetLastError(ERROR_SUCCESS);
  return handle;
}

namespace {

// One step of a read: what is waiting, else what the transfer hands over
// next. TRUE with 0 bytes at the end of the body; FALSE when the transfer
// failed and nothing came before the failure.
BOOL ReadStep(Request* r, char* out, DWORD bytesToRead, DWORD* bytesRead) {
  *bytesRead = 0;
  // What arrived earlier comes first.
  if (size_t left = r->PendingLeft()) {
    size_t take = left < bytesToRead ? left : bytesToRead;
    memcpy(out, r->pending.data() + r->pendingPos, take);
    r->pendingPos += take;
    if (r->pendingPos == r->pending.size()) {
      r->pending.clear();
      r->pendingPos = 0;
    }
    *bytesRead = static_cast<DWORD>(take);
    return TRUE;
  }

  r->target = out;
  r->targetSize = bytesToRead;
  r->targetFilled = 0;
  if (r->paused) {
    r->paused = false;
    curl_easy_pause(r->easy, CURLPAUSE_CONT);  // may hand over the held chunk at once
  }
  if (r->targetFilled == 0 && !r->done) Drive(r, [r] { return r->targetFilled > 0 || r->paused; });
  const size_t got = r->targetFilled;
  r->target = nullptr;
  r->targetSize = r->targetFilled = 0;
  if (got > 0 || r->PendingLeft() > 0) {
    *bytesRead = static_cast<DWORD>(got);
    return TRUE;
  }
  if (r->done && r->result != CURLE_OK) {
    SetLastError(r->headerTooLarge ? ERROR_HTTP_INVALID_SERVER_RESPONSE : ErrorFromCurl(r->result, r->easy));
    return FALSE;
  }
  return TRUE;
}

}  // namespace

// A read fills the buffer unless the body ends first, as WinINet's
// synchronous read does: a short count means the end is near, never that
// the server was slow. Data is still handed over as it streams in, never
// collected in full first.
extern "C" BOOL InternetReadFile(HINTERNET request, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead) {
  Request* r = LookupAs<Request>(request);
  if (!r) {
    SetLastError(Lookup(request) ? ERROR_INTERNET_INCORRECT_HANDLE_TYPE : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!bytesRead || (!buffer && bytesToRead > 0)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  *bytesRead = 0;
  auto* out = static_cast<char*>(buffer);
  DWORD total = 0;
  while (total < bytesToRead) {
    DWORD got = 0;
    if (!ReadStep(r, out + total, bytesToRead - total, &got)) {
      if (total == 0) return FALSE;
      break;  // the failure is reported by the next read, after these bytes
    }
    if (got == 0) break;  // the end of the body
    total += got;
  }
  *bytesRead = total;
  return TRUE;
}
