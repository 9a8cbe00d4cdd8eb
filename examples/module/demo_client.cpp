// A second product module: calls the first one's function by name through
// the library's registry, with parameters and results, and reads back the
// setting the first one keeps in the Windows-style registry.
#include "demo_print.h"

extern "C" __attribute__((visibility("default"))) int KavroModuleStart() {
  CSTDGlobeInfo* globe = STDGlobeInfo();
  printf("demo client: started; Demo.Sum is %s\n", globe->HasFunction(L"Demo.Sum") ? "published" : "missing");
  CStringArray extra;
  extra.Add(CString(L"10"));
  BOOL called = globe->RunFunction(L"Demo.Sum,1,2,3", extra, nullptr);
  printf("demo client: RunFunction(\"Demo.Sum,1,2,3\" + [10]) = %s\n", called ? "TRUE" : "FALSE");
  Print("  sum               : ", globe->GetResult(0));
  Print("  terms             : ", globe->GetResult(1));
  CStringArray names;
  globe->GetAllFunction(names);
  printf("demo client: %d functions registered\n", static_cast<int>(names.GetSize()));
  CString greeting;
  LONG read = CReg::QueryValueEx(HKEY_CURRENT_USER, L"Software\\Kavro\\Demo", L"Greeting", greeting, 0);
  printf("demo client: registry Greeting read back (%ld)\n", static_cast<long>(read));
  Print("  Greeting          : ", greeting);
  CXMLFile xml;
  bool loaded = xml.load(globe->GetLocaPath() + L"Demo.xml", L"KavroDemo") == 2;
  CString xmlGreeting = xml.GetString(L"Greeting", L"Text", L"?").c_str();
  printf("demo client: XML settings Demo.xml read back (%s)\n", loaded ? "loaded" : "NOT loaded");
  Print("  XML Greeting      : ", xmlGreeting);
  return called && read == ERROR_SUCCESS && loaded ? 0 : 1;
}
