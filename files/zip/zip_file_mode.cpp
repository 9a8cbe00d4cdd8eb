// Whether a file added to an archive is executable. Windows has no such
// bit; here it is the file's own permission bits.
#include "files/zip/zip_input_internal.h"
#include "platform/fs/file_mode_internal.h"

namespace kavro::zip {

bool HasExecutePermission(HANDLE file) { return kavro::platform::IsExecutableFile(file); }

}  // namespace kavro::zip
