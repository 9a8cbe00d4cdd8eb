/// @file
/// The files layer: file names and paths, encoding-aware text files and zip
/// archives. This header declares, or includes:
///
///   CFileNameHelper  splits a file name into drive, folder, name, extension
///   CPath            a path (and command-line arguments) split into parts,
///                    with absolute/relative forms and disk queries
///   CStdioFileEx     CStdioFile that reads ANSI and UTF-16LE text files
///                    alike and writes either
///   CTextFile        whole text files in one call: into or from a string,
///                    a string array, an edit control or a list box
///   OpenZipU, GetZipItemA/W, UnzipItem, CloseZipU, FormatZipMessageU,
///   IsZipHandleU     reading zip archives (plain-name C exports)
///   CreateZipZ, ZipAdd, AddFolderContent, ZipGetMemory, CloseZipZ,
///   FormatZipMessageZ, IsZipHandleZ
///                    writing zip archives (plain-name C exports)
///   CStringOpr's file and folder routines (file names, paths against a base
///                    folder, tree listing, deleting and copying, text and
///                    byte files, shell): declared with the class in
///                    string_opr.h, defined in this layer
///
///   CPath p(L"C:\\a\\b.txt", FALSE, FALSE);
///   p.GetFileName();                                   // "b.txt"
///   CStringOpr::GetRelativePath(L"C:\\a\\b\\c.txt", L"C:\\a");  // "b\c.txt"
///
/// Paths are Windows paths (see docs/platform.md for how they map to the
/// disk); no length limit applies. Meant for the host's main thread.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/text.h"
#include "KavroStd/string_opr.h"

// ---- File-name parts (CFileNameHelper) ----
///
///   CFileNameHelper h;
///   h.setFullName(L"C:\\a\\b.c.txt");   // drive "C:", folder "\a\",
///                                       // name "b.c", extension ".txt"
///
/// For a UNC name the drive part is the server ("\\srv") and the folder
/// starts with the share ("\share\dir\"). No length limit applies.
class KVSTD_API CFileNameHelper {
 public:
  ///@{
  /// Empty parts; copies copy every part.
  CFileNameHelper();
  CFileNameHelper(const CFileNameHelper& other);
  CFileNameHelper& operator=(const CFileNameHelper& other);
  virtual ~CFileNameHelper();
  ///@}

  ///@{
  /// Stores full and splits it; always TRUE.
  int setFullName(CString full);
  int getPath(CString& out);                ///< drive + folder
  int getNameWithoutPath(CString& out);     ///< name
  int getNameExtWithoutPath(CString& out);  ///< name + extension
  int getExt(CString& out);                 ///< extension with its "."
  ///@}

  /// @cond INTERNAL
 protected:
  void clear();

  CString m_strExt;
  CString m_strName;
  CString m_strFolder;
  CString m_strDrive;
  CString m_strFullName;
  /// @endcond
};

// ---------------------------------------------------------------------------
/// CPath: one file or folder path, optionally followed by command-line
/// arguments, split into drive, directory, title, extension and argument
/// text when it is set.
///
///   CPath p(L"\"C:\\Program Files\\app.exe\" /x -y \"a b\"", FALSE, TRUE);
///   p.GetFileName();            // "app.exe"
///   p.GetArgument(1, FALSE);    // "a b" (the value of -y)
///   CPath r(L"..\\b\\c.txt", FALSE, FALSE);
///   r.GetAbsolutePath(L"C:\\a\\");   // "C:\b\c.txt"
///
/// Parsing is textual (Windows paths; '/' counts as '\' in the directory);
/// only the file-system members consult the disk. A path is relative when
/// its directory does not start with a backslash or it has no drive; a bare
/// file name ("file.txt") is not relative. Texts of any length are handled.
/// SetPath clears the parts of the previous path (drive, directory, title,
/// extension); the argument text is replaced only when the new text has
/// arguments, so arguments set before stay with the new path.
/// Nothing throws on a bad path: queries give FALSE or an empty string.
class KVSTD_API CPath {
 public:
  /// One command-line switch: prefix ('/' or '-'), name and value.
  class KVSTD_API CArgument {
   public:
    ///@{
    /// An argument without prefix, name or value.
    CArgument();
    virtual ~CArgument();
    ///@}

