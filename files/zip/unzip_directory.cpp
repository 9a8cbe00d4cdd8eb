// End record search and the lazily indexed central directory.
#include "files/zip/unzip_directory_internal.h"

#include <algorithm>
#include <climits>
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

// The directory as the classic end record describes it; false when the
// record speaks of other disks.
bool ClassicPlace(const uint8_t (&record)[kEndSize], uint64_t end, DirectoryPlace& place) {
  place.entries = Le16(record + kEndTotalEntriesAt);
  place.size = Le32(record + kEndDirectorySizeAt);
  place.offset = Le32(record + kEndDirectoryOffsetAt);
  place.end = end;
  return Le16(record + kEndDiskAt) == 0 && Le16(record + kEndDirectoryDiskAt) == 0 &&
         Le16(record + kEndDiskEntriesAt) == place.entries;
}

// Next to a zip64 end record each classic field holds its marker or the
// zip64 value cut to the field's width (disks: 0); a record that says
// otherwise disagrees with the zip64 one and the archive is damaged.
bool ClassicFitsZip64(const uint8_t (&record)[kEndSize], const DirectoryPlace& place) {
  const auto fits16 = [&](size_t at, uint64_t value) {
    const uint16_t field = Le16(record + at);
    return field == kMarker16 || field == static_cast<uint16_t>(value);
  };
  const auto fits32 = [&](size_t at, uint64_t value) {
    const uint32_t field = Le32(record + at);
    return field == kMarker32 || field == static_cast<uint32_t>(value);
  };
  return fits16(kEndDiskAt, 0) && fits16(kEndDirectoryDiskAt, 0) &&
         fits16(kEndDiskEntriesAt, place.entries) && fits16(kEndTotalEntriesAt, place.entries) &&
         fits32(kEndDirectorySizeAt, place.size) && fits32(kEndDirectoryOffsetAt, place.offset);
}

}  // namespace

ZIPRESULT CentralDirectory::Load(ArchiveSource& source) {
  uint64_t end = 0;
  uint8_t record[kEndSize];
  if (ZIPRESULT r = FindEndRecord(source, end, record)) return r;
  DirectoryPlace place;
  ZIPRESULT result = ZRES_SUCCESS;
  if (ReadZip64End(source, end, place, result)) {
    if (result != ZRES_SUCCESS) return result;
    // 64-bit counts: no more entries than the smallest headers fill the
    // directory with, and an index that fits an int.
    if (!ClassicFitsZip64(record, place) || place.entries > place.size / kCentralSize ||
        place.entries > static_cast<uint64_t>(INT_MAX))
      return ZRES_CORRUPT;
  } else if (!ClassicPlace(record, end, place)) {
    return ZRES_CORRUPT;
  }
  return LoadAt(source, place);
}

ZIPRESULT CentralDirectory::LoadAt(ArchiveSource& source, const DirectoryPlace& place) {
  // The directory ends where the end record (or the zip64 one) begins and
  // lies inside the archive; what comes before its recorded offset is the
  // prefix.
  if (place.size > place.end - source.start() || place.offset > place.end - place.size)
    return ZRES_CORRUPT;
  prefix_ = place.end - place.offset - place.size;
  position_ = place.end - place.size;
  count_ = static_cast<int>(place.entries);
  if (count_ == 0 || place.size < kCentralSize) return ZRES_CORRUPT;
  const size_t size = static_cast<size_t>(place.size);
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
    offsets_.push_back(next);
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
  EntrySizes sizes{out.compSize, out.uncSize, out.localOffset};
  if (!ApplyZip64Extra(out.extra, out.extraLength, Le16(h + kCentralDiskAt) == kMarker16, sizes))
    return ZRES_CORRUPT;
  out.compSize = sizes.compSize;
  out.uncSize = sizes.uncSize;
  out.localOffset = sizes.localOffset;
  return ZRES_SUCCESS;
}

}  // namespace kavro::zip
