// InternetGetConnectedState from the machine's own tables, without traffic:
// connected when an interface other than loopback is up and running with
// an address that is not link-local, and a usable route (IPv4 or IPv6)
// leaves through it.
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "KavroStd/platform/win_errors.h"
#include "platform/net/net_internal.h"

namespace {

constexpr unsigned kRouteUp = 0x0001;      // RTF_UP
constexpr unsigned kRouteReject = 0x0200;  // RTF_REJECT

std::set<std::string> ConfiguredInterfaces() {
  std::set<std::string> names;
  ifaddrs* list = nullptr;
  if (getifaddrs(&list) != 0) return names;
  for (ifaddrs* a = list; a; a = a->ifa_next) {
    if (!a->ifa_addr || (a->ifa_flags & IFF_LOOPBACK) || !(a->ifa_flags & IFF_UP) || !(a->ifa_flags & IFF_RUNNING))
      continue;
    if (a->ifa_addr->sa_family == AF_INET) {
      names.insert(a->ifa_name);
    } else if (a->ifa_addr->sa_family == AF_INET6) {
      const auto* v6 = reinterpret_cast<const sockaddr_in6*>(a->ifa_addr);
      if (!IN6_IS_ADDR_LINKLOCAL(&v6->sin6_addr) && !IN6_IS_ADDR_LOOPBACK(&v6->sin6_addr)) names.insert(a->ifa_name);
    }
  }
  freeifaddrs(list);
  return names;
}

// True when a route of the table at `path` that is up and not a reject
// route leaves through one of `names`. `ipv6` picks the table's layout.
bool HasRouteThrough(const char* path, bool ipv6, const std::set<std::string>& names) {
  FILE* f = fopen(path, "re");
  if (!f) return false;
  char line[512];
  bool found = false;
  bool header = !ipv6;  // the IPv4 table starts with a line of column names
  while (!found && fgets(line, sizeof(line), f)) {
    if (header) {
      header = false;
      continue;
    }
    char iface[64] = {};
    unsigned flags = 0;
    if (ipv6) {
      // destination, prefix, source, prefix, next hop, metric, refs, use, flags, interface
      if (sscanf(line, "%*s %*s %*s %*s %*s %*s %*s %*s %x %63s", &flags, iface) != 2) continue;
    } else {
      // interface, destination, gateway, flags, ...
      if (sscanf(line, "%63s %*s %*s %x", iface, &flags) != 2) continue;
    }
    found = (flags & kRouteUp) && !(flags & kRouteReject) && names.count(iface);
  }
  fclose(f);
  return found;
}

bool ProxyConfigured() {
  for (const char* name : {"http_proxy", "https_proxy", "HTTPS_PROXY", "ALL_PROXY", "all_proxy"}) {
    const char* value = getenv(name);
    if (value && *value) return true;
  }
  return false;
}

}  // namespace

extern "C" BOOL InternetGetConnectedState(LPDWORD flags, DWORD) {
  const std::set<std::string> names = ConfiguredInterfaces();
  const bool connected = !names.empty() && (HasRouteThrough("/proc/net/route", false, names) ||
                                            HasRouteThrough("/proc/net/ipv6_route", true, names));
  DWORD state = 0;
  if (connected) {
    state = INTERNET_CONNECTION_LAN;
    if (ProxyConfigured()) state |= INTERNET_CONNECTION_PROXY;
  }
  if (flags) *flags = state;
  SetLastError(ERROR_SUCCESS);
  return connected ? TRUE : FALSE;
}
