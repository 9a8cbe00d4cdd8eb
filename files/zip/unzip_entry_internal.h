// One entry of an archive being read, checked against its local header:
// name, Win32 attributes, times (UTC), sizes and where its data lies. The
// ZIPITEMA/ZIPITEMW records are filled from it.
//
// Times: the DOS time of the central header is local time and is turned
// into UTC; an extended timestamp ("UT") block in the local extra field
// replaces the times it carries. Attributes: directory, archive, hidden and
// system from the DOS bits; read-only from the DOS bit, or from the Unix
// owner-write bit being clear when the entry carries Unix mode bits.
#pragma once

#include <cstdint>
#include <string>

#include "files/zip/unzip_directory_internal.h"

namespace kavro::zip {

struct EntryInfo {
  int index = -1;
  std::string name;  // the stored bytes up to the first NUL
  bool utf8 = false;  // general-purpose bit 11: the name is UTF-8
  DWORD attr = 0;
  FILETIME atime = {0, 0};
  FILETIME ctime = {0, 0};
  FILETIME mtime = {0, 0};
  uint16_t flags = 0;
  uint16_t method = 0;
  uint32_t crc = 0;
  uint64_t compSize = 0;
  uint64_t uncSize = 0;
  uint64_t dataPosition = 0;  // source position of the first data byte

  bool IsDirectory() const { return (attr & FILE_ATTRIBUTE_DIRECTORY) != 0; }
};

// Reads entry `index` (0 <= index < count). ZRES_CORRUPT when its headers
// are damaged, disagree (zip64 values compared as 64-bit numbers), use a
// method other than stored or deflated, or point outside the archive's
// data; ZRES_READ when a read
// fails.
ZIPRESULT ReadEntry(ArchiveSource& source, CentralDirectory& directory, int index, EntryInfo& out);

// Win32 attributes of the central external attributes.
DWORD AttributesOf(uint32_t externalAttr);

}  // namespace kavro::zip
