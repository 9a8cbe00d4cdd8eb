// Children the library starts without handing out a handle (process_handle.h
// has the handles themselves); hidden in the shared library.
#pragma once

namespace kavro::platform {
// Reaps a child of this process in the background without a handle, so it
// never lingers as a zombie.
void KvReapChildProcess(int pid);
}  // namespace kavro::platform
