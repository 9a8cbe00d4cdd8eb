/// @file
/// @ingroup platform_layer
/// CFileFind: enumerates the entries of a folder that match a name or a
/// wildcard pattern, through FindFirstFileW/FindNextFileW.
///
///   CFileFind ff;
///   BOOL more = ff.FindFile(L"Z:\\data\\*.ini");
///   while (more) { more = ff.FindNextFile(); use(ff.GetFilePath()); }
///
/// FindNextFile must be called before the first entry is read; it returns
/// FALSE when the entry it moved to is the last one (that entry is valid).
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/afx_file.h"

class KVSTD_API CFileFind : public CObject {
 public:
  CFileFind();
  ~CFileFind() override;
  CFileFind(const CFileFind&) = delete;
  CFileFind& operator=(const CFileFind&) = delete;

  /// Starts a search ("*.*" when name is null); FALSE when nothing matches.
  virtual BOOL FindFile(LPCWSTR name = nullptr, DWORD unused = 0);
  virtual BOOL FindNextFile();
  void Close();

  CString GetFileName() const;
  CString GetFilePath() const;
  CString GetFileTitle() const;
  CString GetRoot() const;
  ULONGLONG GetLength() const;
  BOOL GetLastWriteTime(FILETIME* time) const;
  BOOL GetCreationTime(FILETIME* time) const;
  BOOL GetLastAccessTime(FILETIME* time) const;
  BOOL MatchesMask(DWORD mask) const;
  BOOL IsDots() const;
  BOOL IsDirectory() const { return MatchesMask(FILE_ATTRIBUTE_DIRECTORY); }
  BOOL IsReadOnly() const { return MatchesMask(FILE_ATTRIBUTE_READONLY); }
  BOOL IsHidden() const { return MatchesMask(FILE_ATTRIBUTE_HIDDEN); }
  BOOL IsArchived() const { return MatchesMask(FILE_ATTRIBUTE_ARCHIVE); }
  BOOL IsSystem() const { return MatchesMask(FILE_ATTRIBUTE_SYSTEM); }
  BOOL IsNormal() const { return MatchesMask(FILE_ATTRIBUTE_NORMAL); }

 private:
  HANDLE find_;
  WIN32_FIND_DATAW found_;
  WIN32_FIND_DATAW next_;
  BOOL hasNext_;
  bool started_;
  CString root_;
};
