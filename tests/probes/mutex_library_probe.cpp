// A process that loads the library (whose start-up creates its named
// mutex), optionally creates one more named mutex, then waits to be killed.
//
//   mutex_library_probe READY [NAME]
#include <unistd.h>

#include <cstdio>
#include <string>

#include "KavroStd/KavroStd.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  if (argc > 2) {
    CString name(argv[2]);
    if (!CreateMutexW(nullptr, FALSE, name)) return 3;
  }
  std::FILE* f = std::fopen(argv[1], "w");
  if (f) std::fclose(f);
  for (;;) pause();
}
