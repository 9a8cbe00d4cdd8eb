// Automation: IDispatch with its call records (DISPPARAMS, EXCEPINFO), the
// DISP_E_ codes, variants (clearing, copying, conversion between the
// automation types) and SAFEARRAYs, so that an object can be driven by
// DISPID, as the Office wrappers drive a host's objects.
//
//   DISPPARAMS params = {args, nullptr, 2, 0};   // args in reverse order
//   VARIANT result;
//   VariantInit(&result);
//   HRESULT hr = disp->Invoke(6, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
//                             &params, &result, &excep, &argErr);
//   VariantChangeType(&result, &result, 0, VT_I4);
//   VariantClear(&result);
//
// A SAFEARRAY holds its elements in one block, the first dimension varying
// fastest (rgsabound lists the dimensions last to first, as on Windows).
// Objects are used on the thread that made them; nothing is locked.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/com.h"

typedef LONG DISPID;
typedef LONG MEMBERID;
typedef LONG SCODE;
typedef VARIANT VARIANTARG;
typedef VARIANT* LPVARIANTARG;

constexpr IID IID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
#define GUID_NULL IID_NULL

// Call kinds of IDispatch::Invoke.
#define DISPATCH_METHOD 0x1
#define DISPATCH_PROPERTYGET 0x2
#define DISPATCH_PROPERTYPUT 0x4
#define DISPATCH_PROPERTYPUTREF 0x8

// Reserved DISPIDs.
#define DISPID_VALUE 0
#define DISPID_UNKNOWN (-1)
#define DISPID_PROPERTYPUT (-3)
#define DISPID_NEWENUM (-4)
#define DISPID_EVALUATE (-5)
#define DISPID_CONSTRUCTOR (-6)
#define DISPID_DESTRUCTOR (-7)

// Failures of automation calls and conversions.
#ifndef DISP_E_UNKNOWNINTERFACE
#define DISP_E_UNKNOWNINTERFACE ((HRESULT)0x80020001L)
#define DISP_E_PARAMNOTOPTIONAL ((HRESULT)0x8002000FL)
#define DISP_E_EXCEPTION ((HRESULT)0x80020009L)
#define DISP_E_UNKNOWNNAME ((HRESULT)0x80020006L)
#define DISP_E_NONAMEDARGS ((HRESULT)0x80020007L)
#define DISP_E_NOTACOLLECTION ((HRESULT)0x80020011L)
#define DISP_E_BADPARAMCOUNT ((HRESULT)0x8002000EL)
#define DISP_E_BADCALLEE ((HRESULT)0x80020010L)
#define DISP_E_UNKNOWNLCID ((HRESULT)0x8002000CL)
#define DISP_E_ARRAYISLOCKED ((HRESULT)0x8002000DL)
#define DISP_E_BADINDEX ((HRESULT)0x8002000BL)
#define DISP_E_DIVBYZERO ((HRESULT)0x80020012L)
#endif
#define TYPE_E_TYPEMISMATCH ((HRESULT)0x80028CA0L)
#define TYPE_E_ELEMENTNOTFOUND ((HRESULT)0x8002802BL)

// Flags of VariantChangeType.
#define VARIANT_NOVALUEPROP 0x01
#define VARIANT_ALPHABOOL 0x02
#define VARIANT_NOUSEROVERRIDE 0x04
#define VARIANT_LOCALBOOL 0x10

// The arguments of one call: rgvarg holds them last to first; the named
// ones (a property put's value as DISPID_PROPERTYPUT) come first in rgvarg.
struct DISPPARAMS {
  VARIANTARG* rgvarg;
  DISPID* rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
};

