// The library's COM classes and thread error information, for the services
// that provide COM objects (the XML DOM).
#pragma once

#include <functional>
#include <initializer_list>
#include <string>

#include "KavroStd/platform/com.h"

namespace kavro::platform {

// Makes a new object and hands out the interface `iid` (one reference), or
// a failure HRESULT.
using ComFactory = HRESULT (*)(REFIID iid, void** object);

// Adds a class CoCreateInstance can make, with its ProgIDs (matched without
// regard to case). Called at load by the service that provides the class.
void KvRegisterComClass(const CLSID& clsid, std::initializer_list<const wchar_t*> progIds, ComFactory factory);

// Sets the thread's error information to a new object with this
// description and source (the failing object's name), as a failing COM
// method does before returning its HRESULT.
void KvSetComError(const std::wstring& description, const std::wstring& source);

// True when the calling thread may create COM objects.
bool KvComInitialized();

// True for the base types (VT_BYREF and VT_ARRAY taken off) a variant may
// hold here.
bool KvIsVariantBaseType(VARTYPE type);

// IUnknown for a small object with one interface: QueryInterface for that
// interface and IUnknown, and a reference count that deletes the object at
// zero. The object starts with one reference.
template <class Interface>
class ComCounted : public Interface {
 public:
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == Interface::kvIid) {
      *object = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

 protected:
  virtual ~ComCounted() = default;

 private:
  ULONG refs_ = 1;
};

}  // namespace kavro::platform
