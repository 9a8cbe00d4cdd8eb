/// @file
/// @ingroup platform_layer
/// The registry API: keys and typed values under the predefined roots, kept in
/// one regedit-export file per root ("HKEY_CURRENT_USER.reg", ...) in the
/// store folder: $KAVRO_REGISTRY_DIR, else $XDG_DATA_HOME/kavro/registry,
/// else ~/.local/share/kavro/registry (folder 0700, files 0600).
///
///   HKEY key;
///   RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Kavro", 0, nullptr, 0,
///                   KEY_ALL_ACCESS, nullptr, &key, nullptr);
///   DWORD n = 5;
///   RegSetValueExW(key, L"Count", 0, REG_DWORD, (const BYTE*)&n, 4);
///   RegCloseKey(key);
///
/// Names of keys and values match without regard to case and keep the case
/// they were created with; key names hold up to 255 UTF-16 units, value names
/// up to 16,383. Values keep their type and bytes exactly. Every call returns
/// a Win32 error code (ERROR_SUCCESS, ERROR_FILE_NOT_FOUND, ERROR_MORE_DATA,
/// ERROR_NO_MORE_ITEMS, ERROR_ACCESS_DENIED, ERROR_INVALID_HANDLE,
/// ERROR_KEY_DELETED, ERROR_BADDB for a store file that does not parse, ...).
///
/// Sizes of data are counted as Windows counts them. The data of the string
/// types (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ, REG_LINK) is wide text
/// (wchar_t) at the call and UTF-16 in the store; its sizes are UTF-16 bytes:
/// 2 per character, 4 for a character beyond U+FFFF. So a wchar_t buffer of N
/// characters is passed with the size N * 2 (not sizeof, which is N * 4 here)
/// and receives at most N units. Other types cross as raw bytes. Name buffers
/// (RegEnumKeyExW, RegEnumValueW) count wchar_t characters.
///
/// Every change is a locked read-modify-write and an atomic replace of the
/// root's file, so processes never lose each other's changes and a reader
/// sees a change as soon as the call that made it returns. Details and the
/// decisions on HKEY_CLASSES_ROOT and the WOW64 views: docs/platform.md,
/// "Registry".
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/win_types.h"
#include "KavroStd/platform/win_errors.h"

struct HKEY__;
typedef HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef DWORD ACCESS_MASK;
typedef ACCESS_MASK REGSAM;
typedef LONG LSTATUS;


// The predefined roots; as in Windows' headers, sign-extended 32-bit values
// (only their low 32 bits are looked at).
#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)((LONG)0x80000000))
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)((LONG)0x80000001))
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)((LONG)0x80000002))
#define HKEY_USERS ((HKEY)(ULONG_PTR)((LONG)0x80000003))
#define HKEY_PERFORMANCE_DATA ((HKEY)(ULONG_PTR)((LONG)0x80000004))
#define HKEY_CURRENT_CONFIG ((HKEY)(ULONG_PTR)((LONG)0x80000005))

// Access rights.
#define DELETE 0x00010000L
#define READ_CONTROL 0x00020000L
#define WRITE_DAC 0x00040000L
#define WRITE_OWNER 0x00080000L
#ifndef SYNCHRONIZE
#define SYNCHRONIZE 0x00100000u
#endif
#define STANDARD_RIGHTS_READ READ_CONTROL
#define STANDARD_RIGHTS_WRITE READ_CONTROL
#define STANDARD_RIGHTS_EXECUTE READ_CONTROL
#define STANDARD_RIGHTS_REQUIRED 0x000F0000L
#define STANDARD_RIGHTS_ALL 0x001F0000L
#define MAXIMUM_ALLOWED 0x02000000L
#ifndef GENERIC_READ
#define GENERIC_READ 0x80000000u
#define GENERIC_WRITE 0x40000000u
#define GENERIC_EXECUTE 0x20000000u
#define GENERIC_ALL 0x10000000u
#endif
#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_WOW64_32KEY 0x0200
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_RES 0x0300
#define KEY_READ ((STANDARD_RIGHTS_READ | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY) & (~SYNCHRONIZE))
#define KEY_WRITE ((STANDARD_RIGHTS_WRITE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY) & (~SYNCHRONIZE))
#define KEY_EXECUTE ((KEY_READ) & (~SYNCHRONIZE))
#define KEY_ALL_ACCESS                                                                              \
  ((STANDARD_RIGHTS_ALL | KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS | \
    KEY_NOTIFY | KEY_CREATE_LINK) &                                                                 \
   (~SYNCHRONIZE))

