// The handle registry: handles are small counters, never reused, so a stale
// handle is always recognised.
#include <mutex>
#include <unordered_map>

#include "KavroStd/platform/handleapi.h"
#include "platform/core/handles_internal.h"

namespace kavro::platform::detail {
namespace {
struct Registry {
  std::mutex lock;
  std::unordered_map<uintptr_t, std::unique_ptr<KernelObject>> objects;
  uintptr_t next = 0x1000;
};
Registry& TheRegistry() {
  static Registry* registry = new Registry;  // outlives every static object
  return *registry;
}
}  // namespace

HANDLE RegisterHandle(std::unique_ptr<KernelObject> object) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  uintptr_t id = r.next;
  r.next += 4;
  r.objects.emplace(id, std::move(object));
  return reinterpret_cast<HANDLE>(id);
}

KernelObject* LookupKernelObject(HANDLE handle) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  auto it = r.objects.find(reinterpret_cast<uintptr_t>(handle));
  return it == r.objects.end() ? nullptr : it->second.get();
}

bool CloseRegisteredHandle(HANDLE handle) {
  std::unique_ptr<KernelObject> doomed;
  {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.objects.find(reinterpret_cast<uintptr_t>(handle));
    if (it == r.objects.end()) return false;
    doomed = std::move(it->second);
    r.objects.erase(it);
  }
  return true;  // the object is destroyed outside the registry's lock
}

}  // namespace kavro::platform::detail

extern "C" BOOL CloseHandle(HANDLE handle) {
  if (!kavro::platform::detail::CloseRegisteredHandle(handle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  return TRUE;
}
