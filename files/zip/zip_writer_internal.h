// The writing side of the zip routines: the archive being written (its
// output, the headers of the entries added so far, the sticky error) and
// the pieces ZipAdd, CloseZipZ and AddFolderContent are made of.
//
// Layout written: for each entry a local header with a 17-byte "UT" block,
// the data (stored or raw deflate at level 8) and, on an output that cannot
// seek, a data descriptor; then the central directory (a 9-byte "UT" block
// per entry), past 65,535 entries a zip64 end record and locator, and the
// end record. All numbers little-endian. The 32-bit records bound the
// archive: offsets and sizes below 4 GiB; an addition that would pass a
// bound is refused.
//
// One thread per archive; the side's last result is one module-wide value.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <zlib.h>

#include "files/zip/zip_handle_internal.h"
#include "files/zip/zip_output_internal.h"

namespace kavro::zip {

inline constexpr uint64_t kMaxZip32 = 0xFFFFFFFFull;  // largest size or offset
// Past 65,535 entries the archive ends with zip64 records; an entry's
// index is an int on the reading side.
inline constexpr size_t kMaxClassicEntries = 0xFFFF;
inline constexpr size_t kMaxEntries = 0x7FFFFFFF;
inline constexpr size_t kMaxNameBytes = 259;
inline constexpr uint16_t kVersionMadeBy = 0x0B17;
inline constexpr uint16_t kVersionNeeded = 20;
inline constexpr uint16_t kVersionNeededZip64 = 45;
inline constexpr uint16_t kFlagMaxCompression = 0x0002;
inline constexpr uint16_t kFlagDataDescriptor = 0x0008;
inline constexpr uint16_t kFlagUtf8Name = 0x0800;
inline constexpr uint16_t kMethodStored = 0;
inline constexpr uint16_t kMethodDeflated = 8;

// The three times of an entry as "UT" block values (seconds since 1970 UTC).
struct UnixTimes {
  int32_t mtime = 0;
  int32_t atime = 0;
  int32_t ctime = 0;
};

// One entry's header, kept for the central directory.
struct EntryHeader {
  uint16_t flags = kFlagDataDescriptor;
  uint16_t method = kMethodStored;
  uint32_t dosDateTime = 0;  // date in the high half
  uint32_t crc = 0;
  uint32_t compressedSize = 0;
  uint32_t uncompressedSize = 0;
  uint32_t externalAttributes = 0;
  uint32_t localOffset = 0;  // from the output's byte 0 (archive start included)
  UnixTimes times;
  std::string name;  // ANSI bytes, '/' separators
};

struct ZipWriter {
  std::unique_ptr<ZipOutput> output;
  ZIPRESULT stickyError = ZRES_SUCCESS;
  bool finished = false;
  std::vector<EntryHeader> entries;
  z_stream deflater{};  // kept between entries and reset for each
  bool deflaterReady = false;
  std::vector<unsigned char> input;       // input chunks
  std::vector<unsigned char> compressed;  // deflate output chunks

  ~ZipWriter();
};

// The writing side's last result.
ZIPRESULT& LastWriteResult();

// The writer of a handle, or null with ZRES_ARGS (null handle) or
// ZRES_WRONG_MODE (a reading handle) in `error`.
ZipWriter* WriterOf(HZIPFILE zip, ZIPRESULT& error);

// ZipAdd after its handle checks.
ZIPRESULT AddEntry(ZipWriter& writer, const wchar_t* name, void* source, unsigned int length,
                   DWORD flags);

// Writes the central directory and the end record unless already written
// (ZRES_WRITE when a write fails); marks the archive finished.
ZIPRESULT FinishArchive(ZipWriter& writer);

}  // namespace kavro::zip
