// The per-module resource table, for the layer's own readers (icons), and
// the registration of the library's own resources at its load.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "KavroStd/platform/win_types.h"

namespace kavro::platform::detail {

struct ResourceBytes {
  uintptr_t id = 0;                                  // the HRSRC value, never reused
  std::shared_ptr<const std::vector<BYTE>> bytes;    // kept alive while held
};

// Looks a resource up as FindResourceW does (same errors on failure).
bool FindResourceBytes(HMODULE module, LPCWSTR name, LPCWSTR type, ResourceBytes& found);

}  // namespace kavro::platform::detail

namespace kavro::platform {
// Registers the library's own resources (the icon groups 128 and 129 with
// their images) for the library's module handle. Run by its load.
void RegisterLibraryResources(HMODULE library);
}  // namespace kavro::platform
