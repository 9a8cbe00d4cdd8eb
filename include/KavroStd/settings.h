/// @file
/// Settings. This header declares:
///
///   CDataFile   typed values in one INI file through the profile API, and
///               removal of sections and keys
///   CLanguage   the user-interface language: its language files, strings
///               and dialog texts
///   CJSysVar    system variables: named, typed settings shared by the
///               product modules, with built-in defaults
///   CRegOpr, CReg  registry access (declared in reg.h, included here)
///
/// CDataFile binds one INI file path and reads and writes typed values through
/// the Windows profile API (section and key names match without regard to
/// case; the file is opened and closed by each call, nothing is cached):
///
///   CDataFile ini(L"Z:\\opt\\kavro\\Support\\Location\\KavroStd.ini");
///   ini.SetData(L"Setting", L"Precision", 3.14159);   // stored as "3.14"
///   int n = ini.GetData(L"Setting", L"Count", 0);     // 0 when missing
///
/// Integers are stored as "%d", doubles with exactly two decimals ("%.2f").
/// A list stored under a key name K takes the keys KCount, K1 ... KN. Reads
/// never fail: a missing file, section or key gives the default. Meant for the
/// host's main thread.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/windows.h"
#include "KavroStd/reg.h"

/// Typed values in one INI file through the profile API.
class KVSTD_API CDataFile {
 public:
  ///@{
  /// No path; SetPath before use. The path form binds path; copies copy the
  /// path.
  CDataFile();
  explicit CDataFile(CString path);
  CDataFile(const CDataFile& other);
  CDataFile& operator=(const CDataFile& other);
  virtual ~CDataFile();
  ///@}

  /// Binds the INI file path (nothing is read yet).
  void SetPath(CString path);

  /// Raw text: the profile API's result (characters copied, without the
  /// terminator). Null section or key names ask for the lists of names.
  DWORD GetData(const wchar_t* section, const wchar_t* key, const wchar_t* def, wchar_t* buffer,
                DWORD size);
  /// Nonzero on success; a null value deletes the key, a null key the section.
  BOOL SetData(const wchar_t* section, const wchar_t* key, const wchar_t* value);

  ///@{
  /// Typed reads return the number of characters read; values longer than
  /// the read buffer (31 characters for integers, 511 for doubles, 2047 for
  /// strings) are cut.
  DWORD GetData(const wchar_t* section, const wchar_t* key, int def, int& value);
  DWORD GetData(const wchar_t* section, const wchar_t* key, double def, double& value);
  DWORD GetData(const wchar_t* section, const wchar_t* key, CString def, CString& value);
  ///@}
  ///@{
  /// The value itself: def when the file, section or key is missing.
  int GetData(const wchar_t* section, const wchar_t* key, int def);
  double GetData(const wchar_t* section, const wchar_t* key, double def);
  CString GetData(const wchar_t* section, const wchar_t* key, CString def);
  ///@}

  ///@{
  /// Store value as "%d" or "%.2f"; nonzero on success.
  BOOL SetData(const wchar_t* section, const wchar_t* key, int value);
  BOOL SetData(const wchar_t* section, const wchar_t* key, double value);
  ///@}

  ///@{
  /// String lists: KeyCount and Key1..KeyN. Writing always returns TRUE;
  /// reading empties the array and always yields exactly Count entries.
  BOOL SetData(const wchar_t* section, const wchar_t* key, CStringArray& values);
  BOOL GetData(const wchar_t* section, const wchar_t* key, CStringArray& values);
  ///@}

  /// Splits text at any of the delimiter characters (runs of delimiters give
  /// no empty items) into result, which is emptied first; returns the number
  /// of items. The text is changed in place (delimiters overwritten by
  /// zeros). Keeps no state between calls.
  static int ChangeStrToArr(wchar_t* text, const wchar_t* delimiters, CStringArray& result);

  ///@{
  /// Remove every occurrence of the section "[section]" (exact spelling) with
  /// its lines, or the lines "key=..." (exact spelling before '=') inside
  /// them. The file is rewritten without its blank lines (an empty first line
  /// stays), in its own encoding, and replaced atomically. FALSE, with the
  /// file untouched, when it does not exist or cannot be rewritten.
  BOOL delAppParam(const wchar_t* section);
  BOOL delKeyParam(const wchar_t* section, const wchar_t* key);
  ///@}

  CString m_strPath;  ///< the bound INI file
};

/// The current user-interface language and its language files, kept in a
/// language directory (root + "Support\Language\KavroSTD\" for the global
/// object's instance).
///
/// The current language is "Setting"/"Language" of the library settings file
/// (CSTDGlobeInfo::GetSettFile), "Chinese" when missing; it is read anew by
/// every call, so a choice made by one module is seen at once by all. Its
/// language file is the directory + name + ".ini":
///
///   [Setting]
///   Language=English
///   [String]
///   Greeting=Hello\nworld
///   IDD128_Title=Options
///   IDD128_1001=Name:
///
/// "Language" is the name LoadAllLanguage lists and LoadLanguage matches;
/// LoadStringW turns the backslash-n of "Greeting" into a line feed;
/// SetDialogStrings gives dialog 128 its title and control 1001 its text.
///
///   CLanguage& lang = STDGlobeInfo()->GetLanguage();
///   lang.LoadLanguage(L"");                 // at start: make sure a file exists
///   CString text = lang.LoadStringW(L"Greeting");
///   lang.SetDialogStrings(&dialog, 128);
///
/// Language names compare exactly (case-sensitive); section and key names are
/// matched by the profile API without regard to case. Texts read here are cut
/// to 999 characters. The built-in files English.ini and Chinese.ini come
/// from resources "OWNER_DATA" 6000 and 6001 of the current resource module
/// (AfxGetResourceHandle), supplied by the product module. Meant for the
/// host's main thread.
class KVSTD_API CLanguage {
 public:
  ///@{
  /// No language directory yet (the global object sets it in Init); copies
  /// copy the directory.
  CLanguage();
  CLanguage(const CLanguage& other);
  CLanguage& operator=(const CLanguage& other);
  virtual ~CLanguage();
  ///@}

