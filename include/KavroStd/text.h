/// @file
/// The text layer: text, number and date routines, numeric arrays, a
/// tokenizer and a stopwatch. This header declares, or includes:
///
///   CStringOpr      the static toolbox of text, number, radix, date,
///                   clipboard and archive routines, and the file and folder
///                   routines that go with them (string_opr.h)
///   CharToWChar, WCharToChar, GetRGBByIndex, GetIndexByRGB, SetRGBByIndex,
///   IsWow64, GetOSVerIs64Bit
///                   plain-name C exports: ANSI/wide conversion, the colour
///                   index table, bitness queries (conversions.h)
///   CIntArray, CDoubleArray
///                   growable numeric arrays with search, sort, a text form
///                   ('1:2.5:-0.125') and an archive form
///   CTokenizer      hands out the tokens of a text, typed, one by one
///   JTimeTest       a stopwatch for the steps of an operation, reported in a
///                   message box or a file
///
///   CStringArray parts;
///   CStringOpr::SpliteStrToAry(L"a,,b,", L",", parts);  // "a", "", "b", ""
///   CTokenizer t(L"3,4.5", L",");
///   int n = t.NextInt();          // 3
///   double d = t.NextDouble();    // 4.5
///
/// Nothing here keeps state between calls except the colour table and the
/// objects themselves; meant for the host's main thread.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/windows.h"
#include "KavroStd/conversions.h"
#include "KavroStd/string_opr.h"

// ---- Numeric arrays (CIntArray, CDoubleArray) ----
// Growable arrays of 32-bit integers and of doubles with search, sort, sum,
// a text form and an archive form.
//
// Text form: the elements in order separated by ":", each written with six
// decimals and its trailing zeros (and a trailing ".") stripped: '1:2.5:-0.125'.
// A value below 0.0000005 in magnitude gives '0' or '-0'; an empty array ''.
// Reading splits at ":" and converts each piece as _wtoi/_wtof do (a piece
// that is not a number gives 0; '4:' gives 4, 0).
// Archive form (little-endian): version (4 bytes, 0), count (4 bytes), then
// count elements of 4 bytes (signed) or 8 bytes (IEEE double). Loading reads
// through the archive and so throws CArchiveException* at its end; the
// elements read until then stay in the array.
class CArchive;

/// A growable array of 32-bit integers with search, sort and text and
/// archive forms.
class KVSTD_API CIntArray : public CArray<LONG, LONG> {
 public:
  ///@{
  /// Empty; a copy copies the elements.
  CIntArray();
  CIntArray(const CIntArray& other);
  ~CIntArray() override;
  ///@}
  /// Empties this array and copies other's elements (nothing on self-copy).
  CIntArray& operator=(const CIntArray& other);
  /// Sets every existing element to value; the size stays.
  CIntArray& operator=(LONG value);

  /// Empties the array.
  void Reset();
  /// Index of the first element at index >= start equal to value, or -1; a
  /// negative start searches from 0.
  int Find(LONG value, int start = 0);
  /// Sorts in place, ascending when ascending is non-zero, in O(n log n).
  void Sort(int ascending = TRUE);
  /// Stores or loads the archive form by the archive's direction. Loading
  /// with a version other than 0 returns FALSE and leaves the array as it is.
  int ESerialize(CArchive& archive);

  /// The text form (see above).
  virtual CString GetDataToString();
  /// Replaces the elements with the numbers of text; always TRUE.
  virtual int SetDataByString(CString text);
};

/// A growable array of doubles with search, sort, sum and text and archive
/// forms.
class KVSTD_API CDoubleArray : public CArray<double, double> {
 public:
  ///@{
  /// Empty; a copy copies the elements.
  CDoubleArray();
  CDoubleArray(const CDoubleArray& other);
  ~CDoubleArray() override;
  ///@}
  /// As the CIntArray assignments: a copy of other, or value in every element.
  ///@{
  CDoubleArray& operator=(const CDoubleArray& other);
  CDoubleArray& operator=(double value);
  ///@}

  /// Empties the array.
  void Reset();
  /// As CIntArray::Find, an element matching when it differs from value by
  /// less than 1e-7. NaN matches nothing.
  int Find(double value, int start = 0);
  /// As CIntArray::Sort, in O(n log n); each NaN element keeps its place and
  /// the numbers are sorted into the other places.
  void Sort(int ascending = TRUE);
  ///@{
  /// Sum of the first count elements; all of them when count is negative or
  /// not below the size; 0 for count 0 or an empty array.
  double GetSum(int count = -1);
  ///@}
  /// As CIntArray::ESerialize, with 8-byte elements.
  int ESerialize(CArchive& archive);

