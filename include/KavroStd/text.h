// CStringOpr: the library's static toolbox of text routines (and, declared
// with them, the file-name routines of files.h). Texts are CString, lists
// CStringArray; arguments are taken by value and results returned by value,
// so no routine changes its argument except through a reference.
//
//   CStringArray parts;
//   CStringOpr::SpliteStrToAry(L"a,,b,", L",", parts);  // "a", "", "b", ""
#pragma once

#include "KavroStd/platform/windows.h"

class KVSTD_API CStringOpr {
 public:
  CStringOpr();
  CStringOpr(const CStringOpr& other);
  virtual ~CStringOpr();

  // Splits text at every occurrence of separator: empty pieces count, a
  // trailing separator gives a last empty piece, an empty separator gives the
  // whole text. An empty text returns FALSE and leaves items untouched;
  // otherwise items is emptied first and TRUE returned.
  static int SpliteStrToAry(CString text, CString separator, CStringArray& items);
  // Appends pieces of pieceLength characters (the last may be shorter).
  // pieceLength < 1 appends the whole text and returns FALSE.
  static int SpliteStrToAry(CString text, int pieceLength, CStringArray& items);

  // The file name with its extension, without the folder ('C:\a\b.c.txt'
  // gives 'b.c.txt'); always TRUE.
  static int getNameExtWithoutPath(const wchar_t* path, CString& out);
};
