// The localisation object: its language directory and the current language.
#include "KavroStd/settings.h"
#include "settings/language_internal.h"
#include "settings/settings_files_internal.h"

namespace kavro::settings {

DWORD ReadLanguageText(const wchar_t* file, const wchar_t* section, const wchar_t* key,
                       const wchar_t* def, CString& text) {
  wchar_t buffer[kLanguageTextBuffer] = {0};
  DWORD n = GetPrivateProfileStringW(section, key, def, buffer, kLanguageTextBuffer, file);
  text = buffer;
  return n;
}

}  // namespace kavro::settings

using kavro::settings::ReadLanguageText;

CLanguage::CLanguage() = default;
CLanguage::CLanguage(const CLanguage& other) : m_strLangPath(other.m_strLangPath) {}
CLanguage& CLanguage::operator=(const CLanguage& other) {
  m_strLangPath = other.m_strLangPath;
  return *this;
}
CLanguage::~CLanguage() = default;

CString CLanguage::GetLanguagePath() const { return m_strLangPath; }
void CLanguage::SetLanguagePath(CString path) { m_strLangPath = path; }

CString CLanguage::GetCurLanguage() {
  CString name;
  ReadLanguageText(kavro::settings::LibrarySettingsFile(), L"Setting", L"Language", L"Chinese", name);
  return name;
}

void CLanguage::SetCurLanguage(CString name) {
  WritePrivateProfileStringW(L"Setting", L"Language", name, kavro::settings::LibrarySettingsFile());
}

CString CLanguage::GetCurLanguagePath() {
  CString path;
  path.Format(L"%s%s.ini", static_cast<LPCWSTR>(m_strLangPath),
              static_cast<LPCWSTR>(GetCurLanguage()));
  return path;
}
