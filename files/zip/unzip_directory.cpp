// End record search and the lazily indexed central directory.
#include "files/zip/unzip_directory_internal.h"

#include <algorithm>
#include <new>

#include "files/zip/zip_format_internal.h"

namespace kavro::zip {
namespace {

using namespace format;

// The end record, searched from the end of the source over the last
// 65,535 + 22 bytes (a record with the longest comment): the nearest one
// whose comment reaches exactly to the end, else the nearest one whose fixed
// part fits (a comment may hold the signature bytes, and some tools leave
// bytes after the archive). A record at the archive's first byte does not
// count.
ZIPRESULT FindEndRecord(ArchiveSource& source, uint64_t& position, uint8_t (&record)[kEndSize]) {
  const uint64_t size = source.end() - source.start();
  if (size < 5) return ZRES_CORRUPT;
  const size_t span = static_cast<size_t>(std::min<uint64_t>(size, kMaxCommentSize + kEndSize));
  std::vector<uint8_t> tail(span);
  const uint64_t tailStart = source.end() - span;
  if (!source.ReadAt(tailStart, tail.data(), span)) return ZRES_READ;
  if (span < kEndSize) return ZRES_CORRUPT;
  size_t found = span;
  for (size_t at = span - kEndSize + 1; at-- > 0;) {
    if (tail[at] != 0x50 || Le32(&tail[at]) != kEndSignature) continue;
    if (found == span) found = at;
    if (at + kEndSize + Le16(&tail[at + kEndCommentLengthAt]) == span) {
      found = at;
      break;
    }
  }
  if (found == span) return ZRES_CORRUPT;
  position = tailStart + found;
  if (position == source.start()) return ZRES_CORRUPT;
  std::copy(&tail[found], &tail[found] + kEndSize, record);
  return ZRES_SUCCESS;
}

bool HasZip64Locator(ArchiveSource& source, uint64_t endPosition) {
  if (endPosition - source.start() < kZip64LocatorSize) return false;
  uint8_t signature[4];
  return source.ReadAt(endPosition - kZip64LocatorSize, signature, 4) &&
         Le32(signature) == kZip64LocatorSignature;
}

}  // namespace

ZIPRESULT CentralDirectory::Load(ArchiveSource& source) {
  uint64_t end = 0;
  uint8_t record[kEndSize];
  if (ZIPRESULT r = FindEndRecord(source, end, record)) return r;
  const uint16_t entries = Le16(record + kEndDiskEntriesAt);
  const uint16_t total = Le16(record + kEndTotalEntriesAt);
  const uint32_t size = Le32(record + kEndDirectorySizeAt);
  const uint32_t offset = Le32(record + kEndDirectoryOffsetAt);
  if (Le16(record + kEndDiskAt) != 0 || Le16(record + kEndDirectoryDiskAt) != 0 ||
      entries != total)
    return ZRES_CORRUPT;
  // A zip64 archive keeps its real counts and offsets in the zip64 end
  // record, announced by the locator in front of this record; without one,
  // all-ones values are taken as they stand.
  if (HasZip64Locator(source, end)) return ZRES_CORRUPT;
  // The directory ends where the end record begins and lies inside the
  // archive; what comes before its recorded offset is the prefix.
  if (end < static_cast<uint64_t>(offset) + size || end - source.start() < size)
    return ZRES_CORRUPT;
  prefix_ = end - offset - size;
  position_ = end - size;
  count_ = total;
  if (count_ == 0 || size < kCentralSize) return ZRES_CORRUPT;
  try {
    bytes_.resize(size);
    offsets_.reserve(std::min<size_t>(count_, size / kCentralSize));
  } catch (const std::bad_alloc&) {
    return ZRES_NO_ALLOC;
  }
  if (!source.ReadAt(position_, bytes_.data(), size)) return ZRES_READ;
  if (HeaderSizeAt(0) == 0) return ZRES_CORRUPT;
  offsets_.push_back(0);
  return ZRES_SUCCESS;
}

size_t CentralDirectory::HeaderSizeAt(size_t offset) const {
  if (offset > bytes_.size() || bytes_.size() - offset < kCentralSize) return 0;
  const uint8_t* h = bytes_.data() + offset;
  if (Le32(h) != kCentralSignature) return 0;
  const size_t total = kCentralSize + Le16(h + kCentralNameLengthAt) +
                       Le16(h + kCentralExtraLengthAt) + Le16(h + kCentralCommentLengthAt);
  return total <= bytes_.size() - offset ? total : 0;
}

ZIPRESULT CentralDirectory::Entry(int index, CentralEntry& out) {
  if (index < 0 || index >= count_) return ZRES_ARGS;
  while (offsets_.size() <= static_cast<size_t>(index)) {
    const size_t last = offsets_.back();
    const size_t next = last + HeaderSizeAt(last);
    if (HeaderSizeAt(next) == 0) return ZRES_CORRUPT;
    offsets_.push_back(static_cast<uint32_t>(next));
  }
  const uint8_t* h = bytes_.data() + offsets_[index];
  out.madeBy = Le16(h + kCentralMadeByAt);
  out.flags = Le16(h + kCentralFlagsAt);
  out.method = Le16(h + kCentralMethodAt);
  out.dosDateTime = Le32(h + kCentralDosTimeAt);
  out.crc = Le32(h + kCentralCrcAt);
  out.compSize = Le32(h + kCentralCompSizeAt);
  out.uncSize = Le32(h + kCentralUncSizeAt);
  out.externalAttr = Le32(h + kCentralExternalAttrAt);
  out.localOffset = Le32(h + kCentralLocalOffsetAt);
  out.nameLength = Le16(h + kCentralNameLengthAt);
  out.extraLength = Le16(h + kCentralExtraLengthAt);
  out.name = h + kCentralSize;
  out.extra = out.name + out.nameLength;
  return ZRES_SUCCESS;
}

}  // namespace kavro::zip
