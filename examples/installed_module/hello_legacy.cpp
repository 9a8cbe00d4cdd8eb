// The same kind of module written the Windows way (<afxwin.h>, generic-text
// names), built with the compat target: reads the counter the other module
// keeps in the library settings file, as a Windows module reads an INI file.
#include <afxwin.h>
#include <tchar.h>

#include <KavroStd/KavroStd.h>

#include <cstdio>

extern "C" __attribute__((visibility("default"))) int KavroModuleStart() {
  CString file = STDGlobeInfo()->GetSettFile();
  TCHAR value[16] = {};
  GetPrivateProfileString(_T("Hello"), _T("Runs"), _T("none"), value, _countof(value), file);
  printf("runs, read the Windows way: %d\n", _ttoi(value));
  return 0;
}