    ///@{
    /// Stores text without any '/', '-' or blank; the prefix becomes '/' when
    /// a '/' was removed, '-' when a '-' was (that test coming second), and
    /// stays otherwise.
    void SetName(const wchar_t* text);
    ///@}
    ///@{
    /// Stores value as it is.
    void SetValue(const wchar_t* value) { m_strValue = value; }
    ///@}
    ///@{
    /// The stored prefix, name and value.
    wchar_t GetPrefix() const { return m_cPrefix; }
    CString GetName() const { return m_strName; }
    CString GetValue() const { return m_strValue; }
    ///@}
    /// " /name" (when there is a name) then " value" (quoted when it holds a
    /// blank, when there is a value).
    CString GetString() const;

    wchar_t m_cPrefix;  ///< '/' or '-'
    CString m_strName;  ///< the name without prefix
    CString m_strValue;  ///< the value, "" for none
  };

  /// An empty path.
  CPath();
  /// SetPath(path, isFolder, hasArgs).
  CPath(const wchar_t* path, int isFolder, int hasArgs);
  ///@{
  /// 0: the process command line (with arguments); 1: the executable's path.
  explicit CPath(DWORD which);
  ///@}
  ///@{
  /// Copies every field but the conversion buffer.
  CPath(const CPath& other);
  virtual ~CPath();
  ///@}

  /// Splits path (isFolder: the last name is a folder; hasArgs: the text
  /// after the first blank outside quotes is the argument text).
  void SetPath(const wchar_t* path, int isFolder, int hasArgs);
  /// 0: the process command line; 1: the executable's path; else nothing.
  void SetPath(DWORD which);
  /// Copies every field but the conversion buffer.
  CPath& operator=(const CPath& other);
  /// SetPath(path, FALSE, FALSE).
  CPath& operator=(const wchar_t* path);

  /// The drive ("C:"), or the server of a network path.
  CString GetDrive() const { return m_strDrive; }
  ///@{
  /// index < 0: the whole directory; else the index-th directory name ("" past
  /// the end).
  CString GetDir(int index);
  ///@}
  ///@{
  /// The number of directory names.
  int GetDirCount();
  ///@}
  ///@{
  /// Drive + directory.
  CString GetLocation() const { return m_strDrive + m_strDir; }
  ///@}
  ///@{
  /// The file name without its extension.
  CString GetFileTitle() const { return m_strFileTitle; }
  ///@}
  ///@{
  /// The extension without its ".".
  CString GetExtName() const { return m_strExtName; }
  ///@}
  ///@{
  /// "." + extension, or "" without one.
  CString GetExtension() const;
  ///@}
  ///@{
  /// Title + extension.
  CString GetFileName() const { return m_strFileTitle + GetExtension(); }
  ///@}
  /// asEntered: the text as given to SetPath; else location + file name.
  /// withArgs appends the argument text directly (no separator).
  CString GetPath(int withArgs, int asEntered);
  /// GetPath(FALSE, FALSE), kept until the next conversion or the object's end.
  operator const wchar_t*();

  /// TRUE for a path with a drive that is not relative.
  BOOL IsLocalPath() const { return !m_strDrive.IsEmpty() && !m_bIsRelative; }
  /// TRUE for a relative path (see the class comment).
  BOOL IsRelativePath() const { return m_bIsRelative; }
  /// TRUE when the path has a file name.
  BOOL IsFilePath() const { return !m_strFileTitle.IsEmpty(); }
  /// TRUE for a file name without drive or directory.
  BOOL IsFileName() const {
    return !m_strFileTitle.IsEmpty() && m_strDrive.IsEmpty() && m_strDir.IsEmpty();
  }
  ///@{
  /// The platform's short or long form of GetPath(FALSE, FALSE); "" when the
  /// path does not exist.
  CString GetShortPath();
  CString GetLongPath();
  ///@}

