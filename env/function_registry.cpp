// The cross-module function registry with its parameter and result lists.
#include "KavroStd/env.h"
#include "KavroStd/text.h"

BOOL CSTDGlobeInfo::AddFunction(CString name, Function fn, BOOL noReplace) {
  if (!fn) return FALSE;
  Function existing = nullptr;
  if (noReplace && m_mapFunction.Lookup(name, existing)) return FALSE;
  m_mapFunction.SetAt(name, fn);
  return TRUE;
}

BOOL CSTDGlobeInfo::HasFunction(CString name) {
  Function fn = nullptr;
  return m_mapFunction.Lookup(name, fn);
}

BOOL CSTDGlobeInfo::DelFunction(CString name, BOOL prefix) {
  if (!prefix) return m_mapFunction.RemoveKey(name);
  CStringArray doomed;
  POSITION pos = m_mapFunction.GetStartPosition();
  while (pos) {
    CString key;
    Function fn = nullptr;
    m_mapFunction.GetNextAssoc(pos, key, fn);
    if (key.Left(name.GetLength()) == name) doomed.Add(key);
  }
  for (INT_PTR i = 0; i < doomed.GetSize(); ++i) m_mapFunction.RemoveKey(doomed[i]);
  return doomed.GetSize() > 0;
}

void CSTDGlobeInfo::GetAllFunction(CStringArray& names) {
  POSITION pos = m_mapFunction.GetStartPosition();
  while (pos) {
    CString key;
    Function fn = nullptr;
    m_mapFunction.GetNextAssoc(pos, key, fn);
    names.Add(key);
  }
}

BOOL CSTDGlobeInfo::RunFunction(CString command, CStringArray& params, void* object) {
  CStringArray pieces;
  if (!CStringOpr::SpliteStrToAry(command, L",", pieces) || pieces.GetSize() == 0) return FALSE;
  Function fn = nullptr;
  if (!m_mapFunction.Lookup(pieces[0], fn) || !fn) return FALSE;
  // Built aside first: params may be the parameter list itself.
  CStringArray call;
  for (INT_PTR i = 1; i < pieces.GetSize(); ++i) call.Add(pieces[i]);
  for (INT_PTR i = 0; i < params.GetSize(); ++i) call.Add(params[i]);
  m_aryParameter.Copy(call);
  m_pObject = object;
  fn();
  return TRUE;
}

BOOL CSTDGlobeInfo::RunFunction(CString command, CString p1, CString p2, CString p3, CString p4,
                                CString p5, CString p6) {
  CStringArray params;
  params.Add(p1);
  params.Add(p2);
  params.Add(p3);
  params.Add(p4);
  params.Add(p5);
  params.Add(p6);
  return RunFunction(command, params, nullptr);
}

CString CSTDGlobeInfo::GetParameter(int index) {
  if (index < 0 || index >= m_aryParameter.GetSize()) return CString();
  return m_aryParameter[index];
}

CString CSTDGlobeInfo::GetResult(int index) {
  if (index < 0 || index >= m_aryResult.GetSize()) return CString();
  return m_aryResult[index];
}

BOOL CSTDGlobeInfo::AddResult(CString value) {
  m_aryResult.Add(value);
  return TRUE;
}

BOOL CSTDGlobeInfo::SetResult(CString value) {
  m_aryResult.RemoveAll();
  m_aryResult.Add(value);
  return TRUE;
}

BOOL CSTDGlobeInfo::SetResult(CStringArray& values) {
  CStringArray copy;
  copy.Copy(values);
  m_aryResult.Copy(copy);
  return TRUE;
}
