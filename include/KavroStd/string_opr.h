/// @file
/// CStringOpr: the library's static toolbox of text routines, with the
/// file and folder routines that go with them. What it offers, by part:
///
///   Trimming and tests       TrimSpace, TrimZero, FormatString, IsInteger,
///                            IsAlpha, GetStringLength, GetStringByLength ...
///   Splitting and searching  SpliteString, SpliteStrToAry, SpliteByType,
///                            MergeAryToStr, Find_Sub_Str, FindArs, WildMatch
///   Labels, hex, GUID        PreBackString, Char2Hex, GetGUID
///   Numbers and radix        IsOperator ... IsConstant, BinToDec ... A2ZToDec,
///                            asinh, acosh, atanh
///   Dates and times          Time2CString, CString2Time, FormatDateTime,
///                            GetCurData, TimeAddTime, GetDateAddTime
///   Clipboard, bytes,        CutOrCopyFiles, CheckClipboard, EncryptByteData,
///   archives                 ESerialize
///   Files and folders        file names, paths against a base folder, tree
///   (the files layer)        listing, deleting and copying, text and byte
///                            files, shell; see the part marked below
///
///   CStringArray parts;
///   CStringOpr::SpliteStrToAry(L"a,,b,", L",", parts);  // "a", "", "b", ""
///   CString name;
///   CStringOpr::getNameExtWithoutPath(L"C:\\a\\b.c.txt", name);  // "b.c.txt"
///
/// All members are static except WildMatch. Texts are CString, lists
/// CStringArray; arguments are taken by value and results returned by value,
/// so no routine changes its argument except through a reference or pointer.
/// No routine throws on bad text and none keeps state: failures are FALSE, -1
/// or an empty text as each one says. Lengths and indexes count wchar_t units.
/// The text routines are defined in text/, the file and folder routines in
/// files/; the class is declared here in one piece, as its layout is part of
/// the interface. Included by text.h and files.h.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/windows.h"

class CArchive;
class COleDateTime;
class CIntArray;

/// The static toolbox of text, number, date, clipboard, archive, file and
/// folder routines.
class KVSTD_API CStringOpr {
 public:
  ///@{
  /// Holds nothing; every routine is static.
  CStringOpr();
  CStringOpr(const CStringOpr& other);
  virtual ~CStringOpr();
  ///@}

  // ---- Trimming and tests ----
  // 'Letter' and 'digit' are the wide character classes of the runtime's
  // default locale (the library's own KvIswalpha/KvIswdigit): Unicode letters, ideographs
  // included; the digits '0'-'9'.

  /// Trims spaces, tabs, CR and LF from both ends; with removeAll non-zero
  /// also removes every space and tab inside (line breaks inside stay).
  static CString TrimSpace(CString text, int removeAll = FALSE);
  /// Only for a text containing ".": strips trailing "0", then trailing "."
  /// ('1.500' -> '1.5', '2.000' -> '2', '.' -> ''); other texts unchanged.
  static CString TrimZero(CString number);
  /// value with "%f", or "%.<precision>f" when precision >= 0; mode 1 (and
  /// mode 2 with precision -1) then strips as TrimZero(CString) does.
  static CString TrimZero(double value, int precision = -1, int mode = 1);
  /// width < 0: TrimZero(value, precision, fillZero ? 0 : 1). Otherwise
  /// "%0<w>.<p>f" / "%<w>.<p>f" for precision >= 0, "%0<w>g" / "%<w>g" for
  /// precision < 0 (zero fill when fillZero is non-zero).
  static CString FormatString(double value, int width, int precision = -1, int fillZero = FALSE);
  /// TRUE for an optional "-" followed by digits (and with allowDot one "."):
  /// '12', '-12', '1.', '.5'; FALSE for '', '-', '1.2.3', '+1', ' 1'.
  /// *negative receives 1 for a leading "-"; *dotPos the index of the "."
  /// (of the second "." when there are two), -1 when none or nothing was
  /// accepted. Null pointers (text included) are allowed.
  static int IsInteger(const wchar_t* text, int allowDot = FALSE, int* negative = NULL,
                       int* dotPos = NULL);
  /// TRUE for a non-empty text of letters only.
  static int IsAlpha(const wchar_t* text);
  /// TRUE for a non-empty text of letters and digits only.
  static int IsIntegerOrAlpha(const wchar_t* text);
  /// The first character that is not space, tab, CR or LF (the terminator if
  /// none); null for null.
  static const wchar_t* SkipVoidCharacters(const wchar_t* text);
  /// TRUE when both have the same count and equal elements (case-sensitive).
  static int IsSame(const CStringArray& a, const CStringArray& b);
  /// TRUE when the text starts with "{\rtf" in any case.
  static int IsRtf(CString text);
  /// Counts characters, taking a character whose low byte is 0x80 or more
  /// together with the one after it as one word.
  static int GetWordCount(CString text);
  /// Bytes of the text in the system ANSI code page, without the terminator
  /// (a Chinese character counts 2 in code page 936, 3 in UTF-8).
  static int GetStringLength(CString text);
  /// The first byteLength/2 characters; byteLength is taken as unsigned, so a
  /// negative value gives the whole text.
  static CString GetStringByLength(CString text, int byteLength);

