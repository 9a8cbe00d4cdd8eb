// File handles and folder listings below the Win32 calls, for the library's
// own use (hidden in the shared library): the descriptor behind a file
// handle, a handle around a descriptor, and a folder's entries by type.
#pragma once

#include "KavroStd/platform/fileapi.h"
#include "KavroStd/platform/win_types.h"

namespace kavro::platform {

// The POSIX descriptor behind a file handle (the handle keeps owning it), or
// -1 for anything else.
int KvFileDescriptor(HANDLE file);
// Wraps an open descriptor in a file handle that owns it (CloseHandle closes
// it).
HANDLE KvHandleFromDescriptor(int fd);

// Calls visit(context, name, attributes) for every entry of a folder but "."
// and "..", in the order FindNextFileW gives them, with only the attributes
// the entry's type tells: FILE_ATTRIBUTE_DIRECTORY for a folder,
// FILE_ATTRIBUTE_REPARSE_POINT for a symbolic link (with
// FILE_ATTRIBUTE_DIRECTORY when it points to a folder), FILE_ATTRIBUTE_NORMAL
// otherwise. Files are not looked at one by one where the file system tells
// their type, so listing a large tree costs what reading its folders costs.
// FALSE, with the last error set, when the folder cannot be read.
typedef void (*KvFolderVisit)(void* context, const wchar_t* name, DWORD attributes);
BOOL KvListFolder(LPCWSTR folder, KvFolderVisit visit, void* context);

}  // namespace kavro::platform
