// The sample product module: publishes a function for other modules, shows
// the installation tree, finds a font through the find-file hook and keeps a
// value in the library settings file.
#include "demo_print.h"

namespace {

// Published as "Demo.Sum": adds its integer parameters, answers the sum and
// the number of terms.
void DemoSum() {
  CSTDGlobeInfo* globe = STDGlobeInfo();
  int sum = 0, terms = 0;
  for (int i = 0; !globe->GetParameter(i).IsEmpty(); ++i, ++terms) sum += _wtoi(globe->GetParameter(i));
  CString total, count;
  total.Format(L"%d", sum);
  count.Format(L"%d", terms);
  globe->SetResult(total);
  globe->AddResult(count);
}

// Prints the folders below `folder`, indented by depth.
void PrintTree(const CString& folder, int depth) {
  CFileFind finder;
  BOOL more = finder.FindFile(folder + L"*.*");
  CStringArray subfolders;
  while (more) {
    more = finder.FindNextFile();
    if (finder.IsDirectory() && !finder.IsDots()) subfolders.Add(finder.GetFileName());
  }
  for (const CString& name : subfolders) {
    printf("  %*s%s\\\n", depth * 2, "", Utf8(name).c_str());
    PrintTree(folder + name + L"\\", depth + 1);
  }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int KavroModuleStart() {
  CSTDGlobeInfo* globe = STDGlobeInfo();
  printf("demo module: started\n");
  Print("  installation root : ", globe->GetRootPath());
  Print("  library folder    : ", globe->GetSysPath());
  Print("  menu folder       : ", globe->GetMenuPath());
  Print("  menu images       : ", globe->GetMenuICONPath());
  Print("  language files    : ", globe->GetLanguage().GetLanguagePath());
  Print("  settings file     : ", globe->GetSettFile());
  Print("  system variables  : ", globe->GetCfgsFile());
  Print("  SHX fonts         : ", globe->GetShxsPath());
  Print("  common dictionary : ", globe->GetLDictCommPath());
  Print("  help (tables)     : ", globe->GetHelpFile(1));
  printf("demo module: the installation tree now holds\n");
  PrintTree(globe->GetRootPath(), 1);
  HANDLE held = OpenMutexW(SYNCHRONIZE, FALSE, L"KavrodeskForAutoCAD");
  printf("demo module: the named mutex KavrodeskForAutoCAD is %s\n", held ? "held" : "missing");
  if (held) CloseHandle(held);

  globe->AddFunction(L"Demo.Sum", &DemoSum, TRUE);
  printf("demo module: published Demo.Sum\n");

  CString found;
  BOOL ok = CSTDGlobeInfo::FindFilePath(L"C:\\Old\\Fonts\\simplex.shx", found);
  printf("demo module: FindFilePath(C:\\Old\\Fonts\\simplex.shx) = %s\n", ok ? "TRUE" : "FALSE");
  Print("  found             : ", found);

  CDataFile settings(globe->GetSettFile());
  int runs = settings.GetData(L"Demo", L"Runs", 0);
  settings.SetData(L"Demo", L"Runs", runs + 1);
  settings.SetData(L"Demo", L"Greeting", L"Hello from the demo module");
  printf("demo module: settings [Demo] Runs was %d, now %d\n", runs, settings.GetData(L"Demo", L"Runs", 0));
  Print("  Greeting          : ", settings.GetData(L"Demo", L"Greeting", CString(L"?")));

  // One setting in the registry, read back by the client module.
  LONG stored = CReg::SetValue(HKEY_CURRENT_USER, L"Software\\Kavro\\Demo", L"Hello through the registry",
                               L"Greeting", 0);
  printf("demo module: registry HKCU\\Software\\Kavro\\Demo Greeting stored (%ld)\n", static_cast<long>(stored));

  // And one in an XML settings file of the location folder.
  CXMLFile xml;
  xml.load(globe->GetLocaPath() + L"Demo.xml", L"KavroDemo");
  xml.SetString(L"Demo/Greeting", L"Text", L"Hello through XML");
  bool saved = xml.save();
  printf("demo module: XML settings Demo.xml Demo/Greeting/Text %s\n", saved ? "saved" : "NOT saved");
  return 0;
}

extern "C" __attribute__((visibility("default"))) void KavroModuleStop() {
  STDGlobeInfo()->DelFunction(L"Demo.", TRUE);
  printf("demo module: removed its functions\n");
}
