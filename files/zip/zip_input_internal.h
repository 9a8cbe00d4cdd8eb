// The source of an entry being added: a file (by name or by handle), a
// handle that cannot seek (a pipe), a memory block, or nothing (a folder
// entry), with the attributes and times the entry is recorded with.
#pragma once

#include <cstddef>
#include <cstdint>

#include "KavroStd/files.h"

namespace kavro::zip {

class EntryInput {
 public:
  EntryInput() = default;
  ~EntryInput();
  EntryInput(const EntryInput&) = delete;
  EntryInput& operator=(const EntryInput&) = delete;

  // Opens `source` as `flags` says (ZIPKIND_FILENAME, ZIPKIND_HANDLE,
  // ZIPKIND_MEMORY, ZIPKIND_FOLDER). ZRES_ARGS for a bad source or kind,
  // ZRES_NO_FILE for a file that cannot be opened or described.
  ZIPRESULT Open(void* source, unsigned int length, DWORD flags);

  // Reads up to `capacity` bytes; `got` is 0 at the end. False on a read
  // failure (a pipe whose writer has gone is its end, not a failure).
  bool Read(unsigned char* buffer, size_t capacity, size_t& got);

  bool folder() const { return folder_; }
  // The size the input announces, -1 when unknown.
  int64_t size() const { return size_; }
  uint32_t externalAttributes() const { return external_; }
  const FILETIME& mtime() const { return mtime_; }
  const FILETIME& atime() const { return atime_; }
  const FILETIME& ctime() const { return ctime_; }

 private:
  ZIPRESULT OpenDiskFile(HANDLE handle, bool rewind);

  HANDLE handle_ = INVALID_HANDLE_VALUE;
  bool ownsHandle_ = false;
  const unsigned char* memory_ = nullptr;
  size_t memoryLeft_ = 0;
  bool folder_ = false;
  bool diskFile_ = false;
  bool ended_ = false;  // a disk file's short read was its end
  int64_t size_ = -1;
  uint32_t external_ = 0;
  FILETIME mtime_{}, atime_{}, ctime_{};
};

// True when the open file has an execute permission bit.
bool HasExecutePermission(HANDLE file);

}  // namespace kavro::zip
