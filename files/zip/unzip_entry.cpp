// Entry records: the central header checked against the local one, with
// attributes and times.
#include "files/zip/unzip_entry_internal.h"

#include <cstring>
#include <vector>

#include "files/zip/zip_format_internal.h"

namespace kavro::zip {
namespace {

using namespace format;

FILETIME FileTimeOfUnix(int32_t seconds) {
  const unsigned long long ticks =
      static_cast<unsigned long long>(seconds + kUnixEpochSeconds) * 10000000ULL;
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

// The DOS time (local) as UTC in all three times; zero when it is no valid
// date, so that no time is set from it.
void SetDosTimes(uint32_t dosDateTime, EntryInfo& out) {
  FILETIME local, utc = {0, 0};
  if (!DosDateTimeToFileTime(static_cast<WORD>(dosDateTime >> 16),
                             static_cast<WORD>(dosDateTime & 0xFFFF), &local) ||
      !LocalFileTimeToFileTime(&local, &utc))
    utc = FILETIME{0, 0};
  out.atime = out.ctime = out.mtime = utc;
}

// The times of a "UT" block in the local extra field replace the DOS ones.
void ApplyTimestamp(const uint8_t* extra, size_t length, EntryInfo& out) {
  // The walk stops where no block with data can begin any more.
  if (length <= 4) return;
  size_t at = 0;
  while (at + 5 <= length) {
    const uint16_t tag = Le16(extra + at);
    const size_t size = Le16(extra + at + 2);
    if (tag == kTagTimestamp) {
      const size_t available = length - at - 4 < size ? length - at - 4 : size;
      const uint8_t* data = extra + at + 4;
      const uint8_t present = data[0];
      size_t next = 1;
      FILETIME* fields[] = {&out.mtime, &out.atime, &out.ctime};
      const uint8_t bits[] = {kTimestampModified, kTimestampAccessed, kTimestampCreated};
      for (int i = 0; i < 3; ++i) {
        if (!(present & bits[i])) continue;
        if (next + 4 > available) break;
        *fields[i] = FileTimeOfUnix(static_cast<int32_t>(Le32(data + next)));
        next += 4;
      }
      return;
    }
    at += 4 + size;
  }
}

// Checks the local header's fixed part against the central header.
ZIPRESULT CheckLocalHeader(const uint8_t* local, const CentralEntry& central) {
  const uint16_t method = Le16(local + kLocalMethodAt);
  if (Le32(local) != kLocalSignature || method != central.method ||
      (method != kStored && method != kDeflated) ||
      Le16(local + kLocalNameLengthAt) != central.nameLength)
    return ZRES_CORRUPT;
  return ZRES_SUCCESS;
}

// Without a data descriptor the local CRC and sizes must be the central
// ones; marked local sizes are read from the local zip64 block, which
// holds both sizes (or, short of that, the marked ones in order).
ZIPRESULT CheckLocalSizes(const uint8_t* local, const uint8_t* extra, size_t extraLength,
                          const CentralEntry& central) {
  if (Le16(local + kLocalFlagsAt) & kFlagDescriptor) return ZRES_SUCCESS;
  EntrySizes sizes{Le32(local + kLocalCompSizeAt), Le32(local + kLocalUncSizeAt), 0};
  const uint8_t* data = nullptr;
  size_t size = 0;
  if ((sizes.compSize == kMarker32 || sizes.uncSize == kMarker32) &&
      FindExtraBlock(extra, extraLength, kTagZip64, data, size)) {
    if (size >= 16) {
      sizes.uncSize = Le64(data);
      sizes.compSize = Le64(data + 8);
    } else if (!ApplyZip64Extra(extra, extraLength, false, sizes)) {
      return ZRES_CORRUPT;
    }
  }
  if (Le32(local + kLocalCrcAt) != central.crc || sizes.compSize != central.compSize ||
      sizes.uncSize != central.uncSize)
    return ZRES_CORRUPT;
  return ZRES_SUCCESS;
}

}  // namespace

DWORD AttributesOf(uint32_t a) {
  DWORD attr = FILE_ATTRIBUTE_NORMAL;
  if (a & 0x40000000u || a & 0x10u) attr |= FILE_ATTRIBUTE_DIRECTORY;
  if (a & 0x20u) attr |= FILE_ATTRIBUTE_ARCHIVE;
  if (a & 0x02u) attr |= FILE_ATTRIBUTE_HIDDEN;
  if (a & 0x04u) attr |= FILE_ATTRIBUTE_SYSTEM;
  // Without Unix mode bits (an entry made on Windows or DOS) only the DOS
  // read-only bit counts; with them, a clear owner-write bit too.
  const bool unixMode = (a >> 16) != 0;
  if ((a & 0x01u) || (unixMode && !(a & 0x00800000u))) attr |= FILE_ATTRIBUTE_READONLY;
  return attr;
}

ZIPRESULT ReadEntry(ArchiveSource& source, CentralDirectory& directory, int index, EntryInfo& out) {
  CentralEntry central;
  if (ZIPRESULT r = directory.Entry(index, central)) return r;

  // The local header, its name and extra field must lie inside the
  // archive, before the central directory. One read usually takes all.
  const uint64_t local = directory.prefix() + central.localOffset;
  const uint64_t limit = directory.position();
  if (central.localOffset > limit || local < source.start() || local > limit ||
      limit - local < kLocalSize)
    return ZRES_CORRUPT;
  const uint64_t guess = kLocalSize + central.nameLength + 512;
  size_t have = static_cast<size_t>(limit - local < guess ? limit - local : guess);
  std::vector<uint8_t> bytes(have);
  if (!source.ReadAt(local, bytes.data(), have)) return ZRES_READ;
  const uint8_t* buffer = bytes.data();
  if (ZIPRESULT r = CheckLocalHeader(buffer, central)) return r;
  const uint16_t flags = Le16(buffer + kLocalFlagsAt);
  const size_t extraLength = Le16(buffer + kLocalExtraLengthAt);
  const size_t headerSize = kLocalSize + central.nameLength + extraLength;
  if (headerSize > limit - local) return ZRES_CORRUPT;
  if (headerSize > have) {
    bytes.resize(headerSize);
    if (!source.ReadAt(local + have, bytes.data() + have, headerSize - have)) return ZRES_READ;
    buffer = bytes.data();
  }
  const uint8_t* localExtra = buffer + kLocalSize + central.nameLength;
  if (ZIPRESULT r = CheckLocalSizes(buffer, localExtra, extraLength, central)) return r;

  out.dataPosition = local + headerSize;
  if (central.compSize > limit - out.dataPosition) return ZRES_CORRUPT;
  const bool encrypted = (central.flags | flags) & kFlagEncrypted;
  if (central.method == kStored && !encrypted && central.compSize != central.uncSize)
    return ZRES_CORRUPT;

  out.index = index;
  const void* nul = std::memchr(central.name, 0, central.nameLength);
  const size_t nameLength =
      nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - central.name) : central.nameLength;
  out.name.assign(reinterpret_cast<const char*>(central.name), nameLength);
  out.utf8 = (central.flags & kFlagUtf8) != 0;
  out.attr = AttributesOf(central.externalAttr);
  out.flags = static_cast<uint16_t>(central.flags | (flags & kFlagEncrypted));
  out.method = central.method;
  out.crc = central.crc;
  out.compSize = central.compSize;
  out.uncSize = central.uncSize;
  SetDosTimes(central.dosDateTime, out);
  ApplyTimestamp(localExtra, extraLength, out);
  return ZRES_SUCCESS;
}

}  // namespace kavro::zip
