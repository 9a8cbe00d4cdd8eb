// COleDispatchDriver: holding an IDispatch and calling it with argument
// lists described by parameter-type bytes.
#include <cstring>
#include <memory>

#include "KavroStd/platform/afx_disp.h"

namespace {

constexpr size_t kStackArgs = 32;

// What one argument needs after the call: a BSTR to free, or a temporary
// of the automation width to write back into the caller's variable.
struct Slot {
  BYTE kind;
  void* target;
  union {
    LONG l;
    short b;
    BSTR text;
  };
};

// The packed arguments of one call; frees what it allocated when it goes.
class Arguments {
 public:
  explicit Arguments(size_t count) : count_(count) {
    if (count > kStackArgs) {
      heapArgs_ = std::make_unique<VARIANT[]>(count);
      heapSlots_ = std::make_unique<Slot[]>(count);
    }
    args_ = heapArgs_ ? heapArgs_.get() : stackArgs_;
    slots_ = heapSlots_ ? heapSlots_.get() : stackSlots_;
    for (size_t i = 0; i < count; ++i) slots_[i].kind = 0;
  }
  ~Arguments() {
    if (!texts_) return;
    for (size_t i = 0; i < count_; ++i)
      if (slots_[i].kind == VT_BSTR) SysFreeString(slots_[i].text);
  }
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;

  VARIANT* args() { return args_; }

  // Reads the arguments from the list, first to last, into rgvarg last to
  // first. Returns S_OK or DISP_E_BADVARTYPE for an unknown byte.
  HRESULT Pack(const BYTE* info, va_list list) {
    for (size_t i = 0; i < count_; ++i) {
      VARIANT& arg = args_[count_ - 1 - i];
      Slot& slot = slots_[count_ - 1 - i];
      // Each case sets the type and the value; the reserved words are zero.
      arg.wReserved1 = arg.wReserved2 = arg.wReserved3 = 0;
      arg.llVal = 0;
      const BYTE type = info[i];
      switch (type) {
        case 0x02: arg.vt = VT_I2; arg.iVal = static_cast<SHORT>(va_arg(list, int)); break;
        case 0x03: arg.vt = VT_I4; arg.lVal = static_cast<LONG>(va_arg(list, long)); break;
        case 0x04: arg.vt = VT_R4; arg.fltVal = static_cast<float>(va_arg(list, double)); break;
        case 0x05: arg.vt = VT_R8; arg.dblVal = va_arg(list, double); break;
        case 0x06: arg.vt = VT_CY; arg.llVal = va_arg(list, long long); break;
        case 0x07: arg.vt = VT_DATE; arg.date = va_arg(list, double); break;
        case 0x08: {
          const wchar_t* text = va_arg(list, const wchar_t*);
          arg.vt = VT_BSTR;
          arg.bstrVal = SysAllocString(text);
          if (text && !arg.bstrVal) return E_OUTOFMEMORY;
          slot.kind = VT_BSTR;
          slot.text = arg.bstrVal;
          ++texts_;
          break;
        }
        case 0x09: arg.vt = VT_DISPATCH; arg.pdispVal = va_arg(list, IDispatch*); break;
        case 0x0A: arg.vt = VT_ERROR; arg.scode = static_cast<LONG>(va_arg(list, int)); break;
        case 0x0B: arg.vt = VT_BOOL; arg.boolVal = va_arg(list, int) ? VARIANT_TRUE : VARIANT_FALSE; break;
        case 0x0C: {
          // Passed as it is (not copied); a null address is a missing argument.
          const VARIANT* value = va_arg(list, const VARIANT*);
          if (value) arg = *value;
          else Missing(arg);
          break;
        }
        case 0x0D: arg.vt = VT_UNKNOWN; arg.punkVal = va_arg(list, IUnknown*); break;
        case 0x11: arg.vt = VT_UI1; arg.bVal = static_cast<BYTE>(va_arg(list, int)); break;
        case 0x43: {  // long* travels as a 32-bit LONG and is written back
          long* target = va_arg(list, long*);
          if (!target) { Missing(arg); break; }
          slot.kind = 0x43;
          ++writeBacks_;
          slot.target = target;
          slot.l = static_cast<LONG>(*target);
          arg.vt = VT_I4 | VT_BYREF;
          arg.plVal = &slot.l;
          break;
        }
        case 0x4B: {  // BOOL* travels as a VARIANT_BOOL and is written back
          BOOL* target = va_arg(list, BOOL*);
          if (!target) { Missing(arg); break; }
          slot.kind = 0x4B;
          ++writeBacks_;
          slot.target = target;
          slot.b = *target ? VARIANT_TRUE : VARIANT_FALSE;
          arg.vt = VT_BOOL | VT_BYREF;
          arg.pboolVal = &slot.b;
          break;
        }
        case 0x42: case 0x44: case 0x45: case 0x46: case 0x47: case 0x48: case 0x49: case 0x4A:
        case 0x4C: case 0x4D: case 0x51: {
          // The caller's variable has the automation width: passed as it is.
          void* target = va_arg(list, void*);
          if (!target) { Missing(arg); break; }
          arg.vt = static_cast<VARTYPE>((type & 0x3F) | VT_BYREF);
          arg.byref = target;
          break;
        }
        default: return DISP_E_BADVARTYPE;
      }
    }
    return S_OK;
  }

