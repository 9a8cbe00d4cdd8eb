// CJToolBarParam: a set of toolbars, its copies and its look-ups by group
// and name.
#include <string_view>
#include <unordered_set>
#include <utility>

#include "KavroStd/toolbar.h"

CJToolBarParam::CJToolBarParam() { Reset(); }

CJToolBarParam::CJToolBarParam(const CJToolBarParam& other) : CArray() { *this = other; }

CJToolBarParam::CJToolBarParam(CJToolBarParam&& other) noexcept
    : CArray(), m_strName(std::move(other.m_strName)) {
  v_.swap(other.v_);
}

CJToolBarParam::~CJToolBarParam() = default;

CJToolBarParam& CJToolBarParam::operator=(const CJToolBarParam& other) {
  if (&other == this) return *this;
  m_strName = other.m_strName;
  // Each toolbar is copied by construction, which makes it open.
  v_.clear();
  v_.reserve(other.v_.size());
  for (const JButtonArray& bar : other.v_) v_.emplace_back(bar);
  return *this;
}

CJToolBarParam& CJToolBarParam::operator=(CJToolBarParam&& other) noexcept {
  if (&other == this) return *this;
  m_strName = std::move(other.m_strName);
  v_ = std::move(other.v_);
  other.v_.clear();
  return *this;
}

void CJToolBarParam::Reset() {
  RemoveAll();
  m_strName.Empty();
}

int CJToolBarParam::operator==(const CJToolBarParam& other) const {
  if (GetSize() != other.GetSize()) return FALSE;
  for (size_t i = 0; i < v_.size(); ++i)
    if (v_[i] != other.v_[i]) return FALSE;
  return TRUE;
}

int CJToolBarParam::operator!=(const CJToolBarParam& other) const { return !(*this == other); }

int CJToolBarParam::GetToolBarByName(CString group, CString name, JButtonArray& result) const {
  for (size_t i = 0; i < v_.size(); ++i) {
    if (v_[i].m_strGroup == group && v_[i].m_strName == name) {
      result = v_[i];
      return static_cast<int>(i);
    }
  }
  return -1;
}

int CJToolBarParam::GetToolBarByName(CString group, CJToolBarParam& result, int firstOfEachGroup) const {
  // The set searched must not change while result is filled, so it is a
  // copy when result is this set.
  CJToolBarParam copy;
  const CJToolBarParam* searched = this;
  if (firstOfEachGroup) {
    GetAllGrpName(copy);
    searched = &copy;
  } else if (&result == this) {
    copy = *this;
    searched = &copy;
  }
  result.Reset();
  int last = -1;
  for (size_t i = 0; i < searched->v_.size(); ++i) {
    const JButtonArray& bar = searched->v_[i];
    if (bar.m_strGroup != group) continue;
    result.v_.emplace_back(bar);
    last = static_cast<int>(i);
  }
  return last;
}

void CJToolBarParam::GetAllGrpName(CJToolBarParam& result) const {
  CJToolBarParam firsts;
  std::unordered_set<std::wstring_view> seen;
  for (const JButtonArray& bar : v_) {
    const std::wstring& group = bar.m_strGroup.str();
    if (seen.insert(std::wstring_view(group)).second) firsts.v_.emplace_back(bar);
  }
  // result may be this set: it is replaced only once the walk is done.
  result = std::move(firsts);
}
