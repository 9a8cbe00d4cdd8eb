/// @file
/// Registry access for the product modules. This header declares:
///
///   CRegOpr   one open registry key: create, open, attach, query and set
///             values, delete values, subkeys and whole subtrees
///   CReg      one-call operations below a root key (read or write a value,
///             delete a value, list subkeys, delete a subtree), each opening
///             and closing its key, with a flag for the 64-bit view
///
///   CRegOpr key;
///   if (key.Create(HKEY_CURRENT_USER, L"Software\\Kavro\\Demo") == ERROR_SUCCESS)
///     key.SetValue(L"blue", L"Colour");                 // REG_SZ, 10 bytes
///   CString colour;
///   CReg::QueryValueEx(HKEY_CURRENT_USER, L"Software\\Kavro\\Demo", L"Colour", colour, 0);
///
/// Results are Win32 error codes (ERROR_SUCCESS is 0) unless a comment says
/// otherwise. The 64-bit flag of CReg selects KEY_WOW64_64KEY only when it is
/// exactly 1. Sizes of text are UTF-16 bytes, two per character (see
/// KavroStd/platform/registry.h). A CRegOpr closes its key when destroyed;
/// copying one copies the handle without duplicating it, so only one of the
/// copies may close it.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/windows.h"

/// One open registry key; closed when the object is destroyed.
class KVSTD_API CRegOpr {
 public:
  ///@{
  /// Holds no key; the destructor closes the held key. A copy shares the
  /// handle (only one may close it).
  CRegOpr();
  ~CRegOpr();
  CRegOpr(const CRegOpr& other) = default;
  CRegOpr& operator=(const CRegOpr& other) = default;
  ///@}

  /// The held key, or null.
  operator HKEY() const;

  /// Closes the held key (0 when none is held).
  LONG Close();
  ///@{
  /// On success the new key replaces the held one (closed first) and the
  /// result is that close's; on failure the held key stays.
  LONG Create(HKEY parent, const wchar_t* name, wchar_t* keyClass = nullptr,
              DWORD options = REG_OPTION_NON_VOLATILE, DWORD access = KEY_ALL_ACCESS,
              SECURITY_ATTRIBUTES* security = nullptr, DWORD* disposition = nullptr);
  ///@}
  ///@{
  /// Opens parent\name; on success the new key replaces the held one (closed
  /// first), on failure the held key stays.
  LONG Open(HKEY parent, const wchar_t* name, DWORD access = KEY_ALL_ACCESS);
  ///@}
  /// Holds the handle; what was held is not closed.
  void Attach(HKEY key);
  /// Gives up the handle without closing it.
  HKEY Detach();

  /// A 4-byte value of any type (text gives its first four UTF-16 bytes, as
  /// on Windows).
  LONG QueryValue(DWORD& value, const wchar_t* name);
  ///@{
  /// Into the caller's buffer; *size is its size in UTF-16 bytes (in) and
  /// the value's size (out).
  LONG QueryValue(wchar_t* buffer, const wchar_t* name, DWORD* size);
  ///@}
  ///@{
  /// Stores value as REG_DWORD.
  LONG SetValue(DWORD value, const wchar_t* name);
  ///@}
  /// REG_SZ with its terminating zero; a null name is the default value.
  LONG SetValue(const wchar_t* text, const wchar_t* name = nullptr);
  ///@{
  /// Creates or opens parent\keyName with KEY_ALL_ACCESS and stores the text.
  static LONG SetValue(HKEY parent, const wchar_t* keyName, const wchar_t* text,
                       const wchar_t* name = nullptr);
  ///@}
  ///@{
  /// Creates or opens keyName below the held key and stores the text there.
  LONG SetKeyValue(const wchar_t* keyName, const wchar_t* text, const wchar_t* name = nullptr);
  ///@}
  ///@{
  /// A subkey without subkeys of its own.
  LONG DeleteSubKey(const wchar_t* name);
  ///@}
  ///@{
  /// Removes the named value.
  LONG DeleteValue(const wchar_t* name);
  ///@}
  /// The subkey with its whole subtree; children are opened with
  /// KEY_ALL_ACCESS, the subkey itself with `access`.
  LONG RecurseDeleteKey(const wchar_t* name, DWORD access = KEY_ALL_ACCESS);

  HKEY m_hKey;  ///< the held key, null when none
};

/// One-call registry operations below a root key, each opening and closing
/// its key.
class KVSTD_API CReg {
 public:
  ///@{
  /// Holds nothing; every operation is static.
  CReg();
  CReg(const CReg& other);
  CReg& operator=(const CReg& other);
  virtual ~CReg();
  ///@}

  ///@{
  /// The text of a value of any length (a string stored without its zero
  /// ends with its data). `text` is left as it was on failure.
  static LONG QueryValueEx(HKEY root, const wchar_t* subKey, const wchar_t* name, CString& text, int is64);
  ///@}
  ///@{
  /// Store text as REG_SZ, or number as REG_DWORD, in the value name of
  /// root\subKey, creating the key when missing.
  static LONG SetValue(HKEY root, const wchar_t* subKey, const wchar_t* text, const wchar_t* name, int is64);
  static LONG SetValue(HKEY root, const wchar_t* subKey, int number, const wchar_t* name, int is64);
  ///@}
  /// Creates the subkey when missing; the deletion's own result is not
  /// reported (0 once the key is open).
  static LONG DelValue(HKEY root, const wchar_t* subKey, const wchar_t* name, int is64);
  /// The names of the direct subkeys, whatever their length, in the
  /// registry's order. 0 (names untouched) when the key cannot be opened for
  /// reading, else 1.
  static int enumKeyName(HKEY root, const wchar_t* subKey, CStringArray& names, int is64);
  /// The subkey with its whole subtree; the root handle stays open.
  static LONG DelTreeKey(HKEY root, const wchar_t* subKey, int is64);
};
