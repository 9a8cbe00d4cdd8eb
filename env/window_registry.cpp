// The cross-module window registry, keyed "first_second".
#include "KavroStd/env.h"

namespace {
CString JoinKey(const CString& first, const CString& second) {
  CString key;
  key.Format(L"%s_%s", static_cast<LPCWSTR>(first), static_cast<LPCWSTR>(second));
  return key;
}
}  // namespace

CString CSTDGlobeInfo::WndGetKey(CString first, CString second, BOOL unique) {
  CString key = JoinKey(first, second);
  CWnd* wnd = nullptr;
  if (!unique || !m_mapWnd.Lookup(key, wnd)) return key;
  for (int counter = 0;; ++counter) {
    CString candidate;
    candidate.Format(L"%s_%d", static_cast<LPCWSTR>(key), counter);
    if (!m_mapWnd.Lookup(candidate, wnd)) return candidate;
  }
}

void CSTDGlobeInfo::WndSetAt(CString first, CString second, CWnd* wnd) {
  if (wnd) m_mapWnd.SetAt(JoinKey(first, second), wnd);
}

CWnd* CSTDGlobeInfo::WndLookUp(CString first, CString second) {
  CWnd* wnd = nullptr;
  return m_mapWnd.Lookup(JoinKey(first, second), wnd) ? wnd : nullptr;
}

void CSTDGlobeInfo::WndRemoveKey(CString first, CString second) {
  m_mapWnd.RemoveKey(JoinKey(first, second));
}

void CSTDGlobeInfo::WndDestroy(CString first, CString second) {
  CString key = JoinKey(first, second);
  CWnd* wnd = nullptr;
  if (!m_mapWnd.Lookup(key, wnd)) return;
  m_mapWnd.RemoveKey(key);
  if (wnd) wnd->DestroyWindow();
}