// Value types.
#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_DWORD_LITTLE_ENDIAN 4
#define REG_DWORD_BIG_ENDIAN 5
#define REG_LINK 6
#define REG_MULTI_SZ 7
#define REG_RESOURCE_LIST 8
#define REG_FULL_RESOURCE_DESCRIPTOR 9
#define REG_RESOURCE_REQUIREMENTS_LIST 10
#define REG_QWORD 11
#define REG_QWORD_LITTLE_ENDIAN 11

// Creation options and dispositions.
#define REG_OPTION_RESERVED 0x00000000L
#define REG_OPTION_NON_VOLATILE 0x00000000L
#define REG_OPTION_VOLATILE 0x00000001L
#define REG_OPTION_CREATE_LINK 0x00000002L
#define REG_OPTION_BACKUP_RESTORE 0x00000004L
#define REG_OPTION_OPEN_LINK 0x00000008L
#define REG_CREATED_NEW_KEY 0x00000001L
#define REG_OPENED_EXISTING_KEY 0x00000002L

KVSTD_C_API LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options,
                                    REGSAM desired, const SECURITY_ATTRIBUTES* security, PHKEY result,
                                    LPDWORD disposition);
KVSTD_C_API LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM desired, PHKEY result);
KVSTD_C_API LSTATUS RegCloseKey(HKEY key);
KVSTD_C_API LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                                     LPDWORD dataSize);
KVSTD_C_API LSTATUS RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                                   DWORD dataSize);
/// Deletes a key that has no subkeys; an empty name deletes `key` itself.
KVSTD_C_API LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey);
/// The same in the view that `desired` names (KEY_WOW64_32KEY / 64KEY).
KVSTD_C_API LSTATUS RegDeleteKeyExW(HKEY key, LPCWSTR subKey, REGSAM desired, DWORD reserved);
KVSTD_C_API LSTATUS RegDeleteValueW(HKEY key, LPCWSTR valueName);
/// Subkeys come sorted without regard to case, as Windows keeps them; values
/// in the order they were first set.
KVSTD_C_API LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameChars, LPDWORD reserved,
                                  LPWSTR keyClass, LPDWORD classChars, FILETIME* lastWrite);
KVSTD_C_API LSTATUS RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameChars, LPDWORD reserved,
                                  LPDWORD type, LPBYTE data, LPDWORD dataSize);
KVSTD_C_API LSTATUS RegQueryInfoKeyW(HKEY key, LPWSTR keyClass, LPDWORD classChars, LPDWORD reserved,
                                     LPDWORD subKeys, LPDWORD maxSubKeyLen, LPDWORD maxClassLen, LPDWORD values,
                                     LPDWORD maxValueNameLen, LPDWORD maxValueLen, LPDWORD securityDescriptor,
                                     FILETIME* lastWrite);
/// Every change is on disk when its call returns: nothing to flush.
KVSTD_C_API LSTATUS RegFlushKey(HKEY key);

/// .reg files (regedit's "Windows Registry Editor Version 5.00" export form,
/// written in UTF-16LE with a byte-order mark; read in UTF-16LE, UTF-8 or
/// ASCII). KvRegExport writes the key named by its full path
/// ("HKEY_CURRENT_USER\\Software\\X", short root names such as HKCU work too)
/// with its whole subtree to `file` (replacing it); ERROR_FILE_NOT_FOUND when
/// the key does not exist. KvRegImport applies a .reg file: sections create
/// keys, "[-path]" deletes a subtree, "name"=- deletes a value. The whole
/// file is parsed before anything is applied: a file that does not parse
/// gives ERROR_INVALID_DATA with its line number in *errorLine (when not
/// null) and changes nothing. Each root's changes are one atomic write.
KVSTD_C_API LSTATUS KvRegExport(LPCWSTR keyPath, LPCWSTR file);
KVSTD_C_API LSTATUS KvRegImport(LPCWSTR file, LPDWORD errorLine);
