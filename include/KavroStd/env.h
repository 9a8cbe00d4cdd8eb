/// @file
/// The module environment. This header declares:
///
///   CSTDGlobeInfo   the one global environment object: the installation
///                   tree's folders and files, the download folder, the
///                   module list, the cross-module function and window
///                   registries, and the current language (CLanguage)
///   STDGlobeInfo()  the address of that object (plain-name C export)
///
/// The environment object knows where the family is installed (the
/// installation root: the parent of the folder that holds libKavroStd.so,
/// with one trailing backslash) and answers every folder and file of the
/// installation tree, creating missing folders on the way. It also holds the cross-module registries through
/// which separately loaded product modules call each other's functions by
/// name and find each other's windows:
///
///   STDGlobeInfo()->AddFunction(L"Hello", &Hello, FALSE);     // module A
///   STDGlobeInfo()->RunFunction(L"Hello,x,y", params, obj);   // module B
///   CString answer = STDGlobeInfo()->GetResult(0);
///
/// Function and window keys compare exactly (case-sensitive). The parameter
/// list, the result list and the object pointer are single process-wide slots.
/// Everything here is meant for the host's main thread; nothing is locked.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/settings.h"

class CWnd;

/// The global environment object: installation folders and files, the
/// module list, the cross-module registries and the current language. One
/// instance, made by the library; reach it through STDGlobeInfo().
class KVSTD_API CSTDGlobeInfo {
 public:
  /// A function of the function registry: no arguments, no result; it
  /// reads its arguments with GetParameter and answers with SetResult.
  typedef void (*Function)();

  ///@{
  /// Made and destroyed by the library only.
  CSTDGlobeInfo();
  virtual ~CSTDGlobeInfo();
  ///@}

  /// Settles the installation root from the library file's path, prepares the
  /// language directory, creates the named mutex "KavrodeskForAutoCAD" and
  /// registers the built-in find-file hook. Run by the library's load.
  void Init();
  /// Destroys and deletes every registered window, empties the window
  /// registry and releases the mutex. Run by the library's unload; may run
  /// twice.
  void Close();

  /// The company icon (resource 128): size -1 gives the shared icon at the
  /// system size (not to be destroyed); any other size a new size x size icon
  /// that the caller destroys with DestroyIcon. Null when the load fails.
  HICON GetCompanyIcon(int size);

  /// The module folder (cut after the last backslash) and the installation
  /// root (the module folder without its trailing backslashes, cut after its
  /// last backslash) of a library file path:
  /// C:\Suite\Sys\KavroStd.dll gives C:\Suite\Sys\ and C:\Suite\.
  static void DeriveInstallPaths(const CString& libraryFile, CString& moduleFolder,
                                 CString& root);

  ///@{
  /// Installation root and module folder, each with one trailing backslash.
  CString GetRootPath() const { return m_strRootPath; }
  CString GetModulePath() const { return m_strModulePath; }
  ///@}

  ///@{
  /// Folders of the installation tree; each creates its missing levels.
  CString GetSysPath();
  CString GetHelpPath();
  CString GetScriptHelpPath();
  CString GetLibsPath();
  CString GetLDrawsPath();
  CString GetLBlockPath();
  CString GetLDictsPath();
  CString GetLDictCommPath();
  CString GetLDictReplPath();
  CString GetLDictTranPath();
  CString GetLOtherPath();
  CString GetLScripPath();
  CString GetLSettsPath();
  CString GetLTablePath();
  CString GetSuppPath();
  CString GetFontPath();
  CString GetLangPath();
  CString GetLocaPath();
  CString GetMenuPath();
  CString GetMenuICONPath();
  CString GetSampPath();
  CString GetZmStore();
  CString GetScriPath();
  CString GetShxsPath();
  ///@}

  ///@{
  /// Files of the tree; their folders are created, the files are not.
  CString GetSettFile();
  CString GetCfgsFile();
  CString GetDefaultCfgsFile();
  ///@}
  /// 1: the table product's help, 2: the scripting product's, else the
  /// flagship's.
  CString GetHelpFile(int which);

  /// The shared download folder: the "DOWNLOADPATH" value of section
  /// "SETTING" in the settings file (default: root + "Support\Download\"),
  /// with exactly one trailing backslash. Its missing levels are created; a
  /// folder that cannot be created is still returned. An empty stored value
  /// counts as none.
  CString GetDownload();
  /// Stores path unchanged as the download folder and creates its missing
  /// levels; nothing is reported when the file cannot be written.
  void SetDownload(CString path);

