// MFC's automation client side: COleDispatchDriver, which holds an
// IDispatch and calls its members by DISPID with C-style argument lists,
// and the exceptions it throws (COleException, COleDispatchException).
//
//   COleDispatchDriver app(disp);                  // takes over disp's reference
//   static const BYTE params[] = VTS_BSTR VTS_VARIANT;
//   LPDISPATCH book = nullptr;
//   try {
//     app.InvokeHelper(0x2AA, DISPATCH_METHOD, VT_DISPATCH, &book, params, L"a.xls", &missing);
//   } catch (COleDispatchException* e) {         // the object's own error
//     AfxMessageBox(e->m_strDescription);
//     e->Delete();
//   }
//
// Arguments follow the parameter-byte string (VTS_ names), first to last,
// as C varargs: VTS_I2 short, VTS_I4 long, VTS_R4 float, VTS_R8/VTS_DATE
// double, VTS_BSTR const wchar_t*, VTS_DISPATCH IDispatch*, VTS_BOOL BOOL,
// VTS_VARIANT const VARIANT* (the address), VTS_UNKNOWN IUnknown*, and the
// by-reference forms VTS_PI2 short*, VTS_PI4 long*, VTS_PR4 float*, VTS_PR8
// double*, VTS_PBSTR BSTR*, VTS_PDISPATCH IDispatch**, VTS_PBOOL BOOL*,
// VTS_PVARIANT VARIANT*, VTS_PUNKNOWN IUnknown**. By-reference integers and
// booleans travel in variants of the automation widths and are written back
// to the caller's variable after the call. The result is converted to the
// asked type as VariantChangeType does and stored at pvRet: short, long,
// float, double (VT_R8, VT_DATE), CString (VT_BSTR, all its units, NULs
// included), IDispatch*/IUnknown* (a reference the caller owns), BOOL, or
// VARIANT (the object's result unconverted; the caller clears it).
//
// Failures are thrown as heap objects, as MFC throws them:
// DISP_E_EXCEPTION as COleDispatchException* with the object's error
// record, any other failure (a conversion too) as COleException* with the
// HRESULT. The catcher calls Delete(). A driver without an interface
// throws COleException* with E_POINTER rather than returning an unset
// result. A driver is used on the thread that holds its interface.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <cstdarg>

#include "KavroStd/platform/afx_exception.h"
#include "KavroStd/platform/oleauto.h"

// Parameter-type bytes of InvokeHelper: string literals that concatenate
// into the parameter string, as MFC defines them.
#define VTS_I2 "\x02"
#define VTS_I4 "\x03"
#define VTS_R4 "\x04"
#define VTS_R8 "\x05"
#define VTS_CY "\x06"
#define VTS_DATE "\x07"
#define VTS_WBSTR "\x08"
#define VTS_BSTR "\x08"
#define VTS_DISPATCH "\x09"
#define VTS_SCODE "\x0A"
#define VTS_BOOL "\x0B"
#define VTS_VARIANT "\x0C"
#define VTS_UNKNOWN "\x0D"
#define VTS_UI1 "\x11"
#define VTS_PI2 "\x42"
#define VTS_PI4 "\x43"
#define VTS_PR4 "\x44"
#define VTS_PR8 "\x45"
#define VTS_PDATE "\x47"
#define VTS_PBSTR "\x48"
#define VTS_PDISPATCH "\x49"
#define VTS_PSCODE "\x4A"
#define VTS_PBOOL "\x4B"
#define VTS_PVARIANT "\x4C"
#define VTS_PUNKNOWN "\x4D"
#define VTS_PUI1 "\x51"
#define VTS_NONE nullptr

