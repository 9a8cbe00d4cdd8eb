// _com_error: an HRESULT with the error information of the failing call,
// and the system texts of the common HRESULTs.
#include <cstdio>

#include "KavroStd/platform/comdef.h"

namespace {

const wchar_t* SystemText(HRESULT hr) {
  switch (static_cast<uint32_t>(hr)) {
    case 0x00000000u: return L"The operation completed successfully.";
    case 0x00000001u: return L"Incorrect function.";
    case 0x8000FFFFu: return L"Catastrophic failure";
    case 0x80004001u: return L"Not implemented";
    case 0x80004002u: return L"No such interface supported";
    case 0x80004003u: return L"Invalid pointer";
    case 0x80004004u: return L"Operation aborted";
    case 0x80004005u: return L"Unspecified error";
    case 0x80070005u: return L"Access is denied.";
    case 0x80070006u: return L"The handle is invalid.";
    case 0x8007000Eu: return L"Not enough memory resources are available to complete this operation.";
    case 0x80070057u: return L"The parameter is incorrect.";
    case 0x80040110u: return L"Class does not support aggregation (or class object is remote)";
    case 0x80040154u: return L"Class not registered";
    case 0x800401F0u: return L"CoInitialize has not been called.";
    case 0x800401F3u: return L"Invalid class string";
    case 0x80010106u: return L"Cannot change thread mode after it is set.";
    case 0x80020003u: return L"Member not found.";
    case 0x80020005u: return L"Type mismatch.";
    case 0x8002000Au: return L"Out of present range.";
    default: return nullptr;
  }
}

}  // namespace

_com_error::_com_error(HRESULT hr, IErrorInfo* info, bool addRef) : m_hr(hr), m_info(info) {
  if (m_info && addRef) m_info->AddRef();
}
_com_error::_com_error(const _com_error& other) : m_hr(other.m_hr), m_info(other.m_info) {
  if (m_info) m_info->AddRef();
}
_com_error& _com_error::operator=(const _com_error& other) {
  if (this != &other) {
    if (other.m_info) other.m_info->AddRef();
    if (m_info) m_info->Release();
    m_hr = other.m_hr;
    m_info = other.m_info;
    m_message.clear();
  }
  return *this;
}
_com_error::~_com_error() {
  if (m_info) m_info->Release();
}

WORD _com_error::WCode() const noexcept { return HRESULTToWCode(m_hr); }

IErrorInfo* _com_error::ErrorInfo() const {
  if (m_info) m_info->AddRef();
  return m_info;
}

const wchar_t* _com_error::ErrorMessage() const {
  if (m_message.empty()) {
    if (const wchar_t* text = SystemText(m_hr)) {
      m_message = text;
    } else if (WCode() != 0) {
      wchar_t buffer[48];
      std::swprintf(buffer, 48, L"IDispatch error #%u", static_cast<unsigned>(WCode()));
      m_message = buffer;
    } else {
      wchar_t buffer[48];
      std::swprintf(buffer, 48, L"Unknown error 0x%08X", static_cast<unsigned>(m_hr));
      m_message = buffer;
    }
  }
  return m_message.c_str();
}

_bstr_t _com_error::Description() const {
  BSTR text = nullptr;
  if (m_info) m_info->GetDescription(&text);
  return _bstr_t(text, false);
}

_bstr_t _com_error::Source() const {
  BSTR text = nullptr;
  if (m_info) m_info->GetSource(&text);
  return _bstr_t(text, false);
}

// Codes of dispatch exceptions (0x80040200 + wCode) map to and from WORDs.
HRESULT _com_error::WCodeToHRESULT(WORD code) noexcept {
  return code >= 0xFE00 ? static_cast<HRESULT>(0x80040200u) : static_cast<HRESULT>(0x80040200u + code);
}
WORD _com_error::HRESULTToWCode(HRESULT hr) noexcept {
  const uint32_t value = static_cast<uint32_t>(hr);
  return (value >= 0x80040200u && value <= 0x8004FFFFu) ? static_cast<WORD>(value - 0x80040200u) : 0;
}

void _com_issue_error(HRESULT hr) { throw _com_error(hr); }

void _com_issue_errorex(HRESULT hr, IUnknown*, REFIID) {
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) != S_OK) info = nullptr;
  throw _com_error(hr, info, false);
}
