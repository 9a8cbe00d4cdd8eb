// Paths against a base folder: absolute and relative forms, file and folder
// tests of CStringOpr.
#include "KavroStd/files.h"

CString CStringOpr::GetAbsolutePath(CString path, CString base) {
  CString folder;
  getPath(base, folder);
  CPath item(path, FALSE, FALSE);
  if (item.IsRelativePath()) return item.GetAbsolutePath(folder);
  // A bare name, ".dotfile" (no title) included, lies in the base folder.
  if (!path.IsEmpty() && item.GetDrive().IsEmpty() && item.GetDir(-1).IsEmpty()) return folder + path;
  return path;
}

CString CStringOpr::GetRelativePath(CString path, CString base) {
  return CPath(path, FALSE, FALSE).GetRelativePath(base);
}

int CStringOpr::IsFile(CString path, CString ext) {
  if (!CPath(path, FALSE, FALSE).IsFilePath()) return FALSE;
  if (ext.IsEmpty()) return TRUE;
  return path.GetLength() >= ext.GetLength() && path.Right(ext.GetLength()).CompareNoCase(ext) == 0;
}

int CStringOpr::IsDirPath(CString path) {
  if (path.IsEmpty()) return FALSE;
  DWORD attributes = GetFileAttributesW(path);
  if (attributes == INVALID_FILE_ATTRIBUTES || attributes == FILE_ATTRIBUTE_DIRECTORY) return TRUE;
  return PathIsDirectoryW(path) || PathIsRootW(path);
}
