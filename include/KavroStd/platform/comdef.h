/// @file
/// @ingroup platform_layer
/// The COM support library: _com_error (thrown by value), the smart
/// interface pointer _com_ptr_t and its typedefs, and _com_issue_error.
///
///   try {
///     IXMLDOMDocumentPtr doc;
///     doc.CreateInstance(L"Msxml2.DOMDocument.3.0");   // HRESULT
///     doc->selectSingleNode(L"a[");                    // throws
///   } catch (const _com_error& e) {
///     e.Error();         // the HRESULT, E_FAIL here
///     e.Description();   // the object's message, from its error information
///     e.ErrorMessage();  // the system text of the HRESULT
///   }
///
/// A _com_ptr_t holds one reference; copying adds one, assigning a pointer of
/// another interface type asks the object for this one (QueryInterface) and
/// holds null when it lacks it. Calling through a null pointer with -> throws
/// _com_error(E_POINTER), as the Windows support library does.
#pragma once

#include "KavroStd/platform/generic_text.h"

#include <cstddef>
#include <memory>
#include <string>
#include <type_traits>

#include "KavroStd/platform/com.h"
#include "KavroStd/platform/comutil.h"

class KVSTD_API _com_error {
 public:
  /// Takes the error information (AddRef'd when addRef), which supplies the
  /// description and source.
  explicit _com_error(HRESULT hr, IErrorInfo* info = nullptr, bool addRef = false);
  _com_error(const _com_error& other);
  _com_error& operator=(const _com_error& other);
  virtual ~_com_error();

  HRESULT Error() const noexcept { return m_hr; }
  WORD WCode() const noexcept;
  IErrorInfo* ErrorInfo() const;  ///< AddRef'd, or null
  /// The system text of the HRESULT ("Unspecified error" for E_FAIL), or
  /// "Unknown error 0x%08X"; kept by the object.
  const wchar_t* ErrorMessage() const;
  /// From the error information; empty when there is none.
  _bstr_t Description() const;
  _bstr_t Source() const;

  static HRESULT WCodeToHRESULT(WORD code) noexcept;
  static WORD HRESULTToWCode(HRESULT hr) noexcept;

 private:
  HRESULT m_hr;
  IErrorInfo* m_info;
  mutable std::wstring m_message;
};

/// Throws _com_error(hr) / with the thread's error information when the
/// object named its failure (as the smart-pointer methods do).
[[noreturn]] KVSTD_API void _com_issue_error(HRESULT hr);
[[noreturn]] KVSTD_API void _com_issue_errorex(HRESULT hr, IUnknown* object, REFIID iid);

template <class Interface>
class _com_ptr_t {
 public:
  typedef Interface ThisInterface;

