// The records an archive is written with, as bytes: the local header with
// its "UT" block, the data descriptor, the central header and the end record
// (the published zip layout, numbers little-endian).
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

// Appends the whole local header (fixed part, name, extra block) to `out`.
void AppendLocalHeader(const EntryHeader& header, std::vector<unsigned char>& out);
// The 30-byte fixed part alone, for the rewrite once CRC and sizes are known.
void LocalFixedPart(const EntryHeader& header, unsigned char (&out)[kLocalFixedSize]);
void DataDescriptor(const EntryHeader& header, unsigned char (&out)[kDescriptorSize]);
void AppendCentralHeader(const EntryHeader& header, std::vector<unsigned char>& out);
void EndRecord(uint16_t entries, uint32_t directorySize, uint32_t directoryOffset,
               unsigned char (&out)[kEndRecordSize]);

}  // namespace kavro::zip