  // Copies the by-reference temporaries back into the caller's variables.
  void WriteBack() {
    if (!writeBacks_) return;
    for (size_t i = 0; i < count_; ++i) {
      const Slot& slot = slots_[i];
      if (slot.kind == 0x43) *static_cast<long*>(slot.target) = slot.l;
      else if (slot.kind == 0x4B) *static_cast<BOOL*>(slot.target) = slot.b != 0 ? TRUE : FALSE;
    }
  }

 private:
  static void Missing(VARIANT& arg) {
    arg.vt = VT_ERROR;
    arg.scode = DISP_E_PARAMNOTFOUND;
  }

  size_t count_;
  size_t texts_ = 0;       // BSTRs made for the call
  size_t writeBacks_ = 0;  // temporaries to copy back
  VARIANT* args_;
  Slot* slots_;
  VARIANT stackArgs_[kStackArgs];
  Slot stackSlots_[kStackArgs];
  std::unique_ptr<VARIANT[]> heapArgs_;
  std::unique_ptr<Slot[]> heapSlots_;
};

CString TextOf(BSTR text) { return text ? CString(text, static_cast<int>(SysStringLen(text))) : CString(); }

[[noreturn]] void ThrowDispatchException(EXCEPINFO& info) {
  if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
  auto* e = new COleDispatchException(L"", info.dwHelpContext, info.wCode);
  e->m_strDescription = TextOf(info.bstrDescription);
  e->m_strSource = TextOf(info.bstrSource);
  e->m_strHelpFile = TextOf(info.bstrHelpFile);
  e->m_scError = info.scode != 0 ? info.scode : DISP_E_EXCEPTION;
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrHelpFile);
  throw e;
}

// Stores the result, converted to vtRet, at pvRet; takes over `result`.
void StoreResult(VARIANT& result, VARTYPE vtRet, void* pvRet) {
  if (vtRet == VT_EMPTY) {
    VariantClear(&result);
    return;
  }
  if (vtRet != VT_VARIANT && result.vt != vtRet) {
    HRESULT hr = VariantChangeType(&result, &result, 0, vtRet);
    if (FAILED(hr)) {
      VariantClear(&result);
      AfxThrowOleException(hr);
    }
  }
  switch (vtRet) {
    case VT_I2: *static_cast<short*>(pvRet) = result.iVal; break;
    case VT_I4: *static_cast<long*>(pvRet) = result.lVal; break;
    case VT_R4: *static_cast<float*>(pvRet) = result.fltVal; break;
    case VT_R8: *static_cast<double*>(pvRet) = result.dblVal; break;
    case VT_DATE: *static_cast<DATE*>(pvRet) = result.date; break;
    case VT_ERROR: *static_cast<SCODE*>(pvRet) = result.scode; break;
    case VT_BOOL: *static_cast<BOOL*>(pvRet) = result.boolVal != 0 ? TRUE : FALSE; break;
    case VT_UI1: *static_cast<BYTE*>(pvRet) = result.bVal; break;
    case VT_BSTR:
      *static_cast<CString*>(pvRet) = TextOf(result.bstrVal);
      VariantClear(&result);
      break;
    case VT_DISPATCH:
    case VT_UNKNOWN:
      // The reference goes to the caller.
      *static_cast<IUnknown**>(pvRet) = result.punkVal;
      break;
    case VT_VARIANT: *static_cast<VARIANT*>(pvRet) = result; break;
    default:
      VariantClear(&result);
      AfxThrowOleException(DISP_E_BADVARTYPE);
  }
}

}  // namespace

COleDispatchDriver::COleDispatchDriver(const COleDispatchDriver& source) : m_lpDispatch(source.m_lpDispatch) {
  if (m_lpDispatch) m_lpDispatch->AddRef();
}

const COleDispatchDriver& COleDispatchDriver::operator=(const COleDispatchDriver& source) {
  if (this != &source) {
    LPDISPATCH old = m_lpDispatch;
    m_lpDispatch = source.m_lpDispatch;
    if (m_lpDispatch) m_lpDispatch->AddRef();
    if (old && m_bAutoRelease) old->Release();
    m_bAutoRelease = TRUE;
  }
  return *this;
}

