// CPath arguments: parsing the argument text into switches and values, and
// editing the list.
#include "KavroStd/files.h"

CPath::CArgument::CArgument() : m_cPrefix(L'/') {}

CPath::CArgument::~CArgument() = default;

void CPath::CArgument::SetName(const wchar_t* text) {
  CString name(text);
  bool slash = name.Remove(L'/') > 0;
  bool dash = name.Remove(L'-') > 0;
  name.Remove(L' ');
  if (slash) m_cPrefix = L'/';
  if (dash) m_cPrefix = L'-';
  m_strName = name;
}

CString CPath::CArgument::GetString() const {
  CString out;
  if (!m_strName.IsEmpty()) out.Format(L" %c%s", m_cPrefix, m_strName.GetString());
  if (!m_strValue.IsEmpty()) {
    out += L' ';
    out += m_strValue.Find(L' ') >= 0 ? CString(L"\"") + m_strValue + L"\"" : m_strValue;
  }
  return out;
}

void CPath::AppendArgument(CArgument& pending) {
  pending.SetName(pending.m_strName);
  m_aryArguments.Add(pending);
  pending.m_strName.Empty();
  pending.m_strValue.Empty();
}

void CPath::FillArgArray() {
  if (m_strArgument.IsEmpty() || m_aryArguments.GetSize() > 0) return;
  CString work = m_strArgument;
  work.Trim();
  work += L' ';
  CArgument pending;
  for (int p = work.FindOneOf(L" \""); p >= 0; p = work.FindOneOf(L" \"")) {
    if (work[p] == L'"') {
      int close = work.Find(L'"', p + 1);
      if (close < 0) break;  // an unclosed quote ends the parse
      pending.m_strValue = work.Mid(p + 1, close - p - 1);
      p = close;
    } else if (work[0] == L'/' || work[0] == L'-') {
      if (!pending.m_strName.IsEmpty()) AppendArgument(pending);
      pending.m_strName = work.Left(p);
    } else {
      pending.m_strValue = work.Left(p);
    }
    if (!pending.m_strValue.IsEmpty()) AppendArgument(pending);
    work = work.Mid(p + 1);
    work.TrimLeft();
  }
  if (!pending.m_strName.IsEmpty()) AppendArgument(pending);
}

void CPath::SetArguments(const wchar_t* text) {
  m_aryArguments.RemoveAll();
  m_strArgument = text ? text : L"";
}

int CPath::GetArgCount() {
  FillArgArray();
  return static_cast<int>(m_aryArguments.GetSize());
}

CString CPath::GetArgument(int index, int wantName) {
  if (index < 0) {
    if (m_strArgument.IsEmpty()) {
      for (INT_PTR i = 0; i < m_aryArguments.GetSize(); ++i) m_strArgument += m_aryArguments[i].GetString();
      m_strArgument.TrimLeft(L' ');
    }
    return m_strArgument;
  }
  FillArgArray();
  if (index >= m_aryArguments.GetSize()) return CString();
  const CArgument& arg = m_aryArguments[index];
  return wantName ? arg.m_strName : arg.m_strValue;
}

int CPath::FindArgument(const wchar_t* name) {
  FillArgArray();
  CArgument wanted;
  wanted.SetName(name);
  if (wanted.m_strName.IsEmpty()) return -1;
  for (INT_PTR i = 0; i < m_aryArguments.GetSize(); ++i)
    if (m_aryArguments[i].m_strName.CompareNoCase(wanted.m_strName) == 0) return static_cast<int>(i);
  return -1;
}

void CPath::AddSetArgument(const wchar_t* name, const wchar_t* value) {
  int index = FindArgument(name);
  if (index >= 0) {
    m_aryArguments[index].m_strValue = value;
  } else {
    CArgument arg;
    arg.SetName(name);
    arg.m_strValue = value;
    m_aryArguments.Add(arg);
  }
  m_strArgument.Empty();
}

void CPath::RemoveArgument(int index) {
  if (index < 0 || index >= m_aryArguments.GetSize()) return;
  m_aryArguments.RemoveAt(index);
  m_strArgument.Empty();
}
