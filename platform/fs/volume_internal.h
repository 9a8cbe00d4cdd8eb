// The volume serial number shared by the file and volume queries.
#pragma once

#include <sys/types.h>

#include "KavroStd/platform/win_types.h"

namespace kavro::platform {
// The 32-bit serial number of the volume with device number dev.
inline DWORD VolumeSerialFromDevice(dev_t dev) {
  unsigned long long d = static_cast<unsigned long long>(dev);
  return static_cast<DWORD>(d ^ (d >> 32));
}
}  // namespace kavro::platform
