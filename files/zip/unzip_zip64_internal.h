// Zip64 records on the reading side: the zip64 end record found through
// its locator, and the zip64 extra block (tag 0x0001) of central and local
// headers.
//
// The locator (the 20 bytes right before the end record) decides: with it
// the counts, directory size and offset come from the zip64 end record,
// whether or not the classic record holds markers (Python's zipfile and
// Info-ZIP look for the locator the same way); without it the classic
// values are taken as they stand.
#pragma once

#include <cstddef>
#include <cstdint>

#include "files/zip/unzip_source_internal.h"

namespace kavro::zip {

// The directory as an end record describes it.
struct DirectoryPlace {
  uint64_t entries = 0;
  uint64_t size = 0;
  uint64_t offset = 0;  // from the archive's first byte
  uint64_t end = 0;     // source position where the directory must end
};

// Looks for the locator in front of the end record at `endPosition`.
// False when there is none (`place` untouched); true with ZRES_SUCCESS and
// `place` filled from the zip64 end record, or with ZRES_CORRUPT when the
// locator or the record it leads to is damaged, or ZRES_READ.
bool ReadZip64End(ArchiveSource& source, uint64_t endPosition, DirectoryPlace& place,
                  ZIPRESULT& result);

// Sizes and offset of one header, 64-bit once the zip64 block is applied.
struct EntrySizes {
  uint64_t compSize = 0;
  uint64_t uncSize = 0;
  uint64_t localOffset = 0;
};

// Replaces the fields holding the 32-bit marker with the values of the
// zip64 block in `extra`: uncompressed size, compressed size, local offset
// and disk, in that order, each present only when its field is marked.
// `diskMarked` tells whether the 16-bit disk field is marked. False when
// the block is too short for the marked fields; a header without a block
// keeps its marked values as they stand.
bool ApplyZip64Extra(const uint8_t* extra, size_t length, bool diskMarked, EntrySizes& sizes);

// The first extra block tagged `tag`, its data cut to the field; false
// when there is none.
bool FindExtraBlock(const uint8_t* extra, size_t length, uint16_t tag, const uint8_t*& data,
                    size_t& size);

}  // namespace kavro::zip