  ///@{
  /// FALSE for a path without file name; else whether it exists.
  BOOL ExistFile();
  ///@}
  ///@{
  /// FALSE for a path without location; else whether drive + directory
  /// exists.
  BOOL ExistLocation();
  ///@}
  /// Creates every missing folder of the directory below drive + "\"; FALSE
  /// at the first folder that cannot be created.
  BOOL CreateDirectorys();
  /// The file's size (0 and FALSE when it cannot be opened).
  BOOL GetFileSize(__int64& size);
  /// which 0: creation, 2: last write, else last access time, as a CTime of
  /// the exact instant; FALSE and the zero CTime when the file cannot be
  /// opened.
  BOOL GetFileTime(CTime& time, DWORD which);
  /// The volume label of the path's drive (or, with shareName, the server of
  /// a network path); cached; "" for a relative path or a failed query.
  CString GetDriveLabel(int shareName);
  /// The canonical absolute form of a relative path against base (a folder);
  /// "" for an absolute path or an empty base.
  CString GetAbsolutePath(const wchar_t* base);
  /// The path relative to the folder base, without a leading ".\"; "" for a
  /// relative path or when the two share no root.
  CString GetRelativePath(const wchar_t* base);

  /// path with a trailing separator ('/' when forward, else '\') unless it
  /// is empty or already ends with one.
  static CString AddBackSlash(const wchar_t* path, int forward);
  /// path without one trailing '\' or '/'.
  static CString RemoveBackSlash(const wchar_t* path);

  ///@{
  /// Empties the argument list and stores text as the argument text.
  void SetArguments(const wchar_t* text);
  ///@}
  ///@{
  /// The number of arguments in the list.
  int GetArgCount();
  ///@}
  /// index < 0: the argument text (rebuilt from the list when empty); else
  /// the index-th argument's name (wantName) or value, "" past the end.
  CString GetArgument(int index, int wantName);
  /// Index of the first argument named name (prefix characters and blanks
  /// removed, compared without regard to case); -1 when none or the cleaned
  /// name is empty.
  int FindArgument(const wchar_t* name);
  /// Replaces the value of the argument named name, or appends a new one.
  void AddSetArgument(const wchar_t* name, const wchar_t* value);
  /// Removes an argument of the list as already parsed; nothing otherwise.
  void RemoveArgument(int index);

 private:
  void FillDirArray();
  void FillArgArray();
  BOOL FillFileInfoStruct();
  void AppendArgument(CArgument& pending);

  CString m_strPath;
  CString m_strDrive;
  CString m_strDriveLabel;
  CStringArray m_aryDir;
  CString m_strDir;
  CString m_strFileTitle;
  CString m_strExtName;
  CString m_strArgument;
  CArray<CArgument, CArgument&> m_aryArguments;
  int m_bIsRelative;
  BY_HANDLE_FILE_INFORMATION m_fis;
  CString m_strRes;
};

// ---- Encoding-aware text files (CStdioFileEx, CTextFile) ----
///
/// A text file is either ANSI (bytes in the system code page, no mark) or
/// Unicode: the bytes FF FE and then UTF-16LE units (characters above U+FFFF
/// as surrogate pairs). Lines end in CR LF or LF.
///
///   CStdioFileEx file;
///   if (file.Open(L"Z:\\tmp\\a.txt", CFile::modeRead | CFile::typeText)) {
///     CString line;
///     while (file.ReadString(line)) ...     // either encoding, no line ends
///   }
///   CTextFile text;                          // line end CR LF
///   CStringArray lines;
///   CString name = L"Z:\\tmp\\a.txt";        // empty: ask with the file dialog
///   if (!text.ReadTextFile(name, lines)) AfxMessageBox(text.GetErrorMessage());
///
/// Reading detects the encoding only when the flags hold typeText and
/// neither modeCreate nor modeWrite; a Unicode file is then read in binary
/// mode, its mark skipped. Writing is ANSI unless the flags hold
/// modeWriteUnicode (mark FF FE first on an empty file); WriteString adds no
/// line end and translates nothing. Characters the code page lacks are
/// written as '#'. Read and write errors after a successful open throw
/// CFileException*, as CStdioFile does. An object is for one thread at a time.
class KVSTD_API CStdioFileEx : public CStdioFile {
 public:
  /// Flag of this class: WriteString writes UTF-16LE with a mark.
  static const UINT modeWriteUnicode;

