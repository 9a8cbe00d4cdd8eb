// HttpQueryInfoW over the final response's header block.
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include <string_view>

#include "KavroStd/platform/win_errors.h"
#include "platform/net/net_internal.h"

namespace kavro::platform::net {
namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r' || text.back() == '\n'))
    text.remove_suffix(1);
  return text;
}

std::string_view StatusLine(const std::string& raw) {
  size_t end = raw.find('\n');
  return Trim(std::string_view(raw).substr(0, end == std::string::npos ? raw.size() : end));
}

// The value of the `occurrence`-th header called `name`; false when absent.
bool HeaderValue(const std::string& raw, std::string_view name, DWORD occurrence, std::string_view& value) {
  size_t start = raw.find('\n');
  while (start != std::string::npos && start + 1 < raw.size()) {
    ++start;
    size_t end = raw.find('\n', start);
    std::string_view line(raw.data() + start, (end == std::string::npos ? raw.size() : end) - start);
    size_t colon = line.find(':');
    if (colon == name.size() && strncasecmp(line.data(), name.data(), name.size()) == 0 && occurrence-- == 0) {
      value = Trim(line.substr(colon + 1));
      return true;
    }
    start = end;
  }
  return false;
}

const char* HeaderName(DWORD level) {
  switch (level) {
    case HTTP_QUERY_CONTENT_TYPE: return "Content-Type";
    case HTTP_QUERY_CONTENT_LENGTH: return "Content-Length";
    case HTTP_QUERY_LOCATION: return "Location";
    default: return nullptr;
  }
}

}  // namespace
}  // namespace kavro::platform::net

using namespace kavro::platform::net;

extern "C" BOOL HttpQueryInfoW(HINTERNET request, DWORD infoLevel, LPVOID buffer, LPDWORD bufferLength,
                               LPDWORD index) {
  Request* r = LookupAs<Request>(request);
  if (!r) {
    SetLastError(Lookup(request) ? ERROR_INTERNET_INCORRECT_HANDLE_TYPE : ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if (!bufferLength) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  const DWORD level = infoLevel & HTTP_QUERY_HEADER_MASK;
  const bool number = (infoLevel & HTTP_QUERY_FLAG_NUMBER) != 0;
  const DWORD occurrence = index ? *index : 0;
  std::string_view value;
  std::string_view status = StatusLine(r->rawHeaders);
  size_t space = status.find(' ');
  if (level == HTTP_QUERY_STATUS_CODE || level == HTTP_QUERY_STATUS_TEXT) {
    if (space == std::string_view::npos || occurrence > 0) {
      SetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
      return FALSE;
    }
    std::string_view rest = Trim(status.substr(space + 1));
    size_t gap = rest.find(' ');
    value = level == HTTP_QUERY_STATUS_CODE ? rest.substr(0, gap)
                                            : (gap == std::string_view::npos ? std::string_view() : Trim(rest.substr(gap)));
  } else if (level == HTTP_QUERY_RAW_HEADERS_CRLF) {
    value = r->rawHeaders;
  } else if (const char* name = HeaderName(level)) {
    if (!HeaderValue(r->rawHeaders, name, occurrence, value)) {
      SetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
      return FALSE;
    }
  } else {
    SetLastError(ERROR_HTTP_HEADER_NOT_FOUND);
    return FALSE;
  }

  if (number) {
    if (!buffer || *bufferLength < sizeof(DWORD)) {
      *bufferLength = sizeof(DWORD);
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    *static_cast<DWORD*>(buffer) = static_cast<DWORD>(strtoul(std::string(value).c_str(), nullptr, 10));
    *bufferLength = sizeof(DWORD);
  } else {
    // Header bytes are Latin-1; lengths are in bytes, as on Windows.
    const DWORD needed = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    if (!buffer || *bufferLength < needed) {
      *bufferLength = needed;
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return FALSE;
    }
    auto* out = static_cast<wchar_t*>(buffer);
    for (size_t i = 0; i < value.size(); ++i) out[i] = static_cast<unsigned char>(value[i]);
    out[value.size()] = 0;
    *bufferLength = static_cast<DWORD>(value.size() * sizeof(wchar_t));
  }
  if (index) ++*index;
  return TRUE;
}
