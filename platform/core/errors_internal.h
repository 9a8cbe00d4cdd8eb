// The one place where POSIX errno values become Win32 error codes.
#pragma once

#include "KavroStd/platform/win_errors.h"

namespace kavro::platform {
DWORD Win32ErrorFromErrno(int errnoValue);
// Sets the thread's last error from errno and returns the Win32 code.
DWORD SetLastErrorFromErrno(int errnoValue);
// The system message of a Win32 code, without the trailing CR LF; empty for
// an unknown code.
const wchar_t* SystemMessageText(DWORD code);
}  // namespace kavro::platform
