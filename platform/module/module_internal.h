// The loaded ELF objects of the process, as the module functions see them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "KavroStd/platform/win_types.h"

namespace kavro::platform::detail {

struct LoadedObject {
  uintptr_t base = 0;       // the module handle: start of the first mapped segment
  std::string path;         // absolute POSIX path, symbolic links resolved
  std::string loaderName;   // the name the dynamic loader knows (empty for the executable)
  bool executable = false;
};

// Every loaded object with a file, the executable first.
std::vector<LoadedObject> LoadedObjects();
// The object whose handle is `module` (null: the executable); false if none.
bool FindLoadedObject(HMODULE module, LoadedObject& found);
// True when `module` is the handle of a loaded object (null: the executable).
bool IsLoadedModule(HMODULE module);
// The object one of whose segments contains `address`; false if none.
bool FindObjectContaining(const void* address, LoadedObject& found);
// The executable's handle.
HMODULE ExecutableModule();

}  // namespace kavro::platform::detail
