/// @file
/// @ingroup platform_layer
/// The profile (INI) API: values in text files of "[section]" header lines and
/// "key=value" lines, read and written through their Win32 names so that the
/// files stay shared with Windows installations.
///
///   [Paths]
///   Download = Z:\srv\download      ; key "Download", value "Z:\srv\download ..."
///
///   wchar_t buf[256];
///   GetPrivateProfileStringW(L"paths", L"DOWNLOAD", L"", buf, 256, L"Z:\\etc\\a.ini");
///   WritePrivateProfileStringW(L"Paths", L"Download", L"/tmp", L"Z:\\etc\\a.ini");
///
/// File syntax as read:
///  - A line ends at CR, LF or CR LF, as on Windows.
///  - Blanks are space, tab, CR, VT and FF. Names and values lose their leading
///    and trailing blanks; a value enclosed in matching quotes (both ' or both ")
///    loses them.
///  - A header is a line whose first non-blank character is '['; the name lies
///    between the '[' and the line's last ']', or runs to the line's end when
///    it has none.
///  - A line whose first non-blank character is ';' is a comment: never matched
///    and never listed.
///  - Inside a section, a line with '=' is a key: the name is the text before
///    the first '=', the value the text after it. A line without '=' is no key:
///    reads never match it and the key-name list leaves it out, but the section
///    listing (GetPrivateProfileSectionW) returns it as its trimmed text.
///  - Lines above the first header belong to no section and are never matched.
///  - The text of a line ends at a NUL character; the rest of that line is
///    ignored by reads (and kept by writes).
///  - Section and key names match without regard to case (Unicode simple case
///    mapping); the names a caller passes lose their blanks at both ends too.
///    When a section name occurs twice, the first occurrence is the section:
///    reads, key lists and new keys use it alone. Within a section the first
///    line of a key name wins. The name lists give a name as often as the file
///    holds it, as Windows does.
///
/// Encoding: a file starting with FF FE is UTF-16LE (surrogate pairs are joined
/// into one wchar_t on reading and split on writing), one starting with EF BB BF
/// is UTF-8, any other file is in the process's ANSI code page (GetACP). Bytes
/// invalid in the encoding read as U+FFFD or '?'. A write keeps the file's
/// encoding and its mark. A new file is ANSI, as on Windows: characters the code
/// page cannot show are stored as '?'.
///
/// Paths are Windows paths mapped as fileapi.h describes; a name without a
/// folder is taken relative to the current folder (there is no Windows folder).
///
/// Writes: each write is one read-modify-write of the whole file under an
/// exclusive lock, replacing the file atomically (docs/platform.md): a
/// concurrent reader sees the old or the new file, two writers never lose each
/// other's change, and a killed writer leaves the old or the new file. Power-loss
/// durability is not promised (no fsync). Lines a write does not change are
/// written back byte for byte. A changed key's line becomes the stored key
/// spelling, "=" and the new value, with the line end it had (CR LF when it had
/// none); a new key goes after the last key line of its section (before the
/// comments and blank lines that close it), a new section at the end of the
/// file (after a CR LF when the file does not end with a line end); new lines
/// end with CR LF. Deleting what is not there succeeds and leaves the file
/// untouched; deleting from a missing file leaves an empty file, as on Windows.
///
/// Every function may be called from any thread; readers take no lock.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/win_errors.h"
#include "KavroStd/platform/win_types.h"

/// Copies the value of `key` in section `app` into `out` (size units with the
/// terminating zero) and returns its length without the zero. Missing file,
/// section or key: the default (null reads as "") without its trailing blanks,
/// last error ERROR_FILE_NOT_FOUND (or the error of opening the file: a folder
/// gives ERROR_ACCESS_DENIED, an unmapped drive the path mapping's error). The
/// default loses trailing spaces only (a tab stays). A value too long for the
/// buffer is cut and zero-terminated; the result is then size-1
/// (ERROR_MORE_DATA).
/// Null `app`: the list of section names; null `key`: the list of key names of
/// the section. A list holds each name zero-terminated and ends with an extra
/// zero; the result counts every unit but that last zero; a buffer too small,
/// or one that holds the list only exactly, gets as much as fits plus two
/// zeros, and the result is size-2 (Windows' count). A missing file gives one
/// zero. size 0 gives 0 and leaves `out` alone.
KVSTD_C_API DWORD GetPrivateProfileStringW(LPCWSTR app, LPCWSTR key, LPCWSTR def, LPWSTR out,
                                           DWORD size, LPCWSTR file);

/// Sets `key` of section `app` to `value`, creating the file, the section or
/// the key as needed. Null `value` deletes the key (from every occurrence of
/// the section); null `key` deletes the section (every occurrence: its header
/// and its lines up to the next header, except comment lines, which stay).
/// Returns FALSE with the last error set: null `app` (ERROR_FILE_NOT_FOUND as
/// on Windows, file untouched; all three null is a flush and returns TRUE), a name or value holding CR or LF (ERROR_INVALID_PARAMETER: it would
/// split the line), a read-only file or a folder in the file's place
/// (ERROR_ACCESS_DENIED, file unchanged), a missing folder
/// (ERROR_PATH_NOT_FOUND; folders are not created), an unmapped drive (the
/// error of the path mapping).
KVSTD_C_API BOOL WritePrivateProfileStringW(LPCWSTR app, LPCWSTR key, LPCWSTR value, LPCWSTR file);

/// The value of `key` as an integer: leading blanks, an optional sign, then
/// decimal digits up to the first other character (no digits: 0), wrapping at
/// 32 bits; a negative number comes back as its two's complement. Missing or
/// empty value: `def`.
KVSTD_C_API UINT GetPrivateProfileIntW(LPCWSTR app, LPCWSTR key, INT def, LPCWSTR file);

/// The section names of the file, as GetPrivateProfileStringW with a null app.
KVSTD_C_API DWORD GetPrivateProfileSectionNamesW(LPWSTR out, DWORD size, LPCWSTR file);

/// Every line of section `app` in list form (each zero-terminated, an extra zero
/// at the end): keys as "name=value" with name and value trimmed (quotes kept),
/// other non-blank, non-comment lines as their trimmed text. A short buffer
/// gives size-2, as the name lists do. Missing file or section: an empty list.
KVSTD_C_API DWORD GetPrivateProfileSectionW(LPCWSTR app, LPWSTR out, DWORD size, LPCWSTR file);
