// Line lists in text files: the ANSI code page, CR LF on disk.
#include <utility>

#include "KavroStd/files.h"

int CStringOpr::LoadTextFile(CStringArray& lines, CString path) {
  if (!FindFile(path)) return FALSE;
  CStdioFile file;
  if (!file.Open(path, CFile::modeRead | CFile::shareDenyWrite | CFile::typeText)) return FALSE;
  lines.RemoveAll();
  try {
    // Each line moves into the array: one string per line, no copy.
    CString line;
    while (file.ReadString(line)) lines.Add(std::move(line));
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
      // The line up to its first NUL and a line end, in one reused buffer.
      line = static_cast<const wchar_t*>(lines[i]);
      line += L'\n';
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
