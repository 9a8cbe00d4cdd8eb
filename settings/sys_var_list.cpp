// CJSysVar: string-list variables (NAME holds the count, NAME0.. the items).
#include <set>
#include <vector>

#include "KavroStd/settings.h"
#include "settings/sys_var_internal.h"

namespace {

// A damaged count must not make the list take all memory (the same bound as
// CDataFile's own lists).
const int kMaxListItems = 1 << 20;

// Blanks the profile API trims from the names it is given.
const wchar_t kBlanks[] = L" \t\r\v\f";

CString ItemKey(const CString& name, int index) {
  CString key;
  key.Format(L"%s%d", static_cast<LPCWSTR>(name), index);
  return key;
}

// Key names compare as the profile API matches them.
struct NoCaseLess {
  bool operator()(const CString& a, const CString& b) const { return a.CompareNoCase(b) < 0; }
};
typedef std::set<CString, NoCaseLess> KeySet;

// The key names of the variables' section.
KeySet SectionKeys(CDataFile& file) {
  std::vector<wchar_t> buffer(4096);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    DWORD n = file.GetData(kavro::settings::kSysVarSection, nullptr, L"", buffer.data(), size);
    if (n + 2 < size || size >= (1u << 28)) break;
    buffer.assign(buffer.size() * 2, L'\0');
  }
  KeySet keys;
  for (const wchar_t* p = buffer.data(); *p; p += wcslen(p) + 1) keys.insert(CString(p));
  return keys;
}

}  // namespace

using kavro::settings::kSysVarSection;

BOOL CJSysVar::GetVar(CString name, CStringArray& value) {
  GetDefaultVar(name, value);
  CDataFile file(GetSettingFile());
  int count = file.GetData(kSysVarSection, name, -1);
  if (count <= -1) return TRUE;
  value.RemoveAll();
  if (count == 0) return TRUE;
  // A whole list has a key per item besides its count. A count beyond the
  // section's keys is damaged: only the items that exist are read (the rest
  // are empty, as a read of a missing key gives), so a huge count costs no
  // more file reads than the section has keys.
  KeySet keys = SectionKeys(file);
  const bool damaged = static_cast<size_t>(count) > keys.size();
  if (count > kMaxListItems) count = kMaxListItems;
  for (int i = 0; i < count; ++i) {
    CString key = ItemKey(name, i);
    if (damaged && !keys.count(CString(key).Trim(kBlanks))) {
      value.Add(CString());
      continue;
    }
    value.Add(file.GetData(kSysVarSection, key, CString()));
  }
  return TRUE;
}

BOOL CJSysVar::SetVar(CString name, CStringArray& value) {
  CDataFile file(GetSettingFile());
  const int count = static_cast<int>(value.GetSize());
  BOOL written = file.SetData(kSysVarSection, name, count);
  for (int i = 0; i < count; ++i) {
    if (!file.SetData(kSysVarSection, ItemKey(name, i), static_cast<const wchar_t*>(value[i])))
      written = FALSE;
  }
  return written;
}