  _com_ptr_t() noexcept = default;
  /// A literal 0 makes a null pointer (another int throws); nullptr and
  /// NULL (which GCC gives a type of its own) take the pointer forms.
  template <class Int, std::enable_if_t<std::is_same_v<Int, int>, int> = 0>
  _com_ptr_t(Int null) {
    if (null != 0) _com_issue_error(E_INVALIDARG);
  }
  _com_ptr_t(Interface* p) noexcept : m_p(p) { AddRefIf(); }
  _com_ptr_t(Interface* p, bool addRef) noexcept : m_p(p) {
    if (addRef) AddRefIf();
  }
  _com_ptr_t(const _com_ptr_t& other) noexcept : m_p(other.m_p) { AddRefIf(); }
  _com_ptr_t(_com_ptr_t&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
  /// Another interface of the same object, or null when it has none.
  template <class Other>
  _com_ptr_t(const _com_ptr_t<Other>& other) {
    QueryFrom(other.GetInterfacePtr());
  }
  explicit _com_ptr_t(const CLSID& clsid, IUnknown* outer = nullptr, DWORD context = CLSCTX_ALL) {
    HRESULT hr = CreateInstance(clsid, outer, context);
    if (FAILED(hr) && hr != E_NOINTERFACE) _com_issue_error(hr);
  }
  explicit _com_ptr_t(LPCWSTR progId, IUnknown* outer = nullptr, DWORD context = CLSCTX_ALL) {
    HRESULT hr = CreateInstance(progId, outer, context);
    if (FAILED(hr) && hr != E_NOINTERFACE) _com_issue_error(hr);
  }
  ~_com_ptr_t() { _Release(); }

  _com_ptr_t& operator=(const _com_ptr_t& other) noexcept {
    if (m_p != other.m_p) {
      Interface* old = m_p;
      m_p = other.m_p;
      AddRefIf();
      if (old) old->Release();
    }
    return *this;
  }
  _com_ptr_t& operator=(_com_ptr_t&& other) noexcept {
    if (this != std::addressof(other)) {
      _Release();
      m_p = other.m_p;
      other.m_p = nullptr;
    }
    return *this;
  }
  _com_ptr_t& operator=(Interface* p) noexcept {
    if (m_p != p) {
      Interface* old = m_p;
      m_p = p;
      AddRefIf();
      if (old) old->Release();
    }
    return *this;
  }
  template <class Other>
  _com_ptr_t& operator=(const _com_ptr_t<Other>& other) {
    Interface* old = m_p;
    m_p = nullptr;
    QueryFrom(other.GetInterfacePtr());
    if (old) old->Release();
    return *this;
  }
  template <class Int, std::enable_if_t<std::is_same_v<Int, int>, int> = 0>
  _com_ptr_t& operator=(Int null) {
    if (null != 0) _com_issue_error(E_INVALIDARG);
    _Release();
    return *this;
  }

  HRESULT CreateInstance(const CLSID& clsid, IUnknown* outer = nullptr, DWORD context = CLSCTX_ALL) noexcept {
    _Release();
    return CoCreateInstance(clsid, outer, context, KV_IID_OF(Interface), reinterpret_cast<void**>(&m_p));
  }
  HRESULT CreateInstance(LPCWSTR progId, IUnknown* outer = nullptr, DWORD context = CLSCTX_ALL) noexcept {
    if (progId == nullptr) return E_INVALIDARG;
    CLSID clsid;
    HRESULT hr = progId[0] == L'{' ? CLSIDFromString(progId, &clsid) : CLSIDFromProgID(progId, &clsid);
    if (FAILED(hr)) return hr;
    return CreateInstance(clsid, outer, context);
  }

  void Attach(Interface* p) noexcept {
    _Release();
    m_p = p;
  }
  Interface* Detach() noexcept {
    Interface* p = m_p;
    m_p = nullptr;
    return p;
  }
  void AddRef() {
    if (!m_p) _com_issue_error(E_POINTER);
    m_p->AddRef();
  }
  void Release() {
    if (!m_p) _com_issue_error(E_POINTER);
    m_p->Release();
    m_p = nullptr;
  }
  Interface* GetInterfacePtr() const noexcept { return m_p; }
  Interface*& GetInterfacePtr() noexcept { return m_p; }

  operator Interface*() const noexcept { return m_p; }
  Interface& operator*() const {
    if (!m_p) _com_issue_error(E_POINTER);
    return *m_p;
  }
  Interface* operator->() const {
    if (!m_p) _com_issue_error(E_POINTER);
    return m_p;
  }
  /// Releases what is held and gives the slot to a call that fills it.
  Interface** operator&() noexcept {
    _Release();
    return &m_p;
  }
  explicit operator bool() const noexcept { return m_p != nullptr; }
  bool operator!() const noexcept { return m_p == nullptr; }
  template <class Int, std::enable_if_t<std::is_same_v<Int, int>, int> = 0>
  bool operator==(Int null) const {
    if (null != 0) _com_issue_error(E_INVALIDARG);
    return m_p == nullptr;
  }
  template <class Int, std::enable_if_t<std::is_same_v<Int, int>, int> = 0>
  bool operator!=(Int null) const {
    return !(*this == null);
  }
  bool operator==(Interface* p) const noexcept { return m_p == p; }
  bool operator!=(Interface* p) const noexcept { return m_p != p; }
  bool operator==(const _com_ptr_t& other) const noexcept { return m_p == other.m_p; }
  bool operator!=(const _com_ptr_t& other) const noexcept { return m_p != other.m_p; }

  HRESULT QueryInterface(REFIID iid, void** object) const {
    if (!m_p) return E_POINTER;
    return m_p->QueryInterface(iid, object);
  }

 private:
  void AddRefIf() noexcept {
    if (m_p) m_p->AddRef();
  }
  void _Release() noexcept {
    if (m_p) {
      Interface* p = m_p;
      m_p = nullptr;
      p->Release();
    }
  }
  template <class Other>
  void QueryFrom(Other* p) {
    if (p == nullptr) return;
    if (p->QueryInterface(KV_IID_OF(Interface), reinterpret_cast<void**>(&m_p)) < 0) m_p = nullptr;
  }

  Interface* m_p = nullptr;
};

// IFooPtr for interface IFoo, as the Windows support headers name them.
#define _COM_SMARTPTR_TYPEDEF(Interface, iid) typedef _com_ptr_t<Interface> Interface##Ptr

_COM_SMARTPTR_TYPEDEF(IUnknown, IID_IUnknown);
_COM_SMARTPTR_TYPEDEF(IErrorInfo, IErrorInfo::kvIid);
