// Whole-file reading for the layer's settings files.
#pragma once

#include <sys/types.h>

#include <string>

namespace kavro::platform {
// Reads everything from `fd` (from offset 0, with pread) into `out`;
// `sizeHint` is the expected size (from fstat). Returns 0 or an errno value.
int ReadWholeFile(int fd, off_t sizeHint, std::string& out);
}  // namespace kavro::platform
