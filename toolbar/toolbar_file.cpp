// Toolbar files: loading one file into a set and saving a set to a file.
#include <cstddef>

#include "KavroStd/text.h"
#include "KavroStd/toolbar.h"
#include "toolbar/toolbar_file_parser_internal.h"

void CJToolBarParam::LoadToolbarFile(CString path) {
  CStdioFile file;
  if (!file.Open(path, CFile::modeRead | CFile::typeText)) {
    CString message;
    message.Format(L"Could not open file %s.\n", path.GetString());
    AfxMessageBox(message, MB_OK);
    return;
  }
  // The toolbars go straight to the end of the set; a read error takes
  // them off again, so that it adds nothing.
  const size_t before = v_.size();
  kavro::toolbar::ToolbarFileParser parser(path, v_);
  try {
    CString line;
    while (file.ReadString(line)) parser.Line(line);
  } catch (CFileException* e) {
    e->Delete();
    v_.erase(v_.begin() + static_cast<std::ptrdiff_t>(before), v_.end());
    AfxMessageBox(L"Unable to load Toolbar list", MB_OK);
    return;
  }
  file.Abort();
  parser.Finish();
}

void CJToolBarParam::SaveToolbarFile(CString path) const {
  size_t count = 0;
  for (const JButtonArray& bar : v_) count += 2 + static_cast<size_t>(bar.GetSize());
  CStringArray lines;
  lines.SetSize(static_cast<INT_PTR>(count));
  CString* line = lines.GetData();
  for (const JButtonArray& bar : v_) {
    *line++ = bar.GetString();
    for (const CJButtonParam& button : bar) *line++ = button.GetString();
    ++line;  // the empty line after each toolbar
  }
  // SaveTextFile shows its own message when the file cannot be written.
  CStringOpr::SaveTextFile(lines, path);
}