  CStdioFileEx();
  /// Opens with the processed flags; throws CFileException* on failure.
  CStdioFileEx(LPCWSTR fileName, UINT openFlags);

  /// Processes the flags (encoding detection) and opens; FALSE on failure,
  /// with the cause in *error when given.
  BOOL Open(LPCWSTR fileName, UINT openFlags, CFileException* error = nullptr) override;
  /// The next line without CR LF, CR or LF at its end; FALSE at the end of
  /// the file (an empty line gives TRUE and an empty string).
  BOOL ReadString(CString& line) override;
  /// Writes the text as it is, in UTF-16LE or ANSI (see above); nothing
  /// appended.
  void WriteString(LPCWSTR text) override;

  /// TRUE when the last open detected a Unicode file.
  bool IsFileUnicodeText();
  /// 0 when no file is open; else (length - 2) / 2 for a Unicode file, the
  /// length in bytes otherwise.
  DWORD GetCharCount();

  /// TRUE when the file can be opened for reading and starts with FF FE.
  static bool IsFileUnicode(const CString& fileName);
  /// Converts the zero-ended source into target (capacity characters, zero
  /// included; the whole capacity is zeroed first) in code page codePage
  /// (0xFFFFFFFF: the ANSI code page). The characters converted without the
  /// zero; 0 for a null pointer, a capacity below 1 or a source that does not
  /// fit; the API's result when that is below 1.
  static int GetUnicodeStringFromMultiByteString(char* source, wchar_t* target, int& capacity,
                                                 UINT codePage);
  /// Converts the zero-ended source into target (capacity bytes, zero
  /// included, at most 32,767; zeroed first); characters the code page lacks
  /// become '#'. The bytes written without the zero; 0 for a null pointer, a
  /// capacity below 1 or a text that does not fit.
  static int GetMultiByteStringFromUnicodeString(wchar_t* source, char* target, short capacity,
                                                 UINT codePage);

  /// @cond INTERNAL
 protected:
  /// Clears m_bIsUnicode; with typeText and neither modeCreate nor
  /// modeWrite, probes the file and, for a Unicode file, puts typeBinary in
  /// place of typeText. Stores the flags and returns them.
  UINT ProcessFlags(const CString& fileName, UINT& openFlags);

  bool m_bIsUnicode;
  DWORD m_nOpenFlags;
  /// @endcond
};

/// Whole text files in one call, into or from a string, a string array, an
/// edit control or a list box. Every operation opens and closes its own
/// file and returns nonzero on success. An empty file name asks the user with
/// the open or save dialog (CFileDialog); the chosen name comes back in the
/// argument; a cancelled dialog gives FALSE with the error text empty (for
/// AppendFile: as it was).
/// An open failure gives FALSE and the system's text for it in
/// GetErrorMessage(); an invalid control gives FALSE and "Bad Window handle
/// as parameter". Writes are ANSI text; each written line is followed by the
/// line end given at construction (CR LF by default).
class KVSTD_API CTextFile {
 public:
  ///@{
  /// extension filters the file dialog; lineEnd follows every written line.
  /// Copies copy both and the error text.
  CTextFile(const CString& extension = CString(), const CString& lineEnd = CString(L"\r\n"));
  CTextFile(const CTextFile& other);
  CTextFile& operator=(const CTextFile& other);
  virtual ~CTextFile();
  ///@}

