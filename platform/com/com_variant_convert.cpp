// VariantChangeType: the conversions between the automation types (numbers,
// dates, texts in the "C" locale, booleans, objects).
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cwchar>
#include <cwctype>
#include <string>

#include "KavroStd/platform/oleauto.h"
#include "platform/com/com_internal.h"

namespace {

HRESULT MakeText(VARIANT& out, const std::wstring& text) {
  out.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  if (!out.bstrVal) return E_OUTOFMEMORY;
  out.vt = VT_BSTR;
  return S_OK;
}

std::wstring NumberText(double value, int digits) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits);
  return std::wstring(buffer, result.ptr);
}

std::wstring Trimmed(const wchar_t* text, UINT length) {
  std::wstring s(text ? text : L"", text ? length : 0);
  const size_t first = s.find_first_not_of(L" \t");
  if (first == std::wstring::npos) return L"";
  return s.substr(first, s.find_last_not_of(L" \t") - first + 1);
}

bool SameWord(const std::wstring& text, const wchar_t* word) {
  if (text.size() != wcslen(word)) return false;
  for (size_t i = 0; i < text.size(); ++i)
    if (towlower(text[i]) != towlower(word[i])) return false;
  return true;
}

// The text as a double, blanks around it allowed; false when it is none.
bool ParseNumber(const std::wstring& text, double& value) {
  std::string narrow;
  for (wchar_t c : text) {
    if (c <= 0 || c > 0x7F) return false;
    narrow.push_back(static_cast<char>(c));
  }
  if (narrow.empty()) return false;
  const char* begin = narrow.data();
  const char* end = begin + narrow.size();
  if (*begin == '+') ++begin;
  auto result = std::from_chars(begin, end, value);
  return result.ec == std::errc() && result.ptr == end;
}

// The source as a number for a numeric, date or boolean target.
HRESULT AsNumber(const VARIANT& source, VARTYPE type, double& value) {
  switch (source.vt) {
    case VT_EMPTY: value = 0; return S_OK;
    case VT_I2: value = source.iVal; return S_OK;
    case VT_I4: value = source.lVal; return S_OK;
    case VT_R4: value = source.fltVal; return S_OK;
    case VT_R8: value = source.dblVal; return S_OK;
    case VT_DATE: value = source.date; return S_OK;
    case VT_BOOL: value = source.boolVal ? -1 : 0; return S_OK;
    case VT_I1: value = source.cVal; return S_OK;
    case VT_UI1: value = source.bVal; return S_OK;
    case VT_UI2: value = source.uiVal; return S_OK;
    case VT_UI4: value = source.ulVal; return S_OK;
    case VT_INT: value = source.intVal; return S_OK;
    case VT_UINT: value = source.uintVal; return S_OK;
    case VT_I8: value = static_cast<double>(source.llVal); return S_OK;
    case VT_BSTR: {
      const std::wstring text = Trimmed(source.bstrVal, SysStringLen(source.bstrVal));
      if (ParseNumber(text, value)) return S_OK;
      if (type == VT_BOOL && (SameWord(text, L"True") || SameWord(text, L"False"))) {
        value = SameWord(text, L"True") ? -1 : 0;
        return S_OK;
      }
      if (type == VT_DATE && source.bstrVal)
        return VarDateFromStr(source.bstrVal, LOCALE_USER_DEFAULT, 0, &value);
      return DISP_E_TYPEMISMATCH;
    }
    default: return DISP_E_TYPEMISMATCH;
  }
}

// Rounds half to even, as Windows' integer conversions do.
HRESULT ToInteger(double value, double low, double high, double& rounded) {
  rounded = std::nearbyint(value);
  if (!(rounded >= low && rounded <= high)) return DISP_E_OVERFLOW;
  return S_OK;
}

HRESULT ToText(VARIANT& out, const VARIANT& source, USHORT flags) {
  switch (source.vt) {
    case VT_EMPTY: return MakeText(out, L"");
    case VT_BOOL:
      if (flags & VARIANT_ALPHABOOL) return MakeText(out, source.boolVal ? L"True" : L"False");
      return MakeText(out, source.boolVal ? L"-1" : L"0");
    case VT_I2: return MakeText(out, std::to_wstring(source.iVal));
    case VT_I4: return MakeText(out, std::to_wstring(source.lVal));
    case VT_I1: return MakeText(out, std::to_wstring(source.cVal));
    case VT_UI1: return MakeText(out, std::to_wstring(source.bVal));
    case VT_UI2: return MakeText(out, std::to_wstring(source.uiVal));
    case VT_UI4: return MakeText(out, std::to_wstring(source.ulVal));
    case VT_INT: return MakeText(out, std::to_wstring(source.intVal));
    case VT_UINT: return MakeText(out, std::to_wstring(source.uintVal));
    case VT_I8: return MakeText(out, std::to_wstring(source.llVal));
    case VT_R4: return MakeText(out, NumberText(source.fltVal, 7));
    case VT_R8: return MakeText(out, NumberText(source.dblVal, 15));
    case VT_DATE: {
      VARIANT date = source;
      BSTR text = nullptr;
      HRESULT hr = VarFormat(&date, nullptr, 0, 0, 0, &text);
      if (FAILED(hr)) return hr;
      out.vt = VT_BSTR;
      out.bstrVal = text;
      return S_OK;
    }
    default: return DISP_E_TYPEMISMATCH;
  }
}

