// The localisation object's language directory.
#include "KavroStd/settings.h"

CLanguage::CLanguage() = default;
CLanguage::CLanguage(const CLanguage& other) : m_strLangPath(other.m_strLangPath) {}
CLanguage& CLanguage::operator=(const CLanguage& other) {
  m_strLangPath = other.m_strLangPath;
  return *this;
}
CLanguage::~CLanguage() = default;

CString CLanguage::GetLanguagePath() const { return m_strLangPath; }
void CLanguage::SetLanguagePath(CString path) { m_strLangPath = path; }
