// The byte layout of the records an archive is written with.
#include "files/zip/zip_records_internal.h"

#include <algorithm>

namespace kavro::zip {
namespace {

inline unsigned char* Put16(unsigned char* p, uint16_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  return p + 2;
}

inline unsigned char* Put32(unsigned char* p, uint32_t v) {
  p[0] = static_cast<unsigned char>(v);
  p[1] = static_cast<unsigned char>(v >> 8);
  p[2] = static_cast<unsigned char>(v >> 16);
  p[3] = static_cast<unsigned char>(v >> 24);
  return p + 4;
}

// The 'UT' tag, a data size and flags 7 (modification, access, creation).
unsigned char* PutTimesStart(unsigned char* p, uint16_t dataSize) {
  *p++ = 'U';
  *p++ = 'T';
  p = Put16(p, dataSize);
  *p++ = 7;
  return p;
}

inline unsigned char* Put64(unsigned char* p, uint64_t v) {
  p = Put32(p, static_cast<uint32_t>(v));
  return Put32(p, static_cast<uint32_t>(v >> 32));
}

unsigned char* Grow(std::vector<unsigned char>& out, size_t size) {
  const size_t at = out.size();
  out.resize(at + size);
  return out.data() + at;
}

}  // namespace

void LocalFixedPart(const EntryHeader& h, unsigned char (&out)[kLocalFixedSize]) {
  unsigned char* p = Put32(out, 0x04034B50);
  p = Put16(p, kVersionNeeded);
  p = Put16(p, h.flags);
  p = Put16(p, h.method);
  p = Put32(p, h.dosDateTime);
  p = Put32(p, h.crc);
  p = Put32(p, h.compressedSize);
  p = Put32(p, h.uncompressedSize);
  p = Put16(p, static_cast<uint16_t>(h.name.size()));
  Put16(p, kLocalExtraSize);
}

void AppendLocalHeader(const EntryHeader& h, std::vector<unsigned char>& out) {
  unsigned char fixed[kLocalFixedSize];
  LocalFixedPart(h, fixed);
  unsigned char* p = Grow(out, kLocalFixedSize + h.name.size() + kLocalExtraSize);
  for (unsigned char b : fixed) *p++ = b;
  for (char c : h.name) *p++ = static_cast<unsigned char>(c);
  p = PutTimesStart(p, 13);
  p = Put32(p, static_cast<uint32_t>(h.times.mtime));
  p = Put32(p, static_cast<uint32_t>(h.times.atime));
  Put32(p, static_cast<uint32_t>(h.times.ctime));
}

void DataDescriptor(const EntryHeader& h, unsigned char (&out)[kDescriptorSize]) {
  unsigned char* p = Put32(out, 0x08074B50);
  p = Put32(p, h.crc);
  p = Put32(p, h.compressedSize);
  Put32(p, h.uncompressedSize);
}

void AppendCentralHeader(const EntryHeader& h, std::vector<unsigned char>& out) {
  unsigned char* p = Grow(out, 46 + h.name.size() + kCentralExtraSize);
  p = Put32(p, 0x02014B50);
  p = Put16(p, kVersionMadeBy);
  p = Put16(p, kVersionNeeded);
  p = Put16(p, h.flags);
  p = Put16(p, h.method);
  p = Put32(p, h.dosDateTime);
  p = Put32(p, h.crc);
  p = Put32(p, h.compressedSize);
  p = Put32(p, h.uncompressedSize);
  p = Put16(p, static_cast<uint16_t>(h.name.size()));
  p = Put16(p, kCentralExtraSize);
  p = Put16(p, 0);  // comment length
  p = Put16(p, 0);  // disk number start
  p = Put16(p, 0);  // internal attributes
  p = Put32(p, h.externalAttributes);
  p = Put32(p, h.localOffset);
  for (char c : h.name) *p++ = static_cast<unsigned char>(c);
  p = PutTimesStart(p, 5);
  Put32(p, static_cast<uint32_t>(h.times.mtime));
}

void EndRecord(uint64_t entries, uint64_t directorySize, uint64_t directoryOffset,
               unsigned char (&out)[kEndRecordSize]) {
  const uint16_t count = entries > kMaxClassicEntries ? 0xFFFF : static_cast<uint16_t>(entries);
  unsigned char* p = Put32(out, 0x06054B50);
  p = Put16(p, 0);
  p = Put16(p, 0);
  p = Put16(p, count);
  p = Put16(p, count);
  p = Put32(p, static_cast<uint32_t>(std::min<uint64_t>(directorySize, kMaxZip32)));
  p = Put32(p, static_cast<uint32_t>(std::min<uint64_t>(directoryOffset, kMaxZip32)));
  Put16(p, 0);
}

void Zip64EndRecord(uint64_t entries, uint64_t directorySize, uint64_t directoryOffset,
                    unsigned char (&out)[kZip64EndRecordSize]) {
  unsigned char* p = Put32(out, 0x06064B50);
  p = Put64(p, kZip64EndRecordSize - 12);
  p = Put16(p, kVersionMadeBy);
  p = Put16(p, kVersionNeededZip64);
  p = Put32(p, 0);  // this disk
  p = Put32(p, 0);  // disk where the directory starts
  p = Put64(p, entries);
  p = Put64(p, entries);
  p = Put64(p, directorySize);
  Put64(p, directoryOffset);
}

void Zip64Locator(uint64_t recordOffset, unsigned char (&out)[kZip64LocatorSize]) {
  unsigned char* p = Put32(out, 0x07064B50);
  p = Put32(p, 0);  // disk of the zip64 end record
  p = Put64(p, recordOffset);
  Put32(p, 1);  // disks in all
}

}  // namespace kavro::zip
