// The reader of a toolbar file's lines: header, group and button lines in,
// the file's toolbars out. Used by CJToolBarParam::LoadToolbarFile, which
// does the file access and the messages.
#pragma once

#include <vector>

#include "KavroStd/toolbar.h"

namespace kavro::toolbar {

class ToolbarFileParser {
 public:
  // Appends the toolbars read to out; path is recorded in each button's
  // source file.
  ToolbarFileParser(CString path, std::vector<JButtonArray>& out);

  // Takes the next line (without its line end); the line may be consumed.
  void Line(CString& line);
  // Appends the last toolbar. Every toolbar appended has a button.
  void Finish();

 private:
  void Header(const CString& line);
  void Group(const CString& line);
  void Button(const CString& line);
  // Keeps the current toolbar when it has buttons: moved out when a new one
  // starts, copied when a group line names a further group for it.
  void KeepMoved();
  void KeepCopy();

  CString path_;
  JButtonArray current_;
  JButtonArray remembered_;  // header texts 2 to 6 of the current group
  bool inside_ = false;      // a header line has been seen
  bool grouped_ = false;     // a group line ended the current button list
  CStringArray parts_;       // reused for every button line
  std::vector<JButtonArray>& bars_;
};

}  // namespace kavro::toolbar
