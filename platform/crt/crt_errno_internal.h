// The errno value the Windows runtime reports for the Win32 error of a
// failed file call (hidden in the shared library).
#pragma once

#include <cerrno>

#include "KavroStd/platform/win_errors.h"

namespace kavro::platform {
// Sets errno from GetLastError() and returns -1; `exists` is the errno for
// a name that is already taken (EEXIST for mkdir, EACCES for rename).
int FailFromLastError(int exists = EEXIST);
}  // namespace kavro::platform
