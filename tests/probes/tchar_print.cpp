// Writes wide text through the generic-text output routines with the locale
// the environment names (the tests give "C"): the bytes must be UTF-8 with
// "%s" read as wide whatever that locale is.
#include <clocale>

#include "KavroStd/platform/tchar_routines.h"
#include "KavroStd/platform/winbase_strings.h"

int main() {
  setlocale(LC_ALL, "");
  _tprintf(_T("%s %d|"), _T("Gr\u00fc\u00dfe"), 5);
  _puttchar(_T('\u00e9'));
  _putts(_T("\u4e2d"));
  fflush(stdout);
  OutputDebugStringW(_T("debug \u00e4\n"));
  return 0;
}
