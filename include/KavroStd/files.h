// Paths and files: CFileNameHelper splits a file name into drive, folder,
// name and extension.
//
//   CFileNameHelper h;
//   h.setFullName(L"C:\\a\\b.c.txt");   // drive "C:", folder "\a\",
//                                       // name "b.c", extension ".txt"
//
// For a UNC name the drive part is the server ("\\srv") and the folder
// starts with the share ("\share\dir\"). No length limit applies.
#pragma once

#include "KavroStd/text.h"

class KVSTD_API CFileNameHelper {
 public:
  CFileNameHelper();
  CFileNameHelper(const CFileNameHelper& other);
  CFileNameHelper& operator=(const CFileNameHelper& other);
  virtual ~CFileNameHelper();

  // Stores full and splits it; always TRUE.
  int setFullName(CString full);
  int getPath(CString& out);                // drive + folder
  int getNameWithoutPath(CString& out);     // name
  int getNameExtWithoutPath(CString& out);  // name + extension
  int getExt(CString& out);                 // extension with its "."

 protected:
  void clear();

  CString m_strExt;
  CString m_strName;
  CString m_strFolder;
  CString m_strDrive;
  CString m_strFullName;
};
