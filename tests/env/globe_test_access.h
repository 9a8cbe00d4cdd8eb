// Test access to the environment object's protected state: a test points
// the global object (or a local one) at an installation root of its own.
#pragma once

#include "KavroStd/env.h"

namespace kavro::test {

class GlobeAccess : public CSTDGlobeInfo {
 public:
  static CString& Root(CSTDGlobeInfo* globe) { return globe->*(&GlobeAccess::m_strRootPath); }
  static CStringArray& Results() { return m_aryResult; }
  static CStringArray& Parameters() { return m_aryParameter; }
  static Function Registered(const wchar_t* name) {
    Function fn = nullptr;
    m_mapFunction.Lookup(name, fn);
    return fn;
  }
  static HANDLE Mutex(CSTDGlobeInfo* globe) { return globe->*(&GlobeAccess::m_hMutex); }
};

// Points the global object at `root` for the life of the scope.
class ScopedGlobalRoot {
 public:
  explicit ScopedGlobalRoot(const CString& root) : saved_(GlobeAccess::Root(STDGlobeInfo())) {
    GlobeAccess::Root(STDGlobeInfo()) = root;
  }
  ~ScopedGlobalRoot() { GlobeAccess::Root(STDGlobeInfo()) = saved_; }

 private:
  CString saved_;
};

}  // namespace kavro::test
