// The records an archive is written with, as bytes: the local header with
// its "UT" block, the data descriptor, the central header and the end record
// (the published zip layout, numbers little-endian), and past 65,535
// entries the zip64 end record and its locator in front of the end record.
#pragma once

#include <cstdint>
#include <vector>

#include "files/zip/zip_writer_internal.h"

namespace kavro::zip {

inline constexpr size_t kLocalFixedSize = 30;
inline constexpr size_t kLocalExtraSize = 17;
inline constexpr size_t kCentralExtraSize = 9;
inline constexpr size_t kDescriptorSize = 16;
inline constexpr size_t kEndRecordSize = 22;
inline constexpr size_t kZip64EndRecordSize = 56;
inline constexpr size_t kZip64LocatorSize = 20;

// Appends the whole local header (fixed part, name, extra block) to `out`.
void AppendLocalHeader(const EntryHeader& header, std::vector<unsigned char>& out);
// The 30-byte fixed part alone, for the rewrite once CRC and sizes are known.
void LocalFixedPart(const EntryHeader& header, unsigned char (&out)[kLocalFixedSize]);
void DataDescriptor(const EntryHeader& header, unsigned char (&out)[kDescriptorSize]);
void AppendCentralHeader(const EntryHeader& header, std::vector<unsigned char>& out);
// The end record; counts, size and offset past their fields are written
// as all ones (the zip64 end record then holds them).
void EndRecord(uint64_t entries, uint64_t directorySize, uint64_t directoryOffset,
               unsigned char (&out)[kEndRecordSize]);
// The zip64 end record (no extensible data) and the locator that points
// at it from `recordOffset`.
void Zip64EndRecord(uint64_t entries, uint64_t directorySize, uint64_t directoryOffset,
                    unsigned char (&out)[kZip64EndRecordSize]);
void Zip64Locator(uint64_t recordOffset, unsigned char (&out)[kZip64LocatorSize]);

}  // namespace kavro::zip
