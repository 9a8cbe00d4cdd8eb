// The classes the library provides (CoCreateInstance, ProgIDs) and the
// thread's error information.
#include <cwctype>
#include <mutex>
#include <string>
#include <vector>

#include "KavroStd/platform/com.h"
#include "KavroStd/platform/rpc.h"
#include "platform/com/com_internal.h"

namespace {

struct ComClass {
  CLSID clsid;
  std::vector<std::wstring> progIds;
  kavro::platform::ComFactory factory;
};

std::mutex& ClassesLock() {
  static std::mutex lock;
  return lock;
}

std::vector<ComClass>& Classes() {
  static std::vector<ComClass> classes;
  return classes;
}

bool SameNoCase(const std::wstring& a, const wchar_t* b) {
  size_t i = 0;
  for (; i < a.size() && b[i]; ++i)
    if (std::towlower(a[i]) != std::towlower(b[i])) return false;
  return i == a.size() && b[i] == 0;
}

// The error information a failing method leaves for its caller.
class ErrorInfo final : public kavro::platform::ComCounted<IErrorInfo> {
 public:
  ErrorInfo(std::wstring description, std::wstring source)
      : description_(std::move(description)), source_(std::move(source)) {}

  HRESULT GetGUID(GUID* guid) override {
    if (!guid) return E_INVALIDARG;
    *guid = GUID{};
    return S_OK;
  }
  HRESULT GetSource(BSTR* source) override { return Give(source_, source); }
  HRESULT GetDescription(BSTR* description) override { return Give(description_, description); }
  HRESULT GetHelpFile(BSTR* file) override { return Give(L"", file); }
  HRESULT GetHelpContext(DWORD* context) override {
    if (!context) return E_INVALIDARG;
    *context = 0;
    return S_OK;
  }

 private:
  ~ErrorInfo() = default;
  static HRESULT Give(const std::wstring& text, BSTR* out) {
    if (!out) return E_INVALIDARG;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
  }

  std::wstring description_, source_;
};

thread_local IErrorInfo* t_errorInfo = nullptr;

}  // namespace

namespace kavro::platform {

void KvRegisterComClass(const CLSID& clsid, std::initializer_list<const wchar_t*> progIds, ComFactory factory) {
  std::lock_guard<std::mutex> guard(ClassesLock());
  ComClass entry{clsid, {}, factory};
  for (const wchar_t* id : progIds) entry.progIds.emplace_back(id);
  Classes().push_back(std::move(entry));
}

void KvSetComError(const std::wstring& description, const std::wstring& source) {
  IErrorInfo* info = new ErrorInfo(description, source);
  SetErrorInfo(0, info);
  info->Release();
}

}  // namespace kavro::platform

extern "C" HRESULT CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD, REFIID iid, LPVOID* object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!kavro::platform::KvComInitialized()) return CO_E_NOTINITIALIZED;
  kavro::platform::ComFactory factory = nullptr;
  {
    std::lock_guard<std::mutex> guard(ClassesLock());
    for (const ComClass& c : Classes())
      if (c.clsid == clsid) factory = c.factory;
  }
  if (!factory) return REGDB_E_CLASSNOTREG;
  if (outer) return CLASS_E_NOAGGREGATION;
  return factory(iid, object);
}

extern "C" HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid) {
  if (!progId || !clsid) return E_INVALIDARG;
  std::lock_guard<std::mutex> guard(ClassesLock());
  for (const ComClass& c : Classes())
    for (const std::wstring& id : c.progIds)
      if (SameNoCase(id, progId)) {
        *clsid = c.clsid;
        return S_OK;
      }
  return CO_E_CLASSSTRING;
}

extern "C" HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid) {
  if (!text || !clsid) return E_INVALIDARG;
  const size_t length = wcslen(text);
  if (length == 38 && text[0] == L'{' && text[37] == L'}') {
    std::wstring inner(text + 1, 36);
    if (UuidFromStringW(inner.data(), clsid) == RPC_S_OK) return S_OK;
    return CO_E_CLASSSTRING;
  }
  return CLSIDFromProgID(text, clsid);
}

extern "C" HRESULT SetErrorInfo(ULONG, IErrorInfo* info) {
  if (info) info->AddRef();
  IErrorInfo* old = t_errorInfo;
  t_errorInfo = info;
  if (old) old->Release();
  return S_OK;
}

extern "C" HRESULT GetErrorInfo(ULONG, IErrorInfo** info) {
  if (!info) return E_INVALIDARG;
  *info = t_errorInfo;
  t_errorInfo = nullptr;
  return *info ? S_OK : S_FALSE;
}