// What an object tells about a failure when Invoke returns
// DISP_E_EXCEPTION. The BSTRs belong to the caller, which frees them;
// pfnDeferredFillIn, when set, fills the record in first.
struct EXCEPINFO {
  WORD wCode;
  WORD wReserved;
  BSTR bstrSource;
  BSTR bstrDescription;
  BSTR bstrHelpFile;
  DWORD dwHelpContext;
  void* pvReserved;
  HRESULT (*pfnDeferredFillIn)(EXCEPINFO* info);
  SCODE scode;
};
typedef EXCEPINFO* LPEXCEPINFO;

// The description of an interface's members. No type library is read on
// this platform: the interface is there so that objects can answer
// GetTypeInfo (usually with E_NOTIMPL or a null pointer and a zero count).
struct ITypeInfo : IUnknown {
  static constexpr GUID kvIid = {0x00020401, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

 protected:
  ~ITypeInfo() = default;
};

// An object reached by DISPIDs.
struct IDispatch : IUnknown {
  static constexpr GUID kvIid = {0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  // 1 when the object offers type information, 0 otherwise.
  virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
  virtual HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) = 0;
  // The DISPIDs of a member name and of its argument names.
  virtual HRESULT GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) = 0;
  // Calls a member: result may be null when the caller wants none; on
  // DISP_E_EXCEPTION the object has filled excepInfo; on DISP_E_TYPEMISMATCH
  // or DISP_E_PARAMNOTFOUND argErr names the argument (its rgvarg index).
  virtual HRESULT Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                         VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) = 0;

 protected:
  ~IDispatch() = default;
};
typedef IDispatch* LPDISPATCH;
constexpr IID IID_IDispatch = IDispatch::kvIid;
constexpr IID IID_ITypeInfo = ITypeInfo::kvIid;

// ---- Variants ----
// Clears a variant: frees a BSTR, releases an interface, destroys an array
// (DISP_E_ARRAYISLOCKED while its data is accessed); a VT_BYREF variant
// owns nothing. Leaves VT_EMPTY. DISP_E_BADVARTYPE for an unknown type.
// VariantInit and VariantClear are declared with the date functions
// (oledate.h); VariantCopy and VariantChangeType with the COM basics
// (com.h): a copy duplicates BSTRs and arrays and AddRefs interfaces, a
// VT_BYREF variant is copied as the pointer it is.
//
// VariantChangeType converts between VT_EMPTY, VT_I2, VT_I4, VT_R4, VT_R8,
// VT_DATE, VT_BSTR, VT_BOOL, VT_ERROR, VT_DISPATCH and VT_UNKNOWN: numbers
// round half to even into integers (DISP_E_OVERFLOW out of range), texts
// read and write numbers as in the "C" locale ("True"/"False" also read as
// booleans, a date text as a date), an object converts through its default
// member (DISPID_VALUE) unless VARIANT_NOVALUEPROP is given, VT_UNKNOWN to
// VT_DISPATCH asks the object (QueryInterface), VT_EMPTY gives 0, "" or a
// null interface. A VT_BYREF source converts the value it points at.
// DISP_E_TYPEMISMATCH for the other pairs; dest may be source.

// Copies the value a VT_BYREF variant points at (or the variant itself).
KVSTD_C_API HRESULT VariantCopyInd(VARIANT* dest, const VARIANT* source);
KVSTD_C_API HRESULT VariantChangeTypeEx(VARIANT* dest, const VARIANT* source, LCID locale, USHORT flags,
                                        VARTYPE type);

// The BSTR's size in bytes, as stored in its length prefix (this
// platform's wide units are four bytes each).
KVSTD_C_API UINT SysStringByteLen(BSTR text);
// Replaces *text with a copy of the new text (null gives an empty one).
KVSTD_C_API INT SysReAllocString(BSTR* text, const OLECHAR* newText);
KVSTD_C_API INT SysReAllocStringLen(BSTR* text, const OLECHAR* newText, UINT length);

// ---- SAFEARRAY ----
struct SAFEARRAYBOUND {
  ULONG cElements;
  LONG lLbound;
};
typedef SAFEARRAYBOUND* LPSAFEARRAYBOUND;

