// The variant record's life: initialising, clearing and copying what it
// holds (texts, interfaces, arrays, references), and the BSTR extras.
#include <cstring>

#include "KavroStd/platform/oleauto.h"
#include "platform/com/com_internal.h"

namespace {

// The size of the value a VT_BYREF variant of base type `base` points at.
size_t ValueSize(VARTYPE base) {
  switch (base) {
    case VT_I1: case VT_UI1: return 1;
    case VT_I2: case VT_UI2: case VT_BOOL: return 2;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR: return 4;
    case VT_R8: case VT_DATE: case VT_CY: case VT_I8: case VT_UI8: return 8;
    default: return 0;
  }
}

}  // namespace

extern "C" void VariantInit(VARIANT* v) {
  if (!v) return;
  std::memset(v, 0, sizeof(*v));
  v->vt = VT_EMPTY;
}

extern "C" HRESULT VariantClear(VARIANT* v) {
  if (!v) return E_INVALIDARG;
  const VARTYPE vt = v->vt;
  if (!(vt & VT_BYREF)) {
    if (vt & VT_ARRAY) {
      if (v->parray && v->parray->cLocks > 0) return DISP_E_ARRAYISLOCKED;
      SafeArrayDestroy(v->parray);
    } else if (vt == VT_BSTR) {
      SysFreeString(v->bstrVal);
    } else if ((vt == VT_UNKNOWN || vt == VT_DISPATCH) && v->punkVal) {
      v->punkVal->Release();
    } else if (!kavro::platform::KvIsVariantBaseType(vt)) {
      return DISP_E_BADVARTYPE;
    }
  }
  VariantInit(v);
  return S_OK;
}

extern "C" HRESULT VariantCopy(VARIANT* dest, const VARIANT* source) {
  if (!dest || !source) return E_INVALIDARG;
  if (dest == source) return S_OK;
  VARIANT copy = *source;
  const VARTYPE vt = source->vt;
  if (vt & VT_BYREF) {
    // The reference itself is copied; it owns nothing.
  } else if (vt & VT_ARRAY) {
    HRESULT hr = SafeArrayCopy(source->parray, &copy.parray);
    if (FAILED(hr)) return hr;
  } else if (vt == VT_BSTR) {
    copy.bstrVal = source->bstrVal ? SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal)) : nullptr;
    if (source->bstrVal && !copy.bstrVal) return E_OUTOFMEMORY;
  } else if ((vt == VT_UNKNOWN || vt == VT_DISPATCH) && source->punkVal) {
    source->punkVal->AddRef();
  } else if (!kavro::platform::KvIsVariantBaseType(vt)) {
    return DISP_E_BADVARTYPE;
  }
  HRESULT hr = VariantClear(dest);
  if (FAILED(hr)) {
    VariantClear(&copy);
    return hr;
  }
  *dest = copy;
  return S_OK;
}

extern "C" HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* source) {
  if (!dest || !source) return E_INVALIDARG;
  if (!(source->vt & VT_BYREF)) return VariantCopy(dest, source);
  if (!source->byref) return E_INVALIDARG;
  const VARTYPE base = source->vt & ~VT_BYREF;
  VARIANT value;
  VariantInit(&value);
  if (base == VT_VARIANT) {
    // A reference to a variant: that variant, itself dereferenced once more
    // when it is a reference (Windows goes one level).
    return VariantCopy(dest, source->pvarVal);
  }
  value.vt = base;
  if (base & VT_ARRAY) {
    value.parray = *source->pparray;
  } else if (base == VT_BSTR) {
    value.bstrVal = *source->pbstrVal;
  } else if (base == VT_UNKNOWN || base == VT_DISPATCH) {
    value.punkVal = *source->ppunkVal;
  } else if (size_t size = ValueSize(base)) {
    std::memcpy(&value.llVal, source->byref, size);
  } else {
    return DISP_E_BADVARTYPE;
  }
  // `value` borrows what the reference points at; VariantCopy duplicates it.
  return VariantCopy(dest, &value);
}

extern "C" UINT SysStringByteLen(BSTR text) { return SysStringLen(text) * sizeof(OLECHAR); }

extern "C" INT SysReAllocStringLen(BSTR* text, const OLECHAR* newText, UINT length) {
  if (!text) return FALSE;
  BSTR copy = SysAllocStringLen(newText, length);
  if (!copy) return FALSE;
  SysFreeString(*text);
  *text = copy;
  return TRUE;
}

extern "C" INT SysReAllocString(BSTR* text, const OLECHAR* newText) {
  return SysReAllocStringLen(text, newText, newText ? static_cast<UINT>(wcslen(newText)) : 0);
}

namespace kavro::platform {

bool KvIsVariantBaseType(VARTYPE base) {
  switch (base) {
    case VT_EMPTY: case VT_NULL: case VT_I2: case VT_I4: case VT_R4: case VT_R8: case VT_CY:
    case VT_DATE: case VT_BSTR: case VT_DISPATCH: case VT_ERROR: case VT_BOOL: case VT_VARIANT:
    case VT_UNKNOWN: case VT_DECIMAL: case VT_I1: case VT_UI1: case VT_UI2: case VT_UI4: case VT_I8:
    case VT_UI8: case VT_INT: case VT_UINT:
      return true;
    default:
      return false;
  }
}

}  // namespace kavro::platform