  // ---- Splitting, joining and searching ----
  /// The text left of the first separator, *rest (when not null) the text
  /// after it. An empty or missing separator gives the whole text, rest "".
  static CString SpliteString(CString text, CString separator, CString* rest = NULL);
  /// Splits text at every occurrence of separator: empty pieces count, a
  /// trailing separator gives a last empty piece, an empty separator gives the
  /// whole text. An empty text returns FALSE and leaves items untouched;
  /// otherwise items is emptied first and TRUE returned.
  static int SpliteStrToAry(CString text, CString separator, CStringArray& items);
  /// Appends pieces of pieceLength characters (the last may be shorter).
  /// pieceLength < 1 appends the whole text and returns FALSE.
  static int SpliteStrToAry(CString text, int pieceLength, CStringArray& items);
  /// Appends runs of one class of the text's ANSI form (system code page) to
  /// pieces and their classes to types: 0 digits and ".", 1 ASCII letters,
  /// 2 ASCII punctuation, 3 everything else (one whole character of the code
  /// page each: in 936 'AB12.5中文x' gives 'AB', '12.5', '中文', 'x' with
  /// 1, 0, 3, 1). Always TRUE.
  static int SpliteByType(CString text, CStringArray& pieces, CIntArray& types);
  /// Joins the elements with separator between them. With keepEmpty zero,
  /// empty elements are left out together with their separators
  /// ('a', '', 'b' -> 'a,b'); the elements' own characters always stay.
  static CString MergeAryToStr(CStringArray& items, CString separator, int keepEmpty = FALSE);
  /// Index of the first occurrence of pattern in text, -1 when none or when
  /// text is empty; 0 for an empty pattern. Linear time. Null means empty.
  static int Find_Sub_Str(const wchar_t* pattern, const wchar_t* text);
  /// Index of the first element equal to text (whole; ignoring case when
  /// caseSensitive is zero), or -1.
  static int FindArs(CStringArray& items, CString text, int caseSensitive = TRUE);
  /// Wildcard match of the whole text: "*" any run of characters, "?" one
  /// character, "^" makes the next pattern character optional; allowed, when
  /// not empty, is the set "*" and "?" may stand for (an optional "?" stands
  /// for any one character). Every other character matches itself. TRUE when
  /// some reading of the stars and optional characters fits: 'a*c' matches
  /// 'abbc', 'ab^cd' 'abd' and 'abcd', '*ab' 'aab'. Time linear in the text
  /// for a given pattern.
  int WildMatch(CString pattern, CString text, CString allowed = CString()) const;

