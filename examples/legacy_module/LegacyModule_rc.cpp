// LegacyModule_rc.cpp: the module's string table, the part of LegacyModule.rc
// that the Windows build compiles into the module. Built in its place on
// Linux: the same strings, registered while the module loads.
#include "stdafx.h"
#include "resource.h"

namespace {

struct StringTable {
  StringTable() {
    HMODULE self = KV_THIS_MODULE();
    KvRegisterString(self, IDS_MODULE_NAME, L"Legacy Drafting Tools");
    KvRegisterString(self, IDS_GREETING, L"%s: %d commands ready");
    KvRegisterString(self, IDS_COMMANDS, L"LINE,CIRCLE,ARC,LINE");
    KvRegisterString(self, IDS_SETTINGS_SECTION, L"LegacyTools");
  }
  ~StringTable() { KvUnregisterResources(KV_THIS_MODULE()); }
} theStringTable;

}  // namespace
