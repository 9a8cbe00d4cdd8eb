// _bstr_t: an owned BSTR with narrow (ANSI code page) conversions.
#include <cwchar>
#include <string>

#include "KavroStd/platform/codepage.h"
#include "KavroStd/platform/comdef.h"
#include "KavroStd/platform/comutil.h"

namespace {

BSTR CopyOf(const wchar_t* text, size_t length) {
  BSTR out = SysAllocStringLen(text, static_cast<UINT>(length));
  if (!out) _com_issue_error(E_OUTOFMEMORY);
  return out;
}

BSTR FromNarrow(const char* text) {
  if (!text) return nullptr;
  const int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (n <= 0) return CopyOf(L"", 0);
  std::wstring wide(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), n);
  return CopyOf(wide.data(), static_cast<size_t>(n - 1));
}

}  // namespace

_bstr_t::_bstr_t(const _bstr_t& other) : m_text(other.m_text ? CopyOf(other.m_text, other.length()) : nullptr) {}
_bstr_t::_bstr_t(const char* text) : m_text(FromNarrow(text)) {}
_bstr_t::_bstr_t(const wchar_t* text) : m_text(text ? CopyOf(text, wcslen(text)) : nullptr) {}
_bstr_t::_bstr_t(BSTR text, bool copy) : m_text(copy && text ? CopyOf(text, SysStringLen(text)) : text) {}
_bstr_t::_bstr_t(const VARIANT& value) {
  VARIANT text;
  VariantInit(&text);
  HRESULT hr = VariantChangeType(&text, &value, 0, VT_BSTR);
  if (FAILED(hr)) _com_issue_error(hr);
  m_text = text.bstrVal;
}
_bstr_t::~_bstr_t() { SysFreeString(m_text); }

void _bstr_t::Reset(BSTR text) {
  if (text == m_text) return;
  SysFreeString(m_text);
  m_text = text;
  m_narrowValid = false;
}

_bstr_t& _bstr_t::operator=(const _bstr_t& other) {
  if (this != &other) Reset(other.m_text ? CopyOf(other.m_text, other.length()) : nullptr);
  return *this;
}
_bstr_t& _bstr_t::operator=(_bstr_t&& other) noexcept {
  if (this != &other) {
    Reset(other.m_text);
    other.m_text = nullptr;
    other.m_narrowValid = false;
  }
  return *this;
}
_bstr_t& _bstr_t::operator=(const char* text) {
  Reset(FromNarrow(text));
  return *this;
}
_bstr_t& _bstr_t::operator=(const wchar_t* text) {
  Reset(text ? CopyOf(text, wcslen(text)) : nullptr);
  return *this;
}

_bstr_t& _bstr_t::operator+=(const _bstr_t& other) {
  if (!other.m_text) return *this;
  std::wstring joined(m_text ? m_text : L"", length());
  joined.append(other.m_text, other.length());
  Reset(CopyOf(joined.data(), joined.size()));
  return *this;
}

_bstr_t _bstr_t::operator+(const _bstr_t& other) const {
  _bstr_t out(*this);
  out += other;
  return out;
}

_bstr_t::operator const char*() const {
  if (!m_text) return nullptr;
  if (!m_narrowValid) {
    const int n = WideCharToMultiByte(CP_ACP, 0, m_text, static_cast<int>(length()), nullptr, 0, nullptr, nullptr);
    m_narrow.assign(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0)
      WideCharToMultiByte(CP_ACP, 0, m_text, static_cast<int>(length()), m_narrow.data(), n, nullptr, nullptr);
    m_narrowValid = true;
  }
  return m_narrow.c_str();
}
_bstr_t::operator char*() const { return const_cast<char*>(static_cast<const char*>(*this)); }

bool _bstr_t::operator==(const _bstr_t& other) const {
  const unsigned a = length(), b = other.length();
  return a == b && (a == 0 || wmemcmp(m_text, other.m_text, a) == 0);
}

bool _bstr_t::operator<(const _bstr_t& other) const {
  const std::wstring_view a(m_text ? m_text : L"", length()), b(other.m_text ? other.m_text : L"", other.length());
  return a < b;
}

BSTR _bstr_t::copy(bool fCopy) const {
  if (!fCopy) return m_text;
  return m_text ? CopyOf(m_text, length()) : nullptr;
}

BSTR& _bstr_t::GetAddress() {
  Reset(nullptr);
  return m_text;
}

void _bstr_t::Assign(BSTR text) { Reset(text ? CopyOf(text, SysStringLen(text)) : nullptr); }
void _bstr_t::Attach(BSTR text) { Reset(text); }
BSTR _bstr_t::Detach() noexcept {
  BSTR text = m_text;
  m_text = nullptr;
  m_narrowValid = false;
  return text;
}
