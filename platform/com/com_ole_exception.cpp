// COleException and COleDispatchException, the exceptions of automation
// calls, thrown as heap objects the catcher deletes.
#include <algorithm>
#include <cwchar>

#include "KavroStd/platform/afx_disp.h"
#include "KavroStd/platform/comdef.h"

namespace {

BOOL CopyMessage(const wchar_t* text, size_t length, LPWSTR buffer, UINT maxLength) {
  if (buffer && maxLength) {
    const size_t n = std::min<size_t>(length, maxLength - 1);
    std::wmemcpy(buffer, text, n);
    buffer[n] = 0;
  }
  return TRUE;
}

}  // namespace

SCODE COleException::Process(const CException* e) {
  if (const auto* ole = dynamic_cast<const COleException*>(e)) return ole->m_sc;
  if (const auto* dispatch = dynamic_cast<const COleDispatchException*>(e)) return dispatch->m_scError;
  if (dynamic_cast<const CMemoryException*>(e)) return E_OUTOFMEMORY;
  if (dynamic_cast<const CNotSupportedException*>(e)) return E_NOTIMPL;
  return E_UNEXPECTED;
}

BOOL COleException::GetErrorMessage(LPWSTR buffer, UINT maxLength, UINT* helpContext) const {
  if (helpContext) *helpContext = 0;
  const wchar_t* text = _com_error(m_sc).ErrorMessage();
  return CopyMessage(text, wcslen(text), buffer, maxLength);
}

BOOL COleDispatchException::GetErrorMessage(LPWSTR buffer, UINT maxLength, UINT* helpContext) const {
  if (helpContext) *helpContext = m_dwHelpContext;
  if (m_strDescription.IsEmpty()) {
    if (buffer && maxLength) *buffer = 0;
    return FALSE;
  }
  return CopyMessage(m_strDescription.GetString(), static_cast<size_t>(m_strDescription.GetLength()), buffer,
                     maxLength);
}

void AfxThrowOleException(SCODE sc) { throw new COleException(sc); }

void AfxThrowOleDispatchException(WORD code, LPCWSTR description, UINT helpId) {
  auto* e = new COleDispatchException(description, helpId, code);
  e->m_scError = DISP_E_EXCEPTION;
  throw e;
}
