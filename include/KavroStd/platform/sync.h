/// @file
/// @ingroup platform_layer
/// Mutexes, named and unnamed, with the Win32 calls.
///
///   HANDLE m = CreateMutexW(nullptr, FALSE, L"KavrodeskForAutoCAD");
///   if (GetLastError() == ERROR_ALREADY_EXISTS) { /* another holder exists */ }
///   if (WaitForSingleObject(m, 1000) == WAIT_OBJECT_0) { ...; ReleaseMutex(m); }
///   CloseHandle(m);
///
/// A mutex is owned by a thread and is recursive for it, as on Windows. A
/// named mutex is one object for every process of the user: its name exists
/// while any process holds a handle to it, and it vanishes with the last
/// holder (also when a holder is killed). Names are case-sensitive; the
/// prefixes "Global\" and "Local\" are accepted and name the same object as
/// the bare name (one namespace per user). When the owning thread ends, or
/// the owning process dies, without releasing it, the next wait gets
/// WAIT_ABANDONED and owns the mutex.
///
/// Each name is kept as lock files in a private runtime folder: the folder in
/// KAVRO_RUNTIME_DIR if set; else "kavro" in $XDG_RUNTIME_DIR if that is a
/// folder of the user's own; else /tmp/kavro-<uid>, created with mode 0700 and
/// refused (ERROR_ACCESS_DENIED) unless it is a real folder owned by the user
/// that nobody else can write. The files stay; the locks on them, which the
/// system drops when a process ends, carry the state.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/handleapi.h"
#include "KavroStd/platform/win_errors.h"
#include "KavroStd/platform/win_types.h"

#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_ABANDONED_0 WAIT_ABANDONED
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

#define SYNCHRONIZE 0x00100000u
#define MUTEX_MODIFY_STATE 0x0001u
#define MUTEX_ALL_ACCESS 0x001F0001u

/// A new mutex (null or empty name: unnamed), or a new handle to the
/// existing one of that name, with ERROR_ALREADY_EXISTS set (initialOwner is
/// then ignored). Null on failure: ERROR_FILENAME_EXCED_RANGE for a name over
/// MAX_PATH characters, ERROR_ACCESS_DENIED for an unusable runtime folder.
KVSTD_C_API HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES security, BOOL initialOwner, LPCWSTR name);
/// A new handle to the named mutex; null with ERROR_FILE_NOT_FOUND when no
/// process holds one, ERROR_INVALID_PARAMETER for a null name.
KVSTD_C_API HANDLE OpenMutexW(DWORD access, BOOL inheritHandle, LPCWSTR name);
/// FALSE with ERROR_NOT_OWNER when the calling thread does not own it,
/// ERROR_INVALID_HANDLE for a handle that is not a mutex.
KVSTD_C_API BOOL ReleaseMutex(HANDLE mutex);
/// WAIT_OBJECT_0 (now owned), WAIT_ABANDONED (owned; the last owner ended
/// without releasing), WAIT_TIMEOUT, or WAIT_FAILED with ERROR_INVALID_HANDLE.
/// Milliseconds, or INFINITE.
KVSTD_C_API DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
