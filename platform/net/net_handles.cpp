// The HINTERNET table, libcurl's one-time start, UTF-8 text for curl.
#include <cstdint>
#include <cwchar>
#include <map>
#include <mutex>

#include "KavroStd/platform/win_errors.h"
#include "platform/net/net_internal.h"
#include "platform/strings/codepage_internal.h"

namespace kavro::platform::net {
namespace {

std::mutex g_lock;
std::map<uintptr_t, std::unique_ptr<InternetObject>>& Table() {
  static auto* table = new std::map<uintptr_t, std::unique_ptr<InternetObject>>;
  return *table;
}
// Handle values are never reused, so a stale handle is refused rather than
// taken for a newer object.
uintptr_t g_next = 0xCC0000;

}  // namespace

HINTERNET Register(std::unique_ptr<InternetObject> object) {
  std::lock_guard<std::mutex> hold(g_lock);
  g_next += 4;
  Table()[g_next] = std::move(object);
  return reinterpret_cast<HINTERNET>(g_next);
}

InternetObject* Lookup(HINTERNET handle) {
  std::lock_guard<std::mutex> hold(g_lock);
  auto it = Table().find(reinterpret_cast<uintptr_t>(handle));
  return it == Table().end() ? nullptr : it->second.get();
}

bool Close(HINTERNET handle) {
  std::unique_ptr<InternetObject> gone;
  {
    std::lock_guard<std::mutex> hold(g_lock);
    auto it = Table().find(reinterpret_cast<uintptr_t>(handle));
    if (it == Table().end()) return false;
    gone = std::move(it->second);
    Table().erase(it);
  }
  return true;  // destroyed outside the lock
}

void EnsureCurl() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string Utf8(const wchar_t* text, size_t length) {
  std::string out;
  EncodeUtf8(text, length, out, false, nullptr);
  return out;
}

std::string Utf8(const wchar_t* text) { return text ? Utf8(text, wcslen(text)) : std::string(); }

}  // namespace kavro::platform::net
