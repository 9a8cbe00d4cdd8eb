// Line lists in text files: the ANSI code page, CR LF on disk.
#include "KavroStd/files.h"

int CStringOpr::LoadTextFile(CStringArray& lines, CString path) {
  if (!FindFile(path)) return FALSE;
  CStdioFile file;
  if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite | CFile::typeText)) return FALSE;
  lines.RemoveAll();
  try {
    CString line;
    while (file.ReadString(line)) lines.Add(line);
    file.Close();
  } catch (CFileException* e) {
    e->Delete();
    file.Abort();
    AfxMessageBox(L"Unable to load Dwg list");
    return FALSE;
  }
  return TRUE;
}

int CStringOpr::SaveTextFile(CStringArray& lines, CString path) {
  CStdioFile file;
  if (!file.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::typeText)) {
    CString message;
    message.Format(L"Could not open file %s.\n", static_cast<const wchar_t*>(path));
    AfxMessageBox(message);
    return FALSE;
  }
  try {
    CString line;
    for (INT_PTR i = 0; i < lines.GetSize(); ++i) {
      line.Format(L"%s\n", static_cast<const wchar_t*>(lines[i]));
      file.WriteString(line);
    }
    file.Close();
  } catch (CFileException* e) {
    e->Delete();
    file.Abort();
    AfxMessageBox(L"Unable to save Dwg list");
    return FALSE;
  }
  return TRUE;
}
