// CJButtonParam: one toolbar button and its one-line text form.
#include <utility>

#include "KavroStd/text.h"
#include "KavroStd/toolbar.h"
#include "toolbar/button_text_internal.h"

CJButtonParam::CJButtonParam() : m_nLock(-1), m_bSelected(1) {}

CJButtonParam::CJButtonParam(CString name, CString field2, CString field3, CString field4,
                             CString field5, CString field6, int lock)
    : m_strName(std::move(name)),
      m_strField2(std::move(field2)),
      m_strField3(std::move(field3)),
      m_strField4(std::move(field4)),
      m_strField5(std::move(field5)),
      m_strField6(std::move(field6)),
      m_nLock(lock),
      m_bSelected(1) {}

CJButtonParam::CJButtonParam(const CJButtonParam& other) = default;
CJButtonParam::CJButtonParam(CJButtonParam&& other) noexcept = default;
CJButtonParam& CJButtonParam::operator=(const CJButtonParam& other) = default;
CJButtonParam& CJButtonParam::operator=(CJButtonParam&& other) noexcept = default;
CJButtonParam::~CJButtonParam() = default;

int CJButtonParam::operator==(const CJButtonParam& other) const {
  return m_strName == other.m_strName && m_strField2 == other.m_strField2 &&
         m_strField3 == other.m_strField3 && m_strField4 == other.m_strField4 &&
         m_strField5 == other.m_strField5;
}

int CJButtonParam::operator!=(const CJButtonParam& other) const { return !(*this == other); }

CString CJButtonParam::GetString() const {
  CString text;
  text.Preallocate(m_strName.GetLength() + m_strField2.GetLength() + m_strField3.GetLength() +
                   m_strField4.GetLength() + m_strField5.GetLength() + m_strField6.GetLength() + 5);
  // The file order differs from the field order: name, 3, 2, 5, 4, 6.
  const CString* order[] = {&m_strName, &m_strField3, &m_strField2, &m_strField5, &m_strField4,
                            &m_strField6};
  for (const CString* part : order) {
    if (part != order[0]) text.AppendChar(L'|');
    // As "%s" would, a text stops at a NUL.
    text.Append(part->GetString());
  }
  return text;
}

void CJButtonParam::SetString(CString text) {
  CStringArray parts;
  CStringOpr::SpliteStrToAry(text, L"|", parts);
  if (parts.GetSize() < 2) return;
  kavro::toolbar::TakeButtonTexts(*this, parts);
}

namespace kavro::toolbar {

void TakeButtonTexts(CJButtonParam& button, CStringArray& parts) {
  CString* const texts[] = {&button.m_strName,   &button.m_strField3, &button.m_strField2,
                            &button.m_strField5, &button.m_strField4, &button.m_strField6};
  const INT_PTR count = parts.GetSize() < 6 ? parts.GetSize() : 6;
  for (INT_PTR k = 0; k < count; ++k) *texts[k] = std::move(parts[k]);
  button.m_strField3.TrimRight(L' ');
}

}  // namespace kavro::toolbar
