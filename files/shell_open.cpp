// Handing a file or folder to the shell: open it, show it selected in its
// folder, or start it and wait for it.
#include "KavroStd/text.h"

// A file that exists is shown selected in its folder ("explorer.exe" with
// "/select,<path>"); a folder or root that exists is opened itself; a path
// that matches nothing opens its folder part. Nothing is opened when open is
// zero. FALSE only for an existing non-folder that FindFile cannot find;
// TRUE otherwise.
int CStringOpr::OpenDirSelectFile(CString path, int open) {
  if (!IsDirPath(path)) {
    if (!FindFile(path)) return FALSE;
    if (open) ShellExecuteExW(nullptr, L"OPEN", L"explorer.exe", L"/select," + path, L"", SW_SHOWNORMAL, FALSE);
    return TRUE;
  }
  if (!open) return TRUE;
  if (FindFile(path)) {
    ShellExecuteExW(nullptr, L"OPEN", path, L"", L"", SW_SHOWNORMAL, FALSE);
  } else {
    CString folder;
    getPath(path, folder);
    ShellExecuteExW(nullptr, L"OPEN", folder, L"", L"", SW_SHOWNORMAL, FALSE);
  }
  return TRUE;
}

// Starts file through the shell (no error dialogs). With wait non-zero and
// a process started, waits for it to end without a time limit and releases
// its handle; no handle is kept otherwise. Failures are not reported.
void CStringOpr::ShellExecuteExW(HWND owner, CString verb, CString file, CString parameters, CString folder,
                                 int show, int wait) {
  SHELLEXECUTEINFOW info = {};
  info.cbSize = sizeof info;
  info.fMask = SEE_MASK_FLAG_NO_UI | (wait ? SEE_MASK_NOCLOSEPROCESS : 0);
  info.hwnd = owner;
  info.lpVerb = verb;
  info.lpFile = file;
  info.lpParameters = parameters;
  info.lpDirectory = folder;
  info.nShow = show;
  if (!::ShellExecuteExW(&info) || !info.hProcess) return;
  WaitForSingleObject(info.hProcess, INFINITE);
  CloseHandle(info.hProcess);
}