  ///@{
  /// The language directory, with its trailing backslash.
  CString GetLanguagePath() const;
  ///@}
  ///@{
  /// Sets the language directory, stored as given (end it with a backslash).
  void SetLanguagePath(CString path);
  ///@}

  /// The current language: "Setting"/"Language" of the settings file, or
  /// "Chinese" when the file or key is missing.
  CString GetCurLanguage();
  /// Stores name as the current language (a name holding CR or LF is not
  /// stored).
  void SetCurLanguage(CString name);
  /// The directory + GetCurLanguage() + ".ini".
  CString GetCurLanguagePath();

  /// names: the "Setting"/"Language" value of every "*.ini" file of the
  /// directory that has one, in the directory's order (emptied first);
  /// current: GetCurLanguage().
  void LoadAllLanguage(CStringArray& names, CString& current);
  /// Makes name (empty: the stored choice) the current language when a file
  /// of the directory declares it (exact spelling). Otherwise creates the
  /// directory, writes English.ini (resource 6000) and Chinese.ini (6001)
  /// where no file of that name exists yet (an existing one, perhaps a
  /// translator's, is kept), and stores "Chinese".
  void LoadLanguage(CString name);
  /// Writes the bytes of resource "OWNER_DATA" id of the current resource
  /// module to file, replacing it. FALSE when the resource is missing or the
  /// file cannot be written in full.
  BOOL MakeResource(int id, CString file);

  /// "String"/key of the current language file, with text's old content as
  /// the default, backslash-n turned into LF; stored in text. Always TRUE.
  BOOL LoadStringW(CString key, CString& text);
  /// The same with the default "Not found"; returns the text.
  CString LoadStringW(CString key);
  /// Sets the dialog's title from "IDD<id>_Title" and each child control's
  /// text from "IDD<id>_<control id>" (both decimal). Missing or empty
  /// values leave the text as it is; texts are set as stored (backslash-n is
  /// not translated). Nothing for a null dialog or one without a window.
  void SetDialogStrings(CDialog* dialog, UINT id);

  /// @cond INTERNAL
 protected:
  CString m_strLangPath;
  /// @endcond
};

/// System variables: named, typed settings shared by the product modules,
/// kept in section "FKEY_BASE_CFG" of the system-variable file
/// (CSTDGlobeInfo::GetCfgsFile: root + "Support\Location\KavroCADCfg.ini")
/// with built-in defaults for the well-known names.
///
///   int key = CJSysVar::GetVar(L"SYS_N_FULLVIRKEY");     // 115 until written
///   CJSysVar::SetVar(L"DWG_D_DRAW_SCALE", 0.126);        // stored as "0.13"
///
/// Values are stored as text: integers "%d", real numbers "%.2f", strings as
/// they are. A string list NAME takes the keys NAME (the count N) and NAME0 ..
/// NAME(N-1). A read gives the stored value, else the built-in default, else
/// the value the caller passed in. Default names compare exactly
/// (case-sensitive); keys in the file are matched without regard to case.
/// Each call opens the file anew; nothing is cached. Meant for the host's main
/// thread.
class KVSTD_API CJSysVar {
 public:
  ///@{
  /// Holds nothing; every operation is static.
  CJSysVar();
  CJSysVar(const CJSysVar& other);
  CJSysVar& operator=(const CJSysVar& other);
  virtual ~CJSysVar();
  ///@}

  /// The system-variable file's path (its folders are created, not the file).
  static CString GetSettingFile();

  ///@{
  /// The built-in default of name when the table of that type has it;
  /// otherwise value is left as it is (there are no string or list defaults).
  /// Always TRUE.
  static BOOL GetDefaultVar(CString name, int& value);
  static BOOL GetDefaultVar(CString name, double& value);
  static BOOL GetDefaultVar(CString name, CString& value);
  static BOOL GetDefaultVar(CString name, CStringArray& value);
  ///@}

  ///@{
  /// The stored value, else the default, else value as passed in. Always
  /// TRUE. Non-numeric text reads as 0; strings are cut to 2047 characters.
  static BOOL GetVar(CString name, int& value);
  static BOOL GetVar(CString name, double& value);
  static BOOL GetVar(CString name, CString& value);
  ///@}
  /// The stored list; value is left as it is when no count is stored (or the
  /// count is negative). A count beyond 1048576 items is read as 1048576.
  static BOOL GetVar(CString name, CStringArray& value);
  /// The integer variable, 0 when neither stored nor a known default.
  static int GetVar(CString name);

  ///@{
  /// Store the value; FALSE when the file could not be written (a missing
  /// drive, a read-only file, a text holding CR or LF). Item keys of a longer
  /// list written earlier stay in the file; readers stop at the count.
  static BOOL SetVar(CString name, int value);
  static BOOL SetVar(CString name, double value);
  static BOOL SetVar(CString name, CString value);
  static BOOL SetVar(CString name, CStringArray& value);
  ///@}
};
