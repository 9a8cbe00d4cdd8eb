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

}  // namespace kavro::platform
