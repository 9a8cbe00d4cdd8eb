// What the generated check calls (one per wrapper method) share: the
// argument values they pass, the capture of the returned value with its
// C++ type, and the row tables that describe each method.
#pragma once

#include "KavroStd/platform/windows.h"

namespace kavro::office_check {

// The returned value with the automation type its C++ type stands for
// (DATE is a double and shows as VT_R8).
struct Returned {
  VARTYPE type = VT_EMPTY;
  VARIANT value;
  Returned() { VariantInit(&value); }
  ~Returned() { VariantClear(&value); }
  Returned(const Returned&) = delete;
  Returned& operator=(const Returned&) = delete;
};

inline void Capture(Returned& r, short v) { r.type = r.value.vt = VT_I2; r.value.iVal = v; }
inline void Capture(Returned& r, long v) { r.type = r.value.vt = VT_I4; r.value.lVal = static_cast<LONG>(v); }
inline void Capture(Returned& r, float v) { r.type = r.value.vt = VT_R4; r.value.fltVal = v; }
inline void Capture(Returned& r, double v) { r.type = r.value.vt = VT_R8; r.value.dblVal = v; }
inline void Capture(Returned& r, BOOL v) {
  r.type = r.value.vt = VT_BOOL;
  r.value.boolVal = static_cast<short>(v);
}
inline void Capture(Returned& r, const CString& v) {
  r.type = r.value.vt = VT_BSTR;
  r.value.bstrVal = SysAllocStringLen(v.GetString(), static_cast<UINT>(v.GetLength()));
}
inline void Capture(Returned& r, IDispatch* v) { r.type = r.value.vt = VT_DISPATCH; r.value.pdispVal = v; }
inline void Capture(Returned& r, IUnknown* v) { r.type = r.value.vt = VT_UNKNOWN; r.value.punkVal = v; }
inline void Capture(Returned& r, VARIANT v) {
  r.type = VT_VARIANT;
  r.value = v;
}

// A wrapper holding its own reference to d.
template <class Wrapper>
Wrapper Bind(IDispatch* d) {
  d->AddRef();
  return Wrapper(d);
}

inline constexpr const wchar_t* kText = L"text";
inline constexpr long kLong = 7;
inline constexpr short kShort = 3;
inline constexpr double kDouble = 2.5;
inline constexpr float kFloat = 1.5f;

// An omitted optional argument.
inline const VARIANT& Missing() {
  static const VARIANT missing = [] {
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
  }();
  return missing;
}
inline VARIANT* ByRefVariant() {
  static VARIANT v = Missing();
  return &v;
}
inline long* ByRefLong() {
  static long v = 11;
  return &v;
}
inline BOOL* ByRefBool() {
  static BOOL v = TRUE;
  return &v;
}
inline LPDISPATCH* ByRefDispatch() {
  static LPDISPATCH v = nullptr;
  return &v;
}

struct Row {
  const char* cls;
  const char* method;
  DISPID dispid;
  WORD kind;
  VARTYPE ret;
  const char* bytes;  // the parameter-type bytes
  size_t count;
  void (*call)(IDispatch* d, Returned& r);
};
struct RowTable {
  const Row* rows;
  size_t count;
};

}  // namespace kavro::office_check
