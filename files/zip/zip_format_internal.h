// The zip file format as the reader sees it: record signatures and fixed
// sizes, field offsets inside the fixed parts, flag bits, methods, extra
// block tags, and little-endian field access over byte buffers.
//
// Records (all numbers little-endian):
//   local header    50 4B 03 04, 30 bytes + name + extra, then the data
//   data descriptor 50 4B 07 08 (optional signature), CRC, sizes
//   central header  50 4B 01 02, 46 bytes + name + extra + comment
//   end record      50 4B 05 06, 22 bytes + comment (at most 65,535)
//   zip64 end record 50 4B 06 06 and its locator 50 4B 06 07 (20 bytes,
//                   right before the end record)
//
//   uint32_t sig = format::Le32(bytes + format::kCentralSignatureAt);
#pragma once

#include <cstddef>
#include <cstdint>

namespace kavro::zip::format {

inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t Le64(const uint8_t* p) {
  return static_cast<uint64_t>(Le32(p)) | (static_cast<uint64_t>(Le32(p + 4)) << 32);
}
inline void PutLe16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}

inline constexpr uint32_t kLocalSignature = 0x04034B50;
inline constexpr uint32_t kCentralSignature = 0x02014B50;
inline constexpr uint32_t kEndSignature = 0x06054B50;
inline constexpr uint32_t kDescriptorSignature = 0x08074B50;
inline constexpr uint32_t kZip64EndSignature = 0x06064B50;
inline constexpr uint32_t kZip64LocatorSignature = 0x07064B50;

inline constexpr size_t kLocalSize = 30;
inline constexpr size_t kCentralSize = 46;
inline constexpr size_t kEndSize = 22;
inline constexpr size_t kZip64LocatorSize = 20;
inline constexpr size_t kZip64EndSize = 56;  // without extensible data
inline constexpr size_t kMaxCommentSize = 0xFFFF;

// Local header fields (offsets into its fixed part).
inline constexpr size_t kLocalFlagsAt = 6;
inline constexpr size_t kLocalMethodAt = 8;
inline constexpr size_t kLocalCrcAt = 14;
inline constexpr size_t kLocalCompSizeAt = 18;
inline constexpr size_t kLocalUncSizeAt = 22;
inline constexpr size_t kLocalNameLengthAt = 26;
inline constexpr size_t kLocalExtraLengthAt = 28;

// Central header fields.
inline constexpr size_t kCentralMadeByAt = 4;
inline constexpr size_t kCentralFlagsAt = 8;
inline constexpr size_t kCentralMethodAt = 10;
inline constexpr size_t kCentralDosTimeAt = 12;  // time, then date: one 32-bit value
inline constexpr size_t kCentralCrcAt = 16;
inline constexpr size_t kCentralCompSizeAt = 20;
inline constexpr size_t kCentralUncSizeAt = 24;
inline constexpr size_t kCentralNameLengthAt = 28;
inline constexpr size_t kCentralExtraLengthAt = 30;
inline constexpr size_t kCentralCommentLengthAt = 32;
inline constexpr size_t kCentralDiskAt = 34;
inline constexpr size_t kCentralExternalAttrAt = 38;
inline constexpr size_t kCentralLocalOffsetAt = 42;

// End record fields.
inline constexpr size_t kEndDiskAt = 4;
inline constexpr size_t kEndDirectoryDiskAt = 6;
inline constexpr size_t kEndDiskEntriesAt = 8;
inline constexpr size_t kEndTotalEntriesAt = 10;
inline constexpr size_t kEndDirectorySizeAt = 12;
inline constexpr size_t kEndDirectoryOffsetAt = 16;
inline constexpr size_t kEndCommentLengthAt = 20;

// Zip64 end record fields; its size field counts the bytes after it.
inline constexpr size_t kZip64EndRestSizeAt = 4;
inline constexpr size_t kZip64EndDiskAt = 16;
inline constexpr size_t kZip64EndDirectoryDiskAt = 20;
inline constexpr size_t kZip64EndDiskEntriesAt = 24;
inline constexpr size_t kZip64EndTotalEntriesAt = 32;
inline constexpr size_t kZip64EndDirectorySizeAt = 40;
inline constexpr size_t kZip64EndDirectoryOffsetAt = 48;
inline constexpr uint64_t kZip64EndMinRestSize = kZip64EndSize - 12;

// Zip64 locator fields.
inline constexpr size_t kZip64LocatorDiskAt = 4;
inline constexpr size_t kZip64LocatorOffsetAt = 8;
inline constexpr size_t kZip64LocatorDisksAt = 16;

// A 32-bit size or offset (16-bit disk number) holding all ones stands
// for a value kept in the zip64 extra block or end record.
inline constexpr uint32_t kMarker32 = 0xFFFFFFFF;
inline constexpr uint16_t kMarker16 = 0xFFFF;

inline constexpr uint16_t kFlagEncrypted = 0x0001;
inline constexpr uint16_t kFlagDescriptor = 0x0008;
inline constexpr uint16_t kFlagUtf8 = 0x0800;

inline constexpr uint16_t kStored = 0;
inline constexpr uint16_t kDeflated = 8;

// Extra blocks: 2-byte tag, 2-byte data size, data.
inline constexpr uint16_t kTagZip64 = 0x0001;
inline constexpr uint16_t kTagTimestamp = 0x5455;  // "UT"
inline constexpr uint8_t kTimestampModified = 0x01;
inline constexpr uint8_t kTimestampAccessed = 0x02;
inline constexpr uint8_t kTimestampCreated = 0x04;

// Seconds from 1601-01-01 (FILETIME epoch) to 1970-01-01.
inline constexpr long long kUnixEpochSeconds = 11644473600LL;

}  // namespace kavro::zip::format
