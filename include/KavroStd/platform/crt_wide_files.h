/// @file
/// @ingroup platform_layer
/// The Windows C runtime's wide file, path and environment functions. Paths
/// are Windows paths, mapped as the file calls of fileapi.h map them; errors
/// are reported in errno with the codes Windows gives.
///
/// _wfopen's text mode ("t" or no "b") writes LF as CR LF and reads CR LF as
/// LF (a lone CR and Ctrl-Z are data); its positions are byte offsets in the
/// file. "b" opens the file untranslated. A mode with ", ccs=" fails with
/// EINVAL.
///   FILE* f = _wfopen(L"C:\\data\\list.txt", L"w");   // text: CR LF on disk
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <cstdio>

#include "KavroStd/platform/crt_wide.h"

KVSTD_C_API FILE* _wfopen(const wchar_t* path, const wchar_t* mode);
KVSTD_C_API errno_t _wfopen_s(FILE** file, const wchar_t* path, const wchar_t* mode);
/// A file only; a read-only file or a folder is refused (EACCES).
KVSTD_C_API int _wremove(const wchar_t* path);
KVSTD_C_API int _wunlink(const wchar_t* path);
/// Files and folders; an existing target is refused (EACCES).
KVSTD_C_API int _wrename(const wchar_t* from, const wchar_t* to);
/// mode 0 (exists), 2 (write), 4 (read), 6; other bits are EINVAL. A folder
/// is only checked for existence.
KVSTD_C_API int _waccess(const wchar_t* path, int mode);
KVSTD_C_API errno_t _waccess_s(const wchar_t* path, int mode);
KVSTD_C_API int _wmkdir(const wchar_t* path);
KVSTD_C_API int _wrmdir(const wchar_t* path);
KVSTD_C_API int _wchdir(const wchar_t* path);
/// The current folder in Windows form; a null buffer is malloc'd (at least
/// `size` elements).
KVSTD_C_API wchar_t* _wgetcwd(wchar_t* buffer, int size);
/// The absolute Windows path of `path` (the current folder when null or
/// empty), "." and ".." resolved; a null buffer is malloc'd. Null (ERANGE)
/// when the result does not fit `size`.
KVSTD_C_API wchar_t* _wfullpath(wchar_t* buffer, const wchar_t* path, size_t size);

/// Joins drive ("C" or "C:"), folder (a separator added when missing), name
/// and extension (a "." added when missing); null or empty parts are left out.
KVSTD_C_API void _wmakepath(wchar_t* path, const wchar_t* drive, const wchar_t* dir,
                            const wchar_t* fname, const wchar_t* ext);
KVSTD_C_API errno_t _wmakepath_s(wchar_t* path, size_t size, const wchar_t* drive,
                                 const wchar_t* dir, const wchar_t* fname, const wchar_t* ext);
/// _wsplitpath with sizes: a null part needs size 0; a part that does not fit
/// empties every part and gives ERANGE.
KVSTD_C_API errno_t _wsplitpath_s(const wchar_t* path, wchar_t* drive, size_t driveSize,
                                  wchar_t* dir, size_t dirSize, wchar_t* fname, size_t fnameSize,
                                  wchar_t* ext, size_t extSize);

/// The environment. Names are matched without regard to case when no
/// variable has the exact name, as on Windows. _wgetenv's text stays valid
/// and unchanged for the life of the process (the caller never frees it); a
/// later change of the variable gives a new pointer.
KVSTD_C_API wchar_t* _wgetenv(const wchar_t* name);
/// *needed is the size with the zero (0 when the variable is missing).
KVSTD_C_API errno_t _wgetenv_s(size_t* needed, wchar_t* buffer, size_t size, const wchar_t* name);
/// A malloc'd copy (null when missing); *size counts the zero and may be null.
KVSTD_C_API errno_t _wdupenv_s(wchar_t** value, size_t* size, const wchar_t* name);
/// "NAME=value"; "NAME=" removes the variable.
KVSTD_C_API int _wputenv(const wchar_t* assignment);
KVSTD_C_API errno_t _wputenv_s(const wchar_t* name, const wchar_t* value);

template <size_t N>
errno_t _wmakepath_s(wchar_t (&path)[N], const wchar_t* drive, const wchar_t* dir,
                     const wchar_t* fname, const wchar_t* ext) {
  return _wmakepath_s(path, N, drive, dir, fname, ext);
}
template <size_t D, size_t P, size_t F, size_t E>
errno_t _wsplitpath_s(const wchar_t* path, wchar_t (&drive)[D], wchar_t (&dir)[P],
                      wchar_t (&fname)[F], wchar_t (&ext)[E]) {
  return _wsplitpath_s(path, drive, D, dir, P, fname, F, ext, E);
}
