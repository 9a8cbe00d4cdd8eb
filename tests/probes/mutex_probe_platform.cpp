// A process for the named-mutex tests that links the platform layer only,
// so no library start-up creates mutexes in it.
//
//   mutex_probe_platform hold NAME READY     CreateMutexW, then wait to be killed
//   mutex_probe_platform own NAME READY      CreateMutexW + WaitForSingleObject, then wait
//   mutex_probe_platform released NAME READY own it, ReleaseMutex, then wait
//   mutex_probe_platform check NAME          exit 0 when OpenMutexW finds NAME, 1 when
//                                            not (ERROR_FILE_NOT_FOUND), 2 otherwise
//
// READY is a file written once the mutex is in the state asked for.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "KavroStd/platform/codepage.h"
#include "KavroStd/platform/sync.h"

namespace {

std::wstring Wide(const char* text) {
  int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
  std::wstring out(n > 0 ? n : 1, L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text, -1, out.data(), n);
  out.resize(wcslen(out.c_str()));
  return out;
}

void SignalReady(const char* path) {
  std::FILE* f = std::fopen(path, "w");
  if (f) std::fclose(f);
}

[[noreturn]] void WaitForever() {
  for (;;) pause();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string mode = argv[1];
  const std::wstring name = Wide(argv[2]);
  if (mode == "check") {
    HANDLE h = OpenMutexW(SYNCHRONIZE, FALSE, name.c_str());
    if (h) return 0;
    return GetLastError() == ERROR_FILE_NOT_FOUND ? 1 : 2;
  }
  if (argc < 4) return 2;
  HANDLE h = CreateMutexW(nullptr, FALSE, name.c_str());
  if (!h) return 3;
  if (mode == "own" || mode == "released") {
    if (WaitForSingleObject(h, INFINITE) != WAIT_OBJECT_0) return 4;
    if (mode == "released" && !ReleaseMutex(h)) return 5;
  } else if (mode != "hold") {
    return 2;
  }
  SignalReady(argv[3]);
  WaitForever();
}
