// A dispatch object of the tests: a real IDispatch that records every
// Invoke (member, call kind, arguments, named arguments) and answers with a
// scripted result, failure or handler. Counts its references and the
// objects alive, so that tests see leaks and double releases.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "KavroStd/platform/windows.h"

namespace kavro::test {

class RecordingDispatch : public IDispatch {
 public:
  struct Arg {
    VARTYPE vt;
    VARIANT raw;        // as received (not owned)
    std::wstring text;  // a BSTR's units, NULs included
  };
  struct Call {
    DISPID dispid;
    WORD flags;
    std::vector<Arg> args;  // first argument first
    std::vector<DISPID> named;
    bool wantsResult;
  };

  RecordingDispatch() {
    VariantInit(&result);
    ++Alive();
  }
  static int& Alive() {
    static int alive = 0;
    return alive;
  }
  ULONG Refs() const { return refs_; }

  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    if (refs_ == 0) {
      ++overReleased;
      return 0;
    }
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return count && names && std::wstring(names[0]) == L"Value" ? (ids[0] = 6, S_OK) : DISP_E_UNKNOWNNAME;
  }
  HRESULT Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* out, EXCEPINFO* excep,
                 UINT*) override {
    Call call{member, flags, {}, {}, out != nullptr};
    for (UINT i = params->cArgs; i-- > 0;) {
      const VARIANT& v = params->rgvarg[i];
      Arg arg{v.vt, v, {}};
      if (v.vt == VT_BSTR && v.bstrVal) arg.text.assign(v.bstrVal, SysStringLen(v.bstrVal));
      call.args.push_back(arg);
    }
    for (UINT i = 0; i < params->cNamedArgs; ++i) call.named.push_back(params->rgdispidNamedArgs[i]);
    calls.push_back(call);
    if (answer) return answer(params, out, excep);
    if (failure == DISP_E_EXCEPTION && excep) {
      excep->wCode = wCode;
      excep->scode = scode;
      excep->bstrDescription = SysAllocStringLen(description.data(), static_cast<UINT>(description.size()));
      excep->bstrSource = SysAllocString(source.c_str());
      excep->bstrHelpFile = SysAllocString(helpFile.c_str());
      excep->dwHelpContext = helpContext;
    }
    if (FAILED(failure)) return failure;
    if (out) return VariantCopy(out, &result);
    return S_OK;
  }

  std::vector<Call> calls;
  VARIANT result;  // copied into each call's result
  HRESULT failure = S_OK;
  WORD wCode = 0;
  SCODE scode = 0;
  std::wstring description, source, helpFile;
  DWORD helpContext = 0;
  // When set, answers the calls instead of the fields above.
  std::function<HRESULT(DISPPARAMS*, VARIANT*, EXCEPINFO*)> answer;
  int overReleased = 0;

 protected:
  virtual ~RecordingDispatch() {
    VariantClear(&result);
    --Alive();
  }

 private:
  ULONG refs_ = 1;
};

}  // namespace kavro::test
