// The bytes an archive is read from: a file handle owned by the reader
// (duplicated from the caller's or opened by name) or a caller's memory
// block, which is neither owned nor copied and must outlive the reader.
//
// Positions are absolute: offsets of the file, or of the block. The archive
// occupies [start(), end()); start() is the handle's position when the
// archive was opened (0 for names and memory).
//
//   std::unique_ptr<ArchiveSource> s;
//   ZIPRESULT r = ArchiveSource::OpenName(L"a.zip", s);
//   s->ReadAt(s->end() - 22, buffer, 22);
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "KavroStd/files.h"

namespace kavro::zip {

class ArchiveSource {
 public:
  // ZRES_SEEK when the handle is no disk file, ZRES_NO_DUPLICATE when it
  // cannot be duplicated, ZRES_READ when its position or size is unknown.
  static ZIPRESULT OpenHandle(HANDLE handle, std::unique_ptr<ArchiveSource>& out);
  // ZRES_NO_FILE when the file cannot be opened for reading.
  static ZIPRESULT OpenName(const wchar_t* name, std::unique_ptr<ArchiveSource>& out);
  static std::unique_ptr<ArchiveSource> OpenMemory(const void* base, size_t length);

  virtual ~ArchiveSource() = default;
  uint64_t start() const { return start_; }
  uint64_t end() const { return end_; }

  // Reads exactly `length` bytes at `position`; false when they are not all
  // there or the read fails.
  virtual bool ReadAt(uint64_t position, void* buffer, size_t length) = 0;

 protected:
  uint64_t start_ = 0;
  uint64_t end_ = 0;
};

}  // namespace kavro::zip