// A failed OLE call: m_sc is its HRESULT.
class KVSTD_API COleException : public CException {
 public:
  explicit COleException(SCODE sc = S_OK) : m_sc(sc) {}
  // The HRESULT an exception stands for: m_sc of a COleException, the
  // error of a COleDispatchException, E_OUTOFMEMORY for a CMemoryException,
  // E_NOTIMPL for a CNotSupportedException, E_UNEXPECTED otherwise.
  static SCODE Process(const CException* e);
  // The system text of the HRESULT.
  BOOL GetErrorMessage(LPWSTR buffer, UINT maxLength, UINT* helpContext = nullptr) const override;

  SCODE m_sc;
};

// A failure the automation object reported (DISP_E_EXCEPTION) with its
// error record: code, description, source, help file and context. m_scError
// is the record's scode, or DISP_E_EXCEPTION when it names only a wCode.
class KVSTD_API COleDispatchException : public CException {
 public:
  COleDispatchException(LPCWSTR description, UINT helpId, WORD code)
      : m_wCode(code), m_strDescription(description), m_dwHelpContext(helpId) {}
  // The description, or FALSE when it is empty.
  BOOL GetErrorMessage(LPWSTR buffer, UINT maxLength, UINT* helpContext = nullptr) const override;

  WORD m_wCode;
  CString m_strDescription;
  DWORD m_dwHelpContext;
  CString m_strHelpFile;
  CString m_strSource;
  SCODE m_scError = S_OK;
};

[[noreturn]] KVSTD_API void AfxThrowOleException(SCODE sc);
[[noreturn]] KVSTD_API void AfxThrowOleDispatchException(WORD code, LPCWSTR description, UINT helpId = 0);

// Holds one IDispatch and calls it by DISPID. With m_bAutoRelease set
// (the default) the driver owns one reference: it releases it on
// ReleaseDispatch, on a new AttachDispatch, on assignment and when
// destroyed. A copy AddRefs the pointer and owns that reference.
class KVSTD_API COleDispatchDriver {
 public:
  COleDispatchDriver() = default;
  // Takes over the caller's reference (autoRelease) or borrows it.
  COleDispatchDriver(LPDISPATCH dispatch, BOOL autoRelease = TRUE)
      : m_lpDispatch(dispatch), m_bAutoRelease(autoRelease) {}
  COleDispatchDriver(const COleDispatchDriver& source);
  ~COleDispatchDriver() { ReleaseDispatch(); }
  // Shares the source's interface (AddRef'd) after releasing its own.
  const COleDispatchDriver& operator=(const COleDispatchDriver& source);

  // Creates an object of a class the platform knows and holds its
  // IDispatch. FALSE on failure, with the HRESULT in *error when given.
  BOOL CreateDispatch(REFCLSID clsid, COleException* error = nullptr);
  BOOL CreateDispatch(LPCWSTR progId, COleException* error = nullptr);

  void AttachDispatch(LPDISPATCH dispatch, BOOL autoRelease = TRUE);
  // Hands the interface (and the reference the driver held) to the caller.
  LPDISPATCH DetachDispatch();
  // Releases the interface when owned; the driver holds none after.
  void ReleaseDispatch();

  // Calls member `dispid` as wFlags says (DISPATCH_METHOD, _PROPERTYGET,
  // _PROPERTYPUT, _PROPERTYPUTREF) with the arguments that paramInfo
  // describes (null or "" for none); see the top of this header.
  void InvokeHelper(DISPID dispid, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* paramInfo, ...);
  void InvokeHelperV(DISPID dispid, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* paramInfo,
                     va_list args);
  // A property get / put with one value of type vtProp, passed as the one
  // vararg; an object value (VT_DISPATCH) is put by reference
  // (DISPATCH_PROPERTYPUTREF).
  void GetProperty(DISPID dispid, VARTYPE vtProp, void* pvProp) const;
  void SetProperty(DISPID dispid, VARTYPE vtProp, ...);

  operator LPDISPATCH() const { return m_lpDispatch; }

  LPDISPATCH m_lpDispatch = nullptr;
  BOOL m_bAutoRelease = TRUE;
};
