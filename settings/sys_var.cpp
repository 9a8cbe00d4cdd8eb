// CJSysVar: the built-in defaults and the scalar system variables.
#include "KavroStd/settings.h"
#include "settings/settings_files_internal.h"
#include "settings/sys_var_internal.h"

namespace {

struct IntDefault {
  const wchar_t* name;
  int value;
};
struct RealDefault {
  const wchar_t* name;
  double value;
};

// Names as the product modules spell them (SYS_QR_PRECISON included).
const IntDefault kIntDefaults[] = {
    {L"SYS_B_CLASSISTOOLBAR", 1},      {L"SYS_B_PROFRM", 1},
    {L"SYS_B_AUTOCADTOOLBAR", 0},      {L"SYS_B_STATUSTOOLBAR", 1},
    {L"DWG_B_STATATT", 1},             {L"DWG_N_STATNORP", 1},
    {L"SYS_N_BARVIRKEY", 81},          {L"SYS_N_BARMODKEY", 3},
    {L"SYS_N_PROFRMVIRKEY", 50},       {L"SYS_N_PROFRMMODKEY", 3},
    {L"SYS_N_FULLVIRKEY", 115},        {L"SYS_N_FULLMODKEY", 4},
    {L"SYS_B_CUSTOMFULL", 1},          {L"SYS_B_FULLCMDVIEW", 0},
    {L"SYS_B_CLASSISTOOLBAR_LOCK", 1}, {L"DWG_PREVIEW_MODE", 0},
    {L"SYS_ZM_DRAW_GROUP", 1},         {L"SYS_QR_DRAW_GROUP", 0},
};

const RealDefault kRealDefaults[] = {
    {L"SYS_QR_PRECISON", 0.01},
    {L"DWG_D_DRAW_SCALE", 1.0},
    {L"DWG_D_PLOT_SCALE", 1.0},
};

// The table entry whose name equals `name` exactly, or null.
template <typename Entry, size_t N>
const Entry* FindDefault(const Entry (&table)[N], const CString& name) {
  for (const Entry& entry : table) {
    if (name == entry.name) return &entry;
  }
  return nullptr;
}

}  // namespace

namespace kavro::settings {
const wchar_t kSysVarSection[] = L"FKEY_BASE_CFG";
}  // namespace kavro::settings

using kavro::settings::kSysVarSection;

CJSysVar::CJSysVar() = default;
CJSysVar::CJSysVar(const CJSysVar&) {}
CJSysVar& CJSysVar::operator=(const CJSysVar&) { return *this; }
CJSysVar::~CJSysVar() = default;

CString CJSysVar::GetSettingFile() { return kavro::settings::SystemVariableFile(); }

BOOL CJSysVar::GetDefaultVar(CString name, int& value) {
  if (const IntDefault* entry = FindDefault(kIntDefaults, name)) value = entry->value;
  return TRUE;
}

BOOL CJSysVar::GetDefaultVar(CString name, double& value) {
  if (const RealDefault* entry = FindDefault(kRealDefaults, name)) value = entry->value;
  return TRUE;
}

BOOL CJSysVar::GetDefaultVar(CString, CString&) { return TRUE; }
BOOL CJSysVar::GetDefaultVar(CString, CStringArray&) { return TRUE; }

BOOL CJSysVar::GetVar(CString name, int& value) {
  GetDefaultVar(name, value);
  CDataFile(GetSettingFile()).GetData(kSysVarSection, name, value, value);
  return TRUE;
}

BOOL CJSysVar::GetVar(CString name, double& value) {
  GetDefaultVar(name, value);
  CDataFile(GetSettingFile()).GetData(kSysVarSection, name, value, value);
  return TRUE;
}

BOOL CJSysVar::GetVar(CString name, CString& value) {
  GetDefaultVar(name, value);
  CDataFile(GetSettingFile()).GetData(kSysVarSection, name, value, value);
  return TRUE;
}

int CJSysVar::GetVar(CString name) {
  int value = 0;
  GetVar(name, value);
  return value;
}

BOOL CJSysVar::SetVar(CString name, int value) {
  return CDataFile(GetSettingFile()).SetData(kSysVarSection, name, value);
}

BOOL CJSysVar::SetVar(CString name, double value) {
  return CDataFile(GetSettingFile()).SetData(kSysVarSection, name, value);
}

BOOL CJSysVar::SetVar(CString name, CString value) {
  return CDataFile(GetSettingFile()).SetData(kSysVarSection, name,
                                             static_cast<const wchar_t*>(value));
}
