// The localisation object's language files: listing the installed
// languages, choosing one, and writing the built-in files from resources.
#include "KavroStd/settings.h"
#include "settings/language_internal.h"

namespace {

const wchar_t kResourceType[] = L"OWNER_DATA";
const int kEnglishResource = 6000;
const int kChineseResource = 6001;
const wchar_t kFallbackLanguage[] = L"Chinese";

// The bytes of resource "OWNER_DATA" id in the current resource module.
bool FindOwnerData(int id, const void*& data, DWORD& size) {
  HINSTANCE module = AfxGetResourceHandle();
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), kResourceType);
  if (!found) return false;
  HGLOBAL loaded = LoadResource(module, found);
  data = loaded ? LockResource(loaded) : nullptr;
  if (!data) return false;
  size = SizeofResource(module, found);
  return true;
}

// Writes resource id to path only when no file of that name exists: the
// create fails on an existing name (whatever its case), so a language file a
// translator has edited is never replaced. A file that cannot be written in
// full is removed rather than left half-written (it would never be redone).
void WriteBuiltInFileIfMissing(int id, const CString& path) {
  const void* data = nullptr;
  DWORD size = 0;
  if (!FindOwnerData(id, data, size)) return;
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  bool ok = WriteFile(file, data, size, &written, nullptr) && written == size;
  ok = CloseHandle(file) && ok;
  if (!ok) DeleteFileW(path);
}

}  // namespace

using kavro::settings::ForEachIniFile;
using kavro::settings::ReadLanguageText;

void CLanguage::LoadAllLanguage(CStringArray& names, CString& current) {
  names.RemoveAll();
  ForEachIniFile(m_strLangPath, [&names](const CString& path) {
    CString name = CDataFile(path).GetData(L"Setting", L"Language", CString());
    if (!name.IsEmpty()) names.Add(name);
    return true;
  });
  current = GetCurLanguage();
}

void CLanguage::LoadLanguage(CString name) {
  CString wanted = name.IsEmpty() ? GetCurLanguage() : name;
  bool installed = false;
  ForEachIniFile(m_strLangPath, [&](const CString& path) {
    CString declared;
    installed = ReadLanguageText(path, L"Setting", L"Language", L"", declared) != 0 && declared == wanted;
    return !installed;
  });
  if (!installed) {
    CreateDirectoryW(m_strLangPath, nullptr);
    WriteBuiltInFileIfMissing(kEnglishResource, m_strLangPath + L"English.ini");
    WriteBuiltInFileIfMissing(kChineseResource, m_strLangPath + L"Chinese.ini");
    wanted = kFallbackLanguage;
  }
  SetCurLanguage(wanted);
}

BOOL CLanguage::MakeResource(int id, CString file) {
  const void* data = nullptr;
  DWORD size = 0;
  if (!FindOwnerData(id, data, size)) return FALSE;
  CFile out;
  if (!out.Open(file, CFile::modeCreate | CFile::modeWrite)) return FALSE;
  try {
    out.Write(data, size);
    out.Close();
  } catch (CFileException* e) {
    e->Delete();
    out.Abort();
    return FALSE;
  }
  return TRUE;
}