  // ---- Labels, hexadecimal, GUID ----
  /// The label step places after text (before it when step < 0): letters
  /// count as column letters keeping each position's lower case ('Az' + 1 ->
  /// 'Ba', 'Z' + 1 -> 'AA'); a number keeps the width of its integer part
  /// ('007' + 1 -> '008', '1.5' + 1 -> '2.5'); any other text is returned as
  /// it is.
  static CString PreBackString(CString text, double step);
  /// Two upper-case hexadecimal digits of the byte, high nibble first.
  static CString Char2Hex(char c);
  /// The same two digits and a NUL into out[0..2]; out must hold 3 bytes.
  static void Char2Hex(unsigned char c, char* out);
  /// A new random UUID as 36 lower-case hexadecimal characters with hyphens,
  /// no braces; "" when the UUID cannot be made.
  static CString GetGUID();

  // ---- Numbers, radix and expression tokens ----
  // Radix texts are 32-bit Windows longs: BinToDec of 32 one-bits is '-1',
  // HexToDec('80000000') is '-2147483648'.

  /// "+", "-", "*", "/", "^", "%".
  static int IsOperator(wchar_t c);
  /// "(", "[", "{".
  static int IsForeBracket(wchar_t c);
  /// ")", "]", "}".
  static int IsBackBracket(wchar_t c);
  /// The prime marks ' and ".
  static int IsDerivative(wchar_t c);
  /// TRUE for a numeric constant: digits with at most one "." and an
  /// optional exponent "e+"/"e-"/"E+"/"E-" followed by digits (which may
  /// have a "." too), a leading "-" (not before ".") or "."; trailing blanks
  /// ignored, leading ones not: '12', '-3.5', '.5', '1.5e+3', '7 '; not '1e5',
  /// '+5', '-.5', '1.2.3'. On TRUE isInteger says whether it has neither "."
  /// nor exponent; on FALSE it is left alone.
  static int IsConstant(const wchar_t* text, int& isInteger);
  /// Every character but "0" is a 1 bit; '' gives '0'; bits beyond 32 are lost.
  static CString BinToDec(CString bin);
  ///@{
  /// Binary digits of the number (its 32-bit two's complement when negative),
  /// padded with "0" to a multiple of 4: '5' -> '0101', '-1' -> 32 ones.
  static CString DecToBin(CString dec);
  ///@}
  ///@{
  /// Binary digits to upper-case hexadecimal, through the 32-bit value.
  static CString BinToHex(CString bin);
  ///@}
  /// Upper case, no leading zeros; negative numbers as 32-bit two's complement.
  static CString DecToHex(CString dec);
  ///@{
  /// Leading blanks, a sign and "0x" accepted, reading stops at the first
  /// other character ('zz' -> '0'); values above 0xFFFFFFFF give '-1'.
  static CString HexToDec(CString hex);
  ///@}
  ///@{
  /// Hexadecimal (read as HexToDec reads it) to binary digits, as DecToBin.
  static CString HexToBin(CString hex);
  ///@}
  /// Column letters: 1 -> 'A', 26 -> 'Z', 27 -> 'AA'; a number n below 1
  /// counts as 2 - n (0 -> 'B').
  static CString DecToA2Z(CString dec);
  /// The inverse, either case: 'AB' -> '28', '' -> '0'. Other characters count
  /// with their code minus 64; the sum wraps as a 32-bit int.
  static CString A2ZToDec(CString letters);
  ///@{
  /// The closed forms, without domain checks (outside the domain: NaN or an
  /// infinity).
  static double asinh(double x);
  static double acosh(double x);
  static double atanh(double x);
  ///@}

  // ---- Dates and times (COleDateTime) ----
  // Modes: 0 time "%H:%M:%S", 1 date "%Y-%m-%d", other date and time
  // "%Y-%m-%d %H:%M:%S".

