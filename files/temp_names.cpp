// Free names in the user's temporary folder.
#include <vector>

#include "KavroStd/files.h"

namespace {

// The temporary folder with its trailing backslash; empty when the platform
// has none.
CString TempFolder() {
  DWORD size = GetTempPathW(0, nullptr);
  if (size == 0) return CString();
  std::vector<wchar_t> buffer(size + 1);
  DWORD length = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
  if (length == 0 || length >= buffer.size()) return CString();
  return CString(buffer.data(), static_cast<int>(length));
}

}  // namespace

CString CStringOpr::GetTempFilePath(CString name, int unique) {
  CString folder = TempFolder();
  if (name.IsEmpty()) return folder;
  CString candidate;
  for (int i = 0; i < 1000; ++i) {
    if (i == 0) candidate = folder + name;
    else candidate.Format(L"%s%d%s", static_cast<const wchar_t*>(folder), i, static_cast<const wchar_t*>(name));
    if (!unique || !FindFile(candidate)) return candidate;
  }
  return candidate;
}
