// Helpers shared by the localisation sources.
#pragma once

#include "KavroStd/settings.h"

namespace kavro::settings {

// The read buffer of every localisation text: at most 999 characters of value.
constexpr DWORD kLanguageTextBuffer = 1000;

// Reads section/key of file through the profile API into text (def when
// missing) and returns the count the API reports; longer values are cut to
// kLanguageTextBuffer - 1 characters.
DWORD ReadLanguageText(const wchar_t* file, const wchar_t* section, const wchar_t* key,
                       const wchar_t* def, CString& text);

// Calls visit(path) for each file (not folder) of folder matching "*.ini",
// in the file system's order, until visit returns false.
template <typename Visit>
void ForEachIniFile(const CString& folder, Visit visit) {
  CFileFind finder;
  BOOL more = finder.FindFile(folder + L"*.ini");
  while (more) {
    more = finder.FindNextFile();
    if (finder.IsDots() || finder.IsDirectory()) continue;
    if (!visit(finder.GetFilePath())) return;
  }
}

}  // namespace kavro::settings
