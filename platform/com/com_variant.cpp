// _variant_t: an owned VARIANT with its conversions.
#include <charconv>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <string>

#include "KavroStd/platform/comdef.h"
#include "KavroStd/platform/comutil.h"

_variant_t::_variant_t(const VARIANT& value) {
  VariantInit(this);
  HRESULT hr = VariantCopy(this, &value);
  if (FAILED(hr)) _com_issue_error(hr);
}
_variant_t::_variant_t(const _variant_t& value) : _variant_t(static_cast<const VARIANT&>(value)) {}
_variant_t::_variant_t(_variant_t&& value) noexcept : VARIANT(value) { VariantInit(&value); }
_variant_t::_variant_t(const wchar_t* text) {
  VariantInit(this);
  vt = VT_BSTR;
  bstrVal = SysAllocString(text ? text : L"");
  if (!bstrVal) _com_issue_error(E_OUTOFMEMORY);
}
_variant_t::_variant_t(const char* text) {
  VariantInit(this);
  _bstr_t wide(text ? text : "");
  vt = VT_BSTR;
  bstrVal = wide.length() ? wide.Detach() : SysAllocString(L"");
}
_variant_t::_variant_t(const _bstr_t& text) {
  VariantInit(this);
  vt = VT_BSTR;
  bstrVal = SysAllocStringLen(static_cast<const wchar_t*>(text), text.length());
  if (!bstrVal) _com_issue_error(E_OUTOFMEMORY);
}
_variant_t::_variant_t(int value) noexcept {
  VariantInit(this);
  vt = VT_I4;
  lVal = value;
}
_variant_t::_variant_t(long value) noexcept {
  VariantInit(this);
  vt = VT_I4;
  lVal = static_cast<LONG>(value);
}
_variant_t::_variant_t(double value) noexcept {
  VariantInit(this);
  vt = VT_R8;
  dblVal = value;
}
_variant_t::_variant_t(bool value) noexcept {
  VariantInit(this);
  vt = VT_BOOL;
  boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}
_variant_t::_variant_t(IUnknown* object, bool addRef) noexcept {
  VariantInit(this);
  vt = VT_UNKNOWN;
  punkVal = object;
  if (object && addRef) object->AddRef();
}

_variant_t& _variant_t::operator=(const _variant_t& value) {
  return *this = static_cast<const VARIANT&>(value);
}
_variant_t& _variant_t::operator=(_variant_t&& value) noexcept {
  if (this != &value) {
    VariantClear(this);
    static_cast<VARIANT&>(*this) = value;
    VariantInit(&value);
  }
  return *this;
}
_variant_t& _variant_t::operator=(const VARIANT& value) {
  HRESULT hr = VariantCopy(this, &value);
  if (FAILED(hr)) _com_issue_error(hr);
  return *this;
}

_variant_t::operator _bstr_t() const { return _bstr_t(static_cast<const VARIANT&>(*this)); }

namespace {
VARIANT Converted(const VARIANT& value, VARTYPE type) {
  VARIANT out;
  VariantInit(&out);
  HRESULT hr = VariantChangeType(&out, &value, 0, type);
  if (FAILED(hr)) _com_issue_error(hr);
  return out;
}
}  // namespace

_variant_t::operator LONG() const { return Converted(*this, VT_I4).lVal; }
_variant_t::operator double() const { return Converted(*this, VT_R8).dblVal; }
_variant_t::operator bool() const { return Converted(*this, VT_BOOL).boolVal != 0; }

void _variant_t::ChangeType(VARTYPE type, const _variant_t* source) {
  HRESULT hr = VariantChangeType(this, source ? source : this, 0, type);
  if (FAILED(hr)) _com_issue_error(hr);
}

void _variant_t::Attach(VARIANT& value) {
  VariantClear(this);
  static_cast<VARIANT&>(*this) = value;
  VariantInit(&value);
}

VARIANT _variant_t::Detach() {
  VARIANT out = *this;
  VariantInit(this);
  return out;
}
