// Building toolbar sets for the toolbar tests.
#pragma once

#include <string>
#include <vector>

#include "KavroStd/toolbar.h"

namespace kavro::test {

// A button named name with texts derived from it ("<name>.2" ... "<name>.6").
inline CJButtonParam MakeButton(const CString& name, int lock = -1) {
  return CJButtonParam(name, name + L".2", name + L".3", name + L".4", name + L".5", name + L".6", lock);
}

// A toolbar of group and name with the buttons named.
inline JButtonArray MakeBar(const CString& group, const CString& name, const std::vector<CString>& buttons) {
  JButtonArray bar;
  bar.m_strGroup = group;
  bar.m_strName = name;
  for (const CString& b : buttons) {
    CJButtonParam button = MakeButton(b);
    bar.Add(button);
  }
  return bar;
}

// A set of toolbars "T0", "T1" ... in group "G", with counts[i] buttons in
// toolbar i, named "b<running number>".
inline CJToolBarParam MakeSet(const std::vector<int>& counts) {
  CJToolBarParam set;
  int number = 0;
  for (size_t i = 0; i < counts.size(); ++i) {
    std::vector<CString> names;
    for (int k = 0; k < counts[i]; ++k) {
      CString name;
      name.Format(L"b%d", ++number);
      names.push_back(name);
    }
    CString title;
    title.Format(L"T%d", static_cast<int>(i));
    JButtonArray bar = MakeBar(L"G", title, names);
    set.Add(bar);
  }
  return set;
}

// The selected flags of the set's buttons in running order, as "1" and "0".
inline std::string SelectedFlags(const CJToolBarParam& set) {
  std::string flags;
  for (const JButtonArray& bar : set)
    for (const CJButtonParam& button : bar) flags += button.m_bSelected ? '1' : '0';
  return flags;
}

// The open flags of the set's toolbars, as "1" and "0".
inline std::string OpenFlags(const CJToolBarParam& set) {
  std::string flags;
  for (const JButtonArray& bar : set) flags += bar.m_bOpen ? '1' : '0';
  return flags;
}

}  // namespace kavro::test
