// Settings: the INI data file (CDataFile) and the localisation object
// (CLanguage).
//
// CDataFile binds one INI file path and reads and writes typed values through
// the Windows profile API (section and key names match without regard to
// case; the file is opened and closed by each call, nothing is cached):
//
//   CDataFile ini(L"Z:\\opt\\kavro\\Support\\Location\\KavroStd.ini");
//   ini.SetData(L"Setting", L"Precision", 3.14159);   // stored as "3.14"
//   int n = ini.GetData(L"Setting", L"Count", 0);     // 0 when missing
//
// Integers are stored as "%d", doubles with exactly two decimals ("%.2f").
// A list stored under a key name K takes the keys KCount, K1 ... KN. Reads
// never fail: a missing file, section or key gives the default. Meant for the
// host's main thread.
#pragma once

#include "KavroStd/platform/windows.h"

class KVSTD_API CDataFile {
 public:
  CDataFile();
  explicit CDataFile(CString path);
  CDataFile(const CDataFile& other);
  CDataFile& operator=(const CDataFile& other);
  virtual ~CDataFile();

  void SetPath(CString path);

  // Raw text: the profile API's result (characters copied, without the
  // terminator). Null section or key names ask for the lists of names.
  DWORD GetData(const wchar_t* section, const wchar_t* key, const wchar_t* def, wchar_t* buffer,
                DWORD size);
  // Nonzero on success; a null value deletes the key, a null key the section.
  BOOL SetData(const wchar_t* section, const wchar_t* key, const wchar_t* value);

  // Typed reads return the number of characters read; values longer than
  // the read buffer (31 characters for integers, 511 for doubles, 2047 for
  // strings) are cut.
  DWORD GetData(const wchar_t* section, const wchar_t* key, int def, int& value);
  DWORD GetData(const wchar_t* section, const wchar_t* key, double def, double& value);
  DWORD GetData(const wchar_t* section, const wchar_t* key, CString def, CString& value);
  int GetData(const wchar_t* section, const wchar_t* key, int def);
  double GetData(const wchar_t* section, const wchar_t* key, double def);
  CString GetData(const wchar_t* section, const wchar_t* key, CString def);

  BOOL SetData(const wchar_t* section, const wchar_t* key, int value);
  BOOL SetData(const wchar_t* section, const wchar_t* key, double value);

  // String lists: KeyCount and Key1..KeyN. Writing always returns TRUE;
  // reading empties the array and always yields exactly Count entries.
  BOOL SetData(const wchar_t* section, const wchar_t* key, CStringArray& values);
  BOOL GetData(const wchar_t* section, const wchar_t* key, CStringArray& values);

  // Splits text at any of the delimiter characters (runs of delimiters give
  // no empty items) into result, which is emptied first; returns the number
  // of items. The text is changed in place (delimiters overwritten by
  // zeros). Keeps no state between calls.
  static int ChangeStrToArr(wchar_t* text, const wchar_t* delimiters, CStringArray& result);

  // Remove every occurrence of the section "[section]" (exact spelling) with
  // its lines, or the lines "key=..." (exact spelling before '=') inside
  // them. The file is rewritten without its blank lines (an empty first line
  // stays), in its own encoding, and replaced atomically. FALSE, with the
  // file untouched, when it does not exist or cannot be rewritten.
  BOOL delAppParam(const wchar_t* section);
  BOOL delKeyParam(const wchar_t* section, const wchar_t* key);

  CString m_strPath;
};

// The current user-interface language and its language files, kept in a
// language directory (root + "Support\Language\KavroSTD\" for the global
// object's instance).
class KVSTD_API CLanguage {
 public:
  CLanguage();
  CLanguage(const CLanguage& other);
  CLanguage& operator=(const CLanguage& other);
  virtual ~CLanguage();

  // The language directory, with its trailing backslash.
  CString GetLanguagePath() const;
  void SetLanguagePath(CString path);

 protected:
  CString m_strLangPath;
};
