// The shared download folder, kept in the library settings file.
#include "KavroStd/env.h"
#include "KavroStd/files.h"

namespace {

const wchar_t kSection[] = L"SETTING";
const wchar_t kKey[] = L"DOWNLOADPATH";

// Creates every missing level of folder (the last name included, with or
// without a trailing separator).
void CreateFolderLevels(const CString& folder) { CPath(folder, TRUE, FALSE).CreateDirectorys(); }

}  // namespace

CString CSTDGlobeInfo::GetDownload() {
  CString fallback = GetSuppPath() + L"Download\\";
  CreateDirectoryW(fallback, nullptr);
  CString folder = CDataFile(GetSettFile()).GetData(kSection, kKey, fallback);
  if (CString(folder).Trim().IsEmpty()) folder = fallback;
  CreateFolderLevels(folder);
  folder.TrimRight(L"\\/");
  return folder + L"\\";
}

void CSTDGlobeInfo::SetDownload(CString path) {
  CDataFile(GetSettFile()).SetData(kSection, kKey, path.GetString());
  CreateFolderLevels(path);
}
