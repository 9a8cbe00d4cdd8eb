// The clipboard's store folder: the process's choice, the environment's, or
// the private runtime folder's "clipboard".
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>

#include "KavroStd/platform/clipboard.h"
#include "platform/clipboard/clipboard_internal.h"
#include "platform/core/errors_internal.h"
#include "platform/sync/mutex_internal.h"

namespace kavro::platform {
namespace {

std::mutex& ChoiceLock() {
  static std::mutex* lock = new std::mutex;
  return *lock;
}

std::string& Choice() {
  static std::string* folder = new std::string;
  return *folder;
}

}  // namespace

void KvSetClipboardFolder(const std::string& folder) {
  std::lock_guard<std::mutex> guard(ChoiceLock());
  Choice() = folder;
}

namespace detail {

bool ClipboardFolder(std::string& folder) {
  {
    std::lock_guard<std::mutex> guard(ChoiceLock());
    folder = Choice();
  }
  if (folder.empty()) {
    const char* env = std::getenv("KAVRO_CLIPBOARD_DIR");
    if (env && env[0]) {
      folder = env;
    } else {
      if (!MutexRuntimeFolder(folder)) return false;
      folder += "/clipboard";
    }
  }
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  struct stat st;
  if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_DIRECTORY);
    return false;
  }
  return true;
}

}  // namespace detail
}  // namespace kavro::platform