  /// out = time in the mode's form (empty for a null date); FALSE with out
  /// empty when time is invalid.
  static int Time2CString(CString& out, COleDateTime& time, int mode);
  /// Parses text (an empty text stands for the mode's default: "00:00:00",
  /// "2009:09:01", "0000:00:00 00:00:00"). TRUE with time valid when it
  /// parsed; FALSE with time invalid (value 0, or -1 for a date out of range)
  /// when it did not.
  static int CString2Time(COleDateTime& time, CString text, int mode);
  /// time through the automation formatter, pattern given in strftime codes
  /// (%Y %y %m %d %H %M %S, each without leading zeros: '2024-3-5 7:4:9').
  /// "" for a date that is not valid.
  static CString FormatDateTime(const COleDateTime& time, CString pattern);
  /// Today's local date as year, month, day: '20240305' with pad non-zero,
  /// '202435' without.
  static CString GetCurData(int pad = TRUE);
  /// out = base plus (add non-zero) or minus the clock time of delta, in the
  /// given mode; out empty when base is not a time. Always TRUE.
  static int TimeAddTime(CString& out, CString base, CString delta, int add, int mode);
  /// Splits text at each space: date = the first piece, time = the second,
  /// each only when there is one (otherwise it keeps its value). Always TRUE.
  static int GetDateAddTime(CString text, CString& date, CString& time);

  // ---- Clipboard file lists, byte scrambling, archives ----
  /// Puts files on the clipboard as a file drop (CF_HDROP, UTF-16 names,
  /// surrogate pairs above U+FFFF) with the "Preferred DropEffect" 1 (mode 1,
  /// copy) or 2 (any other mode, move). No limit on the list's length. Does
  /// nothing when the clipboard cannot be opened.
  static void CutOrCopyFiles(CStringArray& files, int mode);
  /// The same for length characters of NUL-terminated names in the ANSI
  /// code page (the block keeps room for length UTF-16 units).
  static void CutOrCopyFiles(const char* names, unsigned int length, int mode);
  /// Empties files and reads the clipboard's file drop into it, whole names in
  /// order. copy = 0 when the effect's low byte has the move bit (2), else 1
  /// when it has the copy bit (1); a drop without an effect block is a copy;
  /// with no drop copy is left alone. TRUE when at least one file was listed.
  static int CheckClipboard(HWND owner, CStringArray& files, int& copy);
  /// Keyed nibble substitution in place; its own inverse under the same key.
  /// Nothing happens for length 0 or a keyLength below 1.
  static void EncryptByteData(unsigned char* data, DWORD length, unsigned char* key, int keyLength);
  ///@{
  /// Store or load by the archive's direction; always TRUE. Layouts: a
  /// 32-bit count then the strings (archive string form) or the bytes; the
  /// bitmap's header fields then bmHeight x bmWidthBytes pixel bytes, loaded
  /// into a malloc'd bmBits the caller frees. A truncated archive throws
  /// CArchiveException* endOfFile (elements read so far stay; bmBits null).
  /// A bitmap with a negative size or one beyond 2^31 - 1 bytes throws
  /// badIndex. Memory never grows beyond what the archive really holds.
  static int ESerialize(CArchive& ar, CStringArray& items);
  static int ESerialize(CArchive& ar, CByteArray& bytes);
  static int ESerialize(CArchive& ar, BITMAP& bitmap);
  ///@}


  // =========================================================================
  // Files and folders. Defined in the files layer (files/file_name_helper.cpp,
  // string_names.cpp, string_paths.cpp, file_exists.cpp, temp_names.cpp,
  // folder_listing.cpp, tree_delete.cpp, tree_lists.cpp, text_lines.cpp,
  // byte_files.cpp, shell_open.cpp). Paths are Windows paths of any length.
  // =========================================================================

  // ---- File names ----
  // Textual (the disk is not asked) but for FindFile, JustFileIsExsit and
  // GetTempFilePath. getNameExtWithoutPath, getPath, getNameWithoutPath and
  // getExt split as CFileNameHelper does (a UNC server counts as the drive)
  // and always return TRUE.