  ///@{
  /// The text form, read or written (see above); SetDataByString always
  /// returns TRUE.
  virtual CString GetDataToString();
  virtual int SetDataByString(CString text);
  ///@}
};

// ---- Tokenizer (CTokenizer) ----
/// Walks a text left to right handing out tokens separated by any one of a
/// set of delimiter characters (no default set: empty means no delimiters).
/// Consecutive delimiters give empty tokens; a single trailing delimiter
/// gives no extra token. Numbers are read as the "C" runtime's wide scan
/// reads them: leading blanks skipped, trailing characters ignored ('12abc'
/// is 12); NextFloat/NextDouble first turn every ',' into '.'. Each read
/// that fails gives its default. Every operation is virtual, for derived
/// tokenizers.
///
///   CTokenizer t(L"a,,b", L",");
///   t.Next();   // "a", then "", then "b"; HasMoreTokens() is then FALSE
class KVSTD_API CTokenizer {
 public:
  ///@{
  /// No text, no delimiters; or text with its delimiter set. Copies copy the
  /// text, the set and the position.
  CTokenizer();
  CTokenizer(CString text, CString delimiters);
  CTokenizer(const CTokenizer& other);
  CTokenizer& operator=(const CTokenizer& other);
  ///@}

  virtual ~CTokenizer();
  /// The next raw token; empty at the end.
  virtual CString Next();
  ///@{
  /// defaultValue when the text is used up. Quoted: the text between the
  /// next pair of double quotes (delimiters inside stay), the rest up to the
  /// next delimiter dropped; with no quote left, empty and the text used up.
  virtual CString NextString(int quoted = FALSE, CString defaultValue = CString());
  ///@}
  ///@{
  /// The next token as a number; defaultValue when the text is used up or
  /// the token is not a number.
  virtual int NextInt(int defaultValue = 0);
  virtual LONG NextLong(LONG defaultValue = 0);
  virtual float NextFloat(float defaultValue = 0.0f);
  virtual double NextDouble(double defaultValue = 0.0);
  ///@}
  ///@{
  /// A token starting with an integer: TRUE when non-zero; else "true" or
  /// "false" in any case; else defaultValue.
  virtual int NextBool(int defaultValue = FALSE);
  ///@}
  ///@{
  /// TRUE while the text is not used up.
  virtual int HasMoreTokens();
  ///@}
  /// Replaces the delimiter set; the position stays.
  virtual void SetDelimiter(CString delimiters);
  /// Replaces the text and goes back to its start.
  virtual void SetString(CString text);

  /// @cond INTERNAL
 protected:
  CString m_strText;
  CString m_strDelimiters;
  LONG m_nPosition;
  /// @endcond
};

// ---- Execution timer (JTimeTest) ----
/// A stopwatch for the steps of an operation: each AddSysTime marks a point
/// (UTC, GetSystemTime) with a comment; MessageBoxW reports, in Chinese and
/// tab-separated, every step's duration and start time and the total:
///
///   注释\t\t耗时\t开始时间
///   load\t1.500\t秒\t08时05分09秒7毫秒
///   parse\t0.062\t秒\t08时05分10秒507毫秒
///   总耗时1.562秒
///
/// The last point's comment is never shown. A step's duration counts whole
/// days too, so a step across midnight UTC is as long as it really was; a
/// step back in time (a clock set back) shows with a leading "-". One thread
/// uses a timer.
class KVSTD_API JTimeTest {
 public:
  JTimeTest();
  ~JTimeTest();

  /// Forgets every point.
  void Reset();
  /// Marks a point at the current UTC time; returns its time text
  /// ('08时05分09秒7毫秒'), without the comment.
  CString AddSysTime(CString comment);
  /// The same with a given time (for replaying recorded times).
  CString AddSysTime(CString comment, const SYSTEMTIME& time);
  /// The report; shown in an OK message box when show is non-zero. Fewer
  /// than two points give the header and a total of 0.000.
  CString MessageBoxW(int show);
  ///@{
  /// Writes the lines to file through CStringOpr::SaveTextFile (which reports
  /// a file that cannot be written itself).
  static void OutDebugFile(CStringArray& lines, CString file);
  static void OutDebugFile(CString text, CString file);
  ///@}

  /// @cond INTERNAL
 protected:
  CStringArray m_strAryComment;
  CArray<SYSTEMTIME, SYSTEMTIME> m_aryTime;
  /// @endcond
};
