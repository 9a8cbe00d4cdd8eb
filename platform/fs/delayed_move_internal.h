// Moves and deletions registered for the next start (MoveFileExW with
// MOVEFILE_DELAY_UNTIL_REBOOT). The file service only validates the call;
// the registry service, which keeps the list where Windows keeps it,
// installs the recorder when the library loads.
#pragma once

#include <string>

#include "KavroStd/platform/win_types.h"

namespace kavro::platform {

// Records one pending operation: `from` (full Windows form) moved to `to`,
// or deleted when `to` is empty; `replace` lets the move replace an existing
// file. Returns a Win32 error code (ERROR_SUCCESS when recorded).
using DelayedMoveRecorder = DWORD (*)(const std::wstring& from, const std::wstring& to, bool replace);

// Installs the recorder; returns the one it replaces.
DelayedMoveRecorder SetDelayedMoveRecorder(DelayedMoveRecorder recorder);

}  // namespace kavro::platform