  /// The file name with its extension, without the folder ('C:\a\b.c.txt'
  /// gives 'b.c.txt'); always TRUE.
  static int getNameExtWithoutPath(const wchar_t* path, CString& out);
  /// Drive and folder with its trailing backslash ('C:\a\b.c.txt' gives
  /// 'C:\a\').
  static int getPath(const wchar_t* full, CString& out);
  /// The name without folder and extension ('b.c' for the same path).
  static int getNameWithoutPath(const wchar_t* full, CString& out);
  ///@{
  /// The extension with its "." ('.txt'); "" when there is none.
  static int getExt(const wchar_t* full, CString& out);
  static CString getExt(const wchar_t* full);
  ///@}
  /// The parts as _wsplitpath gives them, without length limits: drive
  /// ('C:'), folder with its trailing separator, name, extension with its
  /// ".". A null part pointer skips that part; a null path counts as "".
  static void SplitPath(const wchar_t* path, CString* drive, CString* dir, CString* name, CString* ext);
  /// first without its trailing backslashes, one "\", then second without
  /// its leading ones: 'C:\a\' and '\b' give 'C:\a\b', 'C:\a' and '' give
  /// 'C:\a\'. Null counts as "".
  static CString combinePathString(const wchar_t* first, const wchar_t* second);
  /// TRUE when pattern (wildcards allowed) matches something on disk
  /// (FindFirstFileW).
  static int FindFile(CString& pattern);
  /// TRUE when path may be written: nothing is there, or ask is non-zero,
  /// the user answers Yes to the (Chinese) overwrite question and the file is
  /// deleted. FALSE when it exists and ask is zero, when the user declines,
  /// or when the delete fails (which a message box then reports).
  static int JustFileIsExsit(CString& path, int ask);
  /// The user's temporary folder + name; with unique non-zero the first of
  /// name, "1" + name ... "999" + name that does not exist yet (the last one
  /// when all do). An empty name gives the folder with its trailing
  /// backslash; the folder part is "" when the platform has none.
  static CString GetTempFilePath(CString name, int unique);

  // ---- Paths against a base folder ----
  /// path made absolute against the folder part of base (base + "\" for a
  /// folder: 'C:\p\q' means the file q in C:\p): a relative path is joined
  /// and its dot segments resolved ('..\x.dwg', 'C:\p\q\' gives
  /// 'C:\p\x.dwg'; "" when base has no folder part), a bare name is put in
  /// the folder, any other path comes back unchanged.
  static CString GetAbsolutePath(CString path, CString base);
  /// path relative to the folder base, without a leading ".\"
  /// ('C:\a\b\c.txt', 'C:\a' gives 'b\c.txt'); "" for a relative path or
  /// another drive.
  static CString GetRelativePath(CString path, CString base);
  /// TRUE when path has a file name and, unless ext is empty, ends with ext
  /// (case ignored). The disk is not asked.
  static int IsFile(CString path, CString ext);
  /// FALSE for ""; TRUE for a folder, a drive root or a path that does not
  /// exist; FALSE for an existing file.
  static int IsDirPath(CString path);

  // ---- Listing, deleting and copying trees ----
  // Links to folders are never followed; special files (pipes, sockets,
  // devices) are never listed or opened; what cannot be read is skipped.

