/// @file
/// @ingroup platform_layer
/// The shell's path functions (shlwapi) with their documented Windows
/// behaviour. They work on Windows path text: the string functions look at
/// backslashes only, as Windows does; the functions that ask the disk
/// (PathFileExistsW, PathIsDirectoryW) map the path as every file call does.
///
///   WCHAR out[MAX_PATH];
///   PathCanonicalizeW(out, L"C:\\a\\.\\b\\..\\c");          // "C:\a\c"
///   PathRelativePathToW(out, L"C:\\a", FILE_ATTRIBUTE_DIRECTORY,
///                       L"C:\\a\\b\\c.txt", 0);               // ".\b\c.txt"
///
/// Functions with a caller's output buffer assume MAX_PATH characters, as
/// on Windows, and fail when the result would not fit; the Kv forms below
/// have no length limit.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <string>

#include "KavroStd/platform/fileapi.h"

/// TRUE when a file or folder of that name exists.
KVSTD_C_API BOOL PathFileExistsW(LPCWSTR path);
/// FILE_ATTRIBUTE_DIRECTORY when path names an existing folder, else FALSE.
KVSTD_C_API BOOL PathIsDirectoryW(LPCWSTR path);
/// TRUE for "\", "X:\", "\\server" and "\\server\share" (no further
/// backslash); FALSE otherwise, also for a null or empty path.
KVSTD_C_API BOOL PathIsRootW(LPCWSTR path);
/// Resolves "." and ".." segments of path into out (MAX_PATH characters).
/// ".." never climbs above the root ("C:\.." is "C:\") nor removes a UNC
/// server or share; a bare drive gets its backslash ("C:" is "C:\"); an
/// empty path gives "\". FALSE with ERROR_INVALID_PARAMETER for null
/// arguments, ERROR_FILENAME_EXCED_RANGE when the result needs more than
/// MAX_PATH characters (out is then empty).
KVSTD_C_API BOOL PathCanonicalizeW(LPWSTR out, LPCWSTR path);
/// The path from `from` to `to` (MAX_PATH characters), each taken as a folder
/// when its attributes include FILE_ATTRIBUTE_DIRECTORY, else as a file whose
/// name is dropped first. Components compare without regard to case. The
/// result starts with ".\" when `to` lies below `from`, with "..\" for each
/// level to climb otherwise, and is "." for the same folder. FALSE (out
/// empty) when the paths share no root (other drives) or the result does not
/// fit.
KVSTD_C_API BOOL PathRelativePathToW(LPWSTR out, LPCWSTR from, DWORD fromAttributes, LPCWSTR to,
                                     DWORD toAttributes);
/// TRUE when file matches one of the wildcard patterns of spec, separated by
/// ';' (leading blanks of each ignored). Matching is the layer's Windows
/// wildcard match over the whole text, without regard to case; "*.*"
/// matches everything.
KVSTD_C_API BOOL PathMatchSpecW(LPCWSTR file, LPCWSTR spec);
/// The arguments of a command line: the text after the first space outside
/// double quotes, or the terminating zero when there is none. Null for null.
KVSTD_C_API LPWSTR PathGetArgsW(LPCWSTR path);
/// Cuts the arguments (and the space before them) off path in place.
KVSTD_C_API void PathRemoveArgsW(LPWSTR path);
/// Removes a pair of double quotes around the whole text in place; TRUE when
/// quotes were removed.
KVSTD_C_API BOOL PathUnquoteSpacesW(LPWSTR path);
