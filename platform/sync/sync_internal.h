// Kernel objects that WaitForSingleObject can wait on.
#pragma once

#include "KavroStd/platform/sync.h"
#include "platform/core/handles_internal.h"

namespace kavro::platform::detail {

struct WaitableObject : KernelObject {
  // WAIT_OBJECT_0, WAIT_ABANDONED, WAIT_TIMEOUT, or WAIT_FAILED with the last
  // error set.
  virtual DWORD Wait(DWORD milliseconds) = 0;
};

}  // namespace kavro::platform::detail