  /// The file's lines replace the array's contents (a Unicode file with its
  /// mark is read as such).
  BOOL ReadTextFile(CString& fileName, CStringArray& lines);
  /// Every line followed by the line end, in one string.
  BOOL ReadTextFile(CString& fileName, CString& text);
  /// Creates or truncates; each line followed by the line end.
  BOOL WriteTextFile(CString& fileName, const CStringArray& lines);
  /// Creates or truncates; the text as it is.
  BOOL WriteTextFile(CString& fileName, const CString& text);
  /// Opens or creates and writes at the end; each line followed by the line
  /// end. Keeps an earlier error text on success.
  BOOL AppendFile(CString& fileName, const CStringArray& lines);
  /// Opens or creates and writes the text's UTF-16LE units at the end (no
  /// mark, no conversion).
  BOOL AppendFile(CString& fileName, const CString& text);
  /// The file as one string into the control's window text.
  BOOL Load(CString& fileName, CEdit* edit);
  /// Adds each non-empty line of the file to the list box.
  BOOL Load(CString& fileName, CListBox* list);
  /// Writes the control's window text as it is.
  BOOL Save(CString& fileName, CEdit* edit);
  ///@{
  /// Writes the list box's items as lines.
  BOOL Save(CString& fileName, CListBox* list);
  ///@}
  ///@{
  /// The error text of the last failed operation.
  CString GetErrorMessage();
  ///@}

  /// @cond INTERNAL
 protected:
  CString GetExtension();
  /// The open (save FALSE) or save dialog, filtered by the extension; TRUE
  /// with the chosen full path in fileName, FALSE when cancelled.
  virtual BOOL GetFilename(BOOL save, CString& fileName);

  /// @endcond
 private:
  void ClearError();
  BOOL ValidParam(CWnd* control);
  /// Opens file for the operation; FALSE with the error text set on failure.
  BOOL OpenFile(CFile& file, const CString& fileName, UINT flags);
  /// Each line followed by the line end, then closes the file.
  void WriteLines(CStdioFileEx& file, const CStringArray& lines);

  CString m_strError;
  CString m_strExtension;
  CString m_strLineEnd;
};

// ---- Zip archives (plain-name C exports) ----
// Reading (OpenZipU ... CloseZipU) and writing (CreateZipZ ... CloseZipZ)
// share the handle and the result codes; each side keeps its own last
// result, which ZRES_RECENT stands for in the message functions.
//
// Extracting every entry below the current folder, each under its own name:
//
//   HZIPFILE zip = OpenZipU((void*)L"C:\\Data\\a.zip", 0, ZIPKIND_FILENAME);
//   if (zip == NULL) return;                // FormatZipMessageU(ZRES_RECENT, ...)
//   ZIPITEMW all;
//   GetZipItemW(zip, -1, &all);            // all.index = number of entries
//   for (int i = 0; i < all.index; ++i) {
//     ZIPITEMW item;
//     ZIPRESULT r = GetZipItemW(zip, i, &item);
//     // An entry's own name that would leave the current folder (absolute,
//     // a drive, UNC or "\\?\" prefix, a ".." component) is refused with
//     // ZRES_ARGS and nothing is written, so the loop is safe as it stands.
//     if (r == ZRES_SUCCESS) r = UnzipItem(zip, i, item.name, 0, ZIPKIND_FILENAME);
//     if (r != ZRES_SUCCESS) { /* report entry i: FormatZipMessageU(r, ...) */ }
//   }
//   CloseZipU(zip);

/// An open archive, for reading or for writing.
typedef struct KvZipHandle* HZIPFILE;
/// ZRES_SUCCESS or one of the ZRES_ codes below.
typedef DWORD ZIPRESULT;

