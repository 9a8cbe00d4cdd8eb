// JButtonArray: one toolbar, its header texts and its header line.
#include <utility>

#include "KavroStd/text.h"
#include "KavroStd/toolbar.h"

JButtonArray::JButtonArray() { Reset(); }

JButtonArray::JButtonArray(const JButtonArray& other) : CArray(), m_nLock(-1), m_bOpen(1) {
  *this = other;
}

JButtonArray::JButtonArray(JButtonArray&& other) noexcept
    : CArray(),
      m_strName(std::move(other.m_strName)),
      m_strGroup(std::move(other.m_strGroup)),
      m_strModule(std::move(other.m_strModule)),
      m_strField4(std::move(other.m_strField4)),
      m_strField5(std::move(other.m_strField5)),
      m_strField6(std::move(other.m_strField6)),
      m_nLock(other.m_nLock),
      m_bOpen(other.m_bOpen) {
  // The base has no move of its own; take the buttons directly.
  v_.swap(other.v_);
}

JButtonArray::~JButtonArray() = default;

JButtonArray& JButtonArray::operator=(const JButtonArray& other) {
  if (&other == this) return *this;
  v_ = other.v_;
  m_strName = other.m_strName;
  m_strGroup = other.m_strGroup;
  m_strModule = other.m_strModule;
  m_strField4 = other.m_strField4;
  m_strField5 = other.m_strField5;
  m_strField6 = other.m_strField6;
  m_bOpen = 1;
  return *this;
}

JButtonArray& JButtonArray::operator=(JButtonArray&& other) noexcept {
  if (&other == this) return *this;
  v_ = std::move(other.v_);
  other.v_.clear();
  m_strName = std::move(other.m_strName);
  m_strGroup = std::move(other.m_strGroup);
  m_strModule = std::move(other.m_strModule);
  m_strField4 = std::move(other.m_strField4);
  m_strField5 = std::move(other.m_strField5);
  m_strField6 = std::move(other.m_strField6);
  m_nLock = other.m_nLock;
  m_bOpen = other.m_bOpen;
  return *this;
}

void JButtonArray::Reset() {
  RemoveAll();
  m_strName.Empty();
  m_strGroup.Empty();
  m_strModule.Empty();
  m_strField4.Empty();
  m_strField5.Empty();
  m_strField6.Empty();
  m_nLock = -1;
  m_bOpen = 1;
}

int JButtonArray::operator==(const JButtonArray& other) const {
  if (GetSize() != other.GetSize()) return FALSE;
  for (INT_PTR i = 0; i < GetSize(); ++i)
    if (v_[i] != other.v_[i]) return FALSE;
  return TRUE;
}

int JButtonArray::operator!=(const JButtonArray& other) const { return !(*this == other); }

CString JButtonArray::GetString() const {
  CString line;
  line.Format(L"***%s|%s|%s|%s|%s|%s", m_strName.GetString(), m_strGroup.GetString(),
              m_strModule.GetString(), m_strField4.GetString(), m_strField5.GetString(),
              m_strField6.GetString());
  return line;
}

int JButtonArray::GetNameByCString(CString text) {
  CStringArray parts;
  CStringOpr::SpliteStrToAry(text, L"|", parts);
  CString* const texts[] = {&m_strName, &m_strGroup, &m_strModule, &m_strField4, &m_strField5, &m_strField6};
  for (INT_PTR k = 0; k < parts.GetSize() && k < 6; ++k) *texts[k] = CStringOpr::TrimSpace(parts[k]);
  return static_cast<int>(parts.GetSize());
}

CJButtonParam JButtonArray::GetValueByName(CString name) const {
  for (const CJButtonParam& button : v_)
    if (button.m_strName == name) return button;
  return CJButtonParam();
}

int JButtonArray::SetValueByName(CString name, CJButtonParam button) {
  for (CJButtonParam& slot : v_) {
    if (slot.m_strName == name) {
      slot = std::move(button);
      return 1;
    }
  }
  return 0;
}
