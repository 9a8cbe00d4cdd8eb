// InternetOpenW, InternetCloseHandle and the timeout options of a session.
#include <cwchar>

#include "KavroStd/platform/win_errors.h"
#include "platform/net/net_internal.h"

namespace kavro::platform::net {
namespace {

// A WinINet bypass list ("<local>;*.corp.example host2") as curl's no-proxy
// list ("localhost,127.0.0.1,::1,.corp.example,host2").
std::string BypassList(const std::string& windows) {
  std::string out, token;
  auto flush = [&] {
    if (token.empty()) return;
    if (token == "<local>") token = "localhost,127.0.0.1,::1";
    else if (token.rfind("*.", 0) == 0) token.erase(0, 1);
    else if (token == "*") token = "*";
    if (!out.empty()) out += ',';
    out += token;
    token.clear();
  };
  for (char c : windows) {
    if (c == ' ' || c == ';' || c == ',' || c == '\t') flush();
    else token += c;
  }
  flush();
  return out;
}

DWORD* TimeoutField(Session* session, DWORD option) {
  switch (option) {
    case INTERNET_OPTION_CONNECT_TIMEOUT: return &session->connectTimeoutMs;
    case INTERNET_OPTION_RECEIVE_TIMEOUT:
    case INTERNET_OPTION_SEND_TIMEOUT: return &session->receiveTimeoutMs;
    default: return nullptr;
  }
}

}  // namespace
}  // namespace kavro::platform::net

using namespace kavro::platform::net;

extern "C" HINTERNET InternetOpenW(LPCWSTR agent, DWORD accessType, LPCWSTR proxy, LPCWSTR proxyBypass, DWORD) {
  if (accessType != INTERNET_OPEN_TYPE_PRECONFIG && accessType != INTERNET_OPEN_TYPE_DIRECT &&
      accessType != INTERNET_OPEN_TYPE_PROXY && accessType != INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  if (accessType == INTERNET_OPEN_TYPE_PROXY && (!proxy || !*proxy)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  EnsureCurl();
  auto session = std::make_unique<Session>();
  session->agent = Utf8(agent);
  session->accessType = accessType == INTERNET_OPEN_TYPE_PRECONFIG_WITH_NO_AUTOPROXY ? INTERNET_OPEN_TYPE_PRECONFIG
                                                                                    : accessType;
  if (accessType == INTERNET_OPEN_TYPE_PROXY) {
    session->proxy = Utf8(proxy);
    session->bypass = BypassList(Utf8(proxyBypass));
  }
  HINTERNET handle = Register(std::move(session));
  SetLastError(ERROR_SUCCESS);
  return handle;
}

extern "C" BOOL InternetCloseHandle(HINTERNET handle) {
  if (!Close(handle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}

namespace {

// The session's timeout an option names; null with the last error set for
// a handle that is no session or an option that is no timeout.
DWORD* OptionField(HINTERNET handle, DWORD option) {
  InternetObject* object = Lookup(handle);
  auto* session = dynamic_cast<Session*>(object);
  if (!session) {
    SetLastError(object ? ERROR_INTERNET_INCORRECT_HANDLE_TYPE : ERROR_INTERNET_INVALID_OPTION);
    return nullptr;
  }
  DWORD* field = TimeoutField(session, option);
  if (!field) SetLastError(ERROR_INTERNET_INVALID_OPTION);
  return field;
}

}  // namespace

extern "C" BOOL InternetSetOptionW(HINTERNET handle, DWORD option, LPVOID buffer, DWORD bufferLength) {
  DWORD* field = OptionField(handle, option);
  if (!field) return FALSE;
  if (!buffer || bufferLength != sizeof(DWORD)) {
    SetLastError(ERROR_INTERNET_BAD_OPTION_LENGTH);
    return FALSE;
  }
  *field = *static_cast<DWORD*>(buffer);
  return TRUE;
}

extern "C" BOOL InternetQueryOptionW(HINTERNET handle, DWORD option, LPVOID buffer, LPDWORD bufferLength) {
  DWORD* field = OptionField(handle, option);
  if (!field) return FALSE;
  if (!bufferLength) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!buffer || *bufferLength < sizeof(DWORD)) {
    *bufferLength = sizeof(DWORD);
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  *static_cast<DWORD*>(buffer) = *field;
  *bufferLength = sizeof(DWORD);
  return TRUE;
}