///@{
/// What the source or target of OpenZipU, CreateZipZ, UnzipItem and ZipAdd
/// is: a file handle, a file name, a memory block, or a folder entry (ZipAdd
/// only).
#define ZIPKIND_HANDLE 1
#define ZIPKIND_FILENAME 2
#define ZIPKIND_MEMORY 3
#define ZIPKIND_FOLDER 4
///@}

///@{
/// Result codes of the zip functions; FormatZipMessageU/Z give their texts.
/// ZRES_RECENT asks the message functions for the last result of their side.
#define ZRES_SUCCESS 0x00000000
#define ZRES_RECENT 0x00000001
#define ZRES_NO_DUPLICATE 0x00000100
#define ZRES_NO_FILE 0x00000200
#define ZRES_NO_ALLOC 0x00000300
#define ZRES_WRITE 0x00000400
#define ZRES_NOT_FOUND 0x00000500
#define ZRES_MORE 0x00000600
#define ZRES_CORRUPT 0x00000700
#define ZRES_READ 0x00000800
#define ZRES_ARGS 0x00010000
#define ZRES_NOT_MEM_ZIP 0x00020000
#define ZRES_MEM_SIZE 0x00030000
#define ZRES_FAILED 0x00040000
#define ZRES_ENDED 0x00050000
#define ZRES_MISSIZE 0x00060000
#define ZRES_PARTIAL_UNZ 0x00070000
#define ZRES_WRONG_MODE 0x00080000
#define ZRES_NOT_INITED 0x01000000
#define ZRES_SEEK 0x02000000
#define ZRES_NO_CHANGE 0x04000000
#define ZRES_FLATE 0x05000000
///@}

/// One entry of an archive; with index -1 the summary (index = entry count).
typedef struct {
  int index;  ///< the entry number (-1: the summary, whose index is the entry count)
  char name[MAX_PATH];  ///< the name inside the archive, zero-ended
  DWORD attr;  ///< file attributes (FILE_ATTRIBUTE_*)
  FILETIME atime;  ///< last access time (UTC)
  FILETIME ctime;  ///< creation time (UTC)
  FILETIME mtime;  ///< last write time (UTC)
  LONG comp_size;  ///< compressed size (-1 beyond 32 bits)
  LONG unc_size;  ///< uncompressed size (-1 beyond 32 bits)
} ZIPITEMA;

/// One entry of an archive, with a wide name (GetZipItemW).
typedef struct {
  int index;  ///< the entry number (-1: the summary, whose index is the entry count)
  wchar_t name[MAX_PATH];  ///< the name inside the archive, zero-ended
  DWORD attr;  ///< file attributes (FILE_ATTRIBUTE_*)
  FILETIME atime;  ///< last access time (UTC)
  FILETIME ctime;  ///< creation time (UTC)
  FILETIME mtime;  ///< last write time (UTC)
  LONG comp_size;  ///< compressed size (-1 beyond 32 bits)
  LONG unc_size;  ///< uncompressed size (-1 beyond 32 bits)
} ZIPITEMW;
/// The generic names of a UNICODE build.
typedef ZIPITEMW ZIPITEM;
/// GetZipItemW under its generic name.
#define GetZipItem GetZipItemW

