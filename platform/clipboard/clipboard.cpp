// The clipboard's open state and data: a lock on the store held while open,
// one file per format, and the blocks the clipboard owns during an open.
#include "KavroStd/platform/clipboard.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/clipboard/clipboard_internal.h"
#include "platform/core/errors_internal.h"
#include "platform/core/posix_io_internal.h"

namespace kavro::platform::detail {
namespace {

struct Session {
  std::mutex lock;
  int lockFd = -1;  // the store's lock file, held while open
  std::thread::id owner;
  std::string folder;
  std::vector<HGLOBAL> owned;     // released at close or empty
  std::map<UINT, HGLOBAL> blocks;  // format -> block handed out during this open
};

Session& TheSession() {
  static Session* session = new Session;  // blocks may outlive static destructors
  return *session;
}

bool OpenByThisThread(const Session& s) {
  return s.lockFd >= 0 && s.owner == std::this_thread::get_id();
}

void ReleaseBlocks(Session& s) {
  for (HGLOBAL block : s.owned) GlobalFree(block);  // a block the caller freed is refused harmlessly
  s.owned.clear();
  s.blocks.clear();
}

std::string DataFile(const std::string& folder, UINT format) {
  char name[32];
  std::snprintf(name, sizeof name, "/data-%04X", format);
  return folder + name;
}

// Writes the bytes into a temporary file and renames it over the format's
// file, so a reader sees the old or the new data.
DWORD StoreBytes(const std::string& folder, UINT format, const BYTE* bytes, size_t n) {
  std::string target = DataFile(folder, format);
  std::string temporary = target + ".kvtmp";
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return Win32ErrorFromErrno(errno);
  int error = WriteAll(fd, bytes, n);
  bool written = error == 0;
  if (close(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (written && rename(temporary.c_str(), target.c_str()) == 0) return ERROR_SUCCESS;
  if (written) error = errno;
  unlink(temporary.c_str());
  return Win32ErrorFromErrno(error);
}

// The format's bytes in a new moveable block, or null (ERROR_NOT_FOUND when
// the clipboard lacks the format).
HGLOBAL LoadBytes(const std::string& folder, UINT format) {
  int fd = open(DataFile(folder, format).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    SetLastError(errno == ENOENT ? ERROR_NOT_FOUND : Win32ErrorFromErrno(errno));
    return nullptr;
  }
  std::string bytes;
  int error = ReadWholeFile(fd, 0, bytes);
  close(fd);
  if (error) {
    SetLastErrorFromErrno(error);
    return nullptr;
  }
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  if (!block) return nullptr;
  if (!bytes.empty()) {
    std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
    GlobalUnlock(block);
  }
  return block;
}

// One attempt at the store's lock: the descriptor holding it, or -1 with
// *busy telling whether someone else holds it.
int TryLockStore(const std::string& folder, bool* busy) {
  *busy = false;
  int fd = open((folder + "/open.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    SetLastErrorFromErrno(errno);
    return -1;
  }
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
  *busy = errno == EWOULDBLOCK;
  if (!*busy) SetLastErrorFromErrno(errno);
  close(fd);
  return -1;
}

// Runs use(session) under the session's lock when this thread has the
// clipboard open; otherwise gives `closed` with ERROR_CLIPBOARD_NOT_OPEN.
template <typename R, typename F>
R WithOpenSession(R closed, F use) {
  Session& s = TheSession();
  std::lock_guard<std::mutex> guard(s.lock);
  if (!OpenByThisThread(s)) {
    SetLastError(ERROR_CLIPBOARD_NOT_OPEN);
    return closed;
  }
  return use(s);
}

}  // namespace
}  // namespace kavro::platform::detail

using kavro::platform::detail::Session;
using kavro::platform::detail::TheSession;

extern "C" BOOL OpenClipboard(HWND) {
  using namespace kavro::platform::detail;
  const auto kRetry = std::chrono::milliseconds(10);
  for (int attempt = 0;; ++attempt) {
    bool busy = true;
    {
      Session& s = TheSession();
      std::lock_guard<std::mutex> guard(s.lock);
      if (OpenByThisThread(s)) return TRUE;
      if (s.lockFd < 0) {
        std::string folder;
        if (!ClipboardFolder(folder)) return FALSE;
        int fd = TryLockStore(folder, &busy);
        if (fd >= 0) {
          s.lockFd = fd;
          s.owner = std::this_thread::get_id();
          s.folder = folder;
          return TRUE;
        }
        if (!busy) return FALSE;
      }
    }
    if (attempt == 10) break;
    std::this_thread::sleep_for(kRetry);
  }
  SetLastError(ERROR_ACCESS_DENIED);
  return FALSE;
}

extern "C" BOOL CloseClipboard(void) {
  using namespace kavro::platform::detail;
  return WithOpenSession<BOOL>(FALSE, [](Session& s) -> BOOL {
    ReleaseBlocks(s);
    close(s.lockFd);  // drops the lock
    s.lockFd = -1;
    s.owner = std::thread::id();
    return TRUE;
  });
}

extern "C" BOOL EmptyClipboard(void) {
  using namespace kavro::platform::detail;
  return WithOpenSession<BOOL>(FALSE, [](Session& s) -> BOOL {
    ReleaseBlocks(s);
    DIR* dir = opendir(s.folder.c_str());
    if (!dir) {
      kavro::platform::SetLastErrorFromErrno(errno);
      return FALSE;
    }
    std::vector<std::string> doomed;
    while (dirent* entry = readdir(dir))
      if (std::strncmp(entry->d_name, "data-", 5) == 0) doomed.push_back(s.folder + "/" + entry->d_name);
    closedir(dir);
    for (const std::string& path : doomed) unlink(path.c_str());
    return TRUE;
  });
}

extern "C" HANDLE SetClipboardData(UINT format, HANDLE block) {
  using namespace kavro::platform::detail;
  return WithOpenSession<HANDLE>(nullptr, [&](Session& s) -> HANDLE {
    if (format == 0 || format > 0xFFFF || !block) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return nullptr;
    }
    const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(block));
    if (!bytes) return nullptr;  // ERROR_INVALID_HANDLE
    DWORD error = StoreBytes(s.folder, format, bytes, GlobalSize(block));
    GlobalUnlock(block);
    if (error != ERROR_SUCCESS) {
      SetLastError(error);
      return nullptr;
    }
    bool known = false;
    for (HGLOBAL owned : s.owned) known = known || owned == block;
    if (!known) s.owned.push_back(block);
    s.blocks[format] = block;
    return block;
  });
}

extern "C" HANDLE GetClipboardData(UINT format) {
  using namespace kavro::platform::detail;
  return WithOpenSession<HANDLE>(nullptr, [&](Session& s) -> HANDLE {
    auto it = s.blocks.find(format);
    if (it != s.blocks.end()) return it->second;
    if (format == 0 || format > 0xFFFF) {
      SetLastError(ERROR_NOT_FOUND);
      return nullptr;
    }
    HGLOBAL block = LoadBytes(s.folder, format);
    if (!block) return nullptr;
    s.owned.push_back(block);
    s.blocks[format] = block;
    return block;
  });
}

extern "C" BOOL IsClipboardFormatAvailable(UINT format) {
  using namespace kavro::platform::detail;
  if (format == 0 || format > 0xFFFF) return FALSE;
  std::string folder;
  if (!ClipboardFolder(folder)) return FALSE;
  struct stat st;
  return stat(DataFile(folder, format).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}
