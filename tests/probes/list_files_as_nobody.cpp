// Lists the files under a folder (recursively) with getFilesInFolder, one
// path per line, after giving up root rights when it has them, so that a
// folder of mode 000 is really unreadable to it.
#include <unistd.h>

#include <cstdio>

#include "KavroStd/KavroStd.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 3;
  CStringArray files;
  CStringOpr::getFilesInFolder(CString(argv[1]), files, TRUE, CString());
  for (INT_PTR i = 0; i < files.GetSize(); ++i) {
    CStringA line(files[i]);
    std::printf("%s\n", line.GetString());
  }
  return 0;
}