///@{
/// Reading. OpenZipU: null on failure with the reason as the last result
/// (ZRES_NO_FILE, ZRES_SEEK for a handle that is no disk file,
/// ZRES_NO_DUPLICATE, ZRES_ARGS, ZRES_CORRUPT for a bad or inconsistent
/// archive, a damaged zip64 end record or locator, or one without entries,
/// ZRES_READ for a failed read). Zip64 archives (zip64 end record, extra
/// blocks, 8-byte data descriptors, more than 65,535 entries) read as any
/// other. A memory block is not copied and must outlive the handle.
/// GetZipItemA/W: ZRES_ARGS for an index outside -1..count-1, ZRES_CORRUPT
/// for an entry whose headers are damaged or disagree, ZRES_MEM_SIZE for an
/// entry whose size passes 32 bits: the record is filled but for its sizes,
/// which are -1, and UnzipItem extracts the entry all the same. Times are
/// UTC. Names are cut to 259 characters; UTF-8 names (flag bit 11) are
/// decoded.
/// UnzipItem: ZRES_ARGS for a negative or too large index; to memory it
/// fills the buffer and returns ZRES_MORE until the content is complete,
/// then ZRES_SUCCESS; a CRC-32 mismatch gives ZRES_CORRUPT and a faulty or
/// short deflate stream ZRES_FLATE (on the call that finds it).
/// ZIPKIND_FILENAME: a directory entry ignores the target and creates its
/// own name as folders under the current folder of the open; a name that is
/// absolute, has a drive or a ".." component creates nothing (ZRES_ARGS). A
/// file entry goes to the target path as given (CREATE_ALWAYS), after the
/// folders of that path have been created under the current folder of the
/// open when the path stays inside it. A target that is the entry's own name
/// (GetZipItemW's text, or GetZipItemA's through the ANSI code page; '/' and
/// '\' alike) and is absolute ('/' or '\' first, so UNC, "\\?\" and
/// "\\.\" too), has a drive ("X:") or a ".." component ('/' and '\' both
/// separate, and U+F02E, which the path mapping writes as '.', counts as a dot)
/// is refused with ZRES_ARGS before anything is created or written: it comes
/// from the archive, not from the caller. Any other target the caller chose,
/// absolute or not, is used as it is.
KVSTD_C_API HZIPFILE OpenZipU(void* source, unsigned int length, DWORD flags);
KVSTD_C_API ZIPRESULT GetZipItemA(HZIPFILE zip, int index, ZIPITEMA* item);
KVSTD_C_API ZIPRESULT GetZipItemW(HZIPFILE zip, int index, ZIPITEMW* item);
KVSTD_C_API ZIPRESULT UnzipItem(HZIPFILE zip, int index, void* target, unsigned int length,
                                DWORD flags);
KVSTD_C_API ZIPRESULT CloseZipU(HZIPFILE zip);
KVSTD_C_API unsigned int FormatZipMessageU(ZIPRESULT code, char* buffer, unsigned int size);
KVSTD_C_API bool IsZipHandleU(HZIPFILE zip);
///@}

///@{
/// Writing. CreateZipZ starts an archive on a file name, a handle or a
/// memory block (null on failure, the reason as the last result); ZipAdd adds
/// an entry named name from a file name, a handle or memory, or (with
/// ZIPKIND_FOLDER and no source) a folder entry; AddFolderContent adds the
/// folder entry folder and everything below root\folder under names relative
/// to root (FALSE on failure, the reason as the last result); CloseZipZ ends
/// the archive; the message and handle functions are those of the reading
/// side.
KVSTD_C_API HZIPFILE CreateZipZ(void* target, unsigned int length, DWORD flags);
KVSTD_C_API ZIPRESULT ZipAdd(HZIPFILE zip, const wchar_t* name, void* source,
                             unsigned int length, DWORD flags);
KVSTD_C_API ZIPRESULT CloseZipZ(HZIPFILE zip);
KVSTD_C_API unsigned int FormatZipMessageZ(ZIPRESULT code, char* buffer, unsigned int size);
KVSTD_C_API bool IsZipHandleZ(HZIPFILE zip);
KVSTD_C_API BOOL AddFolderContent(HZIPFILE zip, const wchar_t* root, const wchar_t* folder);
///@}
/// The finished archive of a memory output (internal or caller's block):
/// ends the archive (central directory and end record, as CloseZipZ would)
/// and gives its start and length, valid until CloseZipZ. Further additions
/// give ZRES_ENDED. ZRES_NOT_MEM_ZIP for a file or handle output.
KVSTD_C_API ZIPRESULT ZipGetMemory(HZIPFILE zip, void** base, unsigned int* length);