  /// TRUE when file exists (it may carry wildcards); otherwise asks the
  /// function registered as "KVSTD_PLATFORM_FUNCTION_FINDFILE" (the built-in
  /// one looks in the SHX font folder). found receives the path, or file
  /// itself when nothing was found.
  static BOOL FindFilePath(CString file, CString& found);

  /// Module list: the file root + "Acad.rx", lines 'names=number,rest'
  /// ('a.arx,b.arx=5,x'; without "=" the line is all names and its number 1;
  /// without "," after the "=" the number is 1 too).
  /// Appends the names of every enabled line (its number text not exactly
  /// "0" and its number below 99), split at "," and not trimmed; modules is
  /// not emptied. FALSE when the file cannot be opened (silently) or a read
  /// fails ("Unable to load arx list" is shown; names read so far stay).
  BOOL GetAllArxFile(CStringArray& modules);
  /// The names part, unsplit, of the first line numbered number that names
  /// something; "KavroCAD" when none does or the file cannot be read.
  CString GetSoftName(int number);

  ///@{
  /// Function registry. AddFunction refuses a null function and, with
  /// noReplace, a taken name (FALSE).
  BOOL AddFunction(CString name, Function fn, BOOL noReplace);
  BOOL HasFunction(CString name);
  ///@}
  /// prefix FALSE: the entry of exactly that name; TRUE: every entry whose
  /// name begins with name. TRUE when something was removed.
  BOOL DelFunction(CString name, BOOL prefix);
  /// Appends the registered names (names is not emptied).
  void GetAllFunction(CStringArray& names);
  ///@{
  /// command is the name, optionally followed by comma-separated parameters;
  /// the call's parameter list is those pieces followed by params. TRUE when
  /// a function was called.
  BOOL RunFunction(CString command, CStringArray& params, void* object);
  BOOL RunFunction(CString command, CString p1, CString p2, CString p3, CString p4, CString p5,
                   CString p6);
  ///@}

  ///@{
  /// Parameter and result index of the call in progress; "" out of range.
  CString GetParameter(int index);
  CString GetResult(int index);
  ///@}
  /// Appends value to the result list; always TRUE.
  BOOL AddResult(CString value);
  ///@{
  /// Replaces the result list by value (or values); always TRUE.
  BOOL SetResult(CString value);
  BOOL SetResult(CStringArray& values);
  ///@}
  /// The object pointer passed to the call in progress (RunFunction).
  void* GetObjectW();

  ///@{
  /// Window registry, keyed "first_second".
  /// The key "first_second"; with unique, when that key is taken, the first
  /// free "first_second_<n>" (n from 0).
  CString WndGetKey(CString first, CString second, BOOL unique);
  ///@}
  ///@{
  /// Registers wnd under the key (a null window is not registered).
  void WndSetAt(CString first, CString second, CWnd* wnd);
  ///@}
  ///@{
  /// The window registered under the key, or null.
  CWnd* WndLookUp(CString first, CString second);
  ///@}
  ///@{
  /// Forgets the key; the window stays.
  void WndRemoveKey(CString first, CString second);
  ///@}
  ///@{
  /// Forgets the key and destroys its window (DestroyWindow).
  void WndDestroy(CString first, CString second);
  ///@}

  ///@{
  /// The library's module handle, written by its entry point before Init.
  void SetInstanceHandle(HINSTANCE instance) { m_hInstance = instance; }
  HINSTANCE GetInstanceHandle() const { return m_hInstance; }
  ///@}
  /// The language object of the environment (the language directory of the
  /// installation tree).
  CLanguage& GetLanguage() { return m_Language; }

  /// @cond INTERNAL
 protected:
  static CString MakeFolder(const CString& parent, const wchar_t* name);
  static void BuiltInFindFileHook();

  CMap<CString, LPCWSTR, CWnd*, CWnd*> m_mapWnd;
  DWORD m_dwReserved0;
  HINSTANCE m_hInstance;
  DWORD m_dwReserved1;
  DWORD m_dwReserved2;
  DWORD m_dwReserved3;
  DWORD m_dwReserved4;
  CString m_strRootPath;
  CString m_strModulePath;
  CLanguage m_Language;
  CString m_strReserved0;
  void* m_pBlock;
  CStringArray m_aryReserved0;
  CStringArray m_aryReserved1;
  CStringArray m_aryReserved2;
  CString m_strReserved1;
  CStringArray m_aryReserved3;
  HANDLE m_hMutex;

  static CMap<CString, LPCWSTR, Function, Function> m_mapFunction;
  static CStringArray m_aryParameter;
  static CStringArray m_aryResult;
  static void* m_pObject;
  /// @endcond
};

/// The address of the global environment object; valid from load to unload.
KVSTD_C_API CSTDGlobeInfo* STDGlobeInfo();