#define FADF_AUTO 0x0001
#define FADF_STATIC 0x0002
#define FADF_EMBEDDED 0x0004
#define FADF_FIXEDSIZE 0x0010
#define FADF_BSTR 0x0100
#define FADF_UNKNOWN 0x0200
#define FADF_DISPATCH 0x0400
#define FADF_VARIANT 0x0800
#define FADF_HAVEVARTYPE 0x0080

// An array of one element type in one block. rgsabound has cDims entries,
// the last dimension first (rgsabound[cDims - 1] is the first dimension).
struct SAFEARRAY {
  USHORT cDims;
  USHORT fFeatures;
  ULONG cbElements;
  ULONG cLocks;
  void* pvData;
  SAFEARRAYBOUND rgsabound[1];
};
typedef SAFEARRAY* LPSAFEARRAY;

// A new array of VT_I2, VT_I4, VT_R4, VT_R8, VT_DATE, VT_BSTR, VT_DISPATCH,
// VT_ERROR, VT_BOOL, VT_VARIANT, VT_UNKNOWN or a one-byte type, elements
// zeroed (VT_EMPTY variants); bounds name the dimensions first to last as
// the caller writes them (bounds[0] becomes rgsabound[cDims - 1], the first
// dimension, as Windows does). Null for another type, no dimensions, or
// when out of memory or over 2 GiB of elements.
KVSTD_C_API SAFEARRAY* SafeArrayCreate(VARTYPE type, UINT dims, SAFEARRAYBOUND* bounds);
// A one-dimensional array of count elements from lowerBound.
KVSTD_C_API SAFEARRAY* SafeArrayCreateVector(VARTYPE type, LONG lowerBound, ULONG count);
// Releases the elements (BSTRs freed, interfaces released, variants
// cleared) and the array. DISP_E_ARRAYISLOCKED while locked.
KVSTD_C_API HRESULT SafeArrayDestroy(SAFEARRAY* array);
// A deep copy (into *out, null for a null array).
KVSTD_C_API HRESULT SafeArrayCopy(SAFEARRAY* array, SAFEARRAY** out);
KVSTD_C_API UINT SafeArrayGetDim(SAFEARRAY* array);
KVSTD_C_API UINT SafeArrayGetElemsize(SAFEARRAY* array);
KVSTD_C_API HRESULT SafeArrayGetVartype(SAFEARRAY* array, VARTYPE* type);
// The bounds of dimension dim (1 is the first); DISP_E_BADINDEX outside.
KVSTD_C_API HRESULT SafeArrayGetLBound(SAFEARRAY* array, UINT dim, LONG* bound);
KVSTD_C_API HRESULT SafeArrayGetUBound(SAFEARRAY* array, UINT dim, LONG* bound);
// Locks the array and hands out its data; each access needs its unaccess.
KVSTD_C_API HRESULT SafeArrayAccessData(SAFEARRAY* array, void** data);
KVSTD_C_API HRESULT SafeArrayUnaccessData(SAFEARRAY* array);
KVSTD_C_API HRESULT SafeArrayLock(SAFEARRAY* array);
KVSTD_C_API HRESULT SafeArrayUnlock(SAFEARRAY* array);
// One element by its indices (first dimension first). Get copies it out
// (a BSTR duplicated, an interface AddRef'd, a variant copied); Put copies
// it in (for VT_BSTR, VT_DISPATCH and VT_UNKNOWN `value` is the BSTR or
// pointer itself, as on Windows). DISP_E_BADINDEX outside the bounds.
KVSTD_C_API HRESULT SafeArrayGetElement(SAFEARRAY* array, LONG* indices, void* value);
KVSTD_C_API HRESULT SafeArrayPutElement(SAFEARRAY* array, LONG* indices, void* value);
KVSTD_C_API HRESULT SafeArrayPtrOfIndex(SAFEARRAY* array, LONG* indices, void** element);
