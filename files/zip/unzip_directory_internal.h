// The central directory of an archive being read: found through the end
// record, loaded into memory once (its size is bounded by the bytes that
// are really there), and indexed lazily, so that reaching entry i costs one
// step per entry not yet indexed whatever the order of the requests.
//
// Offsets stored in the archive are relative to its first byte; prefix()
// turns them into source positions, so archives with bytes in front of them
// (a program stub, or an archive embedded in a larger file) read correctly.
//
// Zip64 archives read through their zip64 end record (see
// unzip_zip64_internal.h); the sizes and local offset of each header are
// 64-bit once its zip64 extra block is applied.
#pragma once

#include <cstdint>
#include <vector>

#include "files/zip/unzip_zip64_internal.h"

namespace kavro::zip {

// The fields of one central header, with views of its name and extra field
// (valid while the directory lives).
struct CentralEntry {
  uint16_t madeBy = 0;
  uint16_t flags = 0;
  uint16_t method = 0;
  uint32_t dosDateTime = 0;  // date in the high half
  uint32_t crc = 0;
  uint64_t compSize = 0;
  uint64_t uncSize = 0;
  uint32_t externalAttr = 0;
  uint64_t localOffset = 0;
  const uint8_t* name = nullptr;
  uint16_t nameLength = 0;
  const uint8_t* extra = nullptr;
  uint16_t extraLength = 0;
};

class CentralDirectory {
 public:
  // Finds and checks the end record, loads the directory and checks its
  // first header. ZRES_CORRUPT for a missing or inconsistent record, a
  // damaged zip64 locator or record, a count the directory cannot hold, or
  // an empty archive; ZRES_READ for a failed read; ZRES_NO_ALLOC
  // when the directory does not fit in memory.
  ZIPRESULT Load(ArchiveSource& source);

  int count() const { return count_; }
  uint64_t prefix() const { return prefix_; }
  // Source position of the directory: every entry's data lies before it.
  uint64_t position() const { return position_; }

  // The header of entry `index` (0 <= index < count()); ZRES_CORRUPT when
  // it, or a header before it, is damaged or runs past the directory, or
  // its zip64 block lacks a marked field.
  ZIPRESULT Entry(int index, CentralEntry& out);

 private:
  // Checks the header at `offset` of the directory and returns its size
  // (0 when damaged).
  size_t HeaderSizeAt(size_t offset) const;
  // Checks where `place` puts the directory and loads it.
  ZIPRESULT LoadAt(ArchiveSource& source, const DirectoryPlace& place);

  std::vector<uint8_t> bytes_;
  std::vector<size_t> offsets_;  // start of each entry indexed so far
  int count_ = 0;
  uint64_t prefix_ = 0;
  uint64_t position_ = 0;
};

}  // namespace kavro::zip
