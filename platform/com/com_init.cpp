// Apartment entry per thread. The main thread is in an apartment from the
// start, as the CAD host's main thread is; other threads enter with
// CoInitialize(Ex) and leave with CoUninitialize.
#include <sys/syscall.h>
#include <unistd.h>

#include "KavroStd/platform/com.h"
#include "platform/com/com_internal.h"

namespace {

struct Apartment {
  int count = -1;  // -1: not yet looked at
  DWORD model = COINIT_APARTMENTTHREADED;
};

Apartment& ThreadApartment() {
  thread_local Apartment apartment;
  if (apartment.count < 0) {
    const bool mainThread = static_cast<pid_t>(syscall(SYS_gettid)) == getpid();
    apartment.count = mainThread ? 1 : 0;
  }
  return apartment;
}

}  // namespace

extern "C" HRESULT CoInitializeEx(LPVOID reserved, DWORD coinit) {
  if (reserved != nullptr) return E_INVALIDARG;
  Apartment& apartment = ThreadApartment();
  const DWORD model = (coinit & COINIT_APARTMENTTHREADED) ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED;
  if (apartment.count > 0) {
    if (apartment.model != model) return RPC_E_CHANGED_MODE;
    ++apartment.count;
    return S_FALSE;
  }
  apartment.model = model;
  apartment.count = 1;
  return S_OK;
}

extern "C" HRESULT CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

extern "C" void CoUninitialize() {
  Apartment& apartment = ThreadApartment();
  if (apartment.count > 0) --apartment.count;
}

namespace kavro::platform {
bool KvComInitialized() { return ThreadApartment().count > 0; }
}  // namespace kavro::platform