BOOL COleDispatchDriver::CreateDispatch(REFCLSID clsid, COleException* error) {
  void* object = nullptr;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IDispatch, &object);
  if (FAILED(hr) || !object) {
    if (error) error->m_sc = FAILED(hr) ? hr : E_NOINTERFACE;
    return FALSE;
  }
  AttachDispatch(static_cast<LPDISPATCH>(object), TRUE);
  return TRUE;
}

BOOL COleDispatchDriver::CreateDispatch(LPCWSTR progId, COleException* error) {
  CLSID clsid;
  HRESULT hr = progId ? CLSIDFromProgID(progId, &clsid) : E_INVALIDARG;
  if (FAILED(hr)) {
    if (error) error->m_sc = hr;
    return FALSE;
  }
  return CreateDispatch(clsid, error);
}

void COleDispatchDriver::AttachDispatch(LPDISPATCH dispatch, BOOL autoRelease) {
  ReleaseDispatch();
  m_lpDispatch = dispatch;
  m_bAutoRelease = autoRelease;
}

LPDISPATCH COleDispatchDriver::DetachDispatch() {
  LPDISPATCH dispatch = m_lpDispatch;
  m_lpDispatch = nullptr;
  return dispatch;
}

void COleDispatchDriver::ReleaseDispatch() {
  if (m_lpDispatch) {
    LPDISPATCH dispatch = m_lpDispatch;
    m_lpDispatch = nullptr;
    if (m_bAutoRelease) dispatch->Release();
  }
}

void COleDispatchDriver::InvokeHelper(DISPID dispid, WORD wFlags, VARTYPE vtRet, void* pvRet,
                                      const BYTE* paramInfo, ...) {
  va_list list;
  va_start(list, paramInfo);
  try {
    InvokeHelperV(dispid, wFlags, vtRet, pvRet, paramInfo, list);
  } catch (...) {
    va_end(list);
    throw;
  }
  va_end(list);
}

void COleDispatchDriver::InvokeHelperV(DISPID dispid, WORD wFlags, VARTYPE vtRet, void* pvRet,
                                       const BYTE* paramInfo, va_list list) {
  if (!m_lpDispatch) AfxThrowOleException(E_POINTER);
  const size_t count = paramInfo ? std::strlen(reinterpret_cast<const char*>(paramInfo)) : 0;
  Arguments arguments(count);
  HRESULT hr = arguments.Pack(paramInfo, list);
  if (FAILED(hr)) AfxThrowOleException(hr);

  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params = {count ? arguments.args() : nullptr, nullptr, static_cast<UINT>(count), 0};
  if ((wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && count > 0) {
    // The value of a put is the named argument DISPID_PROPERTYPUT.
    params.cNamedArgs = 1;
    params.rgdispidNamedArgs = &named;
  }
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO info;
  std::memset(&info, 0, sizeof info);
  UINT argError = 0;
  hr = m_lpDispatch->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, wFlags, &params, pvRet ? &result : nullptr,
                            &info, &argError);
  arguments.WriteBack();
  if (FAILED(hr)) {
    VariantClear(&result);
    if (hr == DISP_E_EXCEPTION) ThrowDispatchException(info);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrHelpFile);
    AfxThrowOleException(hr);
  }
  if (pvRet) StoreResult(result, vtRet, pvRet);
}

void COleDispatchDriver::GetProperty(DISPID dispid, VARTYPE vtProp, void* pvProp) const {
  const_cast<COleDispatchDriver*>(this)->InvokeHelper(dispid, DISPATCH_PROPERTYGET, vtProp, pvProp, nullptr);
}

void COleDispatchDriver::SetProperty(DISPID dispid, VARTYPE vtProp, ...) {
  BYTE params[2] = {static_cast<BYTE>(vtProp & VT_BYREF ? ((vtProp & 0x3F) | 0x40) : vtProp), 0};
  const WORD flags = vtProp == VT_DISPATCH ? DISPATCH_PROPERTYPUTREF : DISPATCH_PROPERTYPUT;
  va_list list;
  // The Windows signature ends its named parameters with a VARTYPE, a type
  // that promotes; va_start only takes it as the marker, the variable
  // arguments are found from the call frame.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wvarargs"
#endif
  va_start(list, vtProp);
#if defined(__clang__)
#pragma clang diagnostic pop
#endif
  try {
    InvokeHelperV(dispid, flags, VT_EMPTY, nullptr, params, list);
  } catch (...) {
    va_end(list);
    throw;
  }
  va_end(list);
}
