/// @file
/// @ingroup platform_layer
/// COM basics: result codes, interface identifiers, IUnknown, per-thread
/// error information, apartment initialisation and object creation by class
/// identifier or ProgID, for the library's COM-shaped services (the XML DOM,
/// the Office wrappers).
///
///   CoInitialize(nullptr);                               // S_OK, then S_FALSE
///   IXMLDOMDocument* doc = nullptr;
///   HRESULT hr = CoCreateInstance(CLSID_DOMDocument30, nullptr, CLSCTX_INPROC_SERVER,
///                                 IID_IXMLDOMDocument, (void**)&doc);
///
/// Objects are in-process C++ objects with reference counts; there is no
/// marshalling and no registry of servers (IDispatch: oleauto.h). A thread must have
/// entered an apartment (CoInitialize/CoInitializeEx) before creating
/// objects, as on Windows; the process's main thread counts as entered, as
/// in the CAD host, whose main thread is an OLE apartment.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include "KavroStd/platform/oledate.h"
#include "KavroStd/platform/rpc.h"
#include "KavroStd/platform/win_types.h"

typedef GUID IID;
typedef GUID CLSID;
typedef const IID& REFIID;
typedef const CLSID& REFCLSID;
typedef const GUID& REFGUID;
typedef short VARIANT_BOOL;
#define VARIANT_TRUE ((VARIANT_BOOL)-1)
#define VARIANT_FALSE ((VARIANT_BOOL)0)

inline bool operator==(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }
#define IsEqualGUID(a, b) ((a) == (b))
#define IsEqualIID(a, b) ((a) == (b))
#define IsEqualCLSID(a, b) ((a) == (b))

// Result codes (HRESULT: negative is failure).
#define MAKE_HRESULT(sev, fac, code) \
  ((HRESULT)(((unsigned long)(sev) << 31) | ((unsigned long)(fac) << 16) | ((unsigned long)(code))))
#define HRESULT_CODE(hr) ((hr) & 0xFFFF)
#define HRESULT_FACILITY(hr) (((hr) >> 16) & 0x1FFF)
#define FACILITY_WIN32 7
#define HRESULT_FROM_WIN32(x) \
  ((HRESULT)(x) <= 0 ? ((HRESULT)(x)) : ((HRESULT)(((x) & 0x0000FFFF) | (FACILITY_WIN32 << 16) | 0x80000000)))
#define E_UNEXPECTED ((HRESULT)0x8000FFFFL)
#define E_NOTIMPL ((HRESULT)0x80004001L)
#define E_NOINTERFACE ((HRESULT)0x80004002L)
#define E_ABORT ((HRESULT)0x80004004L)
#define E_FAIL ((HRESULT)0x80004005L)
#define E_ACCESSDENIED ((HRESULT)0x80070005L)
#define E_HANDLE ((HRESULT)0x80070006L)
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110L)
#define REGDB_E_CLASSNOTREG ((HRESULT)0x80040154L)
#define CO_E_CLASSSTRING ((HRESULT)0x800401F3L)
#define CO_E_NOTINITIALIZED ((HRESULT)0x800401F0L)
#define RPC_E_CHANGED_MODE ((HRESULT)0x80010106L)
#define DISP_E_MEMBERNOTFOUND ((HRESULT)0x80020003L)
#define DISP_E_PARAMNOTFOUND ((HRESULT)0x80020004L)
#define DISP_E_BADVARTYPE ((HRESULT)0x80020008L)

enum COINIT {
  COINIT_APARTMENTTHREADED = 0x2,
  COINIT_MULTITHREADED = 0x0,
  COINIT_DISABLE_OLE1DDE = 0x4,
  COINIT_SPEED_OVER_MEMORY = 0x8,
};
enum CLSCTX {
  CLSCTX_INPROC_SERVER = 0x1,
  CLSCTX_INPROC_HANDLER = 0x2,
  CLSCTX_LOCAL_SERVER = 0x4,
  CLSCTX_REMOTE_SERVER = 0x10,
  CLSCTX_ALL = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
};

/// The interface every COM object has: identity, reference count and
/// interface lookup. `kvIid` stands where Windows compilers read __uuidof.
struct IUnknown {
  static constexpr GUID kvIid = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  virtual HRESULT QueryInterface(REFIID iid, void** object) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};
typedef IUnknown* LPUNKNOWN;
constexpr IID IID_IUnknown = IUnknown::kvIid;

// The identifier of an interface or class type, for the smart pointers and
// QueryInterface; __uuidof(IFoo) as Windows compilers write it.
#define KV_IID_OF(Interface) (Interface::kvIid)
#ifndef __uuidof
#define __uuidof(type) (type::kvIid)
#endif

/// The description of the last failure a thread's COM call reported.
struct IErrorInfo : IUnknown {
  static constexpr GUID kvIid = {0x1CF2B120, 0x547D, 0x101B, {0x8E, 0x65, 0x08, 0x00, 0x2B, 0x2B, 0xD1, 0x19}};
  virtual HRESULT GetGUID(GUID* guid) = 0;
  virtual HRESULT GetSource(BSTR* source) = 0;
  virtual HRESULT GetDescription(BSTR* description) = 0;
  virtual HRESULT GetHelpFile(BSTR* file) = 0;
  virtual HRESULT GetHelpContext(DWORD* context) = 0;

 protected:
  ~IErrorInfo() = default;
};

/// Enters the calling thread into an apartment. S_OK the first time, S_FALSE
/// when it already is in one of that model (each success needs a
/// CoUninitialize), RPC_E_CHANGED_MODE for the other model. The reserved
/// argument must be null (E_INVALIDARG otherwise).
KVSTD_C_API HRESULT CoInitialize(LPVOID reserved);
KVSTD_C_API HRESULT CoInitializeEx(LPVOID reserved, DWORD coinit);
/// Leaves once for each successful CoInitialize(Ex).
KVSTD_C_API void CoUninitialize();

/// Creates an object of a class the library provides. REGDB_E_CLASSNOTREG
/// for an unknown class, CO_E_NOTINITIALIZED when the thread has entered no
/// apartment, CLASS_E_NOAGGREGATION for an outer object, E_NOINTERFACE when
/// the object lacks the interface, E_POINTER for a null out-pointer.
KVSTD_C_API HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID iid,
                                     LPVOID* object);
/// The class identifier of a ProgID ("Msxml2.DOMDocument.3.0"), found
/// without regard to case. CO_E_CLASSSTRING for an unknown one.
KVSTD_C_API HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid);
/// Reads "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}" (with braces) or a ProgID.
KVSTD_C_API HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid);

/// The thread's error information: SetErrorInfo replaces it (null clears),
/// GetErrorInfo hands it over (S_FALSE and null when there is none) and
/// clears it.
KVSTD_C_API HRESULT SetErrorInfo(ULONG reserved, IErrorInfo* info);
KVSTD_C_API HRESULT GetErrorInfo(ULONG reserved, IErrorInfo** info);

/// Copies a variant (a BSTR is duplicated, an interface pointer AddRef'd,
/// an array copied).
KVSTD_C_API HRESULT VariantCopy(VARIANT* dest, const VARIANT* source);
/// Converts to another type in place or into dest; the pairs and rules are
/// listed in oleauto.h. DISP_E_TYPEMISMATCH for the others.
KVSTD_C_API HRESULT VariantChangeType(VARIANT* dest, const VARIANT* source, USHORT flags, VARTYPE type);
