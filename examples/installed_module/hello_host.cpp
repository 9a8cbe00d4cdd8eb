// Stands for the CAD application: loads the product module named on the
// command line and starts it.
//
//   kavro_hello_host MODULE.so
#include <dlfcn.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: kavro_hello_host MODULE.so\n");
    return 2;
  }
  void* module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (!module) {
    fprintf(stderr, "kavro_hello_host: %s\n", dlerror());
    return 1;
  }
  auto start = reinterpret_cast<int (*)()>(dlsym(module, "KavroModuleStart"));
  if (!start) {
    fprintf(stderr, "kavro_hello_host: %s: no KavroModuleStart\n", argv[1]);
    return 1;
  }
  return start() == 0 ? 0 : 1;
}
