// The folders and files of the installation tree, and the file lookup with
// its replaceable hook.
#include "KavroStd/env.h"
#include "KavroStd/text.h"

namespace {
const wchar_t kFindFileFunction[] = L"KVSTD_PLATFORM_FUNCTION_FINDFILE";

// TRUE when anything on disk matches the name or wildcard pattern.
BOOL Exists(const CString& pattern) {
  CFileFind finder;
  return finder.FindFile(pattern);
}
}  // namespace

CString CSTDGlobeInfo::MakeFolder(const CString& parent, const wchar_t* name) {
  CString folder = parent + name;
  CreateDirectoryW(folder, nullptr);
  return folder;
}

CString CSTDGlobeInfo::GetSysPath() { return MakeFolder(m_strRootPath, L"Sys\\"); }
CString CSTDGlobeInfo::GetHelpPath() { return MakeFolder(m_strRootPath, L"Help\\"); }
CString CSTDGlobeInfo::GetScriptHelpPath() { return MakeFolder(GetHelpPath(), L"ScriptHelp\\"); }
CString CSTDGlobeInfo::GetLibsPath() { return MakeFolder(m_strRootPath, L"Library\\"); }
CString CSTDGlobeInfo::GetLDrawsPath() { return GetLibsPath(); }
CString CSTDGlobeInfo::GetLBlockPath() { return MakeFolder(GetLibsPath(), L"Block\\"); }
CString CSTDGlobeInfo::GetLDictsPath() { return MakeFolder(GetLibsPath(), L"Dict\\"); }
CString CSTDGlobeInfo::GetLDictCommPath() { return MakeFolder(GetLDictsPath(), L"Common\\"); }
CString CSTDGlobeInfo::GetLDictReplPath() { return MakeFolder(GetLDictsPath(), L"Replace\\"); }
CString CSTDGlobeInfo::GetLDictTranPath() { return MakeFolder(GetLDictsPath(), L"Translation\\"); }
CString CSTDGlobeInfo::GetLOtherPath() { return MakeFolder(GetLibsPath(), L"Other\\"); }
CString CSTDGlobeInfo::GetLScripPath() { return MakeFolder(GetLibsPath(), L"Script\\"); }
CString CSTDGlobeInfo::GetLSettsPath() { return MakeFolder(GetLibsPath(), L"Setting\\"); }
CString CSTDGlobeInfo::GetLTablePath() { return MakeFolder(GetLibsPath(), L"Table\\"); }
CString CSTDGlobeInfo::GetSuppPath() { return MakeFolder(m_strRootPath, L"Support\\"); }
CString CSTDGlobeInfo::GetFontPath() { return MakeFolder(GetSuppPath(), L"Fonts\\"); }
CString CSTDGlobeInfo::GetLangPath() { return MakeFolder(GetSuppPath(), L"Language\\"); }
CString CSTDGlobeInfo::GetLocaPath() { return MakeFolder(GetSuppPath(), L"Location\\"); }
CString CSTDGlobeInfo::GetMenuPath() { return MakeFolder(GetSuppPath(), L"Menu\\"); }
CString CSTDGlobeInfo::GetMenuICONPath() { return MakeFolder(GetMenuPath(), L"Images\\"); }
CString CSTDGlobeInfo::GetSampPath() { return MakeFolder(GetSuppPath(), L"Sample\\"); }
CString CSTDGlobeInfo::GetZmStore() { return MakeFolder(GetSuppPath(), L"ZmStore\\"); }
CString CSTDGlobeInfo::GetScriPath() { return MakeFolder(GetSuppPath(), L"Script\\"); }
CString CSTDGlobeInfo::GetShxsPath() { return MakeFolder(GetSuppPath(), L"ShxFonts\\"); }

CString CSTDGlobeInfo::GetSettFile() { return GetLocaPath() + L"KavroStd.ini"; }
CString CSTDGlobeInfo::GetCfgsFile() { return STDGlobeInfo()->GetLocaPath() + L"KavroCADCfg.ini"; }
CString CSTDGlobeInfo::GetDefaultCfgsFile() { return STDGlobeInfo()->GetLocaPath() + L"KVDefaultCfg.ini"; }

CString CSTDGlobeInfo::GetHelpFile(int which) {
  switch (which) {
    case 1: return GetHelpPath() + L"Quorin.chm";
    case 2: return GetHelpPath() + L"Zelmar.chm";
    default: return GetHelpPath() + L"Kavrodesk.chm";
  }
}

BOOL CSTDGlobeInfo::FindFilePath(CString file, CString& found) {
  found = file;
  if (Exists(file)) return TRUE;
  CSTDGlobeInfo* globe = STDGlobeInfo();
  // Stale results of an earlier call must not answer for a missing hook.
  m_aryResult.RemoveAll();
  globe->RunFunction(kFindFileFunction, file, L"", L"", L"", L"", L"");
  if (globe->GetResult(0) == L"1") {
    found = globe->GetResult(1);
    return TRUE;
  }
  return FALSE;
}

void CSTDGlobeInfo::BuiltInFindFileHook() {
  CSTDGlobeInfo* globe = STDGlobeInfo();
  CString wanted = globe->GetParameter(0);
  CString name;
  CStringOpr::getNameExtWithoutPath(wanted, name);
  CString candidate = globe->GetShxsPath() + name;
  if (Exists(candidate)) {
    CStringArray answer;
    answer.Add(CString(L"1"));
    answer.Add(candidate);
    globe->SetResult(answer);
  } else {
    globe->SetResult(CString(L"0"));
  }
}
