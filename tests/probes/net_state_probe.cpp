// Prints what InternetGetConnectedState reports in this process's network
// namespace ("connected=1 flags=0x2"); exit status 0.
#include <cstdio>

#include "KavroStd/KavroStd.h"

int main() {
  DWORD flags = 0xFFFF;
  BOOL connected = InternetGetConnectedState(&flags, 0);
  std::printf("connected=%d flags=0x%x\n", connected ? 1 : 0, static_cast<unsigned>(flags));
  return 0;
}
