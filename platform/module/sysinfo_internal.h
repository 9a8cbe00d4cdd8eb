// The module handle the layer gives for "kernel32": it has no file; the
// system functions looked up through it come from sysinfo.cpp.
#pragma once

#include "KavroStd/platform/win_types.h"

namespace kavro::platform::detail {
HMODULE Kernel32Module();
}  // namespace kavro::platform::detail
