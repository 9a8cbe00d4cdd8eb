// Testing for files on disk, and asking before one is overwritten.
#include "KavroStd/files.h"

int CStringOpr::FindFile(CString& pattern) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW(pattern, &data);
  if (find == INVALID_HANDLE_VALUE) return FALSE;
  FindClose(find);
  return TRUE;
}

int CStringOpr::JustFileIsExsit(CString& path, int ask) {
  if (!FindFile(path)) return TRUE;
  if (!ask) return FALSE;
  CString question;
  question.Format(L"%s已存在，覆盖吗？", static_cast<const wchar_t*>(path));
  if (AfxMessageBox(question, MB_YESNOCANCEL | MB_ICONWARNING) != IDYES) return FALSE;
  if (DeleteFileW(path)) return TRUE;
  CString failure;
  failure.Format(L"%s文件无法覆盖，请查看文件是否正被打开！", static_cast<const wchar_t*>(path));
  AfxMessageBox(failure, MB_OK);
  return FALSE;
}
