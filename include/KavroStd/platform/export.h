/// @file
/// @ingroup platform_layer
/// The one export macro of the library. Everything a product module may call
/// carries KVSTD_API; the rest of the shared object is hidden.
#pragma once

#include "KavroStd/platform/generic_text.h"

#if defined(KAVRO_BUILDING_LIBRARY)
#define KVSTD_API __attribute__((visibility("default")))
#else
#define KVSTD_API __attribute__((visibility("default")))
#endif

// C functions with their Win32 or plain names.
#define KVSTD_C_API extern "C" KVSTD_API
