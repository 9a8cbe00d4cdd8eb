// Kernel objects behind HANDLE values. Every handle the layer gives out is
// registered here; a handle that is stale, closed or of another kind is
// refused by LookupHandle.
#pragma once

#include <memory>

#include "KavroStd/platform/win_types.h"

namespace kavro::platform::detail {

struct KernelObject {
  virtual ~KernelObject() = default;
};

// Takes ownership; returns the new handle (never null or
// INVALID_HANDLE_VALUE).
HANDLE RegisterHandle(std::unique_ptr<KernelObject> object);
// The object behind a live handle, or nullptr.
KernelObject* LookupKernelObject(HANDLE handle);
template <class T>
T* LookupHandle(HANDLE handle) {
  return dynamic_cast<T*>(LookupKernelObject(handle));
}
// Unregisters and destroys; false for an unknown handle.
bool CloseRegisteredHandle(HANDLE handle);

}  // namespace kavro::platform::detail
