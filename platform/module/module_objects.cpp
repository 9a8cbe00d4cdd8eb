// Enumerates the process's loaded ELF objects through the dynamic loader.
// A module handle is the address of an object's first mapped segment, which
// is what dladdr reports as the object's base for shared objects and the
// executable alike (position-independent or not).
#include <dlfcn.h>
#include <elf.h>
#include <limits.h>
#include <link.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "platform/module/module_internal.h"

namespace kavro::platform::detail {
namespace {

uintptr_t PageSize() {
  static const uintptr_t size = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  return size;
}

// Start of the lowest PT_LOAD segment, rounded down to its page.
uintptr_t ObjectBase(const dl_phdr_info* info) {
  uintptr_t lowest = UINTPTR_MAX;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = info->dlpi_phdr[i];
    if (ph.p_type == PT_LOAD && ph.p_vaddr < lowest) lowest = ph.p_vaddr;
  }
  if (lowest == UINTPTR_MAX) return 0;
  return (info->dlpi_addr + lowest) & ~(PageSize() - 1);
}

bool SegmentsContain(const dl_phdr_info* info, uintptr_t address) {
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = info->dlpi_phdr[i];
    if (ph.p_type != PT_LOAD) continue;
    uintptr_t start = (info->dlpi_addr + ph.p_vaddr) & ~(PageSize() - 1);
    uintptr_t end = info->dlpi_addr + ph.p_vaddr + ph.p_memsz;
    if (address >= start && address < end) return true;
  }
  return false;
}

std::string ExecutablePath() {
  char buffer[PATH_MAX + 1];
  ssize_t n = readlink("/proc/self/exe", buffer, PATH_MAX);
  if (n <= 0) return std::string();
  return std::string(buffer, static_cast<size_t>(n));
}

// The file mapped at `base`, from /proc/self/maps; empty when not found.
std::string MappedFileAt(uintptr_t base) {
  FILE* maps = std::fopen("/proc/self/maps", "re");
  if (!maps) return std::string();
  std::string found;
  char line[PATH_MAX + 128];
  while (std::fgets(line, sizeof line, maps)) {
    char* end = nullptr;
    unsigned long long start = std::strtoull(line, &end, 16);
    if (end == line || start != base) continue;
    const char* slash = std::strchr(line, '/');
    if (slash) {
      found.assign(slash);
      while (!found.empty() && (found.back() == '\n' || found.back() == '\r')) found.pop_back();
    }
    break;
  }
  std::fclose(maps);
  return found;
}

std::string ResolvedPath(const char* loaderName, uintptr_t base) {
  if (loaderName[0] == '/') {
    char* real = realpath(loaderName, nullptr);
    if (real) {
      std::string path(real);
      free(real);
      return path;
    }
  }
  std::string mapped = MappedFileAt(base);
  return mapped.empty() ? std::string(loaderName) : mapped;
}

struct Collect {
  std::vector<LoadedObject>* out = nullptr;
  int index = 0;
};

int CollectOne(dl_phdr_info* info, size_t, void* data) {
  Collect* c = static_cast<Collect*>(data);
  bool first = c->index++ == 0;
  const char* name = info->dlpi_name ? info->dlpi_name : "";
  if (!first && name[0] == '\0') return 0;  // nameless objects other than the program
  LoadedObject object;
  object.base = ObjectBase(info);
  object.executable = first;
  if (first) {
    object.path = ExecutablePath();
  } else {
    object.loaderName = name;
    // The kernel's virtual object has a name but no file.
    if (std::strchr(name, '/') == nullptr && std::strncmp(name, "linux-", 6) == 0) return 0;
    object.path = ResolvedPath(name, object.base);
  }
  if (object.base != 0 || first) c->out->push_back(std::move(object));
  return 0;
}

struct Containing {
  uintptr_t address = 0;
  int index = 0;
  bool found = false;
  bool executable = false;
  uintptr_t base = 0;
  std::string name;
};

int FindContaining(dl_phdr_info* info, size_t, void* data) {
  Containing* c = static_cast<Containing*>(data);
  bool first = c->index++ == 0;
  if (!SegmentsContain(info, c->address)) return 0;
  c->found = true;
  c->executable = first;
  c->base = ObjectBase(info);
  c->name = info->dlpi_name ? info->dlpi_name : "";
  return 1;
}

struct BaseSearch {
  uintptr_t base = 0;
  bool found = false;
};

int MatchBase(dl_phdr_info* info, size_t, void* data) {
  BaseSearch* b = static_cast<BaseSearch*>(data);
  if (ObjectBase(info) != b->base) return 0;
  b->found = true;
  return 1;
}

}  // namespace

bool IsLoadedModule(HMODULE module) {
  if (!module) return true;
  BaseSearch b;
  b.base = reinterpret_cast<uintptr_t>(module);
  dl_iterate_phdr(MatchBase, &b);
  return b.found;
}

std::vector<LoadedObject> LoadedObjects() {
  std::vector<LoadedObject> objects;
  Collect c;
  c.out = &objects;
  dl_iterate_phdr(CollectOne, &c);
  return objects;
}

bool FindLoadedObject(HMODULE module, LoadedObject& found) {
  uintptr_t wanted = reinterpret_cast<uintptr_t>(module);
  for (LoadedObject& object : LoadedObjects()) {
    if ((module == nullptr && object.executable) || (module != nullptr && object.base == wanted)) {
      found = std::move(object);
      return true;
    }
  }
  return false;
}

bool FindObjectContaining(const void* address, LoadedObject& found) {
  Containing c;
  c.address = reinterpret_cast<uintptr_t>(address);
  dl_iterate_phdr(FindContaining, &c);
  if (!c.found) return false;
  found = LoadedObject();
  found.base = c.base;
  found.executable = c.executable;
  found.loaderName = c.executable ? std::string() : c.name;
  found.path = c.executable ? ExecutablePath() : ResolvedPath(c.name.c_str(), c.base);
  return true;
}

HMODULE ExecutableModule() {
  // The executable is mapped once and never moves.
  static const HMODULE executable = [] {
    LoadedObject exe;
    return FindLoadedObject(nullptr, exe) ? reinterpret_cast<HMODULE>(exe.base) : nullptr;
  }();
  return executable;
}

}  // namespace kavro::platform::detail
