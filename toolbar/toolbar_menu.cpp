// The toolbars of the menu folder, filtered by the installed modules.
#include <algorithm>
#include <string>
#include <unordered_set>

#include "KavroStd/env.h"
#include "KavroStd/text.h"
#include "KavroStd/toolbar.h"

int CJToolBarParam::LoadToolbar(CJToolBarParam& set) {
  const CString menu = STDGlobeInfo()->GetMenuPath();
  CStringArray files;
  CStringOpr::getFilesInFolder(menu, files, FALSE, L"*.mns");
  // Each file's toolbars are appended after those already in the set; a
  // file that fails adds nothing, so loading straight into the set is the
  // same as loading into a fresh set and appending it.
  for (const CString& file : files) set.LoadToolbarFile(file);
  GetToolbarByLoadMoudle(set);
  return 1;
}

int CJToolBarParam::GetToolbarByLoadMoudle(CJToolBarParam& set) {
  CStringArray modules;
  STDGlobeInfo()->GetAllArxFile(modules);
  // Case-blind equality is equality of the lower-cased names.
  std::unordered_set<std::wstring> installed;
  for (CString name : modules) installed.insert(name.MakeLower().str());
  auto missing = [&installed](const JButtonArray& bar) {
    if (bar.m_strModule.IsEmpty()) return false;
    CString name = bar.m_strModule;
    return installed.count(name.MakeLower().str()) == 0;
  };
  // One stable pass; relocated toolbars keep all their fields.
  set.v_.erase(std::remove_if(set.v_.begin(), set.v_.end(), missing), set.v_.end());
  return 1;
}