HRESULT ToNumber(VARIANT& out, const VARIANT& source, VARTYPE type) {
  double value = 0;
  HRESULT hr = AsNumber(source, type, value);
  if (FAILED(hr)) return hr;
  double rounded = 0;
  switch (type) {
    case VT_I2:
      hr = ToInteger(value, -32768.0, 32767.0, rounded);
      if (SUCCEEDED(hr)) out.iVal = static_cast<SHORT>(rounded);
      break;
    case VT_I4:
      hr = ToInteger(value, -2147483648.0, 2147483647.0, rounded);
      if (SUCCEEDED(hr)) out.lVal = static_cast<LONG>(rounded);
      break;
    case VT_R4:
      if (std::isfinite(value) && std::fabs(value) > FLT_MAX) hr = DISP_E_OVERFLOW;
      else out.fltVal = static_cast<float>(value);
      break;
    case VT_R8: out.dblVal = value; break;
    case VT_DATE:
      // The range of valid dates: 1 January 100 to 31 December 9999.
      if (!(value >= -657434.0 && value < 2958466.0)) hr = DISP_E_OVERFLOW;
      else out.date = value;
      break;
    case VT_BOOL: out.boolVal = value != 0 ? VARIANT_TRUE : VARIANT_FALSE; break;
    default: return DISP_E_TYPEMISMATCH;
  }
  if (SUCCEEDED(hr)) out.vt = type;
  return hr;
}

HRESULT ToObject(VARIANT& out, const VARIANT& source, VARTYPE type) {
  if (source.vt == VT_EMPTY) {
    out.vt = type;
    out.punkVal = nullptr;
    return S_OK;
  }
  if (source.vt != VT_UNKNOWN && source.vt != VT_DISPATCH) return DISP_E_TYPEMISMATCH;
  if (type == VT_UNKNOWN || !source.punkVal) {
    if (source.punkVal) source.punkVal->AddRef();
    out.vt = type;
    out.punkVal = source.punkVal;
    return S_OK;
  }
  void* dispatch = nullptr;
  if (FAILED(source.punkVal->QueryInterface(IID_IDispatch, &dispatch)) || !dispatch) return DISP_E_TYPEMISMATCH;
  out.vt = VT_DISPATCH;
  out.pdispVal = static_cast<IDispatch*>(dispatch);
  return S_OK;
}


HRESULT Convert(VARIANT& out, const VARIANT& source, USHORT flags, VARTYPE type);

// An object stands for the value of its default member.
HRESULT FromValueProperty(VARIANT& out, const VARIANT& source, USHORT flags, VARTYPE type) {
  if (!source.pdispVal || (flags & VARIANT_NOVALUEPROP)) return DISP_E_TYPEMISMATCH;
  DISPPARAMS none = {nullptr, nullptr, 0, 0};
  VARIANT value;
  VariantInit(&value);
  HRESULT hr = source.pdispVal->Invoke(DISPID_VALUE, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none,
                                       &value, nullptr, nullptr);
  if (FAILED(hr)) {
    VariantClear(&value);
    return DISP_E_TYPEMISMATCH;
  }
  // One level only: a default member answering with an object again does
  // not recurse.
  hr = value.vt == VT_DISPATCH ? DISP_E_TYPEMISMATCH : Convert(out, value, flags | VARIANT_NOVALUEPROP, type);
  VariantClear(&value);
  return hr;
}

HRESULT Convert(VARIANT& out, const VARIANT& source, USHORT flags, VARTYPE type) {
  if (source.vt == type || type == VT_VARIANT) return VariantCopy(&out, &source);
  if ((type & (VT_ARRAY | VT_BYREF)) || (source.vt & VT_ARRAY)) return DISP_E_TYPEMISMATCH;
  if (!kavro::platform::KvIsVariantBaseType(type)) return DISP_E_BADVARTYPE;
  if (source.vt == VT_DISPATCH && type != VT_UNKNOWN && type != VT_EMPTY)
    return FromValueProperty(out, source, flags, type);
  switch (type) {
    case VT_EMPTY: return S_OK;
    case VT_NULL:
      if (source.vt != VT_EMPTY) return DISP_E_TYPEMISMATCH;
      out.vt = VT_NULL;
      return S_OK;
    case VT_BSTR: return ToText(out, source, flags);
    case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_DATE: case VT_BOOL:
      return ToNumber(out, source, type);
    case VT_DISPATCH: case VT_UNKNOWN: return ToObject(out, source, type);
    default: return DISP_E_TYPEMISMATCH;
  }
}

}  // namespace

extern "C" HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* source, LCID, USHORT flags, VARTYPE type) {
  if (!dest || !source) return E_INVALIDARG;
  VARIANT value;  // the source, dereferenced when it is a reference
  VariantInit(&value);
  const VARIANT* from = source;
  if (source->vt & VT_BYREF) {
    HRESULT hr = VariantCopyInd(&value, source);
    if (FAILED(hr)) return hr;
    from = &value;
  }
  VARIANT out;
  VariantInit(&out);
  HRESULT hr = Convert(out, *from, flags, type);
  VariantClear(&value);
  if (FAILED(hr)) {
    VariantClear(&out);
    return hr;
  }
  hr = VariantClear(dest);
  if (FAILED(hr)) {
    VariantClear(&out);
    return hr;
  }
  *dest = out;
  return S_OK;
}

extern "C" HRESULT VariantChangeType(VARIANT* dest, const VARIANT* source, USHORT flags, VARTYPE type) {
  return VariantChangeTypeEx(dest, source, LOCALE_USER_DEFAULT, flags, type);
}
