// Permission bits that Windows has no attribute for.
#pragma once

#include "KavroStd/platform/win_types.h"

namespace kavro::platform {
// True when the file behind the handle is a regular file with an execute
// bit set (what a zip entry records as executable); false for other
// handles and on failure.
bool IsExecutableFile(HANDLE file);
}  // namespace kavro::platform
