// The module list: the product modules listed in root + "Acad.rx".
#include "KavroStd/env.h"
#include "KavroStd/text.h"

namespace {

const wchar_t kModuleListFile[] = L"Acad.rx";
const wchar_t kReadFailure[] = L"Unable to load arx list";

// One line 'names=number,rest', with the parts the line leaves out filled
// in: no "=" gives all names, and no "," after the "=" the number text "1".
struct ModuleLine {
  CString names;
  CString numberText = L"1";

  explicit ModuleLine(const CString& line) : names(line) {
    const int equals = line.Find(L'=');
    if (equals < 0) return;
    names = line.Left(equals);
    const int comma = line.Find(L',', equals + 1);
    if (comma >= 0) numberText = line.Mid(equals + 1, comma - equals - 1);
  }
  int Number() const { return _wtoi(numberText); }
  bool Enabled() const { return numberText != L"0" && Number() < 99; }
};

}  // namespace

BOOL CSTDGlobeInfo::GetAllArxFile(CStringArray& modules) {
  CStdioFile file;
  if (!file.Open(m_strRootPath + kModuleListFile, CFile::modeRead | CFile::typeText)) return FALSE;
  try {
    CString line;
    CStringArray pieces;
    while (file.ReadString(line)) {
      const ModuleLine parsed(line);
      if (!parsed.Enabled()) continue;
      // An empty names part gives no pieces.
      if (CStringOpr::SpliteStrToAry(parsed.names, L",", pieces)) modules.Append(pieces);
    }
  } catch (CFileException* e) {
    e->Delete();
    AfxMessageBox(kReadFailure, MB_OK);
    return FALSE;
  }
  file.Abort();
  return TRUE;
}

CString CSTDGlobeInfo::GetSoftName(int number) {
  CString result = L"KavroCAD";
  CStdioFile file;
  if (!file.Open(m_strRootPath + kModuleListFile, CFile::modeRead | CFile::typeText)) return result;
  try {
    CString line;
    while (file.ReadString(line)) {
      // The first line carrying the number answers, even with an empty names
      // part (an empty line carries number 1).
      const ModuleLine parsed(line);
      if (parsed.Number() != number) continue;
      result = parsed.names;
      break;
    }
  } catch (CFileException* e) {
    e->Delete();
    AfxMessageBox(kReadFailure, MB_OK);
  }
  return result;
}
