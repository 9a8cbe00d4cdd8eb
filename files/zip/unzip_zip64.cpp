// Zip64 end record and locator, and the zip64 extra block.
#include "files/zip/unzip_zip64_internal.h"

#include "files/zip/zip_format_internal.h"

namespace kavro::zip {
namespace {

using namespace format;

// Reads the 56 fixed bytes at `at` when they lie before the locator and
// begin with the zip64 end record's signature.
bool RecordAt(ArchiveSource& source, uint64_t at, uint64_t locatorAt, uint8_t (&record)[kZip64EndSize],
              ZIPRESULT& result) {
  if (at < source.start() || at > locatorAt || locatorAt - at < kZip64EndSize) return false;
  if (!source.ReadAt(at, record, kZip64EndSize)) {
    result = ZRES_READ;
    return false;
  }
  return Le32(record) == kZip64EndSignature;
}

// The zip64 end record the locator points at. Its offset counts from the
// archive's first byte: at that source position when nothing is in front
// of the archive, else right before the locator (where every writer puts
// it), provided the offset leaves room for the bytes in front.
ZIPRESULT FindRecord(ArchiveSource& source, uint64_t locatorAt, uint64_t offset,
                     uint8_t (&record)[kZip64EndSize], uint64_t& at) {
  ZIPRESULT result = ZRES_SUCCESS;
  const uint64_t span = locatorAt - source.start();
  if (offset <= span && RecordAt(source, source.start() + offset, locatorAt, record, result)) {
    at = source.start() + offset;
    return ZRES_SUCCESS;
  }
  if (result != ZRES_SUCCESS) return result;
  if (span < kZip64EndSize || offset > span - kZip64EndSize) return ZRES_CORRUPT;
  at = locatorAt - kZip64EndSize;
  if (RecordAt(source, at, locatorAt, record, result)) return ZRES_SUCCESS;
  return result != ZRES_SUCCESS ? result : ZRES_CORRUPT;
}

// The directory the record describes. It ends where the record begins, so
// the locator's offset is the directory's offset plus its size: a locator
// that names another place is damaged.
ZIPRESULT PlaceOfRecord(const uint8_t (&record)[kZip64EndSize], uint64_t at, uint64_t locatorAt,
                        uint64_t recordOffset, DirectoryPlace& place) {
  // The record, extensible data included, ends at or before the locator.
  const uint64_t rest = Le64(record + kZip64EndRestSizeAt);
  if (rest < kZip64EndMinRestSize || rest > locatorAt - at - 12) return ZRES_CORRUPT;
  if (Le32(record + kZip64EndDiskAt) != 0 || Le32(record + kZip64EndDirectoryDiskAt) != 0)
    return ZRES_CORRUPT;
  place.entries = Le64(record + kZip64EndTotalEntriesAt);
  if (Le64(record + kZip64EndDiskEntriesAt) != place.entries) return ZRES_CORRUPT;
  place.size = Le64(record + kZip64EndDirectorySizeAt);
  place.offset = Le64(record + kZip64EndDirectoryOffsetAt);
  place.end = at;
  if (place.offset > recordOffset || recordOffset - place.offset != place.size) return ZRES_CORRUPT;
  return ZRES_SUCCESS;
}

}  // namespace

bool ReadZip64End(ArchiveSource& source, uint64_t endPosition, DirectoryPlace& place,
                  ZIPRESULT& result) {
  if (endPosition - source.start() < kZip64LocatorSize) return false;
  const uint64_t locatorAt = endPosition - kZip64LocatorSize;
  uint8_t locator[kZip64LocatorSize];
  if (!source.ReadAt(locatorAt, locator, sizeof locator)) {
    result = ZRES_READ;
    return true;
  }
  if (Le32(locator) != kZip64LocatorSignature) return false;
  // One disk only: the record on disk 0 of a single-disk archive.
  if (Le32(locator + kZip64LocatorDiskAt) != 0 || Le32(locator + kZip64LocatorDisksAt) > 1) {
    result = ZRES_CORRUPT;
    return true;
  }
  uint8_t record[kZip64EndSize];
  uint64_t at = 0;
  const uint64_t offset = Le64(locator + kZip64LocatorOffsetAt);
  result = FindRecord(source, locatorAt, offset, record, at);
  if (result == ZRES_SUCCESS) result = PlaceOfRecord(record, at, locatorAt, offset, place);
  return true;
}

bool FindExtraBlock(const uint8_t* extra, size_t length, uint16_t tag, const uint8_t*& data,
                    size_t& size) {
  size_t at = 0;
  while (at + 4 <= length) {
    const uint16_t blockTag = Le16(extra + at);
    const size_t blockSize = Le16(extra + at + 2);
    const size_t available = length - at - 4;
    if (blockTag == tag) {
      data = extra + at + 4;
      size = blockSize < available ? blockSize : available;
      return true;
    }
    at += 4 + blockSize;
  }
  return false;
}

bool ApplyZip64Extra(const uint8_t* extra, size_t length, bool diskMarked, EntrySizes& sizes) {
  const uint8_t* data = nullptr;
  size_t size = 0;
  if (!FindExtraBlock(extra, length, kTagZip64, data, size)) return true;
  size_t next = 0;
  uint64_t* fields[] = {&sizes.uncSize, &sizes.compSize, &sizes.localOffset};
  for (uint64_t* field : fields) {
    if (*field != kMarker32) continue;
    if (size - next < 8) return false;
    *field = Le64(data + next);
    next += 8;
  }
  return !diskMarked || size - next >= 4;
}

}  // namespace kavro::zip
