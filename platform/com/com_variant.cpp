// Variants: copying, the conversions between text, integers, doubles and
// booleans (numbers as in the "C" locale), and _variant_t.
#include <charconv>
#include <cmath>
#include <cstring>
#include <cwchar>
#include <string>

#include "KavroStd/platform/comdef.h"
#include "KavroStd/platform/comutil.h"

namespace {

HRESULT MakeText(VARIANT* out, const std::wstring& text) {
  out->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (!out->bstrVal) return E_OUTOFMEMORY;
  out->vt = VT_BSTR;
  return S_OK;
}

std::wstring NumberText(double value) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  return std::wstring(buffer, result.ptr);
}

// The text as a double, blanks around it allowed; false when it is none.
bool ParseNumber(const wchar_t* text, UINT length, double& value) {
  std::string narrow;
  for (UINT i = 0; i < length; ++i) {
    if (text[i] > 0x7F) return false;
    narrow.push_back(static_cast<char>(text[i]));
  }
  const size_t first = narrow.find_first_not_of(" \t");
  const size_t last = narrow.find_last_not_of(" \t");
  if (first == std::string::npos) return false;
  const char* begin = narrow.data() + first;
  const char* end = narrow.data() + last + 1;
  if (*begin == '+') ++begin;
  auto result = std::from_chars(begin, end, value);
  return result.ec == std::errc() && result.ptr == end;
}

// The source as a double; false when it cannot be one.
HRESULT AsDouble(const VARIANT& source, double& value) {
  switch (source.vt) {
    case VT_EMPTY: value = 0; return S_OK;
    case VT_I2: value = source.iVal; return S_OK;
    case VT_I4: value = source.lVal; return S_OK;
    case VT_R4: value = source.fltVal; return S_OK;
    case VT_R8: value = source.dblVal; return S_OK;
    case VT_DATE: value = source.date; return S_OK;
    case VT_BOOL: value = source.boolVal ? -1 : 0; return S_OK;
    case VT_BSTR: {
      if (ParseNumber(source.bstrVal, SysStringLen(source.bstrVal), value)) return S_OK;
      return DISP_E_TYPEMISMATCH;
    }
    default: return DISP_E_TYPEMISMATCH;
  }
}

}  // namespace

extern "C" HRESULT VariantCopy(VARIANT* dest, const VARIANT* source) {
  if (!dest || !source) return E_INVALIDARG;
  if (dest == source) return S_OK;
  VARIANT copy = *source;
  if (source->vt == VT_BSTR) {
    copy.bstrVal = source->bstrVal ? SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal)) : nullptr;
    if (source->bstrVal && !copy.bstrVal) return E_OUTOFMEMORY;
  } else if ((source->vt == VT_UNKNOWN || source->vt == VT_DISPATCH) && source->punkVal) {
    source->punkVal->AddRef();
  }
  VariantClear(dest);
  *dest = copy;
  return S_OK;
}

extern "C" HRESULT VariantChangeType(VARIANT* dest, const VARIANT* source, USHORT, VARTYPE type) {
  if (!dest || !source) return E_INVALIDARG;
  VARIANT out;
  VariantInit(&out);
  HRESULT hr = S_OK;
  if (source->vt == type) {
    hr = VariantCopy(&out, source);
  } else if (type == VT_BSTR) {
    switch (source->vt) {
      case VT_EMPTY: hr = MakeText(&out, L""); break;
      case VT_BOOL: hr = MakeText(&out, source->boolVal ? L"-1" : L"0"); break;
      case VT_I2: hr = MakeText(&out, std::to_wstring(source->iVal)); break;
      case VT_I4: hr = MakeText(&out, std::to_wstring(source->lVal)); break;
      case VT_R4: hr = MakeText(&out, NumberText(source->fltVal)); break;
      case VT_R8: hr = MakeText(&out, NumberText(source->dblVal)); break;
      default: hr = DISP_E_TYPEMISMATCH; break;
    }
  } else if (type == VT_I4 || type == VT_R8 || type == VT_BOOL || type == VT_EMPTY) {
    double value = 0;
    hr = type == VT_EMPTY ? S_OK : AsDouble(*source, value);
    if (SUCCEEDED(hr)) {
      out.vt = type;
      if (type == VT_R8) {
        out.dblVal = value;
      } else if (type == VT_BOOL) {
        out.boolVal = value != 0 ? VARIANT_TRUE : VARIANT_FALSE;
      } else if (type == VT_I4) {
        // Integers round half to even, as Windows' conversions do.
        const double rounded = std::nearbyint(value);
        if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) hr = DISP_E_OVERFLOW;
        else out.lVal = static_cast<LONG>(rounded);
      }
    }
  } else {
    hr = DISP_E_TYPEMISMATCH;
  }
  if (FAILED(hr)) {
    VariantClear(&out);
    return hr;
  }
  VariantClear(dest);
  *dest = out;
  return S_OK;
}

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
