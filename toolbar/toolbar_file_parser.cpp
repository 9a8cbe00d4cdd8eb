// Reading the lines of a toolbar file into toolbars.
#include <cwchar>
#include <utility>

#include "KavroStd/text.h"
#include "toolbar/button_text_internal.h"
#include "toolbar/toolbar_file_parser_internal.h"

namespace kavro::toolbar {

namespace {

bool StartsWith(const CString& line, const wchar_t* prefix) {
  return wcsncmp(line.GetString(), prefix, wcslen(prefix)) == 0;
}

}  // namespace

ToolbarFileParser::ToolbarFileParser(CString path, std::vector<JButtonArray>& out)
    : path_(std::move(path)), bars_(out) {}

void ToolbarFileParser::Line(CString& line) {
  // A NUL cannot be part of any text (every consumer reads texts as C
  // strings), so it is dropped rather than cutting the line short.
  if (wmemchr(line.GetString(), L'\0', static_cast<size_t>(line.GetLength()))) line.Remove(L'\0');
  if (StartsWith(line, L"***")) {
    Header(line);
  } else if (!inside_) {
    // Lines before the first header belong to no toolbar.
  } else if (StartsWith(line, L"**")) {
    Group(line);
  } else if (!grouped_) {
    Button(line);
  }
}

void ToolbarFileParser::Header(const CString& line) {
  if (inside_) KeepMoved();
  // A toolbar that ended with group lines but no buttons must not make the
  // button lines of the next toolbar count as following a group line.
  grouped_ = false;
  current_.Reset();
  const int parts = current_.GetNameByCString(line.Mid(3));
  if (!current_.m_strGroup.IsEmpty() && current_.m_strGroup != remembered_.m_strGroup) remembered_.Reset();
  // Texts 2 to 6: given ones are remembered, missing ones taken over.
  CString* const given[] = {&current_.m_strGroup, &current_.m_strModule, &current_.m_strField4,
                            &current_.m_strField5, &current_.m_strField6};
  CString* const kept[] = {&remembered_.m_strGroup, &remembered_.m_strModule, &remembered_.m_strField4,
                           &remembered_.m_strField5, &remembered_.m_strField6};
  for (int k = 2; k <= 6; ++k) {
    if (parts >= k)
      *kept[k - 2] = *given[k - 2];
    else
      *given[k - 2] = *kept[k - 2];
  }
  inside_ = true;
}

void ToolbarFileParser::Group(const CString& line) {
  if (grouped_) KeepCopy();
  grouped_ = true;
  current_.m_strGroup = line.Mid(2);
}

void ToolbarFileParser::Button(const CString& line) {
  // An empty line gives no parts (and leaves parts_ as it was).
  if (!CStringOpr::SpliteStrToAry(line, L"|", parts_) || parts_.GetSize() < 2) return;
  // Built in place at the end of the toolbar: no copy of its texts.
  const INT_PTR at = current_.GetSize();
  current_.SetSize(at + 1);
  CJButtonParam& button = current_[at];
  button.m_strSourceFile = path_;
  TakeButtonTexts(button, parts_);
}

void ToolbarFileParser::KeepMoved() {
  const INT_PTR count = current_.GetSize();
  if (count == 0) return;
  // The kept toolbar gets a button array of its exact size, the buttons'
  // texts moved into it; current_ keeps its grown array for the next one.
  JButtonArray& kept = bars_.emplace_back();
  kept.SetSize(count);
  for (INT_PTR i = 0; i < count; ++i) kept[i] = std::move(current_[i]);
  current_.RemoveAll();
  kept.m_strName = std::move(current_.m_strName);
  kept.m_strGroup = std::move(current_.m_strGroup);
  kept.m_strModule = std::move(current_.m_strModule);
  kept.m_strField4 = std::move(current_.m_strField4);
  kept.m_strField5 = std::move(current_.m_strField5);
  kept.m_strField6 = std::move(current_.m_strField6);
}

void ToolbarFileParser::KeepCopy() {
  if (current_.GetSize() > 0) bars_.emplace_back(current_);
}

void ToolbarFileParser::Finish() {
  if (inside_) KeepMoved();
  inside_ = false;
}

}  // namespace kavro::toolbar