  /// Appends the files of folder (with recurse non-zero, of its sub-folders
  /// too: a folder's files before its sub-folders') as folder + "\" + their
  /// relative path. A file is listed when filters is empty, when its full
  /// path matches a filter as a shell wildcard (PathMatchSpecW), or when a
  /// filter equals its extension with the "." (case ignored). files is not
  /// emptied; returns its size, also when folder cannot be opened.
  static int getFilesInFolder(const wchar_t* folder, CStringArray& files, const CStringArray& filters,
                              int recurse);
  /// The same with the filters in one text separated by "|" ('*.dwg|.dxf').
  static int getFilesInFolder(const wchar_t* folder, CStringArray& files, int recurse, CString filters);
  /// Empties folders and lists the direct sub-folders of folder (links to
  /// folders included) as full paths; returns their number, 0 when folder
  /// cannot be opened.
  static int getSubFolderInFolder(const wchar_t* folder, CStringArray& folders);
  /// Deletes folder with everything below it, clearing read-only first. A
  /// link is removed as a link (folder itself too when it is one); nothing
  /// outside the tree is touched. Failures are skipped.
  static void DeleteDirectory(CString folder);
  /// Removes the folders of the tree that are or become empty, deepest
  /// first, folder itself included; files and links stay.
  static void DeleteEmptyDirectory(CString folder);
  /// Items are relative to base (GetAbsolutePath); an item ending with a
  /// separator is a folder. Deletes the listed files (clearing read-only
  /// first), then removes the listed folders' empty folders
  /// (DeleteEmptyDirectory). A listed link is deleted as a link; items below
  /// a linked folder of the tree and linked folders are left alone. Failures
  /// are skipped.
  static void DeleteFilesAndDirs(CStringArray& items, CString base);
  /// Copies each listed file from fromBase to the same place under toBase
  /// (overwriting; the copy is never read-only) and creates the listed
  /// folders and the missing folders on the way. Links are not copied, and
  /// nothing is read or written through a linked folder of either tree.
  /// Failures are skipped.
  static void CopyFilesAndDirs(CStringArray& items, CString fromBase, CString toBase);

  // ---- Text and byte files ----
  /// The lines of an ANSI text file (system code page) replace lines. FALSE
  /// with lines untouched when path does not exist or cannot be opened; a
  /// read error shows "Unable to load Dwg list" and gives FALSE (the lines
  /// read so far stay).
  static int LoadTextFile(CStringArray& lines, CString path);
  /// Writes each line (up to its first NUL) and a CR LF, in ANSI, replacing
  /// the file. FALSE when it cannot be opened ("Could not open file
  /// <path>.\n" is shown) or a write fails ("Unable to save Dwg list").
  static int SaveTextFile(CStringArray& lines, CString path);
  ///@{
  /// Byte files: the raw bytes scrambled with the library's fixed 16-byte key
  /// (EncryptByteData), no header. The pointer forms scramble data in place;
  /// the array forms write a scrambled copy. To a path: the file is replaced
  /// (an empty array writes nothing); CFile throws CFileException* when it
  /// cannot be created. To a memory file: flushed, then written at its
  /// position; nothing for a null file.
  static void SaveByteArrayToFile(unsigned char* data, DWORD length, const wchar_t* path);
  static void SaveByteArrayToFile(CByteArray& bytes, const wchar_t* path);
  static void SaveByteArrayToFile(unsigned char* data, DWORD length, CMemFile* file);
  static void SaveByteArrayToFile(CByteArray& bytes, CMemFile* file);
  ///@}
  ///@{
  /// bytes = the unscrambled content. A null or missing path changes
  /// nothing; a file that cannot be opened throws CFileException*. A memory
  /// file is read from its position into bytes sized to its length; nothing
  /// for a null file.
  static void ReadFileToByteArray(const wchar_t* path, CByteArray& bytes);
  static void ReadFileToByteArray(CMemFile* file, CByteArray& bytes);
  ///@}

  // ---- Shell ----
  /// An existing file: its folder with it selected ("explorer.exe",
  /// "/select,<path>"); FALSE when FindFile cannot find it. A folder or root:
  /// opened itself; a path that matches nothing: its folder part. Opens only
  /// when open is non-zero; TRUE otherwise.
  static int OpenDirSelectFile(CString path, int open);
  /// Starts file through ShellExecuteExW (shellapi.h) without error dialogs;
  /// with wait non-zero waits, without a time limit, for the process started
  /// and closes its handle. Failures are not reported.
  static void ShellExecuteExW(HWND owner, CString verb, CString file, CString parameters, CString folder,
                              int show, int wait);
};
