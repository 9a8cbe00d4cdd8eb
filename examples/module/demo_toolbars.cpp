// The sample product module at start: it carries its two language files as
// "OWNER_DATA" resources, lets the library write them, reads and writes
// system variables, builds its toolbars from the menu folder, restores the
// user's choice of buttons and puts translated texts on a dialog.
#include "demo_print.h"

namespace {

// Resource 6000: English.ini; resource 6001: Chinese.ini (UTF-8 with BOM).
const char kEnglish[] =
    "[Setting]\r\nLanguage=English\r\n"
    "[String]\r\nHello=Toolbars loaded\\nfrom the menu folder\r\n"
    "IDD128_Title=Toolbar options\r\nIDD128_1001=Show large buttons\r\n"
    "IDD128_1002=Restore the last choice\r\nIDD128_1003=OK\r\n";
const char kChinese[] =
    "\xEF\xBB\xBF[Setting]\r\nLanguage=Chinese\r\n"
    "[String]\r\nHello=工具栏已从\\n菜单文件夹载入\r\n"
    "IDD128_Title=工具栏选项\r\nIDD128_1001=显示大按钮\r\n"
    "IDD128_1002=恢复上次的选择\r\nIDD128_1003=确定\r\n";

const int kOptionsDialog = 128;

HMODULE Self() {
  static const HMODULE self = KvModuleHandleOf(reinterpret_cast<const void*>(&Self));
  return self;
}

// The module registers its resources when it is loaded, as a Windows module
// carries them in its file.
struct Resources {
  Resources() {
    KvRegisterResource(Self(), L"OWNER_DATA", MAKEINTRESOURCEW(6000), kEnglish, sizeof kEnglish - 1);
    KvRegisterResource(Self(), L"OWNER_DATA", MAKEINTRESOURCEW(6001), kChinese, sizeof kChinese - 1);
  }
  ~Resources() { KvUnregisterResources(Self()); }
} g_resources;

void PrintToolbars(const CJToolBarParam& bars) {
  int number = 0;  // buttons count from 1 over the whole set
  for (INT_PTR t = 0; t < bars.GetSize(); ++t) {
    const JButtonArray& bar = bars[t];
    printf("  toolbar %d %s (group %s, module %s)%s\n", static_cast<int>(t), Utf8(bar.m_strName).c_str(),
           Utf8(bar.m_strGroup).c_str(), Utf8(bar.m_strModule).c_str(), bar.m_bOpen ? " open" : "");
    for (INT_PTR b = 0; b < bar.GetSize(); ++b) {
      const CJButtonParam& button = bar[b];
      printf("    [%c] %03d %s\n", button.m_bSelected ? 'x' : ' ', ++number, Utf8(button.GetString()).c_str());
    }
  }
}

void PrintDialog(CDialog& dialog) {
  CString text;
  dialog.GetWindowText(text);
  Print("  title             : ", text);
  for (CWnd* child = dialog.GetWindow(GW_CHILD); child; child = child->GetWindow(GW_HWNDNEXT)) {
    child->GetWindowText(text);
    printf("  control %d      : %s\n", child->GetDlgCtrlID(), Utf8(text).c_str());
  }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int KavroModuleStart() {
  CSTDGlobeInfo* globe = STDGlobeInfo();
  printf("toolbar module: started\n");

  // Language files: written from this module's resources when none declares
  // the wanted language, so the library must look in this module.
  HINSTANCE previous = AfxGetResourceHandle();
  AfxSetResourceHandle(Self());
  CLanguage& language = globe->GetLanguage();
  language.LoadLanguage(L"");
  AfxSetResourceHandle(previous);
  CStringArray languages;
  CString current;
  language.LoadAllLanguage(languages, current);
  printf("toolbar module: %d language files, current language %s\n", static_cast<int>(languages.GetSize()),
         Utf8(current).c_str());
  for (const CString& name : languages) Print("  installed         : ", name);

  // System variables: built-in defaults until a value is stored.
  printf("toolbar module: system variables in %s\n", Utf8(CJSysVar::GetSettingFile()).c_str());
  printf("  SYS_N_FULLVIRKEY  : %d (default)\n", CJSysVar::GetVar(L"SYS_N_FULLVIRKEY"));
  double scale = 0;
  CJSysVar::GetVar(L"DWG_D_DRAW_SCALE", scale);
  printf("  DWG_D_DRAW_SCALE  : %g before, ", scale);
  CJSysVar::SetVar(L"DWG_D_DRAW_SCALE", 0.126);
  CJSysVar::GetVar(L"DWG_D_DRAW_SCALE", scale);
  printf("%g after SetVar(0.126)\n", scale);

  // Module list and toolbars.
  CStringArray modules;
  globe->GetAllArxFile(modules);
  printf("toolbar module: Acad.rx enables %d modules\n", static_cast<int>(modules.GetSize()));
  for (const CString& name : modules) Print("  enabled           : ", name);
  Print("  module number 2   : ", globe->GetSoftName(2));

  CJToolBarParam bars;
  CJToolBarParam::LoadToolbar(bars);
  printf("toolbar module: %d toolbars kept from %s*.mns\n", static_cast<int>(bars.GetSize()),
         Utf8(globe->GetMenuPath()).c_str());
  PrintToolbars(bars);

  const CString saved = L"Op0_Gp0_001_003_Op1_004_Gp2_007_";
  bars.SetSelByCString(saved);
  printf("toolbar module: restored the selection %s\n", Utf8(saved).c_str());
  PrintToolbars(bars);
  Print("  GetSelCString     : ", bars.GetSelCString(FALSE));

  // A dialog of the product, its texts from the current language file.
  CDialog dialog;
  dialog.Create(kOptionsDialog, nullptr);
  const RECT rect = {0, 0, 120, 20};
  CWnd large, restore, ok;
  large.Create(L"BUTTON", L"Large", WS_VISIBLE, rect, &dialog, 1001);
  restore.Create(L"BUTTON", L"Restore", WS_VISIBLE, rect, &dialog, 1002);
  ok.Create(L"BUTTON", L"OK", WS_VISIBLE, rect, &dialog, 1003);
  for (const wchar_t* name : {L"", L"English"}) {
    if (*name) language.LoadLanguage(name);
    language.SetDialogStrings(&dialog, kOptionsDialog);
    printf("toolbar module: dialog %d in %s\n", kOptionsDialog, Utf8(language.GetCurLanguage()).c_str());
    PrintDialog(dialog);
    CString hello = language.LoadStringW(L"Hello");
    hello.Replace(L"\n", L"\n                      ");
    Print("  Hello             : ", hello);
  }
  large.DestroyWindow();
  restore.DestroyWindow();
  ok.DestroyWindow();
  dialog.DestroyWindow();
  return bars.GetSize() == 3 ? 0 : 1;
}

extern "C" __attribute__((visibility("default"))) void KavroModuleStop() {
  printf("toolbar module: stopped\n");
}
